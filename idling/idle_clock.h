// The idle clock: three counter labels whose change rules fill to two digits,
// carry seconds into minutes and minutes into hours while Timer1 runs, and post
// the "idle" line at every new minute unless the user is typing.
#pragma once

#include <cstdint>
#include <functional>

#include "host/bridge.h"
#include "platform/forms.h"

namespace pw {

struct IdleCounters {
    Control& hours;
    Control& minutes;
    Control& seconds;
};

class IdleClock {
  public:
    // `chatLine` reaches the saved chat text (creating its hidden form on first use);
    // what `period` returns changes whenever an idle period starts or stops.
    IdleClock(HostLink& link, IdleCounters counters, Control& version, Timer& timer1,
              std::function<Control&()> chatLine, std::function<std::uint64_t()> period);

    void lblSeconds_Change();
    void lblMinutes_Change();
    void lblHours_Change();

  private:
    void PostIdleMinute();

    Platform& p_;
    HostLink& link_;
    IdleCounters c_;
    Control& version_;
    Timer& timer1_;
    std::function<Control&()> chatLine_;
    std::function<std::uint64_t()> period_;
    std::uint64_t minutePosts_ = 0;  // minute lines begun
};

// Writes value + delta into a counter caption as plain decimal text. On purpose there
// is no integer beside the caption: the caption is the counter, and its Change
// handler (the carries) runs inside this write.
inline void AddTo(Control& counter, double delta) {
    counter.SetCaption(NumberText(CaptionValue(counter.Caption()) + delta));
}

// The two-digit fill every counter applies: true when it rewrote the caption.
inline bool FillTwoDigits(Control& counter) {
    if (!NeedsFill(counter.Caption())) return false;
    counter.SetCaption("0" + counter.Caption());
    return true;
}

}  // namespace pw
