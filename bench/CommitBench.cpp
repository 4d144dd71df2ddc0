// A save under the file's lock beside the same save without it: the commit of a book file
// of 1,000, 10,000 and 100,000 addresses (take the lock, read what is there, write the new
// bytes beside, flush, put them in place, let go) against the same commit with no lock.
// The two alternate, each the median of many runs with their range. Under Wine (bench/run).
// The flush to the disk makes a save's time swing by milliseconds on a busy machine, so the
// lock's own steps (taking it with the look at the file, and letting it go) are timed apart
// too, and set against the save without the lock: steps / save, the share that is the lock's.
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>
#include "BenchBook.h"
#include "files/FileCommit.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The whole save, and (in *steps) the time in Begin and End, where the lock is taken and let go.
double SaveOnce(const std::string& path, const std::string& bytes, bool locked, double* steps)
{
    auto start = Clock::now();
    CFileCommit commit(path, locked);
    commit.Begin();
    auto begun = Clock::now();
    std::string theirs;
    commit.Read(theirs);
    if (theirs.size() != bytes.size() || !commit.Write(bytes))
        std::fprintf(stderr, "the save of %s failed\n", path.c_str());
    auto written = Clock::now();
    commit.End();
    auto end = Clock::now();
    *steps = Ms(start, begun) + Ms(written, end);
    return Ms(start, end);
}

struct Spread {
    double median, low, high;
};

Spread Of(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "velmora-commit-bench.adr";
    std::printf("%-22s %26s %26s %6s %22s\n", "", "with the lock", "without", "ratio", "lock's steps / save");
    for (int count : {1000, 10000, 100000}) {
        std::string bytes = BenchBook::FileText(count);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        std::vector<double> with, without, stepsWith, stepsWithout;
        double steps = 0;
        SaveOnce(path, bytes, true, &steps);  // warm up
        for (int run = 0; run < runs; ++run) {
            with.push_back(SaveOnce(path, bytes, true, &steps));
            stepsWith.push_back(steps);
            without.push_back(SaveOnce(path, bytes, false, &steps));
            stepsWithout.push_back(steps);
        }
        Spread a = Of(with), b = Of(without);
        double lock = Of(stepsWith).median - Of(stepsWithout).median;
        std::printf("save of %6d addresses %8.2f ms (%6.2f-%6.2f) %8.2f ms (%6.2f-%6.2f) %6.2f %7.3f ms / save %5.3f\n",
                    count, a.median, a.low, a.high, b.median, b.low, b.high, a.median / b.median, lock,
                    lock / b.median);
    }
    DeleteFileA(path.c_str());
    return 0;
}
