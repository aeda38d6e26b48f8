// One schedule, lived: the real program on the fake platform, a fake host client, a
// user who clicks, types and goes away, a disk and a machine that misbehave. The run
// keeps its own account of what the user did and lived (periods, input, typed text)
// and checks the program's promises against it, never against the program's counters.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <set>
#include <utility>

#include "../unit/fake_host.h"
#include "platform/fake/fake_platform.h"
#include "sim.h"
#include "stats/stats_file.h"
#include "ui/frm_main.h"
#include "ui/frm_menu.h"

namespace pw::sim {
namespace {

using fake::FakePlatform;

// A promise broke: the run stops here.
struct Broken {
    std::string invariant, message;
};

constexpr double kSilenceLimit = 20;  // a host silent this long (awake) is taken to be gone
constexpr double kCloseLimit = 25;    // a close ends the program within this, whatever the host does
constexpr double kFullAnswer = 2.0;   // the longest a message may take and still count as answered
constexpr double kHoldLimit = 30;     // text held aside for a line goes back sooner while the host answers
constexpr const char* kWrite = "c:\\pwick.dat";
const char* const kItems[] = {"",     "scrollstats", "clrstats",  "updated",    "credits",    "minimize",
                              "exit", "autoidle0",   "autoidle5", "autoidle10", "autoidle15", "autoidle30"};
constexpr int kAutoMinutes[] = {0, 5, 10, 15, 30};

std::uint64_t Mix(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// What a posted or typed chat line is.
struct Line {
    enum Kind { Other, Loaded, Unloaded, NowIdle, NotIdle, Idle, Statistics, Totals } kind = Other;
    long number = -1;
};

Line Classify(const std::string& text) {
    const std::string sig = "-|- <b>";
    const auto at = text.find(sig);
    if (at == std::string::npos) return {};
    const std::string rest = text.substr(at + sig.size());
    auto counted = [&](const char* word, Line::Kind kind) -> std::optional<Line> {
        const std::string w = std::string(word) + "</b> ";
        if (rest.compare(0, w.size(), w) != 0) return std::nullopt;
        std::size_t digits = rest.find_first_of("0123456789", w.size());
        if (digits == std::string::npos) return Line{kind, -1};
        return Line{kind, std::strtol(rest.c_str() + digits, nullptr, 10)};
    };
    for (auto [word, kind] : {std::pair{"now idle", Line::NowIdle}, std::pair{"not idle", Line::NotIdle},
                              std::pair{"idle", Line::Idle}})
        if (auto l = counted(word, kind); l && rest.find("-|", 0) != std::string::npos && l->number >= 0)
            return *l;
    if (rest.starts_with("loaded</b>")) return {Line::Loaded};
    if (rest.starts_with("unloaded</b>")) return {Line::Unloaded};
    if (rest.starts_with("statistics</b>")) return {Line::Statistics};
    if (rest.starts_with("d</b>")) return {Line::Totals};
    return {};
}

// The four totals of a statistics file's text, in seconds.
double SecondsOfFile(const std::string& bytes) {
    double total = 0;
    const std::pair<const char*, double> keys[] = {
        {"Seconds=", 1}, {"Minutes=", 60}, {"Hours=", 3600}, {"Days=", 86400}};
    for (auto [key, unit] : keys) {
        const auto at = bytes.find(key);
        if (at != std::string::npos) total += unit * std::atof(bytes.c_str() + at + std::strlen(key));
    }
    return total;
}

double SecondsOf(const StoredTotals& t) {
    auto v = [](const std::string& s) { return IsPlainTotal(s) ? std::stod(s) : 0.0; };
    return v(t.seconds) + 60 * v(t.minutes) + 3600 * v(t.hours) + 86400 * v(t.days);
}

StoredTotals TotalsOf(double seconds) {
    auto s = static_cast<long long>(seconds);
    auto two = [](long long v) { return v < 10 ? "0" + std::to_string(v) : std::to_string(v); };
    return {two(s % 60), two(s / 60 % 60), two(s / 3600 % 24), two(s / 86400)};
}

struct Period {
    bool automatic = false;
    double start = 0, startAwake = 0;  // when Timer1 began
    double preset = 0;                 // seconds away before it began (automatic)
    double stretch = 0;                // the input-free stretch it began in
    double end = -1, endAwake = 0;
    bool done = false;  // its stop has finished (or the program ended)
    bool nowIdlePosted = false;
    int notIdlePosts = 0;
    long lastMinute = -1;
    double noticed = -1;     // automatic: when a check after the user's return ran
    double silentAtEnd = 0;  // seconds (awake) the host had not answered when it ended
    bool quietEnd = false;   // ended by a close that posts no "not idle" by design
    bool userStop = false;
    bool explained = false;     // a stop, a close, the watchdog or the user's return ended it
    bool told = false;          // a box told the user the chat room could not hear of the stop
    bool programEnded = false;  // the program ended (or died) after it
    bool watchdog = false;      // the watchdog ended it
    bool trouble = false;       // the room or the host was gone or silent at its end
    int run = 0;
    int roomTroubleAtStart = 0;
    double floor = -1e18;  // idle time before this was counted by an earlier period
    double Counted() const { return endAwake - std::max(startAwake - preset, floor); }
};

// A clear's own save names its run as a clear at the file's own generation.
bool IsClearSave(const std::string& bytes) {
    auto value = [&](const char* key) {
        const auto at = bytes.find(key);
        if (at == std::string::npos) return std::string();
        const auto from = at + std::strlen(key);
        return bytes.substr(from, bytes.find('\r', from) - from);
    };
    const std::string generation = value("\nGeneration="), includes = "," + value("\nIncludes=");
    for (auto at = includes.find(",!"); at != std::string::npos; at = includes.find(",!", at + 1)) {
        const auto colon = includes.find(':', at);
        if (colon != std::string::npos &&
            includes.compare(colon + 1, generation.size() + 1, generation + ":") == 0)
            return !generation.empty();
    }
    return false;
}

class World {
  public:
    using File = fake::Disk::File;
    World(const Schedule& s, bool trace) : s_(s), traceOn_(trace) {}
    Outcome Go();

  private:
    // --- set-up -------------------------------------------------------------------------
    void SetUpFiles();
    void StartHost(bool signedOn, bool inRoom);
    void Wire();
    void Plan(const Ev& e);
    void Happen(const Ev& e);
    void MenuDone(double hiBefore);
    bool IsWorld(Ev::Kind k) const;

    // --- the program ---------------------------------------------------------------------
    void StartProgram();
    void Ended(bool killed);
    bool CanTouch() const;
    void Press(Control& c, int* depth);
    void Key(int which, double hold, int item, double open);
    void Reader(int part, int item, double open);
    void CloseRequested(double at);
    double CloseTook() const;

    // --- the user and the world ------------------------------------------------------------
    void UserInput(double stamp);
    double StretchStart() const;
    double AwayToCount() const;
    std::pair<double, double> SeenInput() const;
    bool HostAnswering() const;
    bool CouldAnswer() const;
    void SampleHost();
    void HostChanged();
    void TypeChunk(const std::string& chunk);
    void TypeWaiting(double at);
    void SendOwn();
    void SetFileFlag(int which, bool File::*flag, double seconds);

    // --- what the program does, as seen from outside -----------------------------------------
    void OnSend(const fake::Message& m);
    void OnLine(const std::string& ansi);
    void OnPost(const std::string& utf8);
    void OnTimerSet(Timer& t, bool on);
    void OnTimer(Timer& t);
    FakePlatform::Answer OnBox(const fake::Box& b);
    void OnDisk(const std::string& path, const fake::Disk::File* before, const fake::Disk::File* after);
    void Observe(bool atPump);
    void CheckAutoCause(const char* what);
    void CheckTotals(bool removal);
    void CheckEnds();
    void CheckHeard(std::size_t index, double silent0, int trouble0, int run, double boxes, double at);
    void FinalChecks();
    void CheckText();
    std::pair<double, double> Probe();
    void Fail(const std::string& invariant, const std::string& message);
    void Note(const std::string& text);
    void Count(const std::string& what) { ++out_.seen[what]; }

    const sim::Schedule& s_;
    bool traceOn_;
    Outcome out_;
    FakePlatform p_;
    double t0_ = 0, end_ = 0;
    std::unique_ptr<fake::FakeHost> host_;
    std::unique_ptr<FrmMain> app_;
    bool tearingDown_ = false, loaded_ = false;
    int run_ = 0, boxes_ = 0;

    // The user.
    std::vector<std::pair<double, double>> inputs_;  // effective input (time, time awake), in order
    bool locked_ = false;
    std::string typed_;  // what the user has typed into the chat box since their last Enter
    int userStart_ = 0, userStop_ = 0;
    std::set<int> autoChoices_;  // what automatic idle may be set to, as far as the user knows
    struct Pending {
        double open = 0, box = 0;
        std::string item;
        int answer = kIdNo;
        bool set = false;
    } pick_, box_;
    double dragFor_ = 0.5;
    std::optional<double> closeAt_;
    double asleepAtClose_ = 0;
    double boxTime_ = 0;     // seconds boxes and drags held the program since the close request
    double boxSeconds_ = 0;  // in all, and menus
    double overshootAtClose_ = 0;
    bool clearing_ = false;
    bool inMenu_ = false;                            // a menu command of the user's runs
    std::set<std::pair<int, Line::Kind>> saidOnce_;  // "loaded", "unloaded" by run

    // The host.
    double stallUntil_ = 0;
    bool hung_ = false;
    double silentSinceAwake_ = -1;  // when (awake) the host stopped answering a full-bound message
    // When (awake) it last could have answered one, in a stretch long enough for a probe
    // to find it out (a probe and the rest after it); and since when it can now.
    double lastCouldAnswer_ = 0, answersSince_ = -1;
    bool textCheck_ = false, textCheckValid_ = false;
    bool textUnknown_ = false;  // a program died holding some of it: what the box holds stands
    double holdSince_ = -1;     // the program has held the user's text aside since (its own time)
    int timeoutsAtPost_ = 0;
    std::deque<std::function<void()>> typing_;  // keys the host has not taken yet
    double silentTotal_ = 0, silentMark_ = 0;   // awake seconds the host has not answered, in all
    int roomTrouble_ = 0;                       // the room, or the host with it, went away
    bool pendingNowIdle_ = false;
    bool toldSaveFailed_ = false, toldUnreadable_ = false;
    bool timeUp_ = false;

    // Periods and totals.
    std::vector<Period> periods_;
    std::optional<std::size_t> running_;
    double lo_ = 0, hi_ = 0;          // what the statistics on disk must hold, in seconds
    double lastPeriodStart_ = -1e18;  // in this run
    double unsaved_ = 0;              // idle time counted since this run's last save reached the disk
    bool otherWriting_ = false;
    bool clearSaved_ = false;
    double runStartAwake_ = -1e18, countedUntil_ = -1e18;

    // Another session of pellowick on the same machine.
    std::unique_ptr<FakePlatform> otherP_;
    std::unique_ptr<StatsFile> otherFile_;
    double otherTotal_ = 0, otherUnsaved_ = 0;
};

void World::Fail(const std::string& invariant, const std::string& message) {
    throw Broken{invariant, message};
}

void World::Note(const std::string& text) {
    if (!traceOn_) return;
    char at[32];
    std::snprintf(at, sizeof at, "%10.3f  ", p_.now - t0_);
    out_.trace.push_back(at + text);
}

// --- set-up -------------------------------------------------------------------------------

void World::SetUpFiles() {
    const std::string folder = p_.programFolder + "\\pwick.dat";
    const std::uint64_t h = Mix(s_.seed ^ 0xF11E);
    const double older = static_cast<double>(h % (30 * 86400));
    const double newer = older + static_cast<double>(Mix(h) % 86400);
    auto body = [&](double seconds, int generation, bool options) {
        StoredTotals t = TotalsOf(seconds);
        std::string b = "[Stats]\r\nSeconds=" + t.seconds + "\r\nMinutes=" + t.minutes +
                        "\r\nHours=" + t.hours + "\r\nDays=" + t.days + "\r\n";
        if (generation) b += "Generation=" + std::to_string(generation) + "\r\n";
        if (options && s_.autoMinutes)
            b += "\r\n[Options]\r\nAutoIdle=" + std::to_string(s_.autoMinutes) + "\r\n";
        return b;
    };
    double expected = 0;
    switch (s_.startFiles) {
        case 1:  // a copy in the program's folder, from an older version
            p_.PutFile(folder, body(older, 0, true));
            expected = older;
            break;
        case 2:  // the last save, not moved yet
            p_.PutFile(kWrite, body(older, 3, true));
            expected = older;
            break;
        case 3:  // both, the folder's from an older version
            p_.PutFile(folder, body(older, 0, false));
            p_.PutFile(kWrite, body(newer, 2, true));
            expected = newer;
            break;
        case 4:
            p_.PutFile(folder, body(older, 2, false));
            p_.PutFile(kWrite, body(newer, 3, true));
            expected = newer;
            break;
        case 5:  // a folder copy that holds no totals at all
            p_.PutFile(folder, "[Stats]\r\nSeconds=garbage\r\nGeneration=9\r\n");
            p_.PutFile(kWrite, body(newer, 3, true));
            expected = newer;
            break;
        default:
            break;
    }
    lo_ = hi_ = expected;
    autoChoices_ = {s_.startFiles ? s_.autoMinutes : 0};
}

void World::StartHost(bool signedOn, bool inRoom) {
    host_ = std::make_unique<fake::FakeHost>(p_, signedOn, inRoom);
    host_->roomOnAttempt = 1 + static_cast<int>(Mix(s_.seed + host_->frame) % 3);
    host_->onPost = [this](const std::string& line) { OnPost(line); };
    hung_ = false;
    HostChanged();
}

void World::Wire() {
    p_.logMessages = false;
    p_.pumpCost = 0.00002;  // a pass of an idle event loop costs about this much
    p_.onSend = [this](const fake::Message& m) { OnSend(m); };
    p_.onTimerSet = [this](Timer& t, bool on) { OnTimerSet(t, on); };
    p_.onTimer = [this](Timer& t) { OnTimer(t); };
    p_.boxUser = [this](const fake::Box& b) { return OnBox(b); };
    p_.menuUser = [this](const MenuItem&) {
        FakePlatform::Pick pick{0.5, ""};
        if (pick_.set) pick = {pick_.open, pick_.item};
        pick_.set = false;
        if (pick.item == "exit") CloseRequested(p_.now + pick.seconds);
        if (pick.item == "clrstats" || pick.item == "updated") box_ = {0, pick_.box, "", pick_.answer, true};
        // (The old choice holds until the menu closes.)
        if (pick.item.starts_with("autoidle")) autoChoices_.insert(std::stoi(pick.item.substr(8)));
        if (!pick.item.empty()) Count("menu " + pick.item);
        boxSeconds_ += pick.seconds;
        return pick;
    };
    p_.dragUser = [this] {
        // The user holds the window meanwhile, like a box: whatever waited in the
        // program's loop waits for them.
        if (closeAt_) boxTime_ += dragFor_;
        boxSeconds_ += dragFor_;
        return dragFor_;
    };
    p_.disk->onChange = [this](const std::string& path, const File* before, const File* after) {
        OnDisk(path, before, after);
    };
}

bool World::IsWorld(Ev::Kind k) const {
    switch (k) {
        case Ev::ClickStart:
        case Ev::ClickStop:
        case Ev::ClickClose:
        case Ev::ClickMinimize:
        case Ev::Drag:
        case Ev::Menu:
        case Ev::Key:
        case Ev::Reader:
        case Ev::AltF4:
        case Ev::LogOff:
        case Ev::QuitMessage:
        case Ev::Kill:
        case Ev::Restart:
        case Ev::Lock:
        case Ev::Unlock:
        case Ev::Type:
        case Ev::SendOwn:
            // Messages to this program wait for its event loop; keys typed into the host
            // land between two of its messages, never between a line and its Enter.
            return false;
        default:
            return true;
    }
}

void World::Plan(const Ev& e) {
    const double t = t0_ + e.t;
    auto run = [this, e, world = IsWorld(e.kind)] {
        Observe(!world);
        Happen(e);
    };
    if (IsWorld(e.kind))
        p_.AtWorld(t, run);
    else
        p_.At(t, run);
}

// --- the program -------------------------------------------------------------------------

void World::StartProgram() {
    if (app_) return;
    ++run_;
    ++out_.restarts;
    loaded_ = false;
    closeAt_.reset();
    boxTime_ = 0;
    toldSaveFailed_ = toldUnreadable_ = false;
    // What the program will find on disk decides what it may run with.
    for (auto& [path, f] : p_.files) {
        const auto at = f.bytes.find("AutoIdle=");
        if (at != std::string::npos) autoChoices_.insert(std::atoi(f.bytes.c_str() + at + 9));
    }
    Note("program starts");
    runStartAwake_ = p_.now - p_.Asleep();
    lastPeriodStart_ = -1e18;
    app_ = std::make_unique<FrmMain>(p_);
    app_->Form_Load();
    loaded_ = true;
    app_->Window().Show();
}

void World::Ended(bool killed) {
    Note(killed ? "process killed" : "program ended");
    if (killed) {
        Count("killed");
    } else if (closeAt_) {
        const double took = CloseTook();
        if (took > kCloseLimit) Fail("control", "a close took " + std::to_string(took) + " s");
    }
    // A period still running or stopping: killed before its save, or saved by the close.
    for (Period& q : periods_) {
        if (q.run == run_) q.programEnded = true;
        if (q.done || q.run != run_) continue;
        if (q.end < 0) {
            q.end = p_.now;
            q.endAwake = p_.now - p_.Asleep();
            countedUntil_ = std::max(countedUntil_, q.endAwake);
        }
        q.done = true;
        q.explained = true;
        hi_ += q.Counted() + 1;
        // A close saves what ran, whatever closed the window.
        if (!killed) {
            lo_ += q.Counted() - 2;
            unsaved_ += std::max(0.0, q.Counted() - 2);
        }
    }
    // What no save took to the disk is lost with the process, or with a disk the user
    // was told could not take it.
    if (killed || toldSaveFailed_) lo_ -= unsaved_;
    unsaved_ = 0;
    // Text the process held aside for a line dies with it (a host too slow to take it
    // back before the close gave up on it); the user sees what is left.
    if (killed || (app_ && app_->Link().HoldsUserText())) {
        textCheck_ = false;
        textUnknown_ = true;
    }
    running_.reset();
    tearingDown_ = true;
    app_.reset();
    tearingDown_ = false;
    p_.killAt = std::numeric_limits<double>::infinity();
    p_.EndProcess();
    closeAt_.reset();
    userStart_ = userStop_ = 0;
    clearing_ = false;
}

bool World::CanTouch() const {
    if (!app_ || !app_->HasWindow()) return false;
    const auto* w = const_cast<FakePlatform&>(p_).WindowOf(*app_);
    // (A locked session shows the lock screen: nothing on the desktop can be reached.)
    return w && w->shown && w->enabled && !p_.InSystemLoop() && !locked_;
}

void World::Press(Control& c, int* depth) {
    if (!CanTouch() || !c.Shown() || !c.Enabled()) return;
    UserInput(p_.now);
    struct Depth {
        int* d;
        explicit Depth(int* x) : d(x) {
            if (d) ++*d;
        }
        ~Depth() {
            if (d) --*d;
        }
    } guard(depth);
    if (c.MouseDown) c.MouseDown(kLeftButton);
    if (c.MouseUp) c.MouseUp(kLeftButton);
    if (c.Click) c.Click();
}

void World::CloseRequested(double at) {
    if (!closeAt_) {
        // A close during the watchdog's stop takes the place of its box.
        for (Period& q : periods_)
            if (q.run == run_ && q.end >= 0 && !q.done && q.trouble) q.explained = true;
        closeAt_ = at;
        asleepAtClose_ = p_.Asleep();
        boxTime_ = 0;
        overshootAtClose_ = p_.modalOvershoot;
    }
}

// Seconds since the close request that count against the program: not those a box
// waited for the user, nor those a menu's loop spent in a handler before it saw the pick.
double World::CloseTook() const {
    return p_.now - *closeAt_ - boxTime_ - (p_.modalOvershoot - overshootAtClose_) -
           (p_.Asleep() - asleepAtClose_);
}

void World::Key(int which, double hold, int item, double open) {
    if (!CanTouch()) return;
    UserInput(p_.now);
    const Part* focused = app_->FocusedPart();
    int* depth = focused && focused->face == &app_->picStartUp  ? &userStart_
                 : focused && focused->face == &app_->picStopUp ? &userStop_
                                                                : nullptr;
    switch (which) {
        case 0:
        case 1:
            app_->KeyDown(which == 0 ? pw::Key::Tab : pw::Key::ShiftTab);
            break;
        case 2: {
            if (depth) ++*depth;
            if (focused && focused->face == &app_->lblClose) CloseRequested(p_.now);
            app_->KeyDown(pw::Key::Enter);
            if (depth) --*depth;
            break;
        }
        case 3:
            app_->KeyDown(pw::Key::Space);
            p_.After(hold, [this, depth] {
                if (!CanTouch()) return;
                if (depth) ++*depth;
                app_->KeyUp(pw::Key::Space);
                if (depth) --*depth;
            });
            break;
        default:
            pick_ = {open, 0, kItems[item % 12], kIdNo, true};
            app_->KeyDown(pw::Key::ContextMenu);
            break;
    }
}

// A screen reader's default action: asked of the window's accessible object, which
// says whether the part can be pressed now and posts the press.
void World::Reader(int part, int item, double open) {
    // A screen reader finds the window once it is shown.
    if (!app_ || !app_->HasWindow() || !p_.WindowOf(*app_)->shown || locked_) return;
    const auto& parts = app_->Parts();
    if (part < 0 || part >= static_cast<int>(parts.size()) || parts[part].role == Role::StaticText) return;
    const bool disabled = !p_.WindowOf(*app_)->enabled;
    if (!parts[part].Clickable()) return;
    if (disabled)
        Fail("truth", "a screen reader can press \"" + parts[part].name + "\" of a disabled window");
    UserInput(p_.now);
    const int run = run_;
    p_.At(p_.now, [this, part, item, open, run] {
        if (!app_ || run != run_) return;
        const Part& pressed = app_->Parts()[part];
        int* depth = part == 0 ? &userStart_ : part == 1 ? &userStop_ : nullptr;
        if (part == 2) pick_ = {open, 0, kItems[item % 12], kIdNo, true};
        if (part == 4 && pressed.Clickable()) CloseRequested(p_.now);
        if (depth) ++*depth;
        app_->PressPart(pressed);
        if (depth) --*depth;
    });
}

// After a menu command of the user's: a clear the user confirmed has emptied the totals.
void World::MenuDone(double hiBefore) {
    // (A quit message may have closed the question with no answer.)
    for (auto b = p_.boxes.rbegin(); b != p_.boxes.rend(); ++b)
        if (b->title == "Delete Statistics?") {
            clearing_ = clearing_ && b->button == kIdYes;
            break;
        }
    if (clearing_) {
        // The countdown is over: whatever it found is gone, what a stop folded
        // meanwhile may stay. A clear its disk refused is no clear on disk.
        clearing_ = false;
        lo_ = 0;
        // A stop still folding may add its period before or after the count.
        double stopping = 0;
        for (Period& q : periods_) {
            if (q.run != run_ || q.end < 0 || q.done) continue;
            stopping += q.Counted() + 1;
            q.done = true;
        }
        // (With another session writing too, what it added meanwhile may come back
        // from a copy the clear could not see: only the lower bound moves then.)
        // Nor when a copy could not be read in this run (the user was told).
        if (clearSaved_ && !otherP_ && !toldUnreadable_) hi_ -= std::max(0.0, hiBefore - stopping);
        Note("statistics cleared");
    }
}

void World::Happen(const Ev& e) {
    Count(KindName(e.kind));
    if (traceOn_) Note(Describe(e).substr(12));
    switch (e.kind) {
        case Ev::ClickStart:
            if (app_) Press(app_->picStartUp, &userStart_);
            break;
        case Ev::ClickStop:
            if (app_) Press(app_->picStopUp, &userStop_);
            break;
        case Ev::ClickClose:
            if (CanTouch()) CloseRequested(p_.now);
            if (app_) Press(app_->lblClose, nullptr);
            break;
        case Ev::ClickMinimize:
            if (app_ && CanTouch() && app_->lblMinimize.MouseUp) app_->lblMinimize.MouseUp(kLeftButton);
            break;
        case Ev::Drag:
            dragFor_ = e.a;
            if (app_ && CanTouch()) app_->picTitleBar.MouseDown(kLeftButton);
            break;
        case Ev::Menu:
            if (!app_ || !CanTouch()) break;
            if (inMenu_) {
                // A click on the glyph while a command of the menu still runs.
                pick_ = {e.a, e.b, kItems[e.n % 12], e.m ? kIdYes : kIdNo, true};
                Press(app_->lblMenu, nullptr);
                break;
            }
            {
                pick_ = {e.a, e.b, kItems[e.n % 12], e.m ? kIdYes : kIdNo, true};
                clearing_ = false;  // until the question is answered Yes
                inMenu_ = true;
                struct Leave {
                    bool& in;
                    ~Leave() { in = false; }
                } leave{inMenu_};
                const double hiBefore = hi_;
                clearSaved_ = false;
                try {
                    Press(app_->lblMenu, nullptr);
                } catch (...) {
                    MenuDone(hiBefore);  // a close or a kill inside the command
                    throw;
                }
                MenuDone(hiBefore);
                break;
            }
        case Ev::Key:
            Key(e.n, e.a, e.m, e.a);
            break;
        case Ev::Reader:
            Reader(e.n, e.m, e.a);
            break;
        case Ev::AltF4:
        case Ev::LogOff:
            if (!app_ || (e.kind == Ev::AltF4 && !CanTouch())) break;
            // Closed from outside: no "not idle" by design.
            CloseRequested(p_.now);
            for (Period& q : periods_)
                if (q.run == run_ && !q.done && q.end < 0) q.quietEnd = true;
            e.kind == Ev::AltF4 ? app_->QueryClose() : app_->EndSession();
            break;
        case Ev::QuitMessage:
            if (!app_) break;
            CloseRequested(p_.now);
            p_.onQuit = [this] {
                if (app_) app_->lblClose_Click();
            };
            p_.PostQuit();
            break;
        case Ev::Kill:
            if (!app_) break;
            p_.killAt = p_.now;
            p_.killCalls = e.n;
            break;
        case Ev::Restart:
            StartProgram();
            break;
        case Ev::Input:
            UserInput(p_.now);
            break;
        case Ev::FutureInput:
            UserInput(p_.now + e.a);
            break;
        case Ev::Lock:
            if (locked_) break;
            locked_ = true;
            p_.LockSession(true);
            break;
        case Ev::Unlock:
            if (!locked_) break;
            locked_ = false;
            UserInput(p_.now);
            p_.LockSession(false);
            break;
        case Ev::Type:
            TypeChunk("k" + std::to_string(e.n) + " ");
            break;
        case Ev::SendOwn:
            SendOwn();
            break;
        case Ev::Stall:
            if (!host_) break;
            host_->Stall(e.a);
            stallUntil_ = std::max(stallUntil_, p_.now + e.a);
            p_.AtWorld(p_.now + e.a, [this] { HostChanged(); });
            HostChanged();
            break;
        case Ev::Slow:
            p_.hostDelay = e.a;
            p_.AtWorld(p_.now + e.b, [this] {
                p_.hostDelay = 0;
                HostChanged();
            });
            HostChanged();
            break;
        case Ev::Hang:
            if (!host_) break;
            ++roomTrouble_;
            for (Hwnd w :
                 {host_->frame, host_->mdi, host_->welcome, host_->room, host_->input, host_->address}) {
                if (w && p_.Exists(w)) p_.At(w).hung = true;
            }
            hung_ = true;
            HostChanged();
            break;
        case Ev::HostExit:
            if (!host_) break;
            ++roomTrouble_;
            p_.RemoveWindow(host_->frame);
            host_.reset();
            typed_.clear();
            HostChanged();
            break;
        case Ev::HostStart:
            if (host_ && !hung_) break;
            if (host_) p_.RemoveWindow(host_->frame);
            StartHost(e.n & 1, e.n & 2);
            SampleHost();
            typed_.clear();
            break;
        case Ev::RoomClose:
            if (!host_ || !host_->room || hung_) break;
            ++roomTrouble_;
            host_->CloseRoom();
            typed_.clear();
            host_->roomOnAttempt =
                Mix(s_.seed + static_cast<std::uint64_t>(e.t)) % 5 == 0
                    ? 0
                    : static_cast<int>(host_->links.size()) + 1 + static_cast<int>(e.t) % 3;
            break;
        case Ev::RoomOpen:
            if (!host_ || host_->room || hung_) break;
            host_->OpenRoom("Lobby 2");
            typed_.clear();
            break;
        case Ev::SignOff:
            if (!host_ || !host_->welcome || hung_) break;
            p_.RemoveWindow(host_->welcome);
            host_->welcome = 0;
            break;
        case Ev::SignOn:
            if (!host_ || host_->welcome || hung_) break;
            host_->welcome = p_.AddWindow(host_->mdi, "AOL Child", "Welcome, Tester!");
            break;
        case Ev::LockFile:
            SetFileFlag(e.n, &File::unreadable, e.a);
            break;
        case Ev::ReadOnlyFile:
            SetFileFlag(e.n, &File::readOnly, e.a);
            break;
        case Ev::ReadOnlyFolder: {
            const std::string folder = e.n ? FakePlatform::Normal(p_.programFolder) : "c:";
            p_.readOnlyFolders.insert(folder);
            p_.AtWorld(p_.now + e.a, [this, folder] { p_.readOnlyFolders.erase(folder); });
            break;
        }
        case Ev::CutSave:
            p_.failProfileWriteAt = e.n;
            break;
        case Ev::MisreadSave:  // for a while, every staged save reads back with a digit more
            p_.readFilter = [](const std::string& path, const std::string& value) {
                return path.ends_with(".new") ? value + "0" : value;
            };
            p_.AtWorld(p_.now + e.a, [this] { p_.readFilter = nullptr; });
            break;
        case Ev::OtherStart: {
            if (otherP_) break;
            otherP_ = std::make_unique<FakePlatform>(p_.disk);
            otherP_->processId = 5151;
            otherP_->now = p_.now;
            otherP_->programFolder = p_.programFolder;
            otherFile_ = std::make_unique<StatsFile>(*otherP_);
            otherWriting_ = true;
            otherTotal_ = SecondsOf(otherFile_->Load().totals);
            otherWriting_ = false;
            break;
        }
        case Ev::OtherSave: {
            if (!otherP_) break;
            otherP_->now = p_.now;
            const double add = std::floor(e.a);
            otherTotal_ += add;
            otherUnsaved_ += add;
            hi_ += add;  // on disk once a save of it succeeds
            otherWriting_ = true;
            const SavedTotals saved = otherFile_->Save(TotalsOf(otherTotal_));
            otherWriting_ = false;
            if (saved.onDisk) {
                // It adds what it counted to what it found: its totals are now the sum.
                otherTotal_ = SecondsOf(saved.totals);
                lo_ += otherUnsaved_;
                otherUnsaved_ = 0;
                CheckTotals(false);
            }
            break;
        }
        case Ev::ClockShift:
            p_.wallOffset += e.a;
            break;
        case Ev::TickWrap:  // set up at the start: the count runs on and wraps here
            break;
        case Ev::Sleep:
            p_.Sleep(e.a);
            HostChanged();
            break;
        case Ev::kKinds:
            break;
    }
}

// --- the user and the world -------------------------------------------------------------------

void World::UserInput(double stamp) {
    if (locked_) return;  // on the lock screen: not the session's input
    p_.lastInput = stamp;
    // Input that brings a time of its own from the future is known by that time: the
    // away time counted from it is all the program can know.
    const double later = std::max(0.0, stamp - p_.now);
    inputs_.push_back({p_.now + later, p_.now - p_.Asleep() + later});
}

// Since when the user has been away, as the user's own account has it; the lock screen
// keeps a stretch going, and unlocking is input.
double World::StretchStart() const {
    return inputs_.empty() ? t0_ - 1e9 : inputs_.back().first;
}

// Seconds away that a period beginning now counts: from the last input, but never what
// an earlier period or an earlier run may have counted.
double World::AwayToCount() const {
    const double awake = p_.now - p_.Asleep();
    const double from = std::max({SeenInput().second, runStartAwake_, countedUntil_});
    return std::max(0.0, awake - from);
}

// The last input the program could know of (time, time awake): input after it last took
// messages from its queue it cannot have seen yet.
std::pair<double, double> World::SeenInput() const {
    for (auto i = inputs_.rbegin(); i != inputs_.rend(); ++i)
        if (i->first <= p_.lastPumpAt || i + 1 == inputs_.rend()) return *i;
    return {t0_ - 1e9, -1e18};
}

// Whether a message with the full bound sent now would be answered: the host is not
// stalled or hung, and gets through what it was sent before in time.
bool World::CouldAnswer() const {
    return host_ && !hung_ && p_.now >= stallUntil_ && p_.AnswerAt(host_->frame) - p_.now <= kFullAnswer;
}

void World::SampleHost() {
    const double awake = p_.now - p_.Asleep();
    if (!CouldAnswer()) {
        answersSince_ = -1;
    } else {
        if (answersSince_ < 0) answersSince_ = awake;
        if (awake - answersSince_ >= 2 * kFullAnswer) lastCouldAnswer_ = awake;
    }
}

bool World::HostAnswering() const {
    return host_ && !hung_ && p_.now >= stallUntil_ && p_.hostDelay <= kFullAnswer;
}

void World::HostChanged() {
    const double awake = p_.now - p_.Asleep();
    if (silentSinceAwake_ >= 0) silentTotal_ += awake - silentMark_;
    silentMark_ = awake;
    if (HostAnswering()) {
        silentSinceAwake_ = -1;
    } else {
        if (silentSinceAwake_ < 0) silentSinceAwake_ = awake;
        textCheckValid_ = false;
    }
}

// The user's keys reach the chat box when the host gets to them, after what it was
// already sent.
void World::TypeChunk(const std::string& chunk) {
    if (!host_ || !host_->input || hung_ || locked_) return;
    UserInput(p_.now);
    typed_ += chunk;
    const Hwnd box = host_->input;
    typing_.push_back([this, box, chunk] {
        if (p_.Exists(box) && host_ && host_->input == box) p_.At(box).text += chunk;
    });
    if (typing_.size() == 1) TypeWaiting(std::max(p_.now, stallUntil_));
}

// The keys waiting reach the box in the order typed, once the host has handled what it
// was sent before them (a message it finishes just then comes first).
void World::TypeWaiting(double at) {
    auto type = [this] {
        if (host_ && host_->input && p_.HostFreeAt(host_->input) >= p_.now)
            return TypeWaiting(p_.HostFreeAt(host_->input) + 1e-6);
        while (!typing_.empty()) {
            typing_.front()();
            typing_.pop_front();
        }
    };
    if (at <= p_.now && !(host_ && host_->input && p_.HostFreeAt(host_->input) >= p_.now)) return type();
    p_.AtWorld(at, type);
}

void World::SendOwn() {
    if (!host_ || !host_->input || hung_ || locked_ || p_.now < stallUntil_ ||
        p_.HostFreeAt(host_->input) >= p_.now || !typing_.empty())
        return;
    UserInput(p_.now);
    const Hwnd box = host_->input;
    // (While pellowick holds the text aside for its line, the box is empty on purpose.)
    if (textUnknown_ && typing_.empty() && !(app_ && app_->Link().HoldsUserText())) {
        typed_ = p_.At(box).text;  // what the user sees now, after a program that died holding some
        textUnknown_ = false;
    }
    if (typing_.empty() && !(app_ && app_->Link().HoldsUserText()) && p_.At(box).text != typed_)
        Fail("text", "the user sends \"" + p_.At(box).text + "\", having typed \"" + typed_ + "\"");
    if (p_.At(box).text.empty()) return;
    p_.At(box).onChar(13);
    typed_.clear();
    // Sent in the moment pellowick held the earlier text aside for its line: that comes back.
    if (app_ && app_->Link().HoldsUserText()) textUnknown_ = true;
}

void World::SetFileFlag(int which, bool File::*flag, double seconds) {
    const std::string path = which ? p_.programFolder + "\\pwick.dat" : kWrite;
    File* f = p_.FindFile(path);
    if (!f) return;
    f->*flag = true;
    p_.AtWorld(p_.now + seconds, [this, path, flag] {
        if (File* g = p_.FindFile(path)) g->*flag = false;
    });
}

// --- what the program does, seen from outside -----------------------------------------------

bool IsInputBox(FakePlatform& p, Hwnd w) {
    if (!p.Exists(w) || p.At(w).cls != "RICHCNTL") return false;
    const Hwnd room = p.At(w).parent;
    if (!room || p.At(room).cls != "AOL Child") return false;
    int rich = 0;
    for (Hwnd c : p.At(room).children) {
        if (p.At(c).cls == "RICHCNTL" && ++rich == 2) return c == w;
    }
    return false;
}

void World::OnSend(const fake::Message& m) {
    SampleHost();
    if (traceOn_ && host_ && m.window == host_->input && m.kind != fake::Message::SetText)
        Note(m.kind == fake::Message::Char ? "presses Enter in the chat box" : "reads the chat box");
    // After a line was posted, the user's text is back by the time the program asks
    // the host anything else.
    if (textCheck_ && !(m.kind == fake::Message::SetText && host_ && m.window == host_->input &&
                        Classify(m.text).kind == Line::Other && !m.text.empty()))
        CheckText();
    if (m.kind == fake::Message::GetTextLength || m.kind == fake::Message::GetText) return;
    if (m.kind == fake::Message::Show) {
        if (m.code == kSwShowMinimized && userStart_ == 0) CheckAutoCause("minimized the host client");
        return;
    }
    const bool address = host_ && m.window == host_->address;
    // A window that is gone takes nothing: a handle found before the room closed.
    if (!address && p_.Exists(m.window) && !IsInputBox(p_, m.window))
        Fail("truth", "typed into a host window that is neither the chat input box nor the address box");
    if (address) {
        Count("link typed");
        if (userStart_ == 0 && m.kind == fake::Message::SetText && !m.text.empty())
            CheckAutoCause("typed a private-room link");
        return;
    }
    if (traceOn_ && m.kind == fake::Message::SetText && Classify(m.text).kind == Line::Other)
        Note("sets the chat box to \"" + m.text + "\"");
    if (m.kind == fake::Message::SetText) OnLine(m.text);
}

// Every promise that a line handed to the chat box must keep, when it is handed over.
void World::OnLine(const std::string& ansi) {
    const Line line = Classify(ansi);
    if (line.kind == Line::Other) return;
    if (traceOn_) Note("sends: " + ansi.substr(ansi.find("-|- <b>") + 7));
    if (!loaded_ && line.kind != Line::Loaded && line.kind != Line::Unloaded)
        Fail("truth", "a line was sent before \"loaded\"");
    Period* cur = running_ ? &periods_[*running_] : nullptr;
    switch (line.kind) {
        case Line::NowIdle: {
            if (cur) Fail("control", "\"now idle\" while a period runs");
            if (userStart_ == 0) CheckAutoCause("posted \"now idle\"");
            // Counted from the last input for an automatic start, from zero for a press.
            const double away = userStart_ ? 0 : AwayToCount();
            const long m = line.number;
            if (m < static_cast<long>(std::floor((away - 3) / 60)) ||
                m > static_cast<long>(std::floor((away + 2) / 60)))
                Fail("truth", "\"now idle\" reports " + std::to_string(m) + " after " + std::to_string(away) +
                                  " s away");
            break;
        }
        case Line::Idle: {
            if (!cur) break;  // a minute's line that ran into its period's stop: dropped later
            if (cur->noticed >= 0) Fail("truth", "a minute's line after the user came back");
            const double counted = cur->preset + (p_.now - p_.Asleep() - cur->startAwake);  // so far
            const long m = line.number;
            if (m <= cur->lastMinute)
                Fail("truth", "minute " + std::to_string(m) + " posted twice or backwards");
            if (m < static_cast<long>(std::floor((counted - 4) / 60)) ||
                m > static_cast<long>(std::floor((counted + 2) / 60)))
                Fail("truth",
                     "\"idle\" reports " + std::to_string(m) + " after " + std::to_string(counted) + " s");
            cur->lastMinute = m;
            break;
        }
        case Line::Loaded:
        case Line::Unloaded:
            // Once each a run.
            if (!saidOnce_.insert({run_, line.kind}).second) Fail("truth", "\"(un)loaded\" twice in one run");
            break;
        default:
            break;
    }
}

void World::OnPost(const std::string& utf8) {
    const Line line = Classify(utf8);
    if (line.kind == Line::Other) return;  // the user's own line
    // Keys the host took between pellowick's text and its Enter went out with the line:
    // a race of driving another program's window that no side can close.
    if (const auto end = utf8.rfind(" -|"); end != std::string::npos && end + 3 < utf8.size()) {
        const std::string keys = utf8.substr(end + 3);
        if (const auto at = typed_.find(keys); at != std::string::npos) typed_.erase(at, keys.size());
        Count("keys sent with a line");
    }
    Count(std::string("posted ") + (line.kind == Line::NowIdle   ? "now idle"
                                    : line.kind == Line::NotIdle ? "not idle"
                                    : line.kind == Line::Idle    ? "idle"
                                                                 : "other"));
    Note("room: " + utf8.substr(utf8.find("-|- <b>") + 7));
    // "now idle" is posted just before Timer1 starts: it belongs to the coming period.
    if (line.kind == Line::NowIdle) pendingNowIdle_ = true;
    if (line.kind == Line::NotIdle) {
        // The period that stopped last.
        for (auto q = periods_.rbegin(); q != periods_.rend(); ++q) {
            if (q->end < 0) continue;
            if (++q->notIdlePosts > 1) Fail("truth", "two \"not idle\" lines for one period");
            break;
        }
    }
    textCheck_ = true;
    textCheckValid_ = HostAnswering();
    timeoutsAtPost_ = p_.timeouts;
}

void World::OnTimerSet(Timer& t, bool on) {
    if (tearingDown_ || !app_ || &t != &app_->Timer1) return;
    if (on) {
        if (running_) Fail("control", "two idle periods at once");
        CheckEnds();
        Period q;
        q.start = p_.now;
        q.startAwake = p_.now - p_.Asleep();
        q.automatic = userStart_ == 0;
        q.run = run_;
        if (q.automatic) {
            CheckAutoCause("began an idle period");
            q.stretch = SeenInput().first;
            q.preset = AwayToCount();
        }
        q.floor = countedUntil_;
        q.roomTroubleAtStart = roomTrouble_;
        q.nowIdlePosted = std::exchange(pendingNowIdle_, false);
        lastPeriodStart_ = p_.now;
        periods_.push_back(q);
        running_ = periods_.size() - 1;
        ++out_.periods;
        Count(q.automatic ? "period, automatic" : "period, by hand");
        Note(q.automatic ? "period begins (automatic)" : "period begins");
        return;
    }
    if (!running_) return;
    Period& q = periods_[*running_];
    running_.reset();
    q.end = p_.now;
    q.endAwake = p_.now - p_.Asleep();
    countedUntil_ = std::max(countedUntil_, q.endAwake);
    q.userStop = userStop_ > 0;
    // (As the program last asked: the wait its verdict took may have let the host catch up.)
    q.silentAtEnd = q.endAwake - lastCouldAnswer_;
    if (!host_ || !host_->room || hung_) ++roomTrouble_;
    // (A room may have closed while the watchdog waited for the host, and another be open.)
    q.trouble = !host_ || !host_->room || !HostAnswering() || roomTrouble_ > q.roomTroubleAtStart;
    q.explained = q.userStop || closeAt_ || (q.automatic && q.noticed >= 0);
    hi_ += q.Counted() + 1;  // saved by its stop, which may not have finished yet
    Note("period ends after " + std::to_string(q.Counted()) + " s");
    // Heard in the room, unless the room or the host went away or stayed silent.
    const std::size_t index = periods_.size() - 1;
    HostChanged();
    const double silent0 = silentTotal_;
    const int trouble0 = roomTrouble_ - (!host_ || !host_->room || hung_ ? 1 : 0);
    const int run = run_;
    CheckHeard(index, silent0, trouble0, run, boxSeconds_ + p_.Asleep(), p_.now + kCloseLimit);
}

// Whether the room heard of the stop of period `index`, once the host had its twenty
// seconds, not counting the time boxes waited for the user or the machine slept.
void World::CheckHeard(std::size_t index, double silent0, int trouble0, int run, double boxes, double at) {
    p_.AtWorld(at, [this, index, silent0, trouble0, run, boxes] {
        const double waited = boxSeconds_ + p_.Asleep();
        if (waited > boxes) return CheckHeard(index, silent0, trouble0, run, waited, p_.now + waited - boxes);
        HostChanged();
        const Period& q = periods_[index];
        const bool excused = q.quietEnd || q.told || !q.nowIdlePosted || q.programEnded || run != run_ ||
                             trouble0 != roomTrouble_ || silentTotal_ - silent0 >= 15 || !q.explained;
        if (!excused && q.notIdlePosts == 0)
            Fail("truth", "no \"not idle\" reached the room after a stop, and nobody was told");
    });
}

void World::OnTimer(Timer& t) {
    SampleHost();
    if (!app_ || &t != &app_->tmrAutoIdle || !running_) return;
    Period& q = periods_[*running_];
    if (q.automatic && q.noticed < 0 && StretchStart() > q.stretch) {
        q.noticed = p_.now;
        Note("a check of automatic idle runs after the user's return");
    }
}

FakePlatform::Answer World::OnBox(const fake::Box& b) {
    ++boxes_;
    Count("box " + b.title);
    Note("box \"" + b.title + "\": " + b.text.substr(0, b.text.find('\r')));
    // The checks of a start tell only a user who asked for it.
    if (userStart_ == 0 && (b.text.starts_with("Please ") || b.text.ends_with("Please try again.")))
        Fail("truth", "a start nobody asked for says \"" + b.text + "\"");
    const bool silence = b.text.starts_with("America Online is not responding.\r\n");
    const bool leftRoom = b.text.starts_with("You have exited the America Online chat area.");
    if (silence || leftRoom) {
        // The watchdog ended the period that stopped last and tells the user now; a
        // silence must have been long when it decided.
        for (auto q = periods_.rbegin(); q != periods_.rend(); ++q) {
            if (q->end < 0) continue;
            // (Between its probes a silent host is left alone as long as it was waited
            // for: an answer it could have given in that while goes unheard.)
            if (silence && b.text.find("forced to cancel") != std::string::npos &&
                q->silentAtEnd < kSilenceLimit - kFullAnswer - 1)
                Fail("truth", "the host was taken to be gone after " + std::to_string(q->silentAtEnd) +
                                  " s of silence");
            q->explained = true;
            q->told = true;
            // (The box of a stop the room could not hear of is no watchdog's.)
            q->watchdog = !q->userStop && b.text.find("forced to cancel") != std::string::npos;
            break;
        }
    }
    if (b.text.find("could not save") != std::string::npos) toldSaveFailed_ = true;
    if (b.text.find("could not read") != std::string::npos) toldUnreadable_ = true;
    FakePlatform::Answer answer{0, (b.style & 0xF) == kMbYesNo ? kIdNo : kIdOk};
    if (box_.set && (b.title == "Delete Statistics?" || b.title == "Updates!")) {
        answer = {box_.box, box_.answer};
        box_.set = false;
        if (b.title == "Delete Statistics?" && answer.button == kIdYes) clearing_ = true;
    } else {
        const std::uint64_t h = Mix(s_.seed ^ (static_cast<std::uint64_t>(boxes_) << 20));
        answer.seconds = 0.3 * std::pow(400.0, static_cast<double>(h % 1000) / 1000.0);
    }
    if (closeAt_) boxTime_ += answer.seconds;
    boxSeconds_ += answer.seconds;
    return answer;
}

// Whether the program, doing something only an automatic start does, had a cause: the
// user has been away for the chosen minutes, in a stretch no period has used yet.
void World::CheckAutoCause(const char* what) {
    // Input that came after the program last looked at its event loop it cannot know of yet.
    const double since = SeenInput().first;
    const double away = p_.now - since;
    const bool chosen = std::any_of(autoChoices_.begin(), autoChoices_.end(),
                                    [&](int m) { return m > 0 && away >= m * 60 - 1.5; });
    if (!chosen)
        Fail("truth",
             std::string(what) + " with nobody asking: " + std::to_string(away) + " s without input");
    // The input that ended an automatic period begins a new stretch, even when it came
    // as that period was being announced.
    const Period* last = periods_.empty() || periods_.back().run != run_ ? nullptr : &periods_.back();
    const bool endedIt = last && last->automatic && last->noticed >= 0 && since <= last->noticed;
    bool used = since < lastPeriodStart_ && !endedIt;
    for (const Period& q : periods_)
        used = used || (q.run == run_ && q.watchdog && since < q.end);
    if (used) Fail("truth", std::string(what) + " in an input-free stretch an earlier period already used");
}

void World::CheckEnds() {
    for (Period& q : periods_) {
        if (q.end >= 0 && !q.explained && q.run == run_ && q.done)
            Fail("truth", "an idle period ended without the user's stop, a close, the watchdog or input");
    }
}

// What the next start would load, once every lock is gone; with what it would keep
// aside as copies it cannot combine (they are not lost: the user is told of them).
std::pair<double, double> World::Probe() {
    auto copy = std::make_shared<fake::Disk>();
    copy->files = p_.files;
    for (auto& [path, f] : copy->files)
        f.unreadable = f.readOnly = false;
    FakePlatform q(copy);
    q.logMessages = false;
    q.programFolder = p_.programFolder;
    q.now = p_.now;
    StatsFile file(q);
    const LoadedTotals loaded = file.Load();
    double kept = 0;
    for (const std::string& path : loaded.setAside)
        if (const File* f = q.FindFile(path); f && path.find(".old") != std::string::npos)
            kept += SecondsOfFile(f->bytes);
    return {SecondsOf(loaded.totals), kept};
}

void World::CheckTotals(bool removal) {
    const auto [got, kept] = Probe();
    // What this run counted since its last save that reached the disk may still be only
    // in its labels (its disk refused: it saves again at the next chance).
    const double lo = (clearing_ ? 0 : lo_) - unsaved_;
    if (got + kept < lo - 0.5 || got > hi_ + 0.5) {
        char why[200];
        std::snprintf(why, sizeof why,
                      "the statistics files hold %.0f s; the idle time lived is %.1f to %.1f s", got, lo,
                      hi_);
        Fail(removal ? "copies" : "time", why);
    }
}

void World::OnDisk(const std::string& path, const File* before, const File* after) {
    const std::string folder = FakePlatform::Normal(p_.programFolder + "\\pwick.dat");
    if (after && !before && path.find(".old") != std::string::npos) {
        // Copies that could not be combined: kept, and the user is told; what is loaded
        // from now on may lack what only that copy holds.
        Count("copy kept as .old");
        Note("kept aside: " + path);
        lo_ -= SecondsOfFile(after->bytes);
        return;
    }
    if (path != FakePlatform::Normal(kWrite) && path != folder) return;
    if (before && after && before->bytes == after->bytes) return;
    if (after) Count("statistics written");
    if (after && !otherWriting_) {
        unsaved_ = 0;
        // (Only the clear's own save: one made while the question was still open is not.)
        if (clearing_ && IsClearSave(after->bytes)) clearSaved_ = true;
    }
    Note(std::string(after ? "written: " : "removed: ") + path);
    if (traceOn_ && after) {
        std::string body = after->bytes;
        for (char& c : body)
            if (c == '\r' || c == '\n') c = ' ';
        Note("  " + body);
    }
    CheckTotals(!after || before);
}

void World::Observe(bool atPump) {
    HostChanged();
    if (closeAt_ && app_ && CloseTook() > kCloseLimit + 0.5)
        Fail("control", "still running " + std::to_string(p_.now - *closeAt_) + " s after a close");
    if (app_ && loaded_) {
        const FrmMain& m = *app_;
        const bool idle = m.Timer1.Enabled();
        if (m.picStartUp.Visible() == m.picStartDown.Visible() ||
            m.picStopUp.Visible() == m.picStopDown.Visible())
            Fail("control", "a button shows both faces or neither");
        if (m.picStopUp.Visible() != idle || (idle && m.picStartUp.Visible()))
            Fail("control", "the button faces do not match the state");
        for (Period& q : periods_) {
            if (q.run == run_ && q.end >= 0 && !q.done && m.picStartUp.Visible()) {
                q.done = true;  // its stop has folded and saved it
                lo_ += q.Counted() - 2;
                unsaved_ += std::max(0.0, q.Counted() - 2);
            }
        }
    }
    if (atPump && textCheck_) CheckText();
}

// What the user typed is back in the box: checked after a line pellowick posted while
// every message since was answered, and whenever the user sends their own line.
void World::CheckText() {
    if (textUnknown_) return;
    // Still holding it aside (for a line, or its put-back found the host busy): it goes
    // back when the host answers; look again then. Not for long while the host answers
    // and nothing holds the program.
    if (app_ && app_->Link().HoldsUserText()) {
        const double own = p_.now - p_.Asleep() - boxSeconds_;
        if (holdSince_ < 0) holdSince_ = own;
        if (own - holdSince_ > kHoldLimit && answersSince_ >= 0 &&
            p_.now - p_.Asleep() - answersSince_ > kHoldLimit)
            Fail("text", "what the user had typed is held aside and not put back while the host answers");
        return;
    }
    holdSince_ = -1;
    textCheck_ = false;
    if (textCheckValid_ && p_.timeouts == timeoutsAtPost_ && HostAnswering() && typing_.empty() && host_ &&
        host_->input) {
        const std::string box = p_.At(host_->input).text;
        if (box != typed_)
            Fail("text", "the chat box holds \"" + box + "\", the user had typed \"" + typed_ + "\"");
    }
}

void World::FinalChecks() {
    if (!timeUp_) Observe(false);
    CheckEnds();
    CheckTotals(false);
}

Outcome World::Go() {
    t0_ = p_.now;
    end_ = t0_ + s_.length;
    SetUpFiles();
    Wire();
    if (s_.hostRunning) StartHost(s_.signedOn, s_.inRoom);
    for (const Ev& e : s_.events) {
        if (e.kind != Ev::TickWrap) continue;
        const auto ticks =
            static_cast<std::uint32_t>(static_cast<std::int64_t>(std::llround((t0_ + e.t) * 1000)));
        p_.tickOffset = 0u - ticks;  // 49.7 days of uptime run out right then
    }
    UserInput(p_.now);  // starting pellowick
    for (const Ev& e : s_.events)
        Plan(e);
    auto step = [&](auto&& f) {
        try {
            f();
        } catch (const fake::ProgramEnded&) {
            Ended(false);
        } catch (const fake::Killed&) {
            Ended(true);
        }
    };
    p_.endOfTime = end_;
    try {
        try {
            step([&] { StartProgram(); });
            while (p_.now < end_)
                step([&] { p_.RunUntil(end_); });
            // The day is over: the user closes pellowick, which saves what it holds.
            if (app_) {
                p_.endOfTime = end_ + 2 * kCloseLimit;
                CloseRequested(p_.now);
                p_.At(p_.now, [this] {
                    if (app_) app_->lblClose_Click();
                });
                step([&] { p_.RunUntil(p_.endOfTime); });
                if (app_) Fail("control", "the program did not end after a close at the end of the day");
            }
        } catch (const fake::TimeUp&) {
            // The program was busy (a room search, a long wait) when the time ran out.
            timeUp_ = true;
        }
        p_.endOfTime = std::numeric_limits<double>::infinity();
        FinalChecks();
    } catch (const Broken& b) {
        out_.ok = false;
        out_.invariant = b.invariant;
        out_.message = b.message;
    } catch (const std::exception& e) {
        out_.ok = false;
        out_.invariant = "crash";
        out_.message = e.what();
    }
    out_.at = p_.now - t0_;
    if (!out_.ok) Note("BROKEN (" + out_.invariant + "): " + out_.message);
    tearingDown_ = true;
    app_.reset();
    out_.awakeHours = (p_.now - t0_ - p_.Asleep()) / 3600;
    return out_;
}

}  // namespace

Outcome Run(const sim::Schedule& s, bool trace) {
    return World(s, trace).Go();
}

Schedule Shrink(const sim::Schedule& s, const Outcome& failure) {
    auto breaks = [&](const sim::Schedule& c) {
        Outcome o = Run(c);
        return !o.ok && o.invariant == failure.invariant;
    };
    sim::Schedule best = s;
    // Nothing after the failure matters.
    best.length = std::min(s.length, failure.at + 1);
    std::erase_if(best.events, [&](const Ev& e) { return e.t > best.length; });
    if (!breaks(best)) best = s;
    // Then drop ever smaller runs of events while the same promise still breaks.
    int tries = 0;
    for (std::size_t chunk = std::max<std::size_t>(1, best.events.size() / 2); chunk >= 1 && tries < 400;
         chunk /= 2) {
        for (std::size_t at = 0; at < best.events.size() && tries < 400;) {
            sim::Schedule c = best;
            c.events.erase(c.events.begin() + static_cast<long>(at),
                           c.events.begin() + static_cast<long>(std::min(at + chunk, c.events.size())));
            ++tries;
            if (breaks(c))
                best = c;
            else
                at += chunk;
        }
        if (chunk == 1) break;
    }
    return best;
}

}  // namespace pw::sim
