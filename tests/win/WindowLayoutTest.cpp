#include "WindowFixture.h"
#include "books/IniPath.h"

namespace {

struct WindowLayoutTest : WindowFixture {
    void SetUp() override
    {
        WindowFixture::SetUp();
        store.AddData(ADT_LOCAL_BOOK, "B", (folder + "b.adr").c_str(), nullptr, 0);
    }

    void SetLayout(int left, int top, int right, int bottom, int split)
    {
        const struct {
            const char* key;
            int value;
        } values[] = {{"left", left}, {"top", top}, {"right", right}, {"bottom", bottom}, {"split", split}};
        for (const auto& v : values)
            WritePrivateProfileStringA("config", v.key, std::to_string(v.value).c_str(), g_szIniPath);
    }
};

RECT Outer(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

TEST_F(WindowLayoutTest, AFreshStartUsesTheDefaultLayout)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        RECT outer = Outer(window);
        EXPECT_EQ(0, outer.left);
        EXPECT_EQ(0, outer.top);
        EXPECT_EQ(494, outer.right - outer.left);
        EXPECT_EQ(481, outer.bottom - outer.top);
        EXPECT_EQ(251, ControlRect(window, IDC_ADDR_TREE).bottom);
        EXPECT_EQ(474, ControlRect(window, IDC_ADDR_TREE).right);
        EXPECT_EQ(308, ControlRect(window, IDC_SEND_LIST).top);
        EXPECT_EQ(399, ControlRect(window, IDC_SEND_LIST).bottom);
        for (int id : {IDC_DELETE_ENTRY, IDC_DELETE_ALL, IDC_CREATE_MAIL, IDC_CLOSE})
            EXPECT_EQ(406, ControlRect(window, id).top) << id;
        EXPECT_EQ(386, ControlRect(window, IDC_CLOSE).left);
        EXPECT_EQ(289, ControlRect(window, IDC_CREATE_MAIL).left);
        EXPECT_EQ(88, ControlRect(window, IDC_CLOSE).right - ControlRect(window, IDC_CLOSE).left);
        const int row[] = {IDC_ADD_TO, IDC_ADD_CC, IDC_ADD_BCC, IDC_ADD_REPLYTO};
        const int xs[] = {12, 109, 206, 303};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(xs[i], ControlRect(window, row[i]).left);
            EXPECT_EQ(281, ControlRect(window, row[i]).top);
        }
        EXPECT_EQ(254, ControlRect(window, IDC_MANUAL_LABEL).top);
        EXPECT_EQ(257, ControlRect(window, IDC_MANUAL_ENTRY).top);
        RECT band = ControlRect(window, IDC_SPLIT_LABEL);
        EXPECT_EQ(251, band.top);
        EXPECT_EQ(308, band.bottom);
    });
}

TEST_F(WindowLayoutTest, TheFrameStopsAtTheMinimumSize)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        RECT proposed = {100, 400, 600, 700};  // top edge dragged down to 300 high
        SendMessageA(window, WM_SIZING, WMSZ_TOP, reinterpret_cast<LPARAM>(&proposed));
        EXPECT_EQ(700 - 481, proposed.top);
        EXPECT_EQ(700, proposed.bottom);
        RECT narrow = {100, 100, 300, 700};  // left edge dragged right
        SendMessageA(window, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&narrow));
        EXPECT_EQ(300 - 494, narrow.left);
        RECT corner = {100, 100, 200, 200};
        SendMessageA(window, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&corner));
        EXPECT_EQ(594, corner.right);
        EXPECT_EQ(581, corner.bottom);
    });
}

TEST_F(WindowLayoutTest, TheSplitterStaysBetweenItsBounds)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        MoveWindow(window, 0, 0, 600, 700, TRUE);
        ui.Pump();
        int bandY = (ControlRect(window, IDC_ADDR_TREE).bottom + ControlRect(window, IDC_SEND_LIST).top) / 2;
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, bandY));
        EXPECT_EQ(1, dialog.m_bSplitDrag);
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, bandY - 300));
        EXPECT_EQ(251, dialog.m_nSplit);
        EXPECT_EQ(251, ControlRect(window, IDC_ADDR_TREE).bottom);
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, bandY + 1000));
        EXPECT_EQ(700 - 220, dialog.m_nSplit);
        EXPECT_EQ(480, ControlRect(window, IDC_ADDR_TREE).bottom);
        EXPECT_EQ(537, ControlRect(window, IDC_SEND_LIST).top);
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, bandY + 960));
        EXPECT_EQ(440, dialog.m_nSplit);
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, bandY));
        EXPECT_EQ(0, dialog.m_bSplitDrag);
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 0));
        EXPECT_EQ(440, dialog.m_nSplit);

        // Outside the band a press starts nothing.
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 10));
        EXPECT_EQ(0, dialog.m_bSplitDrag);
    });
}

TEST_F(WindowLayoutTest, TheLayoutIsSavedAndRestored)
{
    {
        CAddrDlg dialog(nullptr, store);
        RunWindow(dialog, [&](CUiScript& ui, HWND window) {
            MoveWindow(window, 30, 40, 640, 560, TRUE);
            ui.Pump();
            int bandY = (ControlRect(window, IDC_ADDR_TREE).bottom + ControlRect(window, IDC_SEND_LIST).top) / 2;
            SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, bandY));
            SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, bandY + 40));
            SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, bandY + 40));
            CUiScript::Click(window, IDC_CLOSE);
            ui.WaitFor([&] { return !IsWindow(window); });
        });
    }
    EXPECT_EQ("30", IniValue("config", "left"));
    EXPECT_EQ("40", IniValue("config", "top"));
    EXPECT_EQ("670", IniValue("config", "right"));
    EXPECT_EQ("600", IniValue("config", "bottom"));
    EXPECT_EQ("291", IniValue("config", "split"));

    CAddrDlg again(nullptr, store);
    RunWindow(again, [&](CUiScript&, HWND window) {
        RECT outer = Outer(window);
        EXPECT_EQ(30, outer.left);
        EXPECT_EQ(40, outer.top);
        EXPECT_EQ(670, outer.right);
        EXPECT_EQ(600, outer.bottom);
        EXPECT_EQ(291, ControlRect(window, IDC_ADDR_TREE).bottom);
    });
}

TEST_F(WindowLayoutTest, StoredValuesOutsideTheBoundsAreMendedAsDescribed)
{
    SetLayout(50, 60, 100, 100, 100);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        RECT outer = Outer(window);
        EXPECT_EQ(50, outer.left);
        EXPECT_EQ(544, outer.right);
        EXPECT_EQ(541, outer.bottom);
        // The stored split holds until the first frame or splitter step.
        EXPECT_EQ(100, ControlRect(window, IDC_ADDR_TREE).bottom);
        RECT proposed = outer;
        SendMessageA(window, WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&proposed));
        EXPECT_EQ(251, dialog.m_nSplit);
        MoveWindow(window, proposed.left, proposed.top, proposed.right - proposed.left,
                   proposed.bottom - proposed.top + 10, TRUE);
        ui.Pump();
        EXPECT_EQ(251, ControlRect(window, IDC_ADDR_TREE).bottom);
    });
}

// A layout saved on a display that is gone comes back onto a monitor at its saved size.
TEST_F(WindowLayoutTest, ARectangleOnNoMonitorMovesOntoTheNearestOne)
{
    SetLayout(5000, 4000, 5640, 4560, 300);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        RECT outer = Outer(window);
        EXPECT_EQ(640, outer.right - outer.left);
        EXPECT_EQ(560, outer.bottom - outer.top);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONULL), &monitor));
        EXPECT_EQ(monitor.rcWork.right, outer.right);
        EXPECT_EQ(monitor.rcWork.bottom, outer.bottom);
    });
}

// The splitter's pointer messages are answered by the window itself, with no default
// processing after them.
TEST_F(WindowLayoutTest, ThePointerHandlersEndWithoutDefaultProcessing)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(window, DWLP_DLGPROC));
        int bandY = (ControlRect(window, IDC_ADDR_TREE).bottom + ControlRect(window, IDC_SEND_LIST).top) / 2;
        for (UINT message : {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP})
            EXPECT_EQ(TRUE, procedure(window, message, 0, MAKELPARAM(5, bandY))) << message;
        EXPECT_EQ(FALSE, procedure(window, WM_SIZE, 0, 0));
    });
}

}  // namespace
