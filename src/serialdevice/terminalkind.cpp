#include "serialdevice/terminalkind.h"

#include "serialdevice/processtable.h"

#include <QFile>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace TerminalKind {

Refusal notASerialLine(const DeviceName &device, const ProcessTable *known)
{
    Refusal refusal(Refusal::Kind::None, device.node);
    struct stat node = {};
    if (::stat(QFile::encodeName(device.node).constData(), &node) != 0 || !S_ISCHR(node.st_mode))
        return refusal;
    const unsigned majorNumber = major(node.st_rdev);
    const unsigned minorNumber = minor(node.st_rdev);
    // /dev/ptmx, or an old BSD-style /dev/ptyXY: what is written there goes
    // to a new pseudo-terminal that nobody holds.
    if ((majorNumber == 5 && minorNumber == 2) || majorNumber == 2)
        refusal.kind = Refusal::Kind::PtyMaster;
    else if (majorNumber == 5 && minorNumber == 0)
        refusal.kind = Refusal::Kind::ProgramsOwnTerminal;
    else if ((majorNumber == 5 && minorNumber == 1) || (majorNumber == 4 && minorNumber < 64))
        refusal.kind = Refusal::Kind::Console;
    else if (const auto process = ProcessTable::runningIn(FileId{node.st_dev, node.st_ino}, node.st_rdev, known)) {
        refusal.kind = Refusal::Kind::TerminalOfProgram;
        refusal.holder = Holder(process->pid, process->program, Holder::Claim::Open);
    }
    return refusal;
}

} // namespace TerminalKind
