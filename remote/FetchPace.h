// The pace of one book's fetch, looked at in every loop that reads from a server: a cancel,
// the end of the time one book may take, and an answer that comes slower than the slowest
// rate once the answer limit has passed (a server that sends a byte now and then never
// trips the answer limit, which is about silence; nothing at all by then is named silence).
#pragma once
#include <cstddef>
#include <string>
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

class CFetchPace {
public:
    explicit CFetchPace(IFetchHost& host);

    // Ok while the fetch may go on, bytes having come so far; server ("host:port",
    // Shift-JIS) is named in the message.
    FetchStatus Check(size_t bytes, const std::string& server);

private:
    IFetchHost& m_Host;
    unsigned long m_nStart;
};
