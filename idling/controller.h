// Starting and stopping an idle period: the start command with its host checks and
// private-room search, BeginIdle, EndIdle and the one-second tick with its watchdog.
#pragma once

#include <cstdint>
#include <functional>

#include "host/bridge.h"
#include "idling/idle_clock.h"
#include "idling/totals.h"
#include "idling/totals_store.h"
#include "platform/forms.h"

namespace pw {

inline constexpr const char* kPrivateRoomLink = "aol://2719:2-2-pellowick%20";

struct ButtonFaces {
    Control& startUp;
    Control& startDown;
    Control& stopUp;
    Control& stopDown;
};

class IdleController {
  public:
    IdleController(Form& owner, HostLink& link, IdleCounters counters, Control& version, Timer& timer1,
                   ButtonFaces faces, Totals& totals, TotalsStore& stats);

    void picStartUp_Click() { Start(false); }  // the start command
    // The start command without a click: a failed check shows no box, and nothing is
    // searched, minimized or posted once `stillAway()` turns false. The idle clock
    // starts at `awaySeconds()`, read as "now idle" is composed. True when it began.
    bool StartUnattended(std::function<double()> awaySeconds, std::function<bool()> stillAway);
    void picStopUp_Click() { EndIdle(); }
    void cmdStopIt_Click() { EndIdle(); }
    void Timer1_Timer();

    bool BeginIdle();
    void EndIdle() { Stop(true); }
    // The program is closing other than by its close command: the running period (or
    // what a stop has not folded yet) goes into the totals, without a line.
    void FoldRunningPeriod();

    // Changes whenever an idle period starts or stops.
    std::uint64_t Period() const { return period_; }
    // The tick count at which the last idle period began, and the time awake at which
    // the last one ended (its idle time is counted up to there); nullopt before the first.
    std::optional<std::uint32_t> LastBegin() const { return lastBegin_; }
    std::optional<double> LastEnd() const { return lastEnd_; }
    // The tick count at which the watchdog last ended a period: nobody asked for that end.
    std::optional<std::uint32_t> LastWatchdogEnd() const { return lastWatchdogEnd_; }
    // True from the first step of EndIdle until it has saved and maximized the host.
    bool Stopping() const { return stopping_; }
    // Runs when an idle period has started or stopped, its faces shown.
    Handler<void()> StateChanged;
    // Searching for a room, starting or stopping: waits are pumping events.
    bool Busy() const { return searching_ || beginning_ || stopping_; }
    // Runs when a stop has completely finished (a close waiting for it).
    Handler<void()> Stopped;
    // The program is closing: the start command does nothing from now on, and a stop
    // the room could not hear of is not told in a box.
    void Closing() { closing_ = true; }

  private:
    bool Start(bool quiet);
    void Stop(bool tellIfUnheard);
    void CountLivedSeconds();
    void CountLastSeconds();
    void ShowBusyFaces();
    void ShowNotIdleFaces();
    bool StillAway() const { return !stillAway_ || stillAway_(); }
    std::optional<bool> InChatRoom();
    std::string IdleMinutes() const;

    Platform& p_;
    Form& owner_;
    HostLink& link_;
    IdleCounters c_;
    Control& version_;
    Timer& timer1_;
    ButtonFaces faces_;
    Totals& totals_;
    TotalsStore& stats_;
    std::uint64_t period_ = 0;
    std::optional<std::uint32_t> lastBegin_;
    std::optional<double> lastEnd_;
    std::optional<std::uint32_t> lastWatchdogEnd_;
    bool stopping_ = false;
    bool searching_ = false;
    bool closing_ = false;
    bool beginning_ = false;
    std::function<double()> awaySeconds_;
    std::function<bool()> stillAway_;
    // The seconds the idle clock has lived and not counted yet, since AwakeSeconds() was lastTick_.
    double due_ = 0, lastTick_ = 0;
};

}  // namespace pw
