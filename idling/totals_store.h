// The lifetime-total labels and the statistics file: loads the totals into the
// labels, saves what the labels show, and tells the user, once per run each, when a
// save found no place on the disk or a statistics file could not be read.
#pragma once

#include <string>
#include <vector>

#include "idling/totals.h"
#include "platform/forms.h"
#include "stats/options.h"
#include "stats/stats_file.h"

namespace pw {

class TotalsStore {
  public:
    TotalsStore(Platform& p, TotalLabels totals, Form& owner);

    std::string ReadLocation() const { return file_.ReadLocation(); }
    void LoadTotals();
    // Saves the four captions, each read just before the save, with what another session
    // of pellowick added meanwhile; `extra` rides along.
    void SaveTotals(const std::vector<IniEntry>& extra = {});
    // The user confirmed a clear: until its own save, no other save writes the labels
    // half counted down.
    void BeginClear() { clearing_ = true; }
    bool Clearing() const { return clearing_; }
    // The clear is done at once (the program is closing): the labels show zero.
    void ClearLabels() { Show({}); }
    // The user cleared the totals: saved as they are, nothing added.
    void SaveClearedTotals();
    // Kept in the same file: loaded with the totals, written along with every save.
    const Options& Opts() const { return options_; }
    // The user picked an automatic-idle wait: saved with the totals at once.
    void ChooseAutoIdle(int minutes);

  private:
    void Tell(bool& told, const std::string& text);
    void Show(const StoredTotals& totals);
    void Save(const std::vector<IniEntry>& extra, bool replace);
    void TellSetAside(const std::vector<std::string>& paths);

    Platform& p_;
    TotalLabels t_;
    Form& owner_;
    StatsFile file_;
    Options options_;
    bool toldSaveFailed_ = false;
    bool toldUnreadable_ = false;
    bool toldSetAside_ = false;
    bool clearing_ = false;
    bool loading_ = false;
};

}  // namespace pw
