#include "session/porttips.h"

#include "session/refusalwords.h"
#include "serialdevice/devicewatch.h"
#include "serialdevice/mscomm.h"
#include "serialdevice/portmap.h"
#include "serialdevice/portscanner.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

constexpr int mapLineCount = 6;
constexpr int firstReadDelayMs = 100;  // after the window's first frame

// ModemManager's port hints, in the words of a user.
struct RoleWords
{
    PortIdentity::Role role;
    const char *words;
};
const RoleWords roleWords[] = {
    {PortIdentity::AtPrimary, QT_TRANSLATE_NOOP("PortTips", "AT commands")},
    {PortIdentity::AtSecondary, QT_TRANSLATE_NOOP("PortTips", "AT commands (secondary)")},
    {PortIdentity::AtPpp, QT_TRANSLATE_NOOP("PortTips", "AT commands and data (PPP)")},
    {PortIdentity::Gps, QT_TRANSLATE_NOOP("PortTips", "GPS (NMEA)")},
    {PortIdentity::Qcdm, QT_TRANSLATE_NOOP("PortTips", "diagnostics (QCDM), no AT commands")},
    {PortIdentity::Audio, QT_TRANSLATE_NOOP("PortTips", "audio, no AT commands")},
};

QStringList rolesOf(const PortIdentity &identity)
{
    QStringList roles;
    for (const RoleWords &role : roleWords) {
        if (identity.roles & role.role)
            roles << PortTips::tr(role.words);
    }
    return roles;
}

} // namespace

PortTips::PortTips(MSComm *comm, PortScanner *scanner, QComboBox *combo1, QTextEdit *text1, QObject *parent)
    : QObject(parent), m_comm(comm), m_scanner(scanner), m_combo1(combo1), m_text1(text1)
{
    combo1->view()->installEventFilter(this);
    connect(scanner, &PortScanner::scanned, this, &PortTips::show);
    connect(new DeviceWatch(this), &DeviceWatch::changed, scanner, &PortScanner::request);
    // The window first, then the system.
    m_firstRead.setSingleShot(true);
    m_firstRead.setInterval(firstReadDelayMs);
    connect(&m_firstRead, &QTimer::timeout, scanner, &PortScanner::request);
    m_firstRead.start();
    showMap(nullptr);  // the links and --port at once; the modems with the scan
}

QStringList PortTips::describe(const PortIdentity &identity)
{
    QStringList lines;
    if (!identity.present)
        return {tr("Not there now.")};
    if (identity.isUsb()) {
        QString usb = identity.name().isEmpty() ? tr("A USB device") : identity.name();
        if (!identity.serialNumber.isEmpty())
            usb += tr(", serial number %1").arg(identity.serialNumber);
        lines << usb;
        QString ids = tr("USB %1:%2").arg(identity.vendorId, identity.productId);
        if (!identity.interfaceNumber.isEmpty())
            ids += tr(", interface %1").arg(identity.interfaceNumber);
        lines << ids;
    }
    if (!identity.byId.isEmpty())
        lines << identity.byId;
    if (identity.roles)
        lines << tr("For: %1").arg(rolesOf(identity).join(QLatin1String("; ")));
    if (lines.isEmpty())
        lines << tr("There now.");
    return lines;
}

QString PortTips::tipFor(int port, const PortScan::Port &scanned) const
{
    const QString device = scanned.name.path;
    QStringList lines;
    if (m_comm->isPointed(port)) {
        lines << tr("Com%1 is %2 for this run (--port).").arg(port).arg(device);
    } else if (device != PortMap::fixedDevice(port)) {  // an entry of the port folder
        const QFileInfo entry(device);
        lines << tr("Com%1 is %2, through the link %3.")
                     .arg(port)
                     .arg(scanned.name.node != device ? scanned.name.node : entry.symLinkTarget(), device);
    } else {
        lines << tr("Com%1 is %2.").arg(port).arg(device);
    }
    lines << describe(scanned.identity);
    if (m_comm->portOpen() && m_comm->commPort() == port)
        lines << tr("Connected here.");
    else if (!scanned.openers.empty())  // never the modem's own end
        lines << tr("Open in %1.").arg(RefusalWords::who(scanned.openers.front()));
    return lines.join(u'\n');
}

QString PortTips::presentNow(const PortScan &scan)
{
    QStringList atPorts;
    QStringList others;
    for (int port = 1; port <= int(scan.ports.size()); ++port) {
        const PortIdentity &identity = scan.port(port)->identity;
        if (!identity.present)
            continue;
        if (!identity.takesAtCommands()) {
            others << QStringLiteral("Com%1").arg(port);
            continue;
        }
        QStringList about{identity.name(), rolesOf(identity).constFirst()};
        about.removeAll(QString());
        atPorts << QStringLiteral("Com%1 (%2)").arg(port).arg(about.join(QLatin1String(", ")));
    }
    if (atPorts.isEmpty() && others.isEmpty())
        return tr("No port leads to a device that is there now.");
    return tr("Present now: %1.").arg((atPorts + others).join(QLatin1String(", ")));
}

QStringList PortTips::mapLines(const PortScan *scan) const
{
    QStringList lines;
    for (int port = 1; scan && port <= int(scan->ports.size()); ++port) {
        const PortIdentity &identity = scan->port(port)->identity;
        if (identity.takesAtCommands())
            lines << QStringLiteral("Com%1 %2: AT").arg(port).arg(identity.name());
    }
    for (int port = 1; port <= PortMap::portCount; ++port) {
        const QString device = m_comm->deviceOf(port);
        if (m_comm->isPointed(port))
            lines << QStringLiteral("Com%1 %2 (--port)").arg(port).arg(device);
        else if (device != PortMap::fixedDevice(port))
            lines << QStringLiteral("Com%1 -> %2").arg(port).arg(QFileInfo(device).symLinkTarget());
    }
    QList<QStringList> items;
    for (const QString &family : PortMap::familyLines())
        items << QStringList{family};
    items << PortMap::linkLines();
    for (const QStringList &item : items) {
        if (lines.size() + item.size() <= mapLineCount)
            lines += item;
    }
    return lines.mid(0, mapLineCount);
}

void PortTips::show()
{
    const auto scan = m_scanner->latest();
    if (!scan)
        return;
    for (int i = 0; i < m_combo1->count(); ++i) {
        const int port = m_combo1->itemData(i).toInt();
        const PortScan::Port *scanned = scan->port(port);
        if (!scanned)
            continue;
        const QString tip = tipFor(port, *scanned);
        m_combo1->setItemData(i, tip, Qt::ToolTipRole);
        m_combo1->setItemData(i, tip, Qt::AccessibleDescriptionRole);
    }
    showMap(scan.get());
}

void PortTips::showMap(const PortScan *scan)
{
    // Each line fits the box, a long path shortened in its middle.
    QStringList lines = mapLines(scan);
    const int width = m_text1->contentsRect().width() - 2 * int(m_text1->document()->documentMargin());
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
    if (event->type() == QEvent::Show) {
        show();  // what is known now; the scan asked for updates it
        m_scanner->request();
    }
    return QObject::eventFilter(watched, event);
}
