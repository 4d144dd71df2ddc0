#include "WindowFixture.h"
#include <cstring>
#include "store/IniPath.h"

void WindowFixture::SetUp()
{
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "velmora-window-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(counter++) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::strcpy(g_szIniPath, (folder + "velmora.ini").c_str());
}

void WindowFixture::TearDown()
{
    g_szIniPath[0] = '\0';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
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
    HWND list = GetDlgItem(dialog, IDC_SEND_LIST);
    std::vector<std::string> entries;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[1024] = "";
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        entries.push_back(text);
    }
    return entries;
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
    char value[256];
    GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, g_szIniPath);
    return value;
}
