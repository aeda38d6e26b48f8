// Runs the simulation over a range of seeds on every core, prints what was covered,
// and for a failure the shortest schedule that still shows it, with its trace.
//
// PW_SIM_SEED       first seed (default 1)
// PW_SIM_SCHEDULES  how many schedules (default 2000)
// PW_SIM_REPLAY     replay this one seed and print its whole trace
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "sim.h"

namespace pw::sim {
namespace {

std::uint64_t FromEnv(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

void Print(const Schedule& s, const Outcome& o) {
    std::printf("seed %llu: %s broke at %.3f s: %s\n", static_cast<unsigned long long>(s.seed),
                o.invariant.c_str(), o.at, o.message.c_str());
    std::printf("schedule (%zu events; files %d, auto idle %d, host %s%s%s):\n", s.events.size(),
                s.startFiles, s.autoMinutes, s.hostRunning ? "running" : "not running",
                s.signedOn ? "" : ", signed out", s.inRoom ? "" : ", no room");
    for (const Ev& e : s.events)
        std::printf("  %s\n", Describe(e).c_str());
    std::printf("what the run saw:\n");
    for (const std::string& line : o.trace)
        std::printf("  %s\n", line.c_str());
}

TEST(Simulation, EveryPromiseHoldsInEverySchedule) {
    if (const char* replay = std::getenv("PW_SIM_REPLAY")) {
        const Schedule s = Generate(std::strtoull(replay, nullptr, 10));
        const Outcome o = sim::Run(s, true);
        Print(s, o);
        EXPECT_TRUE(o.ok);
        return;
    }
    const std::uint64_t first = FromEnv("PW_SIM_SEED", 1);
    const std::uint64_t count = FromEnv("PW_SIM_SCHEDULES", 2000);
    const auto started = std::chrono::steady_clock::now();

    std::atomic<std::uint64_t> next{first};
    std::mutex mu;
    double hours = 0;
    long periods = 0, starts = 0;
    std::map<std::string, long> seen;
    std::vector<std::pair<std::uint64_t, Outcome>> failures;
    auto work = [&] {
        for (std::uint64_t seed; (seed = next++) < first + count;) {
            Outcome o = sim::Run(Generate(seed));
            std::lock_guard<std::mutex> lock(mu);
            hours += o.awakeHours;
            periods += o.periods;
            starts += o.restarts;
            for (auto& [what, n] : o.seen)
                seen[what] += n;
            if (!o.ok) failures.emplace_back(seed, std::move(o));
        }
    };
    std::vector<std::thread> workers;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < cores; ++i)
        workers.emplace_back(work);
    for (auto& w : workers)
        w.join();
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::printf(
        "simulation: seeds %llu to %llu, %llu schedules, %.0f simulated hours awake, %ld idle periods, "
        "%ld program starts, in %.1f s on %u cores\n",
        static_cast<unsigned long long>(first), static_cast<unsigned long long>(first + count - 1),
        static_cast<unsigned long long>(count), hours, periods, starts, took, cores);
    std::printf("covered:");
    int column = 0;
    for (auto& [what, n] : seen)
        std::printf("%s%s %ld", column++ % 6 ? ", " : "\n  ", what.c_str(), n);
    std::printf("\n");

    std::sort(failures.begin(), failures.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < failures.size() && i < 200; ++i)
        std::printf("FAILED seed %llu: %s: %s\n", static_cast<unsigned long long>(failures[i].first),
                    failures[i].second.invariant.c_str(), failures[i].second.message.c_str());
    if (!failures.empty()) {
        if (!std::getenv("PW_SIM_NO_SHRINK")) {
            const Schedule s = Generate(failures.front().first);
            const Schedule small = Shrink(s, failures.front().second);
            Print(small, sim::Run(small, true));
        }
        ADD_FAILURE() << failures.size() << " of " << count << " schedules broke a promise; replay one with "
                      << "PW_SIM_REPLAY=" << failures.front().first;
    }
}

}  // namespace
}  // namespace pw::sim
