#include "app_fixture.h"
#include "build_info.h"
#include "ui/frm_credits.h"

namespace pw {
namespace {

using testing::App;

TEST(MainWindow, LoadPreparesTheWindowBeforeItIsShown) {
    App a;
    a.p.At(a.host.input).text = "half-typed";
    a.main.Form_Load();
    auto& w = a.win();
    EXPECT_EQ(w.calls.front(), "topmost");
    EXPECT_FALSE(w.shown);
    EXPECT_EQ(w.title, "pellowick v." PW_VERSION_TEXT " \xC2\xB7 jom");
    EXPECT_TRUE(a.main.picStartUp.Visible() && a.main.picStopDown.Visible());
    EXPECT_FALSE(a.main.picStartDown.Visible() || a.main.picStopUp.Visible());
    std::vector<std::string> homes = {a.main.lblButtonTop0.Caption(), a.main.lblButtonLeft0.Caption(),
                                      a.main.lblButtonTop1.Caption(), a.main.lblButtonLeft1.Caption()};
    EXPECT_EQ(homes, (std::vector<std::string>{"180", "165", "660", "165"}));
    EXPECT_EQ(a.Said(), std::vector<std::string>{"loaded</b> -|"});
    EXPECT_EQ(a.Totals(), "00 00 00 00");
    EXPECT_TRUE(a.p.files.empty());
}

TEST(MainWindow, PressedEffectAlwaysReturnsHome) {
    App a;
    a.main.Form_Load();
    auto& pic = a.main.picStartUp;
    for (int i = 0; i < 1000; ++i) {
        pic.MouseDown(kRightButton);
        pic.MouseDown(kLeftButton);  // a second press before any release
        EXPECT_EQ(pic.Top(), 195.0f);
        EXPECT_EQ(pic.Left(), 180.0f);
        pic.MouseUp(kLeftButton);
    }
    EXPECT_EQ(pic.Top(), 180.0f);
    EXPECT_EQ(pic.Left(), 165.0f);
}

TEST(MainWindow, HotSpotsAndPopupMenu) {
    App a;
    a.main.Form_Load();
    a.main.picTitleBar.MouseDown(kRightButton);
    EXPECT_EQ(a.win().drags, 1);
    a.main.lblMinimize.MouseUp(kRightButton);
    EXPECT_TRUE(a.win().minimized);
    a.p.popupPicks = {"credits"};  // greyed: nothing happens
    a.Click(a.main.lblMenu);
    EXPECT_EQ(a.win().popupX, 120.0f);
    EXPECT_EQ(a.win().popupY, 120.0f);
    EXPECT_FALSE(a.main.Menu().Credits());
    EXPECT_FALSE(a.main.Menu().HasWindow());  // never shown
}

TEST(Menu, PostStatistics) {
    App a;
    a.main.lblTotalHours.SetCaption("05");
    a.main.lblTotalMinutes.SetCaption("12");
    a.main.lblTotalSeconds.SetCaption("33");
    a.p.popupPicks = {"scrollstats"};
    const double t0 = a.p.now;
    a.Click(a.main.lblMenu);
    std::vector<std::string> expected = {"statistics</b> -|", "d</b>00 <b>h</b>05 <b>m</b>12 <b>s</b>33 -|"};
    EXPECT_EQ(a.Said(), expected);
    EXPECT_GT(a.p.now - t0, 0.49);

    // A second click on the glyph while the command runs opens the menu anew (here
    // dismissed); the item still running stays alive (the sanitized run would say).
    a.host.posts.clear();
    a.p.popupPicks = {"scrollstats"};
    a.p.After(0.2, [&] {
        a.p.popupPicks = {""};
        a.Click(a.main.lblMenu);
    });
    a.Click(a.main.lblMenu);
    EXPECT_EQ(a.Said(), expected);
}

// The box itself and the answer No are checked end to end.
TEST(Menu, ClearStatistics) {
    struct Case {
        const char *d, *h, *m, *s;
    } cases[] = {
        {"00", "05", "12", "33"},
        {"00", "00", "00", "00"},
        {"01", "-3", "2.5", "x7"},  // only whole numbers count down
    };
    for (auto& c : cases) {
        App a;
        a.main.lblTotalDays.SetCaption(c.d), a.main.lblTotalHours.SetCaption(c.h);
        a.main.lblTotalMinutes.SetCaption(c.m), a.main.lblTotalSeconds.SetCaption(c.s);
        a.p.answers = {kIdYes};
        a.main.Menu().clrstats_Click();
        EXPECT_EQ(a.Totals(), "00 00 00 00");
        // A clear names itself among the saves it includes ("!" and its run).
        EXPECT_EQ(a.File("c:\\pwick.dat"),
                  testing::Stats("00", "00", "00", "00", 1, 0, ",!4242.43200000:1:0"));
    }
}

TEST(Credits, PlacementStaysOnScreen) {
    const float W = 4155, H = 1545;  // the credits window
    struct Case {
        float mainLeft, mainTop, screenW, screenH, left, top;
    } cases[] = {
        {3105, 1155, 15360, 11520, 3105 + (4575 - W) / 2, 1155 + (2025 - H) / 2},
        {14000, 1155, 15360, 11520, 15360 - W, 1155 + (2025 - H) / 2},  // flush with the right edge
        {3105, -600, 15360, 11520, 3105 + (4575 - W) / 2, 0},           // Top would be negative
        {3105, 1155, 3000, 1000, 0, 1000 - H},                          // a screen smaller than the window
    };
    for (auto& c : cases) {
        App a;
        a.p.screenWidth = c.screenW, a.p.screenHeight = c.screenH;
        a.main.Window().Move(c.mainLeft, c.mainTop);
        a.main.Menu().credits_Click();
        auto* credits = a.main.Menu().Credits();
        auto* w = a.p.WindowOf(*credits);
        EXPECT_EQ(w->Left(), c.left);
        EXPECT_EQ(w->Top(), c.top);
        EXPECT_TRUE(w->shown && w->topmost);
        EXPECT_FALSE(a.win().enabled || a.win().topmost);
        EXPECT_EQ(credits->lblButtonTop.Caption(), "1140");
    }
}

TEST(Credits, ThanksAndClose) {
    App a;
    a.main.Menu().credits_Click();
    FrmCredits& c = *a.main.Menu().Credits();
    EXPECT_EQ(c.txtMsgs.Caption(), kCreditsFacts);
    a.Click(c.Label2);
    EXPECT_EQ(c.txtMsgs.Caption(), kThanksBetaTest);
    a.Click(c.Label4);
    EXPECT_EQ(c.txtMsgs.Caption(), kThanksName);
    a.Click(c.picCloseUp);
    EXPECT_TRUE(a.win().enabled && a.win().topmost);
    EXPECT_FALSE(a.p.WindowOf(c)->shown);
    a.main.Menu().credits_Click();  // opened again: loaded anew
    EXPECT_EQ(c.txtMsgs.Caption(), kCreditsFacts);
}

}  // namespace
}  // namespace pw
