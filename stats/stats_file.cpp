#include "stats/stats_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

#include "platform/pause.h"

namespace pw {
namespace {

// On purpose: a stored value is read through a buffer of this many bytes, as always.
constexpr std::size_t kValueBuffer = 750;
// The four totals, in the order they are read and written.
constexpr const char* kTotalKeys[] = {"Seconds", "Minutes", "Hours", "Days"};
// After the totals: the save's generation (higher is later), the saves it includes (the
// run that wrote it first), and what each of those runs had counted itself by then.
// The last is a key of its own: an earlier version reads the others as it wrote them.
constexpr const char* kGenerationKey = "Generation";
constexpr const char* kIncludesKey = "Includes";
constexpr const char* kCountedKey = "Counted";
// Saves a copy remembers it includes: enough for the runs that may be writing at once,
// few enough to be read through the value buffer.
constexpr std::size_t kSavesRemembered = 12;
// A copy a backup or a virus scanner holds for a moment is waited for this long.
constexpr double kLockWaitSeconds = 2;
constexpr double kLockPollSeconds = 0.1;
// More digits than a day count needs in a lifetime, fewer than a double holds exactly.
constexpr std::size_t kMostTotalDigits = 9;
// What a run names its origin before it has loaded or written anything.
constexpr const char* kNothing = "-";
// Among the saves a copy includes, a clear is named by its run after this mark: what
// came before it counts no more.
constexpr std::string_view kClearMark = "!";
// Named as a run: the latest generation among the saves a copy no longer names.
constexpr const char* kForgotten = "*";

std::uint64_t ParseNumber(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [at, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && at == end ? value : 0;
}

double SecondsOf(const StoredTotals& t) {
    auto v = [](const std::string& s) { return IsPlainTotal(s) ? static_cast<double>(ParseNumber(s)) : 0.0; };
    return v(t.seconds) + 60 * v(t.minutes) + 3600 * v(t.hours) + 86400 * v(t.days);
}

StoredTotals TotalsOf(double seconds) {
    const auto s = static_cast<std::uint64_t>(std::max(0.0, std::floor(seconds)));
    auto two = [](std::uint64_t v) {
        std::string text = std::to_string(v);
        if (text.size() < 2) text.insert(text.begin(), '0');
        return text;
    };
    return {two(s % 60), two(s / 60 % 60), two(s / 3600 % 24), two(s / 86400)};
}

// "run:generation:total,...": the save itself first, then the most recent it includes;
// and "run:generation:own,...": what those runs had counted themselves at those saves,
// with "*:generation:0" for the latest of the saves no longer named.
std::pair<std::string, std::string> LineageText(const StatsFile::Lineage& lineage,
                                                const std::string& writer) {
    std::vector<std::pair<std::string, StatsFile::Stamp>> saves;
    for (const auto& save : lineage)
        // "": a copy an older pellowick wrote, worth naming when it held anything.
        if (save.first != writer && save.first != kForgotten &&
            (!save.first.empty() || save.second.total > 0))
            saves.push_back(save);
    std::sort(saves.begin(), saves.end(),
              [](auto& a, auto& b) { return a.second.generation > b.second.generation; });
    std::uint64_t forgotten = lineage.count(kForgotten) ? lineage.at(kForgotten).generation : 0;
    for (std::size_t i = kSavesRemembered - 1; i < saves.size(); ++i)
        forgotten = std::max(forgotten, saves[i].second.generation);
    if (saves.size() >= kSavesRemembered) saves.resize(kSavesRemembered - 1);
    saves.insert(saves.begin(), {writer, lineage.at(writer)});
    std::string includes, counted;
    auto add = [](std::string& text, const std::string& run, std::uint64_t generation, double value) {
        if (!text.empty()) text += ',';
        text +=
            run + ':' + std::to_string(generation) + ':' + std::to_string(static_cast<std::uint64_t>(value));
    };
    for (const auto& [run, stamp] : saves) {
        add(includes, run, stamp.generation, stamp.total);
        if (stamp.own >= 0) add(counted, run, stamp.generation, stamp.own);
    }
    if (forgotten) add(counted, kForgotten, forgotten, 0);
    return {includes, counted};
}

// Each "run:generation:number" of a list, in order.
template <typename Use>
void EachSave(const std::string& text, Use use) {
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        const std::string save = text.substr(at, end - at);
        // Runs are named without colons.
        const std::size_t a = save.find(':'), b = a == std::string::npos ? a : save.find(':', a + 1);
        if (b != std::string::npos)
            use(save.substr(0, a), ParseNumber(save.substr(a + 1, b - a - 1)),
                static_cast<double>(ParseNumber(save.substr(b + 1))), at == 0);
        at = end + 1;
    }
}

// The saves a copy includes, what their runs had counted (where it says), and the run
// that wrote it (the first named).
StatsFile::Lineage ParseLineage(const std::string& includes, const std::string& counted,
                                std::string& writer) {
    StatsFile::Lineage lineage;
    writer.clear();
    EachSave(includes, [&](const std::string& run, std::uint64_t generation, double total, bool first) {
        if (first) writer = run;
        auto& known = lineage[run];
        if (generation >= known.generation) known = {generation, total, -1};
    });
    // Counts of another save of the run than the one named (a file an earlier version
    // saved over) say nothing.
    EachSave(counted, [&](const std::string& run, std::uint64_t generation, double own, bool) {
        if (run == kForgotten) {
            lineage[run] = {generation, 0};
        } else if (auto it = lineage.find(run); it != lineage.end() && it->second.generation == generation) {
            it->second.own = own;
        }
    });
    return lineage;
}

void Include(StatsFile::Lineage& into, const StatsFile::Lineage& from) {
    for (const auto& [run, stamp] : from) {
        auto& known = into[run];
        if (stamp.generation >= known.generation) known = stamp;
    }
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
    return !value.empty() && value.size() <= kMostTotalDigits &&
           std::all_of(value.begin(), value.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

// One statistics file as found.
struct StatsFile::Copy {
    std::string path;
    FileAccess access = FileAccess::Missing;
    StoredTotals totals;  // as stored, unchecked
    bool plain = false;   // all four are plain totals
    std::uint64_t generation = 0;
    std::string writer;  // "" for a copy an older pellowick wrote
    Lineage lineage;     // the saves it includes, itself among them
    std::vector<IniEntry> extra;
    bool waited = false;  // for a lock
    double Total() const { return SecondsOf(totals); }
};

StatsFile::StatsFile(Platform& p)
    : p_(p), run_(std::to_string(p.ProcessId()) + "." + std::to_string(p.TickCount())) {}

std::string StatsFile::ReadLocation() const {
    return p_.ProgramFolder() + "\\pwick.dat";
}

// Beside the target, under a name no other running copy of the program stages under.
std::string StatsFile::Staged(const std::string& path) {
    return path + "." + std::to_string(p_.ProcessId()) + ".new";
}

StatsFile::Copy StatsFile::Look(const std::string& path, const std::vector<IniEntry>& alsoRead,
                                bool waitForLock) {
    Copy c;
    c.path = path;
    c.access = FileExists(p_, path) ? p_.ProbeFile(path) : FileAccess::Missing;
    for (double waited = 0; waitForLock && c.access == FileAccess::Unreadable && waited < kLockWaitSeconds;
         waited += kLockPollSeconds) {
        c.waited = true;
        WaitAwake(p_, kLockPollSeconds);
        c.access = FileExists(p_, path) ? p_.ProbeFile(path) : FileAccess::Missing;
    }
    if (c.access != FileAccess::Readable) return c;
    // All four are read before anything is decided.
    std::string* values[] = {&c.totals.seconds, &c.totals.minutes, &c.totals.hours, &c.totals.days};
    for (int i = 0; i < 4; ++i)
        *values[i] = ReadIniValue(p_, kStatsSection, kTotalKeys[i], path);
    c.plain =
        std::all_of(std::begin(values), std::end(values), [](std::string* v) { return IsPlainTotal(*v); });
    c.generation = ParseNumber(ReadIniValue(p_, kStatsSection, kGenerationKey, path));
    generation_ = std::max(generation_, c.generation);
    c.lineage = ParseLineage(ReadIniValue(p_, kStatsSection, kIncludesKey, path),
                             ReadIniValue(p_, kStatsSection, kCountedKey, path), c.writer);
    // The copy's own save, as its keys say (what its run counted itself only its record says).
    Stamp& self = c.lineage[c.writer];
    if (c.generation >= self.generation)
        self = {c.generation, c.Total(), self.generation == c.generation ? self.own : -1};
    c.extra = alsoRead;
    for (IniEntry& e : c.extra)
        e.value = ReadIniValue(p_, e.section, e.key, path);
    return c;
}

bool StatsFile::Includes(const Lineage& in, const std::string& writer, std::uint64_t generation) const {
    if (writer == kNothing) return true;
    auto it = in.find(writer);
    return it != in.end() && it->second.generation >= generation;
}

// Seconds copy `x` holds beyond the saves `y` holds too: what each of its runs counted
// itself after the last save of that run both hold. nullopt where a save does not say.
std::optional<double> StatsFile::Beyond(const Lineage& x, const Lineage& y) const {
    // An older pellowick's save counted all it holds itself.
    auto own = [](const std::string& run, const Stamp& s) { return run.empty() ? s.total : s.own; };
    double sum = 0;
    auto forgot = y.find(kForgotten);
    for (const auto& [run, stamp] : x) {
        if (run.starts_with(kClearMark) || run == kForgotten) continue;
        auto it = y.find(run);
        if (it != y.end() && it->second.generation >= stamp.generation) continue;
        // All of this run's saves are old enough for `y` to have stopped naming them.
        if (it == y.end() && forgot != y.end() && forgot->second.generation >= stamp.generation)
            return std::nullopt;
        const double mine = own(run, stamp), shared = it == y.end() ? 0 : own(run, it->second);
        if (mine < 0 || shared < 0) return std::nullopt;
        sum += std::max(0.0, mine - shared);
    }
    return sum;
}

// What both copies hold of the saves they both build on, from what each run counted
// itself, when their records tell. Where both were cleared since, neither holds any of it.
std::optional<double> StatsFile::CountedCommon(const Lineage& a, double totalA, const Lineage& b,
                                               double totalB) const {
    auto clearedBeyond = [](const Lineage& x, const Lineage& y) {
        return std::any_of(x.begin(), x.end(), [&](const auto& save) {
            if (!save.first.starts_with(kClearMark)) return false;
            auto it = y.find(save.first);
            return it == y.end() || it->second.generation < save.second.generation;
        });
    };
    const bool clearedA = clearedBeyond(a, b), clearedB = clearedBeyond(b, a);
    if (clearedA && clearedB) return 0;
    // Each copy less what it holds beyond the other: the same sum from both sides, or one
    // of them holds what its record does not show (a record cut short). A side cleared
    // since cannot be asked.
    const std::optional<double> viaA = clearedA ? std::nullopt : Beyond(a, b);
    const std::optional<double> viaB = clearedB ? std::nullopt : Beyond(b, a);
    const double fromA = totalA - viaA.value_or(0), fromB = totalB - viaB.value_or(0);
    if (viaA && viaB) {
        if (std::abs(fromA - fromB) > 1) return std::nullopt;
        return std::max(0.0, std::min(fromA, fromB));
    }
    if (clearedA && viaB) return std::max(0.0, fromB);
    if (clearedB && viaA) return std::max(0.0, fromA);
    return std::nullopt;
}

// Saves of earlier versions record no counts of their own: their generations decide.
std::optional<double> StatsFile::LegacyCommon(const Lineage& a, const Lineage& b) const {
    const std::optional<Stamp> common = CommonSave(a, b);
    if (!common) return std::nullopt;
    auto clearedSince = [&](const Lineage& l) {
        return std::any_of(l.begin(), l.end(), [&](const auto& save) {
            return save.first.starts_with(kClearMark) && save.second.generation > common->generation;
        });
    };
    return clearedSince(a) && clearedSince(b) ? 0 : common->total;
}

std::optional<StatsFile::Stamp> StatsFile::CommonSave(const Lineage& a, const Lineage& b) const {
    std::optional<Stamp> parting, latest;
    for (const auto& [run, stampA] : a) {
        auto it = b.find(run);
        if (it == b.end() || run == kForgotten) continue;
        const Stamp& stampB = it->second;
        if (stampA.generation != stampB.generation) {
            if (parting) return std::nullopt;
            parting = stampA.generation < stampB.generation ? stampA : stampB;
        } else if (!latest || std::pair(stampA.generation, stampA.total) >
                                  std::pair(latest->generation, latest->total)) {
            latest = stampA;
        }
    }
    // The latest of the saves both hold whole (generations only grow) includes the others.
    // One not older than the save they part at may have been made beside it, by another
    // session.
    if (parting && latest && latest->generation >= parting->generation) return std::nullopt;
    return parting ? parting : latest;
}

bool StatsFile::ReplaceWithCopy(const std::string& from, const std::string& to) {
    // Copied beside the target and swapped in: a start killed mid-copy must not
    // leave a half file in place of the only good one.
    const std::string next = Staged(to);
    if (p_.CopyFileReplace(from, next) && p_.MoveFileReplace(next, to)) return true;
    p_.RemoveFile(next);
    return false;
}

// A copy set aside is kept beside itself, never deleted or overwritten: a copy of
// that name already there keeps its place too.
bool StatsFile::SetAside(const std::string& path, std::vector<std::string>& setAside) {
    const std::string base = path + (path.ends_with(".bad") ? "" : ".old");
    for (int n = 0; n < 10; ++n) {
        const std::string to = n ? base + std::to_string(n + 1) : base;
        if (FileExists(p_, to)) continue;
        if (!p_.MoveFileReplace(path, to)) return false;
        setAside.push_back(to);
        return true;
    }
    return false;
}

LoadedTotals StatsFile::Load(const std::vector<IniEntry>& alsoRead) {
    LoadedTotals out;
    const std::string read = ReadLocation();
    Copy inFolder = Look(read, alsoRead, true);
    std::optional<Copy> atC;
    if (FileExists(p_, kWriteLocation) && !p_.SameFile(kWriteLocation, read)) {
        atC = Look(kWriteLocation, alsoRead, true);
        // Another session may have saved to the folder meanwhile.
        if (atC->waited) inFolder = Look(read, alsoRead, true);
    }
    // A run of this process begun in the same millisecond (a tool may run many) may have
    // saved under this run's name: each run's counts must stay its own.
    auto named = [&](const Copy* c) { return c && c->lineage.count(run_); };
    while (named(&inFolder) || named(atC ? &*atC : nullptr))
        run_ += "+";
    for (const Copy* c : {&inFolder, atC ? &*atC : nullptr}) {
        if (c && c->access == FileAccess::Unreadable) {
            untouchable_.insert(c->path);
            out.unreadable.push_back(c->path);
        }
    }
    if (!atC && inFolder.access == FileAccess::Unreadable) untouchable_.insert(kWriteLocation);

    std::optional<double> merged;
    const Copy& source =
        atC && atC->access == FileAccess::Readable ? Choose(inFolder, *atC, out, merged) : inFolder;
    if (source.access == FileAccess::Readable) {
        // Values that are not plain whole numbers would upset the carries and the
        // countdown; they load as zero.
        auto use = [](const std::string& v) { return IsPlainTotal(v) ? v : std::string("00"); };
        out.totals = {use(source.totals.seconds), use(source.totals.minutes), use(source.totals.hours),
                      use(source.totals.days)};
        out.extra = source.extra;
        Include(known_, source.lineage);
        lastWriter_ = source.writer;
        lastGeneration_ = source.generation;
        lastTotal_ = SecondsOf(out.totals);
    }
    if (merged) {
        // The sum is a save of its own, made now, where every save goes.
        out.totals = TotalsOf(*merged);
        SavedTotals saved;
        for (const std::string& path : {std::string(kWriteLocation), read}) {
            if (SaveTo(path, out.totals, out.extra, Over::Replace, saved)) {
                p_.RemoveFile(path == read ? std::string(kWriteLocation) : read);
                break;
            }
        }
    }
    countedFrom_ = SecondsOf(out.totals);
    return out;
}

// Of the copy in the program's folder `f` and the readable one at c:\ `c`, the one to
// load: the winner moves into the program's folder (or is loaded from where it is, if
// the folder cannot take it), a loser holding time the winner lacks is kept aside, and
// copies that both moved on from one save are added up into `merged`.
const StatsFile::Copy& StatsFile::Choose(Copy& f, Copy& c, LoadedTotals& out, std::optional<double>& merged) {
    auto moveIn = [&]() -> const Copy& {
        if (ReplaceWithCopy(kWriteLocation, f.path)) p_.RemoveFile(kWriteLocation);
        return c;
    };
    auto badAside = [&](Copy& bad) {
        if (p_.MoveFileReplace(bad.path, bad.path + ".bad")) out.setAside.push_back(bad.path + ".bad");
    };
    if (f.access == FileAccess::Missing) return moveIn();
    if (f.access != FileAccess::Readable) return c;
    const bool older = f.writer.empty() || c.writer.empty();  // an older pellowick saved one
    if (c.plain != f.plain) {
        // Four plain totals beat anything else.
        badAside(c.plain ? f : c);
        return c.plain ? moveIn() : f;
    }
    if (Includes(c.lineage, f.writer, f.generation)) return moveIn();  // the usual case
    if (Includes(f.lineage, c.writer, c.generation)) {
        p_.RemoveFile(kWriteLocation);
        return f;
    }
    std::optional<double> common;
    if (!older) common = CountedCommon(c.lineage, c.Total(), f.lineage, f.Total());
    if (!older && !common) common = LegacyCommon(c.lineage, f.lineage);
    if (common) {
        // Both moved on from one save: each keeps what it added.
        merged = std::max(0.0, c.Total() + f.Total() - *common);
        Include(known_, c.lineage);
        Include(known_, f.lineage);
        return f.generation > c.generation ? f : c;
    }
    // Nothing in common: the later save wins. An older pellowick's copies always went
    // by that; others keep the loser beside it.
    if (c.generation >= f.generation) {
        if (older || SetAside(f.path, out.setAside)) moveIn();
        return c;
    }
    if (older)
        p_.RemoveFile(kWriteLocation);
    else
        SetAside(c.path, out.setAside);
    return f;
}

// What to write over another copy found where a save goes: our totals, with what the
// copy holds that ours do not.
std::optional<double> StatsFile::Combine(const Copy& other, double ours, std::vector<std::string>& setAside) {
    // An older save, all of which ours include.
    if (Includes(known_, other.writer, other.generation)) return ours;
    // Both moved on from the saves they share: each keeps what it holds beyond them.
    const bool older = other.writer.empty();
    if (std::optional<double> common =
            older ? std::nullopt : CountedCommon(known_, countedFrom_, other.lineage, other.Total()))
        return std::max(0.0, other.Total() + ours - *common);
    // It is the save ours were last the same as, or another session's that builds on it:
    // add what we counted since.
    if (Includes(other.lineage, lastWriter_, lastGeneration_))
        return std::max(0.0, other.Total() + ours - lastTotal_);
    if (std::optional<double> common = older ? std::nullopt : LegacyCommon(known_, other.lineage))
        return std::max(0.0, other.Total() + ours - *common);
    // Nothing in common: it is kept beside itself, or, where that cannot be, this save
    // does not go there.
    if (!SetAside(other.path, setAside)) return std::nullopt;
    return ours;
}

bool StatsFile::WriteKeys(const std::string& path,
                          const std::vector<std::pair<std::string, std::string>>& keys,
                          const std::vector<IniEntry>& extra, bool inPlace) {
    // In place, all of [Stats] in one write: a crash cannot leave seconds carried and
    // days not yet raised.
    if (inPlace) {
        if (!p_.WriteProfileKeys(kStatsSection, keys, path)) return false;
    } else {
        for (const auto& [key, value] : keys)
            if (!p_.WriteProfileValue(kStatsSection, key, value, path)) return false;
    }
    for (const IniEntry& e : extra)
        if (!p_.WriteProfileKeys(e.section, {{e.key, e.value}}, path)) return false;
    return true;
}

bool StatsFile::ReadsBack(const std::string& path,
                          const std::vector<std::pair<std::string, std::string>>& keys,
                          const std::vector<IniEntry>& extra) {
    for (const auto& [key, value] : keys)
        if (ReadIniValue(p_, kStatsSection, key, path) != value) return false;
    return std::all_of(extra.begin(), extra.end(), [&](const IniEntry& e) {
        return ReadIniValue(p_, e.section, e.key, path) == e.value;
    });
}

bool StatsFile::SaveTo(const std::string& path, const StoredTotals& totals,
                       const std::vector<IniEntry>& extra, Over over, SavedTotals& out) {
    if (untouchable_.count(path)) return false;
    FileAccess access = FileExists(p_, path) ? p_.ProbeFile(path) : FileAccess::Missing;
    if (access == FileAccess::Unreadable) return false;
    const double ours = SecondsOf(totals);
    double total = ours;
    Lineage lineage = known_;
    std::vector<std::string> setAside;
    if (access == FileAccess::Readable) {
        const Copy there = Look(path, {}, false);
        if (there.plain && over != Over::Add) {
            Include(lineage, there.lineage);  // superseded
        } else if (there.plain) {
            const std::optional<double> combined = Combine(there, ours, setAside);
            if (!combined) return false;
            total = *combined;
            if (!setAside.empty())
                access = FileAccess::Missing;  // moved aside: the save starts a file
            else
                Include(lineage, there.lineage);
        }
    }
    const StoredTotals write = total == ours ? totals : TotalsOf(total);
    // Every save is later than all that came before, whatever the clock says.
    const std::uint64_t generation = ++generation_;
    // A clear or a sum counts nothing new; the totals given hold what was counted since
    // the last save.
    const double own = own_ + (over == Over::Add ? std::max(0.0, ours - countedFrom_) : 0.0);
    Include(lineage, {{run_, {generation, total, own}}});
    if (over == Over::Clear) Include(lineage, {{std::string(kClearMark) + run_, {generation, 0}}});
    const auto [includes, counted] = LineageText(lineage, run_);
    const std::vector<std::pair<std::string, std::string>> keys = {
        {kTotalKeys[0], write.seconds},
        {kTotalKeys[1], write.minutes},
        {kTotalKeys[2], write.hours},
        {kTotalKeys[3], write.days},
        {kGenerationKey, std::to_string(generation)},
        {kIncludesKey, includes},
        {kCountedKey, counted}};
    const bool done = Write(path, access == FileAccess::Missing, keys, extra);
    out.setAside.insert(out.setAside.end(), setAside.begin(), setAside.end());
    // A save that failed after its totals reached the file (a later key, the read-back)
    // still left them there: later saves must know, or they would add them again.
    const bool there = done || ReadIniValue(p_, kStatsSection, kIncludesKey, path) == includes;
    if (!there) return false;
    known_ = lineage;
    lastWriter_ = run_;
    lastGeneration_ = generation;
    lastTotal_ = total;
    countedFrom_ = total;
    own_ = own;
    out.totals = write;
    out.onDisk = done;
    return done;
}

// Builds the whole new file beside the target (a copy keeps every other section and
// line), pushes it to the disk, reads it back, then swaps it in: a save cut short or
// written wrong leaves the old file whole.
bool StatsFile::Write(const std::string& path, bool missing,
                      const std::vector<std::pair<std::string, std::string>>& keys,
                      const std::vector<IniEntry>& extra) {
    const std::string next = Staged(path);
    p_.RemoveFile(next);
    if ((missing || p_.CopyFileReplace(path, next)) && WriteKeys(next, keys, extra, false)) {
        if (p_.FlushProfile(next) && ReadsBack(next, keys, extra) && p_.MoveFileReplace(next, path))
            return true;
        p_.RemoveFile(next);
        return false;
    }
    p_.RemoveFile(next);
    // Nothing can be made beside it: write in place.
    return WriteKeys(path, keys, extra, true) && p_.FlushProfile(path) && ReadsBack(path, keys, extra);
}

SavedTotals StatsFile::Save(const StoredTotals& totals, const std::vector<IniEntry>& extra, bool cleared) {
    SavedTotals out;
    out.totals = totals;
    if (cleared) {
        // Cleared totals supersede every copy there is to read, so that no start
        // adds an older copy's time back to them.
        for (const std::string& path : {std::string(kWriteLocation), ReadLocation()}) {
            if (!untouchable_.count(path) && FileExists(p_, path) &&
                p_.ProbeFile(path) == FileAccess::Readable)
                Include(known_, Look(path, {}, false).lineage);
        }
    }
    const Over over = cleared ? Over::Clear : Over::Add;
    if (SaveTo(kWriteLocation, totals, extra, over, out)) return out;
    // The program's folder is loaded next time when what it holds is the later.
    const std::string read = ReadLocation();
    // (A first try that failed after its totals reached the file leaves them in `out`.)
    if (!p_.SameFile(kWriteLocation, read)) SaveTo(read, StoredTotals(out.totals), extra, over, out);
    return out;
}

}  // namespace pw
