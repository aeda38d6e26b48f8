#include "platform/form_layout.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

// The width of a picture box's sunken border.
constexpr float kBorderTwips = 2 * kTwipsPerPixel;

void VisitBottomUp(const Form& form, const Control* container, const PxRect& clip, PixelScale s,
                   const std::function<void(const Control&, const PxRect&)>& visit) {
    const auto& all = form.Controls();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        const Control& c = **it;
        if (c.container != container || !c.Visible()) continue;
        visit(c, clip);
        VisitBottomUp(form, &c, clip.Clip(ChildArea(c, s)), s, visit);
    }
}

// Returns the hit among `container`'s children, `container` itself when the point
// is in it but on no child, or nullptr when no child takes it and container is null.
Control* HitIn(const Form& form, Control* container, int x, int y, PixelScale s) {
    for (const auto& owned : form.Controls()) {
        Control* c = owned.get();
        if (c->container != container || !c->Visible()) continue;
        if (!ControlRect(*c, s).Contains(x, y)) continue;
        if (!c->Enabled()) return container;
        if (!ChildArea(*c, s).Contains(x, y)) return c;
        return HitIn(form, c, x, y, s);
    }
    return container;
}

// Edges are rounded, not sizes: neighbours that meet in twips meet in pixels.
PxRect Edges(PixelScale s, float left, float top, float right, float bottom) {
    return {s.Px(left), s.Px(top), s.Px(right), s.Px(bottom)};
}

}  // namespace

int PixelScale::Px(float twips) const {
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / 1440.0));
}

float PixelScale::Twips(int px) const {
    return static_cast<float>(static_cast<double>(px) * 1440.0 / dpi);
}

int PixelScale::Len(int px96) const {
    return static_cast<int>(std::lround(static_cast<double>(px96) * dpi / 96.0));
}

int ArtPercentFor(int displayPercent) {
    int even = 0, below = 0;
    for (int p : kArtPercents) {
        if (p > displayPercent) continue;
        below = std::max(below, p);
        if (displayPercent % p == 0) even = std::max(even, p);
    }
    if (even) return even;
    return below ? below : kArtPercents[0];
}

PxRect ControlRect(const Control& c, PixelScale s) {
    const float left = c.FormLeft(), top = c.FormTop();
    return Edges(s, left, top, left + c.Width(), top + c.Height());
}

PxRect ChildArea(const Control& c, PixelScale s) {
    if (!c.border3d) return ControlRect(c, s);
    const float left = c.FormLeft(), top = c.FormTop();
    return Edges(s, left + kBorderTwips, top + kBorderTwips, left + c.Width() - kBorderTwips,
                 top + c.Height() - kBorderTwips);
}

PxRect ShownRect(const Control& c, PixelScale s) {
    PxRect r = ControlRect(c, s).Clip(ClientRect(c.form, s));
    for (const Control* up = c.container; up; up = up->container)
        r = r.Clip(ChildArea(*up, s));
    return r.Empty() ? PxRect{} : r;
}

PxRect ClientRect(const Form& form, PixelScale s) {
    return {0, 0, s.Px(form.clientWidth), s.Px(form.clientHeight)};
}

PxRect DesignWindowRect(const Form& form, PixelScale s) {
    const int x = s.Px(form.designLeft), y = s.Px(form.designTop);
    const PxRect client = ClientRect(form, s);
    return {x, y, x + client.right, y + client.bottom};
}

void ForEachBottomUp(const Form& form, PixelScale s,
                     const std::function<void(const Control&, const PxRect& clip)>& visit) {
    VisitBottomUp(form, nullptr, ClientRect(form, s), s, visit);
}

Control* HitTest(const Form& form, int x, int y, PixelScale s) {
    if (!ClientRect(form, s).Contains(x, y)) return nullptr;
    return HitIn(form, nullptr, x, y, s);
}

}  // namespace pw
