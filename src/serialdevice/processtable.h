#pragma once
// One look at the system's processes as /proc shows them: each one's name,
// its controlling terminal, the character devices it has open and the
// pseudo-terminal masters it holds; and the flocks in /proc/locks. A file is
// known by its device and inode, never by its name: every devpts instance
// (a container's, a chroot's) has a /dev/pts/0. Reading it all takes long
// on a busy desktop, so it is read off the window's thread.

#include <QHash>
#include <QString>
#include <optional>
#include <sys/types.h>
#include <vector>

struct FileId
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId &other) const { return device == other.device && inode == other.inode; }
    // The file `path` leads to; nothing where there is none.
    static std::optional<FileId> of(const QString &path);
};

class ProcessTable
{
public:
    struct Process
    {
        qint64 pid = 0;
        QString program;
        std::vector<FileId> devices;  // character devices it has open
        std::vector<int> masters;     // the pseudo-terminals whose master it holds, by number
    };

    // Every process but this one, and every flock.
    static ProcessTable read();

    // The processes that have `device` open, but for one holding its master
    // side (the modem at the far end of a pseudo-terminal's line).
    std::vector<const Process *> openers(const FileId &device, int ptyNumber) const;
    // The process that holds the flock on `device`; 0 for none.
    qint64 flockHolder(const FileId &device) const;

    // Read now, each bounded by the processes there are rather than by the
    // files they have open:
    // the process with an flock on `device`, 0 for none;
    static qint64 flockHolderNow(const FileId &device);
    // a process whose controlling terminal `device` is (device number
    // `number`), and that has it open. Where `known` is an earlier look, a
    // process it saw is looked at again only if its terminal was that one
    // then: the processes that came since are all that is read afresh.
    static std::optional<Process> runningIn(const FileId &device, dev_t number, const ProcessTable *known = nullptr);
    // the name of process `pid`.
    static QString programOf(qint64 pid);

private:
    struct Flock
    {
        qint64 pid;
        FileId file;
    };
    static std::vector<Flock> readFlocks();

    std::vector<Process> m_processes;  // those with a device of interest open
    QHash<qint64, quint64> m_terminals;  // of every process: its controlling terminal, as /proc/PID/stat says
    std::vector<Flock> m_flocks;
};

// The number of the pseudo-terminal whose device number `number` is; -1 for
// another device.
int ptyNumberOf(dev_t number);
