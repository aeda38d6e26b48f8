// Resource ids shared by pellowick.rc and the C++ code, grouped by prefix.
// The pictures are RCDATA resources named after ui/art.h's names, not numbered.
#pragma once

// Icons
#define IDI_APP 1
