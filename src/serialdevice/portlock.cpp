#include "serialdevice/portlock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
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

// Whether a process's descriptor (its /proc/PID/fd/N) is the file `node`:
// the same device and inode. A name or a device number does not tell, as
// every devpts instance (a container's, a chroot's) has a /dev/pts/0.
bool isSameFile(const QString &descriptor, const struct stat &node)
{
    struct stat opened = {};
    return ::stat(QFile::encodeName(descriptor).constData(), &opened) == 0 && opened.st_dev == node.st_dev
        && opened.st_ino == node.st_ino;
}

// Whether process `pid` has the file `node` open.
bool hasOpen(const QString &pid, const struct stat &node)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    const QStringList names = fds.entryList(QDir::System | QDir::NoDotAndDotDot);
    return std::any_of(names.cbegin(), names.cend(),
                       [&](const QString &fd) { return isSameFile(fds.filePath(fd), node); });
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


QString tr(const char *text)
{
    return QCoreApplication::translate("PortLock", text);
}

QString ownerOf(uid_t uid)
{
    const passwd *user = ::getpwuid(uid);
    return user ? QString::fromLocal8Bit(user->pw_name) : QString::number(uid);
}

// The process number in the lock file open as `fd`, read from its start.
qint64 pidInFile(int fd)
{
    char bytes[256];
    const ssize_t size = ::pread(fd, bytes, sizeof bytes, 0);
    return size > 0 ? pidIn(QByteArray(bytes, int(size))) : 0;
}

// A lock file that another process holds open with an flock, as Qt's own
// lock files are held: it is live whatever it holds yet.
qint64 flockedBy(int fd, const QString &path)
{
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        ::flock(fd, LOCK_UN);
        return 0;
    }
    if (errno != EWOULDBLOCK)
        return 0;
    const qint64 pid = flockHolder(path);
    return pid > 0 ? pid : -1;
}

// Removes the stale lock file `path`, whose process is gone. It is moved
// aside first and read again there: a lock that another program wrote
// meanwhile is put back, and is the holder.
std::optional<Holder> removeStale(const QString &path)
{
    const QString aside = path + QStringLiteral(".stale.%1").arg(QCoreApplication::applicationPid());
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0) {
        const int error = errno;
        if (error == ENOENT)
            return std::nullopt;  // gone already
        struct stat node = {};
        ::stat(QFile::encodeName(path).constData(), &node);
        return Holder{0, QString(), path, false,
                      tr("the lock file %1 is stale, but it belongs to %2 and cannot be removed here (%3)")
                          .arg(path, ownerOf(node.st_uid), QString::fromLocal8Bit(std::strerror(error)))};
    }
    const int fd = ::open(QFile::encodeName(aside).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    const qint64 pid = fd >= 0 ? pidInFile(fd) : 0;
    const qint64 flocked = fd >= 0 ? flockedBy(fd, aside) : 0;
    if (fd >= 0)
        ::close(fd);
    const bool live = pid > 0 && isAlive(pid);
    if (live || flocked != 0) {
        ::link(QFile::encodeName(aside).constData(), QFile::encodeName(path).constData());
        ::unlink(QFile::encodeName(aside).constData());
        const qint64 holder = live ? pid : std::max<qint64>(flocked, 0);
        return Holder{holder, holder > 0 ? programOf(holder) : QString(), path, true};
    }
    ::unlink(QFile::encodeName(aside).constData());
    return std::nullopt;
}

// Who holds the lock file `path`, if it is in the way.
std::optional<Holder> holderOf(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat node = {};
    if (::lstat(name.constData(), &node) != 0)
        return std::nullopt;
    // A FIFO would block an open for reading; a link could lead anywhere.
    const int fd = S_ISREG(node.st_mode) ? ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC) : -1;
    if (fd < 0 && S_ISREG(node.st_mode) && errno == ENOENT)
        return std::nullopt;
    if (fd < 0) {
        return Holder{0, QString(), path, false,
                      S_ISREG(node.st_mode)
                          ? tr("the lock file %1 is in the way and cannot be read (%2)")
                                .arg(path, QString::fromLocal8Bit(std::strerror(errno)))
                          : tr("%1 is in the way: a lock file should be a regular file, and this is not").arg(path)};
    }
    const qint64 pid = pidInFile(fd);
    const qint64 flocked = flockedBy(fd, path);
    ::close(fd);
    if (pid == QCoreApplication::applicationPid())
        return std::nullopt;  // our own, from before
    if (pid > 0 && isAlive(pid))
        return Holder{pid, programOf(pid), path};
    if (flocked != 0)  // being written by its owner as we read it
        return Holder{std::max<qint64>(flocked, 0), flocked > 0 ? programOf(flocked) : QString(), path, true};
    if (pid == 0)
        return Holder{0, QString(), path};
    return removeStale(path);
}

} // namespace

QString Holder::describe() const
{
    if (!problem.isEmpty())
        return problem;
    if (justNow && program == QLatin1String("vexmo-at"))
        return tr("another vexmo-at (process %1) took it a moment ago").arg(pid);
    if (pid == 0 && how == QLatin1String("flock"))
        return tr("another program holds an flock on it");
    if (pid == 0)
        return tr("the lock file %1 is in the way, but names no running program")
            .arg(how);
    const QString who = program.isEmpty()
        ? tr("process %1").arg(pid)
        : tr("%1 (process %2)").arg(program).arg(pid);
    if (how == QLatin1String("flock"))
        return tr("%1 is using it (it holds an flock on the device)").arg(who);
    if (how == QLatin1String("open"))
        return tr("%1 is using it (it has the device open alone)").arg(who);
    return tr("%1 is using it (lock file %2)").arg(who, how);
}

std::optional<Holder> lockFileHolder(const QString &device)
{
    for (const QString &folder : lockFolders()) {
        for (const QString &name : lockNames(device)) {
            const QString path = QDir(folder).filePath(name);
            if (auto holder = holderOf(path))
                return holder;
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
    // Of the programs that have it open (a simulated module holds the
    // other end of its own line), the one with the device's flock claimed
    // it: so claims vexmo-at, and so do picocom and tio.
    const qint64 flocker = flockHolder(device);
    if (flocker > 0 && flocker != QCoreApplication::applicationPid())
        return Holder{flocker, programOf(flocker), QStringLiteral("open")};
    struct stat node = {};
    if (::stat(QFile::encodeName(device).constData(), &node) != 0)
        return std::nullopt;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toLongLong() <= 0 || pid.toLongLong() == QCoreApplication::applicationPid())
            continue;
        if (hasOpen(pid, node))
            return Holder{pid.toLongLong(), programOf(pid.toLongLong()), QStringLiteral("open")};
    }
    return std::nullopt;
}

std::optional<Holder> sharedBy(const QString &device)
{
    // The far end of a pseudo-terminal (its master, in the program that
    // plays the modem) is no sharer: /proc/PID/fdinfo gives each master's
    // pty number.
    struct stat node = {};
    if (::stat(QFile::encodeName(device).constData(), &node) != 0)
        return std::nullopt;
    int ptyIndex = -1;
    if (S_ISCHR(node.st_mode) && major(node.st_rdev) >= 136 && major(node.st_rdev) <= 143)
        ptyIndex = int((major(node.st_rdev) - 136) * 256 + minor(node.st_rdev));
    const QByteArray masterLine = "tty-index:\t" + QByteArray::number(ptyIndex) + '\n';
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toLongLong() <= 0 || pid.toLongLong() == QCoreApplication::applicationPid())
            continue;
        bool opened = false;
        bool farEnd = false;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            opened = opened || isSameFile(fd.filePath(), node);
            if (ptyIndex >= 0 && fd.symLinkTarget().endsWith(QLatin1String("ptmx"))) {
                QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid, fd.fileName()));
                farEnd = farEnd || (info.open(QIODevice::ReadOnly) && info.readAll().contains(masterLine));
            }
        }
        if (opened && !farEnd)
            return Holder{pid.toLongLong(), programOf(pid.toLongLong()), QStringLiteral("open")};
    }
    return std::nullopt;
}

QString notASerialLine(const QString &device)
{
    struct stat node = {};
    if (::stat(QFile::encodeName(device).constData(), &node) != 0 || !S_ISCHR(node.st_mode))
        return QString();
    const unsigned majorNumber = major(node.st_rdev);
    const unsigned minorNumber = minor(node.st_rdev);
    if (majorNumber == 5 && minorNumber == 0)
        return tr("%1 is the terminal of whichever program opens it, not a serial line").arg(device);
    if ((majorNumber == 5 && minorNumber == 1) || (majorNumber == 4 && minorNumber < 64))
        return tr("%1 is a console of this computer, not a serial line").arg(device);
    // A terminal that a program runs in: its shell, its login.
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (pid.toLongLong() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid pgrp session tty_nr ...": comm may hold anything.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        const quint64 tty = fields.value(4).toULongLong();
        const unsigned ttyMajor = (tty >> 8) & 0xfff;
        const unsigned ttyMinor = (tty & 0xff) | ((tty >> 12) & 0xfff00);
        // The same number in another devpts instance is another terminal.
        if (tty != 0 && ttyMajor == majorNumber && ttyMinor == minorNumber && hasOpen(pid, node)) {
            return tr("%1 is the terminal that %2 (process %3) runs in, not a serial line")
                .arg(device, programOf(pid.toLongLong()), pid);
        }
    }
    return QString();
}

QString qtLockFailure(const QString &device)
{
    // Qt's serial port takes the first readable lock folder that holds the
    // file already or can be written, and locks LCK..name there.
    const QString name = lockNames(device).constFirst();
    QString path;
    for (const QString &folder : lockFolders()) {
        const QFileInfo info(folder);
        if (info.isReadable() && (QFile::exists(QDir(folder).filePath(name)) || info.isWritable())) {
            path = QDir(folder).filePath(name);
            break;
        }
    }
    if (path.isEmpty())
        return tr("no lock folder can be written (%1)").arg(lockFolders().join(QStringLiteral(", ")));
    if (QFileInfo(path).fileName().toLocal8Bit().size() > NAME_MAX)
        return tr("the name of its lock file is too long for the system (%1)").arg(path);
    QLockFile lock(path);
    if (lock.tryLock(0)) {
        lock.unlock();
        return tr("its lock file %1 could not be made a moment ago; try again").arg(path);
    }
    qint64 pid = 0;
    QString host;
    QString application;
    lock.getLockInfo(&pid, &host, &application);
    if (lock.error() != QLockFile::LockFailedError)
        return tr("its lock file %1 cannot be written in %2").arg(path, QFileInfo(path).path());
    // A folder shared over the network: that process is not ours to ask.
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return tr("its lock file %1 was made by process %2 on %3, another computer").arg(path).arg(pid).arg(host);
    if (pid > 0 && isAlive(pid))
        return Holder{pid, programOf(pid), path, true}.describe();
    struct stat node = {};
    ::stat(QFile::encodeName(path).constData(), &node);
    return tr("its lock file %1, left by process %2, belongs to %3 and cannot be replaced here")
        .arg(path).arg(pid).arg(ownerOf(node.st_uid));
}

} // namespace PortLock
