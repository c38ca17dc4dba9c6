#include "serialdevice/portlock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace PortLock {

namespace {

// Where programs put their lock files, as Qt's serial port looks for them.
QStringList lockFolders()
{
    return {QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"), QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"), QStringLiteral("/tmp"), QStringLiteral("/var/tmp"),
            QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock"),
            QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
}

// LCK.. and the device's name below /dev with "/" as "_" (Qt, lockdev), or
// its last part alone (as some write it).
QStringList lockNames(const QString &device)
{
    QString below = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    QStringList names{QStringLiteral("LCK..") + below.replace(QLatin1Char('/'), QLatin1Char('_'))};
    const QString last = QStringLiteral("LCK..") + QFileInfo(device).fileName();
    if (!names.contains(last))
        names << last;
    return names;
}

// The process number a lock file holds: four binary bytes, or ASCII digits
// first on its first line; 0 when it holds none.
qint64 pidIn(const QByteArray &bytes)
{
    if (bytes.size() == 4 && !bytes.trimmed().toLongLong()) {
        qint32 pid = 0;
        std::memcpy(&pid, bytes.constData(), sizeof pid);
        return pid > 0 ? pid : 0;
    }
    bool ok = false;
    const qint64 pid = bytes.trimmed().split('\n').value(0).simplified().split(' ').value(0).toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool isAlive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QString programOf(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
}

// The process with an flock on the file `device` is, as /proc/locks lists it:
// "1: FLOCK  ADVISORY  WRITE 1234 00:19:7 0 EOF".
qint64 flockHolder(const QString &device)
{
    struct stat node = {};
    if (::stat(QFile::encodeName(device).constData(), &node) != 0)
        return 0;
    const QByteArray file = QStringLiteral("%1:%2:%3")
                                .arg(major(node.st_dev), 2, 16, QLatin1Char('0'))
                                .arg(minor(node.st_dev), 2, 16, QLatin1Char('0'))
                                .arg(quint64(node.st_ino))
                                .toLatin1();
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields.at(1) == "FLOCK" && fields.at(5) == file)
            return fields.at(4).toLongLong();
    }
    return 0;
}

} // namespace

QString Holder::describe() const
{
    if (pid == 0 && how == QLatin1String("flock"))
        return QCoreApplication::translate("PortLock", "another program holds an flock on it");
    if (pid == 0)
        return QCoreApplication::translate("PortLock", "the lock file %1 is in the way, but names no running program")
            .arg(how);
    const QString who = program.isEmpty()
        ? QCoreApplication::translate("PortLock", "process %1").arg(pid)
        : QCoreApplication::translate("PortLock", "%1 (process %2)").arg(program).arg(pid);
    if (how == QLatin1String("flock"))
        return QCoreApplication::translate("PortLock", "%1 is using it (it holds an flock on the device)").arg(who);
    if (how == QLatin1String("open"))
        return QCoreApplication::translate("PortLock", "%1 is using it (it has the device open alone)").arg(who);
    return QCoreApplication::translate("PortLock", "%1 is using it (lock file %2)").arg(who, how);
}

std::optional<Holder> lockFileHolder(const QString &device)
{
    for (const QString &folder : lockFolders()) {
        for (const QString &name : lockNames(device)) {
            const QString path = QDir(folder).filePath(name);
            QFile lock(path);
            if (!lock.exists())
                continue;
            if (!lock.open(QIODevice::ReadOnly))
                return Holder{0, QString(), path};
            const qint64 pid = pidIn(lock.read(256));
            if (pid == QCoreApplication::applicationPid())
                continue;  // our own, from before
            if (pid > 0 && isAlive(pid))
                return Holder{pid, programOf(pid), path};
            if (pid == 0)
                return Holder{0, QString(), path};
            QFile::remove(path);  // its process is gone
        }
    }
    return std::nullopt;
}

std::optional<Holder> takeFlock(int fd, const QString &device)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
        return std::nullopt;  // ours now, or a device that takes no flock
    const qint64 pid = flockHolder(device);
    return Holder{pid, pid > 0 ? programOf(pid) : QString(), QStringLiteral("flock")};
}

std::optional<Holder> openedBy(const QString &device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toLongLong() <= 0 || pid.toLongLong() == QCoreApplication::applicationPid())
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() == target)
                return Holder{pid.toLongLong(), programOf(pid.toLongLong()), QStringLiteral("open")};
        }
    }
    return std::nullopt;
}

} // namespace PortLock
