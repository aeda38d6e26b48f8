// The simulated host client: its frame, toolbar with the address box, MDI area with
// documents and chat rooms, and the timed actions asked for on the command line.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/chat_room.h"
#include "hostsim/event_log.h"
#include "hostsim/options.h"
#include "hostsim/win_util.h"

namespace hostsim {

inline constexpr char kFrameClass[] = "AOL Frame25";

class HostApp final : public RoomOwner {
  public:
    HostApp(const Options& options, EventLog& log);
    ~HostApp();
    HostApp(const HostApp&) = delete;
    HostApp& operator=(const HostApp&) = delete;

    // Registers the classes and builds and shows the window tree; on failure, error says why.
    bool Build(HINSTANCE instance, std::string& error);
    HWND frame() const { return frame_; }

    // Runs until the frame is destroyed; the program's exit code.
    int RunMessageLoop();

  private:
    enum class FrameState { kNormal, kMinimized, kMaximized };

    static LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK AddressProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnFrameMessage(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnAddressMessage(UINT message, WPARAM wparam, LPARAM lparam);

    bool RegisterClasses(std::string& error);
    bool CreateFrame(std::string& error);
    bool CreateToolbar();
    bool CreateAddressBox(HWND combo);
    bool CreateMdiClient();
    bool CreateDocuments();
    void LayoutFrame(int width, int height);
    void OnFrameSize(WPARAM kind, int width, int height);

    RECT MdiArea() const;
    RECT NextCascadePlace(int width, int height, int origin_x);
    ChatRoom* OpenRoom(std::string caption);
    ChatRoom* TopmostRoom() const;
    void OnRoomGone(ChatRoom& room) override;
    void RunAddress();

    void Schedule(unsigned at_ms, std::function<void()> action);
    void ScheduleActions();
    void OnTimer(UINT_PTR id);
    void CloseTopmostRoom();
    void TypeIntoTopmostRoom(const std::string& text);
    void Hang();
    void StallIfAsked();

    const Options& options_;
    EventLog& log_;
    HINSTANCE instance_ = nullptr;
    UniqueFont font_;
    HWND frame_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND inner_toolbar_ = nullptr;
    HWND address_ = nullptr;
    WNDPROC address_edit_proc_ = nullptr;
    HWND mdi_client_ = nullptr;
    FrameState frame_state_ = FrameState::kNormal;
    std::vector<std::unique_ptr<ChatRoom>> rooms_;
    unsigned link_attempts_ = 0;
    unsigned documents_placed_ = 0;
    std::vector<std::function<void()>> schedule_;  // timer id - kFirstTimerId indexes it
};

}  // namespace hostsim
