// A book of a store to and from the bytes of its address file, in memory, for the fuzz
// targets.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include "store/AddrBook.h"

inline std::string WriteBook(CAddrBook& store, ADTDATA* book)
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

// A new book of the store, read from the bytes.
inline ADTDATA* ReadBook(CAddrBook& store, const void* data, size_t size)
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
