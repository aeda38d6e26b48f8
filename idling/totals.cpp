#include "idling/totals.h"

namespace pw {

Totals::Totals(TotalLabels labels) : t_(labels) {
    t_.seconds.Change = [this] { lblTotalSeconds_Change(); };
    t_.minutes.Change = [this] { lblTotalMinutes_Change(); };
    t_.hours.Change = [this] { lblTotalHours_Change(); };
    t_.days.Change = [this] { lblTotalDays_Change(); };
}

void Totals::lblTotalSeconds_Change() {
    if (FillTwoDigits(t_.seconds)) return;
    // On purpose: seconds carry at 60 or more, minutes and hours only at exactly 60 and 24.
    if (CaptionValue(t_.seconds.Caption()) >= 60) {
        t_.seconds.SetCaption("0");
        AddTo(t_.minutes, 1);
    }
}

void Totals::lblTotalMinutes_Change() {
    if (FillTwoDigits(t_.minutes)) return;
    if (CaptionValue(t_.minutes.Caption()) == 60) {  // exactly 60, on purpose (see the seconds)
        t_.minutes.SetCaption("0");
        AddTo(t_.hours, 1);
    }
}

void Totals::lblTotalHours_Change() {
    if (FillTwoDigits(t_.hours)) return;
    if (CaptionValue(t_.hours.Caption()) == 24) {  // exactly 24, on purpose
        t_.hours.SetCaption("0");
        AddTo(t_.days, 1);
    }
}

void Totals::lblTotalDays_Change() {
    FillTwoDigits(t_.days);
}

namespace {

// One unit at a time from `from` into `to`, the receiver raised before the giver
// is lowered, with a pump before every step.
void Drain(Platform& p, Control& from, Control& to) {
    do {
        p.PumpEvents();
        if (CaptionValue(from.Caption()) == 0) return;
        AddTo(to, 1);
        AddTo(from, -1);
    } while (CaptionValue(from.Caption()) > 0);
}

}  // namespace

void Totals::FoldIdleIntoTotals(Platform& p, IdleCounters idle) {
    idle.hours.SetCaption(NumberText(CaptionValue(idle.hours.Caption()) * 60));
    Drain(p, idle.hours, idle.minutes);
    idle.minutes.SetCaption(NumberText(CaptionValue(idle.minutes.Caption()) * 60));
    Drain(p, idle.minutes, idle.seconds);
    Drain(p, idle.seconds, t_.seconds);
}

}  // namespace pw
