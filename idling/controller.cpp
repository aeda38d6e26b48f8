#include "idling/controller.h"

#include "host/bridge.h"
#include "idling/announce.h"

namespace pw {
namespace {

constexpr const char* kLoadHost = "Please load America Online and try again.";
constexpr const char* kSignOn = "Please sign onto America Online and try again.";
constexpr const char* kLeftRoom =
    "You have exited the America Online chat area.\r\n"
    "You have been forced to cancel your idle state.\r\n"
    "Please return to chat area to restart.";
constexpr int kRoomAttemptSeconds = 10;

// Resets a flag however the scope is left.
struct FlagScope {
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
    bool& flag;
};

bool InChatRoom(Platform& p) { return !GetText(p, FindChatRoom(p)).empty(); }

}  // namespace

IdleController::IdleController(Form& owner, IdleCounters counters, Control& version, Timer& timer1,
                               ButtonFaces faces, Totals& totals, StatsFile& stats)
    : p_(owner.platform), owner_(owner), c_(counters), version_(version), timer1_(timer1), faces_(faces),
      totals_(totals), stats_(stats) {
    timer1_.Tick = [this] { Timer1_Timer(); };
}

void IdleController::Haulted(const char* text) { p_.ShowMessageBox(&owner_, text, "Haulted!", kMbOk | kMbIconStop); }

std::string IdleController::IdleMinutes() const { return IdleMinutesText(c_.hours.Caption(), c_.minutes.Caption()); }

// Starting and stopping: both buttons show their pressed, unclickable faces.
void IdleController::ShowBusyFaces() {
    faces_.startUp.SetVisible(false);
    faces_.stopUp.SetVisible(false);
    faces_.startDown.SetVisible(true);
    faces_.stopDown.SetVisible(true);
}

bool IdleController::Start(bool quiet) {
    // The start face stays clickable during the room search; one search at a time.
    if (searching_) return false;
    const char* failed = !FindHostFrame(p_) ? kLoadHost : GetScreenName(p_).empty() ? kSignOn : nullptr;
    if (failed) {
        if (!quiet) Haulted(failed);
        return false;
    }
    if (!InChatRoom(p_)) {
        FlagScope searching(searching_);
        int room = 0;
        do {
            p_.PumpEvents();
            RunKeyword(p_, kPrivateRoomLink + std::to_string(room++));
            Pause(p_, kRoomAttemptSeconds);
            // Nobody is to be announced idle who has come back meanwhile.
            if (stillAway_ && !stillAway_()) return false;
        } while (!InChatRoom(p_));
    }
    BeginIdle();
    return true;
}

bool IdleController::StartUnattended(std::function<std::uint64_t()> idleSeconds, std::function<bool()> stillAway) {
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
    if (Stopped) Stopped();
}

void IdleController::Timer1_Timer() {
    if (!InChatRoom(p_)) {
        EndIdle();
        Haulted(kLeftRoom);
        return;
    }
    AddTo(c_.seconds, 1);
}

}  // namespace pw
