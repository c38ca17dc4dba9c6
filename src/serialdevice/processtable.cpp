#include "serialdevice/processtable.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct DirClose
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirClose>;

Dir openDir(const char *path)
{
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return Dir(fd >= 0 ? ::fdopendir(fd) : nullptr);
}

// The process numbers in /proc, each with /proc's own descriptor, so that
// their files are opened without looking /proc up again.
template <typename F> void forEachProcess(F &&f)
{
    const Dir proc = openDir("/proc");
    if (!proc)
        return;
    const qint64 self = QCoreApplication::applicationPid();
    while (const dirent *entry = ::readdir(proc.get())) {
        char *end = nullptr;
        const qint64 pid = std::strtoll(entry->d_name, &end, 10);
        if (pid > 0 && *end == '\0' && pid != self)
            f(::dirfd(proc.get()), pid);
    }
}

QByteArray readSmall(const QByteArray &path, int folder = AT_FDCWD)
{
    char text[512];
    const int fd = ::openat(folder, path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    const ssize_t length = ::read(fd, text, sizeof text);
    ::close(fd);
    return QByteArray(text, int(std::max<ssize_t>(length, 0)));
}

QByteArray procPath(qint64 pid, const char *rest)
{
    return "/proc/" + QByteArray::number(pid) + '/' + rest;
}

// The controlling terminal of `pid`, as a device number in /proc's own
// encoding; 0 for none.
quint64 terminalOf(int proc, qint64 pid)
{
    // "pid (comm) state ppid pgrp session tty_nr ...": comm may hold anything.
    const QByteArray stat = readSmall(QByteArray::number(pid) + "/stat", proc);
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(4).toULongLong();
}

bool isTerminal(quint64 terminal, dev_t number)
{
    const unsigned terminalMajor = (terminal >> 8) & 0xfff;
    const unsigned terminalMinor = (terminal & 0xff) | ((terminal >> 12) & 0xfff00);
    return terminal != 0 && terminalMajor == major(number) && terminalMinor == minor(number);
}

// Hands each descriptor of `pid` to f(folder, name, target).
template <typename F> void forEachDescriptor(qint64 pid, F &&f)
{
    const Dir fds = openDir(procPath(pid, "fd").constData());
    if (!fds)
        return;
    char target[64];
    while (const dirent *entry = ::readdir(fds.get())) {
        if (entry->d_name[0] == '.')
            continue;
        const ssize_t length = ::readlinkat(::dirfd(fds.get()), entry->d_name, target, sizeof target - 1);
        if (length <= 0)
            continue;
        target[length] = '\0';
        f(::dirfd(fds.get()), entry->d_name, target);
    }
}

// The character device a descriptor leads to, as /proc/PID/fd/N.
std::optional<FileId> characterDevice(int folder, const char *name)
{
    struct stat node = {};
    if (::fstatat(folder, name, &node, 0) != 0 || !S_ISCHR(node.st_mode))
        return std::nullopt;
    return FileId{node.st_dev, node.st_ino};
}

bool isMemoryDevice(const char *target)
{
    // /dev/null, /dev/zero, /dev/urandom and their kin: open everywhere,
    // never a serial line.
    for (const char *memory : {"/dev/null", "/dev/zero", "/dev/full", "/dev/random", "/dev/urandom"}) {
        if (std::strcmp(target, memory) == 0)
            return true;
    }
    return false;
}

} // namespace

std::optional<FileId> FileId::of(const QString &path)
{
    struct stat node = {};
    if (::stat(QFile::encodeName(path).constData(), &node) != 0)
        return std::nullopt;
    return FileId{node.st_dev, node.st_ino};
}

int ptyNumberOf(dev_t number)
{
    const unsigned majorNumber = major(number);
    return majorNumber >= 136 && majorNumber <= 143 ? int((majorNumber - 136) * 256 + minor(number)) : -1;
}

ProcessTable ProcessTable::read()
{
    ProcessTable table;
    forEachProcess([&](int proc, qint64 pid) {
        table.m_terminals.insert(pid, terminalOf(proc, pid));
        Process process;
        process.pid = pid;
        forEachDescriptor(pid, [&](int folder, const char *name, const char *target) {
            if (std::strncmp(target, "/dev/", 5) != 0 || isMemoryDevice(target))
                return;
            if (std::strcmp(target, "/dev/ptmx") == 0 || std::strcmp(target, "/dev/pts/ptmx") == 0) {
                // "tty-index:\t5" names the pseudo-terminal it is the master of.
                const QByteArray info = readSmall(procPath(pid, "fdinfo/") + name);
                const qsizetype at = info.indexOf("tty-index:");
                if (at >= 0)
                    process.masters.push_back(info.mid(at + 10).trimmed().split('\n').value(0).toInt());
            } else if (const auto device = characterDevice(folder, name)) {
                process.devices.push_back(*device);
            }
        });
        if (process.devices.empty() && process.masters.empty())
            return;
        process.program = programOf(pid);
        table.m_processes.push_back(std::move(process));
    });
    table.m_flocks = readFlocks();
    return table;
}

std::vector<const ProcessTable::Process *> ProcessTable::openers(const FileId &device, int ptyNumber) const
{
    std::vector<const Process *> found;
    for (const Process &process : m_processes) {
        const bool opened = std::find(process.devices.begin(), process.devices.end(), device) != process.devices.end();
        const bool farEnd = ptyNumber >= 0
            && std::find(process.masters.begin(), process.masters.end(), ptyNumber) != process.masters.end();
        if (opened && !farEnd)
            found.push_back(&process);
    }
    return found;
}

qint64 ProcessTable::flockHolder(const FileId &device) const
{
    const auto flock = std::find_if(m_flocks.begin(), m_flocks.end(),
                                    [&](const Flock &lock) { return lock.file == device; });
    return flock != m_flocks.end() ? flock->pid : 0;
}

qint64 ProcessTable::flockHolderNow(const FileId &device)
{
    ProcessTable table;
    table.m_flocks = readFlocks();
    return table.flockHolder(device);
}

std::vector<ProcessTable::Flock> ProcessTable::readFlocks()
{
    // "1: FLOCK  ADVISORY  WRITE 1234 00:19:7 0 EOF": the device in hex,
    // the inode in decimal.
    std::vector<Flock> flocks;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return flocks;
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields.at(1) != "FLOCK")
            continue;
        const QList<QByteArray> file = fields.at(5).split(':');
        if (file.size() != 3)
            continue;
        flocks.push_back({fields.at(4).toLongLong(),
                          FileId{makedev(file.at(0).toUInt(nullptr, 16), file.at(1).toUInt(nullptr, 16)),
                                 ino_t(file.at(2).toULongLong())}});
    }
    return flocks;
}

std::optional<ProcessTable::Process> ProcessTable::runningIn(const FileId &device, dev_t number,
                                                            const ProcessTable *known)
{
    std::optional<Process> found;
    forEachProcess([&](int proc, qint64 pid) {
        const auto seen = known ? known->m_terminals.constFind(pid) : QHash<qint64, quint64>::const_iterator();
        const bool wasSeen = known && seen != known->m_terminals.cend();
        if (found || (wasSeen && !isTerminal(*seen, number)) || !isTerminal(terminalOf(proc, pid), number))
            return;
        // The same number in another devpts instance is another terminal.
        bool opened = false;
        forEachDescriptor(pid, [&](int folder, const char *name, const char *) {
            opened = opened || characterDevice(folder, name) == device;
        });
        if (opened)
            found = Process{pid, programOf(pid), {device}, {}};
    });
    return found;
}

QString ProcessTable::programOf(qint64 pid)
{
    return QString::fromLocal8Bit(readSmall(procPath(pid, "comm")).trimmed());
}
