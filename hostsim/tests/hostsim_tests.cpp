// The byte-level rules that tests downstream rely on: log escaping, link recognition,
// and the command line.
#include <gtest/gtest.h>

#include "hostsim/options.h"
#include "hostsim/text.h"

namespace hostsim {
namespace {

TEST(EscapeBytes, KeepsPrintableAsciiAndEscapesTheRest) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"abc \x7E", "abc ~"},
        {"abc\xB7", "abc\\xB7"},
        {"a\\b", "a\\\\b"},
        {"tab\there\r\n", "tab\\x09here\\x0D\\x0A"},
        {std::string("\x00\x1F\x7F\x80\xFF", 5), "\\x00\\x1F\\x7F\\x80\\xFF"},
        {"<font color=\"#FF0000\">x</font>", "<font color=\"#FF0000\">x</font>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscapeBytes(c.in), c.out) << c.out;
}

TEST(PrivateRoomNumber, AcceptsOnlyTheExactLinkAfterTrimming) {
    const struct {
        std::string typed;
        std::optional<std::string> number;
    } cases[] = {
        {" aol://2719:2-2-pellowick%200", "0"},  // a space typed at the caret
        {"aol://2719:2-2-pellowick%2017 \t", "17"},
        {"aol://2719:2-2-pellowick%20", std::nullopt},
        {"aol://2719:2-2-pellowick%20x1", std::nullopt},
        {"aol://2719:2-2-pellowick%201 2", std::nullopt},
        {"AOL://2719:2-2-pellowick%201", std::nullopt},
        {"keyword", std::nullopt},
        {"   ", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrivateRoomNumber(TrimBlanks(c.typed)), c.number) << c.typed;
}

TEST(ParseOptions, LastRoomCountWins) {
    EXPECT_EQ(ParseOptions({"--rooms", "4", "--no-room"}).options->rooms, 0u);
    EXPECT_EQ(ParseOptions({"--no-room", "--rooms", "2"}).options->rooms, 2u);
}

TEST(ParseOptions, RefusesBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--log"},
        {"--rooms", "x"},
        {"--rooms", "-1"},
        {"--rooms", "51"},
        {"--rooms", "2x"},
        {"--exit-after", ""},
        {"--type-at", "12"},
        {"--type-at", "x:a"},
        {"--hang-for", "4294967296"},
        {"extra"},
    };
    for (const auto& args : bad) {
        const ParseResult r = ParseOptions(args);
        EXPECT_FALSE(r.options) << args[0];
        EXPECT_FALSE(r.error.empty()) << args[0];
    }
}

TEST(ParseStallMs, TakesOneWholeNumberWithBlanksAround) {
    const struct {
        std::string text;
        std::optional<unsigned> ms;
    } cases[] = {
        {"4000", 4000u},      {" 250\r\n", 250u},     {"0\n", 0u},
        {"", std::nullopt},   {"\r\n", std::nullopt}, {"4 000", std::nullopt},
        {"-1", std::nullopt}, {"1.5", std::nullopt},  {"2147483648", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseStallMs(c.text), c.ms) << c.text;
}

}  // namespace
}  // namespace hostsim
