#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <sstream>

namespace pw::fake {
namespace {

// Windows-1252 bytes 0x80-0x9F; 0 where the code page has no character.
constexpr char32_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::vector<char32_t> DecodeUtf8(std::string_view s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= s.size() + (extra ? 0 : 1)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = extra ? c & (0x3F >> extra) : c;
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

void EncodeUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(std::string_view s) {
    auto b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool IsSection(const std::string& line, const std::string& name) {
    std::string t = Trim(line);
    return t.size() >= 2 && t.front() == '[' && t.back() == ']' &&
           (name.empty() || Lower(Trim(t.substr(1, t.size() - 2))) == Lower(name));
}

// The key of a "key=value" line, or "" for other lines.
std::string KeyOf(const std::string& line) {
    auto eq = line.find('=');
    return eq == std::string::npos ? std::string() : Lower(Trim(line.substr(0, eq)));
}

}  // namespace

FakePlatform::FakePlatform() = default;
FakePlatform::~FakePlatform() = default;

// --- window tree ------------------------------------------------------------------------

Hwnd FakePlatform::Insert(Hwnd parent, std::string cls, std::string text, bool top) {
    Hwnd h = nextHandle_++;
    Window win;
    win.cls = std::move(cls);
    win.text = std::move(text);
    win.parent = parent;
    windows_[h] = std::move(win);
    auto& list = parent ? windows_.at(parent).children : topLevel_;
    list.insert(top ? list.begin() : list.end(), h);
    return h;
}

Hwnd FakePlatform::AddWindow(Hwnd parent, std::string cls, std::string text) {
    return Insert(parent, std::move(cls), std::move(text), false);
}

Hwnd FakePlatform::AddWindowOnTop(Hwnd parent, std::string cls, std::string text) {
    return Insert(parent, std::move(cls), std::move(text), true);
}

void FakePlatform::RemoveWindow(Hwnd w) {
    auto it = windows_.find(w);
    if (it == windows_.end()) return;
    for (Hwnd child : std::vector<Hwnd>(it->second.children))
        RemoveWindow(child);
    auto& list = it->second.parent ? windows_.at(it->second.parent).children : topLevel_;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    windows_.erase(w);
}

Hwnd FakePlatform::FindTopWindow(const char* cls) {
    return FindChildWindow(0, 0, cls);
}

Hwnd FakePlatform::FindChildWindow(Hwnd parent, Hwnd after, const char* cls) {
    if (parent && !Exists(parent)) return 0;
    const auto& list = parent ? windows_.at(parent).children : topLevel_;
    auto it = list.begin();
    if (after) {
        it = std::find(list.begin(), list.end(), after);
        if (it == list.end()) return 0;
        ++it;
    }
    for (; it != list.end(); ++it)
        if (windows_.at(*it).cls == cls) return *it;
    return 0;
}

bool FakePlatform::Answers(Window& win, unsigned timeoutMs) {
    const double wait = timeoutMs / 1000.0;
    if (!win.hung && win.silentUntil <= now) return true;
    if (!win.hung && win.silentUntil <= now + wait) {
        now = win.silentUntil;
        return true;
    }
    now += wait;
    return false;
}

void FakePlatform::Later(Hwnd w, std::function<void()> handle) {
    Window& win = windows_.at(w);
    if (win.hung) return;
    At(win.silentUntil, [this, w, handle = std::move(handle)] {
        if (Exists(w)) handle();
    });
}

std::optional<std::int64_t> FakePlatform::SendGetTextLength(Hwnd w, unsigned timeoutMs) {
    if (!Exists(w)) return std::nullopt;
    Window& win = windows_.at(w);
    if (!Answers(win, timeoutMs)) return std::nullopt;
    messages.push_back({Message::GetTextLength, w, {}, 0});
    return win.lyingLength ? *win.lyingLength : static_cast<std::int64_t>(win.text.size());
}

std::optional<std::size_t> FakePlatform::SendGetText(Hwnd w, char* buf, std::size_t cap, unsigned timeoutMs) {
    if (!Exists(w)) return std::nullopt;
    Window& win = windows_.at(w);
    if (!Answers(win, timeoutMs)) return std::nullopt;
    messages.push_back({Message::GetText, w, {}, static_cast<unsigned>(cap)});
    if (cap == 0) return 0;
    std::size_t n = std::min(cap - 1, win.text.size());
    std::copy_n(win.text.begin(), n, buf);
    buf[n] = '\0';
    return n;
}

bool FakePlatform::SendSetText(Hwnd w, const std::string& ansi, unsigned timeoutMs) {
    if (!Exists(w)) return false;
    auto handle = [this, w, ansi] {
        messages.push_back({Message::SetText, w, ansi, 0});
        windows_.at(w).text = ansi;
    };
    if (!Answers(windows_.at(w), timeoutMs)) return Later(w, handle), false;
    handle();
    return true;
}

bool FakePlatform::SendChar(Hwnd w, unsigned ch, unsigned timeoutMs) {
    if (!Exists(w)) return false;
    auto handle = [this, w, ch] {
        messages.push_back({Message::Char, w, {}, ch});
        if (auto onChar = windows_.at(w).onChar) onChar(ch);
    };
    if (!Answers(windows_.at(w), timeoutMs)) return Later(w, handle), false;
    handle();
    return true;
}

void FakePlatform::ShowWindowAsync(Hwnd w, int cmd) {
    if (!Exists(w)) return;
    messages.push_back({Message::Show, w, {}, static_cast<unsigned>(cmd)});
    windows_.at(w).showState = cmd;
}

std::string FakePlatform::AnsiFromText(std::string_view utf8) {
    std::string out;
    for (char32_t cp : DecodeUtf8(utf8)) {
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        auto hit = std::find(std::begin(kCp1252High), std::end(kCp1252High), cp);
        out += hit != std::end(kCp1252High) && cp ? static_cast<char>(0x80 + (hit - std::begin(kCp1252High)))
                                                  : '?';
    }
    return out;
}

std::string FakePlatform::TextFromAnsi(std::string_view ansi) {
    std::string out;
    for (unsigned char c : ansi) {
        char32_t cp = (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c;
        EncodeUtf8(cp ? cp : c, out);
    }
    return out;
}

// --- clock and events -----------------------------------------------------------------

float FakePlatform::ClockSeconds() {
    return static_cast<float>(std::fmod(now, 86400.0));
}

void FakePlatform::At(double time, std::function<void()> event) {
    events_.push_back({time, seq_++, std::move(event)});
}

double FakePlatform::NextDue() const {
    double next = std::numeric_limits<double>::infinity();
    for (auto& e : events_)
        next = std::min(next, e.time);
    for (auto& t : timers_)
        next = std::min(next, t.due);
    return next;
}

bool FakePlatform::RunDue() {
    bool ran = false;
    for (;;) {
        // Input and posted messages come before timer messages, as on Windows.
        auto due = std::min_element(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
            return a.time != b.time ? a.time < b.time : a.seq < b.seq;
        });
        if (due != events_.end() && due->time <= now) {
            auto run = std::move(due->run);
            events_.erase(due);
            run();
            ran = true;
            continue;
        }
        auto timer =
            std::find_if(timers_.begin(), timers_.end(), [&](const TimerState& t) { return t.due <= now; });
        if (timer == timers_.end()) return ran;
        // Windows holds at most one timer message: missed periods are not made up.
        double period = timer->timer->intervalMs / 1000.0;
        while (timer->due <= now)
            timer->due += period;
        ++timerTicks;
        Timer* t = timer->timer;
        if (t->Tick) t->Tick();
        ran = true;
    }
}

void FakePlatform::PumpEvents() {
    ++pumps;
    now += pumpCost;
    RunDue();
}

void FakePlatform::WaitForEvents(double seconds) {
    double next = NextDue();
    if (next <= now) return;
    now = std::min(now + std::max(seconds, 0.0), next);
}

std::uint32_t FakePlatform::TickAt(double time) const {
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::llround(time * 1000))) + tickOffset;
}

std::optional<std::uint32_t> FakePlatform::LastInputTick() {
    if (!lastInput) return std::nullopt;
    return TickAt(*lastInput);
}

void FakePlatform::LockSession(bool locked) {
    for (auto* w : std::vector<FakeFormWindow*>(formWindows))
        if (w->watchingLock && w->form.SessionLock) w->form.SessionLock(locked);
}

void FakePlatform::RunUntil(double time) {
    for (;;) {
        RunDue();
        double next = NextDue();
        if (next > time) break;
        now = std::max(now, next);
    }
    now = std::max(now, time);
}

void FakePlatform::SetTimer(Timer& t, bool on) {
    timers_.erase(
        std::remove_if(timers_.begin(), timers_.end(), [&](const TimerState& s) { return s.timer == &t; }),
        timers_.end());
    if (on) timers_.push_back({&t, now + t.intervalMs / 1000.0});
}

// --- files -------------------------------------------------------------------------------

std::string FakePlatform::Normal(const std::string& path) {
    std::string p = Lower(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(p);
    while (std::getline(in, part, '\\')) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (parts.size() > 1) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (auto& s : parts)
        out += (out.empty() ? "" : "\\") + s;
    return out;
}

FakePlatform::File* FakePlatform::FindFile(const std::string& path) {
    std::string key = Normal(path);
    auto it = files.find(key);
    return it == files.end() ? nullptr : &it->second;
}

void FakePlatform::PutFile(const std::string& path, std::string bytes) {
    File& f = files[Normal(path)];
    f.bytes = std::move(bytes);
}

bool FakePlatform::CanWrite(const std::string& path) {
    if (File* f = FindFile(path)) return !f->readOnly;
    std::string n = Normal(path);
    return !readOnlyFolders.count(n.substr(0, n.rfind('\\')));
}

bool FakePlatform::IsOrdinaryFile(const std::string& path) {
    return !path.empty() && FindFile(path);
}

FileAccess FakePlatform::ProbeFile(const std::string& path) {
    File* f = FindFile(path);
    return !f ? FileAccess::Missing : f->unreadable ? FileAccess::Unreadable : FileAccess::Readable;
}

bool FakePlatform::CopyFileReplace(const std::string& from, const std::string& to) {
    File* src = FindFile(from);
    if (!src || !CanWrite(to)) return false;
    File copy = *src;
    copy.readOnly = false;
    files[Normal(to)] = copy;
    return true;
}

bool FakePlatform::RemoveFile(const std::string& path) {
    File* f = FindFile(path);
    std::string n = Normal(path);
    if (!f || f->readOnly || readOnlyFolders.count(n.substr(0, n.rfind('\\')))) return false;
    files.erase(files.find(n));
    return true;
}

bool FakePlatform::MoveFileReplace(const std::string& from, const std::string& to) {
    File* src = FindFile(from);
    if (!src || !CanWrite(to)) return false;
    File moved = *src;
    files.erase(Normal(from));
    files[Normal(to)] = moved;
    return true;
}

bool FakePlatform::SameFile(const std::string& a, const std::string& b) {
    File* fa = FindFile(a);
    return fa && fa == FindFile(b);
}

std::string FakePlatform::ReadProfileValue(const std::string& section, const std::string& key,
                                           const std::string& def, std::size_t cap, const std::string& path) {
    std::string value = def;
    File* f = FindFile(path);
    if (f && f->unreadable) f = nullptr;  // the platform's reader sees nothing, as with a missing file
    if (f) {
        bool inSection = false;
        for (auto& line : Lines(f->bytes)) {
            if (IsSection(line, {})) {
                if (inSection) break;
                inSection = IsSection(line, section);
            } else if (inSection && KeyOf(line) == Lower(key)) {
                value = Trim(line.substr(line.find('=') + 1));
                break;
            }
        }
    }
    if (readFilter) value = readFilter(Normal(path), value);
    return cap ? value.substr(0, cap - 1) : std::string();
}

bool FakePlatform::WriteProfileValue(const std::string& section, const std::string& key,
                                     const std::string& value, const std::string& path) {
    return WriteProfileKeys(section, {{key, value}}, path);
}

bool FakePlatform::WriteProfileKeys(const std::string& section,
                                    const std::vector<std::pair<std::string, std::string>>& keys,
                                    const std::string& path) {
    ++profileWrites;
    if (failProfileWriteAt > 0 && --failProfileWriteAt == 0) return false;
    if (!CanWrite(path)) return false;
    File* f = FindFile(path);
    if (f && f->unreadable) return false;
    std::vector<std::string> lines = f ? Lines(f->bytes) : std::vector<std::string>{};
    for (const auto& [key, value] : keys) {
        auto sec = std::find_if(lines.begin(), lines.end(), [&](auto& l) { return IsSection(l, section); });
        std::string entry = key + "=" + value;
        if (sec == lines.end()) {
            if (!lines.empty() && !lines.back().empty()) lines.push_back("");
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
            continue;
        }
        auto end = std::find_if(sec + 1, lines.end(), [](auto& l) { return IsSection(l, {}); });
        auto hit = std::find_if(sec + 1, end, [&](auto& l) { return KeyOf(l) == Lower(key); });
        if (hit != end) {
            *hit = Trim(hit->substr(0, hit->find('='))) + "=" + value;  // the stored spelling stays
        } else {
            auto last = end;
            while (last != sec + 1 && Trim(*(last - 1)).empty())
                --last;
            lines.insert(last, entry);
        }
    }
    std::string bytes;
    for (auto& l : lines)
        bytes += l + "\r\n";
    PutFile(path, bytes);
    return true;
}

// --- user interface --------------------------------------------------------------------

int FakePlatform::ShowMessageBox(Form*, const std::string& text, const std::string& title, int style) {
    boxes.push_back({text, title, style, now});
    if (!answers.empty()) {
        int a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

std::unique_ptr<FormWindow> FakePlatform::CreateFormWindow(Form& form) {
    auto w = std::make_unique<FakeFormWindow>(*this, form, nextHandle_++);
    formWindows.push_back(w.get());
    return w;
}

FakeFormWindow* FakePlatform::WindowOf(const Form& f) {
    for (auto* w : formWindows)
        if (&w->form == &f) return w;
    return nullptr;
}

void FakePlatform::Forget(FakeFormWindow* w) {
    formWindows.erase(std::remove(formWindows.begin(), formWindows.end(), w), formWindows.end());
    for (auto& t : w->form.Timers())
        SetTimer(*t, false);
}

void FakePlatform::Quit() {
    throw ProgramEnded();
}

FakeFormWindow::FakeFormWindow(FakePlatform& p, Form& f, Hwnd h)
    : platform(p), form(f), handle(h), left(f.designLeft), top(f.designTop) {}

FakeFormWindow::~FakeFormWindow() {
    platform.Forget(this);
}

void FakeFormWindow::Show() {
    shown = true;
    calls.push_back("show");
}

void FakeFormWindow::SetTopmost(bool on) {
    topmost = on;
    calls.push_back(on ? "topmost" : "notopmost");
}

void FakeFormWindow::SetEnabled(bool on) {
    enabled = on;
    calls.push_back(on ? "enable" : "disable");
}

void FakeFormWindow::Minimize() {
    minimized = true;
    calls.push_back("minimize");
}

namespace {

std::string Describe(const MenuItem& menu) {
    std::string out;
    for (auto& item : menu.items) {
        if (!out.empty()) out += ", ";
        if (item.radio) out += item.checked ? "(*) " : "( ) ";
        out += item.caption;
        if (!item.items.empty()) out += " [" + Describe(item) + "]";
    }
    return out;
}

}  // namespace

const MenuItem* FakeFormWindow::TrackPopup(const MenuItem& menu, float x, float y) {
    popupX = x, popupY = y;
    calls.push_back("popup");
    lastPopup = Describe(menu);
    if (platform.popupPicks.empty()) return nullptr;
    std::string pick = platform.popupPicks.front();
    platform.popupPicks.erase(platform.popupPicks.begin());
    std::function<const MenuItem*(const MenuItem&)> find = [&](const MenuItem& m) -> const MenuItem* {
        if (m.name == pick) return &m;
        for (auto& c : m.items)
            if (auto* hit = find(c)) return hit;
        return nullptr;
    };
    const MenuItem* item = find(menu);
    // A greyed item cannot be chosen: the menu closes without a command.
    return item && item->enabled ? item : nullptr;
}

void FakeFormWindow::Destroy() {
    destroyed = true;
    shown = false;
    calls.push_back("destroy");
}

}  // namespace pw::fake
