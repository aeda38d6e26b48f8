#include "hostsim/chat_room.h"

#include "hostsim/documents.h"
#include "hostsim/panels.h"
#include "hostsim/text.h"
#include "hostsim/win_util.h"

namespace hostsim {
namespace {

enum PartId : int { kTranscriptId = 1, kInputId, kPeopleId, kSendId, kFontBoxId, kHeadCountId };

// Beyond this the oldest half of the transcript goes, so a long run stays cheap.
constexpr int kTranscriptKeepChars = 200000;

constexpr DWORD kTranscriptStyle = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER;
constexpr int kMargin = 4;
constexpr int kSideWidth = 130;
constexpr int kRowHeight = 24;
constexpr int kLabelHeight = 20;
constexpr int kSendWidth = 56;

}  // namespace

WNDPROC ChatRoom::edit_proc_ = nullptr;

ChatRoom::ChatRoom(std::string caption, std::string user, EventLog& log, RoomOwner& owner)
    : caption_(std::move(caption)), user_(std::move(user)), log_(log), owner_(owner) {}

bool ChatRoom::RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExA(nullptr, "EDIT", &wc)) return false;
    edit_proc_ = wc.lpfnWndProc;
    wc.lpfnWndProc = RichTextProc;
    wc.hInstance = instance;
    wc.lpszClassName = kRichTextClass;
    wc.style &= ~CS_GLOBALCLASS;
    return RegisterClassExA(&wc) != 0;
}

bool ChatRoom::Create(HWND mdi_client, const RECT& place, HFONT font) {
    window_ = CreateDocument(mdi_client, caption_, place, this);
    if (!window_) return false;
    if (!CreateParts(font)) {
        SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window_), 0);  // deletes this
        return false;
    }
    RECT area;
    GetClientRect(window_, &area);
    Layout(area.right, area.bottom);
    if (GetFocus() == window_) SetFocus(input_);
    return true;
}

bool ChatRoom::CreateParts(HFONT font) {
    // The host client stacks a room's parts in this order: the input box is the second
    // RICHCNTL child, which is how outside tools find it.
    const ChildSpec parts[] = {
        {kRichTextClass, "", kTranscriptStyle, {}, kTranscriptId},
        {kRichTextClass, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, {}, kInputId},
        {kListboxClass, "", LBS_NOINTEGRALHEIGHT | LBS_SORT | WS_VSCROLL | WS_BORDER, {}, kPeopleId},
        {kIconClass, "Send", kPanelCentered | kPanelRaised, {}, kSendId},
        {kComboboxClass, "Tahoma 10", WS_BORDER, {}, kFontBoxId},
        {kStaticClass, "1 person here", 0, {}, kHeadCountId},
    };
    HWND* const slots[] = {&transcript_, &input_, &people_, &send_, &font_box_, &head_count_};
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        *slots[i] = CreateChild(window_, parts[i], font);
        if (!*slots[i]) return false;
        // Pin the order explicitly rather than trust where the platform inserts new children.
        if (i > 0)
            SetWindowPos(*slots[i], *slots[i - 1], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    SendMessageA(transcript_, EM_SETLIMITTEXT, 0, 0);
    SendMessageA(input_, EM_SETLIMITTEXT, 0, 0);
    SendMessageA(people_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(user_.c_str()));
    SetWindowLongPtrA(input_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void ChatRoom::Layout(int width, int height) {
    const int left_width = width - kSideWidth - 3 * kMargin;
    const int bottom_row = height - kRowHeight - kMargin;
    const int side_left = width - kSideWidth - kMargin;
    MoveChild(transcript_, kMargin, kMargin, left_width, bottom_row - 2 * kMargin);
    MoveChild(input_, kMargin, bottom_row, left_width - kSendWidth - kMargin, kRowHeight);
    MoveChild(send_, kMargin + left_width - kSendWidth, bottom_row, kSendWidth, kRowHeight);
    MoveChild(head_count_, side_left, kMargin, kSideWidth, kLabelHeight);
    MoveChild(people_, side_left, 2 * kMargin + kLabelHeight, kSideWidth,
              bottom_row - kLabelHeight - 4 * kMargin);
    MoveChild(font_box_, side_left, bottom_row, kSideWidth, kRowHeight);
}

std::string ChatRoom::Target() const {
    return "room:" + EscapeBytes(caption_);
}

void ChatRoom::TypeText(const std::string& text) {
    log_.WriteBytes("TYPE", "input", text);
    // Straight to the edit procedure: typing is not a WM_SETTEXT from outside.
    CallWindowProcA(edit_proc_, input_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    const auto end = static_cast<WPARAM>(text.size());
    CallWindowProcA(edit_proc_, input_, EM_SETSEL, end, static_cast<LPARAM>(end));
}

void ChatRoom::Close() {
    log_.Write("ROOM_CLOSE", Target(), "-");
    const HWND mdi_client = GetParent(window_);
    SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window_), 0);  // deletes this
}

std::optional<LRESULT> ChatRoom::OnDocumentMessage(HWND doc, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SIZE:
            if (wparam != SIZE_MINIMIZED) Layout(LOWORD(lparam), HIWORD(lparam));
            return std::nullopt;  // the MDI procedure needs WM_SIZE too
        case WM_SETFOCUS: {
            const LRESULT result = DefMDIChildProcA(doc, message, wparam, lparam);
            if (input_) SetFocus(input_);
            return result;
        }
        case WM_CTLCOLORSTATIC:  // a read-only edit asks here; the transcript reads best on white
            if (reinterpret_cast<HWND>(lparam) != transcript_) return std::nullopt;
            SetBkColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        case WM_CLOSE:
            Close();
            return 0;
        default:
            return std::nullopt;
    }
}

void ChatRoom::OnWindowGone() {
    window_ = nullptr;
    owner_.OnRoomGone(*this);
}

LRESULT CALLBACK ChatRoom::RichTextProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    // Only a room's input box carries its room; the transcript and others are plain edits.
    auto* room = reinterpret_cast<ChatRoom*>(GetWindowLongPtrA(box, GWLP_USERDATA));
    if (!room || box != room->input_) return CallWindowProcA(edit_proc_, box, message, wparam, lparam);
    return Guarded([&] { return room->OnInputMessage(message, wparam, lparam); },
                   [&] { return CallWindowProcA(edit_proc_, box, message, wparam, lparam); });
}

LRESULT ChatRoom::OnInputMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    const HWND box = input_;
    switch (message) {
        case WM_SETTEXT:
            log_.WriteBytes("SETTEXT", "input", lparam ? reinterpret_cast<const char*>(lparam) : "");
            break;
        case WM_CHAR:
            log_.Write("CHAR", "input", std::to_string(wparam));
            if (wparam == '\r') {
                PostInput();
                return 0;
            }
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrA(box, GWLP_USERDATA, 0);
            input_ = nullptr;
            break;
        default:
            break;
    }
    return CallWindowProcA(edit_proc_, box, message, wparam, lparam);
}

void ChatRoom::PostInput() {
    // Like the real client: Enter sends the box's text and empties the box, so an
    // empty box later means the user has typed nothing since.
    const std::string text = WindowText(input_);
    log_.WriteBytes("POST", Target(), text);
    AppendToTranscript(user_ + ": " + text);
    CallWindowProcA(edit_proc_, input_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
}

void ChatRoom::AppendToTranscript(const std::string& line) {
    int length = GetWindowTextLengthA(transcript_);
    if (length > kTranscriptKeepChars) {
        SendMessageA(transcript_, EM_SETSEL, 0, length - kTranscriptKeepChars / 2);
        SendMessageA(transcript_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
        length = GetWindowTextLengthA(transcript_);
    }
    const std::string text = length > 0 ? "\r\n" + line : line;
    SendMessageA(transcript_, EM_SETSEL, length, length);
    SendMessageA(transcript_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(transcript_, EM_SCROLLCARET, 0, 0);
}

}  // namespace hostsim
