// CToolBar, a comctl32 toolbar created as a child window.
#pragma once
#include "framework/Wnd.h"

class CToolBar : public CWnd {
public:
    struct Button {
        int command;  // 0 for a separator
        int image;
        const char* text;
    };

    BOOL Create(HWND parent, DWORD style, UINT id);
    void SetImageList(HIMAGELIST images) const { Send(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)); }
    BOOL AddButtons(const Button* buttons, int count) const;
    int ButtonCount() const { return static_cast<int>(Send(TB_BUTTONCOUNT)); }
    // The height the toolbar's own layout gives it.
    int FixedHeight() const;
};
