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

Hwnd FindHostFrame(Platform& p) { return p.FindTopWindow(kFrameClass); }

Hwnd FindChatRoom(Platform& p) {
    return FirstDocument(p, [&](Hwnd w) { return IsChatRoom(p, w); });
}

Hwnd FindChatInput(Platform& p) {
    Hwnd room = FindChatRoom(p);
    if (!room) return 0;
    Hwnd first = p.FindChildWindow(room, 0, kInputClass);
    return first ? p.FindChildWindow(room, first, kInputClass) : 0;
}

std::string GetText(Platform& p, Hwnd w) {
    if (!w) return {};
    // The other process's length is only a hint: bound it, and keep what was copied.
    auto length = p.SendGetTextLength(w);
    if (!length) return {};
    std::size_t n = (*length < 0 || static_cast<std::uint64_t>(*length) > kMaxHostText)
                        ? kMaxHostText
                        : static_cast<std::size_t>(*length);
    std::vector<char> buffer(n + 1, '\0');
    auto copied = p.SendGetText(w, buffer.data(), buffer.size());
    if (!copied) return {};
    std::size_t count = std::min(*copied, n);
    count = std::find(buffer.begin(), buffer.begin() + count, '\0') - buffer.begin();
    return p.TextFromAnsi(std::string_view(buffer.data(), count));
}

std::string GetScreenName(Platform& p) {
    std::string name;
    FirstDocument(p, [&](Hwnd w) {
        std::string caption = GetText(p, w);
        if (caption.compare(0, kWelcome.size(), kWelcome) != 0) return false;
        // Everything between "Welcome, " and the first "!" (all of the rest if none).
        std::size_t bang = caption.find('!', kWelcome.size());
        name = caption.substr(kWelcome.size(), bang == std::string::npos ? std::string::npos : bang - kWelcome.size());
        return true;
    });
    return name;
}

void ClearChatInput(Platform& p) {
    if (Hwnd box = FindChatInput(p)) p.SendSetText(box, "");
}

void SendChat(Platform& p, std::string_view text) {
    Hwnd box = FindChatInput(p);
    if (!box) return;
    // Enter only after the text arrived: a timed-out write must not post stale text.
    if (p.SendSetText(box, p.AnsiFromText(text))) p.SendChar(box, kEnter);
}

void RunKeyword(Platform& p, std::string_view text) {
    Hwnd box = FindAddressBox(p);
    if (!box) return;
    if (p.SendSetText(box, "") && p.SendSetText(box, p.AnsiFromText(text)) && p.SendChar(box, kSpace))
        p.SendChar(box, kEnter);
}

void MinimizeHost(Platform& p) {
    if (Hwnd frame = FindHostFrame(p)) p.ShowWindowAsync(frame, kSwShowMinimized);
}

void MaximizeHost(Platform& p) {
    if (Hwnd frame = FindHostFrame(p)) p.ShowWindowAsync(frame, kSwShowMaximized);
}

}  // namespace pw
