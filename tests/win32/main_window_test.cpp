// The main window as its user meets it, read back from the real window: the popup
// menu's items and the tips of the hot spots, not the form's own tables.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/win32/tools/test_platform.h"
#include "ui/frm_credits.h"
#include "ui/frm_main.h"
#include "ui/frm_menu.h"

namespace pw {
namespace {

std::vector<std::string> gMenuSeen;

// "caption", "-" for a separator; a submenu's items follow it, indented.
void ReadMenu(HMENU m, const std::string& indent) {
    for (int i = 0, n = GetMenuItemCount(m); i < n; ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 127;
        GetMenuItemInfoW(m, static_cast<UINT>(i), TRUE, &info);
        std::string line = indent + ((info.fType & MFT_SEPARATOR) ? "-" : ToUtf8(text));
        if ((info.fState & MFS_GRAYED) && !(info.fType & MFT_SEPARATOR)) line += " (greyed)";
        if (info.fType & MFT_RADIOCHECK) line += " (radio)";
        if (info.fState & MFS_CHECKED) line += " (checked)";
        gMenuSeen.push_back(line);
        if (info.hSubMenu) ReadMenu(info.hSubMenu, indent + "  ");
    }
}

// Runs inside the popup menu's own modal loop: reads the open menu, then closes it.
void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (HWND popup = FindWindowW(L"#32768", nullptr))
        ReadMenu(reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)), "");
    EndMenu();
}

TEST(Win32MainWindow, ThePopupMenuAsItOpens) {
    test::TestPlatform p;
    FrmMain main(p);
    main.Window().Show();
    gMenuSeen.clear();
    SetTimer(nullptr, 0, 300, ReadOpenMenu);
    main.lblMenu_Click();  // the real menu, until the timer closes it
    const std::vector<std::string> expected = {"-",
                                               "statistics",
                                               "  scroll stats",
                                               "  clear stats",
                                               "-",
                                               "updates",
                                               "credits (greyed)",
                                               "-",
                                               "auto idle",
                                               "  off (radio) (checked)",
                                               "  after 5 minutes (radio)",
                                               "  after 10 minutes (radio)",
                                               "  after 15 minutes (radio)",
                                               "  after 30 minutes (radio)",
                                               "-",
                                               "minimize",
                                               "exit",
                                               "-"};
    EXPECT_EQ(gMenuSeen, expected);
}

// The tips the window's tooltip control holds for the tools under the given points.
std::vector<std::string> TipsAt(HWND w, const std::vector<POINT>& points) {
    // Tips are made on the first move over a control that has one.
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(points[0].x, points[0].y));
    std::pair<HWND, HWND> found{w, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND t, LPARAM out) -> BOOL {
            // The tooltip control of this window: its tools belong to it.
            auto* want = reinterpret_cast<std::pair<HWND, HWND>*>(out);
            TTTOOLINFOW ti{};
            ti.cbSize = TTTOOLINFOW_V2_SIZE;
            if (SendMessageW(t, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti)) && ti.hwnd == want->first) {
                want->second = t;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    const HWND tips = found.second;
    std::vector<std::string> out;
    if (!tips) return out;
    const int count = static_cast<int>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
    for (const POINT& pt : points) {
        std::string tip = "(none)";
        for (int i = 0; i < count; ++i) {
            wchar_t text[80] = {};
            TTTOOLINFOW ti{};
            ti.cbSize = TTTOOLINFOW_V2_SIZE;
            ti.lpszText = text;
            SendMessageW(tips, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ti));
            if (ti.hwnd == w && PtInRect(&ti.rect, pt)) tip = ToUtf8(text);
        }
        out.push_back(tip);
    }
    return out;
}

TEST(Win32MainWindow, HotSpotsAndHandlesCarryTheirTips) {
    test::TestPlatform p;
    FrmMain main(p);
    main.Window().Show();
    // Client pixels of the hot spots over the title bar, and of the start button.
    const HWND w = reinterpret_cast<HWND>(main.Window().Handle());
    EXPECT_EQ(TipsAt(w, {{18, 19}, {267, 19}, {285, 19}, {51, 52}}),
              (std::vector<std::string>{"menu", "minimize", "close", "(none)"}));

    main.Menu().credits_Click();
    FrmCredits& credits = *main.Menu().Credits();
    const HWND c = reinterpret_cast<HWND>(credits.Window().Handle());
    // The two handles: "kuvano" at (168, 6) and "QUANX" at (168, 26) of the credits window.
    EXPECT_EQ(TipsAt(c, {{175, 12}, {175, 32}, {20, 20}}),
              (std::vector<std::string>{"Click", "Click", "(none)"}));
}

}  // namespace
}  // namespace pw
