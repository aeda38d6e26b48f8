#include "platform/forms.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace pw {

Control::Control(Form& form, std::string name, ControlKind kind, Control* container, float left, float top,
                 float width, float height)
    : form(form),
      name(std::move(name)),
      kind(kind),
      container(container),
      left_(left),
      top_(top),
      width_(width),
      height_(height) {}

void Control::Touch() {
    if (form.HasWindow()) form.Window().Invalidate(*this);
}

void Control::SetCaption(std::string_view text) {
    if (caption_ == text) return;
    caption_ = text;
    Touch();
    if (Change) Change();
}

void Control::SetLeft(float v) {
    if (v == left_) return;
    Touch();  // the old place
    left_ = v;
    Touch();
}

void Control::SetTop(float v) {
    if (v == top_) return;
    Touch();
    top_ = v;
    Touch();
}

void Control::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    Touch();
}

float Control::FormLeft() const {
    return left_ + (container ? container->FormLeft() + (container->border3d ? 2 * kTwipsPerPixel : 0) : 0);
}
float Control::FormTop() const {
    return top_ + (container ? container->FormTop() + (container->border3d ? 2 * kTwipsPerPixel : 0) : 0);
}

bool Control::Shown() const {
    return visible_ && (!container || container->Shown());
}

void Timer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (form.HasWindow()) form.Window().TimerChanged(*this);
}

Form::Form(Platform& platform, std::string name, float clientWidth, float clientHeight)
    : platform(platform), name(std::move(name)), clientWidth(clientWidth), clientHeight(clientHeight) {}

Form::Form(Platform& platform, std::string name, float clientWidth, float clientHeight,
           std::span<const ControlSpec> controls, std::span<const TimerSpec> timers)
    : Form(platform, std::move(name), clientWidth, clientHeight) {
    for (const ControlSpec& c : controls) {
        Control& made = Add(c.name, c.kind, c.container ? &Named(c.container) : nullptr, c.left, c.top,
                            c.width, c.height);
        if (c.look) c.look(made, c.text);
    }
    for (const TimerSpec& t : timers)
        AddTimer(t.name, t.intervalMs);
}

Form::~Form() = default;

Control& Form::Named(std::string_view n) const {
    for (const auto& c : controls_)
        if (c->name == n) return *c;
    throw std::logic_error("the form " + name + " has no control " + std::string(n));
}

Timer& Form::TimerNamed(std::string_view n) const {
    for (const auto& t : timers_)
        if (t->name == n) return *t;
    throw std::logic_error("the form " + name + " has no timer " + std::string(n));
}

Control& Form::Add(std::string n, ControlKind kind, Control* container, float left, float top, float width,
                   float height) {
    controls_.push_back(
        std::make_unique<Control>(*this, std::move(n), kind, container, left, top, width, height));
    return *controls_.back();
}

Timer& Form::AddTimer(std::string n, int intervalMs) {
    timers_.push_back(std::make_unique<Timer>(*this, std::move(n), intervalMs));
    return *timers_.back();
}

void Form::SetMenu(MenuItem menu) {
    menu_ = std::make_shared<const MenuItem>(std::move(menu));
}

bool Part::Clickable() const {
    if (role == Role::StaticText || !face || !face->Shown() || !face->Enabled()) return false;
    const FormWindow* window = face->form.WindowIfMade();
    return !window || (window->IsEnabled() && !face->form.InWindowLoop());
}

namespace {
struct LoopScope {
    int& depth;
    explicit LoopScope(int& d) : depth(d) { ++depth; }
    ~LoopScope() { --depth; }
};
}  // namespace

const MenuItem* Form::TrackPopup(const MenuItem& menu, float x, float y) {
    LoopScope loop(windowLoop_);
    return Window().TrackPopup(menu, x, y);
}

void Form::BeginDrag() {
    LoopScope loop(windowLoop_);
    Window().BeginDrag();
}

Part& Form::AddButton(std::string n, Role role, Control& face, Control* pressedFace, int tabStop) {
    parts_.push_back({std::move(n), role, &face, pressedFace, tabStop, {}, false});
    return parts_.back();
}

void Form::AddText(std::string n, Control& place, std::function<std::string()> read) {
    parts_.push_back({std::move(n), Role::StaticText, &place, nullptr, -1, std::move(read), false});
}

const Part* Form::FocusedPart() const {
    for (const Part& part : parts_)
        if (part.tabStop == focusStop_ && part.Clickable()) return &part;
    return nullptr;
}

void Form::FocusFirst() {
    CancelKeyPress();
    int first = -1;
    for (const Part& part : parts_)
        if (part.tabStop >= 0 && (first < 0 || part.tabStop < first)) first = part.tabStop;
    focusStop_ = std::max(first, 0);
}

void Form::MoveFocus(bool forward) {
    int last = -1;
    for (const Part& part : parts_)
        last = std::max(last, part.tabStop);
    if (last < 0) return;
    CancelKeyPress();
    const int stops = last + 1;
    for (int step = 1; step <= stops; ++step) {
        const int stop = ((focusStop_ + (forward ? step : -step)) % stops + stops) % stops;
        for (const Part& part : parts_) {
            if (part.tabStop == stop && part.Clickable()) {
                focusStop_ = stop;
                return;
            }
        }
    }
}

void Form::PressPart(const Part& part) {
    if (!part.Clickable()) return;
    Control& c = *part.face;
    if (c.MouseDown) c.MouseDown(kLeftButton);
    if (c.MouseUp) c.MouseUp(kLeftButton);
    if (c.Click) c.Click();
}

bool Form::KeyDown(Key key) {
    switch (key) {
        case Key::Tab:
        case Key::ShiftTab:
            MoveFocus(key == Key::Tab);
            return true;
        case Key::Enter:
            if (const Part* part = FocusedPart(); part && !spaceHeld_) PressPart(*part);
            return true;
        case Key::Space:
            // Held like a mouse button: down now, the click on release.
            if (const Part* part = FocusedPart(); part && !spaceHeld_) {
                spaceHeld_ = part->face;
                if (spaceHeld_->MouseDown) spaceHeld_->MouseDown(kLeftButton);
            }
            return true;
        case Key::ContextMenu:
            for (const Part& part : parts_) {
                if (part.role == Role::MenuButton) {
                    PressPart(part);
                    return true;
                }
            }
            return false;
    }
    return false;
}

bool Form::KeyUp(Key key) {
    if (key != Key::Space || !spaceHeld_) return false;
    Control* c = std::exchange(spaceHeld_, nullptr);
    if (c->MouseUp) c->MouseUp(kLeftButton);
    // As with the mouse, a face that went away meanwhile takes no click.
    if (c->Click && c->Shown() && c->Enabled()) c->Click();
    return true;
}

void Form::CancelKeyPress() {
    if (Control* c = std::exchange(spaceHeld_, nullptr); c && c->MouseUp) c->MouseUp(kLeftButton);
}

void Form::PartsChanged() {
    if (window_) window_->PartsChanged();
}

void Form::MakeWindow() {
    if (window_) return;
    window_ = platform.CreateFormWindow(*this);
    for (auto& t : timers_)
        if (t->Enabled()) window_->TimerChanged(*t);
}

FormWindow& Form::Window() {
    if (!window_) throw std::logic_error("the form " + name + " has no window yet");
    return *window_;
}

void Form::DestroyWindow() {
    if (window_) window_->Destroy();
    window_.reset();
}

double CaptionValue(std::string_view caption) {
    // Counters only ever hold decimal digits; anything else reads as its leading
    // plain decimal number ("-2.5x" as -2.5), or 0, rather than failing.
    std::size_t i = caption.find_first_not_of(' ');
    if (i == std::string_view::npos) return 0;
    std::size_t end = i + (caption[i] == '-');
    auto digits = [&] {
        std::size_t from = end;
        while (end < caption.size() && caption[end] >= '0' && caption[end] <= '9')
            ++end;
        return end > from;
    };
    bool whole = digits();
    if (end < caption.size() && caption[end] == '.') {
        ++end;
        if (!digits() && !whole) return 0;
    } else if (!whole) {
        return 0;
    }
    const std::string number(caption.substr(i, end - i));
    double v = std::strtod(number.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

std::string NumberText(double value) {
    char buf[64];
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
        return std::string(buf, r.ptr);
    }
    // The shortest text that reads back as the same number.
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, value);
        if (std::strtod(buf, nullptr) == value) break;
    }
    return buf;
}

}  // namespace pw
