// Random schedules: a user's life around pellowick, scene after scene (a period started
// and stopped by hand, an absence that automatic idle should notice, the menu, a close
// or a crash and a new start), with the host client, the disk and the machine
// misbehaving in between, often right where it hurts most.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim.h"

namespace pw::sim {
namespace {

class Rng {
  public:
    explicit Rng(std::uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    std::uint64_t Next() {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Real() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    double Between(double lo, double hi) { return lo + (hi - lo) * Real(); }
    // Spread evenly over the orders of magnitude: seconds as often as hours.
    double LogBetween(double lo, double hi) { return lo * std::pow(hi / lo, Real()); }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    bool Chance(double p) { return Real() < p; }

  private:
    std::uint64_t s_;
};

constexpr int kAutoChoices[] = {0, 5, 10, 15, 30};
// Menu items as the simulation names them (see Run).
constexpr int kMenuItems = 12;
constexpr int kFirstAutoItem = 7;

class Generator {
  public:
    explicit Generator(std::uint64_t seed) : r_(seed) { s_.seed = seed; }

    Schedule Make() {
        // Most lives are short; some last a working day.
        s_.length = r_.Chance(0.1) ? r_.Between(4 * 3600, 10 * 3600) : r_.LogBetween(600, 3 * 3600);
        s_.startFiles = r_.Below(6);
        s_.autoMinutes = r_.Chance(0.3) ? kAutoChoices[1 + r_.Below(4)] : 0;
        s_.hostRunning = !r_.Chance(0.05);
        s_.signedOn = !r_.Chance(0.05);
        s_.inRoom = !r_.Chance(0.15);
        auto_ = s_.autoMinutes;
        double t = r_.Between(2, 30);
        while (t < s_.length)
            t = Scene(t) + r_.LogBetween(1, 600);
        Disturbances();
        std::stable_sort(s_.events.begin(), s_.events.end(),
                         [](const Ev& a, const Ev& b) { return a.t < b.t; });
        return s_;
    }

  private:
    void Add(double t, Ev::Kind k, double a = 0, double b = 0, int n = 0, int m = 0) {
        if (t < s_.length) s_.events.push_back({t, k, a, b, n, m});
    }
    // A start or a stop as the user gives it: a click, Enter on the focused button, or
    // the screen reader's default action.
    void Press(double t, bool start) {
        const int how = r_.Below(10);
        if (how < 6)
            Add(t, start ? Ev::ClickStart : Ev::ClickStop);
        else if (how < 8)
            Add(t, Ev::Key, 0, 0, 2);
        else
            Add(t, Ev::Reader, 0, 0, start ? 0 : 1);
    }
    void MenuPick(double t, int item) {
        const double open = r_.LogBetween(0.2, 6);
        Add(t, Ev::Menu, open, r_.LogBetween(0.3, 90), item, r_.Chance(0.5));
    }
    double Scene(double t) {
        switch (r_.Below(10)) {
            case 0:
            case 1:
            case 2:
            case 3:
                return ManualPeriod(t);
            case 4:
            case 5:
                return Absence(t);
            case 6:
            case 7:
                MenuPick(t, r_.Below(kMenuItems));
                return t + 10;
            case 8:
                return Restart(t);
            default:
                return Fidget(t);
        }
    }
    double ManualPeriod(double t) {
        Press(t, true);
        const double length = r_.LogBetween(3, 3 * 3600);
        const double end = t + length;
        // The room may go while idle: the watchdog ends the period, and a box stays open.
        if (r_.Chance(0.2)) Add(t + r_.Between(0, length), Ev::RoomClose);
        const int stop = r_.Below(12);
        if (stop < 8) {
            Press(end, false);
            // The host busy just as the user comes back.
            if (r_.Chance(0.3)) Add(end - r_.Between(0, 3), Ev::Stall, r_.LogBetween(0.5, 25));
        } else {
            Close(end);
        }
        return end + 2;
    }
    // Away from the keyboard: automatic idle (chosen now if not yet) should notice.
    double Absence(double t) {
        if (auto_ == 0 || r_.Chance(0.1)) {
            const int choice = 1 + r_.Below(4);
            MenuPick(t, kFirstAutoItem + choice);
            auto_ = kAutoChoices[choice];
            t += 8;
        }
        Add(t, Ev::Input);
        if (r_.Chance(0.3)) Add(t + r_.Between(1, 60), Ev::Lock);
        const double due = t + auto_ * 60;
        double back = r_.Chance(0.2) ? due + r_.Between(0, 6)  // while the start talks to the host
                                     : due + r_.LogBetween(5, 2 * 3600);
        if (back < due + 8 && r_.Chance(0.6)) Add(due - 1, Ev::Slow, r_.Between(0.3, 1.5), 20);
        Add(back, Ev::Unlock);
        const int how = r_.Below(10);
        if (how < 4)
            Add(back, Ev::Input);
        else if (how < 7)
            Add(back, Ev::Type, 0, 0, static_cast<int>(back));  // the first keys go into the chat
        else if (how < 8)
            Add(back, Ev::FutureInput, r_.Between(0.1, 5));
        else
            Press(back, false);
        return back + 3;
    }
    void Close(double t) {
        const int how = r_.Below(6);
        if (how == 0) Add(t, Ev::ClickClose);
        if (how == 1) MenuPick(t, 6);
        if (how == 2) Add(t, Ev::AltF4);
        if (how == 3) Add(t, Ev::LogOff);
        if (how == 4) Add(t, Ev::QuitMessage);
        if (how == 5) Add(t, Ev::Kill, 0, 0, r_.Below(40));
    }
    double Restart(double t) {
        Close(t);
        const double again = t + r_.LogBetween(1, 900);
        // A backup or a virus scanner holds a statistics file as the program starts.
        if (r_.Chance(0.5))
            Add(again - r_.Between(0, 2), Ev::LockFile, r_.LogBetween(0.2, 3600), 0, r_.Below(2));
        Add(again, Ev::Restart);
        return again + 5;
    }
    double Fidget(double t) {
        const int what = r_.Below(8);
        if (what == 0) Add(t, Ev::Drag, r_.LogBetween(0.2, 30));
        if (what == 1) Add(t, Ev::ClickMinimize);
        if (what == 2) Add(t, Ev::Key, r_.LogBetween(0.05, 2), 0, r_.Below(5), r_.Below(kMenuItems));
        if (what == 3) Add(t, Ev::Reader, r_.LogBetween(0.2, 6), 0, r_.Below(5), r_.Below(kMenuItems));
        if (what == 4) Add(t, Ev::ClickStart);
        if (what == 5) Add(t, Ev::ClickStop);
        if (what == 6) Add(t, Ev::Type, 0, 0, static_cast<int>(t));
        if (what == 7) Add(t, Ev::SendOwn);
        return t + 2;
    }
    // Things that happen whatever the user does, at random times.
    void Disturbances() {
        auto every = [&](double mean, auto add) {
            for (double t = r_.Between(0, mean); t < s_.length; t += r_.LogBetween(mean / 20, mean * 3))
                add(t);
        };
        every(900, [&](double t) { Add(t, Ev::Input); });
        every(1200, [&](double t) { Add(t, Ev::Stall, r_.LogBetween(0.1, 60)); });
        every(2400, [&](double t) {
            const bool afterStall = r_.Chance(0.5);
            if (afterStall) Add(t, Ev::Stall, r_.LogBetween(2, 10));
            Add(t + (afterStall ? 1 : 0), Ev::Slow, r_.Between(0.2, 2), r_.LogBetween(30, 900));
        });
        every(1800, [&](double t) {
            Add(t, Ev::RoomClose);
            if (r_.Chance(0.7)) Add(t + r_.LogBetween(5, 900), Ev::RoomOpen);
        });
        every(600,
              [&](double t) { Add(t, r_.Chance(0.8) ? Ev::Type : Ev::SendOwn, 0, 0, static_cast<int>(t)); });
        every(2400, [&](double t) { Add(t, Ev::LockFile, r_.LogBetween(0.1, 120), 0, r_.Below(2)); });
        every(3600, [&](double t) {
            Add(t, r_.Chance(0.5) ? Ev::ReadOnlyFile : Ev::ReadOnlyFolder, r_.LogBetween(10, 1800), 0,
                r_.Below(2));
        });
        every(2400, [&](double t) { Add(t, Ev::CutSave, 0, 0, 1 + r_.Below(6)); });
        every(4800, [&](double t) { Add(t, Ev::MisreadSave, r_.LogBetween(1, 900)); });
        every(3000, [&](double t) {
            Add(t, Ev::Reader, r_.LogBetween(0.2, 6), 0, r_.Below(5), r_.Below(kMenuItems));
        });
        if (r_.Chance(0.15)) {
            every(4000, [&](double t) {
                Add(t, Ev::SignOff);
                Add(t + r_.LogBetween(5, 600), Ev::SignOn);
            });
        }
        if (r_.Chance(0.1)) {
            const double t = r_.Between(0, s_.length);
            Add(t, r_.Chance(0.5) ? Ev::Hang : Ev::HostExit);
            if (r_.Chance(0.7)) Add(t + r_.LogBetween(10, 1800), Ev::HostStart, 0, 0, r_.Below(4));
        }
        if (!s_.hostRunning) Add(r_.Between(0, s_.length / 2), Ev::HostStart, 0, 0, 3);
        if (r_.Chance(0.12)) {
            Add(r_.Between(0, s_.length / 3), Ev::OtherStart);
            every(1500, [&](double t) { Add(t, Ev::OtherSave, r_.LogBetween(1, 3600)); });
        }
        if (r_.Chance(0.2)) every(5000, [&](double t) { Add(t, Ev::ClockShift, r_.Between(-7200, 7200)); });
        if (r_.Chance(0.1)) Add(r_.Between(0, s_.length), Ev::TickWrap, r_.Between(1, 600));
        if (r_.Chance(0.15)) {
            every(5000, [&](double t) {
                // Sometimes right inside a stall of the host, sometimes for weeks.
                if (r_.Chance(0.3)) Add(t - 2, Ev::Stall, r_.Between(20, 40));
                Add(t, Ev::Sleep, r_.Chance(0.1) ? r_.Between(48, 51) * 86400 : r_.LogBetween(10, 8 * 3600));
            });
        }
        if (r_.Chance(0.1))
            every(2000, [&](double t) {
                Add(t, Ev::Kill, 0, 0, r_.Below(60));
                Add(t + r_.LogBetween(1, 300), Ev::Restart);
            });
    }

    Rng r_;
    Schedule s_;
    int auto_ = 0;
};

}  // namespace

Schedule Generate(std::uint64_t seed) {
    return Generator(seed).Make();
}

const char* KindName(Ev::Kind k) {
    static const char* const names[] = {"click start",
                                        "click stop",
                                        "click close",
                                        "click minimize",
                                        "drag",
                                        "menu",
                                        "key",
                                        "reader",
                                        "Alt+F4",
                                        "log-off",
                                        "quit message",
                                        "kill",
                                        "restart",
                                        "input",
                                        "future input",
                                        "lock",
                                        "unlock",
                                        "type",
                                        "send own",
                                        "stall",
                                        "slow host",
                                        "hang",
                                        "host exit",
                                        "host start",
                                        "room close",
                                        "room open",
                                        "sign off",
                                        "sign on",
                                        "lock file",
                                        "read-only file",
                                        "read-only folder",
                                        "cut save",
                                        "misread save",
                                        "other start",
                                        "other save",
                                        "clock shift",
                                        "tick wrap",
                                        "sleep"};
    static_assert(sizeof names / sizeof names[0] == Ev::kKinds);
    return names[k];
}

std::string Describe(const Ev& e) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%10.3f  %-16s a=%.3g b=%.3g n=%d m=%d", e.t, KindName(e.kind), e.a, e.b,
                  e.n, e.m);
    return buf;
}

}  // namespace pw::sim
