#include "session/porttips.h"

#include "serialdevice/devicewatch.h"
#include "serialdevice/mscomm.h"
#include "serialdevice/portlock.h"
#include "serialdevice/portmap.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

constexpr int portCount = 15;
constexpr int mapLineCount = 6;
constexpr int firstReadDelayMs = 100;  // after the window's first frame

// What ports 1 to 15 lead to now, read once for all that show it.
std::vector<PortIdentity> identitiesNow(const MSComm *comm)
{
    std::vector<PortIdentity> identities;
    for (int port = 1; port <= portCount; ++port)
        identities.push_back(PortIdentity::of(comm->deviceOf(port)));
    return identities;
}

} // namespace

PortTips::PortTips(MSComm *comm, QComboBox *combo1, QTextEdit *text1, QObject *parent)
    : QObject(parent), m_comm(comm), m_combo1(combo1), m_text1(text1)
{
    combo1->view()->installEventFilter(this);
    connect(new DeviceWatch(this), &DeviceWatch::changed, this, &PortTips::refresh);
    // The window first, then the device database.
    m_firstRead.setSingleShot(true);
    m_firstRead.setInterval(firstReadDelayMs);
    connect(&m_firstRead, &QTimer::timeout, this, &PortTips::refresh);
    m_firstRead.start();
}

QString PortTips::tipFor(int port, const PortIdentity &identity) const
{
    const QString device = m_comm->deviceOf(port);
    QStringList lines;
    if (m_comm->isPointed(port)) {
        lines << tr("Com%1 is %2 for this run (--port).").arg(port).arg(device);
    } else if (device != PortMap::fixedDevice(port)) {  // an entry of the port folder
        const QFileInfo entry(device);
        const QString target = entry.canonicalFilePath();
        lines << tr("Com%1 is %2, through the link %3.")
                     .arg(port)
                     .arg(target.isEmpty() ? entry.symLinkTarget() : target, device);
    } else {
        lines << tr("Com%1 is %2.").arg(port).arg(device);
    }
    lines << identity.describe();
    if (m_comm->portOpen() && m_comm->commPort() == port)
        lines << tr("Connected here.");
    else if (identity.present) {
        if (const auto holder = PortLock::sharedBy(device))  // not the modem's own end
            lines << tr("Open in %1 (process %2).").arg(holder->program).arg(holder->pid);
    }
    return lines.join(u'\n');
}

QString PortTips::presentNow(const MSComm *comm)
{
    QStringList atPorts;
    QStringList others;
    const std::vector<PortIdentity> identities = identitiesNow(comm);
    for (int port = 1; port <= portCount; ++port) {
        const PortIdentity &identity = identities[size_t(port - 1)];
        if (!identity.present)
            continue;
        if (!identity.takesAtCommands()) {
            others << QStringLiteral("Com%1").arg(port);
            continue;
        }
        QStringList about{identity.name(), identity.roles.constFirst()};
        about.removeAll(QString());
        atPorts << QStringLiteral("Com%1 (%2)").arg(port).arg(about.join(QLatin1String(", ")));
    }
    if (atPorts.isEmpty() && others.isEmpty())
        return tr("No port leads to a device that is there now.");
    return tr("Present now: %1.").arg((atPorts + others).join(QLatin1String(", ")));
}

QStringList PortTips::mapLines(const std::vector<PortIdentity> &identities) const
{
    QStringList modems;
    QStringList pointed;
    for (int port = 1; port <= portCount; ++port) {
        const QString device = m_comm->deviceOf(port);
        const PortIdentity &identity = identities[size_t(port - 1)];
        if (identity.takesAtCommands())
            modems << QStringLiteral("Com%1 %2: AT").arg(port).arg(identity.name());
        if (m_comm->isPointed(port))
            pointed << QStringLiteral("Com%1 %2 (--port)").arg(port).arg(device);
        else if (device != PortMap::fixedDevice(port))
            pointed << QStringLiteral("Com%1 -> %2").arg(port).arg(QFileInfo(device).symLinkTarget());
    }
    return (modems + pointed + PortMap::familyLines()).mid(0, mapLineCount);
}

void PortTips::refresh()
{
    const std::vector<PortIdentity> identities = identitiesNow(m_comm);
    for (int i = 0; i < m_combo1->count(); ++i) {
        const int port = m_combo1->itemData(i).toInt();
        const QString tip = tipFor(port, identities[size_t(port - 1)]);
        m_combo1->setItemData(i, tip, Qt::ToolTipRole);
        m_combo1->setItemData(i, tip, Qt::AccessibleDescriptionRole);
    }
    // Each line fits the box, a long path shortened in its middle.
    QStringList lines = mapLines(identities);
    const int width = m_text1->viewport()->width() - 2 * int(m_text1->document()->documentMargin());
    for (QString &line : lines)
        line = m_text1->fontMetrics().elidedText(line, Qt::ElideMiddle, width);
    const QString text = lines.join(u'\n');
    if (text == m_text1->toPlainText())
        return;
    // Replaced in place, so that the lines keep the box's spacing.
    QTextCursor all(m_text1->document());
    all.select(QTextCursor::Document);
    all.insertText(text);
}

bool PortTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show)
        refresh();
    return QObject::eventFilter(watched, event);
}
