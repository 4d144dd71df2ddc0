#include "remote/FetchPace.h"
#include <windows.h>
#include "remote/FetchText.h"

CFetchPace::CFetchPace(IFetchHost& host) : m_Host(host), m_nStart(GetTickCount())
{
}

FetchStatus CFetchPace::Check(size_t bytes, const std::string& server)
{
    if (m_Host.IsCancelled())
        return FetchStatus::Cancel();
    unsigned long elapsed = GetTickCount() - m_nStart;
    if (elapsed >= g_FetchLimits.bookMs)
        return FetchStatus::Failure(FetchText::TooLong(server, g_FetchLimits.bookMs));
    if (elapsed >= g_FetchLimits.answerMs &&
        static_cast<unsigned long long>(bytes) * 1000 < static_cast<unsigned long long>(g_FetchLimits.minBytesPerSecond) * elapsed) {
        // Nothing at all in that time is silence, and named as such.
        if (bytes == 0)
            return FetchStatus::Failure(FetchText::AnswerTimeout(server, g_FetchLimits.answerMs));
        return FetchStatus::Failure(FetchText::TooSlow(server, g_FetchLimits.minBytesPerSecond));
    }
    return FetchStatus::Success();
}
