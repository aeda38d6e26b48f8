#include "idling/totals_store.h"

namespace pw {
namespace {

constexpr const char* kSaveFailed =
    "pellowick could not save your idle statistics, neither to c:\\pwick.dat nor to its own folder.\r\n"
    "Your totals are still shown and will be saved again at the next chance.";
constexpr const char* kUnreadable =
    ": another program may hold the file, or it is not available on this computer.\r\n"
    "The file is left as it is in this run; start pellowick again when it can be read.";
constexpr int kMbIconExclamation = 48;

}  // namespace

TotalsStore::TotalsStore(Platform& p, TotalLabels totals, Form& owner)
    : p_(p), t_(totals), owner_(owner), file_(p) {}

void TotalsStore::Tell(bool& told, const std::string& text) {
    if (told) return;
    told = true;
    p_.ShowMessageBox(&owner_, text, "Haulted!", kMbOk | kMbIconExclamation);
}

void TotalsStore::LoadTotals() {
    LoadedTotals loaded = file_.Load(OptionKeys());
    options_ = OptionsFrom(loaded.extra);
    // Each caption change runs that label's carries, in this order.
    t_.seconds.SetCaption(loaded.totals.seconds);
    t_.minutes.SetCaption(loaded.totals.minutes);
    t_.hours.SetCaption(loaded.totals.hours);
    t_.days.SetCaption(loaded.totals.days);
    if (!loaded.unreadable.empty()) {
        Tell(toldUnreadable_,
             "pellowick could not read its idle statistics in " + loaded.unreadable.front() + kUnreadable);
    }
}

void TotalsStore::SaveTotals(const std::vector<IniEntry>& extra) {
    StoredTotals now;
    now.seconds = t_.seconds.Caption();
    now.minutes = t_.minutes.Caption();
    now.hours = t_.hours.Caption();
    now.days = t_.days.Caption();
    std::vector<IniEntry> along = OptionEntries(options_);
    along.insert(along.end(), extra.begin(), extra.end());
    if (!file_.Save(now, along)) Tell(toldSaveFailed_, kSaveFailed);
}

void TotalsStore::ChooseAutoIdle(int minutes) {
    options_.autoIdleMinutes = minutes;
    options_.stored = true;
    SaveTotals();
}

}  // namespace pw
