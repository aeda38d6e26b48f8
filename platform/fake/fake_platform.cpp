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

FakePlatform::FakePlatform(std::shared_ptr<Disk> d)
    : disk(std::move(d)), files(disk->files), readOnlyFolders(disk->readOnlyFolders) {}
FakePlatform::~FakePlatform() = default;

void FakePlatform::Step() {
    if (now >= endOfTime) throw TimeUp();
    if (now >= killAt && killCalls-- <= 0) {
        killAt = std::numeric_limits<double>::infinity();
        throw Killed();
    }
}

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
    Step();
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

bool FakePlatform::WindowExists(Hwnd w) {
    Step();
    return Exists(w);
}

bool FakePlatform::Deliver(Hwnd w, unsigned timeoutMs, std::function<void()> handle) {
    Step();
    if (!Exists(w)) return false;
    const Window& win = windows_.at(w);
    const double sent = now;
    if (win.hung) {
        ++timeouts;
        Advance(sent + timeoutMs / 1000.0);
        return false;
    }
    const double done = AnswerAt(w);
    busyUntil_[RootOf(w)] = done;
    auto apply = [this, w, handle = std::move(handle)] {
        if (!Exists(w) || windows_.at(w).hung) return false;
        handle();
        return true;
    };
    if (done - sent <= timeoutMs / 1000.0) {
        Advance(done);
        return apply();  // a window destroyed meanwhile answers nothing
    }
    // Timed out: still carried out when the host gets to it, whatever happened meanwhile.
    ++timeouts;
    AtWorld(done, [apply = std::move(apply)] { apply(); });
    Advance(sent + timeoutMs / 1000.0);
    return false;
}

// A read's answer matters only while the sender still waits for it.
Hwnd FakePlatform::RootOf(Hwnd w) const {
    while (windows_.at(w).parent)
        w = windows_.at(w).parent;
    return w;
}

// A program's one thread takes the messages sent to it when it next asks for messages,
// all that are waiting at once and in the order sent: a sluggish host asks every
// `hostDelay` seconds, a stalled one when its stall is over.
double FakePlatform::AnswerAt(Hwnd w) const {
    double at = std::max(now, windows_.at(w).silentUntil);
    if (hostDelay > 0) at = std::ceil(at / hostDelay) * hostDelay;
    return std::max(at, HostFreeAt(w));
}

double FakePlatform::HostFreeAt(Hwnd w) const {
    if (!Exists(w)) return 0;
    auto it = busyUntil_.find(RootOf(w));
    return it == busyUntil_.end() ? 0 : it->second;
}

std::optional<std::int64_t> FakePlatform::SendGetTextLength(Hwnd w, unsigned timeoutMs) {
    auto length = std::make_shared<std::optional<std::int64_t>>();
    if (onSend) onSend({Message::GetTextLength, w, {}, 0});
    if (!Deliver(w, timeoutMs, [this, w, length] {
            const Window& win = windows_.at(w);
            if (logMessages) messages.push_back({Message::GetTextLength, w, {}, 0});
            *length = win.lyingLength ? *win.lyingLength : static_cast<std::int64_t>(win.text.size());
        }))
        return std::nullopt;
    return *length;
}

std::optional<std::size_t> FakePlatform::SendGetText(Hwnd w, char* buf, std::size_t cap, unsigned timeoutMs) {
    auto text = std::make_shared<std::optional<std::string>>();
    if (onSend) onSend({Message::GetText, w, {}, static_cast<unsigned>(cap)});
    if (!Deliver(w, timeoutMs, [this, w, cap, text] {
            if (logMessages) messages.push_back({Message::GetText, w, {}, static_cast<unsigned>(cap)});
            *text = windows_.at(w).text.substr(0, cap ? cap - 1 : 0);
        }))
        return std::nullopt;
    if (cap == 0) return 0;
    std::copy(text->value().begin(), text->value().end(), buf);
    buf[text->value().size()] = '\0';
    return text->value().size();
}

bool FakePlatform::SendSetText(Hwnd w, const std::string& ansi, unsigned timeoutMs) {
    if (onSend) onSend({Message::SetText, w, ansi, 0});
    return Deliver(w, timeoutMs, [this, w, ansi] {
        if (logMessages) messages.push_back({Message::SetText, w, ansi, 0});
        windows_.at(w).text = ansi;
    });
}

bool FakePlatform::SendChar(Hwnd w, unsigned ch, unsigned timeoutMs) {
    if (onSend) onSend({Message::Char, w, {}, ch});
    return Deliver(w, timeoutMs, [this, w, ch] {
        if (logMessages) messages.push_back({Message::Char, w, {}, ch});
        if (auto onChar = windows_.at(w).onChar) onChar(ch);
    });
}

void FakePlatform::ShowWindowAsync(Hwnd w, int cmd) {
    Step();
    if (!Exists(w)) return;
    if (onSend) onSend({Message::Show, w, {}, static_cast<unsigned>(cmd)});
    if (logMessages) messages.push_back({Message::Show, w, {}, static_cast<unsigned>(cmd)});
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
    Step();
    double wall = std::fmod(now + wallOffset, 86400.0);
    return static_cast<float>(wall < 0 ? wall + 86400.0 : wall);
}

double FakePlatform::AwakeSeconds() {
    Step();
    return now - slept_;
}

std::uint32_t FakePlatform::TickCount() {
    Step();
    return TickAt(now);
}

void FakePlatform::At(double time, std::function<void()> event) {
    events_.push({time, seq_++, std::move(event)});
}

void FakePlatform::AtWorld(double time, std::function<void()> event) {
    world_.push({time, seq_++, std::move(event)});
}

void FakePlatform::Advance(double time) {
    while (!world_.empty() && world_.top().time <= time) {
        Event e = world_.top();
        world_.pop();
        now = std::max(now, e.time);
        e.run();
    }
    now = std::max(now, time);
}

void FakePlatform::Sleep(double seconds) {
    now += seconds;
    slept_ += seconds;
    // Sent to every top-level window: handled even by a thread waiting on another.
    for (auto* w : std::vector<FakeFormWindow*>(formWindows))
        if (w->form.Resumed) w->form.Resumed();
}

double FakePlatform::NextDue() const {
    double next = quitPending_ ? now : std::numeric_limits<double>::infinity();
    if (!events_.empty()) next = std::min(next, events_.top().time);
    if (!world_.empty()) next = std::min(next, world_.top().time);
    for (auto& t : timers_)
        next = std::min(next, t.due);
    return next;
}

bool FakePlatform::RunDue() {
    bool ran = false;
    // A timer whose tick outlasted its interval is due again at once; it waits for the
    // next pass, as it does on Windows, so that a pass always ends.
    std::vector<Timer*> ticked;
    lastPumpAt = now;
    for (;;) {
        Advance(now);
        // Input and posted messages come before timer messages, as on Windows.
        if (!events_.empty() && events_.top().time <= now) {
            Event e = events_.top();
            events_.pop();
            e.run();
            ran = true;
            continue;
        }
        auto timer = std::find_if(timers_.begin(), timers_.end(), [&](const TimerState& t) {
            return t.due <= now && std::find(ticked.begin(), ticked.end(), t.timer) == ticked.end();
        });
        if (timer == timers_.end()) return ran;
        // Windows holds at most one timer message: missed periods are not made up.
        const double period = timer->timer->intervalMs / 1000.0;
        timer->due += period * std::floor((now - timer->due) / period + 1);
        ++timerTicks;
        Timer* t = timer->timer;
        ticked.push_back(t);
        if (onTimer) onTimer(*t);
        if (t->Tick) t->Tick();
        ran = true;
    }
}

void FakePlatform::PumpEvents() {
    Step();
    ++pumps;
    Advance(now + pumpCost);
    RunDue();
    TakeQuit();
}

// A quit message ends every modal loop it meets; the program's own loop takes it.
void FakePlatform::TakeQuit() {
    if (!quitPending_ || modalDepth_ > 0) return;
    quitPending_ = false;
    if (onQuit) onQuit();
}

void FakePlatform::WaitForEvents(double seconds) {
    Step();
    double next = NextDue();
    if (next <= now) return;
    Advance(std::min(now + std::max(seconds, 0.0), next));
}

std::uint32_t FakePlatform::TickAt(double time) const {
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::llround(time * 1000))) + tickOffset;
}

std::optional<std::uint32_t> FakePlatform::LastInputTick() {
    Step();
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
        TakeQuit();
        double next = NextDue();
        if (next > time) break;
        Advance(std::max(now, next));
    }
    Advance(time);
}

void FakePlatform::RunModal(double until) {
    ++modalDepth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{modalDepth_};
    while (now < until && !quitPending_) {
        PumpEvents();
        WaitForEvents(until - now);
    }
    modalOvershoot += std::max(0.0, now - until);
}

void FakePlatform::SetTimer(Timer& t, bool on) {
    timers_.erase(
        std::remove_if(timers_.begin(), timers_.end(), [&](const TimerState& s) { return s.timer == &t; }),
        timers_.end());
    if (on) timers_.push_back({&t, now + t.intervalMs / 1000.0});
    if (onTimerSet) onTimerSet(t, on);
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
    auto it = files.find(Normal(path));
    return it == files.end() ? nullptr : &it->second;
}

void FakePlatform::Change(const std::string& path, const File* after) {
    const std::string key = Normal(path);
    std::optional<File> before;
    if (auto it = files.find(key); it != files.end()) {
        before = it->second;
        if (!after) files.erase(it);
    }
    if (after) files[key] = *after;
    if (disk->onChange) disk->onChange(key, before ? &*before : nullptr, after);
}

void FakePlatform::PutFile(const std::string& path, std::string bytes) {
    File f;
    if (File* old = FindFile(path)) f = *old;
    f.bytes = std::move(bytes);
    Change(path, &f);
}

bool FakePlatform::CanWrite(const std::string& path) {
    if (File* f = FindFile(path)) return !f->readOnly && !f->unreadable;
    std::string n = Normal(path);
    return !readOnlyFolders.count(n.substr(0, n.rfind('\\')));
}

bool FakePlatform::IsOrdinaryFile(const std::string& path) {
    Step();
    return !path.empty() && FindFile(path);
}

FileAccess FakePlatform::ProbeFile(const std::string& path) {
    Step();
    File* f = FindFile(path);
    return !f ? FileAccess::Missing : f->unreadable ? FileAccess::Unreadable : FileAccess::Readable;
}

bool FakePlatform::CopyFileReplace(const std::string& from, const std::string& to) {
    Step();
    File* src = FindFile(from);
    if (!src || src->unreadable || !CanWrite(to)) return false;
    File copy = *src;
    copy.readOnly = false;
    Change(to, &copy);
    return true;
}

bool FakePlatform::RemoveFile(const std::string& path) {
    Step();
    File* f = FindFile(path);
    std::string n = Normal(path);
    if (!f || f->readOnly || f->unreadable || readOnlyFolders.count(n.substr(0, n.rfind('\\')))) return false;
    Change(path, nullptr);
    return true;
}

bool FakePlatform::MoveFileReplace(const std::string& from, const std::string& to) {
    Step();
    File* src = FindFile(from);
    const std::string n = Normal(from);
    if (!src || src->unreadable || readOnlyFolders.count(n.substr(0, n.rfind('\\'))) || !CanWrite(to))
        return false;
    File moved = *src;
    if (Normal(from) == Normal(to)) return true;
    Change(to, &moved);
    Change(from, nullptr);
    return true;
}

bool FakePlatform::SameFile(const std::string& a, const std::string& b) {
    Step();
    File* fa = FindFile(a);
    return fa && fa == FindFile(b);
}

std::string FakePlatform::ProgramFolder() {
    Step();
    return programFolder;
}

bool FakePlatform::FlushProfile(const std::string&) {
    Step();
    return true;
}

std::string FakePlatform::ReadProfileValue(const std::string& section, const std::string& key,
                                           const std::string& def, std::size_t cap, const std::string& path) {
    Step();
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
    Step();
    ++profileWrites;
    if (failProfileWriteAt > 0 && --failProfileWriteAt == 0) return false;
    if (!CanWrite(path)) return false;
    File* f = FindFile(path);
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

int FakePlatform::ShowMessageBox(Form* owner, const std::string& text, const std::string& title, int style) {
    Step();
    boxes.push_back({text, title, style, now});
    if (boxUser) {
        const Answer answer = boxUser(boxes.back());
        // The box disables its owner while it is open and runs its own message loop.
        FakeFormWindow* w = owner && owner->HasWindow() ? WindowOf(*owner) : nullptr;
        const bool wasEnabled = w && w->enabled;
        if (w) w->enabled = false;
        struct Restore {
            FakeFormWindow* w;
            bool enabled;
            ~Restore() {
                if (w && enabled) w->enabled = true;
            }
        } restore{w, wasEnabled};
        const std::size_t index = boxes.size() - 1;
        RunModal(now + answer.seconds);
        // (Ended by a quit message: no button was chosen.)
        return boxes[index].button = quitPending_ ? 0 : answer.button;
    }
    if (!answers.empty()) {
        int a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

std::unique_ptr<FormWindow> FakePlatform::CreateFormWindow(Form& form) {
    Step();
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

// The system's move loop: the window follows the pointer until the button is let go.
void FakeFormWindow::BeginDrag() {
    ++drags;
    if (!platform.dragUser) return;
    ++platform.systemLoops_;
    struct Leave {
        int& loops;
        ~Leave() { --loops; }
    } leave{platform.systemLoops_};
    platform.RunModal(platform.now + platform.dragUser());
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

const MenuItem* FindItem(const MenuItem& m, const std::string& name) {
    if (m.name == name) return &m;
    for (auto& c : m.items)
        if (auto* hit = FindItem(c, name)) return hit;
    return nullptr;
}

}  // namespace

const MenuItem* FakeFormWindow::TrackPopup(const MenuItem& menu, float x, float y) {
    popupX = x, popupY = y;
    calls.push_back("popup");
    lastPopup = Describe(menu);
    std::string pick;
    double open = 0;
    if (platform.menuUser) {
        const FakePlatform::Pick choice = platform.menuUser(menu);
        pick = choice.item;
        open = choice.seconds;
    } else if (!platform.popupPicks.empty()) {
        pick = platform.popupPicks.front();
        platform.popupPicks.erase(platform.popupPicks.begin());
    }
    // Chosen from the menu as it was opened; a greyed item closes it without a command.
    const MenuItem* item = pick.empty() ? nullptr : FindItem(menu, pick);
    if (item && !item->enabled) item = nullptr;
    if (open > 0) {
        ++platform.systemLoops_;
        struct Leave {
            int& loops;
            ~Leave() { --loops; }
        } leave{platform.systemLoops_};
        platform.RunModal(platform.now + open);
    }
    return item;
}

void FakeFormWindow::Destroy() {
    destroyed = true;
    shown = false;
    calls.push_back("destroy");
}

}  // namespace pw::fake
