#include "idling/totals_store.h"

#include "idling/haulted.h"

namespace pw {
namespace {

constexpr const char* kSaveFailed =
    "pellowick could not save your idle statistics, neither to c:\\pwick.dat nor to its own folder.\r\n"
    "Your totals are still shown and will be saved again at the next chance.";
constexpr const char* kUnreadable =
    ": another program may hold the file, or it is not available on this computer.\r\n"
    "The file is left as it is in this run; start pellowick again when it can be read.";
constexpr const char* kSetAside =
    "pellowick found a copy of its idle statistics it could not use together with the others, "
    "and kept it as:\r\n";

}  // namespace

TotalsStore::TotalsStore(Platform& p, TotalLabels totals, Form& owner)
    : p_(p), t_(totals), owner_(owner), file_(p) {}

void TotalsStore::Tell(bool& told, const std::string& text) {
    if (told) return;
    told = true;
    ShowHaulted(owner_, text, kMbIconExclamation);
}

void TotalsStore::Show(const StoredTotals& totals) {
    // Each caption change runs that label's carries, in this order.
    t_.seconds.SetCaption(totals.seconds);
    t_.minutes.SetCaption(totals.minutes);
    t_.hours.SetCaption(totals.hours);
    t_.days.SetCaption(totals.days);
}

void TotalsStore::TellSetAside(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    std::string list;
    for (const std::string& path : paths)
        list += path + "\r\n";
    Tell(toldSetAside_, kSetAside + list + "Your totals go on from the other copy.");
}

void TotalsStore::LoadTotals() {
    // A close while the load waits for a locked copy must not save the labels over the
    // totals they do not show yet.
    loading_ = true;
    LoadedTotals loaded = file_.Load(OptionKeys());
    loading_ = false;
    options_ = OptionsFrom(loaded.extra);
    Show(loaded.totals);
    if (!loaded.unreadable.empty()) {
        Tell(toldUnreadable_,
             "pellowick could not read its idle statistics in " + loaded.unreadable.front() + kUnreadable);
    }
    TellSetAside(loaded.setAside);
}

void TotalsStore::SaveTotals(const std::vector<IniEntry>& extra) {
    if (clearing_ || loading_) return;  // the clear's own save follows, with everything
    Save(extra, false);
}

void TotalsStore::SaveClearedTotals() {
    clearing_ = false;
    Save({}, true);
}

void TotalsStore::Save(const std::vector<IniEntry>& extra, bool replace) {
    StoredTotals now;
    now.seconds = t_.seconds.Caption();
    now.minutes = t_.minutes.Caption();
    now.hours = t_.hours.Caption();
    now.days = t_.days.Caption();
    std::vector<IniEntry> along = OptionEntries(options_);
    along.insert(along.end(), extra.begin(), extra.end());
    const SavedTotals saved = file_.Save(now, along, replace);
    // Another session of pellowick added its idle time meanwhile: the labels show the sum.
    if (saved.totals != now) Show(saved.totals);
    if (!saved.onDisk) Tell(toldSaveFailed_, kSaveFailed);
    TellSetAside(saved.setAside);
}

void TotalsStore::ChooseAutoIdle(int minutes) {
    options_.autoIdleMinutes = minutes;
    options_.stored = true;
    SaveTotals();
}

}  // namespace pw
