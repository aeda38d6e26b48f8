// Draws a form's controls into a device context, bottom-up, limited to one rectangle.
#pragma once

#include <windows.h>

#include <uxtheme.h>

#include "platform/forms.h"
#include "platform/win32/form_layout.h"
#include "platform/win32/gdi_cache.h"

namespace pw {

RECT ToRect(const PxRect& r);

// `theme` is the window's BUTTON theme, or nullptr for the classic look.
void PaintForm(const Form& form, HDC dc, const RECT& area, GdiCache& cache, HTHEME theme);

}  // namespace pw
