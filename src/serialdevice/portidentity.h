#pragma once
// What the system's device database (udev) knows of a serial device, read
// through libudev as Qt's serial port reads its port list: whether it is
// there, the USB device and interface it belongs to, its /dev/serial/by-id
// name, and the roles ModemManager's rules give the port (ID_MM_PORT_TYPE_*).

#include "serialdevice/devicename.h"

#include <QFlags>
#include <QString>

struct PortIdentity
{
    // ModemManager's port hints.
    enum Role {
        AtPrimary = 0x1,
        AtSecondary = 0x2,
        AtPpp = 0x4,
        Gps = 0x8,
        Qcdm = 0x10,
        Audio = 0x20,
    };
    Q_DECLARE_FLAGS(Roles, Role)

    bool present = false;  // the device node is there now
    QString manufacturer;
    QString product;
    QString serialNumber;
    QString vendorId;  // USB ids, four hex digits each
    QString productId;
    QString interfaceNumber;
    QString byId;  // its /dev/serial/by-id name
    Roles roles;

    static PortIdentity of(const DeviceName &device);
    bool isUsb() const { return !vendorId.isEmpty(); }
    bool takesAtCommands() const { return roles & (AtPrimary | AtSecondary | AtPpp); }
    // "Quectel EG25-G" or the like; empty where udev knows no product.
    QString name() const;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PortIdentity::Roles)
