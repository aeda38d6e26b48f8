// Driving the host client from outside: finding its windows and typing into them.
//
// Every lookup is made afresh on each call; a missing window is never an error
// (handle 0, empty text), and the callers decide what that means. Every message
// waits a bounded time, so a busy or hung host client cannot freeze pellowick, and a
// read tells a host that did not answer ("unknown") from a window that is not there.
#pragma once

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace pw {

// Longest text read from another window; far above any chat line or caption.
constexpr std::size_t kMaxHostText = 64 * 1024;
// The first wait for a host that has stopped answering: waiting the full bound every
// time would freeze pellowick's own window. Each unanswered message doubles it, up to
// the full bound, so a host that answers slowly is heard again.
constexpr unsigned kSilentProbeMs = 200;
// A host that answers nothing for this long (time awake) is taken to be gone, not busy.
constexpr double kHostGoneSeconds = 20;

// Discovery: window searches only, which never wait on the host.
Hwnd FindHostFrame(Platform& p);
Hwnd FindChatRoom(Platform& p);
Hwnd FindChatInput(Platform& p);

// The one connection to the host client: every message to it goes through here, so
// that all callers share what is known of its silence, and text the user was typing
// into the chat box is kept through every line pellowick posts there.
class HostLink {
  public:
    // Text in the chat box that begins with `ownLineStart` is a line of the program's
    // own, never the user's.
    HostLink(Platform& p, std::string_view ownLineStart) : p_(p), ownLineStart_(ownLineStart) {}
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    // The window's whole text (UTF-8); "" for window 0 or a window that is gone;
    // nullopt when the window's program did not answer in time.
    std::optional<std::string> ReadText(Hwnd w);
    // ReadText, with no answer read as "".
    std::string GetText(Hwnd w);
    // The signed-on screen name from the "Welcome, NAME!" window, or "" when there is
    // none; nullopt when a window that might be it did not answer. All the windows read
    // share one bounded wait.
    std::optional<std::string> ReadScreenName();
    std::string GetScreenName();
    // Whether the host has left its last message unanswered, and for how long (awake).
    bool Silent() const { return silentSince_.has_value(); }
    double SilentFor();

    // Empties the chat input box; what the user had typed there is kept and put back
    // after the next line. Nothing is touched when the box's contents are unknown.
    void ClearChatInput();
    enum class Sent { Posted, Pending, Unsent };
    // Types a line into the chat input box and presses Enter, then puts back what the
    // user had typed. Pending: the host holds the Enter and posts the line when it
    // wakes. `putBack` receives the text put back into the box ("" when none).
    Sent SendChat(std::string_view text, std::string* putBack = nullptr);
    // Puts back what the user had typed, when an announcement was given up.
    void PutBackUserText();
    // The same, when an earlier attempt found the host silent; call when it answers.
    void RetryPutBack();
    bool HoldsUserText() const { return !taken_.empty(); }
    // Asks the next message with the full bound, whenever the host was last asked: a
    // verdict that the host is gone is made on a fresh answer.
    void AskAfresh();
    // From `awakeSeconds` on the host is asked nothing more: the program is closing and
    // must not wait on it.
    void StopAskingAt(double awakeSeconds) { deadline_ = std::min(deadline_, awakeSeconds); }
    bool PastDeadline() { return p_.AwakeSeconds() >= deadline_; }
    void RunKeyword(std::string_view text);
    void MinimizeHost();
    void MaximizeHost();

  private:
    template <typename Send>
    auto Ask(Hwnd w, Send send, std::optional<double> deadline = std::nullopt) -> decltype(send(0u));
    std::optional<std::string> ReadTextBy(Hwnd w, std::optional<double> deadline);
    bool Answering(Hwnd w);
    bool SetText(Hwnd w, const std::string& ansi);
    bool TypeChar(Hwnd w, unsigned ch);
    std::optional<std::string> UserText(Hwnd box, bool* ours = nullptr);
    std::size_t OwnLineLength(const std::string& text);
    bool Replace(Hwnd box, const std::string& userText, const std::string& ansi);
    bool PutBack(Hwnd box, const std::string& typedSince, std::string* putBack, bool overOwnLine = false);

    Platform& p_;
    const std::string ownLineStart_;
    std::optional<double> silentSince_;  // AwakeSeconds of the first unanswered message
    unsigned probeMs_ = kSilentProbeMs;
    double quietUntil_ = 0;  // AwakeSeconds before which a silent host is not asked again
    double deadline_ = std::numeric_limits<double>::infinity();
    // What the user had typed into the chat box `takenFrom_` and pellowick wrote over,
    // to go back after the line.
    std::string taken_;
    Hwnd takenFrom_ = 0;
    bool owed_ = false;     // putting `taken_` back failed: again when the host answers
    std::string lastLine_;  // ANSI: the last line typed there; a late copy of it is ours
};

}  // namespace pw
