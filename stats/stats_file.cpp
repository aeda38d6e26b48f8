#include "stats/stats_file.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace pw {
namespace {

constexpr const char* kSection = "Stats";
constexpr std::size_t kValueBuffer = 750;
constexpr const char* kSaveFailed =
    "pellowick could not save your idle statistics, neither to c:\\pwick.dat nor to its own folder.\r\n"
    "Your totals are still shown and will be saved again at the next chance.";

}  // namespace

bool FileExists(Platform& p, const std::string& path) { return !path.empty() && p.IsOrdinaryFile(path); }

std::string ReadIniValue(Platform& p, const std::string& section, const std::string& key, const std::string& file) {
    std::string lower = key;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return p.ReadProfileValue(section, lower, "", kValueBuffer, file);
}

bool IsPlainTotal(const std::string& value) {
    return !value.empty() && value.size() <= 9 &&
           std::all_of(value.begin(), value.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

bool StatsFile::ReplaceWithCopy(const std::string& from, const std::string& to) {
    // Copied beside the target and swapped in: a start killed mid-copy must not
    // leave an empty, newer-looking file that would then win over the only good one.
    const std::string next = to + ".new";
    if (p_.CopyFileReplace(from, next) && p_.MoveFileReplace(next, to)) return true;
    p_.RemoveFile(next);
    return false;
}

StatsFile::StatsFile(Platform& p, TotalLabels totals, Form& owner) : p_(p), t_(totals), owner_(owner) {}

std::string StatsFile::ReadLocation() const { return p_.ProgramFolder() + "\\pwick.dat"; }

void StatsFile::LoadTotals() {
    const std::string read = ReadLocation();
    std::string source = read;
    if (FileExists(p_, kWriteLocation) && !p_.SameFile(kWriteLocation, read)) {
        auto writeTime = p_.FileWriteTime(kWriteLocation);
        auto readTime = p_.FileWriteTime(read);
        if (readTime && writeTime && *writeTime < *readTime) {
            // A save that could not reach c:\ went to the program's folder: the
            // file left in c:\ is older and must not replace it.
            p_.RemoveFile(kWriteLocation);
        } else if (ReplaceWithCopy(kWriteLocation, read)) {
            p_.RemoveFile(kWriteLocation);
        } else {
            // The program's folder cannot take it: load from c:\ and leave it there.
            source = kWriteLocation;
        }
    }
    options_ = ReadOptions(p_, source);
    std::array<std::string, 4> v = {
        ReadIniValue(p_, kSection, "Seconds", source), ReadIniValue(p_, kSection, "Minutes", source),
        ReadIniValue(p_, kSection, "Hours", source), ReadIniValue(p_, kSection, "Days", source)};
    // Hand-edited values that are not plain whole numbers would upset the carries
    // and the countdown; they load as zero.
    for (auto& s : v)
        if (!IsPlainTotal(s)) s = "00";
    t_.seconds.SetCaption(v[0]);
    t_.minutes.SetCaption(v[1]);
    t_.hours.SetCaption(v[2]);
    t_.days.SetCaption(v[3]);
}

bool StatsFile::WriteKeys(const std::string& path) {
    // Each caption is read just before its own write.
    return p_.WriteProfileValue(kSection, "Seconds", t_.seconds.Caption(), path) &&
           p_.WriteProfileValue(kSection, "Minutes", t_.minutes.Caption(), path) &&
           p_.WriteProfileValue(kSection, "Hours", t_.hours.Caption(), path) &&
           p_.WriteProfileValue(kSection, "Days", t_.days.Caption(), path) && WriteOptions(p_, options_, path) &&
           p_.FlushProfile(path);
}

bool StatsFile::SaveTo(const std::string& path) {
    // Build the whole new file beside the target, then swap it in, so a save cut
    // short leaves the old file whole.
    const std::string next = path + ".new";
    p_.RemoveFile(next);
    bool staged = !FileExists(p_, path) || p_.CopyFileReplace(path, next);
    if (staged && WriteKeys(next) && p_.MoveFileReplace(next, path)) return true;
    p_.RemoveFile(next);
    // Nothing can be made beside it: write in place.
    return WriteKeys(path);
}

void StatsFile::SaveTotals() {
    const std::string read = ReadLocation();
    if (SaveTo(kWriteLocation)) return;
    if (!p_.SameFile(kWriteLocation, read) && SaveTo(read)) {
        // The next start loads the program's folder; an older c:\ copy must not win.
        p_.RemoveFile(kWriteLocation);
        return;
    }
    if (!warned_) {
        warned_ = true;
        p_.ShowMessageBox(&owner_, kSaveFailed, "Haulted!", kMbOk | 48);
    }
}

}  // namespace pw
