#include "books/Notices.h"
#include <utility>
#include <vector>

namespace {

struct Notice {
    std::string text;
    UINT icon;
};

std::vector<Notice>& Queue()
{
    static std::vector<Notice> queue;
    return queue;
}

}  // namespace

void QueueNotice(const std::string& text, UINT icon)
{
    Queue().push_back({text, icon});
}

void ShowQueuedNotices()
{
    std::vector<Notice> notices;
    notices.swap(Queue());
    for (const Notice& notice : notices)
        MessageBoxA(nullptr, notice.text.c_str(), nullptr, MB_OK | notice.icon);
}

void QueueRestoredNotice(const std::string& path, const std::string& from)
{
    QueueNotice("ファイル:\n" + path + "\n\nは前回の保存が途中で止まったため見つかりませんでした\n"
                "保存中のファイル\n" + from + "\nから元に戻しました",
                MB_ICONINFORMATION);
}
