#pragma once
// Tells when a serial device comes or goes: a udev monitor of the tty
// subsystem, read only when the system has news for it (a socket notifier),
// so that nothing wakes the program while nothing changes. A module that
// re-enumerates sends events by the dozen: they are told together, a
// quarter of a second after the first.

#include <QObject>
#include <QTimer>

class QSocketNotifier;
struct udev;
struct udev_monitor;

class DeviceWatch : public QObject
{
    Q_OBJECT
public:
    explicit DeviceWatch(QObject *parent);
    ~DeviceWatch() override;

signals:
    void changed();

private:
    void takeEvents();

    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_together;
};
