#include "stats/stats_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace pw {
namespace {

constexpr std::size_t kValueBuffer = 750;
constexpr const char* kKeys[] = {"Seconds", "Minutes", "Hours", "Days"};

std::vector<std::pair<std::string, std::string>> Keys(const StoredTotals& t, std::uint64_t generation) {
    return {{"Seconds", t.seconds},
            {"Minutes", t.minutes},
            {"Hours", t.hours},
            {"Days", t.days},
            {kGenerationKey, std::to_string(generation)}};
}

std::uint64_t ParseGeneration(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [at, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && at == end ? value : 0;
}

}  // namespace

bool FileExists(Platform& p, const std::string& path) {
    return !path.empty() && p.IsOrdinaryFile(path);
}

std::string ReadIniValue(Platform& p, const std::string& section, const std::string& key,
                         const std::string& file) {
    std::string lower = key;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return p.ReadProfileValue(section, lower, "", kValueBuffer, file);
}

bool IsPlainTotal(const std::string& value) {
    return !value.empty() && value.size() <= 9 &&
           std::all_of(value.begin(), value.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

// One statistics file as found at start-up.
struct StatsFile::Copy {
    std::string path;
    FileAccess access = FileAccess::Missing;
    StoredTotals totals;  // as stored, unchecked
    bool plain = false;   // all four are plain totals
    std::uint64_t generation = 0;
    std::vector<IniEntry> extra;
};

StatsFile::StatsFile(Platform& p) : p_(p) {}

std::string StatsFile::ReadLocation() const {
    return p_.ProgramFolder() + "\\pwick.dat";
}

StatsFile::Copy StatsFile::Look(const std::string& path, const std::vector<IniEntry>& alsoRead) {
    Copy c;
    c.path = path;
    c.access = FileExists(p_, path) ? p_.ProbeFile(path) : FileAccess::Missing;
    if (c.access != FileAccess::Readable) return c;
    // All four are read before anything is decided.
    std::string* values[] = {&c.totals.seconds, &c.totals.minutes, &c.totals.hours, &c.totals.days};
    for (int i = 0; i < 4; ++i)
        *values[i] = ReadIniValue(p_, kStatsSection, kKeys[i], path);
    c.plain =
        std::all_of(std::begin(values), std::end(values), [](std::string* v) { return IsPlainTotal(*v); });
    c.generation = ParseGeneration(ReadIniValue(p_, kStatsSection, kGenerationKey, path));
    generation_ = std::max(generation_, c.generation);
    c.extra = alsoRead;
    for (IniEntry& e : c.extra)
        e.value = ReadIniValue(p_, e.section, e.key, path);
    return c;
}

bool StatsFile::ReplaceWithCopy(const std::string& from, const std::string& to) {
    // Copied beside the target and swapped in: a start killed mid-copy must not
    // leave a half file in place of the only good one.
    const std::string next = to + ".new";
    if (p_.CopyFileReplace(from, next) && p_.MoveFileReplace(next, to)) return true;
    p_.RemoveFile(next);
    return false;
}

LoadedTotals StatsFile::Load(const std::vector<IniEntry>& alsoRead) {
    LoadedTotals out;
    const std::string read = ReadLocation();
    Copy inFolder = Look(read, alsoRead);
    std::optional<Copy> atC;
    if (FileExists(p_, kWriteLocation) && !p_.SameFile(kWriteLocation, read))
        atC = Look(kWriteLocation, alsoRead);

    for (const Copy* c : {&inFolder, atC ? &*atC : nullptr}) {
        if (c && c->access == FileAccess::Unreadable) {
            untouchable_.insert(c->path);
            out.unreadable.push_back(c->path);
        }
    }
    if (!atC && inFolder.access == FileAccess::Unreadable) untouchable_.insert(kWriteLocation);
    // A copy set aside is kept beside itself rather than deleted or overwritten.
    auto setAside = [&](const Copy& c) {
        if (p_.MoveFileReplace(c.path, c.path + ".bad")) out.setAside.push_back(c.path);
    };

    const Copy* source = &inFolder;
    if (atC && atC->access == FileAccess::Readable) {
        if (inFolder.access == FileAccess::Unreadable) {
            source = &*atC;  // it cannot go into the folder without overwriting what was not read
        } else {
            // Four plain totals beat anything else; then the later save; on a tie, c:\.
            bool cWins = true;
            if (inFolder.access == FileAccess::Readable)
                cWins = atC->plain != inFolder.plain ? atC->plain : atC->generation >= inFolder.generation;
            if (cWins) {
                if (inFolder.access == FileAccess::Readable && !inFolder.plain) setAside(inFolder);
                // Loaded from c:\ either way; if the folder cannot take it, it stays there.
                if (ReplaceWithCopy(kWriteLocation, read)) p_.RemoveFile(kWriteLocation);
                source = &*atC;
            } else if (!atC->plain) {
                setAside(*atC);
            } else {
                p_.RemoveFile(kWriteLocation);  // read, and saved before the folder's copy
            }
        }
    }
    if (source->access == FileAccess::Readable) {
        // Values that are not plain whole numbers would upset the carries and the
        // countdown; they load as zero.
        auto use = [](const std::string& v) { return IsPlainTotal(v) ? v : std::string("00"); };
        out.totals = {use(source->totals.seconds), use(source->totals.minutes), use(source->totals.hours),
                      use(source->totals.days)};
        out.extra = source->extra;
    }
    return out;
}

bool StatsFile::WriteKeys(const std::string& path, const StoredTotals& totals,
                          const std::vector<IniEntry>& extra) {
    for (const auto& [key, value] : Keys(totals, generation_))
        if (!p_.WriteProfileValue(kStatsSection, key, value, path)) return false;
    for (const IniEntry& e : extra)
        if (!p_.WriteProfileValue(e.section, e.key, e.value, path)) return false;
    return true;
}

bool StatsFile::WriteInPlace(const std::string& path, const StoredTotals& totals,
                             const std::vector<IniEntry>& extra) {
    // All of [Stats] in one write: a crash cannot leave seconds carried and days not
    // yet raised.
    if (!p_.WriteProfileKeys(kStatsSection, Keys(totals, generation_), path)) return false;
    for (const IniEntry& e : extra)
        if (!p_.WriteProfileKeys(e.section, {{e.key, e.value}}, path)) return false;
    return true;
}

bool StatsFile::ReadsBack(const std::string& path, const StoredTotals& totals,
                          const std::vector<IniEntry>& extra) {
    for (const auto& [key, value] : Keys(totals, generation_))
        if (ReadIniValue(p_, kStatsSection, key, path) != value) return false;
    return std::all_of(extra.begin(), extra.end(), [&](const IniEntry& e) {
        return ReadIniValue(p_, e.section, e.key, path) == e.value;
    });
}

bool StatsFile::SaveTo(const std::string& path, const StoredTotals& totals,
                       const std::vector<IniEntry>& extra) {
    if (untouchable_.count(path)) return false;
    const FileAccess access = FileExists(p_, path) ? p_.ProbeFile(path) : FileAccess::Missing;
    if (access == FileAccess::Unreadable) return false;
    // Build the whole new file beside the target (a copy keeps every other section
    // and line), push it to the disk, read it back, then swap it in: a save cut short
    // or written wrong leaves the old file whole.
    const std::string next = path + ".new";
    p_.RemoveFile(next);
    const bool staged =
        (access == FileAccess::Missing || p_.CopyFileReplace(path, next)) && WriteKeys(next, totals, extra);
    if (staged) {
        bool done = p_.FlushProfile(next) && ReadsBack(next, totals, extra) && p_.MoveFileReplace(next, path);
        if (!done) p_.RemoveFile(next);
        return done;
    }
    p_.RemoveFile(next);
    // Nothing can be made beside it: write in place.
    return WriteInPlace(path, totals, extra) && p_.FlushProfile(path) && ReadsBack(path, totals, extra);
}

bool StatsFile::Save(const StoredTotals& totals, const std::vector<IniEntry>& extra) {
    // Every save is later than all that came before, whatever the clock says.
    ++generation_;
    if (SaveTo(kWriteLocation, totals, extra)) return true;
    // The program's folder is loaded next time when its generation is the higher.
    const std::string read = ReadLocation();
    return !p_.SameFile(kWriteLocation, read) && SaveTo(read, totals, extra);
}

}  // namespace pw
