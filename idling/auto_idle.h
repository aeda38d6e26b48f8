// Automatic idle: once the session has had no keyboard or mouse input for the chosen
// minutes, the start command runs by itself, and the first input after that stops
// the idle period again. Off (0 minutes) unless the user chooses it.
//
// Checked once a second by its own timer, which runs only while the mode is on; it
// reads the session's last-input time and never hooks the input itself. A locked
// session counts as input-free from the moment of the lock; unlocking counts as input.
#pragma once

#include <cstdint>
#include <optional>

#include "idling/controller.h"
#include "idling/totals_store.h"
#include "platform/forms.h"

namespace pw {

class AutoIdle {
  public:
    // The chosen wait is kept with the totals, in `store`.
    AutoIdle(Form& owner, Timer& watch, Timer& timer1, IdleController& controller, TotalsStore& store);

    int Minutes() const { return store_.Opts().autoIdleMinutes; }
    // The wait loaded with the totals is watched for from now on.
    void Begin() { Apply(); }
    // The user picked a wait (0: off): saved with the totals, and watched for at once.
    void Choose(int minutes);

    void tmrAutoIdle_Timer();
    void Form_SessionLock(bool locked);
    // The sleep just over belongs to the stretch that went on before it.
    void Form_Resumed() { NoteSleep(InputFreeSince()); }

  private:
    void Apply();
    void Watch(bool on);
    // The tick at which the current input-free stretch began, if the system can tell.
    std::optional<std::uint32_t> InputFreeSince();
    // Seconds the machine has been awake in the stretch that began at `since`.
    double AwaySeconds(std::uint32_t since);
    void NoteSleep(std::optional<std::uint32_t> since);
    bool OwnPeriodRuns() const;
    bool Used(std::uint32_t since) const;
    void StopOwnPeriod();

    Platform& p_;
    Form& owner_;
    Timer& watch_;
    Timer& timer1_;
    IdleController& controller_;
    TotalsStore& store_;
    bool locked_ = false;
    std::uint32_t lockedSince_ = 0;
    std::optional<std::uint32_t> unlockedAt_;
    // A stretch whose start failed its checks: one try per input-free stretch.
    std::optional<std::uint32_t> tried_;
    // The idle period started here (the controller's period number) and its stretch.
    std::optional<std::uint64_t> ownPeriod_;
    std::uint32_t ownSince_ = 0;
    bool starting_ = false;
    // Time asleep in the current stretch, seen from the ticks: the tick count runs on
    // while the machine sleeps, time awake does not.
    std::optional<std::uint32_t> sleepStretch_;
    double asleep_ = 0;
    double slept_ = 0, sleptBefore_ = 0;  // asleep in this run; of that, before the stretch
    // Time before this run is not counted: another run may have counted it already.
    double startedAwake_ = 0;
    std::uint32_t lastTick_ = 0;  // when sleep was last looked for
    double lastAwake_ = 0;
};

}  // namespace pw
