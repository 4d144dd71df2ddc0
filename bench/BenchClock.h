// A stopwatch for the benchmarks: prints one line per measured step.
#pragma once
#include <chrono>
#include <cstdio>

class CBenchClock {
public:
    CBenchClock() : m_start(std::chrono::steady_clock::now()) {}

    // Prints "label: N ms" for the time since the last lap and starts a new one.
    double Lap(const char* label)
    {
        auto now = std::chrono::steady_clock::now();
        double ms = std::chrono::duration<double, std::milli>(now - m_start).count();
        std::printf("%-48s %10.1f ms\n", label, ms);
        std::fflush(stdout);
        m_start = now;
        return ms;
    }

    // The time since the last lap, without printing.
    double Elapsed() const
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};
