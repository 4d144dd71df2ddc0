// A main() for a fuzz target built without libFuzzer: it feeds each input file once to
// LLVMFuzzerTestOneInput, so the corpus (and any crash input added to it) runs as an
// ordinary test under the native build's sanitizers.
//
// Usage: fuzz_replay_<name> PATH...   each PATH is an input file or a directory searched
// recursively. Fails when a path does not exist, when no input is found at all, or when
// the target returns anything but 0 or -1; a fault in the target ends the process.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

namespace {

bool CollectInputs(const fs::path& path, std::vector<fs::path>& inputs)
{
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        inputs.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, error)) {
        std::fprintf(stderr, "%s: no such file or directory\n", path.string().c_str());
        return false;
    }
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error))
            inputs.push_back(it->path());
    }
    if (error) {
        std::fprintf(stderr, "%s: %s\n", path.string().c_str(), error.message().c_str());
        return false;
    }
    return true;
}

bool ReadInput(const fs::path& path, std::vector<char>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);

    std::vector<fs::path> inputs;
    bool ok = argc > 1;
    for (int i = 1; i < argc; ++i)
        ok = CollectInputs(argv[i], inputs) && ok;
    if (!ok || inputs.empty()) {
        std::fprintf(stderr, "usage: %s PATH...  (at least one input file is needed)\n", argv[0]);
        return 2;
    }
    std::sort(inputs.begin(), inputs.end());

    std::vector<char> bytes;
    for (const fs::path& input : inputs) {
        if (!ReadInput(input, bytes)) {
            std::fprintf(stderr, "%s: cannot read\n", input.string().c_str());
            return 1;
        }
        std::fprintf(stderr, "replaying %s (%zu bytes)\n", input.string().c_str(), bytes.size());
        // An exactly sized copy, as libFuzzer makes, so a read past the end is caught.
        std::unique_ptr<uint8_t[]> data(new uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), data.get());
        int result = LLVMFuzzerTestOneInput(data.get(), bytes.size());
        if (result != 0 && result != -1) {
            std::fprintf(stderr, "%s: the target returned %d\n", input.string().c_str(), result);
            return 1;
        }
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
