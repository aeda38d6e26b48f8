#include "platform/win32/form_layout.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

PxRect Clip(const PxRect& a, const PxRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

void VisitBottomUp(const Form& form,
                   const Control* container,
                   const PxRect& clip,
                   const std::function<void(const Control&, const PxRect&)>& visit) {
    const auto& all = form.Controls();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        const Control& c = **it;
        if (c.container != container || !c.Visible()) continue;
        visit(c, clip);
        VisitBottomUp(form, &c, Clip(clip, ChildArea(c)), visit);
    }
}

// Returns the hit among `container`'s children, `container` itself when the point
// is in it but on no child, or nullptr when no child takes it and container is null.
Control* HitIn(const Form& form, Control* container, int x, int y) {
    for (const auto& owned : form.Controls()) {
        Control* c = owned.get();
        if (c->container != container || !c->Visible()) continue;
        if (!ControlRect(*c).Contains(x, y)) continue;
        if (!c->Enabled()) return container;
        if (!ChildArea(*c).Contains(x, y)) return c;
        return HitIn(form, c, x, y);
    }
    return container;
}

}  // namespace

int PixelsFromTwips(float twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

PxRect ControlRect(const Control& c) {
    const int left = PixelsFromTwips(c.FormLeft());
    const int top = PixelsFromTwips(c.FormTop());
    return {left, top, left + PixelsFromTwips(c.Width()), top + PixelsFromTwips(c.Height())};
}

PxRect ChildArea(const Control& c) {
    PxRect r = ControlRect(c);
    if (c.border3d) {
        r.left += 2;
        r.top += 2;
        r.right -= 2;
        r.bottom -= 2;
    }
    return r;
}

void ForEachBottomUp(const Form& form, const std::function<void(const Control&, const PxRect& clip)>& visit) {
    const PxRect client{0, 0, PixelsFromTwips(form.clientWidth), PixelsFromTwips(form.clientHeight)};
    VisitBottomUp(form, nullptr, client, visit);
}

Control* HitTest(const Form& form, int x, int y) {
    if (x < 0 || y < 0 || x >= PixelsFromTwips(form.clientWidth) || y >= PixelsFromTwips(form.clientHeight))
        return nullptr;
    return HitIn(form, nullptr, x, y);
}

}  // namespace pw
