// The file work that the exchange and import benchmarks share: temporary paths, whole
// files written and read, a book's AL-MAIL bytes, and the two things they time, reading an
// AL-MAIL file into a new book (their floor) and the import command's work on a file.
#pragma once
#include <string>
#include "store/AddrBook.h"

namespace BenchFiles {

// A path in the system's temporary folder ending in name, of this process alone (its id and
// a count in it); the caller removes the file.
std::string TempPath(const char* name);
bool WriteFile(const std::string& path, const std::string& bytes);
// The file whole, read into room of its size.
std::string ReadFile(const std::string& path);
// The AL-MAIL file of book, as its save writes it.
std::string BookBytes(CAddrBook& store, ADTDATA* book);

// The floor: the AL-MAIL file at path read into a new book; milliseconds.
double ReadAddressFile(const std::string& path);
// The import command's work: the file read whole, its format told, its contacts read and
// put into a new book; milliseconds. same tells whether the book is expected's.
double Import(const std::string& path, const std::string& expected, bool& same);

}  // namespace BenchFiles
