// A whole pellowick on the fake platform: the main window over a fake host client.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "fake_host.h"
#include "ui/frm_main.h"
#include "ui/frm_menu.h"

namespace pw::testing {

struct App {
    // `tickOffset` moves the tick count's wrap where a test wants it, before the start.
    explicit App(bool signedOn = true, bool inRoom = true, std::uint32_t tickOffset = 0)
        : host(p, signedOn, inRoom), ticks((p.tickOffset = tickOffset)) {}
    fake::FakePlatform p;
    fake::FakeHost host;
    std::uint32_t ticks;
    FrmMain main{p};

    fake::FakeFormWindow& win() { return *p.WindowOf(main); }
    // A user click: only a shown control can be clicked, and a click is input.
    void Click(Control& c) {
        ASSERT_TRUE(c.Shown()) << c.name;
        p.Input();
        if (c.MouseDown) c.MouseDown(kLeftButton);
        if (c.MouseUp) c.MouseUp(kLeftButton);
        if (c.Click) c.Click();
    }
    // Runs `f` and reports whether the program ended.
    template <typename F>
    bool Ends(F f) {
        try {
            f();
        } catch (const fake::ProgramEnded&) {
            return true;
        }
        return false;
    }
    std::string Idle() const {
        return main.lblHours.Caption() + "/" + main.lblMinutes.Caption() + "/" + main.lblSeconds.Caption();
    }
    std::string Totals() const {
        return main.lblTotalDays.Caption() + " " + main.lblTotalHours.Caption() + " " +
               main.lblTotalMinutes.Caption() + " " + main.lblTotalSeconds.Caption();
    }
    // The posted lines, each shortened to what follows the signature.
    std::vector<std::string> Said() const {
        std::vector<std::string> out;
        for (auto& line : host.posts)
            out.push_back(line.substr(line.rfind("-|- <b>") + 7));
        return out;
    }
    std::string File(const std::string& path) {
        auto* f = p.FindFile(path);
        return f ? f->bytes : "<none>";
    }
};

inline std::string Idle(int minutes) {
    return "idle</b> \xC2\xB7 " + std::to_string(minutes) + " -|";
}
inline std::string NowIdle(int minutes) {
    return "now idle</b> \xC2\xB7 " + std::to_string(minutes) + " -|";
}
inline std::string NotIdle(int minutes) {
    return "not idle</b> \xC2\xB7 " + std::to_string(minutes) + " -|";
}
// A statistics file; one this run saved also carries its generation, the saves it
// includes (this run's, then `more`) and what the run counted itself (by default, all).
inline std::string Stats(const char* s, const char* m, const char* h, const char* d, int generation = -1,
                         long own = -1, const std::string& more = "") {
    std::string file = std::string("[Stats]\r\nSeconds=") + s + "\r\nMinutes=" + m + "\r\nHours=" + h +
                       "\r\nDays=" + d + "\r\n";
    if (generation < 0) return file;
    const long total = std::stol(s) + 60 * std::stol(m) + 3600 * std::stol(h) + 86400 * std::stol(d);
    const std::string save = "4242.43200000:" + std::to_string(generation) + ":";
    return file + "Generation=" + std::to_string(generation) + "\r\nIncludes=" + save +
           std::to_string(total) + more + "\r\nCounted=" + save + std::to_string(own < 0 ? total : own) +
           "\r\n";
}

}  // namespace pw::testing
