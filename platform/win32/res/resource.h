// Resource ids shared by pellowick.rc and the C++ code, grouped by prefix.
// The pictures are RCDATA resources named after ui/art.h's names, not numbered.
#pragma once

// Icons
#define IDI_APP 1

// Version
#define PW_VERSION_TEXT "1.51"
#define PW_VERSION_BINARY 1, 51, 0, 0
