// Pixel geometry of a form's controls at a display's scale: where each one lies in
// the client area, what covers what, and which control a pointer position falls on.
// Plain C++ so the rules can be checked without a window.
#pragma once

#include <algorithm>
#include <functional>

#include "platform/forms.h"

namespace pw {

struct PxRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Intersects(const PxRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool Contains(const PxRect& o) const {
        return left <= o.left && top <= o.top && right >= o.right && bottom >= o.bottom;
    }
    PxRect Clip(const PxRect& o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PxRect&) const = default;
};

// Twips to pixels for a display of `dpi` dots per inch (1440 twips to the inch): 15
// twips a pixel at 96 DPI, 7.5 at 192. Every pixel the windows use comes from here.
struct PixelScale {
    int dpi = 96;
    int Px(float twips) const;
    float Twips(int px) const;
    // A length drawn as `px96` pixels at 96 DPI (a border, a margin) at this scale.
    int Len(int px96) const;
    // The display scale in percent (100 at 96 DPI).
    int Percent() const { return dpi * 100 / 96; }
};

// The scales the skin pictures are drawn at, in percent (see art/make-art.sh).
inline constexpr int kArtPercents[] = {100, 150, 200};
// The pictures to show at `displayPercent`: the largest drawn scale that divides it
// evenly, else the largest below it (enlarging only repeats pixels, shrinking would
// drop one-pixel lines), else the smallest.
int ArtPercentFor(int displayPercent);

// The control's outer rectangle in client pixels.
PxRect ControlRect(const Control& c, PixelScale s = {});
// The area its children live in and are clipped to: inside a 3D border, else the whole control.
PxRect ChildArea(const Control& c, PixelScale s = {});
// The part of the control its containers let show (empty when they cut it off).
PxRect ShownRect(const Control& c, PixelScale s = {});
// The window's client size and its outer rectangle at its design place.
PxRect ClientRect(const Form& form, PixelScale s = {});
PxRect DesignWindowRect(const Form& form, PixelScale s = {});

// Visits the visible controls bottom-up (the order to paint them): within a container
// the later-listed first, each control before its own children. `visit` gets the
// control and the clip rectangle its container imposes.
void ForEachBottomUp(const Form& form, PixelScale s,
                     const std::function<void(const Control&, const PxRect& clip)>& visit);

// The topmost shown control under client pixel (x, y), or nullptr. A disabled
// control passes the pointer on to its container, as a disabled child window does.
Control* HitTest(const Form& form, int x, int y, PixelScale s = {});

}  // namespace pw
