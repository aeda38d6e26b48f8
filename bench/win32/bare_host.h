// The host client's windows found and messaged with raw Win32 calls, in the order and
// with the flags and bounds the bridge uses: the floors' share of the host work that
// pellowick cannot avoid.
#pragma once

#include <windows.h>

#include <algorithm>
#include <array>
#include <string>

#include "platform/platform.h"

namespace bare {

constexpr UINT kSendFlags = SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT;
constexpr UINT kSendTimeoutMs = pw::kHostAnswerMs;

// The first document of the host's MDI client that has every part of a chat room.
inline HWND FindChatRoom() {
    constexpr std::array<const char*, 5> kParts = {"RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox",
                                                   "_AOL_Static"};
    HWND frame = FindWindowA("AOL Frame25", nullptr);
    HWND client = frame ? FindWindowExA(frame, nullptr, "MDIClient", nullptr) : nullptr;
    for (HWND w = client ? FindWindowExA(client, nullptr, "AOL Child", nullptr) : nullptr; w;
         w = FindWindowExA(client, w, "AOL Child", nullptr)) {
        if (std::all_of(kParts.begin(), kParts.end(),
                        [&](const char* cls) { return FindWindowExA(w, nullptr, cls, nullptr) != nullptr; }))
            return w;
    }
    return nullptr;
}

// The room's input box: its second RICHCNTL.
inline HWND FindChatInput() {
    HWND room = FindChatRoom();
    HWND first = room ? FindWindowExA(room, nullptr, "RICHCNTL", nullptr) : nullptr;
    return first ? FindWindowExA(room, first, "RICHCNTL", nullptr) : nullptr;
}

// The window's text: its length (the wide call, as under Wine only that one keeps its
// bound), then the text itself.
inline std::string ReadText(HWND w) {
    DWORD_PTR length = 0, copied = 0;
    if (!w || !SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, kSendFlags, kSendTimeoutMs, &length)) return {};
    std::string text(length + 1, '\0');
    if (!SendMessageTimeoutA(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), kSendFlags,
                             kSendTimeoutMs, &copied))
        return {};
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

inline bool SetText(HWND w, const char* ansi) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi), kSendFlags, kSendTimeoutMs,
                               &result) != 0;
}

inline bool TypeChar(HWND w, unsigned ch) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(w, WM_CHAR, ch, 0, kSendFlags, kSendTimeoutMs, &result) != 0;
}

}  // namespace bare
