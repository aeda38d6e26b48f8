// A deterministic platform for the unit tests and the whole-program simulation: an
// in-memory window tree with a log of every message, a simulated clock, scripted user
// events, an in-memory file system with profile strings, and form windows that record
// what was asked of them.
//
// Two queues of scripted events: program events (`At`) are messages for this program
// and run only when it pumps its event loop, as input and posted messages do; world
// events (`AtWorld`) happen at their time whatever the program is doing, even while it
// waits for a host that does not answer (a user's key press, another program's work).
#pragma once

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <queue>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/platform.h"

namespace pw::fake {

// Thrown by Quit(): the program ended; nothing after it may run.
struct ProgramEnded : std::runtime_error {
    ProgramEnded() : std::runtime_error("program ended") {}
};

// Thrown by the platform call at which the process is killed.
struct Killed : std::runtime_error {
    Killed() : std::runtime_error("process killed") {}
};

// Thrown by the first platform call once the simulated time is up.
struct TimeUp : std::runtime_error {
    TimeUp() : std::runtime_error("simulated time is up") {}
};

struct Message {
    enum Kind { GetTextLength, GetText, SetText, Char, Show } kind;
    Hwnd window;
    std::string text;   // SetText: the ANSI bytes
    unsigned code = 0;  // Char: the character; Show: the command
    bool operator==(const Message&) const = default;
};

struct Window {
    std::string cls;
    std::string text;  // ANSI bytes, as the window holds them
    Hwnd parent = 0;
    std::vector<Hwnd> children;               // child order: first is topmost
    bool hung = false;                        // answers no message, for good (each send times out)
    double silentUntil = 0;                   // answers nothing before this simulated time
    std::optional<std::int64_t> lyingLength;  // WM_GETTEXTLENGTH answer, if not the truth
    int showState = 0;                        // last ShowWindow command received
    std::function<void(unsigned ch)> onChar;  // the owning program's reaction to WM_CHAR
};

struct Box {
    std::string text, title;
    int style;
    double at;        // simulated time the box opened
    int button = -1;  // what it returned (a quit message ends it with 0)
};

class FakeFormWindow;

// Files on the simulated disks; several platforms (sessions) may share one.
struct Disk {
    struct File {
        std::string bytes;
        bool readOnly = false;
        bool unreadable = false;  // held open by another program, or offline: not read, moved or deleted
    };
    std::map<std::string, File> files;      // keyed by normalised path
    std::set<std::string> readOnlyFolders;  // normalised folder paths that refuse new files
    // Told of every file that was written or removed (after == nullptr), once it happened.
    std::function<void(const std::string& path, const File* before, const File* after)> onChange;
};

class FakePlatform : public Platform {
  public:
    using File = Disk::File;
    explicit FakePlatform(std::shared_ptr<Disk> disk = std::make_shared<Disk>());
    ~FakePlatform() override;

    // --- window tree -----------------------------------------------------------------
    // Adds a window as the last (bottom) child of parent (0: top level).
    Hwnd AddWindow(Hwnd parent, std::string cls, std::string text = {});
    // Adds a window as the first (topmost) child of parent.
    Hwnd AddWindowOnTop(Hwnd parent, std::string cls, std::string text = {});
    void RemoveWindow(Hwnd w);
    Window& At(Hwnd w) { return windows_.at(w); }
    bool Exists(Hwnd w) const { return windows_.count(w) != 0; }
    std::vector<Message> messages;  // every message a window handled, when logMessages
    bool logMessages = true;
    // Told of every message sent to another program's window, as it is sent.
    std::function<void(const Message&)> onSend;
    // A sluggish host takes its messages only every this many seconds; 0: at once.
    double hostDelay = 0;
    int timeouts = 0;  // messages that were not answered in time
    // When the program owning `w` handled, or will have handled, the last message it was
    // sent (0 when it was sent none).
    double HostFreeAt(Hwnd w) const;
    // When a message sent to `w` now would be handled.
    double AnswerAt(Hwnd w) const;

    // --- clock and events -------------------------------------------------------------
    double now = 12 * 3600.0;  // simulated seconds since the machine started (not wrapped)
    double pumpCost = 0.0005;  // simulated time one pass of the event loop takes
    int pumps = 0;             // passes of the event loop so far
    double lastPumpAt = 0;     // when the program last took messages from its queue
    // Runs `event` in the first pass of the event loop at or after `time`.
    void At(double time, std::function<void()> event);
    void After(double delay, std::function<void()> event) { At(now + delay, std::move(event)); }
    // Runs `event` when simulated time reaches `time`, whatever the program is doing.
    void AtWorld(double time, std::function<void()> event);
    // Pumps and waits until `time` (the way a real message loop would idle).
    void RunUntil(double time);
    void RunFor(double seconds) { RunUntil(now + seconds); }
    int timerTicks = 0;  // timer events delivered
    // Told of every timer tick, before the timer's handler runs, and of every start and stop.
    std::function<void(Timer&)> onTimer;
    std::function<void(Timer&, bool on)> onTimerSet;
    // The time-of-day clock runs this far ahead of the machine's (set forward or back).
    double wallOffset = 0;
    // The machine sleeps for `seconds`: the clocks jump, except the one that only counts
    // time awake, and a timer that was due fires once after it.
    void Sleep(double seconds);
    double Asleep() const { return slept_; }

    // --- user input and the session ------------------------------------------------------
    // Simulated time of the last keyboard or mouse input; nullopt: the system cannot tell.
    std::optional<double> lastInput;
    void Input() { lastInput = now; }
    // Added to every tick count, to move the 49.7-day wrap where a test wants it.
    std::uint32_t tickOffset = 0;
    // Locks or unlocks the session: every form window that watches hears of it.
    void LockSession(bool locked);

    // --- message boxes -----------------------------------------------------------------
    std::vector<Box> boxes;
    // Answers the next boxes in turn; when empty, OK for MB_OK and No for Yes/No.
    std::vector<int> answers;
    // When set, a box stays open as long as the user takes to answer (the returned
    // seconds), its owner disabled and the event loop running inside it, as MessageBox does.
    struct Answer {
        double seconds;
        int button;
    };
    std::function<Answer(const Box&)> boxUser;

    // --- the process ------------------------------------------------------------------
    // From the simulated time `killAt` on, the process dies at its `killCalls`-th next
    // platform call (Killed is thrown there): what had not reached the disk is lost.
    double killAt = std::numeric_limits<double>::infinity();
    int killCalls = 0;
    unsigned long processId = 4242;
    // From this simulated time on, every platform call throws TimeUp.
    double endOfTime = std::numeric_limits<double>::infinity();

    // --- files -----------------------------------------------------------------------
    std::shared_ptr<Disk> disk;
    std::map<std::string, File>& files;
    std::set<std::string>& readOnlyFolders;
    std::string programFolder = "C:\\Program Files\\pellowick";
    int profileWrites = 0;
    // Fails the n-th coming profile write (1 = the next), to cut a save short.
    int failProfileWriteAt = 0;
    // Every profile value read passes through this when set (a disk that reads back wrong).
    std::function<std::string(const std::string& path, const std::string& value)> readFilter;
    static std::string Normal(const std::string& path);
    File* FindFile(const std::string& path);
    void PutFile(const std::string& path, std::string bytes);

    // --- forms -------------------------------------------------------------------------
    float screenWidth = 1024 * kTwipsPerPixel, screenHeight = 768 * kTwipsPerPixel;
    // The menu item the next popup menu returns, by name ("" dismisses it).
    std::vector<std::string> popupPicks;
    // When set, a popup menu stays open as long as the user takes (the returned
    // seconds), the event loop running inside it, and returns the item named ("" none).
    struct Pick {
        double seconds;
        std::string item;
    };
    std::function<Pick(const MenuItem&)> menuUser;
    // When set, a title-bar drag lasts this long, the event loop running inside it.
    std::function<double()> dragUser;
    // Posts WM_QUIT: it ends the modal loops open (a box, a menu, a drag), and the
    // program's own loop hands it to `onQuit`.
    void PostQuit() { quitPending_ = true; }
    // The process is gone, and its message queue with it.
    void EndProcess() { quitPending_ = false; }
    std::function<void()> onQuit;
    // Inside a popup menu or a drag: the mouse and keys belong to that loop.
    bool InSystemLoop() const { return systemLoops_ > 0; }
    FakeFormWindow* WindowOf(const Form& f);
    std::vector<FakeFormWindow*> formWindows;

    // --- Platform ------------------------------------------------------------------------
    Hwnd FindTopWindow(const char* cls) override;
    Hwnd FindChildWindow(Hwnd parent, Hwnd after, const char* cls) override;
    bool WindowExists(Hwnd w) override;
    std::optional<std::int64_t> SendGetTextLength(Hwnd w, unsigned timeoutMs) override;
    std::optional<std::size_t> SendGetText(Hwnd w, char* buf, std::size_t cap, unsigned timeoutMs) override;
    bool SendSetText(Hwnd w, const std::string& ansi, unsigned timeoutMs) override;
    bool SendChar(Hwnd w, unsigned ch, unsigned timeoutMs) override;
    void ShowWindowAsync(Hwnd w, int cmd) override;
    std::string AnsiFromText(std::string_view utf8) override;
    std::string TextFromAnsi(std::string_view ansi) override;
    float ClockSeconds() override;
    double AwakeSeconds() override;
    void PumpEvents() override;
    void WaitForEvents(double seconds) override;
    std::uint32_t TickCount() override;
    std::optional<std::uint32_t> LastInputTick() override;
    std::string ReadProfileValue(const std::string& section, const std::string& key, const std::string& def,
                                 std::size_t cap, const std::string& path) override;
    bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value,
                           const std::string& path) override;
    bool WriteProfileKeys(const std::string& section,
                          const std::vector<std::pair<std::string, std::string>>& keys,
                          const std::string& path) override;
    bool FlushProfile(const std::string&) override;
    bool IsOrdinaryFile(const std::string& path) override;
    FileAccess ProbeFile(const std::string& path) override;
    bool CopyFileReplace(const std::string& from, const std::string& to) override;
    bool RemoveFile(const std::string& path) override;
    bool MoveFileReplace(const std::string& from, const std::string& to) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    std::string ProgramFolder() override;
    unsigned long ProcessId() override { return processId; }
    int ShowMessageBox(Form* owner, const std::string& text, const std::string& title, int style) override;
    std::unique_ptr<FormWindow> CreateFormWindow(Form& form) override;
    float ScreenWidth() override { return screenWidth; }
    float ScreenHeight() override { return screenHeight; }
    void Quit() override;

    // Timers are driven by the clock; form windows register them here.
    void SetTimer(Timer& t, bool on);
    void Forget(FakeFormWindow* w);
    // The program's own loops (popup, drag) run the event loop until `until`.
    void RunModal(double until);
    // How long modal loops ran past the moment the user closed them, in all: a handler
    // running inside kept them from seeing it.
    double modalOvershoot = 0;
    // Every platform call passes here: the process may die at it.
    void Step();

  private:
    std::uint32_t TickAt(double time) const;
    bool CanWrite(const std::string& path);
    void Change(const std::string& path, const File* after);
    // Moves the clock to `time`, letting the world events due by then happen.
    void Advance(double time);
    // Sends one message to a window of the host: handled at once when the host answers
    // within the timeout (time passes meanwhile), else later, in order, when it wakes.
    bool Deliver(Hwnd w, unsigned timeoutMs, std::function<void()> handle);
    double NextDue() const;
    bool RunDue();
    void TakeQuit();
    Hwnd Insert(Hwnd parent, std::string cls, std::string text, bool top);
    Hwnd RootOf(Hwnd w) const;

    std::map<Hwnd, Window> windows_;
    std::vector<Hwnd> topLevel_;
    Hwnd nextHandle_ = 0x100;
    struct Event {
        double time;
        long seq;
        std::function<void()> run;
        bool operator>(const Event& o) const { return time != o.time ? time > o.time : seq > o.seq; }
    };
    using Queue = std::priority_queue<Event, std::vector<Event>, std::greater<Event>>;
    Queue events_, world_;
    long seq_ = 0;
    struct TimerState {
        Timer* timer;
        double due;
    };
    std::vector<TimerState> timers_;
    std::map<Hwnd, double> busyUntil_;  // per program (top-level window): its messages one after another
    double slept_ = 0;
    int systemLoops_ = 0;
    int modalDepth_ = 0;
    bool quitPending_ = false;
    friend class FakeFormWindow;
};

// What a form's window was asked to do.
class FakeFormWindow : public FormWindow {
  public:
    FakeFormWindow(FakePlatform& p, Form& f, Hwnd h);
    ~FakeFormWindow() override;
    FakePlatform& platform;
    Form& form;
    Hwnd handle;
    bool shown = false, topmost = false, enabled = true, minimized = false, destroyed = false;
    bool watchingLock = false;
    std::string title;
    float left, top;
    int invalidations = 0, drags = 0, partsChanged = 0;
    std::vector<std::string> calls;  // "topmost", "notopmost", "show", ... in order

    Hwnd Handle() const override { return handle; }
    void Show() override;
    void Hide() override { shown = false; }
    void SetTopmost(bool on) override;
    void SetEnabled(bool on) override;
    bool IsEnabled() const override { return enabled; }
    void SetTitle(const std::string& t) override { title = t; }
    void Minimize() override;
    void Move(float l, float t) override { left = l, top = t; }
    float Left() const override { return left; }
    float Top() const override { return top; }
    float Width() const override { return form.clientWidth; }
    float Height() const override { return form.clientHeight; }
    void Invalidate(const Control&) override { ++invalidations; }
    void TimerChanged(Timer& t) override { platform.SetTimer(t, t.Enabled()); }
    void BeginDrag() override;
    void PartsChanged() override { ++partsChanged; }
    const MenuItem* TrackPopup(const MenuItem& menu, float x, float y) override;
    void Destroy() override;
    void WatchSessionLock(bool on) override { watchingLock = on; }
    float popupX = -1, popupY = -1;
    // The popup menu as it was last opened: every item's caption, radio items with
    // "(*)" when checked and "( )" when not, submenus in brackets.
    std::string lastPopup;
};

}  // namespace pw::fake
