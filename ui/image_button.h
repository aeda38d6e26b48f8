// The pressed effect of the picture-made push buttons: while a mouse button is
// held the picture sits one pixel right and down of its home position, which is
// kept as decimal text in two hidden labels.
#pragma once

#include "platform/forms.h"

namespace pw {

struct ImageButton {
    Control& picture;
    Control& homeTop;
    Control& homeLeft;

    // Records the picture's design position as the home position.
    void RecordHome() {
        homeTop.SetCaption(NumberText(picture.Top()));
        homeLeft.SetCaption(NumberText(picture.Left()));
    }
    // Wires the mouse handlers; always computed from home, never from the current place.
    void Attach() {
        picture.MouseDown = [this](int) { Place(kTwipsPerPixel); };
        picture.MouseUp = [this](int) { Place(0); };
    }

  private:
    void Place(double offset) {
        picture.SetTop(static_cast<float>(CaptionValue(homeTop.Caption()) + offset));
        picture.SetLeft(static_cast<float>(CaptionValue(homeLeft.Caption()) + offset));
    }
};

}  // namespace pw
