#include "ui/frm_main.h"

#include <cstddef>

#include "build_info.h"
#include "host/bridge.h"
#include "idling/announce.h"
#include "platform/pause.h"
#include "ui/art.h"
#include "ui/frm_menu.h"
#include "ui/spoken.h"

namespace pw {
namespace {

constexpr ControlKind kLabel = ControlKind::Label;
constexpr ControlKind kPicture = ControlKind::Picture;
constexpr ControlKind kFrame = ControlKind::Frame;

// How the controls look.
void Panel(Control& c, const char*) {
    c.back = Color::Sys(Color::ActiveBorder);
    c.outline = false;
}
void Picture(Control& c, const char* art) {
    c.picture = art;
    c.border3d = true;
}
void HotSpot(Control& c, const char* tip) {
    c.transparent = true;
    c.tooltip = tip;
}
void Counter(Control& c, const char*) {
    c.SetCaption("00");
}
void Name(Control& c, const char* text) {
    c.SetCaption(text);
    c.font.bold = true;
    c.align = Align::Right;
}
void Heading(Control& c, const char* text) {
    c.SetCaption(text);
    c.font.bold = true;
    c.fore = Color::Rgb(255, 0, 0);
}
void Hidden(Control& c, const char* text) {
    if (text) c.SetCaption(text);
    c.SetVisible(false);
}
void Version(Control& c, const char* text) {
    Hidden(c, text);
    c.transparent = true;
    c.font.points = 6;
}

// The controls as they lie within each container, topmost first.
constexpr ControlSpec kControls[] = {
    {"picBottomBar", kPicture, nullptr, 120, 1590, 4335, 315, Picture, art::kBottomBar},
    {"Frame1", kFrame, nullptr, 0, -90, 4575, 2115, Panel},  // the back panel of the whole window
    {"cmdStopIt", ControlKind::Button, "Frame1", 4440, 180, 555, 255, Hidden, "StopIt"},
    {"picTitleBar", kPicture, "Frame1", 120, 210, 4335, 345, Picture, art::kTitleBar},
    {"lblClose", kLabel, "picTitleBar", 4005, 15, 255, 255, HotSpot, "close"},
    {"lblMinimize", kLabel, "picTitleBar", 3735, 15, 255, 255, HotSpot, "minimize"},
    {"lblMenu", kLabel, "picTitleBar", 0, 0, 255, 300, HotSpot, "menu"},
    {"Frame3", kFrame, "Frame1", 120, 525, 1275, 1095},
    {"picStartDown", kPicture, "Frame3", 165, 180, 960, 345, Picture, art::kStartDown},
    {"picStopDown", kPicture, "Frame3", 165, 660, 960, 345, Picture, art::kStopDown},
    {"picStartUp", kPicture, "Frame3", 165, 180, 960, 345, Picture, art::kStartUp},
    {"picStopUp", kPicture, "Frame3", 165, 660, 960, 345, Picture, art::kStopUp},
    {"Frame2", kFrame, "Frame1", 1500, 525, 2955, 1095},
    {"lblTotalDays", kLabel, "Frame2", 2520, 840, 375, 195, Counter},
    {"Label1", kLabel, "Frame2", 1560, 840, 855, 195, Name, "Days:"},
    {"Label12", kLabel, "Frame2", 1380, 120, 975, 195, Heading, "Total Time:"},
    {"Label11", kLabel, "Frame2", 1500, 300, 915, 195, Name, "Seconds:"},
    {"Label10", kLabel, "Frame2", 1500, 480, 915, 195, Name, "Minutes:"},
    {"Label9", kLabel, "Frame2", 1500, 660, 915, 195, Name, "Hours:"},
    {"lblTotalSeconds", kLabel, "Frame2", 2520, 300, 375, 195, Counter},
    {"lblTotalMinutes", kLabel, "Frame2", 2520, 480, 375, 195, Counter},
    {"lblTotalHours", kLabel, "Frame2", 2520, 660, 375, 195, Counter},
    {"lblHours", kLabel, "Frame2", 1140, 840, 555, 195, Counter},
    {"lblMinutes", kLabel, "Frame2", 1140, 600, 495, 195, Counter},
    {"lblSeconds", kLabel, "Frame2", 1140, 360, 495, 195, Counter},
    {"Label5", kLabel, "Frame2", 120, 840, 915, 195, Name, "Hours:"},
    {"Label4", kLabel, "Frame2", 120, 600, 915, 195, Name, "Minutes:"},
    {"Label3", kLabel, "Frame2", 120, 360, 915, 195, Name, "Seconds:"},
    {"Label2", kLabel, "Frame2", 120, 120, 915, 195, Heading, "Idle Time:"},
    {"lblVersion", kLabel, "Frame1", 120, 90, 315, 135, Version, "v." PW_VERSION_TEXT},
    {"lblButtonLeft(1)", kLabel, "Frame1", 540, 540, 435, 195, Hidden},
    {"lblButtonTop(1)", kLabel, "Frame1", 540, 540, 435, 195, Hidden},
    {"lblButtonTop(0)", kLabel, "Frame1", 420, 540, 435, 195, Hidden},
    {"lblButtonLeft(0)", kLabel, "Frame1", 420, 540, 435, 195, Hidden},
};

constexpr TimerSpec kTimers[] = {{"Timer1", 1000}, {"tmrAutoIdle", 1000}};

}  // namespace

// The controls are made by the form from the table; the members only name them, so
// their order matters nowhere. The parts below are built in the order declared, each
// from those before it (the static_asserts in Wire say which).
FrmMain::FrmMain(Platform& p)
    : Form(p, "frmMain", 4575, 2025, kControls, kTimers),
      picBottomBar(Named("picBottomBar")),
      Frame1(Named("Frame1")),
      cmdStopIt(Named("cmdStopIt")),
      picTitleBar(Named("picTitleBar")),
      lblClose(Named("lblClose")),
      lblMinimize(Named("lblMinimize")),
      lblMenu(Named("lblMenu")),
      Frame3(Named("Frame3")),
      picStartDown(Named("picStartDown")),
      picStopDown(Named("picStopDown")),
      picStartUp(Named("picStartUp")),
      picStopUp(Named("picStopUp")),
      Frame2(Named("Frame2")),
      lblTotalDays(Named("lblTotalDays")),
      Label1(Named("Label1")),
      Label12(Named("Label12")),
      Label11(Named("Label11")),
      Label10(Named("Label10")),
      Label9(Named("Label9")),
      lblTotalSeconds(Named("lblTotalSeconds")),
      lblTotalMinutes(Named("lblTotalMinutes")),
      lblTotalHours(Named("lblTotalHours")),
      lblHours(Named("lblHours")),
      lblMinutes(Named("lblMinutes")),
      lblSeconds(Named("lblSeconds")),
      Label5(Named("Label5")),
      Label4(Named("Label4")),
      Label3(Named("Label3")),
      Label2(Named("Label2")),
      lblVersion(Named("lblVersion")),
      lblButtonLeft1(Named("lblButtonLeft(1)")),
      lblButtonTop1(Named("lblButtonTop(1)")),
      lblButtonTop0(Named("lblButtonTop(0)")),
      lblButtonLeft0(Named("lblButtonLeft(0)")),
      Timer1(TimerNamed("Timer1")),
      tmrAutoIdle(TimerNamed("tmrAutoIdle")),
      link_(p, kLineStart),
      totals_({Named("lblTotalDays"), Named("lblTotalHours"), Named("lblTotalMinutes"),
               Named("lblTotalSeconds")}),
      stats_(p, totals_.Labels(), *this),
      controller_(*this, link_, Counters(), Named("lblVersion"), TimerNamed("Timer1"),
                  {Named("picStartUp"), Named("picStartDown"), Named("picStopUp"), Named("picStopDown")},
                  totals_, stats_),
      autoIdle_(*this, TimerNamed("tmrAutoIdle"), TimerNamed("Timer1"), controller_, stats_),
      clock_(
          link_, Counters(), Named("lblVersion"), TimerNamed("Timer1"),
          [this]() -> Control& { return Menu().lblChatLine; }, [this] { return controller_.Period(); }) {
    SetWindowRole(FormRole::Main);
    designLeft = 3105;
    designTop = 1155;
    caption = "pellowick \xC2\xB7 jom";
    Wire();
    MakeWindow();
}

void FrmMain::Wire() {
    // A part handed to another is built before it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
    static_assert(offsetof(FrmMain, link_) < offsetof(FrmMain, controller_));
    static_assert(offsetof(FrmMain, totals_) < offsetof(FrmMain, stats_));
    static_assert(offsetof(FrmMain, stats_) < offsetof(FrmMain, controller_));
    static_assert(offsetof(FrmMain, controller_) < offsetof(FrmMain, autoIdle_));
    static_assert(offsetof(FrmMain, link_) < offsetof(FrmMain, clock_));
#pragma GCC diagnostic pop
    picStartUp.Click = [this] { controller_.picStartUp_Click(); };
    picStopUp.Click = [this] { controller_.picStopUp_Click(); };
    cmdStopIt.Click = [this] { controller_.cmdStopIt_Click(); };
    start_.Attach();
    stop_.Attach();
    picTitleBar.MouseDown = [this](int) { BeginDrag(); };
    lblMinimize.MouseUp = [this](int) { Minimize(); };
    lblMenu.Click = [this] { lblMenu_Click(); };
    lblClose.Click = [this] { lblClose_Click(); };
    QueryClose = [this] { Form_Unload(); };
    Form::EndSession = [this] { SessionEnding(); };
    SessionLock = [this](bool locked) { autoIdle_.Form_SessionLock(locked); };
    Resumed = [this] { autoIdle_.Form_Resumed(); };
    controller_.StateChanged = [this] { PartsChanged(); };
    controller_.Stopped = [this] {
        if (!closeAfterStop_) return;
        closeAfterStop_ = false;
        lblClose_Click();
    };
    // Keyboard and screen readers: start and stop share the first stop, so the one
    // that replaces the other after a press has the focus. The start minimizes the
    // host client, which activates it; a keyboard user stays here to press stop. The
    // stop hands the user back to the maximized host client, as a click does.
    AddButton("start", Role::PushButton, picStartUp, &picStartDown, 0).keepsKeyboard = true;
    AddButton("stop", Role::PushButton, picStopUp, &picStopDown, 0);
    AddButton("menu", Role::MenuButton, lblMenu, nullptr, 1);
    AddButton("minimize", Role::PushButton, lblMinimize, nullptr, 2);
    AddButton("close", Role::PushButton, lblClose, nullptr, 3);
    AddText("Idle Time", Label2, [this] {
        return IdleTimeInWords(lblHours.Caption(), lblMinutes.Caption(), lblSeconds.Caption());
    });
    AddText("Total Time", Label12, [this] {
        return TotalTimeInWords(lblTotalDays.Caption(), lblTotalHours.Caption(), lblTotalMinutes.Caption(),
                                lblTotalSeconds.Caption());
    });
}

FrmMain::~FrmMain() = default;

FrmMenu& FrmMain::Menu() {
    if (!menu_) menu_ = std::make_unique<FrmMenu>(*this);
    return *menu_;
}

void FrmMain::Form_Load() {
    Window().SetTopmost(true);
    caption = "pellowick " + lblVersion.Caption() + " \xC2\xB7 jom";
    Window().SetTitle(caption);
    picStopUp.SetVisible(false);
    picStartDown.SetVisible(false);
    start_.RecordHome();
    stop_.RecordHome();
    stats_.LoadTotals();
    link_.ClearChatInput();
    Pause(platform, kPauseBeforeLine);
    link_.SendChat(LoadedLine(lblVersion.Caption()));
    // Only now: nothing may start automatically before "loaded".
    autoIdle_.Begin();
}

// A close ends the program within moments, whatever the host does: past this it is
// asked nothing more.
void FrmMain::CloseRequested() {
    link_.StopAskingAt(platform.AwakeSeconds() + kCloseHostSeconds);
}

void FrmMain::Form_Unload() {
    // A second close during the unload's pause must not unload twice, and a close
    // during a stop waits until the stop has saved the idle period.
    if (unloading_) return;
    CloseRequested();
    if (controller_.Stopping()) {
        closeAfterStop_ = true;
        return;
    }
    Unload(true);
}

void FrmMain::lblClose_Click() {
    if (unloading_) return;
    CloseRequested();
    controller_.Closing();
    cmdStopIt.Press();
    Form_Unload();
}

void FrmMain::SessionEnding() {
    // The session is ending and will not wait: say goodbye without the pause.
    if (unloading_) return;
    CloseRequested();
    Unload(false);
}

void FrmMain::Unload(bool pause) {
    unloading_ = true;
    controller_.Closing();
    // A clear the user confirmed is not left half counted down: it is done now.
    const bool clearing = stats_.Clearing();
    if (clearing) stats_.ClearLabels();
    // Closed other than by its close command while idle (Alt+F4, log-off): no "not
    // idle", as ever, but the idle time lived is not lost.
    controller_.FoldRunningPeriod();
    clearing ? stats_.SaveClearedTotals() : stats_.SaveTotals();
    // A host that is not answering gets no goodbye: the close must not wait on it.
    if (!link_.Silent() && !link_.PastDeadline()) {
        link_.ClearChatInput();
        if (pause) Pause(platform, kPauseBeforeLine);
        link_.SendChat(UnloadedLine(lblVersion.Caption()));
    }
    platform.Quit();
}

void FrmMain::lblMenu_Click() {
    // No command starts once the program is closing; one popup menu at a time.
    if (unloading_ || InWindowLoop()) return;
    FrmMenu& menu = Menu();
    menu.ShowAutoIdleChoice(autoIdle_.Minutes());
    const std::shared_ptr<const MenuItem> items = menu.Menu();
    const float at = MenuPlace();
    const MenuItem* item = TrackPopup(*items, at, at);
    // `items` keeps the item alive while it runs, though a nested click rebuilds the menu.
    if (item && item->Click) item->Click();
}

}  // namespace pw
