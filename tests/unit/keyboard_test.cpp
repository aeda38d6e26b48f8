// The main window without a mouse: focus order as the faces change, the keys, and
// when a screen reader is told.
#include "app_fixture.h"
#include "ui/spoken.h"

namespace pw {
namespace {

using testing::App;
using testing::NotIdle;
using testing::NowIdle;

std::string Focused(const Form& f) {
    const Part* part = f.FocusedPart();
    return part ? part->name : "(none)";
}

// The stops Tab visits from the current focus, once round.
std::string TabRound(Form& f, Key key = Key::Tab) {
    std::string order = Focused(f);
    for (std::size_t i = 0; i < 4; ++i) {
        f.KeyDown(key);
        order.append(" ").append(Focused(f));
    }
    return order;
}

const Part& PartNamed(const Form& f, const std::string& name) {
    for (const Part& part : f.Parts())
        if (part.name == name) return part;
    throw std::runtime_error("no part " + name);
}

TEST(Keyboard, EnterTwiceStartsAndStopsWithTheFocusFollowingTheFace) {
    App a;
    a.main.Form_Load();
    a.main.FocusFirst();
    EXPECT_EQ(TabRound(a.main), "start menu minimize close start");
    EXPECT_EQ(TabRound(a.main, Key::ShiftTab), "start close minimize menu start");

    // While the start is under way neither face can be pressed: Tab skips the first stop.
    std::string busy;
    a.p.After(0.5, [&] {
        busy = Focused(a.main);
        a.main.KeyDown(Key::Enter);  // nothing to press
        a.main.KeyDown(Key::Tab);
        busy.append(" ").append(Focused(a.main));
        a.main.KeyDown(Key::ShiftTab);  // round the start: the first stop is skipped
        a.main.KeyDown(Key::ShiftTab);
        busy.append(" ").append(Focused(a.main));
    });
    a.main.KeyDown(Key::Enter);
    EXPECT_EQ(busy, "(none) menu minimize");
    EXPECT_EQ(a.Said().back(), NowIdle(0));
    a.main.KeyDown(Key::Tab);  // minimize -> close
    a.main.KeyDown(Key::Tab);  // close -> the first stop, now stop
    EXPECT_EQ(TabRound(a.main), "stop menu minimize close stop");

    a.p.RunFor(61);
    a.main.KeyDown(Key::Enter);
    EXPECT_EQ(a.Said().back(), NotIdle(1));
    EXPECT_EQ(Focused(a.main), "start");
    EXPECT_EQ(a.Said().size(), 4u);  // loaded, now idle, idle, not idle: one start, one stop
}

TEST(Keyboard, SpaceHoldsThePressedFaceAndClicksOnRelease) {
    App a;
    a.main.Form_Load();
    a.main.FocusFirst();
    Control& start = a.main.picStartUp;
    a.main.KeyDown(Key::Space);
    a.main.KeyDown(Key::Space);  // auto-repeat: still one pixel, not two
    EXPECT_EQ(start.Top(), 195.0f);
    EXPECT_EQ(start.Left(), 180.0f);
    EXPECT_EQ(a.Said().size(), 1u);  // nothing started yet
    a.main.KeyUp(Key::Space);
    EXPECT_EQ(start.Top(), 180.0f);
    EXPECT_EQ(a.Said().back(), NowIdle(0));

    // Tab while held lets go without a click.
    a.main.KeyDown(Key::Space);
    EXPECT_EQ(a.main.picStopUp.Top(), 675.0f);
    a.main.KeyDown(Key::Tab);
    EXPECT_EQ(a.main.picStopUp.Top(), 660.0f);
    EXPECT_FALSE(a.main.KeyUp(Key::Space));
    EXPECT_TRUE(a.main.picStopUp.Visible());
}

TEST(Keyboard, MenuKeyOpensThePopupWhereAClickDoesAndEnterReachesTheHotSpots) {
    App a;
    a.main.Form_Load();
    a.main.FocusFirst();
    a.p.popupPicks = {"scrollstats"};
    EXPECT_TRUE(a.main.KeyDown(Key::ContextMenu));
    EXPECT_EQ(a.win().popupX, 120.0f);
    EXPECT_EQ(a.win().popupY, 120.0f);
    EXPECT_EQ(a.Said().back(), "d</b>00 <b>h</b>00 <b>m</b>00 <b>s</b>00 -|");
    EXPECT_EQ(Focused(a.main), "start");

    a.main.KeyDown(Key::ShiftTab);
    a.main.KeyDown(Key::ShiftTab);
    a.main.KeyDown(Key::Enter);
    EXPECT_TRUE(a.win().minimized);
    a.main.KeyDown(Key::Tab);
    EXPECT_TRUE(a.Ends([&] { a.main.KeyDown(Key::Enter); }));
    EXPECT_EQ(a.Said().back(), "unloaded</b> -|");
}

// Names, roles, states and their change events are read through Active
// Accessibility from the real program by the Win32 tests; what they cannot catch in
// time is the moment inside the start when neither face may be pressed.
TEST(ScreenReader, NeitherFaceIsPressableWhileTheStartRuns) {
    App a;
    a.main.Form_Load();
    const Part& start = PartNamed(a.main, "start");
    const Part& stop = PartNamed(a.main, "stop");
    auto states = [&] {
        std::string s = start.Clickable() ? "start" : "-";
        s.append(stop.Clickable() ? " stop" : " -");
        if (start.Hidden() || stop.Hidden()) s.append(" hidden");
        return s;
    };
    std::string busy;
    a.p.After(0.5, [&] { busy = states(); });
    a.Click(a.main.picStartUp);
    EXPECT_EQ(busy, "- -");
    EXPECT_EQ(states(), "- stop");
    a.p.RunFor(65);
    a.Click(a.main.picStopUp);
    EXPECT_EQ(states(), "start -");
    EXPECT_EQ(a.win().partsChanged, 2);  // once per face change, never per tick
}

TEST(ScreenReader, CountsInWords) {
    const struct {
        const char* caption;
        const char* words;
    } cases[] = {{"00", "0 seconds"},  {"01", "1 second"}, {"1", "1 second"},      {"02", "2 seconds"},
                 {"59", "59 seconds"}, {"", "0 seconds"},  {"1.5", "1.5 seconds"}, {"100", "100 seconds"}};
    for (const auto& c : cases)
        EXPECT_EQ(CountInWords(c.caption, "second"), c.words) << c.caption;
    EXPECT_EQ(IdleTimeInWords("01", "00", "01"), "Idle time: 1 hour, 0 minutes, 1 second");
    EXPECT_EQ(TotalTimeInWords("01", "23", "59", "59"),
              "Total time: 1 day, 23 hours, 59 minutes, 59 seconds");
}

}  // namespace
}  // namespace pw
