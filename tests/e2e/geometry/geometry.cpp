// pw_geometry: where the main window and its spots are on screen, computed from the
// real form definitions with the window's own layout rules, so the shell tests never
// retype a pixel.
//
//   pw_geometry [DPI]      (default: the DPI Windows reports now)
//
// Prints key=value lines: dpi, percent (display scale), window (left top right bottom
// at the design place), client (width height), spot.NAME (x y, client pixels) for the
// spots a user clicks (menu, minimize, close, title, start, stop), popup (x y, client
// pixels: where the popup menu opens), and art.NAME (left
// top width height, client pixels) where each skin picture is drawn (title, bottom,
// start, stop).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/form_layout.h"
#include "platform/win32/dpi.h"
#include "platform/win32/win32_platform.h"
#include "ui/frm_main.h"

namespace {

void Print(const std::string& key, const std::string& value) {
    const std::string line = key + "=" + value + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
              nullptr);
}

std::string Numbers(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += (out.empty() ? "" : " ") + std::to_string(v);
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int dpi = argc > 1 ? static_cast<int>(std::wcstol(argv[1], nullptr, 10)) : pw::SystemDpi();
    if (dpi < 48 || dpi > 1920) return 2;
    pw::Win32Platform platform;
    pw::FrmMain main(platform);  // the form's data only: no window is made
    const pw::PixelScale s{dpi};

    Print("dpi", std::to_string(dpi));
    Print("percent", std::to_string(s.Percent()));
    const pw::PxRect w = pw::DesignWindowRect(main, s);
    Print("window", Numbers({w.left, w.top, w.right, w.bottom}));
    Print("client", Numbers({w.Width(), w.Height()}));

    // The middle of what shows of each spot; the title bar's plain stretch two thirds
    // along, between the title text and the minimize key.
    const auto centre = [&](const std::string& name, const pw::Control& c) {
        const pw::PxRect r = pw::ShownRect(c, s);
        Print("spot." + name, Numbers({r.left + r.Width() / 2, r.top + r.Height() / 2}));
    };
    centre("menu", main.lblMenu);
    centre("minimize", main.lblMinimize);
    centre("close", main.lblClose);
    const pw::PxRect bar = pw::ShownRect(main.picTitleBar, s);
    Print("spot.title", Numbers({bar.left + bar.Width() * 2 / 3, bar.top + bar.Height() / 2}));
    centre("start", main.picStartUp);
    centre("stop", main.picStopUp);

    const int popup = s.Px(main.MenuPlace());
    Print("popup", Numbers({popup, popup}));

    const auto art = [&](const std::string& name, const pw::Control& c) {
        const pw::PxRect r = pw::ChildArea(c, s);
        Print("art." + name, Numbers({r.left, r.top, r.Width(), r.Height()}));
    };
    art("title", main.picTitleBar);
    art("bottom", main.picBottomBar);
    art("start", main.picStartUp);
    art("stop", main.picStopUp);
    return 0;
}
