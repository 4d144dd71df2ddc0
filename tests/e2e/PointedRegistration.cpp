#include "PointedRegistration.h"
#include <gtest/gtest.h>
#include <windows.h>
#include "UiScript.h"

namespace {

const int kNewBookCommand = 32787;
const int kBookNameEdit = 14003;
const int kBookFileEdit = 14016;

void AddBook(CUiScript& ui, HWND window, const NewBook& book)
{
    PostMessageA(window, WM_COMMAND, kNewBookCommand, 0);
    HWND editor = ui.WaitForWindow("#32770", "アドレスブックの登録・編集");
    ASSERT_NE(nullptr, editor);
    SetDlgItemTextA(editor, kBookNameEdit, book.name.c_str());
    SetDlgItemTextA(editor, kBookFileEdit, book.file.c_str());
    CUiScript::Click(editor, IDOK);
    ui.WaitFor([&] { return !IsWindow(editor); });
}

}  // namespace

void RegisterPointedAddress(const std::function<int(int)>& command, const char* name, const NewBook* book)
{
    CUiScript::Run([&] { return static_cast<INT_PTR>(command(35002)); },
                   [&](CUiScript& ui) {
                       HWND editor = ui.WaitForWindow("#32770", "アドレス情報の登録・編集");
                       ASSERT_NE(nullptr, editor);
                       SetDlgItemTextA(editor, 14009, name);
                       CUiScript::Click(editor, IDOK);
                       HWND window = ui.WaitForWindow("#32770", "アドレス帳 - Velmora 1.0");
                       ASSERT_NE(nullptr, window);
                       if (book)
                           AddBook(ui, window, *book);
                       CUiScript::Click(window, 1004);
                       ui.WaitFor([&] { return !IsWindow(window); });
                   });
}
