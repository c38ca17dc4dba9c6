#pragma once
// What this process uses, as the tests and the benchmark read it.

namespace ProcessStats {

double cpuSeconds();  // user and system time so far
double residentMb();  // resident set size
int openFds();        // open file descriptors

} // namespace ProcessStats
