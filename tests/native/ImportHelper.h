// The vCard and CSV import as the import command runs it (detect, read, fill a new book),
// on bytes or on a sample file of tests/samples, with the book as its address file text.
// Shared by the import and round-trip tests.
#pragma once
#include <cstdio>
#include <string>
#include "TempFile.h"
#include "store/AddrBook.h"
#include "exchange/ContactImporter.h"
#include "exchange/ImportFormat.h"

struct ImportOutcome {
    ImportFormat format = ImportFormat::AlMail;
    std::string book;  // the book as its address file would hold it
    int added = 0;
    int withoutAddress = 0;
    int replaced = 0;
    int undecodable = 0;  // of the replaced characters, those the file's text did not decode
    int incomplete = 0;
    int emptyGroups = 0;
    int lists = 0;
    unsigned notKept = 0;
    bool unknownHeader = false;
    int duplicates = 0;
    int closeGuesses = 0;
    std::string incompleteCards;  // "line name" of each card named, ";" after each
};

inline std::string SampleBytes(const std::string& name)
{
    std::string bytes;
    FILE* file = std::fopen((std::string(VELMORA_SAMPLES_DIR) + name).c_str(), "rb");
    if (!file)
        return "(no sample " + name + ")";
    int c;
    while ((c = std::fgetc(file)) != EOF)
        bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    return bytes;
}

inline std::string BookText(CAddrBook& store, const ADTDATA* book)
{
    CTempFile file;
    FILE* out = std::fopen(file.Path().c_str(), "wb");
    store.WriteList(book->pChild, out, 0);
    std::fclose(out);
    return file.Read();
}

inline ImportOutcome ImportBytes(const std::string& bytes)
{
    ImportOutcome outcome;
    outcome.format = DetectImportFormat(bytes);
    ContactList list = ReadContacts(bytes, outcome.format);
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Imported", "imported.adr", nullptr, 0);
    CContactImporter importer(store, book);
    importer.AddAll(list);
    outcome.book = BookText(store, book);
    outcome.added = importer.Added();
    outcome.withoutAddress = list.nWithoutAddress;
    outcome.replaced = importer.Replaced();
    outcome.undecodable = importer.Undecodable();
    outcome.incomplete = list.nIncomplete;
    outcome.emptyGroups = list.nEmptyGroups;
    outcome.lists = importer.Lists();
    outcome.notKept = list.fNotKept;
    outcome.unknownHeader = list.bUnknownHeader;
    outcome.duplicates = importer.Duplicates();
    outcome.closeGuesses = list.nCloseGuesses;
    for (const CardMention& card : list.incompleteCards)
        outcome.incompleteCards += std::to_string(card.line) + " " + card.name + ";";
    return outcome;
}
