// A host that stops answering for a while and then goes on: reads say "unknown"
// rather than "empty", nobody acts on a guess, and no wait piles up.
#include "app_fixture.h"
#include "host/bridge.h"

namespace pw {
namespace {

using fake::FakeHost;
using fake::FakePlatform;
using testing::App;
using testing::Idle;
using testing::NotIdle;
using testing::NowIdle;

constexpr double kBound = kHostAnswerMs / 1000.0;
constexpr double kProbe = kSilentProbeMs / 1000.0;

TEST(BusyHost, ReadsTellNoAnswerFromNoText) {
    FakePlatform p;
    FakeHost host(p);
    host.Stall(5);
    double start = p.now;
    EXPECT_EQ(ReadText(p, host.room), std::nullopt);
    EXPECT_NEAR(p.now - start, kBound, 1e-9);  // the first silence costs the full wait
    start = p.now;
    EXPECT_EQ(ReadText(p, host.room), std::nullopt);
    EXPECT_NEAR(p.now - start, kProbe, 1e-9);  // after that, a probe
    EXPECT_NEAR(HostSilentFor(p), kBound + kProbe, 1e-9);
    EXPECT_EQ(GetText(p, host.room), "");
    EXPECT_EQ(ReadText(p, 0), "");
    p.now += 5;
    EXPECT_EQ(ReadText(p, host.room), "Lobby 1");
    EXPECT_EQ(HostSilentFor(p), 0);
    // A window that is gone is no text, not "unknown".
    Hwnd room = host.room;
    host.CloseRoom();
    EXPECT_EQ(ReadText(p, room), "");
}

TEST(BusyHost, NoWriteIsLeftWaitingOnASilentHost) {
    FakePlatform p;
    FakeHost host(p);
    p.At(host.input).text = "half typed";
    host.Stall(10);
    ASSERT_EQ(ReadText(p, host.input), std::nullopt);  // the host is known to be silent now
    p.messages.clear();
    ClearChatInput(p);
    SendChat(p, "line");
    p.RunFor(20);  // the host wakes and handles what waited
    EXPECT_EQ(p.At(host.input).text, "half typed");
    EXPECT_TRUE(host.posts.empty());
    for (const auto& m : p.messages)
        EXPECT_EQ(m.kind, fake::Message::GetTextLength);
}

TEST(BusyHost, ScreenNameSearchSharesOneWait) {
    struct Case {
        const char* what;
        bool welcomeAnswers;
        std::optional<std::string> name;
    } cases[] = {{"all silent", false, std::nullopt}, {"only the documents below it silent", true, "Tester"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform p;
        FakeHost host(p);
        for (int i = 0; i < 20; ++i) {
            p.AddWindowOnTop(host.mdi, "AOL Child", "Doc");
            p.At(p.AddWindow(host.mdi, "AOL Child", "Doc")).silentUntil = p.now + 100;
        }
        if (!c.welcomeAnswers) host.Stall(100);
        const double start = p.now;
        EXPECT_EQ(ReadScreenName(p), c.name);
        EXPECT_LE(p.now - start, kBound + 0.01);
    }
}

TEST(BusyHost, AStallWhileIdleLeavesNoTrace) {
    App a;
    a.Click(a.main.picStartUp);
    a.p.RunFor(20);
    a.host.Stall(15);
    // A click during the stall is answered within one bounded wait.
    double clicked = 0;
    a.p.After(6, [&] { clicked = a.p.now; });
    const double due = a.p.now + 6;
    a.p.RunFor(30);
    EXPECT_LE(clicked - due, kBound + 0.05);
    EXPECT_TRUE(a.p.boxes.empty());
    EXPECT_TRUE(a.main.Timer1.Enabled());
    EXPECT_EQ(a.Said(), (std::vector<std::string>{NowIdle(0)}));
    EXPECT_GE(CaptionValue(a.main.lblSeconds.Caption()), 45);  // one tick lost to the first wait at most
    a.Click(a.main.picStopUp);
    EXPECT_EQ(a.Said().back(), NotIdle(0));
}

TEST(BusyHost, TwentySecondsOfSilenceEndTheIdlePeriod) {
    App a;
    a.Click(a.main.picStartUp);
    a.p.RunFor(10);
    const double stalled = a.p.now;
    a.host.Stall(1000);
    a.p.RunFor(30);
    ASSERT_EQ(a.p.boxes.size(), 1u);
    EXPECT_EQ(a.p.boxes[0].text,
              "America Online is not responding.\r\nYou have been forced to cancel your idle state.\r\n"
              "Please restart when America Online responds again.");
    EXPECT_EQ(a.p.boxes[0].title, "Haulted!");
    EXPECT_EQ(a.p.boxes[0].style, 16);
    EXPECT_GE(a.p.boxes[0].at - stalled, 20);
    EXPECT_LT(a.p.boxes[0].at - stalled, 24);
    EXPECT_FALSE(a.main.Timer1.Enabled());
    EXPECT_EQ(a.Idle(), "00/00/00");
    EXPECT_NE(a.Totals(), "00 00 00 00");
}

TEST(BusyHost, StartOnASilentHostAsksTheUserToTryAgain) {
    for (bool inRoom : {true, false}) {
        App a(true, inRoom);
        a.host.Stall(100);
        const double start = a.p.now;
        a.Click(a.main.picStartUp);
        ASSERT_EQ(a.p.boxes.size(), 1u);
        EXPECT_EQ(a.p.boxes[0].text, "America Online is not responding. Please try again.");
        EXPECT_LE(a.p.boxes[0].at - start, kBound + 0.05);
        EXPECT_TRUE(a.host.links.empty());
        EXPECT_FALSE(a.main.Timer1.Enabled());
    }
    // Signed on, and only the room check meets the silence.
    App a(true, false);
    a.p.At(a.host.mdi).silentUntil = 0;
    a.p.At(a.host.welcome).silentUntil = 0;
    a.host.OpenRoom("Lobby");
    a.p.At(a.host.room).silentUntil = a.p.now + 100;
    a.Click(a.main.picStartUp);
    ASSERT_EQ(a.p.boxes.size(), 1u);
    EXPECT_EQ(a.p.boxes[0].text, "America Online is not responding. Please try again.");
    EXPECT_TRUE(a.host.links.empty());
}

TEST(BusyHost, NothingStartsDuringTheClosePause) {
    App a(true, false);  // no room: a start would search for one
    a.host.roomOnAttempt = 0;
    a.p.After(0.3, [&] { a.Click(a.main.picStartUp); });
    a.p.After(0.4, [&] {
        a.p.popupPicks = {"scrollstats"};
        a.Click(a.main.lblMenu);
    });
    EXPECT_TRUE(a.Ends([&] { a.Click(a.main.lblClose); }));
    EXPECT_TRUE(a.host.links.empty());
    EXPECT_TRUE(a.p.boxes.empty());
    EXPECT_EQ(a.p.popupPicks.size(), 1u);  // no popup was opened
}

}  // namespace
}  // namespace pw
