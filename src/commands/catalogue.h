#pragma once
// The one-shot command buttons: for each, the fixed text of its line and
// the parameter box whose text completes it.

#include <vector>

namespace Catalogue {

struct Entry
{
    const char *button;
    const char *fixed;
    const char *parameterBox;  // nullptr: the line is the fixed text alone
    bool quoted;
};

const std::vector<Entry> &entries();

} // namespace Catalogue
