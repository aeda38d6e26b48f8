// frmMenu: never shown. It carries the popup menu of the main window and the
// saved chat text of the idle clock.
#pragma once

#include <memory>

#include "platform/forms.h"

namespace pw {

class FrmMain;
class FrmCredits;

// The version history shown by "updates".
extern const char* const kVersionHistory;

class FrmMenu : public Form {
  public:
    explicit FrmMenu(FrmMain& main);
    ~FrmMenu() override;

    Control& lblStartCancel;
    Control& lblChatLine;

    void scrollstats_Click();
    void clrstats_Click();
    void updated_Click();
    void credits_Click();
    void minimize_Click();
    void exit_Click();
    // An "auto idle" choice: 0 is off.
    void autoidle_Click(int minutes);
    // Radio-checks the current automatic idle choice; a hand-edited value that is not
    // one of the choices shows as an extra choice of its own.
    void ShowAutoIdleChoice(int minutes);

    // The credits window, while it exists.
    FrmCredits* Credits() { return credits_.get(); }

  private:
    MenuItem MakeMenu(int autoIdleMinutes);

    FrmMain& main_;
    std::unique_ptr<FrmCredits> credits_;
};

// Counts a lifetime total down to zero one unit at a time, pumping events before
// each step. A caption that is not a whole number of 0 or more is cleared at once.
void CountDown(Platform& p, Control& total);

}  // namespace pw
