// A chat room window: transcript, input box, people list and the room's other parts.
// Enter in the input box posts the box's text to the transcript, as the host client does.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "hostsim/event_log.h"

namespace hostsim {

inline constexpr char kRichTextClass[] = "RICHCNTL";

class ChatRoom;

// Hears when a room's window is gone, so that it can drop the room.
class RoomOwner {
  public:
    virtual void OnRoomGone(ChatRoom& room) = 0;

  protected:
    ~RoomOwner() = default;
};

class ChatRoom {
  public:
    ChatRoom(std::string caption, std::string user, EventLog& log, RoomOwner& owner);
    ChatRoom(const ChatRoom&) = delete;
    ChatRoom& operator=(const ChatRoom&) = delete;

    // The transcript and input class: the system edit control under the host's class name.
    static bool RegisterClasses(HINSTANCE instance);

    // Opens the room as the topmost document. On failure the room is already gone
    // (its owner heard OnRoomGone) and must not be touched.
    bool Create(HWND mdi_client, const RECT& place, HFONT font);

    const std::string& caption() const { return caption_; }
    HWND window() const { return window_; }
    std::string Target() const;  // the log target naming this room

    // Puts text into the input box as the user's typing would.
    void TypeText(const std::string& text);
    // Leaves the room: logged, then the window goes and the owner deletes the room.
    void Close();

    // The room window's messages; nothing means the default MDI handling.
    std::optional<LRESULT> OnDocumentMessage(HWND doc, UINT message, WPARAM wparam, LPARAM lparam);
    // The room window is destroyed; the owner deletes the room, so this comes last.
    void OnWindowGone();

  private:
    static LRESULT CALLBACK RichTextProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnInputMessage(UINT message, WPARAM wparam, LPARAM lparam);
    bool CreateParts(HFONT font);
    void Layout(int width, int height);
    void PostInput();
    void AppendToTranscript(const std::string& line);

    static WNDPROC edit_proc_;  // the system edit procedure behind every RICHCNTL window

    std::string caption_;
    std::string user_;
    EventLog& log_;
    RoomOwner& owner_;
    HWND window_ = nullptr;
    HWND transcript_ = nullptr;
    HWND input_ = nullptr;
    HWND people_ = nullptr;
    HWND send_ = nullptr;
    HWND font_box_ = nullptr;
    HWND head_count_ = nullptr;
};

}  // namespace hostsim
