// The update of the global books: every global book is filled, read-only, from the
// directory, CardDAV server, web file or shared file that its URL names. The fetches run
// on a worker thread while a small progress window shows how far they are; each book that
// arrives replaces the book's contents at once, and a book whose fetch failed or was
// cancelled keeps what it had. Then one message for each failure and a short summary.
#include <windows.h>
#include <string>
#include <vector>
#include "dialogs/UpdateProgressDlg.h"
#include "remote/BookFill.h"
#include "window/AddrDlg.h"

namespace {

const char kUpdateCaption[] = "グローバルアドレスブックの更新";

std::string Grouped(int number)
{
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

std::string BookName(const ADTDATA* book)
{
    return book->psName ? book->psName : "";
}

}  // namespace

void CAddrDlg::UpdateGlobalBooks()
{
    std::vector<ADTDATA*> books;
    std::vector<GlobalBookSource> sources;
    for (ADTDATA* book = m_Store.FirstBook(); book; book = book->pNext) {
        if (book->cType != ADT_GLOBAL_BOOK)
            continue;
        books.push_back(book);
        sources.push_back({BookName(book), book->psAddr ? book->psAddr : ""});
    }
    // Without a global book the command does what it always did: its trace line, nothing more.
    if (books.empty())
        return;

    std::vector<std::string> failures;
    std::string done;
    int replaced = 0;
    CUpdateProgressDlg progress(m_hWnd, sources, [&](size_t index, FetchedBook& result) {
        ADTDATA* book = books[index];
        if (result.status.kind == FetchStatus::Cancelled)
            return;
        if (!result.status.IsOk()) {
            failures.push_back("グローバルブック「" + BookName(book) + "」を更新できませんでした。\n\n" +
                               result.status.cause + "\n\nブックの内容は元のままです。");
            return;
        }
        FillCount count = FillGlobalBook(m_Store, book, result);
        replaced += count.replaced;
        done += "「" + BookName(book) + "」: " + Grouped(count.added) + " 件\n";
    });
    INT_PTR ended = progress.DoModal();
    m_AddrTree.Invalidate(TRUE);

    for (const std::string& failure : failures)
        MessageBox(failure.c_str(), "エラー", MB_OK | MB_ICONERROR);
    if (ended == IDABORT)
        MessageBox("更新を始められませんでした（作業用のスレッドを作れません）。", "エラー", MB_OK | MB_ICONERROR);
    if (done.empty())
        return;
    std::string summary = "グローバルアドレスブックを更新しました。\n\n" + done;
    if (ended == IDCANCEL)
        summary += "（残りのブックは取り消したため、元のままです）\n";
    summary += "\n「?」に置き換えた文字: " + Grouped(replaced) + " 文字\n　（Shift-JIS で表せない文字）";
    MessageBox(summary.c_str(), kUpdateCaption, MB_OK | MB_ICONINFORMATION);
}
