#include "idling/idle_clock.h"

#include "host/bridge.h"
#include "idling/announce.h"
#include "platform/pause.h"

namespace pw {

IdleClock::IdleClock(HostLink& link, IdleCounters counters, Control& version, Timer& timer1,
                     std::function<Control&()> chatLine, std::function<std::uint64_t()> period)
    : p_(counters.seconds.form.platform),
      link_(link),
      c_(counters),
      version_(version),
      timer1_(timer1),
      chatLine_(std::move(chatLine)),
      period_(std::move(period)) {
    c_.seconds.Change = [this] { lblSeconds_Change(); };
    c_.minutes.Change = [this] { lblMinutes_Change(); };
    c_.hours.Change = [this] { lblHours_Change(); };
}

void IdleClock::lblSeconds_Change() {
    if (FillTwoDigits(c_.seconds)) return;
    // Exactly 60, on purpose: the fold drives these counters far past 59 with the clock stopped.
    if (CaptionValue(c_.seconds.Caption()) == 60 && timer1_.Enabled()) {
        c_.seconds.SetCaption("0");
        AddTo(c_.minutes, 1);
    }
}

void IdleClock::lblMinutes_Change() {
    if (FillTwoDigits(c_.minutes)) return;
    if (!timer1_.Enabled()) return;
    if (CaptionValue(c_.minutes.Caption()) == 60) {
        // The run for the resulting "00" posts this minute, with the hours advanced.
        AddTo(c_.hours, 1);
        c_.minutes.SetCaption("0");
    } else {
        PostIdleMinute();
    }
}

void IdleClock::lblHours_Change() {
    FillTwoDigits(c_.hours);
}

void IdleClock::PostIdleMinute() {
    std::optional<std::string> current = link_.ReadText(FindChatInput(p_));
    // A host that did not answer may hold text the user is typing: hold this minute
    // back and touch nothing, as for a user who is typing.
    if (!current) return;
    Control& saved = chatLine_();
    if (!current->empty() && *current != saved.Caption()) {
        // The user is typing: hold this minute back rather than trash the text.
        saved.SetCaption(*current);
        return;
    }
    link_.ClearChatInput();
    const std::uint64_t period = period_(), post = ++minutePosts_;
    Pause(p_, kPauseBeforeLine);
    // A stop (or a stop and a new start) ran during the pause: this minute belongs
    // to a period that is over. Or a box held the pause open while later minutes went
    // out: this one is stale.
    if (period != period_() || post != minutePosts_) {
        link_.PutBackUserText();
        return;
    }
    std::string minutes = IdleMinutesText(c_.hours.Caption(), c_.minutes.Caption());
    // What the user had in the box goes back after the line; left alone for another
    // minute, it is no typing.
    std::string putBack;
    link_.SendChat(IdleLine(version_.Caption(), minutes), &putBack);
    saved.SetCaption(putBack);
}

}  // namespace pw
