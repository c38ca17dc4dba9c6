#include "serialdevice/portscanner.h"

#include "serialdevice/mscomm.h"
#include "serialdevice/portmap.h"

#include <QtConcurrent/QtConcurrentRun>

PortScanner::PortScanner(MSComm *comm, QObject *parent)
    : QObject(parent), m_comm(comm)
{
    connect(&m_watcher, &QFutureWatcher<PortScan>::finished, this, &PortScanner::finish);
}

// The scan under way reads only what it was given; what it finds is
// dropped with the watcher.
PortScanner::~PortScanner() = default;

quint64 PortScanner::request()
{
    ++m_requested;
    if (!m_scanning)
        start();
    return m_requested;
}

void PortScanner::start()
{
    QStringList paths;
    for (int port = 1; port <= PortMap::portCount; ++port)
        paths << m_comm->deviceOf(port);
    m_scanning = true;
    m_watcher.setFuture(QtConcurrent::run(&PortScan::run, m_requested, paths));
}

void PortScanner::finish()
{
    m_scanning = false;
    m_latest = std::make_shared<const PortScan>(m_watcher.result());
    m_comm->setProcesses(m_latest->processes);
    if (m_requested > m_latest->serial)
        start();
    emit scanned();
}
