// The form's face for screen readers: an Active Accessibility object for the
// window's client area whose children are the form's parts (push buttons and texts).
// Windows bridges it to UI Automation; NVDA reads it directly.
#pragma once

#include <functional>

#include <windows.h>
#include "platform/forms.h"

namespace pw {

// Posted to the window by a screen reader's default action, which must not run the
// click inside its own call: wParam is the part's index.
inline constexpr UINT kPressPartMessage = WM_APP + 0x41;

class FormAccessible;

// What the accessible object asks of its window.
struct AccessibleSite {
    HWND hwnd = nullptr;
    Form* form = nullptr;
    // The control's rectangle in client pixels.
    std::function<RECT(const Control&)> clientRect;
    // The part drawn with the keyboard focus, or nullptr.
    std::function<const Part*()> focused;
    // Moves the keyboard focus to the part (nullptr: the window itself); false when
    // it cannot go there now.
    std::function<bool(const Part*)> takeFocus;
};

// The object serving one window; made on the first request and cut off from the form
// when the window goes (a screen reader may hold it longer).
class AccessibleServer {
  public:
    explicit AccessibleServer(AccessibleSite site) : site_(std::move(site)) {}
    ~AccessibleServer();
    AccessibleServer(const AccessibleServer&) = delete;
    AccessibleServer& operator=(const AccessibleServer&) = delete;

    // The answer to WM_GETOBJECT for OBJID_CLIENT; 0 when it cannot be given.
    LRESULT Answer(WPARAM wp);

  private:
    AccessibleSite site_;
    FormAccessible* object_ = nullptr;
};

}  // namespace pw
