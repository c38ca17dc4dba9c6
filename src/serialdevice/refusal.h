#pragma once
// What kept a port from opening, as the device layer finds it: the kind of
// refusal and its particulars (the holder, the path, the system's error).
// The session layer puts it in words.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A program that holds a device, and how it says so.
struct Holder
{
    enum class Claim {
        LockFile,   // a lock file in the lock folders names it
        Flock,      // it holds an flock on the device
        OpenAlone,  // it has the device open, and the device is claimed alone
        Open,       // it has the device open as well
    };
    Holder(qint64 pid, const QString &program, Claim claim, const QString &lockFile = QString(), bool justNow = false)
        : pid(pid), program(program), claim(claim), lockFile(lockFile), justNow(justNow)
    {
    }
    qint64 pid = 0;   // 0: not known
    QString program;  // as the system knows the process, where it can tell
    Claim claim = Claim::Open;
    QString lockFile;      // for a lock file
    bool justNow = false;  // it took the device while we were taking it
};

struct Refusal
{
    enum class Kind {
        None,
        NeverOpened,
        NoDevice,             // the system's error: ENOENT, ENXIO, ENODEV
        LeftBySimulator,      // a link a killed simulator left: pid, path (where it leads)
        LinkLoop,             // path
        PtyMaster,            // a pseudo-terminal's master side
        NotADevice,           // path
        ProgramsOwnTerminal,  // /dev/tty: path
        Console,              // path
        TerminalOfProgram,    // path, holder: the program that runs in it
        Held,                 // holder
        ClaimedAlone,         // path: claimed for one program alone, by none a lock file or an flock names;
                              // who has it open is not known yet
        ClaimedByNobody,      // path, others: claimed alone, but no program that has it open claims it
        ModemManagerAlone,    // detail: the modem ModemManager uses it for
        LockFileNotAFile,     // path: the lock file
        LockFileUnreadable,   // path, error
        LockFileStale,        // path, owner, error: it could not be removed
        LockFileOfNobody,     // path: it names no process
        QtLockNoFolder,       // folders
        QtLockNameTooLong,    // path
        QtLockRace,           // path: it could not be made a moment ago
        QtLockUnwritable,     // path
        QtLockOtherHost,      // path, pid, host
        QtLockLeft,           // path, pid, owner: left by a process, not ours to replace
        PermissionDenied,     // path, error
        OpenFailed,           // error, or the serial port's own words in `detail`
    };
    Refusal() = default;
    explicit Refusal(Kind kind, const QString &path = QString(), int error = 0)
        : kind(kind), path(path), error(error)
    {
    }
    static Refusal heldBy(const Holder &holder)
    {
        Refusal refusal(Kind::Held);
        refusal.holder = holder;
        return refusal;
    }

    Kind kind = Kind::None;
    QString path;
    std::optional<Holder> holder;
    std::vector<Holder> others;  // programs that have it open but hold no claim
    int error = 0;  // errno
    qint64 pid = 0;
    QString owner;
    QString host;
    QStringList folders;
    QString detail;

    explicit operator bool() const { return kind != Kind::None; }
};
