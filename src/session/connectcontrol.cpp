#include "session/connectcontrol.h"

#include "session/porttips.h"
#include "session/refusalwords.h"
#include "serialdevice/modemmanager.h"
#include "serialdevice/mscomm.h"
#include "serialdevice/portscanner.h"
#include "widgets/notice.h"
#include "widgets/style.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>

ConnectControl::ConnectControl(MSComm *comm, PortScanner *scanner, ModemManager *modemManager, QComboBox *combo1,
                               QPushButton *command2, QPushButton *command3, Notice *notice, QObject *parent)
    : QObject(parent), m_comm(comm), m_scanner(scanner), m_modemManager(modemManager), m_combo1(combo1),
      m_command2(command2), m_notice(notice)
{
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    sayState();
    connect(command2, &QPushButton::clicked, this, &ConnectControl::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &ConnectControl::Command3_Click);
    connect(comm, &MSComm::linkLost, this, &ConnectControl::showLinkLost);
    connect(scanner, &PortScanner::scanned, this, &ConnectControl::showNews);
    connect(modemManager, &ModemManager::answered, this, &ConnectControl::showNews);
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
    m_elsewhere = ledElsewhere(port);
    m_waiting = Waiting();
    m_shown.clear();
    if (m_comm->setPortOpen(true)) {
        m_ledTo[port] = pathLabel();
        m_label = portLabel();
        m_refusal = Refusal();
        // Open, and green; but what else reads the line is worth knowing.
        m_waiting = {true, m_scanner->request(), m_modemManager->request()};
        sayState();
        showNews();
        return;
    }

    // Green would claim a link that is not there.
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    m_label = portLabel();
    m_refusal = m_comm->refusal();
    if (m_refusal.kind == Refusal::Kind::NoDevice)  // where devices are now
        m_waiting.scan = m_scanner->request();
    if (m_refusal.kind == Refusal::Kind::ClaimedAlone)
        m_waiting = {false, m_scanner->request(), m_modemManager->request()};
    m_shown = refusalNotice();
    sayState();
    m_notice->showAt(m_command2, m_shown);
}

void ConnectControl::sayState()
{
    // The colour says it on screen; a screen reader hears it.
    m_command2->setAccessibleDescription(m_comm->portOpen() ? tr("open") : tr("closed"));
}

void ConnectControl::Command3_Click()
{
    m_waiting = Waiting();
    if (!m_comm->portOpen())
        return;
    m_comm->setPortOpen(false);
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    sayState();
}

void ConnectControl::showNews()
{
    const bool scanned = m_waiting.scan && m_scanner->isAnswered(m_waiting.scan);
    const bool asked = m_waiting.modemManager && m_modemManager->isAnswered(m_waiting.modemManager);
    if (!scanned && !asked && !(m_waiting.opened && m_elsewhere.size()))
        return;
    // The answers are for the port as it was: one closed since, or opened
    // anew, has news of its own.
    if (m_waiting.opened && !m_comm->portOpen()) {
        m_waiting = Waiting();
        return;
    }
    // What a refusal learns later is said only while the refusal shows.
    if (!m_waiting.opened && !(m_notice->isVisible() && m_notice->text() == m_shown))
        return;
    if (scanned)
        m_waiting.scan = 0;
    if (asked)
        m_waiting.modemManager = 0;
    const QString text = m_waiting.opened ? openNotice() : refusalNotice();
    if (text.isEmpty() || text == m_shown)
        return;
    m_shown = text;
    m_notice->showAt(m_command2, text);
}

QString ConnectControl::openNotice() const
{
    QStringList news{m_elsewhere};
    const auto scan = m_scanner->latest();
    if (!m_waiting.modemManager) {
        if (const auto modem = m_modemManager->modemUsing(m_comm->lastDevice().kernelName)) {
            news << tr("ModemManager uses it too, for %1: it sends its own AT commands and takes replies, so some "
                       "answers may never show here. \"man vexmo-at\" shows how to keep it off this device.")
                        .arg(modem->isEmpty() ? tr("a modem") : *modem);
        }
    }
    if (!m_waiting.scan && scan) {
        if (const PortScan::Port *port = scan->port(m_comm->commPort()); port && !port->openers.empty())
            news << tr("%1 has it open too: each reply goes to whichever program reads it first.")
                        .arg(RefusalWords::who(port->openers.front()));
    }
    news.removeAll(QString());
    return news.isEmpty() ? QString() : tr("%1 is open.\n%2").arg(m_label, news.join(u'\n'));
}

QString ConnectControl::refusalNotice() const
{
    Refusal refusal = m_refusal;
    const auto scan = m_scanner->latest();
    const PortScan::Port *port = scan ? scan->port(m_comm->commPort()) : nullptr;
    // Who holds a device claimed alone: the program with its flock, once
    // the scan is in; else ModemManager, or none, once both have answered.
    if (refusal.kind == Refusal::Kind::ClaimedAlone && !m_waiting.scan && port
        && (port->flockHolder > 0 || !m_waiting.modemManager))
        refusal = PortScan::whoClaims(refusal, *port, m_modemManager->modemUsing(port->name.kernelName));
    QString text = tr("%1 could not be opened: %2.").arg(m_label, RefusalWords::reason(refusal));
    QStringList more{RefusalWords::hint(refusal), m_elsewhere};
    if (refusal.kind == Refusal::Kind::NoDevice && scan && !m_waiting.scan)
        more << PortTips::presentNow(*scan);
    more.removeAll(QString());
    for (const QString &line : more)
        text += QLatin1Char('\n') + line;
    return text;
}

void ConnectControl::showLinkLost(const QString &reason)
{
    // Named as it was opened: its link may be what went.
    Widgets::setBackColor(m_command2, Widgets::lightRed);
    sayState();
    m_waiting = Waiting();
    QString text = tr("The link to %1 was lost (%2); the port is closed.").arg(m_label, reason);
    const QString elsewhere = ledElsewhere(m_comm->commPort());
    text += QLatin1Char('\n')
        + (elsewhere.isEmpty() ? tr("Press Connect once the device is back.") : elsewhere);
    m_notice->showAt(m_command2, text);
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
