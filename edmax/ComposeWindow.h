// The mail editing screen (メール作成) that plug-ins work on: the To/CC/BCC/ReplyTo header
// fields with their address book buttons, the subject, the body, menus, a toolbar and a status
// bar. It raises the menu and address book events and routes plug-in menu commands.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include "edmax/ScreenScene.h"

class CPlugin;
class CTempIdTable;

enum ComposeField : int {
    FIELD_TO,
    FIELD_CC,
    FIELD_BCC,
    FIELD_REPLY_TO,
    FIELD_SUBJECT,
    FIELD_BODY,
    FIELD_COUNT,
};

class CComposeWindow {
public:
    CComposeWindow(CPlugin& plugin, const CTempIdTable& tempIds);
    ~CComposeWindow();
    CComposeWindow(const CComposeWindow&) = delete;
    CComposeWindow& operator=(const CComposeWindow&) = delete;

    // Creates the window, its controls and menus; the plug-in extends the menu bar here.
    bool Create(HINSTANCE hInstance);
    void Show(int nCmdShow);
    HWND Handle() const { return m_hWnd; }

    // Keyboard handling of the message loop (accelerators, Tab between fields). True when the
    // message was used.
    bool PreTranslate(MSG* pMsg);

    std::string FieldText(ComposeField field) const;
    void SetFieldText(ComposeField field, const std::string& text);

    // The mail address the user right-clicked, while its context menu and the chosen command
    // run; NULL otherwise.
    const char* PointedMailAddress() const;

    // The left part of the status bar.
    void SetStatusText(const std::string& text);

    // Shows a message once the window is up (used for a plug-in that did not load).
    void PostNotice(const std::string& text);
    // Opens the address book in mode (EdhBookMode) after delayMs.
    void ScheduleAddressBook(int mode, UINT delayMs);
    // Closes the plug-in's dialogs and then the window after delayMs.
    void ScheduleQuit(UINT delayMs);
    // Plays scene on the plug-in's windows as they open, then closes everything.
    void PlayScene(std::unique_ptr<CScreenScene> scene);

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK BodyProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR idSubclass, DWORD_PTR refData);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // ComposeWindow.cpp: building and layout
    void CreateChildren();
    void CreateFonts();
    void CreateToolbar();
    void ExtendMenu(HMENU hMenu, int nKind, bool bSeparatorFirst);
    void Layout();
    HWND Field(ComposeField field) const { return m_hFields[field]; }

    // ComposeCommands.cpp: what the commands do
    void OnCommand(UINT id);
    void OnBodyContextMenu(POINT ptScreen);
    void OnTimer(UINT_PTR id);
    void OnClose();
    void OpenAddressBook(int mode);
    void RunPluginCommand(int nCommand);
    void EditCommand(UINT id);
    void PasteQuoted();
    void AddPointedTo(ComposeField field);
    void CopyPointed();
    void NewMessage();
    void UpdateMenuItems(HMENU hMenu);
    void ToggleBar(HWND hBar, bool* pbShown);
    void ShowPluginInfo();
    void ShowAbout();
    HWND EditTarget() const;

    CPlugin& m_plugin;
    const CTempIdTable& m_tempIds;
    HWND m_hWnd = NULL;
    HWND m_hToolbar = NULL;
    HWND m_hStatus = NULL;
    HWND m_hHeaderButtons[FIELD_SUBJECT] = {};  // To..ReplyTo: buttons that open the book
    HWND m_hSubjectLabel = NULL;
    HWND m_hFields[FIELD_COUNT] = {};
    HFONT m_hFont = NULL;
    HFONT m_hBodyFont = NULL;
    HACCEL m_hAccel = NULL;
    HWND m_hLastFocus = NULL;  // restored when the window is activated again
    int m_nRowHeight = 24;
    int m_nLabelWidth = 80;
    bool m_bToolbarShown = true;
    bool m_bStatusShown = true;
    int m_nPendingBookMode = -1;
    int m_nQuitTries = 0;
    std::unique_ptr<CScreenScene> m_pScene;
    std::string m_sPointed;
    std::string m_sNotice;
};
