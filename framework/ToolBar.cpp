#include "framework/ToolBar.h"
#include <vector>

BOOL CToolBar::Create(HWND parent, DWORD style, UINT id)
{
    m_hWnd = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    if (!m_hWnd)
        return FALSE;
    Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    return TRUE;
}

BOOL CToolBar::AddButtons(const Button* buttons, int count) const
{
    std::vector<TBBUTTON> items(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TBBUTTON& item = items[static_cast<size_t>(i)];
        item = TBBUTTON();
        if (buttons[i].command == 0) {
            item.fsStyle = TBSTYLE_SEP;
            continue;
        }
        item.idCommand = buttons[i].command;
        item.iBitmap = buttons[i].image;
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = TBSTYLE_BUTTON | BTNS_AUTOSIZE;
        item.iString = reinterpret_cast<INT_PTR>(buttons[i].text);
    }
    return static_cast<BOOL>(Send(TB_ADDBUTTONSA, items.size(), reinterpret_cast<LPARAM>(items.data())));
}

int CToolBar::FixedHeight() const
{
    Send(TB_AUTOSIZE);
    RECT rect = GetWindowRect();
    return rect.bottom - rect.top;
}
