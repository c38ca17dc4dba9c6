// vexmo-modemmanager-ports: the serial ports ModemManager uses, a line each,
// the port's name and the modem's maker and model ("ttyUSB2\tQuectel
// EG25-G"), asked of ModemManager's object manager on the system bus.
//
// vexmo-at asks through this program, in a process of its own: Qt makes
// every bus connection of a process on one thread, so a bus that takes the
// connection but never answers would hold every later connection of the
// window, and its end. A process can simply be ended.
//
// Status 0 once the bus has answered (no line where ModemManager does not
// run), 1 where no system bus could be reached.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <cstdio>

namespace {

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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return 1;
    const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ModemManager1"), QStringLiteral("/org/freedesktop/ModemManager1"),
        QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("GetManagedObjects")));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;  // no ModemManager on this bus
    // a{oa{sa{sv}}}: each object, its interfaces, their properties.
    const auto objects = reply.arguments().constFirst().value<QDBusArgument>();
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
            if (interface != QLatin1String("org.freedesktop.ModemManager1.Modem"))
                continue;
            const QString modem = QStringList{properties.value(QStringLiteral("Manufacturer")).toString(),
                                              properties.value(QStringLiteral("Model")).toString()}
                                      .join(u' ')
                                      .simplified();
            for (const QString &port : portNames(properties.value(QStringLiteral("Ports"))))
                std::printf("%s\t%s\n", port.simplified().toUtf8().constData(), modem.toUtf8().constData());
        }
        objects.endMap();
        objects.endMapEntry();
    }
    objects.endMap();
    return 0;
}
