// Starting and stopping an idle period: the start command with its host checks and
// private-room search, BeginIdle, EndIdle and the one-second tick with its watchdog.
#pragma once

#include <cstdint>
#include <functional>

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
    IdleController(Form& owner, IdleCounters counters, Control& version, Timer& timer1, ButtonFaces faces,
                   Totals& totals, TotalsStore& stats);

    void picStartUp_Click() { Start(false); }  // the start command
    // The start command without a click: a failed check shows no box, and the room
    // search gives up once `stillAway()` turns false. The idle clock starts at
    // `idleSeconds()`, read as "now idle" is composed. True when the idle period began.
    bool StartUnattended(std::function<std::uint64_t()> idleSeconds, std::function<bool()> stillAway);
    void picStopUp_Click() { EndIdle(); }
    void cmdStopIt_Click() { EndIdle(); }
    void Timer1_Timer();

    void BeginIdle();
    void EndIdle();

    // Changes whenever an idle period starts or stops.
    const std::uint64_t& Period() const { return period_; }
    // True from the first step of EndIdle until it has saved and maximized the host.
    bool Stopping() const { return stopping_; }
    // Runs when an idle period has started or stopped, its faces shown.
    std::function<void()> StateChanged;
    // Searching for a room, starting or stopping: waits are pumping events.
    bool Busy() const { return searching_ || beginning_ || stopping_; }
    // Runs when a stop has completely finished (a close waiting for it).
    std::function<void()> Stopped;
    // The program is closing: the start command does nothing from now on.
    void Closing() { closing_ = true; }

  private:
    bool Start(bool quiet);
    void Haulted(const char* text);
    void ShowBusyFaces();
    std::string IdleMinutes() const;

    Platform& p_;
    Form& owner_;
    IdleCounters c_;
    Control& version_;
    Timer& timer1_;
    ButtonFaces faces_;
    Totals& totals_;
    TotalsStore& stats_;
    std::uint64_t period_ = 0;
    bool stopping_ = false;
    bool searching_ = false;
    bool closing_ = false;
    bool beginning_ = false;
    std::function<std::uint64_t()> presetIdle_;
    std::function<bool()> stillAway_;
};

}  // namespace pw
