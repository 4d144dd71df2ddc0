// Reads a book from a file (file:// URLs and plain Windows paths, UNC paths included): the
// file is opened for reading only, with others free to read and write it meanwhile, and is
// never written. A file that another program changes while it is read (its size, time of
// last write or identity differ before, after and a moment after the read) is read again a
// few times, then given up with a message: never taken as a shorter book.
#pragma once
#include <string>
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchedBook.h"

void FetchFile(const BookUrl& url, IFetchHost& host, FetchedBook& out);
