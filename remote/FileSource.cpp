#include "remote/FileSource.h"
#include <windows.h>
#include <vector>
#include "remote/FetchText.h"
#include "remote/WideText.h"

void FetchFile(const BookUrl& url, IFetchHost& host, FetchedBook& out)
{
    std::string shown = Utf8ToSjis(url.path);
    HANDLE file = CreateFileW(Utf8ToWide(url.path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
            out.status = FetchStatus::Failure(FetchText::FileMissing(shown));
        else if (error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME || error == ERROR_NETWORK_UNREACHABLE)
            out.status = FetchStatus::Failure(FetchText::ShareMissing(shown));
        else if (error == ERROR_ACCESS_DENIED)
            out.status = FetchStatus::Failure(FetchText::FileDenied(shown));
        else
            out.status = FetchStatus::Failure(FetchText::FileUnreadable(shown, error));
        return;
    }
    std::string bytes;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        if (host.IsCancelled()) {
            out.status = FetchStatus::Cancel();
            break;
        }
        DWORD read = 0;
        if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
            out.status = FetchStatus::Failure(FetchText::FileUnreadable(shown, GetLastError()));
            break;
        }
        if (read == 0)
            break;
        if (bytes.size() + read > g_FetchLimits.maxBytes) {
            out.status = FetchStatus::Failure(FetchText::FileTooLarge(shown, g_FetchLimits.maxBytes));
            break;
        }
        bytes.append(chunk.data(), read);
        host.ReportProgress(0, bytes.size());
    }
    CloseHandle(file);
    if (out.status.IsOk() && ContentsFromBytes(bytes, url.path, "ファイル " + shown, host, out))
        host.ReportProgress(out.contacts.contacts.size(), bytes.size());
}
