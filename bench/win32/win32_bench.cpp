// Benchmarks of the real backend. Prints `name: value unit` lines (medians); needs
// PW_HOSTSIM for the host-client ones.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>
#include "bench/win32/bare_host.h"
#include "host/bridge.h"
#include "platform/pause.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/hostsim_process.h"
#include "ui/frm_main.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

// A wait should sleep between events, not spin on the clock.
void PauseCpuRatio(pw::Platform& p) {
    std::vector<double> ratios;
    for (int i = 0; i < 3; ++i) {
        double cpu = ProcessCpuSeconds();
        auto start = Clock::now();
        pw::Pause(p, 3);
        ratios.push_back((ProcessCpuSeconds() - cpu) / SecondsSince(start));
    }
    std::printf("pause_cpu_ratio: %.4f ratio\n", Median(ratios));
}

// What the once-a-second watchdog asks of Windows, made directly: the same lookups
// in the same order, then the length and the text of the room.
std::string BareWatchdog() {
    return bare::ReadText(bare::FindChatRoom());
}

// The bridge against the bare calls, interleaved so that drift hits both alike.
void Watchdog(pw::Platform& p) {
    pw::test::HostSimProcess host({"--extra-docs", "20"});
    std::vector<double> bridge, bare;
    bool agree = true;
    pw::HostLink link(p, "");
    for (int i = 0; i < 320; ++i) {
        auto start = Clock::now();
        std::string viaBridge = link.GetText(pw::FindChatRoom(p));
        double a = SecondsSince(start);
        start = Clock::now();
        std::string direct = BareWatchdog();
        double b = SecondsSince(start);
        agree = agree && viaBridge == direct && !direct.empty();
        if (i >= 20) {  // the first rounds warm caches up
            bridge.push_back(a * 1e6);
            bare.push_back(b * 1e6);
        }
    }
    if (!agree) std::fprintf(stderr, "watchdog: the bridge and the bare calls disagree\n");
    std::printf("watchdog_us: %.1f us\n", Median(bridge));
    std::printf("watchdog_floor_us: %.1f us\n", Median(bare));
    std::printf("watchdog_ratio: %.3f ratio\n", Median(bridge) / Median(bare));
}

// Folding a 24-hour idle period: 1,440 + 86,400 + 86,400 steps, each with one pass
// of the event loop.
constexpr int kFoldSteps = 174240;

// What one fold step asks of Windows at the least: one pass of the event loop.
double BareLoopPasses(int passes) {
    auto start = Clock::now();
    for (int i = 0; i < passes; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return SecondsSince(start);
}

// The fold with the main window shown and painting its counters, against as many
// bare passes with the same window on screen: half of them before the fold and half
// after, so that drift hits both alike.
void Fold(pw::Win32Platform& p) {
    pw::FrmMain main(p);
    main.Window().Show();
    double floor = BareLoopPasses(kFoldSteps / 2);
    main.lblHours.SetCaption("24");
    auto start = Clock::now();
    main.LifetimeTotals().FoldIdleIntoTotals(p, main.Counters());
    const double fold = SecondsSince(start);
    floor += BareLoopPasses(kFoldSteps - kFoldSteps / 2);
    if (main.lblTotalDays.Caption() != "01" || main.lblSeconds.Caption() != "00")
        std::fprintf(stderr, "fold: the totals came out wrong\n");
    std::printf("fold_24h_win32_s: %.3f s\n", fold);
    std::printf("fold_floor_s: %.3f s\n", floor);
    std::printf("fold_ratio: %.3f ratio\n", fold / floor);
}

}  // namespace

int main() {
    pw::Win32Platform p;
    PauseCpuRatio(p);
    try {
        Watchdog(p);
        std::fflush(stdout);
        Fold(p);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "win32 bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
