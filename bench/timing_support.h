// What the timing benches share: the process's CPU time, the machine's
// load, and order statistics of a set of nanosecond figures.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

// CPU time of the whole process, every thread, user and system, in seconds.
inline double processCpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

// The load average where the system shows one (/proc/loadavg), so that the
// figures can be read against how busy the machine was.
inline void printMachineLoad(const char* when) {
    std::FILE* file = std::fopen("/proc/loadavg", "r");
    if (!file) return;
    char line[128] = {};
    if (std::fgets(line, sizeof line, file)) std::printf("load average %s: %s", when, line);
    std::fclose(file);
}

// Order statistics in milliseconds of figures in nanoseconds.
struct Spread {
    size_t count = 0;
    double min = 0, p50 = 0, p99 = 0, max = 0, mean = 0, stddev = 0;
};

inline Spread spreadOf(std::vector<int64_t> values) {
    Spread s;
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    auto at = [&](double fraction) {
        return static_cast<double>(values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))]) / 1e6;
    };
    s.count = values.size();
    s.min = at(0);
    s.p50 = at(0.5);
    s.p99 = at(0.99);
    s.max = at(1);
    double sum = 0, squares = 0;
    for (int64_t v : values) sum += static_cast<double>(v) / 1e6;
    s.mean = sum / static_cast<double>(values.size());
    for (int64_t v : values) {
        const double d = static_cast<double>(v) / 1e6 - s.mean;
        squares += d * d;
    }
    s.stddev = std::sqrt(squares / static_cast<double>(values.size()));
    return s;
}
