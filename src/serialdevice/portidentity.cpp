#include "serialdevice/portidentity.h"

#include <QFile>
#include <libudev.h>
#include <memory>
#include <sys/stat.h>

namespace {

// The udev properties of ModemManager's port hints, in its udev rules.
struct RoleProperty
{
    const char *property;
    PortIdentity::Role role;
};
const RoleProperty roleProperties[] = {
    {"ID_MM_PORT_TYPE_AT_PRIMARY", PortIdentity::AtPrimary},
    {"ID_MM_PORT_TYPE_AT_SECONDARY", PortIdentity::AtSecondary},
    {"ID_MM_PORT_TYPE_AT_PPP", PortIdentity::AtPpp},
    {"ID_MM_PORT_TYPE_GPS", PortIdentity::Gps},
    {"ID_MM_PORT_TYPE_QCDM", PortIdentity::Qcdm},
    {"ID_MM_PORT_TYPE_AUDIO", PortIdentity::Audio},
};

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

PortIdentity PortIdentity::of(const DeviceName &device)
{
    PortIdentity identity;
    struct stat status = {};
    identity.present = ::stat(QFile::encodeName(device.path).constData(), &status) == 0 && S_ISCHR(status.st_mode);
    if (!identity.present)
        return identity;

    const std::unique_ptr<udev, UdevFree> context(udev_new());
    if (!context)
        return identity;
    const std::unique_ptr<udev_device, UdevFree> tty(
        udev_device_new_from_subsystem_sysname(context.get(), "tty", QFile::encodeName(device.kernelName).constData()));
    if (!tty)
        return identity;
    for (const RoleProperty &hint : roleProperties) {
        if (text(udev_device_get_property_value(tty.get(), hint.property)) == QLatin1String("1"))
            identity.roles |= hint.role;
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

QString PortIdentity::name() const
{
    if (product.isEmpty() || product.startsWith(manufacturer))
        return product;
    return manufacturer.isEmpty() ? product : manufacturer + QLatin1Char(' ') + product;
}
