#include "ui/frm_credits.h"

#include "ui/art.h"
#include "ui/frm_main.h"

namespace pw {

// On purpose the first release's facts, version "1.0" among them, whatever the build.
const char* const kCreditsFacts =
    "name:\t\tpellowick\r\nversion:\t\t1.0\r\nby:\t\tjom\r\ndate:\t\tjuly 14, 2000";
const char* const kThanksBetaTest =
    "Yo dude. Thanks a lot for the many accurate bug reports that you have submitted to help me make my "
    "program "
    "the best it can be. Helped it where it is.";
const char* const kThanksName =
    "I, while thinking up a name, asked a good friend for some name suggestions. zandrik tells me "
    "'pellowick' is "
    "what he's wanted to make. He offered the name.";

namespace {

constexpr ControlKind kLabel = ControlKind::Label;
// The credits' names and headings, a size above the window's text.
constexpr float kCreditPoints = 9.75f;

void Handle(Control& c, const char* text) {
    c.SetCaption(text);
    c.font.points = kCreditPoints;
    c.tooltip = "Click";
}

}  // namespace

FrmCredits::FrmCredits(FrmMain& main)
    : Form(main.platform, "frmCredits", 4155, 1545),
      txtMsgs(Add("txtMsgs", ControlKind::TextBox, nullptr, 1200, 660, 2895, 855)),
      picLogo(Add("picLogo", ControlKind::Picture, nullptr, 120, 180, 720, 720)),
      Frame1(Add("Frame1", ControlKind::Frame, nullptr, 0, -90, 4155, 1635)),
      picCloseUp(Add("picCloseUp", ControlKind::Picture, &Frame1, 120, 1140, 960, 345)),
      lblButtonLeft(Add("lblButtonLeft", kLabel, &Frame1, 600, 1080, 315, 135)),
      lblButtonTop(Add("lblButtonTop", kLabel, &Frame1, 240, 1020, 315, 195)),
      Label5(Add("Label5", kLabel, &Frame1, 1200, 780, 2895, 795)),
      Label4(Add("Label4", kLabel, &Frame1, 2520, 480, 1215, 255)),
      Label3(Add("Label3", kLabel, &Frame1, 1020, 480, 1095, 255)),
      Label2(Add("Label2", kLabel, &Frame1, 2520, 180, 1155, 255)),
      Label1(Add("Label1", kLabel, &Frame1, 1020, 180, 1275, 255)),
      main_(main) {
    SetWindowRole(FormRole::OwnedByMain, &main);
    caption = "credits";
    txtMsgs.back = Color::Sys(Color::ActiveBorder);
    txtMsgs.SetEnabled(false);
    picLogo.picture = art::kLogo;
    Frame1.back = Color::Sys(Color::ScrollBar);
    Frame1.outline = false;
    picCloseUp.picture = art::kCloseUp;
    picCloseUp.border3d = true;
    for (Control* c : {&lblButtonLeft, &lblButtonTop})
        c->SetVisible(false);
    Handle(Label4, "QUANX");
    Handle(Label2, "kuvano");
    for (auto [label, text] : {std::pair{&Label3, "name help:"}, std::pair{&Label1, "beta testing:"}}) {
        label->SetCaption(text);
        label->font.points = kCreditPoints;
        label->font.bold = true;
    }
    Label2.Click = [this] { txtMsgs.SetCaption(kThanksBetaTest); };
    Label4.Click = [this] { txtMsgs.SetCaption(kThanksName); };
    picCloseUp.Click = [this] { Form_Unload(); };
    close_.Attach();
    QueryClose = [this] { Form_Unload(); };
    MakeWindow();
}

void FrmCredits::Open() {
    Form_Load();
    Window().Show();
}

void FrmCredits::Form_Load() {
    FormWindow& own = Window();
    FormWindow& mainWindow = main_.Window();
    own.SetTopmost(true);
    // Centred over the main window, then kept on the screen; single precision throughout.
    float top = mainWindow.Top() + (mainWindow.Height() - own.Height()) / 2.0f;
    float left = mainWindow.Left() + (mainWindow.Width() - own.Width()) / 2.0f;
    const float screenWidth = platform.ScreenWidth();
    const float screenHeight = platform.ScreenHeight();
    if (left > screenWidth - own.Width()) left = screenWidth - own.Width();
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (top > screenHeight - own.Height()) top = screenHeight - own.Height();
    own.Move(left, top);
    close_.RecordHome();
    txtMsgs.SetCaption(kCreditsFacts);
}

void FrmCredits::Form_Unload() {
    main_.Window().SetEnabled(true);
    main_.Window().SetTopmost(true);
    // The window is only hidden: this may run inside its own click handler.
    Window().Hide();
}

}  // namespace pw
