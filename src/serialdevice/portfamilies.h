#pragma once
// The port numbers and the fixed device each one names: ComFirst to ComLast
// are prefix0, prefix1, and so on. Plain C++, as the simulated module
// reads it too.

#include <iterator>

namespace PortFamilies {

struct Family
{
    int first;
    int last;
    const char *prefix;
};

inline constexpr Family families[] = {
    {1, 4, "/dev/ttyS"},
    {5, 8, "/dev/ttyUSB"},
    {9, 12, "/dev/ttyACM"},
    {13, 15, "/dev/rfcomm"},
};

// Com1 to ComportCount.
inline constexpr int portCount = families[std::size(families) - 1].last;

} // namespace PortFamilies
