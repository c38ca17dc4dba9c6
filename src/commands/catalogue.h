#pragma once
// The one-shot command buttons: for each, the fixed text of its line and
// the parameter box whose text completes it.

#include "commands/commandcontrols.h"

#include <vector>

namespace Catalogue {

struct Entry
{
    QPushButton *CommandControls::*button;
    const char *fixed;
    QLineEdit *CommandControls::*parameterBox;  // nullptr: the line is the fixed text alone
    bool quoted;
};

const std::vector<Entry> &entries();

} // namespace Catalogue
