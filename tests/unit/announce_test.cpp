#include <gtest/gtest.h>

#include "idling/announce.h"
#include "platform/forms.h"

namespace pw {
namespace {

// The lines themselves are checked byte for byte in the end-to-end run.
TEST(Announce, IdleMinutesArePlainDigits) {
    EXPECT_EQ(IdleMinutesText("00", "00"), "0");
    EXPECT_EQ(IdleMinutesText("60", "05"), "3605");
    EXPECT_EQ(IdleMinutesText("01", "15"), "75");
    EXPECT_EQ(IdleMinutesText("100", "00"), "6000");
}

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
