// Fuzz target for the address file reader. Any bytes must read without fault, and what
// was read must write out and read back to the same book: writing the second reading
// gives the same bytes as writing the first.
#include <cstdint>
#include <cstdlib>
#include <string>
#include "BookBytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CAddrBook first;
    std::string written = WriteBook(first, ReadBook(first, data, size));

    CAddrBook second;
    std::string rewritten = WriteBook(second, ReadBook(second, written.data(), written.size()));
    if (rewritten != written)
        std::abort();
    return 0;
}
