#include "serialdevice/portidentity.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <libudev.h>
#include <memory>
#include <sys/stat.h>

namespace {

// ModemManager's port hints, in its udev rules, and what they mean to a user.
struct Role
{
    const char *property;
    const char *words;
    bool atCommands;
};
const Role portRoles[] = {
    {"ID_MM_PORT_TYPE_AT_PRIMARY", QT_TRANSLATE_NOOP("PortIdentity", "AT commands"), true},
    {"ID_MM_PORT_TYPE_AT_SECONDARY", QT_TRANSLATE_NOOP("PortIdentity", "AT commands (secondary)"), true},
    {"ID_MM_PORT_TYPE_AT_PPP", QT_TRANSLATE_NOOP("PortIdentity", "AT commands and data (PPP)"), true},
    {"ID_MM_PORT_TYPE_GPS", QT_TRANSLATE_NOOP("PortIdentity", "GPS (NMEA)"), false},
    {"ID_MM_PORT_TYPE_QCDM", QT_TRANSLATE_NOOP("PortIdentity", "diagnostics (QCDM), no AT commands"), false},
    {"ID_MM_PORT_TYPE_AUDIO", QT_TRANSLATE_NOOP("PortIdentity", "audio, no AT commands"), false},
};

QString tr(const char *text)
{
    return QCoreApplication::translate("PortIdentity", text);
}

struct UdevFree
{
    void operator()(udev *u) const { udev_unref(u); }
    void operator()(udev_device *d) const { udev_device_unref(d); }
};

QString text(const char *value)
{
    return value ? QString::fromUtf8(value).trimmed() : QString();
}

QString sysattr(udev_device *device, const char *name)
{
    return device ? text(udev_device_get_sysattr_value(device, name)) : QString();
}

} // namespace

PortIdentity PortIdentity::of(const QString &device)
{
    PortIdentity identity;
    struct stat status = {};
    identity.present = ::stat(QFile::encodeName(device).constData(), &status) == 0 && S_ISCHR(status.st_mode);
    if (!identity.present)
        return identity;

    // By its name under the tty class, at the first step of the way there
    // whose name the class knows: the device itself, however the way goes
    // (by-id, a user's link; a test's link from a udev name to a pty).
    const std::unique_ptr<udev, UdevFree> context(udev_new());
    if (!context)
        return identity;
    std::unique_ptr<udev_device, UdevFree> tty;
    QFileInfo step(device);
    for (int hops = 0; !tty && hops < 40; ++hops) {
        tty.reset(udev_device_new_from_subsystem_sysname(context.get(), "tty",
                                                         QFile::encodeName(step.fileName()).constData()));
        if (!step.isSymLink())
            break;
        step = QFileInfo(step.symLinkTarget());
    }
    if (!tty)
        return identity;
    for (const Role &role : portRoles) {
        if (text(udev_device_get_property_value(tty.get(), role.property)) == QLatin1String("1"))
            identity.roles << tr(role.words);
    }
    const QStringList links = text(udev_device_get_property_value(tty.get(), "DEVLINKS")).split(u' ');
    for (const QString &link : links) {
        if (link.startsWith(QLatin1String("/dev/serial/by-id/")))
            identity.byId = link;
    }
    // The parents belong to the child: no reference of their own.
    udev_device *usbInterface = udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_interface");
    udev_device *usbDevice = udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
    identity.interfaceNumber = sysattr(usbInterface, "bInterfaceNumber");
    identity.manufacturer = sysattr(usbDevice, "manufacturer");
    identity.product = sysattr(usbDevice, "product");
    identity.serialNumber = sysattr(usbDevice, "serial");
    identity.vendorId = sysattr(usbDevice, "idVendor");
    identity.productId = sysattr(usbDevice, "idProduct");
    return identity;
}

bool PortIdentity::takesAtCommands() const
{
    for (const Role &role : portRoles) {
        if (role.atCommands && roles.contains(tr(role.words)))
            return true;
    }
    return false;
}

QString PortIdentity::name() const
{
    if (product.isEmpty() || product.startsWith(manufacturer))
        return product;
    return manufacturer.isEmpty() ? product : manufacturer + QLatin1Char(' ') + product;
}

QStringList PortIdentity::describe() const
{
    QStringList lines;
    if (!present)
        return {tr("Not there now.")};
    if (isUsb()) {
        QString usb = name().isEmpty() ? tr("A USB device") : name();
        if (!serialNumber.isEmpty())
            usb += tr(", serial number %1").arg(serialNumber);
        lines << usb;
        QString ids = tr("USB %1:%2").arg(vendorId, productId);
        if (!interfaceNumber.isEmpty())
            ids += tr(", interface %1").arg(interfaceNumber);
        lines << ids;
    }
    if (!byId.isEmpty())
        lines << byId;
    if (!roles.isEmpty())
        lines << tr("For: %1").arg(roles.join(QLatin1String("; ")));
    if (lines.isEmpty())
        lines << tr("There now.");
    return lines;
}
