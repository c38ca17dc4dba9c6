#include "serialdevice/mscomm.h"

#include "serialdevice/portmap.h"

#include <QFileInfo>
#include <algorithm>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

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

void MSComm::setCommPort(qint16 port)
{
    m_commPort = port;
}

QString MSComm::device() const
{
    return PortMap::device(m_commPort);
}

bool MSComm::setPortOpen(bool open)
{
    if (!open) {
        m_linkWatch.stop();
        if (m_port.isOpen())
            fail(QSerialPort::NotOpenError, tr("the port was disconnected"));
        m_port.close();
        return true;
    }
    if (m_port.isOpen())
        return true;
    // The link is followed to the device itself, so that two names for one
    // device share one lock.
    const QString path = device();
    const QString target = QFileInfo(path).canonicalFilePath();
    m_openedPath = target.isEmpty() ? path : target;
    if (isPseudoTerminalMaster(m_openedPath)) {
        fail(QSerialPort::OpenError, tr("it is a pseudo-terminal's master side, not a serial device"));
        return false;
    }
    m_port.setPortName(m_openedPath);
    if (!m_port.open(QIODevice::ReadWrite)) {
        fail(m_port.error(), m_port.errorString());
        m_port.clearError();
        return false;
    }
    m_linkWatch.watch(m_openedPath);
    return true;
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

void MSComm::setInBufferCount(int count)
{
    // A closed port holds nothing; QSerialPort would report an error.
    if (count == 0 && m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void MSComm::fail(QSerialPort::SerialPortError error, const QString &reason)
{
    m_error = error;
    m_errorString = reason;
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
    m_port.clearError();
    fail(QSerialPort::ResourceError, tr("the link was lost (%1)").arg(reason));
    emit linkLost(reason);
}
