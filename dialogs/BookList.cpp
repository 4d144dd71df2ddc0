#include "dialogs/BookList.h"

namespace {

std::string ItemText(HWND list, int index)
{
    LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

}  // namespace

void FillLocalBooks(HWND list, const CAddrBook& store)
{
    for (const ADTDATA* book = store.m_Root.pChild; book; book = book->pNext) {
        if (book->cType == ADT_LOCAL_BOOK)
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(book->psName ? book->psName : ""));
    }
}

// The list's own search alone would take "Work2" for "Work", or "AB" for "ab", when that
// item comes first: a name the store holds exactly is preferred.
void SelectBookByName(HWND list, const char* name)
{
    int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (ItemText(list, i) == name) {
            SendMessageA(list, CB_SETCURSEL, i, 0);
            return;
        }
    }
    SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
}

bool GetSelectedBook(HWND list, std::string& name)
{
    LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return false;
    name = ItemText(list, static_cast<int>(selected));
    return true;
}
