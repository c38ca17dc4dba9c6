#include "serialdevice/lockfiles.h"

#include "serialdevice/processtable.h"

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
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LockFiles {

namespace {

// Where programs put their lock files, as Qt's serial port looks for them.
QStringList lockFolders()
{
    return {QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"), QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"), QStringLiteral("/tmp"), QStringLiteral("/var/tmp"),
            QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock"),
            QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
}

// LCK.. and the node's name below /dev with "/" as "_" (Qt, lockdev), its
// last part alone (as some write it), and the kernel's name of the device
// where the node is reached through a link of that name.
QStringList lockNames(const DeviceName &device)
{
    QString below = device.node.startsWith(QLatin1String("/dev/")) ? device.node.mid(5) : device.node;
    QStringList names{QStringLiteral("LCK..") + below.replace(QLatin1Char('/'), QLatin1Char('_'))};
    for (const QString &name : {QFileInfo(device.node).fileName(), QString(device.kernelName).replace(u'/', u'_')}) {
        if (!names.contains(QStringLiteral("LCK..") + name))
            names << QStringLiteral("LCK..") + name;
    }
    return names;
}

// The process number a lock file holds: four binary bytes, or ASCII digits
// first on its first line; 0 when it holds none. Four bytes with a NUL are
// binary: no process number fills the high byte, while text holds no NUL.
// Their first bytes may well read as digits ("12\0\0" is process 12849).
qint64 pidIn(const QByteArray &bytes)
{
    if (bytes.size() == 4 && bytes.contains('\0')) {
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

QString ownerOf(uid_t uid)
{
    const passwd *user = ::getpwuid(uid);
    return user ? QString::fromLocal8Bit(user->pw_name) : QString::number(uid);
}

QString ownerOf(const QString &path)
{
    struct stat node = {};
    ::stat(QFile::encodeName(path).constData(), &node);
    return ownerOf(node.st_uid);
}

// The process number in the lock file open as `fd`, read from its start.
qint64 pidInFile(int fd)
{
    char bytes[256];
    const ssize_t size = ::pread(fd, bytes, sizeof bytes, 0);
    return size > 0 ? pidIn(QByteArray(bytes, int(size))) : 0;
}

// A lock file that another process holds open with an flock, as Qt's own
// lock files are held: it is live whatever it holds yet. -1 where the
// holder is not known.
qint64 flockedBy(int fd, const QString &path)
{
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        ::flock(fd, LOCK_UN);
        return 0;
    }
    if (errno != EWOULDBLOCK)
        return 0;
    const auto file = FileId::of(path);
    const qint64 pid = file ? ProcessTable::flockHolderNow(*file) : 0;
    return pid > 0 ? pid : -1;
}

Refusal held(qint64 pid, const QString &path, bool justNow)
{
    return Refusal::heldBy(
        Holder(pid, pid > 0 ? ProcessTable::programOf(pid) : QString(), Holder::Claim::LockFile, path, justNow));
}

// Removes the stale lock file `path`, whose process is gone. It is moved
// aside first and read again there: a lock that another program wrote
// meanwhile is put back, and is the holder.
Refusal removeStale(const QString &path)
{
    const QString aside = path + QStringLiteral(".stale.%1").arg(QCoreApplication::applicationPid());
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0) {
        const int error = errno;
        if (error == ENOENT)
            return Refusal();  // gone already
        Refusal refusal = Refusal(Refusal::Kind::LockFileStale, path, error);
        refusal.owner = ownerOf(path);
        return refusal;
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
        return held(live ? pid : std::max<qint64>(flocked, 0), path, true);
    }
    ::unlink(QFile::encodeName(aside).constData());
    return Refusal();
}

// What the lock file `path` says, if it is in the way.
Refusal holderOf(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat node = {};
    if (::lstat(name.constData(), &node) != 0)
        return Refusal();
    // A FIFO would block an open for reading; a link could lead anywhere.
    if (!S_ISREG(node.st_mode))
        return Refusal(Refusal::Kind::LockFileNotAFile, path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Refusal() : Refusal(Refusal::Kind::LockFileUnreadable, path, errno);
    const qint64 pid = pidInFile(fd);
    const qint64 flocked = flockedBy(fd, path);
    ::close(fd);
    if (pid == QCoreApplication::applicationPid())
        return Refusal();  // our own, from before
    if (pid > 0 && isAlive(pid))
        return held(pid, path, false);
    if (flocked != 0)  // being written by its owner as we read it
        return held(std::max<qint64>(flocked, 0), path, true);
    if (pid == 0)
        return Refusal(Refusal::Kind::LockFileOfNobody, path);
    return removeStale(path);
}

} // namespace

Refusal against(const DeviceName &device)
{
    for (const QString &folder : lockFolders()) {
        for (const QString &name : lockNames(device)) {
            if (Refusal refusal = holderOf(QDir(folder).filePath(name)))
                return refusal;
        }
    }
    return Refusal();
}

Refusal qtLockFailure(const DeviceName &device)
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
    if (path.isEmpty()) {
        Refusal refusal(Refusal::Kind::QtLockNoFolder);
        refusal.folders = lockFolders();
        return refusal;
    }
    if (QFileInfo(path).fileName().toLocal8Bit().size() > NAME_MAX)
        return Refusal(Refusal::Kind::QtLockNameTooLong, path);
    QLockFile lock(path);
    if (lock.tryLock(0)) {
        lock.unlock();
        return Refusal(Refusal::Kind::QtLockRace, path);
    }
    qint64 pid = 0;
    QString host;
    QString application;
    lock.getLockInfo(&pid, &host, &application);
    if (lock.error() != QLockFile::LockFailedError)
        return Refusal(Refusal::Kind::QtLockUnwritable, path);
    // A folder shared over the network: that process is not ours to ask.
    Refusal refusal(Refusal::Kind::QtLockLeft, path);
    refusal.pid = pid;
    if (!host.isEmpty() && host != QSysInfo::machineHostName()) {
        refusal.kind = Refusal::Kind::QtLockOtherHost;
        refusal.host = host;
        return refusal;
    }
    if (pid > 0 && isAlive(pid))
        return held(pid, path, true);
    refusal.owner = ownerOf(path);
    return refusal;
}

} // namespace LockFiles
