#include "serialdevice/devicewatch.h"

#include <QSocketNotifier>
#include <libudev.h>

namespace {

constexpr int togetherMs = 250;

} // namespace

DeviceWatch::DeviceWatch(QObject *parent)
    : QObject(parent), m_udev(udev_new())
{
    m_together.setSingleShot(true);
    m_together.setInterval(togetherMs);
    connect(&m_together, &QTimer::timeout, this, &DeviceWatch::changed);
    // Where the system has no udev (a container), nothing is said: the
    // port list is still read afresh each time it opens.
    if (!m_udev)
        return;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor) < 0)
        return;
    m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DeviceWatch::takeEvents);
}

DeviceWatch::~DeviceWatch()
{
    delete m_notifier;  // before the descriptor it watches goes
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

void DeviceWatch::takeEvents()
{
    bool any = false;
    while (udev_device *device = udev_monitor_receive_device(m_monitor)) {
        udev_device_unref(device);
        any = true;
    }
    if (any && !m_together.isActive())
        m_together.start();
}
