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

TEST(StatsFile, SaveCreatesTheFileAndKeepsOtherLines) {
    App a;
    a.main.lblTotalSeconds.SetCaption("7");
    a.main.Stats().SaveTotals();
    EXPECT_EQ(a.File(kWrite), Stats("07", "00", "00", "00", 1));
    a.p.PutFile(kWrite, "; mine\r\n[Other]\r\nx=1\r\n[stats]\r\nhours=5\r\n");
    a.main.Stats().SaveTotals();
    EXPECT_EQ(a.File(kWrite),
              "; mine\r\n[Other]\r\nx=1\r\n[stats]\r\nhours=00\r\nSeconds=07\r\nMinutes=00\r\nDays=00\r\n"
              "Generation=2\r\n");
}

TEST(StatsFile, CutShortSaveLeavesTheOldFileWhole) {
    for (int cut = 1; cut <= 4; ++cut) {
        App a;
        a.p.PutFile(kWrite, Stats("01", "02", "03", "04"));
        a.main.lblTotalSeconds.SetCaption("59");
        a.p.failProfileWriteAt = cut;
        a.p.readOnlyFolders.insert("c:");  // and no way to write in place either
        a.p.FindFile(kWrite)->readOnly = true;
        a.main.Stats().SaveTotals();
        EXPECT_EQ(a.File(kWrite), Stats("01", "02", "03", "04"));
        EXPECT_FALSE(a.p.IsOrdinaryFile(kWrite + ".new"));
    }
}

TEST(StatsFile, UnwritableRootSavesBesideTheProgram) {
    App a;
    a.p.PutFile(kWrite, Stats("01", "00", "00", "00"));
    a.p.FindFile(kWrite)->readOnly = true;  // cannot be replaced, nor deleted
    a.main.lblTotalSeconds.SetCaption("42");
    a.main.Stats().SaveTotals();
    EXPECT_EQ(a.File(kRead), Stats("42", "00", "00", "00", 1));
    EXPECT_TRUE(a.p.boxes.empty());
    // Next start: the older c:\ copy must not replace the newer totals.
    FrmMain next(a.p);
    next.Stats().LoadTotals();
    EXPECT_EQ(next.lblTotalSeconds.Caption(), "42");
}

}  // namespace
}  // namespace pw
