#include "serialdevice/mscomm.h"

#include "serialdevice/modemmanager.h"
#include "serialdevice/portlock.h"
#include "serialdevice/portmap.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// True where following the links from `path` never reaches a file: a loop,
// or a chain longer than the system follows.
bool linksTooDeep(const QString &path)
{
    struct stat node = {};
    return ::stat(QFile::encodeName(path).constData(), &node) != 0 && errno == ELOOP;
}

// The master side of a pseudo-terminal (/dev/ptmx, or an old BSD-style
// /dev/ptyXY) opens like a terminal, but what is written to it goes to a
// new pseudo-terminal that nobody holds.
bool isPseudoTerminalMaster(const QString &path)
{
    struct stat device = {};
    if (::stat(QFile::encodeName(path).constData(), &device) != 0 || !S_ISCHR(device.st_mode))
        return false;
    const unsigned majorNumber = major(device.st_rdev);
    return (majorNumber == 5 && minor(device.st_rdev) == 2) || majorNumber == 2;
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
        if (m_port.isOpen())
            fail(QSerialPort::NotOpenError, tr("the port was disconnected"));
        m_port.close();
        releaseClaim();
        return true;
    }
    if (m_port.isOpen())
        return true;
    // The link is followed to the device itself, so that two names for one
    // device share one lock; a device whose name cannot be spelled back is
    // opened through the link.
    const QString path = device();
    if (const auto left = PortMap::leftBySimulator(path)) {
        fail(QSerialPort::DeviceNotFoundError,
             tr("the link was left by a vexmo-modem-sim (process %1) that no longer runs, and %2 may now be "
                "another program's terminal")
                 .arg(left->pid)
                 .arg(left->device),
             tr("Start the simulator again, or remove the link."));
        return false;
    }
    if (linksTooDeep(path)) {
        fail(QSerialPort::DeviceNotFoundError,
             tr("%1 leads round in a loop of links, or through more links than the system follows").arg(path),
             tr("Point the link straight at the device."));
        return false;
    }
    const QString target = QFileInfo(path).canonicalFilePath();
    m_openedPath = !target.isEmpty() && QFileInfo::exists(target) ? target : path;
    if (isPseudoTerminalMaster(m_openedPath)) {
        fail(QSerialPort::OpenError, tr("it is a pseudo-terminal's master side, not a serial device"));
        return false;
    }
    if (const QString terminal = PortLock::notASerialLine(m_openedPath); !terminal.isEmpty()) {
        fail(QSerialPort::OpenError, terminal, tr("Choose the serial device of the modem."));
        return false;
    }
    if (const auto holder = PortLock::lockFileHolder(m_openedPath)) {
        refuse(*holder);
        return false;
    }
    if (!claim())
        return false;
    m_port.setPortName(m_openedPath);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString reason = m_port.errorString();
        m_port.clearError();
        releaseClaim();
        // The device itself opened for us a moment ago: what failed is Qt's
        // own lock file, or a program that took the port meanwhile.
        if (error != QSerialPort::PermissionError)
            fail(error, reason);
        else if (const auto holder = PortLock::lockFileHolder(m_openedPath))
            refuse(*holder);
        else
            fail(error, tr("Qt's serial port could not lock it: %1").arg(PortLock::qtLockFailure(m_openedPath)),
                 tr("Remove that file if no program uses the port, or ask the administrator."));
        return false;
    }
    m_linkWatch.watch(m_openedPath);
    return true;
}

bool MSComm::claim()
{
    // Our own descriptor, opened before anything configures the line:
    // opening a terminal changes none of its settings, and the flock on it
    // keeps picocom and tio out while we are connected. A refusal leaves
    // another program's line exactly as it was.
    const QByteArray path = QFile::encodeName(m_openedPath);
    struct stat node = {};
    if (::stat(path.constData(), &node) == 0 && !S_ISCHR(node.st_mode)) {
        fail(QSerialPort::UnsupportedOperationError, tr("%1 is not a device").arg(m_openedPath));
        return false;
    }
    m_claimFd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_claimFd < 0) {
        const int error = errno;
        if (error == EBUSY) {
            refuseExclusive();
        } else if (error == EACCES || error == EPERM) {
            fail(QSerialPort::PermissionError, tr("permission to open %1 was denied").arg(m_openedPath),
                 tr("Join the 'dialout' group (sudo adduser $USER dialout), then log in again."));
        } else if (error == ENOENT || error == ENXIO || error == ENODEV) {
            fail(QSerialPort::DeviceNotFoundError, QString::fromLocal8Bit(std::strerror(error)));
        } else {
            fail(QSerialPort::OpenError, QString::fromLocal8Bit(std::strerror(error)));
        }
        return false;
    }
    // As root the open succeeds even where a program holds the line alone.
    int exclusive = 0;
    if (::ioctl(m_claimFd, TIOCGEXCL, &exclusive) == 0 && exclusive) {
        releaseClaim();
        refuseExclusive();
        return false;
    }
    if (auto holder = PortLock::takeFlock(m_claimFd, m_openedPath)) {
        releaseClaim();
        holder->justNow = true;  // no lock file named it a moment ago
        refuse(*holder);
        return false;
    }
    return true;
}

void MSComm::releaseClaim()
{
    if (m_claimFd >= 0)
        ::close(m_claimFd);
    m_claimFd = -1;
}

void MSComm::refuseExclusive()
{
    // A program opened the device for itself alone, after no lock file
    // named it a moment ago: one that is taking the port as we do, whose
    // lock file may be there now. The system may not let us see which.
    auto holder = PortLock::lockFileHolder(m_openedPath);
    if (!holder)
        holder = PortLock::openedBy(m_openedPath);
    if (holder) {
        holder->justNow = true;
        refuse(*holder);
        return;
    }
    // ModemManager runs as root, out of an ordinary user's sight; its bus
    // says which ports it uses. Just after a plug-in it may hold one alone.
    if (const auto modem = ModemManager::modemUsing(m_openedPath)) {
        fail(QSerialPort::PermissionError,
             tr("ModemManager is using it alone, for %1").arg(*modem),
             tr("Wait a few seconds and press Connect again, or keep ModemManager off this device "
                "(see man vexmo-at)."));
        return;
    }
    fail(QSerialPort::PermissionError,
         tr("%1 is marked for one program's use alone, but no program this system shows has it open; "
            "one that ended may have left it so").arg(m_openedPath),
         tr("Unplug the device and plug it in again."));
}

void MSComm::refuse(const PortLock::Holder &holder)
{
    // A lock file that names no running program is only in the way.
    QString hint = tr("Close that program first, or choose another port.");
    if (holder.strayFile())
        hint = tr("If no program uses the port, remove that file.");
    else if (!holder.problem.isEmpty())
        hint = tr("Remove that file, or ask the administrator to.");
    fail(QSerialPort::PermissionError, holder.describe(), hint);
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
        fail(m_port.error(), m_port.errorString());
        return false;
    }
    return true;
}

QString MSComm::input()
{
    return QString::fromLatin1(m_port.readAll());
}

void MSComm::fail(QSerialPort::SerialPortError error, const QString &reason, const QString &hint)
{
    m_error = error;
    m_errorString = reason;
    m_hint = hint;
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
    fail(QSerialPort::ResourceError, tr("the link was lost (%1)").arg(reason));
    emit linkLost(reason);
}
