// The bridge through the real backend, against a live hostsim in another process.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "host/bridge.h"
#include "tests/win32/hostsim_process.h"

namespace pw {
namespace {

using test::Has;
using test::HostSimProcess;
using test::Payloads;
using test::WaitFor;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(HostBridge, FindsTheWindowsOfALiveHost) {
    HostSimProcess host({"--user", "Name1", "--extra-docs", "20"});
    Win32Platform p;
    HostLink link(p, "");
    EXPECT_EQ(FindHostFrame(p), host.Frame());
    Hwnd room = FindChatRoom(p);
    ASSERT_NE(room, 0u);
    EXPECT_EQ(link.GetText(room), "Lobby 1");
    EXPECT_NE(FindChatInput(p), 0u);
    EXPECT_EQ(link.GetScreenName(), "Name1");
}

TEST(HostBridge, RunKeywordOpensAPrivateRoom) {
    HostSimProcess host({"--no-room"});
    Win32Platform p;
    HostLink link(p, "");
    ASSERT_EQ(FindChatRoom(p), 0u);
    link.RunKeyword("aol://2719:2-2-pellowick%200");
    ASSERT_TRUE(WaitFor([&] { return FindChatRoom(p) != 0; }, 5));
    EXPECT_EQ(link.GetText(FindChatRoom(p)), "pellowick 0");
}

TEST(HostBridge, AHungHostCostsOneBoundedWaitPerAction) {
    HostSimProcess host({"--hang-after", "300"});
    Win32Platform p;
    HostLink link(p, "");
    ASSERT_TRUE(host.WaitForLog(Has("HANG"), 10));
    Hwnd room = FindChatRoom(p);  // lookups need no answer from the host's thread
    ASSERT_NE(room, 0u);

    const double bound = kHostAnswerMs / 1000.0 + 1.0;
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"GetText", [&] { EXPECT_EQ(link.GetText(room), ""); }},
        {"SendChat", [&] { link.SendChat("late line"); }},
        {"ClearChatInput", [&] { link.ClearChatInput(); }},
        {"RunKeyword", [&] { link.RunKeyword("aol://2719:2-2-pellowick%201"); }},
        {"MinimizeHost", [&] { link.MinimizeHost(); }},
        {"MaximizeHost", [&] { link.MaximizeHost(); }},
    };
    for (const auto& [name, run] : actions) {
        auto start = Clock::now();
        run();
        EXPECT_LT(SecondsSince(start), bound) << name;
    }
}

TEST(HostBridge, NoEnterFollowsATextThatTimedOut) {
    // The host wakes soon after the text times out: an Enter sent then would post.
    HostSimProcess host({"--hang-after", "300", "--hang-for", "3000"});
    Win32Platform p;
    HostLink link(p, "");
    ASSERT_TRUE(host.WaitForLog(Has("HANG"), 10));
    link.SendChat("late line");
    // Messages are handled in the order sent, so once this one is answered the log
    // holds whatever came before it.
    ASSERT_TRUE(WaitFor([&] { return p.SendGetTextLength(host.Frame(), kHostAnswerMs).has_value(); }, 20));
    for (const char* event : {"CHAR", "POST"})
        EXPECT_EQ(Payloads(host.Log(), event), std::vector<std::string>{}) << event;
}

}  // namespace
}  // namespace pw
