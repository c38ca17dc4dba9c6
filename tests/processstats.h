#pragma once
// What this process uses, as the tests and the benchmark read it.

namespace ProcessStats {

double cpuSeconds();  // user and system time so far
// The calling thread's own time so far, in ms: how long the window was
// busy, whatever else the machine does meanwhile.
double threadCpuMs();
double residentMb();  // resident set size
int openFds();        // open file descriptors

} // namespace ProcessStats
