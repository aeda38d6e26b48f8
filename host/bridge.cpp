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

// One message to the host. While the host answers, each message may take the full
// bound; once it has left one unanswered, the next ones only probe, each twice as long
// as the one before, until it answers again. `deadline` (AwakeSeconds) caps the wait
// for a discovery that asks many windows. A window that is gone says nothing about the
// host's silence.
template <typename Send>
auto HostLink::Ask(Hwnd w, Send send, std::optional<double> deadline) -> decltype(send(0u)) {
    // A message that timed out stays in the host's queue and is handled when it gets
    // there: after each, the host is left alone as long as it was waited for, so that
    // a slow host catches up instead of falling further behind with every probe.
    if (silentSince_ && p_.AwakeSeconds() < quietUntil_) return {};
    if (PastDeadline()) return {};
    unsigned ms = silentSince_ ? probeMs_ : kHostAnswerMs;
    if (deadline) {
        double left = (*deadline - p_.AwakeSeconds()) * 1000;
        if (left < 1) return {};
        ms = std::min(ms, static_cast<unsigned>(left));
    }
    auto answer = send(ms);
    if (answer) {
        silentSince_.reset();
        probeMs_ = kSilentProbeMs;
    } else if (p_.WindowExists(w)) {
        // After the first full wait, probes; each unanswered one twice as long.
        probeMs_ = silentSince_ ? std::min(ms * 2, kHostAnswerMs) : kSilentProbeMs;
        if (!silentSince_) silentSince_ = p_.AwakeSeconds() - ms / 1000.0;
        quietUntil_ = p_.AwakeSeconds() + ms / 1000.0;
    }
    return answer;
}

std::optional<std::string> HostLink::ReadTextBy(Hwnd w, std::optional<double> deadline) {
    if (!w) return std::string();
    // A failed message to a window that is gone means "no text"; to one that is
    // still there, "no answer".
    auto unanswered = [&]() -> std::optional<std::string> {
        if (!p_.WindowExists(w)) return std::string();
        return std::nullopt;
    };
    // The other process's length is only a hint: bound it, and keep what was copied.
    auto length = Ask(
        w, [&](unsigned ms) { return p_.SendGetTextLength(w, ms); }, deadline);
    if (!length) return unanswered();
    std::size_t n = (*length < 0 || static_cast<std::uint64_t>(*length) > kMaxHostText)
                        ? kMaxHostText
                        : static_cast<std::size_t>(*length);
    std::vector<char> buffer(n + 1, '\0');
    auto copied = Ask(
        w, [&](unsigned ms) { return p_.SendGetText(w, buffer.data(), buffer.size(), ms); }, deadline);
    if (!copied) return unanswered();
    std::size_t count = std::min(*copied, n);
    count = std::find(buffer.begin(), buffer.begin() + count, '\0') - buffer.begin();
    return p_.TextFromAnsi(std::string_view(buffer.data(), count));
}

std::optional<std::string> HostLink::ReadText(Hwnd w) {
    return ReadTextBy(w, std::nullopt);
}

std::string HostLink::GetText(Hwnd w) {
    return ReadText(w).value_or("");
}

std::optional<std::string> HostLink::ReadScreenName() {
    const double deadline = p_.AwakeSeconds() + kHostAnswerMs / 1000.0;
    std::optional<std::string> name = std::string();
    bool unknown = false;
    FirstDocument(p_, [&](Hwnd w) {
        std::optional<std::string> caption = ReadTextBy(w, deadline);
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

std::string HostLink::GetScreenName() {
    return ReadScreenName().value_or("");
}

void HostLink::AskAfresh() {
    quietUntil_ = 0;
    probeMs_ = kHostAnswerMs;
}

double HostLink::SilentFor() {
    return silentSince_ ? p_.AwakeSeconds() - *silentSince_ : 0;
}

// A write that times out is still carried out whenever the host wakes, over whatever
// the user typed meanwhile: to a host known to be silent, a harmless read goes first.
bool HostLink::Answering(Hwnd w) {
    return !silentSince_ || Ask(w, [&](unsigned ms) { return p_.SendGetTextLength(w, ms); }).has_value();
}

bool HostLink::SetText(Hwnd w, const std::string& ansi) {
    return Answering(w) && Ask(w, [&](unsigned ms) { return p_.SendSetText(w, ansi, ms); });
}

bool HostLink::TypeChar(Hwnd w, unsigned ch) {
    return Answering(w) && Ask(w, [&](unsigned ms) { return p_.SendChar(w, ch, ms); });
}

// The length of a line of ours at the start of the box's text (one the host carried out
// late, or one a run before this left there), 0 if none: what the user typed after it is
// theirs.
std::size_t HostLink::OwnLineLength(const std::string& text) {
    const std::string last = p_.TextFromAnsi(lastLine_);
    if (!last.empty() && text.starts_with(last)) return last.size();
    if (ownLineStart_.empty() || !text.starts_with(ownLineStart_)) return 0;
    // An earlier run's: it ends at " -|" (the opening's " -|-" is no end).
    for (std::size_t at = text.find(" -|", ownLineStart_.size()); at != std::string::npos;
         at = text.find(" -|", at + 1))
        if (at + 3 == text.size() || text[at + 3] != '-') return at + 3;
    return text.size();
}

// What the user has typed into the box now, if it answers; a line of ours is no text of
// the user's.
std::optional<std::string> HostLink::UserText(Hwnd box, bool* ours) {
    if (box != takenFrom_) taken_.clear();  // that room is gone, and its text with it
    takenFrom_ = box;
    std::optional<std::string> text = ReadText(box);
    const std::size_t own = text ? OwnLineLength(*text) : 0;
    if (own) text->erase(0, own);
    if (ours) *ours = own > 0;
    return text;
}

// Writes `ansi` over the box's `userText`, which is kept to be put back: even a write
// that timed out is carried out when the host gets to it.
bool HostLink::Replace(Hwnd box, const std::string& userText, const std::string& ansi) {
    taken_ += userText;
    return SetText(box, ansi);
}

bool HostLink::PutBack(Hwnd box, const std::string& typedSince, std::string* putBack, bool overOwnLine) {
    // A clear that never reached the box left the text where it was.
    const std::string all = typedSince.starts_with(taken_) ? typedSince : taken_ + typedSince;
    if ((all != typedSince || overOwnLine) && !SetText(box, p_.AnsiFromText(all))) {
        owed_ = true;
        return false;
    }
    if (putBack) *putBack = all;
    taken_.clear();
    owed_ = false;
    return true;
}

void HostLink::ClearChatInput() {
    Hwnd box = FindChatInput(p_);
    if (!box) return;
    if (std::optional<std::string> text = UserText(box)) Replace(box, *text, "");
}

HostLink::Sent HostLink::SendChat(std::string_view text, std::string* putBack) {
    if (putBack) putBack->clear();
    Hwnd box = FindChatInput(p_);
    if (!box) return Sent::Unsent;
    // A box that does not answer may hold what the user is typing: touch nothing, and
    // give back what was taken as soon as the host answers again.
    std::optional<std::string> typed = UserText(box);
    if (!typed) {
        owed_ = !taken_.empty();
        return Sent::Unsent;
    }
    lastLine_ = p_.AnsiFromText(text);
    // Enter only after the text arrived: a timed-out write must not post stale text.
    if (!Replace(box, *typed, lastLine_)) {
        owed_ = true;
        return Sent::Unsent;
    }
    const Sent sent = TypeChar(box, kEnter) ? Sent::Posted : Sent::Pending;
    PutBack(box, "", putBack);
    return sent;
}

void HostLink::PutBackUserText() {
    if (taken_.empty() && !owed_) return;
    Hwnd box = FindChatInput(p_);
    if (!box) return;
    // A line of ours that the host took late, without its Enter, goes too.
    bool ours = false;
    std::optional<std::string> typed = UserText(box, &ours);
    if (typed)
        PutBack(box, *typed, nullptr, ours);
    else
        owed_ = true;
}

void HostLink::RetryPutBack() {
    if (owed_) PutBackUserText();
}

void HostLink::RunKeyword(std::string_view text) {
    Hwnd box = FindAddressBox(p_);
    if (!box) return;
    if (SetText(box, "") && SetText(box, p_.AnsiFromText(text)) && TypeChar(box, kSpace))
        TypeChar(box, kEnter);
}

void HostLink::MinimizeHost() {
    if (Hwnd frame = FindHostFrame(p_)) p_.ShowWindowAsync(frame, kSwShowMinimized);
}

void HostLink::MaximizeHost() {
    if (Hwnd frame = FindHostFrame(p_)) p_.ShowWindowAsync(frame, kSwShowMaximized);
}

}  // namespace pw
