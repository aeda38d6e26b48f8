#include "app_fixture.h"
#include "stats/options.h"

namespace pw {
namespace {

using testing::App;
using testing::Idle;
using testing::NotIdle;
using testing::NowIdle;
using testing::Stats;

const std::string kRead = "C:\\Program Files\\pellowick\\pwick.dat";
const std::string kWrite = "c:\\pwick.dat";
const std::string kChoices =
    "( ) after 5 minutes, ( ) after 10 minutes, ( ) after 15 minutes, ( ) after 30 minutes";

std::string WithAutoIdle(const char* minutes) {
    return Stats("00", "00", "00", "00") + "\r\n[Options]\r\nAutoIdle=" + minutes + "\r\n";
}

// Loads with automatic idle after `minutes` and gives one input at the end of the load.
void LoadWithAutoIdle(App& a, const char* minutes) {
    a.p.PutFile(kRead, WithAutoIdle(minutes));
    a.main.Form_Load();
    a.p.Input();
}

std::string AutoIdleMenu(App& a) {
    a.p.popupPicks = {""};
    a.Click(a.main.lblMenu);
    const std::string& all = a.win().lastPopup;
    auto from = all.find("auto idle [");
    return from == std::string::npos ? all : all.substr(from + 11, all.find(']', from) - from - 11);
}

TEST(AutoIdle, OffChangesNothing) {
    App a;
    a.p.PutFile(kRead, Stats("00", "00", "00", "00"));
    a.main.Form_Load();
    a.p.Input();
    a.p.RunFor(2 * 3600);
    EXPECT_EQ(a.Said(), std::vector<std::string>{"loaded</b> -|"});
    EXPECT_EQ(a.p.timerTicks, 0);  // nothing ticks while nobody is idle
    EXPECT_FALSE(a.win().watchingLock);
    a.p.LockSession(true);
    a.p.RunFor(3600);
    EXPECT_TRUE(a.host.posts.size() == 1 && a.p.boxes.empty());
    EXPECT_EQ(AutoIdleMenu(a), "(*) off, " + kChoices);

    // A clicked period and its stop as ever; the saved file gains no section.
    a.Click(a.main.picStartUp);
    a.p.RunFor(61);
    a.Click(a.main.picStopUp);
    a.p.RunFor(3);
    EXPECT_EQ(a.Said(), (std::vector<std::string>{"loaded</b> -|", NowIdle(0), Idle(1), NotIdle(1)}));
    EXPECT_EQ(a.File(kWrite), Stats("01", "01", "00", "00", 1));
}

TEST(AutoIdle, StartsAfterTheChosenMinutesCountingFromTheLastInputAndStopsOnInput) {
    // The tick count wraps 100 seconds into the wait.
    App a(true, true, static_cast<std::uint32_t>(4294967296.0 - 43'201'000.0 - 100'000.0));
    LoadWithAutoIdle(a, "5");
    const double input = a.p.now;
    a.p.RunFor(299);
    EXPECT_EQ(a.Said(), std::vector<std::string>{"loaded</b> -|"});
    EXPECT_FALSE(a.main.Timer1.Enabled());
    EXPECT_LE(a.p.timerTicks, 300);  // one check a second, no more

    a.p.RunFor(3);
    ASSERT_TRUE(a.main.Timer1.Enabled());
    EXPECT_EQ(a.Said().back(), NowIdle(5));
    EXPECT_EQ(a.p.At(a.host.frame).showState, kSwShowMinimized);
    EXPECT_TRUE(a.p.boxes.empty());
    a.p.RunUntil(input + 6 * 60 + 3);
    EXPECT_EQ(a.Said().back(), Idle(6));  // the clock goes on from the real time away

    a.p.RunUntil(input + 400);
    a.p.Input();
    const double back = a.p.now;
    a.p.RunFor(1.2);
    EXPECT_FALSE(a.main.Timer1.Enabled());
    a.p.RunFor(5);
    EXPECT_EQ(a.Said().back(), NotIdle(6));
    EXPECT_EQ(a.p.At(a.host.frame).showState, kSwShowMaximized);
    // The totals get the whole time away, to within the one-second check.
    const int total =
        std::stoi(a.main.lblTotalMinutes.Caption()) * 60 + std::stoi(a.main.lblTotalSeconds.Caption());
    EXPECT_GE(total, static_cast<int>(back - input) - 2);
    EXPECT_LE(total, static_cast<int>(back - input) + 1);
    std::string saved = Stats(a.main.lblTotalSeconds.Caption().c_str(),
                              a.main.lblTotalMinutes.Caption().c_str(), "00", "00", 1);
    saved.replace(saved.find("43200000"), 8, std::to_string(43200000u + a.ticks));  // the run, by its start
    EXPECT_EQ(a.File(kWrite), saved + "\r\n[Options]\r\nAutoIdle=5\r\n");

    // The next input-free stretch starts the next period.
    a.p.RunFor(301);
    EXPECT_TRUE(a.main.Timer1.Enabled());
}

TEST(AutoIdle, FailedChecksShowNoBoxAndWaitForTheNextInputFreeStretch) {
    enum Host { kMissing, kSignedOut, kHung };
    for (Host state : {kMissing, kSignedOut, kHung}) {
        App a(/*signedOn=*/state == kHung);
        if (state == kMissing) a.p.RemoveWindow(a.host.frame);
        if (state == kHung)
            for (Hwnd w : {a.host.welcome, a.host.room})
                a.p.At(w).hung = true;
        LoadWithAutoIdle(a, "1");
        a.p.RunFor(10 * 60);
        EXPECT_TRUE(a.p.boxes.empty());
        EXPECT_FALSE(a.main.Timer1.Enabled());
        EXPECT_TRUE(a.main.picStartUp.Visible());

        // Ready now, but the stretch that failed is not tried again.
        a.p.RemoveWindow(a.host.frame);
        fake::FakeHost host(a.p);
        a.p.RunFor(10 * 60);
        EXPECT_FALSE(a.main.Timer1.Enabled()) << state;
        a.p.Input();
        a.p.RunFor(63);
        EXPECT_TRUE(a.main.Timer1.Enabled()) << state;
        EXPECT_EQ(host.posts, std::vector<std::string>{host.posts.front()});
        EXPECT_NE(host.posts.front().find("now idle"), std::string::npos);
    }
}

TEST(AutoIdle, UnknownLastInputNeverStartsButALockDoes) {
    App a;
    a.p.PutFile(kRead, WithAutoIdle("5"));
    a.main.Form_Load();
    a.p.RunFor(3600);  // the system cannot tell: never "idle since boot"
    EXPECT_FALSE(a.main.Timer1.Enabled());
    a.p.LockSession(true);
    a.p.RunFor(299);
    EXPECT_FALSE(a.main.Timer1.Enabled());
    a.p.RunFor(3);
    EXPECT_TRUE(a.main.Timer1.Enabled());
    EXPECT_EQ(a.Said().back(), NowIdle(5));
    a.p.LockSession(false);
    a.p.RunFor(5);
    EXPECT_EQ(a.Said().back(), NotIdle(5));
}

TEST(AutoIdle, StoredValues) {
    const std::pair<const char*, int> cases[] = {{"5", 5},    {"05", 5}, {"1", 1},     {"1440", 1440},
                                                 {"1441", 0}, {"0", 0},  {"-5", 0},    {"5.5", 0},
                                                 {"abc", 0},  {"", 0},   {"99999", 0}, {"0x10", 0}};
    for (auto [text, minutes] : cases)
        EXPECT_EQ(ParseAutoIdle(text), minutes) << text;
    App a;
    a.p.PutFile(kRead, Stats("00", "00", "00", "00") + "[OPTIONS]\r\nautoidle = 15 \r\n");
    a.main.Stats().LoadTotals();
    EXPECT_EQ(a.main.Stats().Opts().autoIdleMinutes, 15);
}

TEST(AutoIdle, TheChoiceTravelsWithTheTotals) {
    struct Case {
        const char* name;
        std::string atWrite, atRead;
        bool readOnlyFolder;
        int minutes;
        const char* totals;
    } cases[] = {
        {"c:\\ copy moves in", WithAutoIdle("10"), WithAutoIdle("30"), false, 10, "00 00 00 00"},
        {"c:\\ copy without it wins", Stats("09", "00", "00", "00"), WithAutoIdle("30"), false, 0,
         "00 00 00 09"},
        {"program folder only", "", WithAutoIdle("15"), false, 15, "00 00 00 00"},
        {"program folder read-only", WithAutoIdle("5"), WithAutoIdle("30"), true, 5, "00 00 00 00"},
    };
    for (auto& c : cases) {
        App a;
        a.p.PutFile(kRead, c.atRead);
        if (!c.atWrite.empty()) a.p.PutFile(kWrite, c.atWrite);  // the newer one
        if (c.readOnlyFolder) a.p.readOnlyFolders.insert(fake::FakePlatform::Normal(a.p.programFolder));
        a.main.Form_Load();
        EXPECT_EQ(a.main.Auto().Minutes(), c.minutes) << c.name;
        EXPECT_EQ(a.Totals(), c.totals) << c.name;
    }
}

TEST(AutoIdle, MenuShowsAndSavesTheChoice) {
    App a;
    a.p.PutFile(kRead, WithAutoIdle("1"));
    a.main.Form_Load();
    EXPECT_EQ(AutoIdleMenu(a), "( ) off, (*) after 1 minute, " + kChoices);

    a.main.lblTotalSeconds.SetCaption("42");
    a.p.popupPicks = {"autoidle10"};
    a.Click(a.main.lblMenu);
    EXPECT_EQ(a.File(kWrite), Stats("42", "00", "00", "00", 1) + "\r\n[Options]\r\nAutoIdle=10\r\n");
    EXPECT_EQ(AutoIdleMenu(a),
              "( ) off, " + std::string("( ) after 5 minutes, (*) after 10 minutes, ( ) after 15 "
                                        "minutes, ( ) after 30 minutes"));
    a.p.popupPicks = {"autoidle0"};
    a.Click(a.main.lblMenu);
    EXPECT_EQ(a.File(kWrite), Stats("42", "00", "00", "00", 2) + "\r\n[Options]\r\nAutoIdle=0\r\n");
    EXPECT_EQ(a.main.Auto().Minutes(), 0);
    EXPECT_FALSE(a.main.tmrAutoIdle.Enabled());
    a.p.RunFor(3600);
    EXPECT_FALSE(a.main.Timer1.Enabled());
}

}  // namespace
}  // namespace pw
