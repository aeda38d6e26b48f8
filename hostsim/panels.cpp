#include "hostsim/panels.h"

#include "hostsim/win_util.h"

namespace hostsim {
namespace {

void PaintPanel(HWND panel) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(panel, &ps);
    RECT area;
    GetClientRect(panel, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(panel, GWL_STYLE));
    if (style & kPanelRaised) DrawEdge(dc, &area, EDGE_RAISED, BF_RECT);

    const auto font = reinterpret_cast<HFONT>(GetWindowLongPtrA(panel, GWLP_USERDATA));
    const HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const std::string text = WindowText(panel);
    InflateRect(&area, -4, 0);
    const UINT align = (style & kPanelCentered) ? DT_CENTER : DT_LEFT;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
              align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (old_font) SelectObject(dc, old_font);
    EndPaint(panel, &ps);
}

LRESULT HandlePanelMessage(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SETFONT:  // kept like a standard control keeps it
            SetWindowLongPtrA(panel, GWLP_USERDATA, static_cast<LONG_PTR>(wparam));
            if (LOWORD(lparam)) InvalidateRect(panel, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return GetWindowLongPtrA(panel, GWLP_USERDATA);
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcA(panel, message, wparam, lparam);
            InvalidateRect(panel, nullptr, TRUE);
            return result;
        }
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT fills the whole panel
        case WM_PAINT:
            PaintPanel(panel);
            return 0;
        default:
            return DefWindowProcA(panel, message, wparam, lparam);
    }
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
    return Guarded([&] { return HandlePanelMessage(panel, message, wparam, lparam); },
                   [&] { return DefWindowProcA(panel, message, wparam, lparam); });
}

bool RegisterPanel(HINSTANCE instance, const char* name) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

// The list box keeps the system's own procedure; only the class name differs.
bool RegisterListbox(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExA(nullptr, "LISTBOX", &wc)) return false;
    wc.hInstance = instance;
    wc.lpszClassName = kListboxClass;
    wc.style &= ~CS_GLOBALCLASS;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

bool RegisterPanelClasses(HINSTANCE instance) {
    for (const char* name : {kToolbarClass, kInnerToolbarClass, kComboboxClass, kIconClass, kStaticClass}) {
        if (!RegisterPanel(instance, name)) return false;
    }
    return RegisterListbox(instance);
}

}  // namespace hostsim
