#include "app_fixture.h"
#include "stats/options.h"

namespace pw {
namespace {

using testing::App;
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

std::string AutoIdleMenu(App& a) {
    a.p.popupPicks = {""};
    a.Click(a.main.lblMenu);
    const std::string& all = a.win().lastPopup;
    auto from = all.find("auto idle [");
    return from == std::string::npos ? all : all.substr(from + 11, all.find(']', from) - from - 11);
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
