// The windows' pixel geometry at display scales of 100, 125, 150 and 200 %: sizes,
// places, what lies under the pointer, and which pictures are drawn.
#include <cstdlib>

#include "app_fixture.h"
#include "platform/form_layout.h"
#include "ui/frm_credits.h"

namespace pw {
namespace {

using testing::App;

constexpr int kDpis[] = {96, 120, 144, 192};

TEST(Layout, WindowsScaleWithTheDisplay) {
    App a;
    FrmCredits credits(a.main);
    const struct {
        int dpi;
        PxRect main, creditsClient;
    } cases[] = {
        {96, {207, 77, 512, 212}, {0, 0, 277, 103}},  // today's pixels
        {120, {259, 96, 640, 265}, {0, 0, 346, 129}},
        {144, {311, 116, 769, 319}, {0, 0, 416, 155}},
        {192, {414, 154, 1024, 424}, {0, 0, 554, 206}},
    };
    for (const auto& c : cases) {
        const PixelScale s{c.dpi};
        EXPECT_EQ(DesignWindowRect(a.main, s), c.main) << c.dpi;
        EXPECT_EQ(ClientRect(credits, s), c.creditsClient) << c.dpi;
        // Screen twips come back as the same pixels.
        for (int px : {0, 1, 207, 305, 1023})
            EXPECT_EQ(s.Px(s.Twips(px)), px) << c.dpi;
    }
}

TEST(Layout, HotSpotsTakeThePointerAtEveryScale) {
    App a;
    a.main.Form_Load();
    FrmMain& m = a.main;
    // At 96 DPI the centres are the pixels the window has always had.
    const struct {
        Control& spot;
        int x96, y96;
    } spots[] = {{m.lblMenu, 18, 19},
                 {m.lblMinimize, 267, 19},
                 {m.lblClose, 285, 19},
                 {m.picStartUp, 51, 52},
                 {m.picStopDown, 51, 84}};
    for (int dpi : kDpis) {
        const PixelScale s{dpi};
        for (const auto& sp : spots) {
            const PxRect r = ShownRect(sp.spot, s);
            const int x = r.left + r.Width() / 2, y = r.top + r.Height() / 2;
            if (dpi == 96) {
                EXPECT_EQ(x, sp.x96) << sp.spot.name;
                EXPECT_EQ(y, sp.y96) << sp.spot.name;
            }
            EXPECT_EQ(HitTest(m, x, y, s), &sp.spot) << sp.spot.name << " at " << dpi;
            // Every corner of the spot is still the spot.
            EXPECT_EQ(HitTest(m, r.left, r.top, s), &sp.spot) << sp.spot.name << " at " << dpi;
            EXPECT_EQ(HitTest(m, r.right - 1, r.bottom - 1, s), &sp.spot) << sp.spot.name << " at " << dpi;
        }
        EXPECT_EQ(HitTest(m, ClientRect(m, s).right, 0, s), nullptr);
    }
}

TEST(Layout, ControlsStayWhereTheyWereRelativeToTheWindow) {
    App a;
    for (int dpi : kDpis) {
        const PixelScale s{dpi};
        for (const auto& c : a.main.Controls()) {
            const PxRect r96 = ControlRect(*c), r = ControlRect(*c, s);
            for (auto [edge, edge96] : {std::pair{r.left, r96.left},
                                        {r.top, r96.top},
                                        {r.right, r96.right},
                                        {r.bottom, r96.bottom}})
                EXPECT_LE(std::abs(edge * 96 - edge96 * dpi), 96) << c->name << " at " << dpi;
        }
    }
}

TEST(Layout, PressedPictureMovesOneArtPixel) {
    App a;
    a.main.Form_Load();
    for (int dpi : {96, 192}) {
        const PixelScale s{dpi};
        const PxRect home = ControlRect(a.main.picStartUp, s);
        a.main.picStartUp.MouseDown(kLeftButton);
        const PxRect down = ControlRect(a.main.picStartUp, s);
        a.main.picStartUp.MouseUp(kLeftButton);
        EXPECT_EQ(down.left - home.left, s.Len(1)) << dpi;
        EXPECT_EQ(down.top - home.top, s.Len(1)) << dpi;
        EXPECT_EQ(ControlRect(a.main.picStartUp, s), home) << dpi;
    }
}

TEST(Layout, PicturesDrawnNearestBelowTheScale) {
    const std::pair<int, int> cases[] = {{100, 100}, {125, 100}, {150, 150}, {175, 150}, {200, 200},
                                         {250, 200}, {300, 150}, {400, 200}, {75, 100}};
    for (auto [display, drawn] : cases)
        EXPECT_EQ(ArtPercentFor(display), drawn) << display;
}

// Pixels as twips, for readable layouts.
constexpr float Px(int px) {
    return static_cast<float>(px) * kTwipsPerPixel;
}

struct Layered : Form {
    explicit Layered(Platform& p) : Form(p, "hitTest", Px(200), Px(100)) {
        Add("over", ControlKind::Picture, nullptr, Px(0), Px(0), Px(50), Px(20));
        Add("text", ControlKind::TextBox, nullptr, Px(10), Px(50), Px(30), Px(30)).SetEnabled(false);
        Control& back = Add("back", ControlKind::Frame, nullptr, Px(0), Px(0), Px(200), Px(100));
        Add("hidden", ControlKind::Label, &back, Px(100), Px(60), Px(20), Px(20)).SetVisible(false);
        Control& box = Add("box", ControlKind::Picture, &back, Px(100), Px(10), Px(40), Px(30));
        box.border3d = true;
        Control& spot = Add("spot", ControlKind::Label, &box, Px(0), Px(0), Px(10), Px(10));
        spot.transparent = true;
        Add("spill", ControlKind::Label, &box, Px(30), Px(20), Px(30), Px(30));
        Add("under", ControlKind::Label, &back, Px(100), Px(50), Px(50), Px(40));
    }
};

TEST(FormHitTest, TopmostShownControlTakesThePointer) {
    fake::FakePlatform p;
    Layered form(p);
    const struct {
        int x, y;
        const char* expected;  // nullptr: no control
    } cases[] = {
        {5, 5, "over"},      // listed before the frame it overlaps
        {60, 5, "back"},     // the frame itself where nothing lies on it
        {101, 11, "box"},    // on the 3D border, outside the child area
        {103, 13, "spot"},   // a transparent label without handlers still takes it
        {115, 25, "box"},    // inside the box, on no child
        {137, 37, "spill"},  // child within its container's area
        {145, 45, "back"},   // the same child's part outside the container is cut off
        {105, 65, "under"},  // a hidden control lets the pointer through
        {15, 55, nullptr},   // a disabled control passes it to its container, the window
        {250, 50, nullptr},  // outside the client area
    };
    for (const auto& c : cases) {
        const Control* hit = HitTest(form, c.x, c.y);
        EXPECT_EQ(hit ? hit->name : "(none)", c.expected ? c.expected : "(none)")
            << "at " << c.x << "," << c.y;
    }
}

}  // namespace
}  // namespace pw
