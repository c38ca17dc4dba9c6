#include "session/connectcontrol.h"

#include "session/porttips.h"
#include "serialdevice/modemmanager.h"
#include "serialdevice/mscomm.h"
#include "serialdevice/portlock.h"
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
    const int port = m_combo1->currentData().toInt();
    m_comm->setCommPort(static_cast<qint16>(port));
    // A port whose link went, or now points elsewhere, never opens another
    // device without saying so.
    const QString elsewhere = ledElsewhere(port);
    if (m_comm->setPortOpen(true)) {
        m_ledTo[port] = pathLabel();
        m_openLabel = portLabel();
        // Open, and green; but what else reads the line is worth knowing.
        QStringList more{elsewhere, sharedWith()};
        more.removeAll(QString());
        if (!more.isEmpty())
            m_notice->showAt(m_command2, tr("%1 is open.\n%2").arg(m_openLabel, more.join(u'\n')));
        return;
    }

    // Green would claim a link that is not there.
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    const QString hint = m_comm->hint().isEmpty() ? hintFor(m_comm->error(), m_comm->device()) : m_comm->hint();
    QString text = tr("%1 could not be opened: %2.").arg(portLabel(), m_comm->errorString());
    // Where the device is missing, where devices are.
    const QString present = m_comm->error() == QSerialPort::DeviceNotFoundError ? PortTips::presentNow(m_comm)
                                                                                : QString();
    for (const QString &more : {hint, elsewhere, present}) {
        if (!more.isEmpty())
            text += QLatin1Char('\n') + more;
    }
    m_notice->showAt(m_command2, text);
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
    // Named as it was opened: its link may be what went.
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    QString text = tr("The link to %1 was lost (%2); the port is closed.").arg(m_openLabel, reason);
    const QString elsewhere = ledElsewhere(m_comm->commPort());
    text += QLatin1Char('\n')
        + (elsewhere.isEmpty() ? tr("Press Connect once the device is back.") : elsewhere);
    m_notice->showAt(m_command2, text);
}

QString ConnectControl::sharedWith() const
{
    QStringList with;
    if (const auto modem = ModemManager::modemUsing(m_comm->device())) {
        with << tr("ModemManager uses it too, for %1: it sends its own AT commands and takes replies, so some "
                   "answers may never show here. \"man vexmo-at\" shows how to keep it off this device.")
                    .arg(*modem);
    }
    if (const auto holder = PortLock::sharedBy(m_comm->device()))
        with << tr("%1 (process %2) has it open too: each reply goes to whichever program reads it first.")
                    .arg(holder->program)
                    .arg(holder->pid);
    return with.join(u'\n');
}

QString ConnectControl::ledElsewhere(int port) const
{
    const QString before = m_ledTo.value(port);
    const QString now = pathLabel();
    if (before.isEmpty() || before == now)
        return QString();
    return tr("Com%1 now leads to %2; when last opened it led to %3.").arg(port).arg(now, before);
}

QString ConnectControl::pathLabel() const
{
    const QFileInfo device(m_comm->device());
    return device.isSymLink() ? QStringLiteral("%1 -> %2").arg(device.filePath(), device.symLinkTarget())
                              : device.filePath();
}

QString ConnectControl::portLabel() const
{
    return QStringLiteral("Com%1 (%2)").arg(m_comm->commPort()).arg(pathLabel());
}
