#include "host/bridge.h"

#include <algorithm>
#include <array>
#include <vector>

namespace pw {
namespace {

constexpr const char* kFrameClass = "AOL Frame25";
constexpr const char* kMdiClass = "MDIClient";
constexpr const char* kDocClass = "AOL Child";
constexpr const char* kInputClass = "RICHCNTL";
constexpr std::array<const char*, 5> kRoomParts = {"RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox",
                                                   "_AOL_Static"};
constexpr std::array<const char*, 4> kAddressChain = {"AOL Toolbar", "_AOL_Toolbar", "_AOL_Combobox", "Edit"};
constexpr std::string_view kWelcome = "Welcome, ";
constexpr unsigned kEnter = 13;
constexpr unsigned kSpace = 32;

// One message to the host. While the host answers, each message may take the full
// bound; once it has left one unanswered, the next ones only probe until it answers
// again. `deadline` (Uptime) caps the wait for a discovery that asks many windows.
// A window that is gone says nothing about the host's silence.
template <typename Send>
auto Ask(Platform& p, Hwnd w, Send send, std::optional<double> deadline = std::nullopt)
    -> decltype(send(0u)) {
    unsigned ms = p.hostSilentSince ? kSilentProbeMs : kHostAnswerMs;
    if (deadline) {
        double left = (*deadline - p.Uptime()) * 1000;
        if (left < 1) return {};
        ms = std::min(ms, static_cast<unsigned>(left));
    }
    auto answer = send(ms);
    if (answer) {
        p.hostSilentSince.reset();
    } else if (!p.hostSilentSince && p.WindowExists(w)) {
        p.hostSilentSince = p.Uptime() - ms / 1000.0;
    }
    return answer;
}

std::optional<std::string> ReadTextBy(Platform& p, Hwnd w, std::optional<double> deadline) {
    if (!w) return std::string();
    // A failed message to a window that is gone means "no text"; to one that is
    // still there, "no answer".
    auto unanswered = [&]() -> std::optional<std::string> {
        if (!p.WindowExists(w)) return std::string();
        return std::nullopt;
    };
    // The other process's length is only a hint: bound it, and keep what was copied.
    auto length = Ask(
        p, w, [&](unsigned ms) { return p.SendGetTextLength(w, ms); }, deadline);
    if (!length) return unanswered();
    std::size_t n = (*length < 0 || static_cast<std::uint64_t>(*length) > kMaxHostText)
                        ? kMaxHostText
                        : static_cast<std::size_t>(*length);
    std::vector<char> buffer(n + 1, '\0');
    auto copied = Ask(
        p, w, [&](unsigned ms) { return p.SendGetText(w, buffer.data(), buffer.size(), ms); }, deadline);
    if (!copied) return unanswered();
    std::size_t count = std::min(*copied, n);
    count = std::find(buffer.begin(), buffer.begin() + count, '\0') - buffer.begin();
    return p.TextFromAnsi(std::string_view(buffer.data(), count));
}

// A write that times out is still carried out whenever the host wakes, over whatever
// the user typed meanwhile: to a host known to be silent, a harmless read goes first.
bool Answering(Platform& p, Hwnd w) {
    return !p.hostSilentSince ||
           Ask(p, w, [&](unsigned ms) { return p.SendGetTextLength(w, ms); }).has_value();
}

bool SetText(Platform& p, Hwnd w, const std::string& ansi) {
    return Answering(p, w) && Ask(p, w, [&](unsigned ms) { return p.SendSetText(w, ansi, ms); });
}

bool TypeChar(Platform& p, Hwnd w, unsigned ch) {
    return Answering(p, w) && Ask(p, w, [&](unsigned ms) { return p.SendChar(w, ch, ms); });
}

Hwnd FindMdiClient(Platform& p) {
    Hwnd frame = FindHostFrame(p);
    return frame ? p.FindChildWindow(frame, 0, kMdiClass) : 0;
}

// Calls `visit` for each document window in child order until it returns true.
template <typename Visit>
Hwnd FirstDocument(Platform& p, Visit visit) {
    Hwnd client = FindMdiClient(p);
    if (!client) return 0;
    for (Hwnd w = p.FindChildWindow(client, 0, kDocClass); w; w = p.FindChildWindow(client, w, kDocClass))
        if (visit(w)) return w;
    return 0;
}

bool IsChatRoom(Platform& p, Hwnd w) {
    return std::all_of(kRoomParts.begin(), kRoomParts.end(),
                       [&](const char* cls) { return p.FindChildWindow(w, 0, cls) != 0; });
}

Hwnd FindAddressBox(Platform& p) {
    Hwnd w = FindHostFrame(p);
    for (const char* cls : kAddressChain) {
        if (!w) break;
        w = p.FindChildWindow(w, 0, cls);
    }
    return w;
}

}  // namespace

Hwnd FindHostFrame(Platform& p) {
    return p.FindTopWindow(kFrameClass);
}

Hwnd FindChatRoom(Platform& p) {
    return FirstDocument(p, [&](Hwnd w) { return IsChatRoom(p, w); });
}

Hwnd FindChatInput(Platform& p) {
    Hwnd room = FindChatRoom(p);
    if (!room) return 0;
    Hwnd first = p.FindChildWindow(room, 0, kInputClass);
    return first ? p.FindChildWindow(room, first, kInputClass) : 0;
}

std::optional<std::string> ReadText(Platform& p, Hwnd w) {
    return ReadTextBy(p, w, std::nullopt);
}

std::string GetText(Platform& p, Hwnd w) {
    return ReadText(p, w).value_or("");
}

std::optional<std::string> ReadScreenName(Platform& p) {
    const double deadline = p.Uptime() + kHostAnswerMs / 1000.0;
    std::optional<std::string> name = std::string();
    bool unknown = false;
    FirstDocument(p, [&](Hwnd w) {
        std::optional<std::string> caption = ReadTextBy(p, w, deadline);
        if (!caption) {
            unknown = true;  // it might have been the Welcome window
            return false;
        }
        if (caption->compare(0, kWelcome.size(), kWelcome) != 0) return false;
        // Everything between "Welcome, " and the first "!" (all of the rest if none).
        std::size_t bang = caption->find('!', kWelcome.size());
        name = caption->substr(kWelcome.size(),
                               bang == std::string::npos ? std::string::npos : bang - kWelcome.size());
        unknown = false;
        return true;
    });
    if (unknown) return std::nullopt;
    return name;
}

std::string GetScreenName(Platform& p) {
    return ReadScreenName(p).value_or("");
}

double HostSilentFor(Platform& p) {
    return p.hostSilentSince ? p.Uptime() - *p.hostSilentSince : 0;
}

void ClearChatInput(Platform& p) {
    if (Hwnd box = FindChatInput(p)) SetText(p, box, "");
}

void SendChat(Platform& p, std::string_view text) {
    Hwnd box = FindChatInput(p);
    if (!box) return;
    // Enter only after the text arrived: a timed-out write must not post stale text.
    if (SetText(p, box, p.AnsiFromText(text))) TypeChar(p, box, kEnter);
}

void RunKeyword(Platform& p, std::string_view text) {
    Hwnd box = FindAddressBox(p);
    if (!box) return;
    if (SetText(p, box, "") && SetText(p, box, p.AnsiFromText(text)) && TypeChar(p, box, kSpace))
        TypeChar(p, box, kEnter);
}

void MinimizeHost(Platform& p) {
    if (Hwnd frame = FindHostFrame(p)) p.ShowWindowAsync(frame, kSwShowMinimized);
}

void MaximizeHost(Platform& p) {
    if (Hwnd frame = FindHostFrame(p)) p.ShowWindowAsync(frame, kSwShowMaximized);
}

}  // namespace pw
