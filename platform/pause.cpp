#include "platform/pause.h"

#include <cmath>

namespace pw {
namespace {

constexpr double kDay = 86400;

// Seconds since a pause began, read from the time-of-day clock. The clock wraps at
// midnight and may be set back (daylight saving, a manual change); a wait must
// still end after its duration, so time is accumulated reading by reading and a
// step back counts as no time, not as a day or an hour to wait out.
class PauseClock {
  public:
    explicit PauseClock(Platform& p) : p_(p), last_(p.ClockSeconds()) {
        // The start is the clock rounded to the nearest second, ties to even.
        elapsed_ = last_ - std::nearbyint(static_cast<double>(last_));
    }
    double Read() {
        double now = p_.ClockSeconds();
        double step = now - last_;
        if (step < -kDay / 2) step += kDay;  // past midnight
        if (step > 0) elapsed_ += step;
        last_ = now;
        return elapsed_;
    }

  private:
    Platform& p_;
    double last_;
    double elapsed_;
};

}  // namespace

void Pause(Platform& p, int seconds) {
    if (seconds < 0) return;
    PauseClock clock(p);
    if (clock.Read() >= seconds) return;
    for (;;) {
        p.PumpEvents();
        double elapsed = clock.Read();
        if (elapsed >= seconds) return;
        // Sleep until a message arrives or the time is up, instead of spinning.
        p.WaitForEvents(seconds - elapsed);
    }
}

void WaitAwake(Platform& p, double seconds) {
    const double until = p.AwakeSeconds() + seconds;
    for (;;) {
        p.PumpEvents();
        const double left = until - p.AwakeSeconds();
        if (left <= 0) return;
        p.WaitForEvents(left);
    }
}

}  // namespace pw
