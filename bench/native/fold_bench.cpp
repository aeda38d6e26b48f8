// Native benchmarks of the portable logic on the fake platform.
// Prints `name: value unit` lines (medians of several runs).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "ui/frm_main.h"

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Folding a 24-hour idle period: 1,440 + 86,400 + 86,400 = 174,240 steps.
double FoldDay() {
    pw::fake::FakePlatform p;
    pw::FrmMain main(p);
    main.lblHours.SetCaption("24");
    auto start = std::chrono::steady_clock::now();
    main.LifetimeTotals().FoldIdleIntoTotals(p, main.Counters());
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (main.lblTotalDays.Caption() != "01" || p.pumps != 174240) std::fprintf(stderr, "fold went wrong\n");
    return took.count();
}

}  // namespace

int main() {
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i)
        runs.push_back(FoldDay());
    std::printf("fold_24h_s: %.4f s\n", Median(runs));
}
