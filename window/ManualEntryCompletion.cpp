#include "window/ManualEntryCompletion.h"
#include <commctrl.h>
#include <cstring>
#include "books/IniPath.h"
#include "files/BookFile.h"
#include "framework/Trace.h"
#include "store/MatchFold.h"
#include "window/CompletionText.h"

namespace {

const UINT_PTR kFieldSubclassId = 0x56434D45;  // "VCME"

std::string FieldText(HWND field)
{
    int length = GetWindowTextLengthA(field);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(field, &text[0], length + 1)));
    return text;
}

// "Book / Folder" of a node: its book and the folder it stands in, if any.
std::string WhereOf(const ADTDATA* node)
{
    const ADTDATA* book = node;
    while (book->pParent && book->pParent->pParent)
        book = book->pParent;
    std::string where = book->psName ? book->psName : "";
    if (node->pParent && node->pParent != book && node->pParent->cType == ADT_FOLDER)
        where += std::string(" / ") + (node->pParent->psName ? node->pParent->psName : "");
    return where;
}

bool IsServerUrl(const char* url)
{
    if (!url)
        return false;
    for (const char* scheme : {"ldap://", "ldaps://", "http://", "https://"}) {
        if (_strnicmp(url, scheme, std::strlen(scheme)) == 0)
            return true;
    }
    return false;
}

// At least two characters, or one that is not ASCII (a kanji narrows a search as much as
// two letters do): a double-byte character alone is two bytes.
bool LongEnoughForServer(const std::string& typed)
{
    return typed.size() >= 2 || (!typed.empty() && static_cast<unsigned char>(typed[0]) >= 0x80);
}

std::string PickPath()
{
    std::string path = g_szIniPath;
    if (path.empty())
        return path;
    if (path.size() > 4 && _stricmp(path.c_str() + path.size() - 4, ".ini") == 0)
        path.resize(path.size() - 4);
    return path + ".picks";
}

}  // namespace

CManualEntryCompletion::CManualEntryCompletion(CAddrBook& store) : m_Store(store), m_Index(store, m_Picks) {}

CManualEntryCompletion::~CManualEntryCompletion()
{
    Detach();
}

void CManualEntryCompletion::Attach(HWND window, HWND field)
{
    m_hWindow = window;
    m_hField = field;
    LoadPicks();
    m_Index.Attach();
    m_Popup.Create(
        window, [this](int row) { Take(row); },
        [this](UINT message, WPARAM wParam, LPARAM) {
            if (message == WM_TIMER && wParam == kSearchTimer) {
                KillTimer(m_Popup.Handle(), kSearchTimer);
                StartSearches();
            } else if (message == WM_TIMER && wParam == kSearchTimeout) {
                OnSearchTimeout();
            } else if (message == kSearchNews) {
                OnSearchNews();
            }
        });
    if (field) {
        // The field takes its messages in UTF-16 from here on, so that a double-byte
        // character typed into it still reaches the edit as one character: through an ANSI
        // subclass it would come byte by byte, which Wine's edit does not join again.
        if (!IsWindowUnicode(field))
            SetWindowLongPtrW(field, GWLP_WNDPROC, GetWindowLongPtrW(field, GWLP_WNDPROC));
        SetWindowSubclass(field, FieldProc, kFieldSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
}

void CManualEntryCompletion::Detach()
{
    if (!m_hWindow)
        return;
    for (Search& search : m_Searches) {
        if (search.job)
            search.job->Cancel();
    }
    m_Searches.clear();
    if (m_hField && IsWindow(m_hField))
        RemoveWindowSubclass(m_hField, FieldProc, kFieldSubclassId);
    m_Popup.Destroy();
    SavePicks();
    m_hWindow = nullptr;
    m_hField = nullptr;
}

RECT CManualEntryCompletion::FieldRect() const
{
    RECT rect = {};
    GetWindowRect(m_hField, &rect);
    return rect;
}

void CManualEntryCompletion::OnTextChanged()
{
    if (!m_hField)
        return;
    Lookup(GetFocus() == m_hField);
}

// Looks the part being typed up in the books, and shows the matches when open is set (or
// the list is open already).
void CManualEntryCompletion::Lookup(bool open)
{
    std::string typed = CompletionText::TypedPart(FieldText(m_hField));
    bool changed = typed != m_strTyped;
    m_strTyped = typed;
    if (changed) {
        m_bDismissed = false;
        m_LocalRows.clear();
        m_RemoteRows.clear();
        KillTimer(m_Popup.Handle(), kSearchTimer);
    }
    if (typed.empty()) {
        Close();
        return;
    }
    if (changed) {
        for (const RecipientMatch& match : m_Index.Find(typed, kMaxRows)) {
            CompletionRow row;
            row.text = CAddrBook::FormatLabel(match.node);
            row.where = WhereOf(match.node);
            row.pick = CompletionText::PickText(match.node);
            row.pickKey = CRecipientIndex::PickKey(match.node);
            m_LocalRows.push_back(row);
        }
        if (WantsServer(typed))
            SetTimer(m_Popup.Handle(), kSearchTimer, kSearchPauseMs, nullptr);
    }
    if (open || m_Popup.IsOpen())
        ShowRows();
}

void CManualEntryCompletion::ShowRows()
{
    std::vector<CompletionRow> rows = m_LocalRows;
    for (const CompletionRow& remote : m_RemoteRows) {
        if (rows.size() >= kMaxRows && !remote.note)
            continue;
        bool duplicate = false;
        for (const CompletionRow& shown : rows)
            duplicate = duplicate || (!remote.note && shown.pick == remote.pick);
        if (!duplicate)
            rows.push_back(remote);
    }
    if (rows.empty()) {
        Close();
        return;
    }
    int chosen = m_Popup.IsOpen() ? m_Popup.Chosen() : -1;
    std::string chosenPick = chosen >= 0 ? m_Popup.Rows()[static_cast<size_t>(chosen)].pick : std::string();
    m_Popup.Show(rows, FieldRect());
    // The choice stays on its row when rows arrive from a server.
    for (size_t i = 0; i < rows.size() && !chosenPick.empty(); ++i) {
        if (!rows[i].note && rows[i].pick == chosenPick)
            m_Popup.Choose(static_cast<int>(i));
    }
}

void CManualEntryCompletion::Close()
{
    m_Popup.Hide();
}

void CManualEntryCompletion::Take(int row)
{
    const std::vector<CompletionRow>& rows = m_Popup.Rows();
    if (row < 0 || row >= static_cast<int>(rows.size()) || rows[static_cast<size_t>(row)].note)
        return;
    CompletionRow taken = rows[static_cast<size_t>(row)];
    Close();
    m_Picks.Add(taken.pickKey);
    std::string text = CompletionText::ReplaceTypedPart(FieldText(m_hField), taken.pick);
    SetWindowTextA(m_hField, text.c_str());
    SendMessageA(m_hField, EM_SETSEL, text.size(), text.size());
    Trace("CManualEntryCompletion::Take()\n");
}

LRESULT CManualEntryCompletion::OnFieldMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    switch (message) {
    case WM_GETDLGCODE: {
        // While the list is open the field keeps Enter and Escape (so no default button is
        // pressed and the window stays), and Tab when a row is chosen.
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        LRESULT code = DefSubclassProc(m_hField, message, wParam, lParam);
        if (IsOpen() && msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR)) {
            WPARAM key = msg->wParam;
            bool keep = key == VK_RETURN || key == VK_ESCAPE || (key == VK_TAB && m_Popup.Chosen() >= 0) ||
                        (msg->message == WM_CHAR && (key == '\r' || key == 0x1B || key == '\t') && m_bSwallowChar);
            if (keep)
                code |= DLGC_WANTALLKEYS | DLGC_WANTMESSAGE;
        }
        handled = true;
        return code;
    }
    case WM_KEYDOWN:
        m_bSwallowChar = false;
        if (IsOpen()) {
            switch (wParam) {
            case VK_DOWN:
                m_Popup.MoveChoice(1);
                break;
            case VK_UP:
                m_Popup.MoveChoice(-1);
                break;
            case VK_RETURN:
                if (m_Popup.Chosen() >= 0)
                    Take(m_Popup.Chosen());
                else
                    Close();
                break;
            case VK_TAB:
                if (m_Popup.Chosen() < 0)
                    return 0;
                Take(m_Popup.Chosen());
                break;
            case VK_ESCAPE:
                Close();
                m_bDismissed = true;
                break;
            default:
                return 0;
            }
            m_bSwallowChar = true;
            handled = true;
            return 0;
        }
        if (wParam == VK_DOWN && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0) {
            m_strTyped.clear();
            Lookup(true);
            if (IsOpen()) {
                m_Popup.MoveChoice(1);
                handled = true;
                return 0;
            }
        }
        return 0;
    case WM_CHAR:
        if (m_bSwallowChar && (wParam == '\r' || wParam == '\t' || wParam == 0x1B)) {
            m_bSwallowChar = false;
            handled = true;
        }
        return 0;
    case WM_KILLFOCUS:
        Close();
        return 0;
    default:
        return 0;
    }
}

LRESULT CALLBACK CManualEntryCompletion::FieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                   DWORD_PTR self)
{
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, FieldProc, kFieldSubclassId);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    bool handled = false;
    LRESULT result = 0;
    try {
        result = reinterpret_cast<CManualEntryCompletion*>(self)->OnFieldMessage(message, wParam, lParam, handled);
    } catch (...) {
        handled = false;
    }
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

bool CManualEntryCompletion::WantsServer(const std::string& typed) const
{
    if (m_LocalRows.size() >= kMaxRows || !LongEnoughForServer(typed))
        return false;
    for (const ADTDATA* book = m_Store.m_Root.pChild; book; book = book->pNext) {
        if (book->cType == ADT_GLOBAL_BOOK && IsServerUrl(book->psAddr))
            return true;
    }
    return false;
}

// Asks every global book's server for the text typed now; a book whose last search still
// runs (a slow server) gets the text when it ends, so a hanging server holds one thread.
void CManualEntryCompletion::StartSearches()
{
    if (m_strTyped.empty() || !WantsServer(m_strTyped))
        return;
    std::vector<Search> kept;
    for (const ADTDATA* book = m_Store.m_Root.pChild; book; book = book->pNext) {
        if (book->cType != ADT_GLOBAL_BOOK || !IsServerUrl(book->psAddr))
            continue;
        Search search;
        search.forText = m_strTyped;
        search.book = book->psName ? book->psName : "";
        search.url = book->psAddr;
        for (Search& old : m_Searches) {
            if (old.book == search.book && old.url == search.url && old.job && !old.job->IsDone())
                search.job = old.job;
        }
        if (search.job)
            search.pending = m_strTyped;
        else
            search.job = CLiveSearchJob::Start(search.book, search.url, m_strTyped, kMaxRows, m_Popup.Handle(),
                                               kSearchNews);
        kept.push_back(search);
    }
    m_Searches = kept;
    m_RemoteRows = RemoteRows();
    SetTimer(m_Popup.Handle(), kSearchTimeout, kSearchTimeoutMs, nullptr);
    if (!m_bDismissed && GetFocus() == m_hField)
        ShowRows();
}

// A search has ended: its answer is kept when it answers the text in the field now, and
// a book that waited for its last search to end is asked again.
void CManualEntryCompletion::OnSearchNews()
{
    bool again = false;
    for (Search& search : m_Searches) {
        if (!search.job || !search.job->IsDone())
            continue;
        LiveSearchAnswer answer = search.job->Take();
        bool current = search.job->Typed() == m_strTyped && search.forText == m_strTyped;
        search.job.reset();
        if (current && !search.timedOut) {
            search.answered = true;
            search.answer = answer;
        } else if (!search.pending.empty() && search.pending == m_strTyped) {
            again = true;
        }
    }
    if (again) {
        StartSearches();
        return;
    }
    bool running = false;
    for (const Search& search : m_Searches)
        running = running || (search.job && !search.timedOut);
    if (!running)
        KillTimer(m_Popup.Handle(), kSearchTimeout);
    m_RemoteRows = RemoteRows();
    if (m_Popup.IsOpen() || (GetFocus() == m_hField && !m_strTyped.empty() && !m_bDismissed))
        ShowRows();
}

// A server silent too long: its search is cancelled and the list says so.
void CManualEntryCompletion::OnSearchTimeout()
{
    KillTimer(m_Popup.Handle(), kSearchTimeout);
    for (Search& search : m_Searches) {
        if (search.job && !search.job->IsDone()) {
            search.job->Cancel();
            search.timedOut = true;
        }
    }
    m_RemoteRows = RemoteRows();
    if (m_Popup.IsOpen())
        ShowRows();
}

// The rows of the servers' answers, and a note for each search still running or failed.
std::vector<CompletionRow> CManualEntryCompletion::RemoteRows() const
{
    std::vector<CompletionRow> rows;
    for (const Search& search : m_Searches) {
        if (search.forText != m_strTyped)
            continue;
        CompletionRow note;
        note.note = true;
        note.where = search.book;
        if (search.timedOut) {
            note.text = "サーバーが応答しません";
        } else if (!search.answered) {
            note.text = search.job ? "検索中…" : "検索を始められません";
        } else if (search.answer.kind == LiveSearchAnswer::Failed) {
            note.text = search.answer.note;
        } else {
            for (const LiveSearchHit& hit : search.answer.hits) {
                CompletionRow row;
                row.text = (hit.name.empty() ? std::string() : hit.name + " ") + "<" + hit.address + ">";
                row.where = search.book + (hit.folder.empty() ? std::string() : " / " + hit.folder);
                row.pick = CompletionText::PickText(hit.name, hit.address);
                row.pickKey = Folded(hit.address);
                rows.push_back(row);
            }
            continue;
        }
        // Notes are one line: the first of a cause's sentences.
        note.text = note.text.substr(0, note.text.find('\n'));
        rows.push_back(note);
    }
    return rows;
}

void CManualEntryCompletion::LoadPicks()
{
    m_strPickPath = PickPath();
    std::string bytes;
    if (!m_strPickPath.empty() && ReadWholeFile(m_strPickPath, bytes) == FileRead::Read)
        m_Picks.Load(bytes);
}

// Written as a book is (temporary file, flush, replace), with this run's picks added to
// what the file holds now; a failure costs only the order of later suggestions.
void CManualEntryCompletion::SavePicks()
{
    if (m_strPickPath.empty() || !m_Picks.HasNewPicks())
        return;
    std::string current;
    FileRead read = ReadWholeFile(m_strPickPath, current);
    if (read != FileRead::Read && read != FileRead::Gone)
        return;
    std::string text = m_Picks.MergeOnto(read == FileRead::Read ? current : std::string());
    if (!WriteFileSafely(m_strPickPath,
                         [&](FILE* file) { return std::fwrite(text.data(), 1, text.size(), file) == text.size(); }))
        Trace("CManualEntryCompletion::SavePicks() : failed\n");
}
