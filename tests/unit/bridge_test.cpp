#include <gtest/gtest.h>

#include "fake_host.h"
#include "host/bridge.h"
#include "platform/pause.h"

namespace pw {
namespace {

using fake::FakeHost;
using fake::FakePlatform;
using fake::Message;

Hwnd AddRoomLike(FakePlatform& p, Hwnd mdi, std::vector<const char*> parts, bool top = true) {
    Hwnd w = top ? p.AddWindowOnTop(mdi, "AOL Child", "Room") : p.AddWindow(mdi, "AOL Child", "Room");
    for (const char* cls : parts)
        p.AddWindow(w, cls);
    return w;
}

TEST(Discovery, NothingRunning) {
    FakePlatform p;
    EXPECT_EQ(FindHostFrame(p), 0u);
    EXPECT_EQ(FindChatRoom(p), 0u);
    EXPECT_EQ(FindChatInput(p), 0u);
    EXPECT_EQ(GetText(p, 0), "");
    EXPECT_EQ(GetScreenName(p), "");
    SendChat(p, "abc");
    RunKeyword(p, "abc");
    MinimizeHost(p);
    EXPECT_TRUE(p.messages.empty());
}

TEST(Discovery, TopmostRoomWinsAndAllFivePartsMustBeDirectChildren) {
    FakePlatform p;
    FakeHost host(p);
    Hwnd lower = host.room;
    Hwnd upper = host.OpenRoom("Second");
    EXPECT_EQ(FindChatRoom(p), upper);
    // Documents above the rooms that lack a part (or hold it only as a grandchild) are skipped.
    AddRoomLike(p, host.mdi, {"RICHCNTL", "RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox"});
    Hwnd nested = AddRoomLike(p, host.mdi, {"RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox"});
    p.AddWindow(p.FindChildWindow(nested, 0, "_AOL_Icon"), "_AOL_Static");
    EXPECT_EQ(FindChatRoom(p), upper);
    p.RemoveWindow(upper);
    EXPECT_EQ(FindChatRoom(p), lower);
}

TEST(Discovery, InputIsTheSecondRichControl) {
    FakePlatform p;
    FakeHost host(p, true, false);
    Hwnd single =
        AddRoomLike(p, host.mdi, {"RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox", "_AOL_Static"});
    EXPECT_EQ(FindChatRoom(p), single);
    EXPECT_EQ(FindChatInput(p), 0u);
    ClearChatInput(p);
    SendChat(p, "abc");
    EXPECT_TRUE(p.messages.empty());
    host.OpenRoom("Lobby");
    EXPECT_EQ(FindChatInput(p), host.input);
}

TEST(Discovery, ScreenNameFromTheWelcomeCaption) {
    struct Case {
        const char* caption;
        const char* name;
    } cases[] = {
        {"Welcome, Name1!", "Name1"},   {"Welcome, Name1! Hi!", "Name1"}, {"Welcome, !", ""},
        {"Hello. Welcome, Name1!", ""}, {"welcome, Name1!", ""},          {"Welcome, NoBang", "NoBang"},
    };
    for (auto& c : cases) {
        FakePlatform p;
        FakeHost host(p, false);
        p.AddWindow(host.mdi, "AOL Child", c.caption);  // below the room, not the topmost document
        EXPECT_EQ(GetScreenName(p), c.name) << c.caption;
    }
}

// Lying lengths are tried on real windows by the Win32 tests; here, the buffer
// offered and a host that does not answer.
TEST(GetText, BoundsTheBufferAndGivesNothingWhenHung) {
    FakePlatform p;
    Hwnd w = p.AddWindow(0, "X", "hello");
    p.At(w).lyingLength = 1LL << 40;
    EXPECT_EQ(GetText(p, w), "hello");
    ASSERT_EQ(p.messages.size(), 2u);
    EXPECT_LE(p.messages[1].code, kMaxHostText + 1);
    p.At(w).hung = true;
    EXPECT_EQ(GetText(p, w), "");
}

TEST(Actions, SendChatSetsTextThenEnterInAnsi) {
    FakePlatform p;
    FakeHost host(p);
    p.messages.clear();
    SendChat(p,
             "a\xC2\xB7"
             "b");
    std::vector<Message> expected = {{Message::SetText, host.input,
                                      "a\xB7"
                                      "b",
                                      0},
                                     {Message::Char, host.input, {}, 13}};
    EXPECT_EQ(p.messages, expected);
    EXPECT_EQ(host.posts, std::vector<std::string>{"a\xC2\xB7"
                                                   "b"});
    p.messages.clear();
    SendChat(p, "");
    EXPECT_EQ(p.messages.size(), 2u);
}

TEST(Actions, RunKeywordTypesIntoTheAddressBoxOnly) {
    FakePlatform p;
    FakeHost host(p);
    p.messages.clear();
    RunKeyword(p, "aol://x");
    std::vector<Message> expected = {{Message::SetText, host.address, "", 0},
                                     {Message::SetText, host.address, "aol://x", 0},
                                     {Message::Char, host.address, {}, 32},
                                     {Message::Char, host.address, {}, 13}};
    EXPECT_EQ(p.messages, expected);
}

// How long Pause(s) lasts when called at a given clock reading, and whether it pumped.
struct PauseRun {
    double lasted;
    int pumps;
};
PauseRun RunPause(double at, int seconds) {
    FakePlatform p;
    p.pumpCost = 0.001;
    p.now = at;
    Pause(p, seconds);
    return {p.now - at, p.pumps};
}

TEST(Pause, StartsFromTheRoundedSecond) {
    EXPECT_NEAR(RunPause(100.4, 1).lasted, 0.6, 0.01);
    EXPECT_NEAR(RunPause(100.6, 1).lasted, 1.4, 0.01);
    EXPECT_NEAR(RunPause(100.5, 1).lasted, 0.5, 0.01);  // ties go to the even second
    EXPECT_NEAR(RunPause(101.5, 1).lasted, 1.5, 0.01);
    EXPECT_EQ(RunPause(100.3, 0).pumps, 0);
    EXPECT_NEAR(RunPause(100.6, 0).lasted, 0.4, 0.01);
    EXPECT_EQ(RunPause(100.6, -5).pumps, 0);
}

TEST(Pause, CrossingMidnightEndsAfterItsDuration) {
    EXPECT_NEAR(RunPause(86399.2, 2).lasted, 1.8, 0.02);
    EXPECT_NEAR(RunPause(86399.7, 1).lasted, 1.3, 0.02);
}

TEST(Pause, AClockSetBackCountsAsNoTime) {
    FakePlatform p;
    p.now = 7200.2;                        // start: 7200
    p.At(7200.5, [&] { p.now -= 3600; });  // daylight saving ends during the wait
    Pause(p, 2);
    // Not an hour more: at most the one reading interval in which the clock jumped.
    const double lasted = p.now + 3600 - 7200.2;
    EXPECT_GE(lasted, 1.8);
    EXPECT_LT(lasted, 2.5);
}

}  // namespace
}  // namespace pw
