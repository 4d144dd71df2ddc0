// CDialog, a modal or modeless dialog from a template in the plug-in's own module. One
// dialog procedure keeps the object in DWLP_USER and fans the messages out to virtual
// handlers; notifications that a bound control handles itself are reflected to it.
#pragma once
#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    // Without an owner the dialog is owned by the window active when it opens.
    CDialog(UINT templateId, HWND owner);

    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    // Creates the dialog modeless, owned by owner, visible only if its template says so.
    // Whoever runs the message loop must pass it to IsDialogMessage for its keys.
    BOOL CreateModeless(HWND owner);

protected:
    // Binds controls to member objects; runs first in OnInitDialog.
    virtual void BindControls() {}
    // TRUE lets the dialog manager set the focus.
    virtual BOOL OnInitDialog();
    // Every WM_COMMAND. The default is the normal routing: OK, Cancel, then OnCmdMsg.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The commands of the dialog's own controls and menus; TRUE when handled.
    virtual BOOL OnCmdMsg(UINT id, UINT code);
    // Every WM_NOTIFY. The default reflects it to the sending control's object.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual void OnOK();
    virtual void OnCancel();
    // Other messages; set handled to take them, the return value is the message's result.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    UINT m_nTemplateId;
    HWND m_hOwner;

private:
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
