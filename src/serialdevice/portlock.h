#pragma once
// Who else holds a serial device, by every convention in use on Linux: a
// lock file in the lock folders, in Qt's form (the process number on the
// first line) or UUCP's (the number in ten ASCII digits, or four binary
// bytes, as pppd, minicom and others write it), or an flock on the device
// itself (picocom, tio). A lock file is stale only once its process is gone,
// whatever its age. While we hold a device we hold an flock on it too.

#include <QString>
#include <optional>

namespace PortLock {

struct Holder
{
    Holder(qint64 pid, const QString &program, const QString &how, bool justNow = false,
           const QString &problem = QString())
        : pid(pid), program(program), how(how), justNow(justNow), problem(problem)
    {
    }
    qint64 pid = 0;   // 0: a lock file that names no process
    QString program;  // as the system knows the process, where it can tell
    QString how;      // the lock file, "flock", or "open"
    bool justNow = false;  // it took the device while we were taking it
    // Set where what is in the way is not a holder: a lock file that is not
    // a regular file, or a stale one we may not remove.
    QString problem;
    QString describe() const;
    // True where the user may remove the lock file that is in the way.
    bool strayFile() const { return pid == 0 && how.startsWith(QLatin1Char('/')) && problem.isEmpty(); }
};

// The live holder of a lock file for `device`. A stale one is removed, so
// that the port can be locked anew; one that another program writes while
// we look is never the one removed. A lock file that is not a regular file
// is never opened in a way that could block.
std::optional<Holder> lockFileHolder(const QString &device);

// Takes an flock on the open device `fd`; the holder if another program has
// one. Ours goes when the device is closed.
std::optional<Holder> takeFlock(int fd, const QString &device);

// A process that has the device open, as far as the system lets us see
// (for a device opened exclusively, that no lock file or flock names).
std::optional<Holder> openedBy(const QString &device);

// Another program that has the device open as well, once we have it:
// never the program at the far end of a pseudo-terminal.
std::optional<Holder> sharedBy(const QString &device);

// Why `device` is a terminal but no serial line (the terminal of whatever
// opens /dev/tty, a console, a program's own terminal); empty otherwise.
QString notASerialLine(const QString &device);

// Why Qt's serial port could not make its own lock file for `device`, in
// the words of what failed: which folder, which file, whose.
QString qtLockFailure(const QString &device);

} // namespace PortLock
