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
    qint64 pid = 0;   // 0: a lock file that names no process
    QString program;  // as the system knows the process, where it can tell
    QString how;      // the lock file, "flock", or "open"
    QString describe() const;
};

// The live holder of a lock file for `device`. A stale one is removed, so
// that the port can be locked anew.
std::optional<Holder> lockFileHolder(const QString &device);

// Takes an flock on the open device `fd`; the holder if another program has
// one. Ours goes when the device is closed.
std::optional<Holder> takeFlock(int fd, const QString &device);

// A process that has the device open, as far as the system lets us see
// (for a device opened exclusively, that no lock file or flock names).
std::optional<Holder> openedBy(const QString &device);

} // namespace PortLock
