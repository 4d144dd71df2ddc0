#include "WindowFixture.h"
#include <cstring>
#include "TestFiles.h"
#include "books/IniPath.h"

void WindowFixture::SetUp()
{
    folder = NewTestFolder();
    std::strcpy(g_szIniPath, (folder + "velmora.ini").c_str());
}

void WindowFixture::TearDown()
{
    g_szIniPath[0] = '\0';
    RemoveTestFolder(folder);
}

INT_PTR WindowFixture::RunWindow(CAddrDlg& dialog, const std::function<void(CUiScript&, HWND)>& body)
{
    return CUiScript::Run([&] { return dialog.DoModal(); },
                          [&](CUiScript& ui) {
                              HWND window = ui.WaitForWindow("#32770", "アドレス帳 - Velmora 1.0");
                              ASSERT_NE(nullptr, window);
                              body(ui, window);
                              // Whatever the body did, the window ends before the test does.
                              if (IsWindow(window)) {
                                  PostMessageA(window, WM_CLOSE, 0, 0);
                                  ui.WaitFor([&] { return !IsWindow(window); });
                              }
                          });
}

std::vector<std::string> WindowFixture::Entries(HWND dialog)
{
    return CUiScript::ListTexts(GetDlgItem(dialog, IDC_SEND_LIST));
}

void WindowFixture::SelectNode(HWND dialog, const ADTDATA* node)
{
    SendMessageA(GetDlgItem(dialog, IDC_ADDR_TREE), TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(node->hItem));
}

RECT WindowFixture::ControlRect(HWND dialog, int id)
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string WindowFixture::IniValue(const char* section, const char* key) const
{
    return ::IniValue(g_szIniPath, section, key);
}

SeenBox WindowFixture::AnswerBox(CUiScript& ui, int button)
{
    HWND box = ui.WaitForWindowWhere(CBoxWatcher::IsMessageBox);
    SeenBox seen = box ? CBoxWatcher::Describe(box) : SeenBox();
    if (box) {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        ui.WaitFor([&] { return !IsWindow(box); });
    }
    return seen;
}
