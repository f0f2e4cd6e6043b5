// What the benchmarks share: the clock, the median and the line that
// ./brisko bench prints for each figure.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// Milliseconds of the performance counter.
inline double NowMs() {
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * counter.QuadPart / frequency.QuadPart;
}

inline double Percentile(std::vector<double> times, double p) {
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, static_cast<size_t>(p * times.size()))];
}

inline double Median(const std::vector<double>& times) {
    return Percentile(times, 0.5);
}

// "1.234 ms"
inline std::string Ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f ms", ms);
    return text;
}

// "median M ms (MIN to MAX over N)": a figure of several runs with its spread.
inline std::string Spread(const std::vector<double>& times) {
    auto [lo, hi] = std::minmax_element(times.begin(), times.end());
    char text[96];
    std::snprintf(text, sizeof text, "median %.2f ms (%.2f to %.2f over %zu)", Median(times), *lo,
                  *hi, times.size());
    return text;
}

// One line a figure: what the client does and its time, the bare platform
// call it competes with and that one's, measured in the same run, their
// ratio, and the aim where one was set.
inline void PrintFigure(const std::string& what, const std::string& time, const std::string& bare,
                        const std::string& bareTime, double ratio, const std::string& aim = "") {
    std::printf("figure: %s: %s | bare: %s: %s | ratio %.2f%s%s\n", what.c_str(), time.c_str(),
                bare.c_str(), bareTime.c_str(), ratio, aim.empty() ? "" : " | aim: ", aim.c_str());
    std::fflush(stdout);
}
