#pragma once
// Terminals that are no serial line: the terminal of whatever opens
// /dev/tty, the consoles, a pseudo-terminal's master side, and a terminal
// that a program runs in (its shell, its login). Opening one as a modem's
// line would change its settings under that program, and "Status?" would
// type AT into it.

#include "serialdevice/devicename.h"
#include "serialdevice/refusal.h"

class ProcessTable;

namespace TerminalKind {

// Why `device` is no serial line; a refusal of no kind otherwise. `known`,
// an earlier look at the processes, spares reading them all again.
Refusal notASerialLine(const DeviceName &device, const ProcessTable *known = nullptr);

} // namespace TerminalKind
