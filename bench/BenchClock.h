// The benchmarks' timing helpers: a stopwatch that prints one line per measured step, the
// time since a moment, and the median, percentiles and range of repeated measurements.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using Clock = std::chrono::steady_clock;

class CBenchClock {
public:
    CBenchClock() : m_start(Clock::now()) {}

    // Prints "label: N ms" for the time since the last lap and starts a new one.
    double Lap(const char* label)
    {
        auto now = Clock::now();
        double ms = std::chrono::duration<double, std::milli>(now - m_start).count();
        std::printf("%-48s %10.1f ms\n", label, ms);
        std::fflush(stdout);
        m_start = now;
        return ms;
    }

    // The time since the last lap, without printing.
    double Elapsed() const { return std::chrono::duration<double, std::milli>(Clock::now() - m_start).count(); }

private:
    Clock::time_point m_start;
};

inline double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The value at fraction p of the sorted values (0.5 the middle one, 0.99 near the top).
inline double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

// The middle of repeated measurements (the upper one of an even count) and their range.
struct Spread {
    double median, low, high;
};

inline Spread SpreadOf(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}
