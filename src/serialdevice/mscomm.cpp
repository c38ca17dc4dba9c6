#include "serialdevice/mscomm.h"

#include "serialdevice/lockfiles.h"
#include "serialdevice/portmap.h"
#include "serialdevice/processtable.h"
#include "serialdevice/terminalkind.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// True where following the links from `path` never reaches a file: a loop,
// or a chain longer than the system follows.
bool linksTooDeep(const QString &path)
{
    struct stat node = {};
    return ::stat(QFile::encodeName(path).constData(), &node) != 0 && errno == ELOOP;
}

} // namespace

MSComm::MSComm(QObject *parent)
    : QObject(parent)
{
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);

    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::onComm);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::handleError);
    connect(&m_linkWatch, &LinkWatch::lost, this, &MSComm::loseLink);
}

MSComm::~MSComm()
{
    m_port.close();
    releaseClaim();
}

void MSComm::setCommPort(qint16 port)
{
    m_commPort = port;
}

QString MSComm::device() const
{
    return deviceOf(m_commPort);
}

QString MSComm::deviceOf(int port) const
{
    return m_pointed.value(port, PortMap::device(port));
}

bool MSComm::setPortOpen(bool open)
{
    if (!open) {
        m_linkWatch.stop();
        const bool wasOpen = m_port.isOpen();
        if (wasOpen)
            m_errorString = tr("the port was disconnected");
        m_port.close();
        releaseClaim();
        if (wasOpen)
            emit closed();
        return true;
    }
    if (m_port.isOpen())
        return true;
    m_refusal = Refusal();
    // The link is followed to the device itself, so that two names for one
    // device share one lock; a device whose name cannot be spelled back is
    // opened through the link.
    m_opened = DeviceName::of(device());
    if (const auto left = PortMap::leftBySimulator(m_opened.path)) {
        Refusal refusal(Refusal::Kind::LeftBySimulator, left->device);
        refusal.pid = left->pid;
        return refuse(refusal);
    }
    if (linksTooDeep(m_opened.path))
        return refuse(Refusal::Kind::LinkLoop);
    if (Refusal terminal = TerminalKind::notASerialLine(m_opened, m_processes.get()))
        return refuse(terminal);
    if (Refusal locked = LockFiles::against(m_opened))
        return refuse(locked);
    if (!claim())
        return false;
    m_port.setPortName(m_opened.node);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString reason = m_port.errorString();
        m_port.clearError();
        releaseClaim();
        // The device itself opened for us a moment ago: what failed is Qt's
        // own lock file, or a program that took the port meanwhile.
        if (error == QSerialPort::PermissionError) {
            Refusal locked = LockFiles::against(m_opened);
            return refuse(locked ? locked : LockFiles::qtLockFailure(m_opened));
        }
        Refusal failed(error == QSerialPort::DeviceNotFoundError ? Refusal::Kind::NoDevice : Refusal::Kind::OpenFailed);
        failed.detail = reason;
        return refuse(failed);
    }
    m_linkWatch.watch(m_opened.node);
    emit opened();
    return true;
}

bool MSComm::claim()
{
    // Our own descriptor, opened before anything configures the line:
    // opening a terminal changes none of its settings, and the flock on it
    // keeps picocom and tio out while we are connected. A refusal leaves
    // another program's line exactly as it was.
    const QByteArray path = QFile::encodeName(m_opened.node);
    struct stat node = {};
    if (::stat(path.constData(), &node) == 0 && !S_ISCHR(node.st_mode))
        return refuse(Refusal::Kind::NotADevice);
    m_claimFd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_claimFd < 0) {
        const int error = errno;
        if (error == EBUSY)
            return refuseClaimedAlone();
        if (error == EACCES || error == EPERM)
            return refuse(Refusal::Kind::PermissionDenied, error);
        if (error == ENOENT || error == ENXIO || error == ENODEV)
            return refuse(Refusal::Kind::NoDevice, error);
        return refuse(Refusal::Kind::OpenFailed, error);
    }
    // As root the open succeeds even where a program holds the line alone.
    int exclusive = 0;
    if (::ioctl(m_claimFd, TIOCGEXCL, &exclusive) == 0 && exclusive) {
        releaseClaim();
        return refuseClaimedAlone();
    }
    if (::flock(m_claimFd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        releaseClaim();
        const qint64 pid = ProcessTable::flockHolderNow(FileId{node.st_dev, node.st_ino});
        // No lock file named it a moment ago.
        return refuse(Refusal::heldBy(
            Holder(pid, pid > 0 ? ProcessTable::programOf(pid) : QString(), Holder::Claim::Flock, QString(), true)));
    }
    return true;  // ours now, or a device that takes no flock
}

void MSComm::releaseClaim()
{
    // Unlocked before it is closed: a child process that is only starting
    // (ModemManager's helper) may hold a copy of the descriptor for a
    // moment, and with it the flock, until it runs its own program.
    if (m_claimFd >= 0) {
        ::flock(m_claimFd, LOCK_UN);
        ::close(m_claimFd);
    }
    m_claimFd = -1;
}

bool MSComm::refuseClaimedAlone()
{
    // A program opened the device for itself alone, after no lock file
    // named it a moment ago: one that is taking the port as we do, whose
    // lock file or flock may be there now. Who else has it open, if anyone,
    // takes a scan of the system to find.
    if (Refusal locked = LockFiles::against(m_opened)) {
        if (locked.holder)
            locked.holder->justNow = true;
        return refuse(locked);
    }
    if (const auto device = FileId::of(m_opened.node)) {
        if (const qint64 pid = ProcessTable::flockHolderNow(*device)) {
            return refuse(
                Refusal::heldBy(Holder(pid, ProcessTable::programOf(pid), Holder::Claim::OpenAlone, QString(), true)));
        }
    }
    return refuse(Refusal::Kind::ClaimedAlone);
}

bool MSComm::refuse(Refusal refusal)
{
    if (refusal.path.isEmpty())
        refusal.path = m_opened.node;
    m_refusal = refusal;
    emit refused();
    return false;
}

bool MSComm::refuse(Refusal::Kind kind, int error)
{
    return refuse(Refusal(kind, QString(), error));
}

QByteArray MSComm::toWire(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const char32_t c : text.toUcs4())  // one "?" for a character beyond U+FFFF too
        bytes.append(c <= 0xff ? char(c) : '?');
    return bytes;
}

int MSComm::unsendable(const QString &text)
{
    const QList<uint> characters = text.toUcs4();
    return int(std::count_if(characters.begin(), characters.end(), [](uint c) { return c > 0xff; }));
}

bool MSComm::output(const QString &text)
{
    if (!m_port.isOpen())
        return false;  // errorString() keeps why it is closed
    const QByteArray bytes = toWire(text);
    if (m_port.write(bytes) != bytes.size()) {
        m_errorString = m_port.errorString();
        return false;
    }
    emit transmitted(bytes);
    return true;
}

QString MSComm::input()
{
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        emit received(bytes);
    return QString::fromLatin1(bytes);
}

void MSComm::handleError(QSerialPort::SerialPortError error)
{
    // A hung-up line raises read errors in a tight loop for as long as the
    // port stays open, so the first one closes it.
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        if (m_port.isOpen())
            loseLink(tr("the device hung up or was removed"));
        break;
    default:
        break;
    }
}

void MSComm::loseLink(const QString &reason)
{
    m_linkWatch.stop();
    if (m_port.bytesAvailable() > 0)
        emit onComm();  // what came before the end still reaches the log
    m_port.close();
    releaseClaim();
    m_port.clearError();
    m_errorString = tr("the link was lost (%1)").arg(reason);
    emit linkLost(reason);
}
