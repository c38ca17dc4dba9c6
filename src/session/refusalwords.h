#pragma once
// The words of every refusal to open a port, and of the programs that hold
// one: what the device part finds, said to the user.

#include "serialdevice/refusal.h"

#include <QCoreApplication>
#include <QString>

class RefusalWords
{
    Q_DECLARE_TR_FUNCTIONS(RefusalWords)

public:
    // Why it could not be opened, after "ComN (...) could not be opened: ".
    static QString reason(const Refusal &refusal);
    // What the user can do about it; empty where there is nothing to add.
    static QString hint(const Refusal &refusal);
    // "sleep (process 12)", or "process 12" where its name is not known.
    static QString who(const Holder &holder);

private:
    static QString held(const Holder &holder);
};
