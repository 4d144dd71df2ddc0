// Fuzz target for the CSV reader (see ExchangeCheck.h for what it checks).
#include "ExchangeCheck.h"
#include "exchange/CsvWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ExchangeCheck::Check(data, size, ImportFormat::Csv, CCsvWriter::Write);
    return 0;
}
