// How one global book's fetch ended, and the limits every fetch keeps: time to connect and
// to wait for an answer, the whole fetch's time and its slowest rate, and the most a server
// may send, so that a slow, silent or endless server never holds the update or the memory
// for good.
#pragma once
#include <cstddef>
#include <string>

struct FetchLimits {
    unsigned connectMs = 15000;     // a connection not made by then has timed out
    unsigned answerMs = 30000;      // silence from a server for this long ends the fetch
    size_t maxBytes = 64u << 20;    // the most one answer (or one directory) may hold
    size_t maxEntries = 500000;     // the most entries one directory may return
    int maxRedirects = 5;
    unsigned bookMs = 600000;       // one book's whole fetch ends by then
    size_t minBytesPerSecond = 256; // a slower answer ends once the answer limit has passed
    int maxEmptyPages = 16;         // directory pages in a row that bring no entry
};

// The limits in force; tests shorten them.
extern FetchLimits g_FetchLimits;

struct FetchStatus {
    enum Kind { Ok, Failed, Cancelled };
    Kind kind = Ok;
    std::string cause;  // Shift-JIS: what went wrong, one sentence or two for the user

    static FetchStatus Success() { return FetchStatus(); }
    static FetchStatus Failure(const std::string& text) { return FetchStatus{Failed, text}; }
    static FetchStatus Cancel() { return FetchStatus{Cancelled, ""}; }
    bool IsOk() const { return kind == Ok; }
};
