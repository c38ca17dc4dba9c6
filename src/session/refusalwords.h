#pragma once
// The words of every refusal to open a port, and of the programs that hold
// one: what the device part finds, said to the user.

#include "serialdevice/refusal.h"

#include <QString>

namespace RefusalWords {

// Why it could not be opened, after "ComN (...) could not be opened: ".
QString reason(const Refusal &refusal);
// What the user can do about it; empty where there is nothing to add.
QString hint(const Refusal &refusal);
// "sleep (process 12)", or "process 12" where its name is not known.
QString who(const Holder &holder);

} // namespace RefusalWords
