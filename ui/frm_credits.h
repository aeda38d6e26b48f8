// frmCredits: the maker's logo, two thank-you credits and a close button. While it
// is open the main window is disabled and not topmost.
#pragma once

#include "platform/forms.h"
#include "ui/image_button.h"

namespace pw {

class FrmMain;

extern const char* const kCreditsFacts;
extern const char* const kThanksBetaTest;
extern const char* const kThanksName;

class FrmCredits : public Form {
  public:
    explicit FrmCredits(FrmMain& main);

    Control& txtMsgs;
    Control& picLogo;
    Control& Frame1;
    Control& picCloseUp;
    Control& lblButtonLeft;
    Control& lblButtonTop;
    Control& Label5;
    Control& Label4;
    Control& Label3;
    Control& Label2;
    Control& Label1;

    // Loads the window anew and shows it.
    void Open();
    void Form_Load();
    void Form_Unload();

  private:
    FrmMain& main_;
    ImageButton close_{picCloseUp, lblButtonTop, lblButtonLeft};
};

}  // namespace pw
