#pragma once

#include <string>
#include <vector>

// Process and memory helpers of the benchmarks. They call the system
// directly: a benchmark measures the program from outside.
namespace bench {

// Seconds on the monotonic clock since an arbitrary start.
double nowSeconds();

// The processor time this process has used so far (user and system), in seconds.
double processCpuSeconds();

// This process's peak resident memory so far, in KiB (VmHWM).
long peakMemoryKb();

struct Spawned {
    bool ok = false; // started, and exited with status 0
    int status = -1; // exit status, or -1 when it did not exit normally
    double seconds = 0; // from just before the start to the end of the wait
    std::string output; // standard output, when captured
};

// Runs a program to its end, standard input on /dev/null, standard output
// captured (or sent to /dev/null), standard error passed through (or sent to
// /dev/null when quiet).
Spawned spawnAndWait(const std::vector<std::string>& argv, bool captureOutput, bool quietErrors = false);

// The median of the values (the mean of the two middle ones for an even count).
double median(std::vector<double> values);

} // namespace bench
