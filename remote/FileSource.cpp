#include "remote/FileSource.h"
#include <windows.h>
#include <vector>
#include "remote/FetchText.h"
#include "remote/WideText.h"

namespace {

// How often a file that changes while it is read is read again, and how long the reader
// waits before it looks whether the file changed after the read and between two reads.
const int kReadAttempts = 4;
const DWORD kSettleMs = 60;
const DWORD kRetryMs = 250;

// What says that a file is the same file with the same contents: its identity (volume and
// index), its size and the time of its last write.
struct FileState {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    FILETIME written = {};
    ULONGLONG size = 0;

    bool operator==(const FileState& other) const
    {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow &&
               CompareFileTime(&written, &other.written) == 0 && size == other.size;
    }
};

bool StateOf(HANDLE file, FileState& state)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        return false;
    state.volume = info.dwVolumeSerialNumber;
    state.indexHigh = info.nFileIndexHigh;
    state.indexLow = info.nFileIndexLow;
    state.written = info.ftLastWriteTime;
    state.size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return true;
}

// The state of whatever file the path names now (another may have been moved in its place).
bool StateOfPath(const std::wstring& path, FileState& state)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool known = StateOf(file, state);
    CloseHandle(file);
    return known;
}

// Waits ms, seeing a cancel at once; false when the user cancelled.
bool Pause(IFetchHost& host, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (host.IsCancelled())
            return false;
        Sleep(20);
    }
    return !host.IsCancelled();
}

FetchStatus OpenError(const std::string& shown)
{
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
        return FetchStatus::Failure(FetchText::FileMissing(shown));
    if (error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME || error == ERROR_NETWORK_UNREACHABLE)
        return FetchStatus::Failure(FetchText::ShareMissing(shown));
    if (error == ERROR_ACCESS_DENIED)
        return FetchStatus::Failure(FetchText::FileDenied(shown));
    return FetchStatus::Failure(FetchText::FileUnreadable(shown, error));
}

// Reads the whole file once; whole is true when it is the same file, unchanged, from before
// the read until a little after it.
FetchStatus ReadOnce(const std::wstring& path, const std::string& shown, IFetchHost& host, std::string& bytes,
                     bool& whole)
{
    whole = false;
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return OpenError(shown);
    FileState before;
    bool known = StateOf(file, before);
    FetchStatus status;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        if (host.IsCancelled()) {
            status = FetchStatus::Cancel();
            break;
        }
        DWORD read = 0;
        if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
            status = FetchStatus::Failure(FetchText::FileUnreadable(shown, GetLastError()));
            break;
        }
        if (read == 0)
            break;
        if (bytes.size() + read > g_FetchLimits.maxBytes) {
            status = FetchStatus::Failure(FetchText::FileTooLarge(shown, g_FetchLimits.maxBytes));
            break;
        }
        bytes.append(chunk.data(), read);
        host.ReportProgress(0, bytes.size());
    }
    FileState after;
    known = known && StateOf(file, after);
    CloseHandle(file);
    if (!status.IsOk())
        return status;
    // A writer that is busy with the file changes it within a moment.
    if (!Pause(host, kSettleMs))
        return FetchStatus::Cancel();
    FileState settled;
    known = known && StateOfPath(path, settled);
    whole = known && before == after && after == settled && before.size == bytes.size();
    return FetchStatus::Success();
}

}  // namespace

void FetchFile(const BookUrl& url, IFetchHost& host, FetchedBook& out)
{
    std::string shown = Utf8ToSjis(url.path);
    std::wstring path = Utf8ToWide(url.path);
    std::string bytes;
    bool whole = false;
    for (int attempt = 0; attempt < kReadAttempts && !whole; ++attempt) {
        if (attempt > 0 && !Pause(host, kRetryMs)) {
            out.status = FetchStatus::Cancel();
            return;
        }
        out.status = ReadOnce(path, shown, host, bytes, whole);
        if (!out.status.IsOk())
            return;
    }
    if (!whole) {
        out.status = FetchStatus::Failure(FetchText::FileChanging(shown, kReadAttempts));
        return;
    }
    if (ContentsFromBytes(bytes, url.path, "ファイル " + shown, host, out))
        host.ReportProgress(out.contacts.contacts.size(), bytes.size());
}
