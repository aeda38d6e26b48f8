// The timed waits between actions: they pump the event loop until the time is up, so
// every handler may run in the middle of the caller.
#pragma once

#include "platform/platform.h"

namespace pw {

// Waits `seconds` while pumping events; the start is the clock rounded to the
// nearest second (ties to even), so a call lasts seconds ± 0.5.
void Pause(Platform& p, int seconds);

// Waits `seconds` of time awake while pumping events: for a host or a file to come back.
void WaitAwake(Platform& p, double seconds);

}  // namespace pw
