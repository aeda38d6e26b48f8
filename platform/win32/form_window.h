// The Win32 peer of a Form: one borderless top-level window (of class PW_MAIN_CLASS
// for the main form, "pellowick_<form name>" for the others) that paints the form's
// controls and turns mouse input, timers and close requests into the form's handlers.
#pragma once

#include <memory>

#include "platform/forms.h"

namespace pw {

// Creates the window, hidden, at the form's design place.
// Throws std::system_error when Windows refuses to create it.
std::unique_ptr<FormWindow> CreateWin32FormWindow(Platform& p, Form& form);

// Invalidations closer together than this are gathered and painted as one.
inline constexpr int kRepaintIntervalMs = 15;

}  // namespace pw
