#pragma once
// The lines a benchmark prints: each figure measured beside the reference it
// is judged against (what the bare engine or the simplest writer takes in
// the same run, and the goal set for it), in the layout scripts/bench shows.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

namespace Bench {

inline void Title(const std::string& title) {
    std::printf("%s\n", title.c_str());
    std::fflush(stdout);
}

inline void Figure(const std::string& figure, const std::string& measured, const std::string& reference) {
    std::printf("  %-46s %-34s %s\n", figure.c_str(), measured.c_str(), reference.c_str());
    std::fflush(stdout);
}

// "1234 ms" with as many decimals as the size of the number deserves.
inline std::string Ms(double ms) {
    char b[32];
    std::snprintf(b, sizeof b, ms < 10 ? "%.2f ms" : ms < 100 ? "%.1f ms" : "%.0f ms", ms);
    return b;
}

inline std::string Ratio(double ratio) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2fx", ratio);
    return b;
}

// The machine's load average over the last minute, as the system gives it.
inline std::string Load() {
    std::ifstream file("/proc/loadavg");
    std::string load;
    return file >> load ? load : std::string("?");
}

// The peak resident size is counted again from what the process holds now,
// the memory freed before given back first.
inline void ResetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The most the process has held resident since ResetPeak, in MB.
inline double PeakMb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    double kb = 0;
    while (status >> key)
        if (key == "VmHWM:") {
            status >> kb;
            break;
        }
    return kb / 1024;
}

inline std::string Mb(double mb) {
    char b[32];
    std::snprintf(b, sizeof b, "%.0f MB", mb);
    return b;
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Ratios taken round by round, each to its reference measured in the same
// round: "1.23x (load ...), min 1.10x (load ...)", the median and the least
// with the load of their rounds. A goal holds by the median.
inline std::string Ratios(const std::vector<double>& ratios, const std::vector<std::string>& loads) {
    if (ratios.empty()) return std::string();
    std::vector<size_t> order(ratios.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return ratios[a] < ratios[b]; });
    const size_t median = order[order.size() / 2], least = order.front();
    return Ratio(ratios[median]) + " (load " + loads[median] + "), min " + Ratio(ratios[least]) + " (load " +
           loads[least] + ")";
}

}  // namespace Bench
