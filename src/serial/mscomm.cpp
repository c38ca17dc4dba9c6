#include "serial/mscomm.h"

#include "serial/portmap.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {
// While a port is open its device is checked this often: a USB adapter that
// is pulled out can leave the read notification spinning without an error.
constexpr int linkCheckMs = 500;
}

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
    m_linkCheck.setInterval(linkCheckMs);
    connect(&m_linkCheck, &QTimer::timeout, this, &MSComm::checkLink);
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
        m_linkCheck.stop();
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
    m_port.setPortName(m_openedPath);
    if (!m_port.open(QIODevice::ReadWrite)) {
        fail(m_port.error(), m_port.errorString());
        m_port.clearError();
        return false;
    }
    m_linkCheck.start();
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

bool MSComm::output(const QString &text)
{
    if (!m_port.isOpen()) {
        fail(QSerialPort::NotOpenError, tr("not connected"));
        return false;
    }
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

void MSComm::checkLink()
{
#ifdef Q_OS_UNIX  // a device node is a file only there
    if (!QFileInfo::exists(m_openedPath)) {
        loseLink(tr("the device is gone"));
        return;
    }
    pollfd fd{int(m_port.handle()), POLLIN, 0};
    if (::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)))
        loseLink(tr("the line was hung up"));
#endif
}

void MSComm::loseLink(const QString &reason)
{
    m_linkCheck.stop();
    m_port.close();
    m_port.clearError();
    fail(QSerialPort::ResourceError, reason);
    emit linkLost(reason);
}
