// A save under the file's lock beside the same save without it: the commit of a book file
// of 1,000, 10,000 and 100,000 addresses (take the lock, read what is there, write the new
// bytes beside, flush, put them in place, let go) against the same commit with no lock.
// The two alternate, each the median of many runs with their range. Under Wine (bench/run).
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>
#include "BenchBook.h"
#include "files/FileCommit.h"

namespace {

double SaveOnce(const std::string& path, const std::string& bytes, bool locked)
{
    auto start = std::chrono::steady_clock::now();
    CFileCommit commit(path, locked);
    commit.Begin();
    std::string theirs;
    commit.Read(theirs);
    if (theirs.size() != bytes.size() || !commit.Write(bytes))
        std::fprintf(stderr, "the save of %s failed\n", path.c_str());
    commit.End();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
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
    std::printf("%-22s %26s %26s %6s\n", "", "with the lock", "without", "ratio");
    for (int count : {1000, 10000, 100000}) {
        std::string bytes = BenchBook::FileText(count);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        std::vector<double> with, without;
        SaveOnce(path, bytes, true);  // warm up
        for (int run = 0; run < runs; ++run) {
            with.push_back(SaveOnce(path, bytes, true));
            without.push_back(SaveOnce(path, bytes, false));
        }
        Spread a = Of(with), b = Of(without);
        std::printf("save of %6d addresses %8.2f ms (%6.2f-%6.2f) %8.2f ms (%6.2f-%6.2f) %6.2f\n", count, a.median, a.low,
                    a.high, b.median, b.low, b.high, a.median / b.median);
    }
    DeleteFileA(path.c_str());
    return 0;
}
