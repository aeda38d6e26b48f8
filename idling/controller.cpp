#include "idling/controller.h"

#include "host/bridge.h"
#include "idling/announce.h"
#include "platform/pause.h"

namespace pw {
namespace {

constexpr const char* kLoadHost = "Please load America Online and try again.";
constexpr const char* kSignOn = "Please sign onto America Online and try again.";
constexpr const char* kLeftRoom =
    "You have exited the America Online chat area.\r\n"
    "You have been forced to cancel your idle state.\r\n"
    "Please return to chat area to restart.";
constexpr const char* kNotResponding = "America Online is not responding. Please try again.";
constexpr const char* kHostSilent =
    "America Online is not responding.\r\n"
    "You have been forced to cancel your idle state.\r\n"
    "Please restart when America Online responds again.";
constexpr int kRoomAttemptSeconds = 10;
// A host that answers nothing for this long is taken to be gone, not busy.
constexpr double kSilenceLimitSeconds = 20;

// Resets a flag however the scope is left.
struct FlagScope {
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
    bool& flag;
};

// Whether the user is in a chat room; nullopt when the host did not answer.
std::optional<bool> InChatRoom(Platform& p) {
    std::optional<std::string> caption = ReadText(p, FindChatRoom(p));
    if (!caption) return std::nullopt;
    return !caption->empty();
}

}  // namespace

IdleController::IdleController(Form& owner, IdleCounters counters, Control& version, Timer& timer1,
                               ButtonFaces faces, Totals& totals, TotalsStore& stats)
    : p_(owner.platform),
      owner_(owner),
      c_(counters),
      version_(version),
      timer1_(timer1),
      faces_(faces),
      totals_(totals),
      stats_(stats) {
    timer1_.Tick = [this] { Timer1_Timer(); };
}

// "Haulted!" is the title users have always seen; the spelling stays on purpose.
void IdleController::Haulted(const char* text) {
    p_.ShowMessageBox(&owner_, text, "Haulted!", kMbOk | kMbIconStop);
}

std::string IdleController::IdleMinutes() const {
    return IdleMinutesText(c_.hours.Caption(), c_.minutes.Caption());
}

// Starting and stopping: both buttons show their pressed, unclickable faces.
void IdleController::ShowBusyFaces() {
    faces_.startUp.SetVisible(false);
    faces_.stopUp.SetVisible(false);
    faces_.startDown.SetVisible(true);
    faces_.stopDown.SetVisible(true);
}

bool IdleController::Start(bool quiet) {
    // The start face stays clickable during the room search; one search at a time.
    // Nothing starts once the program is closing: a search would outlive the close.
    if (searching_ || closing_) return false;
    const auto fail = [&](const char* text) {
        if (!quiet) Haulted(text);
        return false;
    };
    if (!FindHostFrame(p_)) return fail(kLoadHost);
    // A host too busy to answer is not a host without a user or a room: a search
    // started on a guess could take the user out of the room they are in.
    std::optional<std::string> name = ReadScreenName(p_);
    if (!name) return fail(kNotResponding);
    if (name->empty()) return fail(kSignOn);
    std::optional<bool> inRoom = InChatRoom(p_);
    if (!inRoom) return fail(kNotResponding);
    if (!*inRoom) {
        FlagScope searching(searching_);
        int room = 0;
        for (bool typeNext = true;;) {
            p_.PumpEvents();
            if (closing_) return false;
            if (typeNext) RunKeyword(p_, kPrivateRoomLink + std::to_string(room++));
            Pause(p_, kRoomAttemptSeconds);
            if (closing_) return false;
            // Nobody is to be announced idle who has come back meanwhile.
            if (stillAway_ && !stillAway_()) return false;
            inRoom = InChatRoom(p_);
            if (inRoom.value_or(false)) break;
            // No answer: the last link may still be opening its room; look again first.
            typeNext = inRoom.has_value();
        }
    }
    BeginIdle();
    return true;
}

bool IdleController::StartUnattended(std::function<std::uint64_t()> idleSeconds,
                                     std::function<bool()> stillAway) {
    presetIdle_ = std::move(idleSeconds);
    stillAway_ = std::move(stillAway);
    const bool began = Start(true);
    presetIdle_ = nullptr;
    stillAway_ = nullptr;
    return began;
}

void IdleController::BeginIdle() {
    FlagScope beginning(beginning_);
    MinimizeHost(p_);
    ShowBusyFaces();
    ClearChatInput(p_);
    Pause(p_, 1);
    if (presetIdle_) {
        // Away since the last input, not since now: the clock and the totals get it all.
        const std::uint64_t s = presetIdle_();
        c_.hours.SetCaption(NumberText(static_cast<double>(s / 3600)));
        c_.minutes.SetCaption(NumberText(static_cast<double>(s / 60 % 60)));
        c_.seconds.SetCaption(NumberText(static_cast<double>(s % 60)));
    }
    SendChat(p_, NowIdleLine(version_.Caption(), IdleMinutes()));
    ++period_;
    timer1_.SetEnabled(true);
    faces_.stopDown.SetVisible(false);
    faces_.stopUp.SetVisible(true);
    if (StateChanged) StateChanged();
}

void IdleController::EndIdle() {
    if (!timer1_.Enabled()) return;
    timer1_.SetEnabled(false);
    ++period_;
    {
        FlagScope stopping(stopping_);
        ShowBusyFaces();
        ClearChatInput(p_);
        Pause(p_, 1);
        SendChat(p_, NotIdleLine(version_.Caption(), IdleMinutes()));
        totals_.FoldIdleIntoTotals(p_, c_);
        stats_.SaveTotals();
        MaximizeHost(p_);
        faces_.startDown.SetVisible(false);
        faces_.startUp.SetVisible(true);
    }
    if (StateChanged) StateChanged();
    if (Stopped) Stopped();
}

void IdleController::Timer1_Timer() {
    std::optional<bool> inRoom = InChatRoom(p_);
    // A host that does not answer is busy until it has been silent for long.
    const char* why = !inRoom ? (HostSilentFor(p_) >= kSilenceLimitSeconds ? kHostSilent : nullptr)
                              : (*inRoom ? nullptr : kLeftRoom);
    if (why) {
        EndIdle();
        Haulted(why);
        return;
    }
    AddTo(c_.seconds, 1);
}

}  // namespace pw
