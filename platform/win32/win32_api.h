// <windows.h> for the backend, minus the macros that would rename members of the
// platform interface: include this instead, and call the W functions by full name.
#pragma once

#include <windows.h>

#undef RemoveFile
#undef ShowMessageBox
#undef WriteProfileValue
