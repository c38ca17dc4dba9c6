#include "serialdevice/portmap.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace PortMap {

QString device(int port)
{
    QString configured = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1Char('/') + linkFolder + QStringLiteral("/com%1").arg(port);
    // A dangling link still names the port the user chose: opening it then
    // fails and says so, rather than quietly opening a fixed device instead.
    const QFileInfo entry(configured);
    if (entry.exists() || entry.isSymLink())
        return configured;
    return fixedDevice(port);
}

QStringList familyLines()
{
    QStringList lines;
    for (const PortFamilies::Family &family : PortFamilies::families) {
        lines << QStringLiteral("Com%1-%2").arg(family.first).arg(family.last).leftJustified(9)
                + QStringLiteral("%1%2-%3").arg(QLatin1String(family.prefix)).arg(0).arg(family.last - family.first);
    }
    return lines;
}

QStringList linkLines()
{
    return {QStringLiteral("Any other: a link named"), QStringLiteral("~/.config/%1/comN").arg(linkFolder)};
}

QString fixedDevice(int port)
{
    for (const PortFamilies::Family &family : PortFamilies::families) {
        if (port >= family.first && port <= family.last)
            return QString::fromLatin1(family.prefix) + QString::number(port - family.first);
    }
    return QString();  // no such port
}

std::optional<LeftLink> leftBySimulator(const QString &link)
{
    const QFileInfo entry(link);
    const QString record = entry.path() + QStringLiteral("/.") + entry.fileName() + QStringLiteral(".sim");
    const int fd = ::open(QFile::encodeName(record).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;  // not a simulator's link
    char text[256] = {};
    const ssize_t length = ::read(fd, text, sizeof text - 1);
    // Shared, so that it never holds a running simulator up; taken at once
    // only where nobody holds the record.
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    // "vexmo-modem-sim PID DEVICE"
    const QList<QByteArray> words = QByteArray(text, qMax<ssize_t>(length, 0)).trimmed().split(' ');
    const QString device = words.size() == 3 ? QFile::decodeName(words.at(2)) : QString();
    if (held && device == entry.symLinkTarget())
        return std::nullopt;
    return LeftLink{words.size() == 3 ? words.at(1).toLongLong() : 0, entry.symLinkTarget()};
}

} // namespace PortMap
