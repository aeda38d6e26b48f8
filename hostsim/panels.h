// The host client's simple controls: painted panels that show their text (toolbars,
// icons, labels, the combo box frame) and a list box under the host's class name.
#pragma once

#include <windows.h>

namespace hostsim {

inline constexpr char kToolbarClass[] = "AOL Toolbar";
inline constexpr char kInnerToolbarClass[] = "_AOL_Toolbar";
inline constexpr char kComboboxClass[] = "_AOL_Combobox";
inline constexpr char kIconClass[] = "_AOL_Icon";
inline constexpr char kStaticClass[] = "_AOL_Static";
inline constexpr char kListboxClass[] = "_AOL_Listbox";

// Panel styles (the low word of the window style belongs to the class).
inline constexpr DWORD kPanelCentered = 0x0001;  // text centred instead of left-aligned
inline constexpr DWORD kPanelRaised = 0x0002;    // drawn as a button

// Registers every class above; false with GetLastError set.
bool RegisterPanelClasses(HINSTANCE instance);

}  // namespace hostsim
