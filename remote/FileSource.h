// Reads a book from a file (file:// URLs and plain Windows paths, UNC paths included): the
// file is opened for reading only, with others free to read and write it meanwhile, and is
// never written.
#pragma once
#include <string>
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchedBook.h"

void FetchFile(const BookUrl& url, IFetchHost& host, FetchedBook& out);
