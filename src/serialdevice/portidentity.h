#pragma once
// What the system's device database (udev) knows of a serial device, read
// through libudev as Qt's serial port reads its port list: whether it is
// there, the USB device and interface it belongs to, its /dev/serial/by-id
// name, and the role ModemManager's rules give the port (ID_MM_PORT_TYPE_*).

#include <QString>
#include <QStringList>

struct PortIdentity
{
    bool present = false;  // the device node is there now
    QString manufacturer;
    QString product;
    QString serialNumber;
    QString vendorId;  // USB ids, four hex digits each
    QString productId;
    QString interfaceNumber;
    QString byId;       // its /dev/serial/by-id name
    QStringList roles;  // "AT commands", "GPS (NMEA)", ...

    // For the device a port leads to, links followed.
    static PortIdentity of(const QString &device);
    bool isUsb() const { return !vendorId.isEmpty(); }
    bool takesAtCommands() const;
    // "Quectel EG25-G" or the like; empty where udev knows no product.
    QString name() const;
    // The lines of a tool tip, below the line that names the port.
    QStringList describe() const;
};
