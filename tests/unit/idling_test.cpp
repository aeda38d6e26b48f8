#include "app_fixture.h"
#include "host/bridge.h"

namespace pw {
namespace {

using testing::App;
using testing::Idle;
using testing::NotIdle;
using testing::NowIdle;

TEST(IdleClock, StoppedClockOnlyFills) {
    App a;
    a.main.lblSeconds.SetCaption("60");
    a.main.lblMinutes.SetCaption("60");
    a.main.lblHours.SetCaption("7");
    EXPECT_EQ(a.Idle(), "07/60/60");
    EXPECT_TRUE(a.host.posts.empty());
}

TEST(IdleClock, TypedTextHoldsTheMinuteBackOnce) {
    App a;
    a.Click(a.main.picStartUp);
    a.host.posts.clear();
    a.p.At(a.host.input).text = "hello";  // the user types
    a.p.RunFor(60.5);
    EXPECT_TRUE(a.host.posts.empty());
    EXPECT_EQ(a.main.Menu().lblChatLine.Caption(), "hello");
    a.p.RunFor(60);  // still the same text at the next mark: announced, the text put back
    EXPECT_EQ(a.Said(), std::vector<std::string>{Idle(2)});
    EXPECT_EQ(a.p.At(a.host.input).text, "hello");
    a.p.At(a.host.input).text = "one";
    a.p.RunFor(60);
    a.p.At(a.host.input).text = "two";  // changed again: held back again
    a.p.RunFor(60);
    EXPECT_EQ(a.Said().size(), 1u);
    EXPECT_EQ(a.main.Menu().lblChatLine.Caption(), "two");
}

TEST(Idling, StartThenStopAfterTwoMinutesFiveSeconds) {
    App a;
    a.p.PutFile("c:\\pwick.dat", testing::Stats("50", "00", "00", "00"));
    a.main.Form_Load();
    a.Click(a.main.picStartUp);
    a.p.RunFor(125);
    a.Click(a.main.picStopUp);
    std::vector<std::string> expected = {"loaded</b> -|", NowIdle(0), Idle(1), Idle(2), NotIdle(2)};
    EXPECT_EQ(a.Said(), expected);
    EXPECT_EQ(a.Idle(), "00/00/00");
    EXPECT_EQ(a.Totals(), "00 00 02 55");  // 50 s + 125 s
    // The copy an older pellowick saved is named among the saves this one includes.
    EXPECT_EQ(a.File("c:\\pwick.dat"), testing::Stats("55", "02", "00", "00", 1, 125, ",:0:50"));
    EXPECT_FALSE(a.main.picStartDown.Visible() || a.main.picStopUp.Visible() || a.main.Timer1.Enabled());
}

TEST(Idling, PrivateRoomSearchTriesEveryTenSeconds) {
    App a(true, false);
    a.host.roomOnAttempt = 3;
    std::vector<double> times;
    a.p.At(a.host.address).onChar = [&, inner = a.p.At(a.host.address).onChar](unsigned ch) {
        if (ch == 13) times.push_back(a.p.now);
        inner(ch);
    };
    // A second click on the start face during the search is ignored.
    a.p.After(5, [&] { a.Click(a.main.picStartUp); });
    a.Click(a.main.picStartUp);
    std::vector<std::string> links = {"aol://2719:2-2-pellowick%200", "aol://2719:2-2-pellowick%201",
                                      "aol://2719:2-2-pellowick%202"};
    EXPECT_EQ(a.host.links, links);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_NEAR(times[1] - times[0], 10, 0.6);
    EXPECT_NEAR(times[2] - times[1], 10, 0.6);
    EXPECT_TRUE(a.main.Timer1.Enabled());
    EXPECT_EQ(a.Said(), std::vector<std::string>{NowIdle(0)});
}

TEST(Idling, WatchdogStopsWhenTheRoomCloses) {
    App a;
    a.Click(a.main.picStartUp);
    a.p.After(90.5, [&] { a.host.CloseRoom(); });
    a.p.RunFor(95);
    ASSERT_EQ(a.p.boxes.size(), 1u);
    EXPECT_EQ(
        a.p.boxes[0].text,
        "You have exited the America Online chat area.\r\nYou have been forced to cancel your idle state.\r\n"
        "Please return to chat area to restart.");
    EXPECT_EQ(a.Idle(), "00/00/00");
    EXPECT_EQ(a.Totals(), "00 00 01 30");
    EXPECT_NE(a.File("c:\\pwick.dat"), "<none>");
    EXPECT_EQ(a.p.At(a.host.frame).showState, kSwShowMaximized);
    EXPECT_FALSE(a.main.Timer1.Enabled());
}

}  // namespace
}  // namespace pw
