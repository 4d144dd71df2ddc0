#include "framework/TreeCtrl.h"
#include <cstring>

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const
{
    TVITEMA tvi = {};
    tvi.mask = TVIF_PARAM | TVIF_HANDLE;
    tvi.hItem = item;
    return GetItem(tvi) ? static_cast<DWORD_PTR>(tvi.lParam) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) const
{
    TVITEMA tvi = {};
    tvi.mask = TVIF_PARAM | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.lParam = static_cast<LPARAM>(data);
    return SetItem(tvi);
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const char* text) const
{
    TVITEMA tvi = {};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.pszText = const_cast<char*>(text);
    return SetItem(tvi);
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const
{
    std::string text(1024, '\0');
    TVITEMA tvi = {};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.pszText = &text[0];
    tvi.cchTextMax = static_cast<int>(text.size());
    if (!GetItem(tvi))
        return std::string();
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}

HTREEITEM CTreeCtrl::HitTest(POINT point, UINT* flags) const
{
    TVHITTESTINFO hit = {};
    hit.pt = point;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (flags)
        *flags = hit.flags;
    return item;
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, RECT* rect, BOOL textOnly) const
{
    // The message takes the item in the rectangle's place.
    std::memcpy(rect, &item, sizeof item);
    return static_cast<BOOL>(Send(TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(rect)));
}
