#include "session/refusalwords.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstring>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString RefusalWords::held(const Holder &holder)
{
    if (holder.justNow && holder.program == QLatin1String("vexmo-at"))
        return tr("another vexmo-at (process %1) took it a moment ago").arg(holder.pid);
    if (holder.pid == 0 && holder.claim == Holder::Claim::LockFile)
        return tr("the lock file %1 is in the way, but names no running program").arg(holder.lockFile);
    if (holder.pid == 0)
        return tr("another program holds an flock on it");
    switch (holder.claim) {
    case Holder::Claim::Flock:
        return tr("%1 is using it (it holds an flock on the device)").arg(who(holder));
    case Holder::Claim::LockFile:
        return tr("%1 is using it (lock file %2)").arg(who(holder), holder.lockFile);
    case Holder::Claim::OpenAlone:
    case Holder::Claim::Open:
        break;
    }
    return tr("%1 is using it (it has the device open alone)").arg(who(holder));
}

QString RefusalWords::who(const Holder &holder)
{
    return holder.program.isEmpty() ? tr("process %1").arg(holder.pid)
                                    : tr("%1 (process %2)").arg(holder.program).arg(holder.pid);
}

QString RefusalWords::reason(const Refusal &r)
{
    using Kind = Refusal::Kind;
    switch (r.kind) {
    case Kind::None:
    case Kind::NeverOpened:
        return tr("no port was opened");
    case Kind::NoDevice:
    case Kind::OpenFailed:
        return r.detail.isEmpty() ? systemError(r.error) : r.detail;
    case Kind::LeftBySimulator:
        return tr("the link was left by a vexmo-modem-sim (process %1) that no longer runs, and %2 may now be "
                  "another program's terminal")
            .arg(r.pid)
            .arg(r.path);
    case Kind::LinkLoop:
        return tr("%1 leads round in a loop of links, or through more links than the system follows").arg(r.path);
    case Kind::PtyMaster:
        return tr("it is a pseudo-terminal's master side, not a serial device");
    case Kind::NotADevice:
        return tr("%1 is not a device").arg(r.path);
    case Kind::ProgramsOwnTerminal:
        return tr("%1 is the terminal of whichever program opens it, not a serial line").arg(r.path);
    case Kind::Console:
        return tr("%1 is a console of this computer, not a serial line").arg(r.path);
    case Kind::TerminalOfProgram:
        return tr("%1 is the terminal that %2 runs in, not a serial line").arg(r.path, who(*r.holder));
    case Kind::Held:
        return held(*r.holder);
    case Kind::ClaimedAlone:
        return tr("%1 is marked for one program's use alone; looking for the program that holds it").arg(r.path);
    case Kind::ClaimedByNobody: {
        if (r.others.empty())
            return tr("%1 is marked for one program's use alone, but no program this system shows has it open")
                .arg(r.path);
        QStringList openers;
        for (const Holder &holder : r.others)
            openers << who(holder);
        return (openers.size() == 1 ? tr("%1 is marked for one program's use alone, but no program says it holds it "
                                         "(none has a lock file or an flock on it); %2 has it open")
                                    : tr("%1 is marked for one program's use alone, but no program says it holds it "
                                         "(none has a lock file or an flock on it); %2 have it open"))
            .arg(r.path, openers.join(QLatin1String(", ")));
    }
    case Kind::ModemManagerAlone:
        return tr("ModemManager is using it alone, for %1").arg(r.detail.isEmpty() ? tr("a modem") : r.detail);
    case Kind::LockFileNotAFile:
        return tr("%1 is in the way: a lock file should be a regular file, and this is not").arg(r.path);
    case Kind::LockFileUnreadable:
        return tr("the lock file %1 is in the way and cannot be read (%2)").arg(r.path, systemError(r.error));
    case Kind::LockFileStale:
        return tr("the lock file %1 is stale, but it belongs to %2 and cannot be removed here (%3)")
            .arg(r.path, r.owner, systemError(r.error));
    case Kind::LockFileOfNobody:
        return tr("the lock file %1 is in the way, but names no running program").arg(r.path);
    case Kind::QtLockNoFolder:
        return tr("Qt's serial port could not lock it: %1").arg(tr("no lock folder can be written (%1)").arg(r.folders.join(QLatin1String(", "))));
    case Kind::QtLockNameTooLong:
        return tr("Qt's serial port could not lock it: %1").arg(tr("the name of its lock file is too long for the system (%1)").arg(r.path));
    case Kind::QtLockRace:
        return tr("Qt's serial port could not lock it: %1").arg(tr("its lock file %1 could not be made a moment ago; try again").arg(r.path));
    case Kind::QtLockUnwritable:
        return tr("Qt's serial port could not lock it: %1").arg(tr("its lock file %1 cannot be written in %2").arg(r.path, QFileInfo(r.path).path()));
    case Kind::QtLockOtherHost:
        return tr("Qt's serial port could not lock it: %1").arg(tr("its lock file %1 was made by process %2 on %3, another computer")
                          .arg(r.path)
                          .arg(r.pid)
                          .arg(r.host));
    case Kind::QtLockLeft:
        return tr("Qt's serial port could not lock it: %1").arg(tr("its lock file %1, left by process %2, belongs to %3 and cannot be replaced here")
                          .arg(r.path)
                          .arg(r.pid)
                          .arg(r.owner));
    case Kind::PermissionDenied:
        return tr("permission to open %1 was denied").arg(r.path);
    }
    return QString();
}

QString RefusalWords::hint(const Refusal &r)
{
    using Kind = Refusal::Kind;
    switch (r.kind) {
    case Kind::NoDevice:
        return tr("Is the modem plugged in and switched on?");
    case Kind::PermissionDenied:
        return tr("Join the 'dialout' group (sudo adduser $USER dialout), then log in again.");
    case Kind::LeftBySimulator:
        return tr("Start the simulator again, or remove the link.");
    case Kind::LinkLoop:
        return tr("Point the link straight at the device.");
    case Kind::NotADevice:
        return tr("It is not a serial device.");
    case Kind::ProgramsOwnTerminal:
    case Kind::Console:
    case Kind::TerminalOfProgram:
        return tr("Choose the serial device of the modem.");
    case Kind::Held:
        return r.holder->pid == 0 && r.holder->claim == Holder::Claim::LockFile
            ? tr("If no program uses the port, remove that file.")
            : tr("Close that program first, or choose another port.");
    case Kind::LockFileOfNobody:
        return tr("If no program uses the port, remove that file.");
    case Kind::LockFileNotAFile:
    case Kind::LockFileUnreadable:
    case Kind::LockFileStale:
        return tr("Remove that file, or ask the administrator to.");
    case Kind::QtLockNoFolder:
    case Kind::QtLockNameTooLong:
    case Kind::QtLockRace:
    case Kind::QtLockUnwritable:
    case Kind::QtLockOtherHost:
    case Kind::QtLockLeft:
        return tr("Remove that file if no program uses the port, or ask the administrator.");
    case Kind::ModemManagerAlone:
        return tr("Wait a few seconds and press Connect again, or keep ModemManager off this device "
                  "(see man vexmo-at).");
    case Kind::ClaimedByNobody:
        return tr("A program that ended while it had the port (a vexmo-at that was killed, say) leaves it so. The "
                  "claim ends once every program that has the device open closes it, or the device is unplugged.");
    case Kind::None:
    case Kind::NeverOpened:
    case Kind::PtyMaster:
    case Kind::OpenFailed:
    case Kind::ClaimedAlone:  // still looking
        break;
    }
    return QString();
}

