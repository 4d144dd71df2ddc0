// Files shaped as programs write them, for the import benchmark: a Japanese phone's vCard
// 2.1 (Shift-JIS in quoted-printable, readings, phone numbers, postal addresses, notes with
// soft line breaks, a group, a photo on one card in ten), Google's CSV (UTF-8 without a
// mark, its thirty-odd columns, labels beside its own groups) and Japanese Outlook's CSV
// (Shift-JIS, every field quoted, sixty columns). Each comes with the contacts it holds, so
// that the benchmark can write the same book as an AL-MAIL file for the floor and check
// that the import gives that book.
#pragma once
#include <string>
#include <vector>
#include "exchange/Contact.h"

struct ImportShape {
    const char* name;
    std::string bytes;
    std::vector<Contact> contacts;  // in the file's order
};

ImportShape PhoneVCardShape(int contacts);
ImportShape GoogleCsvShape(int contacts);
ImportShape OutlookCsvShape(int contacts);
