// frmMain: the skinned main window. Its lifetime is the program's: Form_Load when
// the program starts, Form_Unload when it ends.
#pragma once

#include <memory>

#include "idling/auto_idle.h"
#include "idling/controller.h"
#include "idling/idle_clock.h"
#include "idling/totals.h"
#include "idling/totals_store.h"
#include "platform/forms.h"
#include "ui/image_button.h"

namespace pw {

class FrmMenu;

class FrmMain : public Form {
  public:
    explicit FrmMain(Platform& p);
    ~FrmMain() override;

    // Controls, listed as they lie within each container, topmost first.
    Control& picBottomBar;
    Control& Frame1;
    Control& cmdStopIt;
    Control& picTitleBar;
    Control& lblClose;
    Control& lblMinimize;
    Control& lblMenu;
    Control& Frame3;
    Control& picStartDown;
    Control& picStopDown;
    Control& picStartUp;
    Control& picStopUp;
    Control& Frame2;
    Control& lblTotalDays;
    Control& Label1;
    Control& Label12;
    Control& Label11;
    Control& Label10;
    Control& Label9;
    Control& lblTotalSeconds;
    Control& lblTotalMinutes;
    Control& lblTotalHours;
    Control& lblHours;
    Control& lblMinutes;
    Control& lblSeconds;
    Control& Label5;
    Control& Label4;
    Control& Label3;
    Control& Label2;
    Control& lblVersion;
    Control& lblButtonLeft1;
    Control& lblButtonTop1;
    Control& lblButtonTop0;
    Control& lblButtonLeft0;
    Timer& Timer1;
    Timer& tmrAutoIdle;  // runs only while automatic idle is on

    void Form_Load();
    void Form_Unload();
    // The close command (close hot spot, menu exit): ends an idle period, then unloads.
    void lblClose_Click();
    void Minimize() { Window().Minimize(); }
    void lblMenu_Click();
    // Where the popup menu opens: both its client coordinates, in twips. On purpose
    // x = y: both are the title bar's top (-90 + 210 twips), read at the click.
    float MenuPlace() const { return Frame1.Top() + picTitleBar.Top(); }

    // frmMenu, created hidden the first time it is reached.
    FrmMenu& Menu();
    IdleController& Controller() { return controller_; }
    HostLink& Link() { return link_; }
    TotalsStore& Stats() { return stats_; }
    AutoIdle& Auto() { return autoIdle_; }
    Totals& LifetimeTotals() { return totals_; }
    IdleCounters Counters() { return {Named("lblHours"), Named("lblMinutes"), Named("lblSeconds")}; }

  private:
    // Seconds a close may still spend on the host client.
    static constexpr double kCloseHostSeconds = 18;
    void Wire();
    void CloseRequested();
    void SessionEnding();
    void Unload(bool pause);

    HostLink link_;
    Totals totals_;
    TotalsStore stats_;
    IdleController controller_;
    AutoIdle autoIdle_;
    IdleClock clock_;
    ImageButton start_{Named("picStartUp"), Named("lblButtonTop(0)"), Named("lblButtonLeft(0)")};
    ImageButton stop_{Named("picStopUp"), Named("lblButtonTop(1)"), Named("lblButtonLeft(1)")};
    std::unique_ptr<FrmMenu> menu_;
    bool unloading_ = false;
    bool closeAfterStop_ = false;
};

}  // namespace pw
