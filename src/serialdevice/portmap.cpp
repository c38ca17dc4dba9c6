#include "serialdevice/portmap.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace PortMap {

const std::vector<Family> &families()
{
    static const std::vector<Family> table = {
        {1, 4, "/dev/ttyS"},
        {5, 8, "/dev/ttyUSB"},
        {9, 12, "/dev/ttyACM"},
        {13, 15, "/dev/rfcomm"},
    };
    return table;
}

QString device(int port)
{
    QString configured = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1Char('/') + linkFolder + QStringLiteral("/com%1").arg(port);
    // A dangling link still names the port the user chose: opening it then
    // fails and says so, rather than quietly opening a fixed device instead.
    const QFileInfo entry(configured);
    if (entry.exists() || entry.isSymLink())
        return configured;
    for (const Family &family : families()) {
        if (port >= family.first && port <= family.last)
            return QString::fromLatin1(family.prefix) + QString::number(port - family.first);
    }
    return QString();  // no such port
}

} // namespace PortMap
