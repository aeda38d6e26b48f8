#include "idling/auto_idle.h"

#include <algorithm>

namespace pw {
namespace {

constexpr std::uint32_t kMsPerMinute = 60'000;

// Tick counts are compared by their distance back from `now`, so that the 49.7-day wrap
// of the tick count does not matter.
std::uint32_t Back(std::uint32_t now, std::uint32_t t) {
    return now - t;
}

// Of two tick counts, the more recent one.
std::uint32_t Later(std::uint32_t now, std::uint32_t a, std::uint32_t b) {
    return Back(now, a) <= Back(now, b) ? a : b;
}

// A stamp "ahead" of now by less than half the wrap: input that supplied its own time.
bool Ahead(std::uint32_t now, std::uint32_t t) {
    return t != now && Back(now, t) > 0x80000000u;
}

}  // namespace

AutoIdle::AutoIdle(Form& owner, Timer& watch, Timer& timer1, IdleController& controller, TotalsStore& store)
    : p_(owner.platform),
      owner_(owner),
      watch_(watch),
      timer1_(timer1),
      controller_(controller),
      store_(store),
      startedAwake_(p_.AwakeSeconds()),
      lastTick_(p_.TickCount()),
      lastAwake_(startedAwake_) {
    watch_.Tick = [this] { tmrAutoIdle_Timer(); };
}

void AutoIdle::Choose(int minutes) {
    store_.ChooseAutoIdle(minutes);
    Apply();
}

void AutoIdle::Apply() {
    tried_.reset();
    // A period started here, or being started, still ends at the first input, even
    // after "off": the lock too must still be heard of.
    Watch(Minutes() > 0 || OwnPeriodRuns() || starting_);
}

void AutoIdle::Watch(bool on) {
    watch_.SetEnabled(on);
    owner_.Window().WatchSessionLock(on);
    // Unheard of while off, an unlock would leave the session locked here for good.
    if (!on) locked_ = false;
}

bool AutoIdle::OwnPeriodRuns() const {
    return ownPeriod_ && *ownPeriod_ == controller_.Period() && timer1_.Enabled();
}

std::optional<std::uint32_t> AutoIdle::InputFreeSince() {
    if (locked_) return lockedSince_;
    const std::uint32_t now = p_.TickCount();
    std::optional<std::uint32_t> since = p_.LastInputTick();
    // Input that came with a time stamp of its own from the future happened now.
    if (since && Ahead(now, *since)) since = now;
    if (unlockedAt_) {
        // Input after the unlock makes the unlock old news: kept, its tick would one day
        // come round again and look like fresh input.
        if (since && *since != *unlockedAt_ && Later(now, *since, *unlockedAt_) == *since)
            unlockedAt_.reset();
        else
            since = *unlockedAt_;
    }
    return since;
}

// A stretch in which an idle period ran is used up: its time is counted already. One
// that began with the input that ended a period is new; the watchdog's end is no input.
bool AutoIdle::Used(std::uint32_t since) const {
    const std::uint32_t now = p_.TickCount();
    const auto began = controller_.LastBegin();
    const auto cut = controller_.LastWatchdogEnd();
    return (began && Later(now, since, *began) == *began) || (cut && Later(now, since, *cut) == *cut) ||
           tried_ == since;
}

// Sleep is seen between two looks as more ticks than time awake; a look is made every
// second while the mode is on, and as the machine wakes. For a stretch that began since
// the last look, when in between it slept cannot be told: it is taken to be in the
// stretch, as far as the stretch's age allows, so that the time away is never too long.
void AutoIdle::NoteSleep(std::optional<std::uint32_t> since) {
    const std::uint32_t tick = p_.TickCount();
    const double awake = p_.AwakeSeconds();
    const double gap = std::max(0.0, Back(tick, lastTick_) / 1000.0 - (awake - lastAwake_));
    if (gap > 0.5) slept_ += gap;
    if (since != sleepStretch_) {
        sleepStretch_ = since;
        const double age = since ? Back(tick, *since) / 1000.0 : 0;
        sleptBefore_ = slept_ - (gap > 0.5 ? std::min(age, gap) : 0.0);
    }
    asleep_ = slept_ - sleptBefore_;
    lastTick_ = tick;
    lastAwake_ = awake;
}

// Time counted already stays out: before this run, and before the last period ended.
double AutoIdle::AwaySeconds(std::uint32_t since) {
    NoteSleep(since);  // the machine may have slept in the start's own waits
    const double now = p_.AwakeSeconds();
    const double away = Back(p_.TickCount(), since) / 1000.0 - asleep_;
    return std::clamp(away, 0.0,
                      now - std::max(startedAwake_, controller_.LastEnd().value_or(startedAwake_)));
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
    NoteSleep(since);
    if (OwnPeriodRuns()) {
        if (since && *since != ownSince_) StopOwnPeriod();
        return;
    }
    ownPeriod_.reset();
    const int minutes = Minutes();
    if (minutes == 0) return Watch(false);
    if (!since || timer1_.Enabled() || controller_.Busy() || Used(*since)) return;
    if (Back(p_.TickCount(), *since) - asleep_ * 1000 < static_cast<double>(minutes) * kMsPerMinute) return;

    tried_ = since;
    ownSince_ = *since;
    starting_ = true;
    const bool began = controller_.StartUnattended([this] { return AwaySeconds(ownSince_); },
                                                   [this] { return InputFreeSince() == ownSince_; });
    starting_ = false;
    if (began) ownPeriod_ = controller_.Period();
}

}  // namespace pw
