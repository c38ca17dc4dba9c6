#pragma once
// /dev/ttyUSBn as a test's USB device has it: a link to a pseudo-terminal
// for as long as it lives, while umockdev's mock sysfs and udev data say
// what the device is. A link to a pty is what a killed run of a test left,
// and is taken back; a device node is the machine's own, and is never
// touched.

#include "pseudoterminal.h"

#include <QString>

class UsbNode
{
public:
    explicit UsbNode(int n);
    ~UsbNode();
    UsbNode(const UsbNode &) = delete;
    UsbNode &operator=(const UsbNode &) = delete;

    QString path() const { return m_path; }
    QString pty() const { return m_pty.device(); }
    Pty &modem() { return m_pty; }

private:
    QString m_path;
    Pty m_pty;
};
