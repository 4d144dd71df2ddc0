// A store with a few books, a settings file of its own, and the address book window run
// modally while a test body drives it.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "BoxWatcher.h"
#include "UiScript.h"
#include "resources/resource.h"
#include "store/AddrBook.h"
#include "window/AddrDlg.h"

class WindowFixture : public ::testing::Test {
protected:
    std::string folder;
    CAddrBook store;

    void SetUp() override;
    void TearDown() override;

    // Runs the window (send type and header texts set first) while body drives it.
    INT_PTR RunWindow(CAddrDlg& dialog, const std::function<void(CUiScript&, HWND)>& body);

    // Entry texts of the send list, top to bottom.
    static std::vector<std::string> Entries(HWND dialog);
    static void SelectNode(HWND dialog, const ADTDATA* node);
    static void TypeManual(HWND dialog, const char* text) { SetDlgItemTextA(dialog, IDC_MANUAL_ENTRY, text); }
    // A control's rectangle in the dialog's client coordinates.
    static RECT ControlRect(HWND dialog, int id);
    std::string IniValue(const char* section, const char* key) const;
    // Waits for the next message box, records it and presses button.
    static SeenBox AnswerBox(CUiScript& ui, int button = IDOK);
};
