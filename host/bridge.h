// Driving the host client from outside: finding its windows and typing into them.
//
// Every lookup is made afresh on each call; a missing window is never an error
// (handle 0, empty text), and the callers decide what that means. Every message
// waits a bounded time, so a busy or hung host client cannot freeze pellowick, and a
// read tells a host that did not answer ("unknown") from a window that is not there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace pw {

// Longest text read from another window; far above any chat line or caption.
constexpr std::size_t kMaxHostText = 64 * 1024;
// How long a host that has stopped answering is given per message until it answers
// again: waiting the full bound every time would freeze pellowick's own window.
constexpr unsigned kSilentProbeMs = 200;

// --- Discovery ----------------------------------------------------------------------
Hwnd FindHostFrame(Platform& p);
Hwnd FindChatRoom(Platform& p);
Hwnd FindChatInput(Platform& p);
// The window's whole text (UTF-8); "" for window 0 or a window that is gone;
// nullopt when the window's program did not answer in time.
std::optional<std::string> ReadText(Platform& p, Hwnd w);
// ReadText, with no answer read as "".
std::string GetText(Platform& p, Hwnd w);
// The signed-on screen name from the "Welcome, NAME!" window, or "" when there is
// none; nullopt when a window that might be it did not answer. All the windows read
// share one bounded wait.
std::optional<std::string> ReadScreenName(Platform& p);
std::string GetScreenName(Platform& p);
// Seconds the host client has answered nothing, in a row; 0 while it answers.
double HostSilentFor(Platform& p);

// --- Input actions ------------------------------------------------------------------
void ClearChatInput(Platform& p);
void SendChat(Platform& p, std::string_view text);
void RunKeyword(Platform& p, std::string_view text);
void MinimizeHost(Platform& p);
void MaximizeHost(Platform& p);

}  // namespace pw
