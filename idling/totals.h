// Lifetime totals: four counter labels that keep two digits and carry a full
// minute, hour or day upward, and the fold that moves a finished idle period into
// them one unit at a time.
#pragma once

#include "idling/idle_clock.h"
#include "platform/forms.h"

namespace pw {

struct TotalLabels {
    Control& days;
    Control& hours;
    Control& minutes;
    Control& seconds;
};

class Totals {
  public:
    explicit Totals(TotalLabels labels);

    void lblTotalSeconds_Change();
    void lblTotalMinutes_Change();
    void lblTotalHours_Change();
    void lblTotalDays_Change();

    // Moves the idle counters into the totals, pumping events before every step;
    // the idle counters end at "00". Timer1 must be disabled.
    void FoldIdleIntoTotals(Platform& p, IdleCounters idle);

    const TotalLabels& Labels() const { return t_; }

  private:
    TotalLabels t_;
};

}  // namespace pw
