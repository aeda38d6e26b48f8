#include "hostsim/host_app.h"

#include <algorithm>

#include "hostsim/documents.h"
#include "hostsim/panels.h"
#include "hostsim/text.h"

namespace hostsim {
namespace {

// Placed clear of the companion program's own spot on the screen.
constexpr RECT kFramePlace = {420, 40, 420 + 560, 40 + 420};
constexpr int kToolbarHeight = 30;
constexpr int kMdiClientId = 1;
constexpr UINT kFirstMdiChildId = 50000;
constexpr UINT_PTR kFirstTimerId = 100;
constexpr UINT_PTR kStallPollTimerId = 99;
constexpr UINT kStallPollMs = 50;

constexpr int kAddressLeft = 64;
constexpr int kAddressWidth = 340;
constexpr int kCascadeStep = 14;
constexpr int kRoomMinWidth = 380;
constexpr int kRoomMinHeight = 220;
constexpr SIZE kPlainDocSize = {240, 150};
constexpr SIZE kWelcomeSize = {260, 110};

const char* StateName(int kind) {
    switch (kind) {
        case SIZE_MINIMIZED:
            return "minimized";
        case SIZE_MAXIMIZED:
            return "maximized";
        default:
            return "restored";
    }
}

}  // namespace

HostApp::HostApp(const Options& options, EventLog& log) : options_(options), log_(log) {}

HostApp::~HostApp() {
    if (frame_ && IsWindow(frame_)) DestroyWindow(frame_);
}

// --- Building the window tree --------------------------------------------------------

bool HostApp::Build(HINSTANCE instance, std::string& error) {
    instance_ = instance;
    font_.Reset(CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    if (!RegisterClasses(error) || !CreateFrame(error)) return false;
    if (!CreateToolbar() || !CreateMdiClient()) {
        error = "cannot create the toolbar or the MDI area: " + LastErrorText();
        return false;
    }
    RECT client;
    GetClientRect(frame_, &client);
    LayoutFrame(client.right, client.bottom);
    if (!CreateDocuments()) {
        error = "cannot create the document windows: " + LastErrorText();
        return false;
    }
    ShowWindow(frame_, SW_SHOWNORMAL);
    UpdateWindow(frame_);
    ScheduleActions();
    return true;
}

bool HostApp::RegisterClasses(std::string& error) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_APPWORKSPACE);
    wc.lpszClassName = kFrameClass;
    const bool ok = RegisterClassExA(&wc) && RegisterPanelClasses(instance_) &&
                    RegisterDocumentClass(instance_) && ChatRoom::RegisterClasses(instance_);
    if (!ok) error = "cannot register the window classes: " + LastErrorText();
    return ok;
}

bool HostApp::CreateFrame(std::string& error) {
    const RECT& r = kFramePlace;
    CreateWindowExA(0, kFrameClass, options_.title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, r.left,
                    r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance_, this);
    if (!frame_) error = "cannot create the frame window: " + LastErrorText();
    return frame_ != nullptr;
}

bool HostApp::CreateToolbar() {
    const HFONT font = font_.get();
    const RECT bar = {0, 0, kFramePlace.right - kFramePlace.left, kToolbarHeight};
    toolbar_ = CreateChild(frame_, {kToolbarClass, "", WS_CLIPCHILDREN, bar}, font);
    if (!toolbar_) return false;
    inner_toolbar_ = CreateChild(toolbar_, {kInnerToolbarClass, "", WS_CLIPCHILDREN, bar}, font);
    if (!inner_toolbar_) return false;
    constexpr int kRight = kAddressLeft + kAddressWidth;
    const ChildSpec label = {kStaticClass, "Keyword:", 0, {0, 4, kAddressLeft, 26}};
    const ChildSpec combo = {kComboboxClass, "", WS_CLIPCHILDREN, {kAddressLeft, 4, kRight, 26}};
    const ChildSpec go = {kIconClass, "Go", kPanelCentered | kPanelRaised, {kRight + 4, 4, kRight + 40, 26}};
    HWND combo_window = CreateChild(inner_toolbar_, combo, font);
    return CreateChild(inner_toolbar_, label, font) && combo_window &&
           CreateChild(inner_toolbar_, go, font) && CreateAddressBox(combo_window);
}

bool HostApp::CreateAddressBox(HWND combo) {
    const ChildSpec box = {"Edit", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, {0, 0, kAddressWidth, 22}};
    address_ = CreateChild(combo, box, font_.get());
    if (!address_) return false;
    SendMessageA(address_, EM_SETLIMITTEXT, 0, 0);
    // Subclassed to see what is typed and to run the address on Enter.
    SetWindowLongPtrA(address_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    address_edit_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(address_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AddressProc)));
    return address_edit_proc_ != nullptr;
}

bool HostApp::CreateMdiClient() {
    CLIENTCREATESTRUCT client{nullptr, kFirstMdiChildId};
    mdi_client_ =
        CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, kToolbarHeight,
                        kFramePlace.right - kFramePlace.left, 200, frame_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMdiClientId)), instance_, &client);
    return mdi_client_ != nullptr;
}

// Bottom to top: the Welcome window, the rooms (the last one topmost), then the extra documents.
bool HostApp::CreateDocuments() {
    const RECT area = MdiArea();
    if (options_.signed_on) {
        const LONG left = std::max(0L, area.right - kWelcomeSize.cx - 8);
        const LONG top = std::max(0L, area.bottom - kWelcomeSize.cy - 8);
        const RECT welcome = {left, top, left + kWelcomeSize.cx, top + kWelcomeSize.cy};
        if (!CreateWelcomeWindow(mdi_client_, options_.WelcomeCaption(), welcome, font_.get())) return false;
    }
    for (unsigned i = 1; i <= options_.rooms; ++i) {
        if (!OpenRoom("Lobby " + std::to_string(i))) return false;
    }
    for (unsigned i = 1; i <= options_.extra_docs; ++i) {
        const int origin_x = std::max(0, static_cast<int>(area.right - kPlainDocSize.cx) - 5 * kCascadeStep);
        const RECT place = NextCascadePlace(kPlainDocSize.cx, kPlainDocSize.cy, origin_x);
        if (!CreatePlainDocument(mdi_client_, i, place, font_.get())) return false;
    }
    return true;
}

void HostApp::LayoutFrame(int width, int height) {
    MoveChild(toolbar_, 0, 0, width, kToolbarHeight);
    MoveChild(inner_toolbar_, 0, 0, width, kToolbarHeight);
    MoveChild(mdi_client_, 0, kToolbarHeight, width, height - kToolbarHeight);
}

void HostApp::OnFrameSize(WPARAM kind, int width, int height) {
    if (kind != SIZE_MINIMIZED && kind != SIZE_MAXIMIZED && kind != SIZE_RESTORED) return;
    const FrameState state = kind == SIZE_MINIMIZED   ? FrameState::kMinimized
                             : kind == SIZE_MAXIMIZED ? FrameState::kMaximized
                                                      : FrameState::kNormal;
    // Only changes of state are events; a plain resize is not.
    if (state != frame_state_) {
        frame_state_ = state;
        log_.Write("SHOW", "frame", StateName(static_cast<int>(kind)));
    }
    if (state != FrameState::kMinimized) LayoutFrame(width, height);
}

int HostApp::RunMessageLoop() {
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (mdi_client_ && TranslateMDISysAccel(mdi_client_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// --- Window procedures ---------------------------------------------------------------

LRESULT CALLBACK HostApp::FrameProc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* app = static_cast<HostApp*>(reinterpret_cast<const CREATESTRUCTA*>(lparam)->lpCreateParams);
        app->frame_ = frame;
        SetWindowLongPtrA(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
    }
    auto* app = reinterpret_cast<HostApp*>(GetWindowLongPtrA(frame, GWLP_USERDATA));
    if (!app) return DefFrameProcA(frame, nullptr, message, wparam, lparam);
    return Guarded([&] { return app->OnFrameMessage(message, wparam, lparam); },
                   [&] { return DefFrameProcA(frame, app->mdi_client_, message, wparam, lparam); });
}

LRESULT HostApp::OnFrameMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SIZE:  // not passed on: the frame lays out the toolbar and the MDI area itself
            OnFrameSize(wparam, LOWORD(lparam), HIWORD(lparam));
            return 0;
        case WM_TIMER:
            OnTimer(wparam);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            const HWND frame = frame_;
            SetWindowLongPtrA(frame, GWLP_USERDATA, 0);
            frame_ = nullptr;
            mdi_client_ = nullptr;
            return DefFrameProcA(frame, nullptr, message, wparam, lparam);
        }
        default:
            return DefFrameProcA(frame_, mdi_client_, message, wparam, lparam);
    }
}

LRESULT CALLBACK HostApp::AddressProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* app = reinterpret_cast<HostApp*>(GetWindowLongPtrA(box, GWLP_USERDATA));
    return Guarded([&] { return app->OnAddressMessage(message, wparam, lparam); },
                   [&] { return CallWindowProcA(app->address_edit_proc_, box, message, wparam, lparam); });
}

LRESULT HostApp::OnAddressMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    const HWND box = address_;
    switch (message) {
        case WM_SETTEXT:
            log_.WriteBytes("SETTEXT", "address", lparam ? reinterpret_cast<const char*>(lparam) : "");
            break;
        case WM_CHAR:
            log_.Write("CHAR", "address", std::to_string(wparam));
            if (wparam == '\r') {
                RunAddress();
                return 0;
            }
            break;
        case WM_NCDESTROY:
            address_ = nullptr;
            break;
        default:
            break;
    }
    return CallWindowProcA(address_edit_proc_, box, message, wparam, lparam);
}

// --- Documents and rooms -------------------------------------------------------------

RECT HostApp::MdiArea() const {
    RECT area{};
    if (mdi_client_) GetClientRect(mdi_client_, &area);
    return area;
}

RECT HostApp::NextCascadePlace(int width, int height, int origin_x) {
    const int step = kCascadeStep * static_cast<int>(documents_placed_++ % 5);
    return {origin_x + step, step, origin_x + step + width, step + height};
}

ChatRoom* HostApp::OpenRoom(std::string caption) {
    const RECT area = MdiArea();
    const int width = std::max(kRoomMinWidth, static_cast<int>(area.right) - 5 * kCascadeStep);
    const int height = std::max(kRoomMinHeight, static_cast<int>(area.bottom) - 5 * kCascadeStep);
    const RECT place = NextCascadePlace(width, height, 0);

    rooms_.push_back(std::make_unique<ChatRoom>(std::move(caption), options_.user, log_, *this));
    ChatRoom* room = rooms_.back().get();
    // A room that fails is already gone from rooms_ (OnRoomGone) unless its window never existed.
    if (room->Create(mdi_client_, place, font_.get())) return room;
    std::erase_if(rooms_, [room](const auto& r) { return r.get() == room; });
    return nullptr;
}

ChatRoom* HostApp::TopmostRoom() const {
    for (HWND w = GetWindow(mdi_client_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        for (const auto& room : rooms_) {
            if (room->window() == w) return room.get();
        }
    }
    return nullptr;
}

void HostApp::OnRoomGone(ChatRoom& room) {
    std::erase_if(rooms_, [&room](const auto& r) { return r.get() == &room; });
}

void HostApp::RunAddress() {
    const std::string text = WindowText(address_);
    log_.WriteBytes("LINK", "address", text);
    const auto number = PrivateRoomNumber(TrimBlanks(text));
    if (!number) {
        log_.Write("ROOM_FAIL", "address", "-");
        return;
    }
    const unsigned attempt = ++link_attempts_;
    ChatRoom* room = attempt == options_.room_on_attempt ? OpenRoom("pellowick " + *number) : nullptr;
    if (room) {
        log_.Write("ROOM_OPEN", room->Target(), std::to_string(attempt));
    } else {
        log_.Write("ROOM_FAIL", "address", std::to_string(attempt));
    }
}

// --- Timed actions -------------------------------------------------------------------

void HostApp::Schedule(unsigned at_ms, std::function<void()> action) {
    schedule_.push_back(std::move(action));
    const UINT_PTR id = kFirstTimerId + schedule_.size() - 1;
    // The times count from the program's start, not from now.
    const std::uint64_t now = log_.ElapsedMs();
    const auto delay = static_cast<UINT>(at_ms > now ? at_ms - now : 0);
    SetTimer(frame_, id, delay, nullptr);
}

void HostApp::ScheduleActions() {
    if (options_.close_room_after_ms) Schedule(*options_.close_room_after_ms, [this] { CloseTopmostRoom(); });
    for (const TypeAt& typing : options_.type_at) {
        Schedule(typing.at_ms, [this, &typing] { TypeIntoTopmostRoom(typing.text); });
    }
    if (options_.hang_after_ms) Schedule(*options_.hang_after_ms, [this] { Hang(); });
    if (options_.exit_after_ms) Schedule(*options_.exit_after_ms, [this] { DestroyWindow(frame_); });
    if (!options_.stall_file.empty()) SetTimer(frame_, kStallPollTimerId, kStallPollMs, nullptr);
}

void HostApp::OnTimer(UINT_PTR id) {
    if (id == kStallPollTimerId) return StallIfAsked();
    if (id < kFirstTimerId || id - kFirstTimerId >= schedule_.size()) return;
    KillTimer(frame_, id);
    const std::function<void()> action = schedule_[id - kFirstTimerId];
    action();
}

// The stall file asks for one stall, now: it is taken away, and the window thread
// answers nothing for as long as it said. Messages sent meanwhile wait in the queue
// and are handled afterwards, as a busy client would.
void HostApp::StallIfAsked() {
    const std::string& path = options_.stall_file;
    std::string text;
    {
        UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return;
        char chunk[64];
        DWORD got = 0;
        if (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) text.assign(chunk, got);
    }
    if (!DeleteFileA(path.c_str())) return;  // still being written; next time
    const auto ms = ParseStallMs(text);
    if (!ms) return;
    log_.Write("STALL", "app", std::to_string(*ms));
    Sleep(*ms);
    log_.Write("RESUME", "app", "-");
}

void HostApp::CloseTopmostRoom() {
    if (ChatRoom* room = TopmostRoom()) room->Close();
}

void HostApp::TypeIntoTopmostRoom(const std::string& text) {
    if (ChatRoom* room = TopmostRoom()) room->TypeText(text);
}

void HostApp::Hang() {
    const auto& hang_for = options_.hang_for_ms;
    log_.Write("HANG", "app", hang_for ? std::to_string(*hang_for) : "-");
    if (hang_for) {
        Sleep(*hang_for);
        return;
    }
    for (;;)
        Sleep(INFINITE);  // for good: only killing the process ends it
}

}  // namespace hostsim
