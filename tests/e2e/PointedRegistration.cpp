#include "PointedRegistration.h"
#include <gtest/gtest.h>
#include <windows.h>
#include "UiScript.h"

void RegisterPointedAddress(const std::function<int(int)>& command, const char* name)
{
    CUiScript::Run([&] { return static_cast<INT_PTR>(command(35002)); },
                   [&](CUiScript& ui) {
                       HWND editor = ui.WaitForWindow("#32770", "アドレス情報の登録・編集");
                       ASSERT_NE(nullptr, editor);
                       SetDlgItemTextA(editor, 14009, name);
                       CUiScript::Click(editor, IDOK);
                       HWND window = ui.WaitForWindow("#32770", "アドレス帳 - Velmora 1.0");
                       ASSERT_NE(nullptr, window);
                       CUiScript::Click(window, 1004);
                       ui.WaitFor([&] { return !IsWindow(window); });
                   });
}
