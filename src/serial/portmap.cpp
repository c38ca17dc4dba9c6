#include "serial/portmap.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace PortMap {

QString device(int port)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    QString configured = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/vexmo-at/ports/com%1").arg(port);
    // A dangling link still names the port the user chose: opening it then
    // fails and says so, rather than quietly opening a fixed device instead.
    const QFileInfo entry(configured);
    if (entry.exists() || entry.isSymLink())
        return configured;

    struct Family { int first; const char *prefix; };
    static constexpr Family families[] = {
        {1, "/dev/ttyS"}, {5, "/dev/ttyUSB"}, {9, "/dev/ttyACM"}, {13, "/dev/rfcomm"}};
    for (auto it = std::rbegin(families); it != std::rend(families); ++it) {
        if (port >= it->first)
            return QString::fromLatin1(it->prefix) + QString::number(port - it->first);
    }
    return QString();  // no such port
#endif
}

} // namespace PortMap
