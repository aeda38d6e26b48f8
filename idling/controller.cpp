#include "idling/controller.h"

#include <algorithm>
#include <cmath>

#include "idling/announce.h"
#include "idling/haulted.h"
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
constexpr const char* kStopUnheard =
    "America Online is not responding.\r\n"
    "pellowick could not tell the chat room that you are back.\r\n"
    "Your idle time is saved.";
constexpr int kRoomAttemptSeconds = 10;
// How often a stop asks a silent host again to take its "not idle" line.
constexpr double kRetrySeconds = 0.5;

// Resets a flag however the scope is left.
struct FlagScope {
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
    bool& flag;
};

}  // namespace

IdleController::IdleController(Form& owner, HostLink& link, IdleCounters counters, Control& version,
                               Timer& timer1, ButtonFaces faces, Totals& totals, TotalsStore& stats)
    : p_(owner.platform),
      owner_(owner),
      link_(link),
      c_(counters),
      version_(version),
      timer1_(timer1),
      faces_(faces),
      totals_(totals),
      stats_(stats) {
    timer1_.Tick = [this] { Timer1_Timer(); };
}

// Whether the user is in a chat room; nullopt when the host did not answer.
std::optional<bool> IdleController::InChatRoom() {
    std::optional<std::string> caption = link_.ReadText(FindChatRoom(p_));
    if (!caption) return std::nullopt;
    return !caption->empty();
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

void IdleController::ShowNotIdleFaces() {
    faces_.startDown.SetVisible(false);
    faces_.startUp.SetVisible(true);
}

bool IdleController::Start(bool quiet) {
    // The start face stays clickable during the room search; one search at a time.
    // Nothing starts once the program is closing: a search would outlive the close.
    if (searching_ || closing_) return false;
    const auto fail = [&](const char* text) {
        if (!quiet) ShowHaulted(owner_, text);
        return false;
    };
    if (!FindHostFrame(p_)) return fail(kLoadHost);
    // A host too busy to answer is not a host without a user or a room: a search
    // started on a guess could take the user out of the room they are in.
    std::optional<std::string> name = link_.ReadScreenName();
    if (!name) return fail(kNotResponding);
    if (name->empty()) return fail(kSignOn);
    std::optional<bool> inRoom = InChatRoom();
    if (!inRoom) return fail(kNotResponding);
    if (!*inRoom) {
        FlagScope searching(searching_);
        int room = 0;
        for (bool typeNext = true;;) {
            p_.PumpEvents();
            // Nobody is to be announced idle who has come back meanwhile.
            if (closing_ || !StillAway()) return false;
            if (typeNext) link_.RunKeyword(kPrivateRoomLink + std::to_string(room++));
            Pause(p_, kRoomAttemptSeconds);
            if (closing_ || !StillAway()) return false;
            inRoom = InChatRoom();
            if (inRoom.value_or(false)) break;
            // No answer: the last link may still be opening its room; look again first.
            typeNext = inRoom.has_value();
        }
    }
    return BeginIdle();
}

bool IdleController::StartUnattended(std::function<double()> awaySeconds, std::function<bool()> stillAway) {
    awaySeconds_ = std::move(awaySeconds);
    stillAway_ = std::move(stillAway);
    const bool began = Start(true);
    awaySeconds_ = nullptr;
    stillAway_ = nullptr;
    return began;
}

bool IdleController::BeginIdle() {
    // An automatic start looks again right before anything shows: the host calls
    // before it took time, and the user may be back.
    if (!StillAway()) return false;
    FlagScope beginning(beginning_);
    lastBegin_ = p_.TickCount();
    link_.MinimizeHost();
    ShowBusyFaces();
    link_.ClearChatInput();
    Pause(p_, kPauseBeforeLine);
    if (!StillAway()) {
        // Back during the pause: nothing is announced, and the host is given back.
        link_.PutBackUserText();
        link_.MaximizeHost();
        faces_.stopDown.SetVisible(true);
        ShowNotIdleFaces();
        return false;
    }
    due_ = 0;
    lastTick_ = p_.AwakeSeconds();
    if (awaySeconds_) {
        // Away since the last input, not since now: the clock and the totals get it all.
        const double away = std::max(0.0, awaySeconds_());
        const auto s = static_cast<std::uint64_t>(away);
        due_ = away - static_cast<double>(s);
        c_.hours.SetCaption(NumberText(static_cast<double>(s / 3600)));
        c_.minutes.SetCaption(NumberText(static_cast<double>(s / 60 % 60)));
        c_.seconds.SetCaption(NumberText(static_cast<double>(s % 60)));
    }
    link_.SendChat(NowIdleLine(version_.Caption(), IdleMinutes()));
    // From a press, the clock starts at "now idle"; from an absence, it went on meanwhile.
    if (!awaySeconds_) lastTick_ = p_.AwakeSeconds();
    ++period_;
    timer1_.SetEnabled(true);
    faces_.stopDown.SetVisible(false);
    faces_.stopUp.SetVisible(true);
    if (StateChanged) StateChanged();
    return true;
}

void IdleController::Stop(bool tellIfUnheard) {
    if (!timer1_.Enabled()) return;
    timer1_.SetEnabled(false);
    CountLastSeconds();
    ++period_;
    bool unheard = false;
    {
        FlagScope stopping(stopping_);
        ShowBusyFaces();
        link_.ClearChatInput();
        Pause(p_, kPauseBeforeLine);
        const std::string line = NotIdleLine(version_.Caption(), IdleMinutes());
        HostLink::Sent sent = link_.SendChat(line);
        // A host that fell silent may be back within its twenty seconds: the room still
        // hears of the stop, once.
        while (sent == HostLink::Sent::Unsent && link_.Silent() && link_.SilentFor() < kHostGoneSeconds &&
               !link_.PastDeadline()) {
            WaitAwake(p_, kRetrySeconds);
            sent = link_.SendChat(line);
        }
        unheard = sent == HostLink::Sent::Unsent && link_.Silent();
        totals_.FoldIdleIntoTotals(p_, c_);
        stats_.SaveTotals();
        link_.MaximizeHost();
        ShowNotIdleFaces();
    }
    if (StateChanged) StateChanged();
    if (unheard && tellIfUnheard && !closing_) ShowHaulted(owner_, kStopUnheard);
    if (Stopped) Stopped();
}

void IdleController::FoldRunningPeriod() {
    if (!timer1_.Enabled() && !stopping_) return;
    const bool running = timer1_.Enabled();
    timer1_.SetEnabled(false);
    if (running) CountLastSeconds();
    ++period_;
    FlagScope stopping(stopping_);
    ShowBusyFaces();
    // A stop this interrupts has moved part of the period already; the rest goes now.
    totals_.FoldIdleIntoTotals(p_, c_);
}

void IdleController::Timer1_Timer() {
    std::optional<bool> inRoom = InChatRoom();
    if (!inRoom && link_.SilentFor() >= kHostGoneSeconds) {
        link_.AskAfresh();
        inRoom = InChatRoom();
    }
    // A host that does not answer is busy until it has been silent for long.
    const char* why = !inRoom ? (link_.SilentFor() >= kHostGoneSeconds ? kHostSilent : nullptr)
                              : (*inRoom ? nullptr : kLeftRoom);
    if (why) {
        lastWatchdogEnd_ = p_.TickCount();
        // The room was left some time in the second this tick closes: it is not counted.
        if (why == kLeftRoom) lastTick_ = std::min(lastTick_ + 1, p_.AwakeSeconds());
        Stop(false);
        ShowHaulted(owner_, why);
        return;
    }
    // The host answers again: what the user had typed goes back if it could not before.
    if (inRoom) link_.RetryPutBack();
    CountLivedSeconds();
}

// The seconds lived since the last tick are idle time too (a silent host may have held
// that tick up). Counted with the clock stopped: no carry, no minute's line on the way out.
void IdleController::CountLastSeconds() {
    lastEnd_ = p_.AwakeSeconds();
    due_ += *lastEnd_ - lastTick_;
    lastTick_ = *lastEnd_;
    for (; due_ >= 1; due_ -= 1)
        AddTo(c_.seconds, 1);
}

// One second a tick, as a rule; when a host kept this thread waiting, or ticks were
// missed, the seconds lived meanwhile are counted too, one at a time so that every
// carry and every minute's line happens as usual.
void IdleController::CountLivedSeconds() {
    const double now = p_.AwakeSeconds();
    due_ += now - lastTick_;
    lastTick_ = now;
    const std::uint64_t period = period_;
    while (due_ >= 1 && period == period_) {
        due_ -= 1;
        AddTo(c_.seconds, 1);
    }
}

}  // namespace pw
