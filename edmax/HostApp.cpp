#include "edmax/HostApp.h"

#include <commctrl.h>
#include "edmax/AddressText.h"
#include "edmax/ModulePath.h"
#include "edmax/ScreenScene.h"

CHostApp* CHostApp::s_pCurrent = nullptr;

namespace {

const char kPluginFileName[] = "velmora.dll";
const UINT kOpenDelayMs = 300;  // lets the editing screen paint before the modal window

}  // namespace

CHostApp::CHostApp(const CHostOptions& options)
    : m_options(options), m_window(m_plugin, m_tempIds)
{
}

CHostApp::~CHostApp()
{
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
}

int CHostApp::Run(HINSTANCE hInstance, int nCmdShow)
{
    s_pCurrent = this;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    // Without the plug-in the host still runs, so that the screen can be seen; its features
    // are then disabled.
    m_plugin.Load(ExecutableFolder() + "\\" + kPluginFileName);
    if (!m_window.Create(hInstance)) {
        MessageBoxA(NULL, "メール作成ウィンドウを作れませんでした。", "EdMax", MB_OK | MB_ICONERROR);
        m_plugin.Unload();
        s_pCurrent = nullptr;
        return 1;
    }
    PresetFields();
    m_window.Show(nCmdShow);
    if (!m_plugin.IsLoaded())
        m_window.PostNotice(m_plugin.LoadError() + "\n\nアドレス帳の機能は使えません。");
    if (m_options.m_nOpenMode != CHostOptions::kNoOpen)
        m_window.ScheduleAddressBook(m_options.m_nOpenMode, kOpenDelayMs);
    if (m_options.m_nQuitAfterMs)
        m_window.ScheduleQuit(m_options.m_nQuitAfterMs);
    if (!m_options.m_sScene.empty())
        m_window.PlayScene(std::make_unique<CScreenScene>(m_options.m_sScene, m_options.m_sReadyFile));

    MSG msg = {};
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (m_window.PreTranslate(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    // The plug-in saves its address books while it unloads.
    m_buffers.ReleaseAll();
    m_plugin.Unload();
    s_pCurrent = nullptr;
    return static_cast<int>(msg.wParam);
}

void CHostApp::PresetFields()
{
    m_window.SetFieldText(FIELD_TO, FieldTextFrom(m_options.m_sTo));
    m_window.SetFieldText(FIELD_CC, FieldTextFrom(m_options.m_sCc));
    m_window.SetFieldText(FIELD_BCC, FieldTextFrom(m_options.m_sBcc));
    m_window.SetFieldText(FIELD_REPLY_TO, FieldTextFrom(m_options.m_sReplyTo));
    m_window.SetFieldText(FIELD_SUBJECT, m_options.m_sSubject);
    m_window.SetFieldText(FIELD_BODY, m_options.m_sBody);
}
