#include "platform/forms.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pw {

Control::Control(Form& form, std::string name, ControlKind kind, Control* container, float left, float top,
                 float width, float height)
    : form(form), name(std::move(name)), kind(kind), container(container), left_(left), top_(top),
      width_(width), height_(height) {}

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

float Control::FormLeft() const { return left_ + (container ? container->FormLeft() + (container->border3d ? 2 * kTwipsPerPixel : 0) : 0); }
float Control::FormTop() const { return top_ + (container ? container->FormTop() + (container->border3d ? 2 * kTwipsPerPixel : 0) : 0); }

bool Control::Shown() const { return visible_ && (!container || container->Shown()); }

void Timer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    form.Window().TimerChanged(*this);
}

Form::Form(Platform& platform, std::string name, float clientWidth, float clientHeight)
    : platform(platform), name(std::move(name)), clientWidth(clientWidth), clientHeight(clientHeight) {}

Form::~Form() = default;

Control& Form::Add(std::string n, ControlKind kind, Control* container, float left, float top, float width,
                   float height) {
    controls_.push_back(std::make_unique<Control>(*this, std::move(n), kind, container, left, top, width, height));
    return *controls_.back();
}

Timer& Form::AddTimer(std::string n, int intervalMs) {
    timers_.push_back(std::make_unique<Timer>(*this, std::move(n), intervalMs));
    return *timers_.back();
}

Control* Form::Find(std::string_view n) const {
    for (auto& c : controls_)
        if (c->name == n) return c.get();
    return nullptr;
}

static void Number(MenuItem& item, int& next) {
    item.id = next++;
    for (auto& child : item.items) Number(child, next);
}

void Form::SetMenu(MenuItem menu) {
    int next = 100;
    Number(menu, next);
    menu_ = std::make_unique<MenuItem>(std::move(menu));
}

static const MenuItem* FindId(const MenuItem& item, int id) {
    if (item.id == id) return &item;
    for (auto& child : item.items)
        if (auto* hit = FindId(child, id)) return hit;
    return nullptr;
}

const MenuItem* Form::FindMenuItem(int id) const { return menu_ ? FindId(*menu_, id) : nullptr; }

FormWindow& Form::Window() {
    if (!window_) window_ = platform.CreateFormWindow(*this);
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
        while (end < caption.size() && caption[end] >= '0' && caption[end] <= '9') ++end;
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
