// Fuzz target for the address file reader. Any bytes must read without fault, and what
// was read must write out and read back to the same book: writing the second reading
// gives the same bytes as writing the first.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "store/AddrBook.h"

namespace {

std::string WriteBook(CAddrBook& store, ADTDATA* book)
{
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    store.WriteList(book->pChild, out, 0);
    std::fclose(out);
    std::string bytes(buffer, size);
    std::free(buffer);
    return bytes;
}

ADTDATA* ReadBook(CAddrBook& store, const void* data, size_t size)
{
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Fuzz", "fuzz.adr", nullptr, 0);
    // fmemopen refuses an empty buffer; an empty file reads as nothing.
    if (size == 0)
        return book;
    FILE* in = fmemopen(const_cast<void*>(data), size, "rb");
    store.ReadList(book, in);
    std::fclose(in);
    return book;
}

}  // namespace

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
