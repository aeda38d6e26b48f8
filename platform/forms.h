// Forms as data plus handlers.
//
// A Form is a list of controls with captions, twips geometry, visibility and
// handlers. A label's caption is the only store of the counters, so a caption write
// runs the label's Change handler synchronously, nested inside the write, before the
// writer goes on: the carries depend on that order. The platform's FormWindow paints
// the form and turns mouse input into the handlers below.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace pw {

constexpr float kTwipsPerPixel = 15.0f;

enum class ControlKind { Label, Picture, Frame, Button, TextBox };
enum class Align { Left, Right };

// A colour: a system colour index (COLOR_*) or a fixed RGB value.
struct Color {
    enum : int { ScrollBar = 0, ActiveBorder = 10, BtnFace = 15, BtnText = 18, HighlightText = 14 };
    bool system = true;
    int index = BtnFace;
    std::uint32_t rgb = 0;  // 0x00BBGGRR when !system
    static Color Sys(int i) { return {true, i, 0}; }
    static Color Rgb(unsigned r, unsigned g, unsigned b) { return {false, 0, r | (g << 8) | (b << 16)}; }
};

struct Font {
    std::string face = "Tahoma";
    float points = 8.25f;
    bool bold = false;
};

enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

// What a keyboard user and a screen reader reach of a form: its push buttons (a
// picture or a hot spot) and its texts, in tab order.
enum class Role { PushButton, MenuButton, StaticText };

// Keys a form understands; the platform maps its own keys to these.
enum class Key { Tab, ShiftTab, Enter, Space, ContextMenu };

class Form;

// An event's one handler. A second one set where one is set would silently cut the
// first off, so that throws; a handler that adds to the one there says so (Wrap).
template <typename Signature>
class Handler;
template <typename R, typename... Args>
class Handler<R(Args...)> {
  public:
    using Function = std::function<R(Args...)>;
    Handler& operator=(Function f) {
        if (f_ && f) throw std::logic_error("an event was given a second handler");
        f_ = std::move(f);
        return *this;
    }
    // `f` runs in place of the handler there, and is given it to call.
    void Wrap(std::function<R(const Function& inner, Args...)> f) {
        f_ = [inner = std::move(f_), f = std::move(f)](Args... args) { return f(inner, args...); };
    }
    explicit operator bool() const { return static_cast<bool>(f_); }
    R operator()(Args... args) const { return f_(args...); }

  private:
    Function f_;
};

// What a form's window is to the program, said by each form as it is built: the main
// window (in the task bar, found by other programs through its class) or a window the
// main one owns (kept above it, minimized and closed with it).
enum class FormRole { Main, OwnedByMain };

class Control {
  public:
    Control(Form& form, std::string name, ControlKind kind, Control* container, float left, float top,
            float width, float height);

    Form& form;
    const std::string name;
    const ControlKind kind;
    Control* const container;  // nullptr: the form's client area

    // Appearance; set while the form is built, read by the painter.
    Font font;
    Color fore = Color::Sys(Color::BtnText);
    Color back = Color::Sys(Color::BtnFace);
    Align align = Align::Left;
    bool transparent = false;
    bool border3d = false;  // picture boxes: 2 px sunken border around the picture
    bool outline = true;    // frames: draw the group-box edge
    std::string picture;    // artwork name, see ui/art.h
    std::string tooltip;

    // Handlers. Mouse handlers get the button (kLeftButton ...). Click follows a
    // left-button release over the control that saw the press.
    Handler<void()> Change;
    Handler<void()> Click;
    Handler<void(int button)> MouseDown;
    Handler<void(int button)> MouseUp;

    const std::string& Caption() const { return caption_; }
    // Replaces the caption; when the text differs, repaints and runs Change at once.
    void SetCaption(std::string_view text);
    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void SetLeft(float v);
    void SetTop(float v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { enabled_ = v; }

    // Position in twips relative to the form's client area.
    float FormLeft() const;
    float FormTop() const;
    // Visible itself and all its containers.
    bool Shown() const;

    // A hidden command button pressed in code: runs Click at once.
    void Press() {
        if (Click) Click();
    }

  private:
    void Touch();
    std::string caption_;
    float left_, top_, width_, height_;
    bool visible_ = true;
    bool enabled_ = true;
};

// A timer control: Tick every interval while enabled.
class Timer {
  public:
    Timer(Form& form, std::string name, int intervalMs)
        : form(form), name(std::move(name)), intervalMs(intervalMs) {}
    Form& form;
    const std::string name;
    const int intervalMs;
    Handler<void()> Tick;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);

  private:
    bool enabled_ = false;
};

// A popup menu item: a caption of "-" is a separator; items with children are submenus.
struct MenuItem {
    std::string name;
    std::string caption;
    bool enabled = true;
    std::vector<MenuItem> items;
    std::function<void()> Click;
    bool radio = false;  // one of a group of choices: a bullet instead of a tick
    bool checked = false;
};

// The platform's peer of a form: a real top-level window, or the fake's record.
class FormWindow {
  public:
    virtual ~FormWindow() = default;
    virtual Hwnd Handle() const = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // The form's state changed in a way a screen reader should hear (names and
    // states of its parts), unlike a counter's tick.
    virtual void PartsChanged() {}
    // SetWindowPos(handle, HWND_TOPMOST or HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE)
    virtual void SetTopmost(bool topmost) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    // Takes mouse and keyboard input: false while the program or a modal box disabled it.
    virtual bool IsEnabled() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void Minimize() = 0;
    // Outer rectangle in screen twips.
    virtual void Move(float left, float top) = 0;
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    // The control's area needs repainting (caption, visibility or place changed).
    virtual void Invalidate(const Control& c) = 0;
    virtual void TimerChanged(Timer& t) = 0;
    // ReleaseCapture + WM_NCLBUTTONDOWN/HTCAPTION: the window follows the pointer.
    virtual void BeginDrag() = 0;
    // Runs the popup menu modally at client twips (x, y); returns the picked item or nullptr.
    virtual const MenuItem* TrackPopup(const MenuItem& menu, float x, float y) = 0;
    // Destroys the window without running any handler.
    virtual void Destroy() = 0;
    // WTSRegisterSessionNotification / WTSUnRegisterSessionNotification: while on,
    // locking and unlocking the session run the form's SessionLock handler.
    virtual void WatchSessionLock(bool on) = 0;
};

struct Part {
    std::string name;
    Role role = Role::PushButton;
    // Buttons: the control a click reaches. Texts: the control that places it.
    Control* face = nullptr;
    // Shown in the face's place while the button cannot be pressed (its "down" picture).
    Control* pressedFace = nullptr;
    // Buttons with the same stop replace each other there (start and stop); -1: none.
    int tabStop = -1;
    // Texts: what is read out, made when asked.
    std::function<std::string()> read;
    // Pressed from the keyboard, it leaves the keyboard in this window even when its
    // handler activated another program's window meanwhile.
    bool keepsKeyboard = false;

    std::string Name() const { return read ? read() : name; }
    // A mouse user could click it now: shown, enabled, and its window takes input (a
    // modal box or another window of the program may have disabled it).
    bool Clickable() const;
    // Neither the face nor the picture standing in for it is shown.
    bool Hidden() const { return !(face && face->Shown()) && !(pressedFace && pressedFace->Shown()); }
};

// One control of a form as data: its name, kind, container (by name; nullptr: the
// form's client area), place in twips, and how it looks (`look` is given `text`).
struct ControlSpec {
    const char* name;
    ControlKind kind;
    const char* container;
    float left, top, width, height;
    void (*look)(Control& c, const char* text) = nullptr;
    const char* text = nullptr;
};

struct TimerSpec {
    const char* name;
    int intervalMs;
};

class Form {
  public:
    Form(Platform& platform, std::string name, float clientWidth, float clientHeight);
    // With its controls made from `controls`, in drawing order (within a container,
    // earlier ones lie on top), and its timers from `timers`.
    Form(Platform& platform, std::string name, float clientWidth, float clientHeight,
         std::span<const ControlSpec> controls, std::span<const TimerSpec> timers = {});
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    Platform& platform;
    const std::string name;
    const float clientWidth, clientHeight;  // twips
    float designLeft = 0, designTop = 0;    // where the window first appears (twips)
    std::string caption;

    // Set once, while the form is built; `main` is the main form for OwnedByMain.
    void SetWindowRole(FormRole role, Form* main = nullptr) {
        role_ = role;
        main_ = role == FormRole::OwnedByMain ? main : nullptr;
    }
    FormRole WindowRole() const { return role_; }
    // The form that owns this one's window; nullptr for the main form.
    Form* MainForm() const { return main_; }

    // Close request from the platform (Alt+F4, task bar, task manager).
    Handler<void()> QueryClose;
    // The session is ending (log-off, shutdown): the window closes whatever happens.
    Handler<void()> EndSession;
    // The session was locked (true) or unlocked (false); only while the window watches.
    Handler<void(bool locked)> SessionLock;
    // The machine has woken from sleep (told to every top-level window at once).
    Handler<void()> Resumed;

    Control& Add(std::string name, ControlKind kind, Control* container, float left, float top, float width,
                 float height);
    Timer& AddTimer(std::string name, int intervalMs);
    // The control or timer of that name; throws when there is none.
    Control& Named(std::string_view name) const;
    Timer& TimerNamed(std::string_view name) const;
    // Controls in drawing order: within a container, earlier ones lie on top.
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    const std::vector<std::unique_ptr<Timer>>& Timers() const { return timers_; }

    void SetMenu(MenuItem menu);
    // Shared: whoever runs one of its items keeps the tree alive while the item's
    // handler runs, even if the menu is made anew meanwhile.
    std::shared_ptr<const MenuItem> Menu() const { return menu_; }
    // The window's popup menu and its drag run modal loops of their own; while one
    // runs, the parts cannot be pressed (a screen reader's press would run inside it,
    // and the menu could not close until that handler ended).
    const MenuItem* TrackPopup(const MenuItem& menu, float x, float y);
    void BeginDrag();
    bool InWindowLoop() const { return windowLoop_ > 0; }

    // --- Keyboard and screen readers -----------------------------------------------
    // Parts in tab order; the platform reads them, the form builds them once.
    const std::vector<Part>& Parts() const { return parts_; }
    Part& AddButton(std::string name, Role role, Control& face, Control* pressedFace, int tabStop);
    void AddText(std::string name, Control& place, std::function<std::string()> read);
    // The clickable button at the focus stop, or nullptr (while no button there can be
    // pressed; the focus stays put and comes back to whatever shows there next).
    const Part* FocusedPart() const;
    // The window was activated: the focus goes to the first stop.
    void FocusFirst();
    // Tab and Shift+Tab: the next stop with a clickable button, round the end.
    void MoveFocus(bool forward);
    // Presses a button as a mouse click does (button down, up, click); nothing when
    // it cannot be clicked now.
    void PressPart(const Part& part);
    // Key presses and releases from the platform; true when the form used the key.
    bool KeyDown(Key key);
    bool KeyUp(Key key);
    // The keyboard left the window: a press held by Space is let go without a click.
    void CancelKeyPress();
    // Tells the window that names or states of the parts changed.
    void PartsChanged();

    // Makes the platform window: once, as the last step of building the form (timers
    // and other windows need it). Nothing else makes windows.
    void MakeWindow();
    // The window MakeWindow made.
    FormWindow& Window();
    bool HasWindow() const { return window_ != nullptr; }
    const FormWindow* WindowIfMade() const { return window_.get(); }
    void DestroyWindow();

  private:
    friend class Control;
    friend class Timer;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<Timer>> timers_;
    std::shared_ptr<const MenuItem> menu_;
    std::unique_ptr<FormWindow> window_;
    // A form that says nothing is a window of its own, owned by no other.
    FormRole role_ = FormRole::OwnedByMain;
    Form* main_ = nullptr;
    std::vector<Part> parts_;
    int windowLoop_ = 0;
    int focusStop_ = 0;
    Control* spaceHeld_ = nullptr;  // the face pressed by Space, released with it
};

// Decimal captions: counters are read as doubles and written back as the shortest
// decimal text ("7", "60", "125").
double CaptionValue(std::string_view caption);
std::string NumberText(double value);
// The two-digit display form: one character gets a leading "0".
inline bool NeedsFill(std::string_view caption) {
    return caption.size() == 1;
}

}  // namespace pw
