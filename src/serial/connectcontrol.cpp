#include "serial/connectcontrol.h"

#include "serialdevice/mscomm.h"
#include "widgets/notice.h"
#include "widgets/style.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>

namespace {

// What the user can do about a port that would not open.
QString hintFor(QSerialPort::SerialPortError error, const QString &device)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QObject::tr("Is the modem plugged in and switched on?");
    case QSerialPort::PermissionError:
        if (QFileInfo::exists(device) && !QFileInfo(device).isWritable())
            return QObject::tr("Join the 'dialout' group (sudo adduser $USER dialout), then log in again.");
        return QObject::tr("Another program is using it; close that program first.");
    case QSerialPort::UnsupportedOperationError:
    case QSerialPort::UnknownError:
        return QObject::tr("It is not a serial device.");
    default:
        return QString();
    }
}

} // namespace

ConnectControl::ConnectControl(MSComm *comm, QComboBox *combo1, QPushButton *command2, QPushButton *command3,
                               Notice *notice, QObject *parent)
    : QObject(parent), m_comm(comm), m_combo1(combo1), m_command2(command2), m_notice(notice)
{
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    connect(command2, &QPushButton::clicked, this, &ConnectControl::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &ConnectControl::Command3_Click);
    connect(comm, &MSComm::linkLost, this, &ConnectControl::showLinkLost);
}

void ConnectControl::Command2_Click()
{
    Widgets::setBackColor(m_command2, Widgets::lightGreen);
    if (m_comm->portOpen())
        m_comm->setPortOpen(false);
    m_comm->setCommPort(static_cast<qint16>(m_combo1->currentData().toInt()));
    if (m_comm->setPortOpen(true))
        return;

    // Green would claim a link that is not there.
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    const QString hint = hintFor(m_comm->error(), m_comm->device());
    m_notice->show(m_command2, tr("%1 could not be opened: %2.%3")
                                   .arg(portLabel(), m_comm->errorString(),
                                        hint.isEmpty() ? QString() : QLatin1Char('\n') + hint));
}

void ConnectControl::Command3_Click()
{
    if (!m_comm->portOpen())
        return;
    m_comm->setPortOpen(false);
    Widgets::setBackColor(m_command2, Widgets::lightRed);
}

void ConnectControl::showLinkLost(const QString &reason)
{
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    m_notice->show(m_command2, tr("The link to %1 was lost (%2); the port is closed.\n"
                                  "Press Connect once the device is back.")
                                   .arg(portLabel(), reason));
}

QString ConnectControl::portLabel() const
{
    const QFileInfo device(m_comm->device());
    const QString path = device.isSymLink()
        ? QStringLiteral("%1 -> %2").arg(device.filePath(), device.symLinkTarget())
        : device.filePath();
    return QStringLiteral("Com%1 (%2)").arg(m_comm->commPort()).arg(path);
}
