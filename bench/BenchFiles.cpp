#include "BenchFiles.h"
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include "BenchClock.h"
#if defined(_WIN32)
#include <process.h>
#define BENCH_PROCESS_ID _getpid
#else
#include <unistd.h>
#define BENCH_PROCESS_ID getpid
#endif
#include "exchange/ContactImporter.h"
#include "exchange/ImportFormat.h"

namespace BenchFiles {

// The name is made the process's own with its id and a count, so that benchmarks running at
// once (or one run natively beside one under Wine) never write over each other's files.
std::string TempPath(const char* name)
{
    static unsigned count = 0;
    std::string own = "velmora-" + std::to_string(BENCH_PROCESS_ID()) + "-" + std::to_string(++count) + "-" + name;
    return (std::filesystem::temp_directory_path() / own).string();
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::string ReadFile(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    if (std::fseek(file, 0, SEEK_END) == 0)
        bytes.reserve(static_cast<size_t>(std::max(0L, std::ftell(file))));
    std::rewind(file);
    char chunk[65536];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, count);
    std::fclose(file);
    return bytes;
}

std::string BookBytes(CAddrBook& store, ADTDATA* book)
{
    std::string path = TempPath("check.adr");
    FILE* file = std::fopen(path.c_str(), "wb");
    store.WriteList(book->pChild, file, 0);
    std::fclose(file);
    std::string bytes = ReadFile(path);
    std::remove(path.c_str());
    return bytes;
}

double ReadAddressFile(const std::string& path)
{
    CBenchClock clock;
    CAddrBook store;
    FILE* file = std::fopen(path.c_str(), "rb");
    store.ReadList(store.AddData(ADT_LOCAL_BOOK, "Copy", "copy.adr", nullptr, 0), file);
    std::fclose(file);
    return clock.Elapsed();
}

double Import(const std::string& path, const std::string& expected, bool& same)
{
    CBenchClock clock;
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Imported", "imported.adr", nullptr, 0);
    std::string bytes = ReadFile(path);
    CContactImporter importer(store, book);
    ReadContacts(bytes, DetectImportFormat(bytes), importer);
    double ms = clock.Elapsed();
    same = BookBytes(store, book) == expected;
    return ms;
}

}  // namespace BenchFiles
