// The MDI document windows ("AOL Child"): chat rooms, the Welcome window and other
// documents.
#pragma once

#include <windows.h>

#include <string>

namespace hostsim {

inline constexpr char kDocumentClass[] = "AOL Child";

class ChatRoom;

bool RegisterDocumentClass(HINSTANCE instance);

// A new document on top of the others; room, when given, handles its messages.
// nullptr when the window could not be created.
HWND CreateDocument(HWND mdi_client, const std::string& caption, const RECT& place, ChatRoom* room);

// The greeting window, whose caption carries the signed-on screen name.
HWND CreateWelcomeWindow(HWND mdi_client, const std::string& caption, const RECT& place, HFONT font);

// A document with most of a chat room's parts, yet no room: its label is a grandchild.
HWND CreatePlainDocument(HWND mdi_client, unsigned number, const RECT& place, HFONT font);

}  // namespace hostsim
