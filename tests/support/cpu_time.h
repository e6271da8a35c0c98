#pragma once

#include <sys/resource.h>

// User plus system CPU time of this process so far, in seconds: how tests and
// benchmarks tell a wait that sleeps from one that spins.
inline double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
