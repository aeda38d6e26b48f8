// Pixel geometry of a form's controls: where each one lies in the client area,
// what covers what, and which control a pointer position falls on. Plain C++ so
// the rules can be checked without a window.
#pragma once

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
};

int PixelsFromTwips(float twips);

// The control's outer rectangle in client pixels.
PxRect ControlRect(const Control& c);
// The area its children live in and are clipped to: inside a 3D border, else the whole control.
PxRect ChildArea(const Control& c);

// Visits the visible controls bottom-up (the order to paint them): within a container
// the later-listed first, each control before its own children. `visit` gets the
// control and the clip rectangle its container imposes.
void ForEachBottomUp(const Form& form, const std::function<void(const Control&, const PxRect& clip)>& visit);

// The topmost shown control under client pixel (x, y), or nullptr. A disabled
// control passes the pointer on to its container, as a disabled child window does.
Control* HitTest(const Form& form, int x, int y);

}  // namespace pw
