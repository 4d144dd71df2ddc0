// Fuzz target for the vCard reader (see ExchangeCheck.h for what it checks).
#include "ExchangeCheck.h"
#include "exchange/VCardWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ExchangeCheck::Check(data, size, ImportFormat::VCard, CVCardWriter::Write);
    return 0;
}
