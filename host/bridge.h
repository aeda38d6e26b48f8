// Driving the host client from outside: finding its windows and typing into them.
//
// Every lookup is made afresh on each call; a missing window is never an error
// (handle 0, empty text), and the callers decide what that means. Every message
// waits a bounded time, so a hung host client cannot freeze pellowick.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace pw {

// Longest text read from another window; far above any chat line or caption.
constexpr std::size_t kMaxHostText = 64 * 1024;

// --- Discovery ----------------------------------------------------------------------
Hwnd FindHostFrame(Platform& p);
Hwnd FindChatRoom(Platform& p);
Hwnd FindChatInput(Platform& p);
// The window's whole text (UTF-8); "" for window 0, a hung window or a failed read.
std::string GetText(Platform& p, Hwnd w);
// The signed-on screen name from the "Welcome, NAME!" window, or "".
std::string GetScreenName(Platform& p);

// --- Input actions ------------------------------------------------------------------
void ClearChatInput(Platform& p);
void SendChat(Platform& p, std::string_view text);
void RunKeyword(Platform& p, std::string_view text);
void MinimizeHost(Platform& p);
void MaximizeHost(Platform& p);

// Waits `seconds` while pumping events; the start is the clock rounded to the
// nearest second (ties to even), so a call lasts seconds ± 0.5.
void Pause(Platform& p, int seconds);

}  // namespace pw
