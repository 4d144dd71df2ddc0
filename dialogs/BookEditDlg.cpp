#include "dialogs/BookEditDlg.h"
#include <commdlg.h>
#include <algorithm>
#include "framework/PathName.h"
#include "framework/Trace.h"
#include "framework/WinApp.h"
#include "exchange/ImportFormat.h"
#include "files/BookFile.h"
#include "files/FileIdentity.h"
#include "resources/resource.h"

namespace {

// Display texts and patterns alternate; the display texts keep their spaces.
const char kBookFilter[] = "AL-MAILアドレス帳 (*.adr) \0*.adr\0 All Files (*.*) \0*.*\0";

// Room for the path the save dialog returns, and never less than the path it starts on.
const size_t kMinPathBuffer = 1024;

std::string PluginFolder()
{
    CWinApp* app = CWinApp::Current();
    return PathFolder(ModuleFileName(app ? app->m_hInstance : nullptr));
}

}  // namespace

CBookEditDlg::CBookEditDlg(HWND parent, CAddrBook& store) : CDialog(IDD_BOOK_EDIT, parent), m_Store(store) {}

CBookEditDlg::~CBookEditDlg() = default;

void CBookEditDlg::ShowMembers()
{
    SetDlgItemText(IDC_BOOK_FILE, m_strFile.c_str());
    SetDlgItemText(IDC_BOOK_URL, m_strUrl.c_str());
    SetDlgItemText(IDC_BOOK_NAME, m_strBookName.c_str());
    CheckDlgButton(m_hWnd, IDC_BOOK_LOCAL, m_nType == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hWnd, IDC_BOOK_GLOBAL, m_nType == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void CBookEditDlg::ReadControls()
{
    m_strFile = GetDlgItemText(IDC_BOOK_FILE);
    m_strUrl = GetDlgItemText(IDC_BOOK_URL);
    m_strBookName = GetDlgItemText(IDC_BOOK_NAME);
    if (IsDlgButtonChecked(m_hWnd, IDC_BOOK_LOCAL) == BST_CHECKED)
        m_nType = 0;
    else if (IsDlgButtonChecked(m_hWnd, IDC_BOOK_GLOBAL) == BST_CHECKED)
        m_nType = 1;
    else
        m_nType = -1;
}

// Every book starts as local, whatever the caller set. A book being edited keeps its
// type, file and URL: only its name can change here.
BOOL CBookEditDlg::OnInitDialog()
{
    Trace("BOOL CBookEditDlg::OnInitDialog()\n");
    m_nType = 0;
    CDialog::OnInitDialog();
    ShowMembers();

    if (!m_bEdit) {
        EnableTypeControls();
    } else {
        EnableWindow(GetDlgItem(IDC_BOOK_BROWSE), FALSE);
        ::SendMessageA(GetDlgItem(IDC_BOOK_FILE), EM_SETREADONLY, TRUE, 0);
        ::SendMessageA(GetDlgItem(IDC_BOOK_URL), EM_SETREADONLY, TRUE, 0);
        EnableWindow(GetDlgItem(IDC_BOOK_LOCAL), FALSE);
        EnableWindow(GetDlgItem(IDC_BOOK_GLOBAL), FALSE);
    }
    if (m_strBookName.empty())
        SetDlgItemText(IDC_BOOK_NAME, "新しいブック");
    if (m_strFile.empty())
        SetDlgItemText(IDC_BOOK_FILE, m_Store.ProposeBookFile(PluginFolder()).c_str());
    ReadControls();
    return TRUE;
}

BOOL CBookEditDlg::OnCmdMsg(UINT id, UINT code)
{
    if (code != BN_CLICKED)
        return FALSE;
    switch (id) {
    case IDC_BOOK_LOCAL:
        OnLocal();
        return TRUE;
    case IDC_BOOK_GLOBAL:
        OnGlobal();
        return TRUE;
    case IDC_BOOK_BROWSE:
        OnBrowse();
        return TRUE;
    default:
        return FALSE;
    }
}

void CBookEditDlg::OnLocal()
{
    Trace("void CBookEditDlg::OnLocal()\n");
    m_nType = 0;
    EnableTypeControls();
}

void CBookEditDlg::OnGlobal()
{
    Trace("void CBookEditDlg::OnGlobal()\n");
    m_nType = 1;
    EnableTypeControls();
}

// A local book is chosen by its file, a global one by its URL. The radio buttons follow
// m_nType too, so that a click sent as a bare notification cannot leave them disagreeing.
void CBookEditDlg::EnableTypeControls()
{
    BOOL local = m_nType == 0;
    CheckRadioButton(m_hWnd, IDC_BOOK_LOCAL, IDC_BOOK_GLOBAL, local ? IDC_BOOK_LOCAL : IDC_BOOK_GLOBAL);
    EnableWindow(GetDlgItem(IDC_BOOK_BROWSE), local);
    EnableWindow(GetDlgItem(IDC_BOOK_FILE), local);
    EnableWindow(GetDlgItem(IDC_BOOK_URL), !local);
}

// The system's save dialog, so that a file that does not exist yet can be named.
void CBookEditDlg::OnBrowse()
{
    Trace("void CBookEditDlg::OnBrowse()\n");
    std::string current = GetDlgItemText(IDC_BOOK_FILE);
    std::string path(std::max(current.size() + 1, kMinPathBuffer), '\0');
    path.replace(0, current.size(), current);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = kBookFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = &path[0];
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = "adr";
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameA(&dialog))
        return;
    path.resize(path.find('\0'));
    SetDlgItemText(IDC_BOOK_FILE, path.c_str());
}

bool CBookEditDlg::RefuseEmpty(int id, const char* message) const
{
    if (GetWindowTextLengthA(GetDlgItem(id)) > 0)
        return false;
    MessageBox(message, nullptr, MB_OK | MB_ICONWARNING);
    return true;
}

// A new local book's file must be no other book's (two books on one file would overwrite
// each other's changes at every save), and an existing file must be an address file: a
// vCard, CSV or other file would be rewritten as one at the book's first change.
bool CBookEditDlg::RefuseFile(const std::string& path) const
{
    const char* refusal = nullptr;
    std::string bytes;
    if (m_Store.IsBookFile(path))
        refusal = "指定されたファイルは他のアドレスブックで使用されています";
    else if (ReadWholeFile(path, bytes) == FileRead::Read) {
        ImportFormat format = DetectImportFormat(bytes);
        if (format == ImportFormat::VCard || format == ImportFormat::Csv ||
            (format == ImportFormat::AlMail && HasByteOrderMark(bytes)))
            refusal = "指定されたファイルはアドレスブックのファイル(AL-MAIL形式)ではありません\n"
                      "vCard や CSV などのファイルは「アドレス帳のインポート」で読み込んでください";
        else if (format == ImportFormat::Unknown)
            refusal = "指定されたファイルはアドレスブックのファイル(AL-MAIL形式)ではありません";
    }
    if (refusal)
        MessageBox(refusal, nullptr, MB_OK | MB_ICONWARNING);
    return refusal != nullptr;
}

// The checks read the controls as they are now; an empty text is one without any
// character, so a name of blanks passes.
void CBookEditDlg::OnOK()
{
    Trace("void CBookEditDlg::OnOK()\n");
    if (RefuseEmpty(IDC_BOOK_NAME, "ブック名が入力されていません"))
        return;
    if (m_nType != 0 && RefuseEmpty(IDC_BOOK_URL, "グローバルブックのURLが指定されていません"))
        return;
    if (m_nType == 0 && RefuseEmpty(IDC_BOOK_FILE, "ローカルブックのファイルが指定されていません"))
        return;
    if (!m_bEdit && m_nType == 0 && RefuseFile(FullPathOf(GetDlgItemText(IDC_BOOK_FILE), PluginFolder())))
        return;
    ReadControls();
    if (!m_bEdit && m_nType == 0)
        m_strFile = FullPathOf(m_strFile, PluginFolder());  // stored whole, wherever the current folder is
    CDialog::OnOK();
}
