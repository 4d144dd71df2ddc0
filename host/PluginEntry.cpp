// The two entry points that the host calls: events (information, menus, the address book)
// and the plug-in's own menu commands. Nothing thrown inside may reach the host.
#include <windows.h>
#include <cstring>
#include "framework/Trace.h"
#include "host/EdaTable.h"
#include "host/PluginInfo.h"
#include "store/AddrBook.h"
#include "dialogs/AddrEditDlg.h"
#include "dialogs/AddrText.h"
#include "window/AddrDlg.h"


namespace {

template <size_t N>
void CopyField(char (&field)[N], const char* text)
{
    lstrcpynA(field, text, static_cast<int>(N));
}

void FillPluginInfo(PLUGIN_INFO* info)
{
    info->nTag = 10;
    CopyField(info->szName, PluginAbout::kName);
    CopyField(info->szVersion, PluginAbout::kVersion);
    CopyField(info->szDate, PluginAbout::kDate);
    CopyField(info->szAuthor, PluginAbout::kAuthor);
    CopyField(info->szMail, PluginAbout::kMail);
    CopyField(info->szUrl, PluginAbout::kUrl);
    CopyField(info->szDescription, PluginAbout::kDescription);
    info->szExtra1[0] = '\0';
    info->szExtra2[0] = '\0';
    info->szExtra3[0] = '\0';
    info->szExtra4[0] = '\0';
    info->szExtra5[0] = '\0';
}

UINT MenuId(int command)
{
    return g_EdaTable.GetTempID()(g_EdaTable.m_hInst, command);
}

// Adds the settings item to the host's menus, or turns the host's register items into ours.
int OnMenuInit(int kind, HMENU menu)
{
    switch (kind) {
    case 3:
    case 7:
        AppendMenuA(menu, MF_STRING, MenuId(CMD_SETTINGS), "Velmora の設定");
        return 1;
    case 9:
        ModifyMenuA(menu, 9, MF_BYPOSITION | MF_STRING, MenuId(CMD_REGISTER_DISABLED),
                    "　アドレス帳へ登録(&B)...*使用不可");
        return 1;
    case 11:
        ModifyMenuA(menu, 3, MF_BYPOSITION | MF_STRING, MenuId(CMD_REGISTER_ADDRESS),
                    "アドレス帳へ登録(&B)...*");
        return 1;
    default:
        return 0;
    }
}

void ShowNotImplemented()
{
    MessageBoxA(nullptr, "アドレスブックからメールを作成する機能は未実装です", "エラー", MB_OK);
}

// Opens the address book window: mode 0 to look up and maintain the books, 1 to 4 to
// pick recipients of that type for the message being written.
int OnAddressBook(unsigned int mode)
{
    if (mode > 4)
        return 1;
    CAddrDlg dialog(nullptr, g_AddrBook);
    if (mode == 0) {
        if (dialog.DoModal() == IDOK)
            ShowNotImplemented();
        return 1;
    }
    dialog.m_nSendType = static_cast<int>(mode);
    char* texts[4] = {nullptr, nullptr, nullptr, nullptr};
    g_EdaTable.GetCurAdrInfo()(&texts[0], &texts[1], &texts[2], &texts[3]);
    std::string* headers[4] = {&dialog.m_strTo, &dialog.m_strCc, &dialog.m_strBcc, &dialog.m_strReplyTo};
    bool handedOut = false;
    for (int i = 0; i < 4; ++i) {
        if (texts[i])
            handedOut = true;
        if (texts[i] && *texts[i])
            *headers[i] = texts[i];
    }
    if (handedOut)
        g_EdaTable.ReleaseEdmaxBuffer()();
    if (dialog.DoModal() == IDOK) {
        g_EdaTable.SetCurAdrInfo()(dialog.m_strTo.c_str(), dialog.m_strCc.c_str(), dialog.m_strBcc.c_str(),
                                   dialog.m_strReplyTo.c_str());
    }
    return 1;
}

// Registers the mail address under the pointer in the host's editing screen: the address
// dialog proposes it, the new address goes last into the chosen book, and the address book
// window opens on the books.
void RegisterPointedAddress()
{
    CAddrEditDlg editor(nullptr, g_AddrBook);
    const char* pointed = g_EdaTable.GetPointedMailAdr()();
    editor.m_strAddr = pointed ? pointed : "";
    editor.m_strName = "";
    if (editor.DoModal() != IDOK)
        return;
    ADTDATA* book = g_AddrBook.FindBookByName(editor.m_strBook.c_str());
    if (!book) {
        MessageBoxA(nullptr, "不正なブックが選択されています", "エラー", MB_OK | MB_ICONERROR);
        return;
    }
    ADTDATA* node = g_AddrBook.AddData(ADT_ADDR, editor.m_strName.c_str(),
                                       ToStoredAddresses(editor.m_strAddr).c_str(), book, PLACE_CHILD);
    g_AddrBook.SetModified(node);
    OnAddressBook(0);
}

int HandleEvent(int event, int subCode, void* data)
{
    switch (event) {
    case EV_PLUGIN_INFO:
        if (data)
            FillPluginInfo(static_cast<PLUGIN_INFO*>(data));
        return 0;
    case EV_MENU_INIT:
        return OnMenuInit(subCode, static_cast<HMENU>(data));
    case EV_ADDRESS_BOOK:
        return OnAddressBook(static_cast<unsigned int>(subCode));
    default:
        return 0;
    }
}

int HandleCommand(int command)
{
    switch (command) {
    case CMD_SETTINGS:
        return MessageBoxA(nullptr, "特に設定する項目はありません",
                           "Velmora - EdMax用アドレス帳拡張プラグイン", MB_OK | MB_ICONINFORMATION);
    case CMD_REGISTER_DISABLED:
        return MessageBoxA(nullptr,
                           "現在この機能は使用できません。\n編集画面のメールアドレスを左クリックして登録してください。",
                           nullptr, MB_OK);
    case CMD_REGISTER_ADDRESS:
        RegisterPointedAddress();
        return 0;
    default:
        return 0;
    }
}

}  // namespace

extern "C" int __cdecl EDH_OnHandleEvent(void*, int nEvent, int nSubCode, void* pData)
{
    try {
        return HandleEvent(nEvent, nSubCode, pData);
    } catch (...) {
        Trace("EDH_OnHandleEvent(%d): failed\n", nEvent);
        return 0;
    }
}

extern "C" int __cdecl EDH_OnCmdProc(void*, int nCommand)
{
    try {
        return HandleCommand(nCommand);
    } catch (...) {
        Trace("EDH_OnCmdProc(%d): failed\n", nCommand);
        return 0;
    }
}
