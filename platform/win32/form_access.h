// Keyboard and screen-reader access to a form window: maps keys to the form's keys,
// draws the focus rectangle once the keyboard has been used (at once for a user who
// always shows keyboard cues), raises the focus and
// name-change events and answers WM_GETOBJECT. The form decides what the keys do.
#pragma once

#include <functional>
#include <memory>

#include <windows.h>
#include "platform/forms.h"
#include "platform/win32/accessible.h"

namespace pw {

class FormAccess {
  public:
    // Rectangles of a control in client pixels: the whole control, or the area its
    // children live in (inside a 3D border).
    using RectOf = std::function<RECT(const Control&, bool inner)>;
    FormAccess(HWND hwnd, Form& form, RectOf rectOf);
    ~FormAccess() { *alive_ = false; }
    FormAccess(const FormAccess&) = delete;
    FormAccess& operator=(const FormAccess&) = delete;

    // Handles the message when it is one of its own and sets `result`; false lets the
    // window go on with it (it still may have looked at it).
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // After the form is painted into `dc` within `clip`: the focus rectangle, if shown.
    void PaintFocus(HDC dc, const RECT& clip) const;
    // A control changed its look, place or visibility.
    void ControlChanged(const Control& c);
    // The form's state changed in a way a reader should hear.
    void PartsChanged();

  private:
    bool OnKey(WPARAM vk, bool down, bool repeat);
    void KeyboardUsed();
    void SetCuesHidden(bool hidden);
    // Runs a press of `part` (nullptr: maybe none); false when the window went away.
    template <typename F>
    bool Pressing(const Part* part, F&& press);
    // Brings the drawn focus and the focus event in step with the form.
    void SyncFocus();
    const Part* DrawnFocus() const;
    // A screen reader moves the focus to a part (nullptr: to the window).
    bool TakeFocus(const Part* part);
    RECT FocusRect(const Part& part) const;
    LONG IdOf(const Part& part) const { return static_cast<LONG>(&part - form_.Parts().data()) + 1; }

    HWND hwnd_;
    Form& form_;
    RectOf rectOf_;
    AccessibleServer server_;
    // UISF_HIDEFOCUS: a mouse user sees no focus rectangle, unless the user's setting
    // shows it always.
    bool cuesHidden_;
    const Part* shown_ = nullptr;  // the part the focus was last shown and announced on
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace pw
