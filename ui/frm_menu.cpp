#include "ui/frm_menu.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "host/bridge.h"
#include "idling/announce.h"
#include "platform/pause.h"
#include "stats/stats_file.h"
#include "ui/frm_credits.h"
#include "ui/frm_main.h"

namespace pw {

const char* const kVersionHistory =
    "\t\t     - Version Updates -\r\n\r\n"
    "version 1.51:\t- major bug fixed with the chat recognizing and such. - fixed\r\n"
    "released: 08.10.00\r\n\r\n"
    "version 1.5:\t- chat and idle without your text being trashed ever again.\r\n"
    "released: 08.08.00\t- win2k can now move the form around the screen. - api fixed\r\n\r\n"
    "version 1:\r\n"
    "released: 07.15.00";

namespace {

MenuItem Item(const std::string& name, const std::string& caption, std::function<void()> click = {}) {
    MenuItem item;
    item.name = name;
    item.caption = caption;
    item.Click = std::move(click);
    return item;
}

constexpr int kAutoIdleChoices[] = {0, 5, 10, 15, 30};

std::string AutoIdleCaption(int minutes) {
    if (minutes == 0) return "off";
    return "after " + std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
}

}  // namespace

FrmMenu::FrmMenu(FrmMain& main)
    : Form(main.platform, "frmMenu", 1575, 540),
      lblStartCancel(Add("lblStartCancel", ControlKind::Label, nullptr, 60, 300, 1455, 195)),
      lblChatLine(Add("lblChatLine", ControlKind::Label, nullptr, 60, 60, 1455, 195)),
      main_(main) {
    SetWindowRole(FormRole::OwnedByMain, &main);
    for (Control* c : {&lblStartCancel, &lblChatLine}) {
        c->back = Color::Rgb(0, 0, 0);
        c->fore = Color::Sys(Color::HighlightText);
    }
    SetMenu(MakeMenu(0));
}

MenuItem FrmMenu::MakeMenu(int autoIdleMinutes) {
    MenuItem statistics = Item("statistics", "statistics");
    statistics.items = {Item("scrollstats", "scroll stats", [this] { scrollstats_Click(); }),
                        Item("clrstats", "clear stats", [this] { clrstats_Click(); })};
    MenuItem credits = Item("credits", "credits", [this] { credits_Click(); });
    credits.enabled = false;  // on purpose: shipped greyed, so no menu reaches the credits window
    MenuItem autoIdle = Item("autoidle", "auto idle");
    std::vector<int> choices(std::begin(kAutoIdleChoices), std::end(kAutoIdleChoices));
    if (std::find(choices.begin(), choices.end(), autoIdleMinutes) == choices.end())
        choices.insert(std::upper_bound(choices.begin(), choices.end(), autoIdleMinutes), autoIdleMinutes);
    for (int minutes : choices) {
        MenuItem choice = Item("autoidle" + std::to_string(minutes), AutoIdleCaption(minutes),
                               [this, minutes] { autoidle_Click(minutes); });
        choice.radio = true;
        choice.checked = minutes == autoIdleMinutes;
        autoIdle.items.push_back(std::move(choice));
    }
    MenuItem menu = Item("main", "main");
    menu.items = {Item("dash1", "-"),
                  std::move(statistics),
                  Item("dash2", "-"),
                  Item("updated", "updates", [this] { updated_Click(); }),
                  std::move(credits),
                  Item("dash3", "-"),
                  std::move(autoIdle),
                  Item("dash5", "-"),
                  Item("minimize", "minimize", [this] { minimize_Click(); }),
                  Item("exit", "exit", [this] { exit_Click(); }),
                  Item("dash4", "-")};
    return menu;
}

FrmMenu::~FrmMenu() = default;

void FrmMenu::scrollstats_Click() {
    HostLink& link = main_.Link();
    link.ClearChatInput();
    link.SendChat(StatisticsLine(main_.lblVersion.Caption()));
    Pause(platform, kPauseBeforeLine);
    link.SendChat(TotalsLine(main_.lblVersion.Caption(), main_.lblTotalDays.Caption(),
                             main_.lblTotalHours.Caption(), main_.lblTotalMinutes.Caption(),
                             main_.lblTotalSeconds.Caption()));
}

void CountDown(Platform& p, Control& total) {
    for (;;) {
        p.PumpEvents();
        // Only whole numbers count down; anything else would never reach zero.
        if (!IsPlainTotal(total.Caption())) return total.SetCaption("00");
        double v = CaptionValue(total.Caption());
        if (v == 0) return;
        total.SetCaption(NumberText(v - 1));
        if (CaptionValue(total.Caption()) == 0) return;
    }
}

void FrmMenu::clrstats_Click() {
    int answer = platform.ShowMessageBox(&main_, "Are you sure you want to clear your statistics?",
                                         "Delete Statistics?", kMbYesNo | kMbIconStop);
    if (answer != kIdYes) {
        main_.Stats().SaveTotals();
        return;
    }
    main_.Stats().BeginClear();
    for (Control* total :
         {&main_.lblTotalSeconds, &main_.lblTotalMinutes, &main_.lblTotalHours, &main_.lblTotalDays})
        CountDown(platform, *total);
    main_.Stats().SaveClearedTotals();
}

void FrmMenu::updated_Click() {
    main_.Window().SetTopmost(false);
    platform.ShowMessageBox(&main_, kVersionHistory, "Updates!", kMbOk | kMbIconInformation);
    main_.Window().SetTopmost(true);
}

void FrmMenu::credits_Click() {
    main_.Window().SetTopmost(false);
    main_.Window().SetEnabled(false);
    if (!credits_) credits_ = std::make_unique<FrmCredits>(main_);
    credits_->Open();
}

void FrmMenu::minimize_Click() {
    main_.Minimize();
}

void FrmMenu::exit_Click() {
    main_.lblClose_Click();
}

void FrmMenu::ShowAutoIdleChoice(int minutes) {
    SetMenu(MakeMenu(minutes));
}

void FrmMenu::autoidle_Click(int minutes) {
    main_.Auto().Choose(minutes);
}

}  // namespace pw
