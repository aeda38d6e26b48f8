#include "platform/win32/form_access.h"

namespace pw {

namespace {

// The user's "always underline access keys" setting, which shows focus rectangles too.
bool CuesAlwaysShown() {
    BOOL on = FALSE;
    return SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &on, 0) && on;
}

}  // namespace

FormAccess::FormAccess(HWND hwnd, Form& form, RectOf rectOf)
    : hwnd_(hwnd),
      form_(form),
      rectOf_(std::move(rectOf)),
      server_({hwnd, &form, [this](const Control& c) { return rectOf_(c, false); },
               [this] { return DrawnFocus(); }, [this](const Part* part) { return TakeFocus(part); }}),
      cuesHidden_(!CuesAlwaysShown()) {}

bool FormAccess::Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (form_.Parts().empty()) return false;
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (!OnKey(wp, msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN, (lp & (1L << 30)) != 0)) return false;
            result = 0;
            return true;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) form_.FocusFirst();
            SyncFocus();
            return false;
        case WM_SETFOCUS:
            SyncFocus();
            return false;
        case WM_KILLFOCUS:
            form_.CancelKeyPress();
            SyncFocus();
            return false;
        case WM_UPDATEUISTATE:
            // The system keeps the window's state first (set, cleared, or initialized
            // from the last input as for a dialog); the focus rectangle follows it.
            result = DefWindowProcW(hwnd_, msg, wp, lp);
            if (LOWORD(wp) == UIS_INITIALIZE || (HIWORD(wp) & UISF_HIDEFOCUS))
                SetCuesHidden(!CuesAlwaysShown() &&
                              (SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS));
            return true;
        case WM_SETTINGCHANGE:
            if (wp == SPI_SETKEYBOARDCUES && CuesAlwaysShown()) SetCuesHidden(false);
            return false;
        case WM_GETOBJECT:
            if (static_cast<LONG>(lp) != static_cast<LONG>(OBJID_CLIENT)) return false;
            result = server_.Answer(wp);
            return result != 0;
        case kPressPartMessage:
            if (wp < form_.Parts().size()) {
                const Part& part = form_.Parts()[wp];
                Pressing(&part, [&] { form_.PressPart(part); });
            }
            result = 0;
            return true;
    }
    return false;
}

bool FormAccess::OnKey(WPARAM vk, bool down, bool repeat) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool ctrlOrAlt = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
    // Shift+F10 and the context-menu key are taken on the press; their releases are
    // eaten too, so the default handling cannot open the menu a second time.
    const bool menuKey = vk == VK_APPS || (vk == VK_F10 && shift && !ctrlOrAlt);
    if (menuKey) {
        if (down && !repeat) {
            KeyboardUsed();
            if (Pressing(nullptr, [&] { form_.KeyDown(Key::ContextMenu); })) SyncFocus();
        }
        return true;
    }
    if (ctrlOrAlt) return false;  // Alt+F4 and the system keys stay the system's
    Key key;
    switch (vk) {
        case VK_TAB:
            key = shift ? Key::ShiftTab : Key::Tab;
            break;
        case VK_RETURN:
            key = Key::Enter;
            break;
        case VK_SPACE:
            key = Key::Space;
            break;
        default:
            return false;
    }
    KeyboardUsed();
    if (down && repeat && key == Key::Enter) return true;  // one press per stroke
    bool used = false;
    // Enter and the release of Space press the focused button.
    const bool presses = (key == Key::Enter && down) || (key == Key::Space && !down);
    if (!Pressing(presses ? form_.FocusedPart() : nullptr,
                  [&] { used = down ? form_.KeyDown(key) : form_.KeyUp(key); }))
        return true;
    SyncFocus();
    return used || !down;
}

template <typename F>
bool FormAccess::Pressing(const Part* part, F&& press) {
    const bool wasForeground = GetForegroundWindow() == hwnd_;
    HWND hwnd = hwnd_;
    auto alive = alive_;
    press();
    // The handler may have closed the window.
    if (!*alive) return false;
    if (part && part->keepsKeyboard && wasForeground && IsWindow(hwnd) && GetForegroundWindow() != hwnd)
        SetForegroundWindow(hwnd);
    return true;
}

// As in a dialog: the focus rectangle appears with the first key that moves or uses it.
void FormAccess::KeyboardUsed() {
    if (!cuesHidden_) return;
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    // Not every system passes the change back as WM_UPDATEUISTATE.
    SetCuesHidden(false);
}

void FormAccess::SetCuesHidden(bool hidden) {
    if (hidden == cuesHidden_) return;
    cuesHidden_ = hidden;
    if (shown_) InvalidateRect(hwnd_, nullptr, FALSE);
}

bool FormAccess::TakeFocus(const Part* part) {
    if (part && (part->tabStop < 0 || !part->Clickable())) return false;
    // First the window: its activation puts the form's focus on the first stop.
    if (GetFocus() != hwnd_) SetFocus(hwnd_);
    if (GetFocus() != hwnd_) return false;
    // Then tab to the part, as a keyboard user would.
    for (std::size_t i = 0; part && form_.FocusedPart() != part && i < form_.Parts().size(); ++i)
        form_.MoveFocus(true);
    SyncFocus();
    return !part || form_.FocusedPart() == part;
}

const Part* FormAccess::DrawnFocus() const {
    return GetFocus() == hwnd_ ? form_.FocusedPart() : nullptr;
}

RECT FormAccess::FocusRect(const Part& part) const {
    const Control& face = *part.face;
    // Inside a picture's sunken border, like a push button's; round a hot spot, as far
    // as the picture it lies on shows.
    RECT r = rectOf_(face, face.border3d);
    if (face.border3d) InflateRect(&r, -1, -1);
    if (face.container) {
        const RECT area = rectOf_(*face.container, true);
        IntersectRect(&r, &r, &area);
    }
    return r;
}

void FormAccess::PaintFocus(HDC dc, const RECT& clip) const {
    const Part* part = DrawnFocus();
    if (!part || cuesHidden_) return;
    const RECT r = FocusRect(*part);
    RECT overlap;
    if (!IntersectRect(&overlap, &r, &clip)) return;
    // Only where this paint drew afresh: the rectangle is XOR-ed in.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &r);
    RestoreDC(dc, saved);
}

void FormAccess::ControlChanged(const Control& c) {
    for (const Part& part : form_.Parts()) {
        if (part.face == &c || part.pressedFace == &c) {
            SyncFocus();
            return;
        }
    }
}

void FormAccess::PartsChanged() {
    for (const Part& part : form_.Parts()) {
        const DWORD event =
            part.role == Role::StaticText ? EVENT_OBJECT_NAMECHANGE : EVENT_OBJECT_STATECHANGE;
        NotifyWinEvent(event, hwnd_, OBJID_CLIENT, IdOf(part));
    }
    SyncFocus();
}

void FormAccess::SyncFocus() {
    const Part* now = DrawnFocus();
    if (now == shown_) return;
    if (!cuesHidden_) {
        for (const Part* part : {shown_, now}) {
            if (!part) continue;
            RECT r = FocusRect(*part);
            InvalidateRect(hwnd_, &r, FALSE);
        }
    }
    shown_ = now;
    if (now) NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, IdOf(*now));
}

}  // namespace pw
