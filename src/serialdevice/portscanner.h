#pragma once
// Scans the ports in the background (PortScan) and says when a scan is
// done. Requests that come while a scan runs are merged into one scan after
// it: a storm of device events costs one scan after the storm.

#include "serialdevice/portscan.h"

#include <QFutureWatcher>
#include <QObject>
#include <memory>

class MSComm;

class PortScanner : public QObject
{
    Q_OBJECT
public:
    // Each scan's look at the processes goes to `comm` too.
    PortScanner(MSComm *comm, QObject *parent);
    ~PortScanner() override;

    // Asks for a scan that starts from now; the number it returns is the
    // least serial of a scan that answers it.
    quint64 request();
    // The latest scan; null until the first is done.
    std::shared_ptr<const PortScan> latest() const { return m_latest; }
    bool isAnswered(quint64 request) const { return m_latest && m_latest->serial >= request; }
    bool isScanning() const { return m_scanning; }

signals:
    void scanned();  // latest() is new

private:
    void start();
    void finish();

    MSComm *m_comm;
    QFutureWatcher<PortScan> m_watcher;
    std::shared_ptr<const PortScan> m_latest;
    quint64 m_requested = 0;
    bool m_scanning = false;
};
