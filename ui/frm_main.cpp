#include "ui/frm_main.h"

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

void Bold(Control& c, bool rightAligned = true) {
    c.font.bold = true;
    if (rightAligned) c.align = Align::Right;
}

void Picture(Control& c, const char* art) {
    c.picture = art;
    c.border3d = true;
}

void HotSpot(Control& c, const char* tip) {
    c.transparent = true;
    c.tooltip = tip;
}

}  // namespace

FrmMain::FrmMain(Platform& p)
    : Form(p, "frmMain", 4575, 2025),
      picBottomBar(Add("picBottomBar", kPicture, nullptr, 120, 1590, 4335, 315)),
      Frame1(Add("Frame1", kFrame, nullptr, 0, -90, 4575, 2115)),
      cmdStopIt(Add("cmdStopIt", ControlKind::Button, &Frame1, 4440, 180, 555, 255)),
      picTitleBar(Add("picTitleBar", kPicture, &Frame1, 120, 210, 4335, 345)),
      lblClose(Add("lblClose", kLabel, &picTitleBar, 4005, 15, 255, 255)),
      lblMinimize(Add("lblMinimize", kLabel, &picTitleBar, 3735, 15, 255, 255)),
      lblMenu(Add("lblMenu", kLabel, &picTitleBar, 0, 0, 255, 300)),
      Frame3(Add("Frame3", kFrame, &Frame1, 120, 525, 1275, 1095)),
      picStartDown(Add("picStartDown", kPicture, &Frame3, 165, 180, 960, 345)),
      picStopDown(Add("picStopDown", kPicture, &Frame3, 165, 660, 960, 345)),
      picStartUp(Add("picStartUp", kPicture, &Frame3, 165, 180, 960, 345)),
      picStopUp(Add("picStopUp", kPicture, &Frame3, 165, 660, 960, 345)),
      Frame2(Add("Frame2", kFrame, &Frame1, 1500, 525, 2955, 1095)),
      lblTotalDays(Add("lblTotalDays", kLabel, &Frame2, 2520, 840, 375, 195)),
      Label1(Add("Label1", kLabel, &Frame2, 1560, 840, 855, 195)),
      Label12(Add("Label12", kLabel, &Frame2, 1380, 120, 975, 195)),
      Label11(Add("Label11", kLabel, &Frame2, 1500, 300, 915, 195)),
      Label10(Add("Label10", kLabel, &Frame2, 1500, 480, 915, 195)),
      Label9(Add("Label9", kLabel, &Frame2, 1500, 660, 915, 195)),
      lblTotalSeconds(Add("lblTotalSeconds", kLabel, &Frame2, 2520, 300, 375, 195)),
      lblTotalMinutes(Add("lblTotalMinutes", kLabel, &Frame2, 2520, 480, 375, 195)),
      lblTotalHours(Add("lblTotalHours", kLabel, &Frame2, 2520, 660, 375, 195)),
      lblHours(Add("lblHours", kLabel, &Frame2, 1140, 840, 555, 195)),
      lblMinutes(Add("lblMinutes", kLabel, &Frame2, 1140, 600, 495, 195)),
      lblSeconds(Add("lblSeconds", kLabel, &Frame2, 1140, 360, 495, 195)),
      Label5(Add("Label5", kLabel, &Frame2, 120, 840, 915, 195)),
      Label4(Add("Label4", kLabel, &Frame2, 120, 600, 915, 195)),
      Label3(Add("Label3", kLabel, &Frame2, 120, 360, 915, 195)),
      Label2(Add("Label2", kLabel, &Frame2, 120, 120, 915, 195)),
      lblVersion(Add("lblVersion", kLabel, &Frame1, 120, 90, 315, 135)),
      lblButtonLeft1(Add("lblButtonLeft(1)", kLabel, &Frame1, 540, 540, 435, 195)),
      lblButtonTop1(Add("lblButtonTop(1)", kLabel, &Frame1, 540, 540, 435, 195)),
      lblButtonTop0(Add("lblButtonTop(0)", kLabel, &Frame1, 420, 540, 435, 195)),
      lblButtonLeft0(Add("lblButtonLeft(0)", kLabel, &Frame1, 420, 540, 435, 195)),
      Timer1(AddTimer("Timer1", 1000)),
      tmrAutoIdle(AddTimer("tmrAutoIdle", 1000)),
      link_(p, kLineStart),
      totals_({lblTotalDays, lblTotalHours, lblTotalMinutes, lblTotalSeconds}),
      stats_(p, totals_.Labels(), *this),
      controller_(*this, link_, Counters(), lblVersion, Timer1,
                  {picStartUp, picStartDown, picStopUp, picStopDown}, totals_, stats_),
      autoIdle_(*this, tmrAutoIdle, Timer1, controller_),
      clock_(
          link_, Counters(), lblVersion, Timer1, [this]() -> Control& { return Menu().lblChatLine; },
          [this] { return controller_.Period(); }) {
    SetWindowRole(FormRole::Main);
    designLeft = 3105;
    designTop = 1155;
    caption = "pellowick \xC2\xB7 jom";

    Frame1.back = Color::Sys(Color::ActiveBorder);
    Frame1.outline = false;  // the back panel of the whole window
    Picture(picBottomBar, art::kBottomBar);
    Picture(picTitleBar, art::kTitleBar);
    Picture(picStartUp, art::kStartUp);
    Picture(picStartDown, art::kStartDown);
    Picture(picStopUp, art::kStopUp);
    Picture(picStopDown, art::kStopDown);
    HotSpot(lblClose, "close");
    HotSpot(lblMinimize, "minimize");
    HotSpot(lblMenu, "menu");

    for (Control* c : {&lblTotalDays, &lblTotalSeconds, &lblTotalMinutes, &lblTotalHours, &lblHours,
                       &lblMinutes, &lblSeconds})
        c->SetCaption("00");
    const std::pair<Control*, const char*> names[] = {
        {&Label1, "Days:"},  {&Label11, "Seconds:"}, {&Label10, "Minutes:"}, {&Label9, "Hours:"},
        {&Label5, "Hours:"}, {&Label4, "Minutes:"},  {&Label3, "Seconds:"}};
    for (auto [label, text] : names) {
        label->SetCaption(text);
        Bold(*label);
    }
    for (auto [label, text] : {std::pair{&Label12, "Total Time:"}, std::pair{&Label2, "Idle Time:"}}) {
        label->SetCaption(text);
        Bold(*label, false);
        label->fore = Color::Rgb(255, 0, 0);
    }
    cmdStopIt.SetCaption("StopIt");
    cmdStopIt.SetVisible(false);
    lblVersion.SetCaption("v." PW_VERSION_TEXT);
    lblVersion.SetVisible(false);
    lblVersion.transparent = true;
    lblVersion.font.points = 6;
    for (Control* c : {&lblButtonLeft1, &lblButtonTop1, &lblButtonTop0, &lblButtonLeft0})
        c->SetVisible(false);

    picStartUp.Click = [this] { controller_.picStartUp_Click(); };
    picStopUp.Click = [this] { controller_.picStopUp_Click(); };
    cmdStopIt.Click = [this] { controller_.cmdStopIt_Click(); };
    start_.Attach();
    stop_.Attach();
    picTitleBar.MouseDown = [this](int) { Window().BeginDrag(); };
    lblMinimize.MouseUp = [this](int) { Minimize(); };
    lblMenu.Click = [this] { lblMenu_Click(); };
    lblClose.Click = [this] { lblClose_Click(); };
    QueryClose = [this] { Form_Unload(); };
    Form::EndSession = [this] { SessionEnding(); };
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
    controller_.StateChanged = [this] { PartsChanged(); };
    SessionLock = [this](bool locked) { autoIdle_.Form_SessionLock(locked); };
    Resumed = [this] { autoIdle_.Form_Resumed(); };
    controller_.Stopped = [this] {
        if (!closeAfterStop_) return;
        closeAfterStop_ = false;
        lblClose_Click();
    };
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
    autoIdle_.SetMinutes(stats_.Opts().autoIdleMinutes);
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
    // Closed other than by its close command while idle (Alt+F4, log-off): no "not
    // idle", as ever, but the idle time lived is not lost.
    controller_.FoldRunningPeriod();
    stats_.SaveTotals();
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
    if (unloading_ || menuOpen_) return;
    FrmMenu& menu = Menu();
    menu.ShowAutoIdleChoice(autoIdle_.Minutes());
    const std::shared_ptr<const MenuItem> items = menu.Menu();
    const float at = MenuPlace();
    const MenuItem* item = nullptr;
    {
        menuOpen_ = true;
        struct Closed {
            bool& open;
            ~Closed() { open = false; }
        } closed{menuOpen_};
        item = Window().TrackPopup(*items, at, at);
    }
    // `items` keeps the item alive while it runs, though a nested click rebuilds the menu.
    if (item && item->Click) item->Click();
}

}  // namespace pw
