#include <gtest/gtest.h>

#include "idling/announce.h"
#include "platform/forms.h"

namespace pw {
namespace {

const std::string kOpen =
    std::string("<font face=Tahoma color=#000000></b>|- <b>pellowick v.1.51</b> \xC2\xB7 <b>< a href=") +
    std::string(kMakerLink) + "></u>jom</a></b> -|- <b>";

TEST(Announce, LinesAreByteExact) {
    struct Case {
        std::string line, tail;
    } cases[] = {
        {NowIdleLine("v.1.51", "0"), "now idle</b> \xC2\xB7 0 -|"},
        {NotIdleLine("v.1.51", "3605"), "not idle</b> \xC2\xB7 3605 -|"},
        {IdleLine("v.1.51", "75"), "idle</b> \xC2\xB7 75 -|"},
        {LoadedLine("v.1.51"), "loaded</b> -|"},
        {UnloadedLine("v.1.51"), "unloaded</b> -|"},
        {StatisticsLine("v.1.51"), "statistics</b> -|"},
        {TotalsLine("v.1.51", "00", "05", "12", "33"), "d</b>00 <b>h</b>05 <b>m</b>12 <b>s</b>33 -|"},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.line, kOpen + c.tail);
}

TEST(Announce, LinkIsAPlainAddress) {
    EXPECT_EQ(kMakerLink.find(' '), std::string_view::npos);
    EXPECT_EQ(kMakerLink.find('>'), std::string_view::npos);
}

TEST(Announce, IdleMinutesArePlainDigits) {
    EXPECT_EQ(IdleMinutesText("00", "00"), "0");
    EXPECT_EQ(IdleMinutesText("60", "05"), "3605");
    EXPECT_EQ(IdleMinutesText("01", "15"), "75");
    EXPECT_EQ(IdleMinutesText("100", "00"), "6000");
}

}  // namespace
}  // namespace pw

namespace pw {
namespace {

TEST(Captions, ReadAndWriteDecimalText) {
    struct Case {
        const char* caption;
        double value;
    } reads[] = {{"07", 7},  {"125", 125}, {" 3", 3}, {"-5", -5}, {"2.5", 2.5}, {".5", 0.5},
                 {"9x", 9},  {"abc", 0},   {"", 0},   {"-", 0},   {".", 0},     {"0x1F", 0},
                 {"inf", 0}, {"1e3", 1},   {"+4", 0}, {"00", 0}};
    for (auto& c : reads)
        EXPECT_EQ(CaptionValue(c.caption), c.value) << c.caption;
    EXPECT_EQ(NumberText(6), "6");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(NumberText(6000), "6000");
    EXPECT_EQ(NumberText(1.5), "1.5");
    EXPECT_EQ(NumberText(0.1), "0.1");
    EXPECT_EQ(NumberText(-3), "-3");
}

}  // namespace
}  // namespace pw
