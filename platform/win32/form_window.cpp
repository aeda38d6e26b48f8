#include "platform/win32/form_window.h"

#include <windows.h>

#include <commctrl.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "build_info.h"
#include "platform/form_layout.h"
#include "platform/win32/dpi.h"
#include "platform/win32/form_access.h"
#include "platform/win32/form_paint.h"
#include "platform/win32/gdi_cache.h"
#include "platform/win32/res/resource.h"
#include "platform/win32/win32_platform.h"

namespace pw {

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT_PTR kRepaintTimerId = 1;
constexpr UINT_PTR kLockWatchTimerId = 2;
// Early in a logon the session service may not answer yet (RPC_S_INVALID_BINDING):
// the lock watch is asked for again after this, twice as long each time up to the cap.
constexpr UINT kLockWatchRetryMs = 2000;
constexpr UINT kLockWatchRetryCapMs = 60000;
constexpr UINT_PTR kFirstFormTimerId = 100;

// The mouse button of a button-down or button-up message.
int ButtonOf(UINT msg) {
    if (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP) return kRightButton;
    if (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP) return kMiddleButton;
    return kLeftButton;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// comctl32 is loaded the first time a tooltip is wanted, not at start-up: a run that
// never hovers a tip never maps it (about 3 MB of working set under Wine). Kept loaded.
bool CommonControlsReady() {
    static const bool ready = [] {
        HMODULE lib = LoadLibraryW(L"comctl32.dll");
        if (!lib) return false;
        using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        // Through void(*)(): a direct cast from FARPROC trips -Wcast-function-type.
        auto init = reinterpret_cast<InitFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(lib, "InitCommonControlsEx")));
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        return init && init(&icc) != FALSE;
    }();
    return ready;
}

// The button theme's parts at `dpi`: OpenThemeDataForDpi (Windows 10 1703 and later)
// where it exists, else the parts of the system DPI that OpenThemeData gives.
HTHEME OpenButtonTheme(HWND hwnd, int dpi) {
    using ForDpi = HTHEME(WINAPI*)(HWND, LPCWSTR, UINT);
    static const ForDpi forDpi = [] {
        HMODULE uxtheme = GetModuleHandleW(L"uxtheme.dll");
        return uxtheme ? reinterpret_cast<ForDpi>(
                             reinterpret_cast<void (*)()>(GetProcAddress(uxtheme, "OpenThemeDataForDpi")))
                       : nullptr;
    }();
    return forDpi ? forDpi(hwnd, L"BUTTON", static_cast<UINT>(dpi)) : OpenThemeData(hwnd, L"BUTTON");
}

HICON AppIcon(int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED));
}

void RegisterFormClass(const std::wstring& name, WNDPROC proc) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(inst, name.c_str(), &wc)) return;
    wc = {};
    wc.cbSize = sizeof wc;
    // No CS_DBLCLKS: a quick second click is a second click, not a double-click.
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = AppIcon(SM_CXICON, SM_CYICON);
    wc.hIconSm = AppIcon(SM_CXSMICON, SM_CYSMICON);
    wc.lpszClassName = name.c_str();
    RegisterClassExW(&wc);
}

// The main form's class is how other programs find a running copy; the others are
// named after their forms.
std::wstring ClassFor(const Form& form) {
    return form.WindowRole() == FormRole::Main ? std::wstring(PW_MAIN_CLASS)
                                               : L"pellowick_" + ToUtf16(form.name);
}

// Owns a popup menu built from a MenuItem tree; command ids index `items`.
class PopupMenu {
  public:
    explicit PopupMenu(const MenuItem& root) : menu_(CreatePopupMenu()) { Append(menu_, root); }
    ~PopupMenu() { DestroyMenu(menu_); }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU Get() const { return menu_; }
    const MenuItem* ItemFor(int id) const {
        return id >= 1 && id <= static_cast<int>(items_.size()) ? items_[static_cast<std::size_t>(id - 1)]
                                                                : nullptr;
    }

  private:
    // A round bullet instead of a tick when checked.
    static void Radio(HMENU menu, UINT id, bool checked) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        if (!GetMenuItemInfoW(menu, id, FALSE, &info)) return;
        info.fType |= MFT_RADIOCHECK;
        info.fState = (info.fState & ~MFS_CHECKED) | (checked ? MFS_CHECKED : 0);
        SetMenuItemInfoW(menu, id, FALSE, &info);
    }
    void Append(HMENU into, const MenuItem& parent) {
        for (const MenuItem& item : parent.items) {
            const UINT grayed = item.enabled ? 0 : MF_GRAYED;
            const std::wstring text = ToUtf16(item.caption);
            if (item.caption == "-") {
                AppendMenuW(into, MF_SEPARATOR, 0, nullptr);
            } else if (!item.items.empty()) {
                HMENU sub = CreatePopupMenu();
                Append(sub, item);
                AppendMenuW(into, MF_POPUP | grayed, reinterpret_cast<UINT_PTR>(sub), text.c_str());
            } else {
                items_.push_back(&item);
                AppendMenuW(into, MF_STRING | grayed, items_.size(), text.c_str());
                if (item.radio) Radio(into, static_cast<UINT>(items_.size()), item.checked);
            }
        }
    }
    HMENU menu_;
    std::vector<const MenuItem*> items_;
};

// The window's outer size for the form at `scale`.
SIZE OuterSize(const Form& form, PixelScale scale, DWORD style, DWORD exStyle);

class Win32FormWindow final : public FormWindow {
  public:
    Win32FormWindow(Form& form, Win32Platform* platform);
    ~Win32FormWindow() override;
    Win32FormWindow(const Win32FormWindow&) = delete;
    Win32FormWindow& operator=(const Win32FormWindow&) = delete;

    Hwnd Handle() const override { return reinterpret_cast<Hwnd>(hwnd_); }
    void Show() override;
    void Hide() override { ShowWindow(hwnd_, SW_HIDE); }
    void SetTopmost(bool topmost) override {
        SetWindowPos(hwnd_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    void SetEnabled(bool enabled) override { EnableWindow(hwnd_, enabled); }
    bool IsEnabled() const override { return hwnd_ && IsWindowEnabled(hwnd_); }
    void SetTitle(const std::string& title) override { SetWindowTextW(hwnd_, ToUtf16(title).c_str()); }
    void Minimize() override { ShowWindow(hwnd_, SW_MINIMIZE); }
    // Screen twips at this window's own scale.
    void Move(float left, float top) override {
        SetWindowPos(hwnd_, nullptr, scale_.Px(left), scale_.Px(top), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    float Left() const override { return scale_.Twips(Outer().left); }
    float Top() const override { return scale_.Twips(Outer().top); }
    float Width() const override { return scale_.Twips(Outer().right - Outer().left); }
    float Height() const override { return scale_.Twips(Outer().bottom - Outer().top); }
    void Invalidate(const Control& c) override;
    void TimerChanged(Timer& t) override;
    void BeginDrag() override;
    void PartsChanged() override {
        if (access_) access_->PartsChanged();
    }
    const MenuItem* TrackPopup(const MenuItem& menu, float x, float y) override;
    void Destroy() override;
    void WatchSessionLock(bool on) override;

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);

    // The outer size for the form at `scale`, with this window's styles.
    SIZE OuterSizeAt(PixelScale scale) const {
        return OuterSize(form_, scale, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                         static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    }
    RECT Outer() const {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        return r;
    }
    void OnMouseMove(WPARAM wp, LPARAM lp);
    void CreateTooltips();
    void SyncTooltips();
    void UpdateTool(const Control& c);
    void OnPaint();
    void OnButtonDown(int button, LPARAM lp);
    void OnButtonUp(int button, LPARAM lp);
    void CancelPress();
    void OnTimer(UINT_PTR id);
    void ReopenTheme();
    void OnThemeOrColoursChanged();
    void RegisterLockWatch();
    void OnDpiChanged(int dpi, const RECT& suggested);
    void Flush();
    // Runs a form handler; false when the window was destroyed meanwhile.
    template <typename F>
    bool RunHandler(F&& handler) {
        auto alive = alive_;
        handler();
        return *alive;
    }

    Form& form_;
    Win32Platform* platform_;  // told when the system's move or menu loop runs
    HWND hwnd_ = nullptr;
    PixelScale scale_;
    // The form wants lock notifications; they are registered; the next retry's wait.
    bool lockWanted_ = false;
    bool lockRegistered_ = false;
    UINT lockRetryMs_ = 0;
    HWND tooltip_ = nullptr;
    bool tooltipTried_ = false;
    std::map<const Control*, UINT_PTR> tools_;
    GdiCache cache_;
    HTHEME theme_ = nullptr;
    GdiObject<HBITMAP> backBuffer_;
    HDC backDc_ = nullptr;
    bool artLoaded_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Keyboard focus and screen readers.
    std::unique_ptr<FormAccess> access_;

    // Repaint coalescing: rectangles waiting to be invalidated.
    std::vector<RECT> dirty_;
    Clock::time_point lastFlush_{};
    bool flushArmed_ = false;
    bool paintedSinceFlush_ = false;

    // Mouse: the control that took the first button-down, and the buttons held.
    Control* pressed_ = nullptr;
    int held_ = 0;
};

Win32FormWindow::Win32FormWindow(Form& form, Win32Platform* platform) : form_(form), platform_(platform) {
    const std::wstring cls = ClassFor(form);
    HINSTANCE inst = GetModuleHandleW(nullptr);
    RegisterFormClass(cls, WndProc);

    const bool isMain = form.WindowRole() == FormRole::Main;
    // WS_SYSMENU | WS_MINIMIZEBOX without WS_CAPTION: no frame is drawn, but the task
    // bar can still minimize and restore the window.
    const DWORD style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;
    const DWORD exStyle = isMain ? WS_EX_APPWINDOW : 0;
    Form* main = form.MainForm();
    HWND owner = main && main->HasWindow() ? reinterpret_cast<HWND>(main->Window().Handle()) : nullptr;
    // Other windows are placed over the main one: they start at its scale.
    scale_.dpi = owner ? WindowDpi(owner) : SystemDpi();
    const auto outer = [&] { return OuterSize(form, scale_, style, exStyle); };
    const auto place = [&] { return POINT{scale_.Px(form.designLeft), scale_.Px(form.designTop)}; };
    SIZE size = outer();
    POINT at = place();
    CreateWindowExW(exStyle, cls.c_str(), ToUtf16(form.caption).c_str(), style, at.x, at.y, size.cx, size.cy,
                    owner, nullptr, inst, this);
    if (!hwnd_) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "creating the window of " + form.name);
    }
    // The main window's design place may lie on a display of another scale.
    if (const int dpi = WindowDpi(hwnd_); isMain && dpi != scale_.dpi) {
        scale_.dpi = dpi;
        size = outer();
        at = place();
        SetWindowPos(hwnd_, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    cache_.SetDpi(scale_.dpi);
    ReopenTheme();
    access_ = std::make_unique<FormAccess>(hwnd_, form, [this](const Control& c, bool inner) {
        return ToRect(inner ? ChildArea(c, scale_) : ControlRect(c, scale_));
    });
    // As a dialog starts: the system may show the focus from the start when the last
    // input came from the keyboard.
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
}

SIZE OuterSize(const Form& form, PixelScale scale, DWORD style, DWORD exStyle) {
    const PxRect client = ClientRect(form, scale);
    RECT r{0, 0, client.right, client.bottom};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

// Another display or a new scale setting: everything is laid out, drawn and lettered
// anew for it, at the place Windows suggests. The size is the layout's: before
// Windows 10 1703 nobody asks it first (WM_GETDPISCALEDSIZE), and a linearly stretched
// suggestion would leave an unpainted strip or cut the form.
void Win32FormWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    scale_.dpi = dpi;
    cache_.SetDpi(dpi);
    ReopenTheme();
    if (backDc_) DeleteDC(backDc_);
    backDc_ = nullptr;
    backBuffer_.Reset();
    artLoaded_ = false;
    dirty_.clear();
    const SIZE size = OuterSizeAt(scale_);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    for (const auto& c : form_.Controls())
        if (!c->tooltip.empty()) UpdateTool(*c);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

Win32FormWindow::~Win32FormWindow() {
    *alive_ = false;
    Destroy();
    if (backDc_) DeleteDC(backDc_);
}

void Win32FormWindow::Destroy() {
    if (!hwnd_) return;
    WatchSessionLock(false);
    HWND w = hwnd_;
    hwnd_ = nullptr;
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    access_.reset();
    // Detach first: nothing of the form may run while the window goes away.
    SetWindowLongPtrW(w, GWLP_USERDATA, 0);
    if (theme_) CloseThemeData(theme_);
    theme_ = nullptr;
    DestroyWindow(w);
}

void Win32FormWindow::Show() {
    SyncTooltips();
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

// --- Painting -------------------------------------------------------------------------

void Win32FormWindow::Invalidate(const Control& c) {
    if (!hwnd_) return;
    if (!c.tooltip.empty()) UpdateTool(c);
    if (access_) access_->ControlChanged(c);
    const RECT r = ToRect(ControlRect(c, scale_));
    if (IsRectEmpty(&r)) return;
    bool covered = false;
    for (const RECT& d : dirty_)
        covered = covered || Contains(d, r);
    if (!covered) dirty_.push_back(r);

    // A fold changes counters tens of thousands of times a second; paint at most
    // once per screen refresh and let the last change win.
    const auto now = Clock::now();
    if (now - lastFlush_ >= std::chrono::milliseconds(kRepaintIntervalMs)) {
        Flush();
    } else if (!flushArmed_) {
        flushArmed_ = true;
        SetTimer(hwnd_, kRepaintTimerId, kRepaintIntervalMs, nullptr);
    }
}

void Win32FormWindow::Flush() {
    if (flushArmed_) {
        KillTimer(hwnd_, kRepaintTimerId);
        flushArmed_ = false;
    }
    for (const RECT& r : dirty_)
        InvalidateRect(hwnd_, &r, FALSE);
    dirty_.clear();
    lastFlush_ = Clock::now();
    paintedSinceFlush_ = false;
}

void Win32FormWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (!artLoaded_) {
        std::vector<std::string> names;
        for (const auto& c : form_.Controls())
            if (c->kind == ControlKind::Picture) names.push_back(c->picture);
        PreloadArt(names, ArtPercentFor(scale_.Percent()));
        artLoaded_ = true;
    }
    if (!backDc_) {
        RECT client;
        GetClientRect(hwnd_, &client);
        backDc_ = CreateCompatibleDC(dc);
        backBuffer_ = GdiObject<HBITMAP>(CreateCompatibleBitmap(dc, client.right, client.bottom));
        SelectObject(backDc_, backBuffer_.Get());
    }
    paintedSinceFlush_ = true;
    const RECT& r = ps.rcPaint;
    PaintForm(form_, backDc_, r, cache_, theme_, scale_);
    if (access_) access_->PaintFocus(backDc_, r);
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, backDc_, r.left, r.top, SRCCOPY);
    EndPaint(hwnd_, &ps);
}

void Win32FormWindow::ReopenTheme() {
    if (theme_) CloseThemeData(theme_);
    theme_ = OpenButtonTheme(hwnd_, scale_.dpi);
}

void Win32FormWindow::OnThemeOrColoursChanged() {
    artLoaded_ = false;
    ReopenTheme();
    cache_.Clear();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// --- Tooltips -------------------------------------------------------------------------

// The tooltip control is made the first time the pointer moves over a control that has
// a tip. Without comctl32 there are simply no tooltips.
void Win32FormWindow::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (tooltipTried_) return;
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    bool overTip = false;
    for (const auto& c : form_.Controls())
        overTip = overTip || (!c->tooltip.empty() && c->Shown() && ControlRect(*c, scale_).Contains(x, y));
    if (!overTip) return;
    tooltipTried_ = true;
    if (!CommonControlsReady()) return;
    CreateTooltips();
    if (!tooltip_) return;
    // The tooltip watches this window from now on; hand it the move it missed so the
    // tip shows without a second move.
    MSG m{hwnd_, WM_MOUSEMOVE, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
    GetCursorPos(&m.pt);
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

void Win32FormWindow::CreateTooltips() {
    // Always tip: the window is topmost but seldom the active one. Not owned by the
    // window: under Wine an owned topmost tooltip stops SetWindowPos(HWND_TOPMOST)
    // from making the window itself topmost again.
    tooltip_ = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SyncTooltips();
}

void Win32FormWindow::SyncTooltips() {
    if (!tooltip_) return;
    for (const auto& owned : form_.Controls()) {
        const Control& c = *owned;
        if (c.tooltip.empty() || tools_.count(&c)) continue;
        const UINT_PTR id = tools_.size() + 1;
        std::wstring text = ToUtf16(c.tooltip);
        TTTOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = hwnd_;
        ti.uId = id;
        ti.rect = c.Shown() ? ToRect(ControlRect(c, scale_)) : RECT{};
        ti.lpszText = text.data();
        if (SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti))) tools_[&c] = id;
    }
}

void Win32FormWindow::UpdateTool(const Control& c) {
    auto it = tools_.find(&c);
    if (it == tools_.end() || !tooltip_) return;
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = hwnd_;
    ti.uId = it->second;
    ti.rect = c.Shown() ? ToRect(ControlRect(c, scale_)) : RECT{};
    SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
}

// --- Mouse ----------------------------------------------------------------------------

void Win32FormWindow::OnButtonDown(int button, LPARAM lp) {
    // While a button is held, every press goes to the control that took the first.
    Control* target = held_ ? pressed_ : HitTest(form_, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), scale_);
    if (!target) return;
    pressed_ = target;
    held_ |= button;
    if (GetCapture() != hwnd_) SetCapture(hwnd_);
    if (target->MouseDown) RunHandler([&] { target->MouseDown(button); });
}

void Win32FormWindow::OnButtonUp(int button, LPARAM lp) {
    if (!(held_ & button) || !pressed_) return;
    Control* target = pressed_;
    const bool over = HitTest(form_, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), scale_) == target;
    held_ &= ~button;
    if (!held_) {
        pressed_ = nullptr;
        ReleaseCapture();
    }
    if (target->MouseUp && !RunHandler([&] { target->MouseUp(button); })) return;
    if (button == kLeftButton && over && target->Click) target->Click();
}

// The capture went elsewhere during a press (another window took it, a box or a menu
// opened): no button-up will come, so the press ends here, as a release away from the
// control would: the control's MouseUp runs, its Click does not.
void Win32FormWindow::CancelPress() {
    Control* target = std::exchange(pressed_, nullptr);
    const int held = std::exchange(held_, 0);
    if (!target || !target->MouseUp) return;
    for (int button : {kLeftButton, kRightButton, kMiddleButton})
        if ((held & button) && !RunHandler([&] { target->MouseUp(button); })) return;
}

void Win32FormWindow::BeginDrag() {
    POINT pt{};
    GetCursorPos(&pt);
    // The move loop takes the press over; it ends with no MouseUp.
    pressed_ = nullptr;
    held_ = 0;
    ReleaseCapture();
    // The move loop starts from this point; without it the window would jump.
    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pt.x, pt.y));
}

// --- Menu and timers ------------------------------------------------------------------

const MenuItem* Win32FormWindow::TrackPopup(const MenuItem& menu, float x, float y) {
    PopupMenu popup(menu);
    POINT pt{scale_.Px(x), scale_.Px(y)};
    ClientToScreen(hwnd_, &pt);
    HWND w = hwnd_;
    auto alive = alive_;
    // Foreground first, WM_NULL after: else the menu may not close when the user clicks elsewhere.
    SetForegroundWindow(w);
    const int id = static_cast<int>(
        TrackPopupMenuEx(popup.Get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, w, nullptr));
    PostMessageW(w, WM_NULL, 0, 0);
    return *alive ? popup.ItemFor(id) : nullptr;
}

// wtsapi32 is loaded only when something asks for lock notifications: a run that
// never does keeps it out of its working set. Kept loaded.
struct SessionApi {
    BOOL(WINAPI* reg)(HWND, DWORD) = nullptr;
    BOOL(WINAPI* unreg)(HWND) = nullptr;
};

const SessionApi& Session() {
    static const SessionApi api = [] {
        SessionApi a;
        if (HMODULE lib = LoadLibraryW(L"wtsapi32.dll")) {
            a.reg = reinterpret_cast<decltype(a.reg)>(
                reinterpret_cast<void (*)()>(GetProcAddress(lib, "WTSRegisterSessionNotification")));
            a.unreg = reinterpret_cast<decltype(a.unreg)>(
                reinterpret_cast<void (*)()>(GetProcAddress(lib, "WTSUnRegisterSessionNotification")));
        }
        return a;
    }();
    return api;
}

void Win32FormWindow::WatchSessionLock(bool on) {
    if (on == lockWanted_ || !hwnd_) return;
    lockWanted_ = on;
    if (on) {
        RegisterLockWatch();
        return;
    }
    if (lockRetryMs_) KillTimer(hwnd_, kLockWatchTimerId);
    lockRetryMs_ = 0;
    if (lockRegistered_ && Session().unreg) Session().unreg(hwnd_);
    lockRegistered_ = false;
}

// A failed registration is tried again on a timer, never given up: else every lock
// for the rest of the run would be missed.
void Win32FormWindow::RegisterLockWatch() {
    constexpr DWORD kThisSession = 0;  // NOTIFY_FOR_THIS_SESSION
    if (!lockWanted_ || lockRegistered_ || !Session().reg) return;
    if (Session().reg(hwnd_, kThisSession)) {
        lockRegistered_ = true;
        if (lockRetryMs_) KillTimer(hwnd_, kLockWatchTimerId);
        lockRetryMs_ = 0;
        return;
    }
    lockRetryMs_ = lockRetryMs_ ? std::min(2 * lockRetryMs_, kLockWatchRetryCapMs) : kLockWatchRetryMs;
    SetTimer(hwnd_, kLockWatchTimerId, lockRetryMs_, nullptr);
}

void Win32FormWindow::TimerChanged(Timer& t) {
    const auto& timers = form_.Timers();
    for (std::size_t i = 0; i < timers.size(); ++i) {
        if (timers[i].get() != &t) continue;
        if (t.Enabled())
            SetTimer(hwnd_, kFirstFormTimerId + i, static_cast<UINT>(t.intervalMs), nullptr);
        else
            KillTimer(hwnd_, kFirstFormTimerId + i);
    }
}

void Win32FormWindow::OnTimer(UINT_PTR id) {
    if (id == kRepaintTimerId) {
        Flush();
        return;
    }
    if (id == kLockWatchTimerId) {
        RegisterLockWatch();
        return;
    }
    const auto& timers = form_.Timers();
    if (id < kFirstFormTimerId || id - kFirstFormTimerId >= timers.size()) return;
    Timer& t = *timers[id - kFirstFormTimerId];
    if (t.Enabled() && t.Tick) t.Tick();
}

// --- Messages -------------------------------------------------------------------------

LRESULT CALLBACK Win32FormWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Win32FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        const LRESULT result = self->Dispatch(msg, wp, lp);
        // What one message changed is painted together: the second's tick changes
        // several captions, and a flush armed for the later ones would paint twice.
        // Only while the last flush is still unpainted, which it joins for free; after
        // a paint the armed flush keeps a fold to one paint per screen refresh.
        // (Looked up again: the handler may have closed the window and freed its form.)
        self = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && !self->dirty_.empty() && !self->paintedSinceFlush_) self->Flush();
        return result;
    } catch (const std::exception& e) {
        ReportFailure(e);
    } catch (...) {
        ReportFailure("an unexpected failure in a window handler");
    }
    return 0;
}

LRESULT Win32FormWindow::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    if (LRESULT result = 0; access_ && access_->Handle(msg, wp, lp, result)) return result;
    switch (msg) {
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            OnButtonDown(ButtonOf(msg), lp);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            OnButtonUp(ButtonOf(msg), lp);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(wp, lp);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != hwnd) CancelPress();
            return 0;
        case WM_CANCELMODE:
            CancelPress();
            break;
        case WM_TIMER:
            OnTimer(wp);
            return 0;
        case WM_CLOSE:
            // The form decides; the window never closes itself.
            if (form_.QueryClose) form_.QueryClose();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wp && form_.EndSession) form_.EndSession();
            return 0;
        case WM_WTSSESSION_CHANGE:
            if ((wp == WTS_SESSION_LOCK || wp == WTS_SESSION_UNLOCK) && form_.SessionLock)
                form_.SessionLock(wp == WTS_SESSION_LOCK);
            return 0;
        case WM_POWERBROADCAST:
            if (wp == PBT_APMRESUMEAUTOMATIC && form_.Resumed) form_.Resumed();
            return TRUE;
        case WM_SYSCOLORCHANGE:
            ClearArt();  // their background is the old button face
            OnThemeOrColoursChanged();
            break;
        case WM_THEMECHANGED:
        case WM_SETTINGCHANGE:
            OnThemeOrColoursChanged();
            break;
        case WM_ENTERSIZEMOVE:
        case WM_ENTERMENULOOP:
            if (platform_) platform_->SystemLoop(true);
            break;
        case WM_EXITSIZEMOVE:
        case WM_EXITMENULOOP:
            if (platform_) platform_->SystemLoop(false);
            break;
        case WM_GETDPISCALEDSIZE: {
            // The size the layout gives at the new scale, not a linear stretch of this
            // one: the rectangle WM_DPICHANGED suggests then fits the window exactly.
            *reinterpret_cast<SIZE*>(lp) = OuterSizeAt(PixelScale{static_cast<int>(wp)});
            return TRUE;
        }
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_NCDESTROY:
            access_.reset();
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

std::unique_ptr<FormWindow> CreateWin32FormWindow(Platform& p, Form& form) {
    return std::make_unique<Win32FormWindow>(form, dynamic_cast<Win32Platform*>(&p));
}

}  // namespace pw
