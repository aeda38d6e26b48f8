#include "app_fixture.h"
#include "stats/stats_file.h"

namespace pw {
namespace {

using testing::App;
using testing::Stats;

const std::string kRead = "C:\\Program Files\\pellowick\\pwick.dat";
const std::string kWrite = "c:\\pwick.dat";

TEST(StatsFile, LoadsWhatItCanAndZeroForTheRest) {
    struct Case {
        std::string file, totals;
    } cases[] = {
        {"[Stats]\r\nSeconds=7\r\n", "00 00 00 07"},
        {"[STATS]\r\nSECONDS=12\r\nminutes=3\r\nHoUrS=4\r\ndays=5\r\n", "05 04 03 12"},
        {"[Stats]\r\nSeconds=\r\nMinutes=59\r\n", "00 00 59 00"},
        {"[Other]\r\nSeconds=9\r\n", "00 00 00 00"},                 // missing section
        {"[Stats]\r\nSeconds=10\r\nSeconds=20\r\n", "00 00 00 10"},  // the first of duplicates
        {"[Stats]\r\nSeconds=abc\r\nMinutes=-5\r\nHours=1.5\r\nDays=1234567890\r\n", "00 00 00 00"},
        {"[Stats]\r\nSeconds=" + std::string(749, 'x') + "\r\nDays=123456789\r\n", "123456789 00 00 00"},
        {"[Stats]\r\nSeconds=0x1F\r\nMinutes=1e3\r\nHours= 7 \r\n", "00 07 00 00"},
        {std::string("\x00\xFF[Stats\x01\r\n=\xFE\r\n", 13), "00 00 00 00"},        // binary garbage
        {"[Stats]\r\nMinutes=75\r\n" + std::string(10 << 20, ';'), "00 00 75 00"},  // 10 MB
    };
    for (auto& c : cases) {
        App a;
        a.p.PutFile(kRead, c.file);
        a.main.Stats().LoadTotals();
        EXPECT_EQ(a.Totals(), c.totals) << c.file.substr(0, 60);
    }
}

TEST(StatsFile, InPlaceSaveIsOneWriteAndKeepsOtherSections) {
    App a;
    a.p.PutFile(kWrite, "[Options]\r\nAutoIdle=1\r\n[Stats]\r\nSeconds=01\r\nnote=x\r\n");
    a.p.readOnlyFolders = {"c:", "c:\\program files\\pellowick"};  // nothing can be made beside it
    a.main.lblTotalSeconds.SetCaption("42");
    const int writes = a.p.profileWrites;
    a.main.Stats().SaveTotals();
    EXPECT_EQ(a.p.profileWrites - writes, 1);
    EXPECT_EQ(a.File(kWrite),
              "[Options]\r\nAutoIdle=1\r\n[Stats]\r\nSeconds=42\r\nnote=x\r\nMinutes=00\r\nHours=00\r\n"
              "Days=00\r\nGeneration=1\r\nIncludes=4242.43200000:1:42\r\nCounted=4242.43200000:1:42\r\n");
    // Cut short, it leaves the old file whole.
    a.p.failProfileWriteAt = 1;
    a.main.lblTotalSeconds.SetCaption("43");
    a.main.Stats().SaveTotals();
    EXPECT_NE(a.File(kWrite).find("Seconds=42"), std::string::npos);
}

TEST(StatsFile, OtherSectionsCanBeWrittenAlong) {
    fake::FakePlatform p;
    StatsFile file(p);
    p.PutFile(kWrite, "[Options]\r\nAutoIdle=0\r\n");
    ASSERT_TRUE(file.Save(StoredTotals{"07", "00", "00", "00"}, {{"Options", "AutoIdle", "1"}}).onDisk);
    EXPECT_EQ(p.FindFile(kWrite)->bytes,
              "[Options]\r\nAutoIdle=1\r\n\r\n" + Stats("07", "00", "00", "00", 1));
}

}  // namespace
}  // namespace pw
