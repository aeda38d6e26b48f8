#include "app_fixture.h"
#include "host/bridge.h"

namespace pw {
namespace {

using testing::App;
using testing::Idle;
using testing::NotIdle;
using testing::NowIdle;

// Starts a period, sets the idle counters, then lets Timer1 deliver one tick.
void OneTickFrom(App& a, const char* h, const char* m, const char* s) {
    a.Click(a.main.picStartUp);
    a.host.posts.clear();
    a.main.Timer1.SetEnabled(false);  // no carries nor lines while they are set
    a.main.lblHours.SetCaption(h);
    a.main.lblMinutes.SetCaption(m);
    a.main.lblSeconds.SetCaption(s);
    a.main.Timer1.SetEnabled(true);
    a.p.RunFor(1.0);
}

TEST(IdleClock, MinuteAndHourMarks) {
    struct Case {
        const char *h, *m, *s, *after;
        int reported;
    } cases[] = {
        {"00", "00", "59", "00/01", 1},   {"00", "09", "59", "00/10", 10},    {"00", "59", "59", "01/00", 60},
        {"01", "59", "59", "02/00", 120}, {"99", "59", "59", "100/00", 6000},
    };
    for (auto& c : cases) {
        App a;
        OneTickFrom(a, c.h, c.m, c.s);
        // (a tick due during the announcement's pause runs nested, so seconds may read 01)
        EXPECT_EQ(a.Idle().substr(0, a.Idle().rfind('/')), c.after) << c.h << "/" << c.m << "/" << c.s;
        EXPECT_EQ(a.Said(), std::vector<std::string>{Idle(c.reported)});
    }
}

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
    std::string saved = testing::Stats("55", "02", "00", "00", 1);
    EXPECT_EQ(a.File("c:\\pwick.dat"), saved.insert(saved.size() - 2, ",:0:50"));
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

TEST(Totals, CarriesAndFills) {
    App a;
    auto& t = a.main;
    t.lblTotalSeconds.SetCaption("5");
    EXPECT_EQ(a.Totals(), "00 00 00 05");
    t.lblTotalSeconds.SetCaption("75");
    EXPECT_EQ(a.Totals(), "00 00 01 00");
    t.lblTotalMinutes.SetCaption("61");
    EXPECT_EQ(a.Totals(), "00 00 61 00");
    t.lblTotalDays.SetCaption("99");
    t.lblTotalDays.SetCaption("100");
    EXPECT_EQ(t.lblTotalDays.Caption(), "100");
}

TEST(Totals, FoldExamples) {
    struct Case {
        const char *totalsBefore, *h, *m, *s, *totalsAfter;
    } cases[] = {
        {"00 00 00 30", "00", "00", "59", "00 00 01 29"}, {"00 23 59 59", "00", "00", "01", "01 00 00 00"},
        {"00 05 12 33", "01", "00", "00", "00 06 12 33"}, {"02 03 04 05", "00", "00", "00", "02 03 04 05"},
        {"00 00 00 00", "24", "00", "00", "01 00 00 00"},
    };
    for (auto& c : cases) {
        App a;
        auto& t = a.main;
        char d[3], h[3], m[3], s[3];
        std::sscanf(c.totalsBefore, "%2s %2s %2s %2s", d, h, m, s);
        t.lblTotalDays.SetCaption(d), t.lblTotalHours.SetCaption(h);
        t.lblTotalMinutes.SetCaption(m), t.lblTotalSeconds.SetCaption(s);
        t.lblHours.SetCaption(c.h), t.lblMinutes.SetCaption(c.m), t.lblSeconds.SetCaption(c.s);
        t.LifetimeTotals().FoldIdleIntoTotals(a.p, t.Counters());
        EXPECT_EQ(a.Totals(), c.totalsAfter) << c.totalsBefore;
        EXPECT_EQ(a.Idle(), "00/00/00");
    }
}

}  // namespace
}  // namespace pw
