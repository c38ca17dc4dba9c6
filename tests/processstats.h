#pragma once
// What this process uses, as the tests and the benchmark read it.

namespace ProcessStats {

double cpuSeconds();  // user and system time so far
// The calling thread's own time so far, in ms: how long the window was
// busy, whatever else the machine does meanwhile.
double threadCpuMs();
// The calling thread's time so far waiting for a core, in ms: taken away
// from a wait on the wall clock, what is left is the thread's own, running
// or blocked, whatever else the machine runs.
double threadQueuedMs();
double residentMb();  // resident set size
int openFds();        // open file descriptors

} // namespace ProcessStats
