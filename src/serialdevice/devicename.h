#pragma once
// One name for a device everywhere. A port's path (a link of the user's, a
// by-id name, a test's link from /dev/ttyUSB2 to a pseudo-terminal) is
// resolved once, the same way for what udev knows of it, for ModemManager's
// list of ports, for lock files and for the programs that hold it.

#include <QString>

struct DeviceName
{
    QString path;  // as the port names it
    // The device node itself, links followed; the path itself where they
    // lead nowhere.
    QString node;
    // The name the kernel and udev give it ("ttyUSB2"), which ModemManager
    // lists: the last step on the way from the path to the node that lies in
    // /dev itself, as the kernel's device nodes do (by-id names and a user's
    // links lie elsewhere); otherwise the node's name below /dev ("pts/5").
    QString kernelName;

    static DeviceName of(const QString &path);
};
