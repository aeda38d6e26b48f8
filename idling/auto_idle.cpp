#include "idling/auto_idle.h"

namespace pw {
namespace {

constexpr std::uint32_t kMsPerMinute = 60'000;

// Of two tick counts, the more recent one; differences are taken from `now`, so the
// 49.7-day wrap of the tick count does not matter.
std::uint32_t Later(std::uint32_t now, std::uint32_t a, std::uint32_t b) {
    return static_cast<std::uint32_t>(now - a) <= static_cast<std::uint32_t>(now - b) ? a : b;
}

}  // namespace

AutoIdle::AutoIdle(Form& owner, Timer& watch, Timer& timer1, IdleController& controller)
    : p_(owner.platform), owner_(owner), watch_(watch), timer1_(timer1), controller_(controller) {
    watch_.Tick = [this] { tmrAutoIdle_Timer(); };
}

void AutoIdle::SetMinutes(int minutes) {
    minutes_ = minutes > 0 ? minutes : 0;
    tried_.reset();
    // A period started here still ends at the first input, even after "off".
    const bool on = minutes_ > 0 || OwnPeriodRuns();
    watch_.SetEnabled(on);
    owner_.Window().WatchSessionLock(on);
}

bool AutoIdle::OwnPeriodRuns() const {
    return ownPeriod_ && *ownPeriod_ == controller_.Period() && timer1_.Enabled();
}

std::optional<std::uint32_t> AutoIdle::InputFreeSince() {
    if (locked_) return lockedSince_;
    const std::uint32_t now = p_.TickCount();
    std::optional<std::uint32_t> since = p_.LastInputTick();
    if (unlockedAt_) since = since ? Later(now, *since, *unlockedAt_) : *unlockedAt_;
    return since;
}

void AutoIdle::Form_SessionLock(bool locked) {
    // Only noted here: the next tick acts, outside the notification.
    if (locked == locked_) return;
    if (locked) {
        // Input on the lock screen does not end the stretch that the lock continues.
        lockedSince_ = InputFreeSince().value_or(p_.TickCount());
    } else {
        unlockedAt_ = p_.TickCount();
    }
    locked_ = locked;
}

void AutoIdle::StopOwnPeriod() {
    ownPeriod_.reset();
    controller_.picStopUp_Click();
}

void AutoIdle::tmrAutoIdle_Timer() {
    if (starting_) return;  // a tick inside the start's own waits
    const std::optional<std::uint32_t> since = InputFreeSince();
    if (OwnPeriodRuns()) {
        if (since && *since != ownSince_) StopOwnPeriod();
        return;
    }
    ownPeriod_.reset();
    if (minutes_ == 0) {
        watch_.SetEnabled(false);
        owner_.Window().WatchSessionLock(false);
        return;
    }
    if (!since || timer1_.Enabled() || controller_.Busy() || tried_ == since) return;
    const std::uint32_t idleMs = p_.TickCount() - *since;
    if (idleMs < static_cast<std::uint32_t>(minutes_) * kMsPerMinute) return;

    tried_ = since;
    ownSince_ = *since;
    starting_ = true;
    const bool began = controller_.StartUnattended([this] { return (p_.TickCount() - ownSince_) / 1000; },
                                                   [this] { return InputFreeSince() == ownSince_; });
    starting_ = false;
    if (began) ownPeriod_ = controller_.Period();
}

}  // namespace pw
