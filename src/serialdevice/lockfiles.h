#pragma once
// The lock files in the lock folders, in every form in use on Linux: Qt's
// (the process number on the first line) and UUCP's (the number in ten
// ASCII digits, or four binary bytes, as pppd, minicom and others write
// it). A lock file is stale only once its process is gone, whatever its
// age; then it is removed, so that the port can be locked anew.

#include "serialdevice/devicename.h"
#include "serialdevice/refusal.h"

namespace LockFiles {

// What a lock file for `device` says against opening it: its live holder,
// or a lock file in the way. One that another program writes while we look
// is never the one removed; one that is not a regular file is never opened
// in a way that could block.
Refusal against(const DeviceName &device);

// Why Qt's serial port could not make its own lock file for `device`:
// which folder, which file, whose.
Refusal qtLockFailure(const DeviceName &device);

} // namespace LockFiles
