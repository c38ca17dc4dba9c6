#include "serialdevice/modemmanager.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QStringList>

namespace {

constexpr int answerWithinMs = 500;  // a bus that does not answer is no news

// A modem's "Ports", a(su): the port names and their types.
QStringList portNames(const QVariant &ports)
{
    QStringList names;
    const auto list = ports.value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString name;
        uint type = 0;
        list.beginStructure();
        list >> name >> type;
        list.endStructure();
        names << name;
    }
    list.endArray();
    return names;
}

} // namespace

namespace ModemManager {

std::optional<QString> modemUsing(const QString &device)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return std::nullopt;
    const QDBusMessage reply = bus.call(
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ModemManager1"),
                                       QStringLiteral("/org/freedesktop/ModemManager1"),
                                       QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                       QStringLiteral("GetManagedObjects")),
        QDBus::Block, answerWithinMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    // a{oa{sa{sv}}}: each object, its interfaces, their properties.
    const auto objects = reply.arguments().constFirst().value<QDBusArgument>();
    std::optional<QString> found;
    objects.beginMap();
    while (!objects.atEnd()) {
        QDBusObjectPath path;
        objects.beginMapEntry();
        objects >> path;
        objects.beginMap();
        while (!objects.atEnd()) {
            QString interface;
            QVariantMap properties;
            objects.beginMapEntry();
            objects >> interface >> properties;
            objects.endMapEntry();
            if (!found && interface == QLatin1String("org.freedesktop.ModemManager1.Modem")
                && portNames(properties.value(QStringLiteral("Ports"))).contains(name)) {
                const QString modem = QStringList{properties.value(QStringLiteral("Manufacturer")).toString(),
                                                  properties.value(QStringLiteral("Model")).toString()}
                                          .join(u' ')
                                          .trimmed();
                found = modem.isEmpty() ? QCoreApplication::translate("ModemManager", "a modem") : modem;
            }
        }
        objects.endMap();
        objects.endMapEntry();
    }
    objects.endMap();
    return found;
}

} // namespace ModemManager
