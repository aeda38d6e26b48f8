// The whole program, on the fake platform and a fake host client, through a random
// schedule of what happens in a user's life, with its promises checked after every
// step. One seed decides everything, so a failing seed replays exactly.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pw::sim {

// One thing that happens, at a simulated time (seconds from the schedule's start).
struct Ev {
    // clang-format off
    enum Kind {
        // The user at pellowick's window (delivered like input: only when it can be).
        ClickStart, ClickStop, ClickClose, ClickMinimize, Drag, Menu, Key, Reader, AltF4,
        // Closes from outside, and the process.
        LogOff, QuitMessage, Kill, Restart,
        // The user elsewhere.
        Input, FutureInput, Lock, Unlock, Type, SendOwn,
        // The host client.
        Stall, Slow, Hang, HostExit, HostStart, RoomClose, RoomOpen, SignOff, SignOn,
        // The disk, and another session of pellowick on the same machine.
        LockFile, ReadOnlyFile, ReadOnlyFolder, CutSave, MisreadSave, OtherStart, OtherSave,
        // The machine.
        ClockShift, TickWrap, Sleep,
        kKinds
    };
    // clang-format on
    double t = 0;
    Kind kind = Input;
    double a = 0, b = 0;  // durations, amounts
    int n = 0;            // which item, key, part or file
    int m = 0;            // a menu item picked after it, or a box's answer
    bool operator==(const Ev&) const = default;
};

struct Schedule {
    std::uint64_t seed = 0;
    double length = 0;    // seconds the world runs
    int startFiles = 0;   // which statistics files exist before the first start
    int autoMinutes = 0;  // stored automatic-idle choice at the first start
    bool hostRunning = true, signedOn = true, inRoom = true;
    std::vector<Ev> events;  // in time order
};

struct Outcome {
    bool ok = true;
    std::string invariant;  // which promise broke: time, copies, truth, text, control, crash
    std::string message;
    double at = 0;
    std::vector<std::string> trace;  // what happened, as the run saw it (when asked for)
    double awakeHours = 0;
    int periods = 0, restarts = 0;
    std::map<std::string, int> seen;  // events delivered, by kind, and other things that happened
};

Schedule Generate(std::uint64_t seed);
Outcome Run(const Schedule& s, bool trace = false);
// The smallest schedule (by its events) that still breaks the same promise.
Schedule Shrink(const Schedule& s, const Outcome& failure);
std::string Describe(const Ev& e);
const char* KindName(Ev::Kind k);

}  // namespace pw::sim
