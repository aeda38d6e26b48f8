#include "platform/win32/win32_platform.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/form_layout.h"
#include "platform/forms.h"
#include "platform/win32/dpi.h"
#include "platform/win32/form_window.h"

#include <windows.h>

namespace pw {
namespace {

constexpr UINT kSendFlags = SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT;
constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";
// Longer paths take the \\?\ form: a folder's name must leave room for an 8.3 file
// name in it.
constexpr std::size_t kPlainPathLimit = MAX_PATH - 12;
// A stored value longer than this is no total; the buffer stays bounded whatever the
// caller's cap.
constexpr std::size_t kMostValueChars = 1 << 20;
// A section longer than this was not written by this program: it is left alone rather
// than rewritten cut.
constexpr std::size_t kSectionChars = 32 * 1024;

HWND ToHandle(Hwnd w) {
    return reinterpret_cast<HWND>(w);
}
Hwnd FromHandle(HWND w) {
    return reinterpret_cast<Hwnd>(w);
}

// One message to another process's window, never waiting longer than the bound.
std::optional<LRESULT> Send(Hwnd w, UINT msg, WPARAM wp, LPARAM lp, unsigned timeoutMs, bool wide = false) {
    if (!w) return std::nullopt;
    DWORD_PTR result = 0;
    auto send = wide ? SendMessageTimeoutW : SendMessageTimeoutA;
    if (!send(ToHandle(w), msg, wp, lp, kSendFlags, std::max(timeoutMs, 1u), &result)) return std::nullopt;
    return static_cast<LRESULT>(result);
}

// Bytes of the ANSI code page one UTF-16 unit may need: two for double-byte pages.
std::int64_t AnsiBytesPerUnit() {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1 ? 2 : 1;
}

class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

// --- Paths ---------------------------------------------------------------------------

std::wstring FullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return path;
    full.resize(n);
    return full;
}

// Past MAX_PATH the file functions only take the \\?\ form of a full path.
std::wstring LongForm(const std::wstring& path) {
    if (path.size() < kPlainPathLimit || path.starts_with(kLongPrefix)) return path;
    std::wstring full = FullPath(path);
    if (full.starts_with(L"\\\\")) return std::wstring(kLongUncPrefix) + full.substr(2);
    return std::wstring(kLongPrefix) + full;
}

std::wstring WithoutLongPrefix(std::wstring path) {
    if (path.starts_with(kLongUncPrefix)) return L"\\\\" + path.substr(kLongUncPrefix.size());
    if (path.starts_with(kLongPrefix)) return path.substr(kLongPrefix.size());
    return path;
}

std::wstring FilePath(const std::string& utf8) {
    return LongForm(ToUtf16(utf8));
}

// The profile functions stop at MAX_PATH, \\?\ or not; a long folder is named by its
// short (8.3) form instead. The file itself may not exist yet, so only the folder is
// shortened.
std::wstring ProfilePath(const std::string& utf8) {
    std::wstring path = ToUtf16(utf8);
    if (path.size() < MAX_PATH) return path;
    std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return path;
    std::wstring folder = LongForm(path.substr(0, slash));
    DWORD n = GetShortPathNameW(folder.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::wstring shortFolder(n, L'\0');
    n = GetShortPathNameW(folder.c_str(), shortFolder.data(), n);
    if (n == 0 || n >= shortFolder.size()) return path;
    shortFolder.resize(n);
    return WithoutLongPrefix(std::move(shortFolder)) + path.substr(slash);
}

}  // namespace

// --- Windows of other processes ------------------------------------------------------

Hwnd Win32Platform::FindTopWindow(const char* cls) {
    return FromHandle(FindWindowA(cls, nullptr));
}

Hwnd Win32Platform::FindChildWindow(Hwnd parent, Hwnd after, const char* cls) {
    return FromHandle(FindWindowExA(ToHandle(parent), ToHandle(after), cls, nullptr));
}

bool Win32Platform::WindowExists(Hwnd w) {
    return w && IsWindow(ToHandle(w));
}

std::optional<std::int64_t> Win32Platform::SendGetTextLength(Hwnd w, unsigned timeoutMs) {
    // The wide call: under Wine the ANSI one ignores its timeout for this message.
    // It counts UTF-16 units; a double-byte code page may need two bytes for each.
    auto n = Send(w, WM_GETTEXTLENGTH, 0, 0, timeoutMs, true);
    if (!n) return std::nullopt;
    static const std::int64_t perUnit = AnsiBytesPerUnit();
    return static_cast<std::int64_t>(*n) * perUnit;
}

std::optional<std::size_t> Win32Platform::SendGetText(Hwnd w, char* buf, std::size_t cap,
                                                      unsigned timeoutMs) {
    if (!w) return std::nullopt;
    if (cap == 0) return 0;
    buf[0] = '\0';
    auto copied = Send(w, WM_GETTEXT, cap, reinterpret_cast<LPARAM>(buf), timeoutMs);
    if (!copied) return std::nullopt;
    // The count is the other program's word; the buffer's size is ours.
    if (*copied <= 0) return 0;
    return std::min(static_cast<std::size_t>(*copied), cap - 1);
}

bool Win32Platform::SendSetText(Hwnd w, const std::string& ansi, unsigned timeoutMs) {
    return Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi.c_str()), timeoutMs).has_value();
}

bool Win32Platform::SendChar(Hwnd w, unsigned ch, unsigned timeoutMs) {
    return Send(w, WM_CHAR, ch, 0, timeoutMs).has_value();
}

void Win32Platform::ShowWindowAsync(Hwnd w, int cmd) {
    if (w) ::ShowWindowAsync(ToHandle(w), cmd);
}

// --- Text conversion -----------------------------------------------------------------

std::string Win32Platform::AnsiFromText(std::string_view utf8) {
    return CodePageFromWide(CP_ACP, ToUtf16(utf8));
}

std::string Win32Platform::TextFromAnsi(std::string_view ansi) {
    return ToUtf8(WideFromCodePage(CP_ACP, ansi));
}

// --- Clock and event loop ------------------------------------------------------------

float Win32Platform::ClockSeconds() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return static_cast<float>(t.wHour * 3600 + t.wMinute * 60 + t.wSecond) +
           static_cast<float>(t.wMilliseconds) / 1000.0f;
}

double Win32Platform::AwakeSeconds() {
    // Interrupt time without the time spent asleep, in 100-ns units.
    ULONGLONG t = 0;
    QueryUnbiasedInterruptTime(&t);
    return static_cast<double>(t) / 1e7;
}

void Win32Platform::PumpEvents() {
    // A timer whose tick outlasted its interval (a slow host) is due again at once:
    // one tick per timer a pass, or the pass would never end. A timer message is made
    // afresh when due, so the one left out is not lost.
    std::vector<std::pair<HWND, WPARAM>> ticked;
    auto pump = [this, &ticked](UINT first, UINT last) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, first, last, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                if (quitReceived_) continue;
                quitReceived_ = true;
                if (QuitAsked) QuitAsked();
                continue;
            }
            if (msg.message == WM_TIMER) {
                const std::pair<HWND, WPARAM> timer{msg.hwnd, msg.wParam};
                if (std::find(ticked.begin(), ticked.end(), timer) != ticked.end()) break;
                ticked.push_back(timer);
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    };
    if (systemLoops_ == 0) return pump(0, 0);
    // Inside the system's move or menu loop the mouse and keys belong to that loop:
    // taking the button release here would leave a drag hanging on the cursor.
    pump(0, WM_NCMOUSEMOVE - 1);
    pump(WM_NCXBUTTONDBLCLK + 1, WM_KEYFIRST - 1);
    pump(WM_KEYLAST + 1, WM_MOUSEFIRST - 1);
    pump(WM_MOUSELAST + 1, UINT_MAX);
}

void Win32Platform::WaitForEvents(double seconds) {
    DWORD ms = 0;
    if (seconds > 0)
        ms = static_cast<DWORD>(std::clamp(std::ceil(seconds * 1000), 1.0, double(INFINITE - 1)));
    if (systemLoops_ > 0)
        MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE, 0);
    else
        MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

std::uint32_t Win32Platform::TickCount() {
    return GetTickCount();
}

std::optional<std::uint32_t> Win32Platform::LastInputTick() {
    LASTINPUTINFO info{sizeof info, 0};
    // 0 is what Wine reports before any input has reached one of its windows.
    if (!GetLastInputInfo(&info) || info.dwTime == 0) return std::nullopt;
    return info.dwTime;
}

// --- Statistics file -----------------------------------------------------------------

std::string Win32Platform::ReadProfileValue(const std::string& section, const std::string& key,
                                            const std::string& def, std::size_t cap,
                                            const std::string& path) {
    if (cap == 0) return {};
    // Characters, not bytes: for a single-byte code page the cut falls where the
    // ANSI call's would.
    std::wstring buf(std::min(cap, kMostValueChars), L'\0');
    DWORD n = GetPrivateProfileStringW(ToUtf16(section).c_str(), ToUtf16(key).c_str(), ToUtf16(def).c_str(),
                                       buf.data(), static_cast<DWORD>(buf.size()), ProfilePath(path).c_str());
    buf.resize(std::min<std::size_t>(n, buf.size() - 1));
    return ToUtf8(buf);
}

bool Win32Platform::WriteProfileValue(const std::string& section, const std::string& key,
                                      const std::string& value, const std::string& path) {
    return WritePrivateProfileStringW(ToUtf16(section).c_str(), ToUtf16(key).c_str(), ToUtf16(value).c_str(),
                                      ProfilePath(path).c_str()) != FALSE;
}

bool Win32Platform::WriteProfileKeys(const std::string& section,
                                     const std::vector<std::pair<std::string, std::string>>& keys,
                                     const std::string& path) {
    // The section as it stands, each of our keys set where it is (keeping its
    // spelling) or added at the end, written back in one call.
    const std::wstring file = ProfilePath(path);
    const std::wstring name = ToUtf16(section);
    std::wstring buf(kSectionChars, L'\0');
    DWORD n =
        GetPrivateProfileSectionW(name.c_str(), buf.data(), static_cast<DWORD>(buf.size()), file.c_str());
    if (n >= buf.size() - 2) return false;  // too much to keep whole
    std::vector<std::wstring> lines;
    for (const wchar_t* at = buf.c_str(); *at; at += wcslen(at) + 1)
        lines.emplace_back(at);
    auto lower = [](std::wstring s) {
        for (wchar_t& c : s)
            c = static_cast<wchar_t>(towlower(c));
        return s;
    };
    for (const auto& [key, value] : keys) {
        const std::wstring k = ToUtf16(key), v = ToUtf16(value);
        auto hit = std::find_if(lines.begin(), lines.end(), [&](const std::wstring& l) {
            std::size_t eq = l.find(L'=');
            return eq != std::wstring::npos &&
                   lower(l.substr(0, l.find_last_not_of(L" \t", eq - 1) + 1)) == lower(k);
        });
        if (hit != lines.end())
            *hit = hit->substr(0, hit->find(L'=')) + L"=" + v;
        else
            lines.push_back(k + L"=" + v);
    }
    std::wstring block;
    for (const auto& l : lines)
        block += l + L'\0';
    block += L'\0';
    return WritePrivateProfileSectionW(name.c_str(), block.c_str(), file.c_str()) != FALSE;
}

bool Win32Platform::FlushProfile(const std::string& path) {
    // The cache flush returns FALSE even when it worked, so its result says nothing;
    // what counts is that the file's contents reach the disk.
    std::wstring file = ProfilePath(path);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
    Handle h(CreateFileW(LongForm(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr));
    return h.valid() && FlushFileBuffers(h.get());
}

// --- Files ---------------------------------------------------------------------------

bool Win32Platform::IsOrdinaryFile(const std::string& path) {
    if (path.empty()) return false;
    DWORD a = GetFileAttributesW(FilePath(path).c_str());
    constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return a != INVALID_FILE_ATTRIBUTES && (a & kNotOrdinary) == 0;
}

FileAccess Win32Platform::ProbeFile(const std::string& path) {
    const std::wstring file = FilePath(path);
    DWORD a = GetFileAttributesW(file.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
        DWORD e = GetLastError();
        return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? FileAccess::Missing
                                                                      : FileAccess::Unreadable;
    }
    if (a & FILE_ATTRIBUTE_DIRECTORY) return FileAccess::Missing;
    // Reading a little is the proof: a placeholder whose contents are elsewhere opens
    // but does not read.
    Handle h(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.valid()) return FileAccess::Unreadable;
    char probe[64];
    DWORD got = 0;
    return ReadFile(h.get(), probe, sizeof probe, &got, nullptr) ? FileAccess::Readable
                                                                 : FileAccess::Unreadable;
}

bool Win32Platform::CopyFileReplace(const std::string& from, const std::string& to) {
    const std::wstring target = FilePath(to);
    if (!CopyFileW(FilePath(from).c_str(), target.c_str(), FALSE)) return false;
    // A copy is a working file: a read-only source must not make it unwritable and
    // undeletable (a staged save would otherwise stay behind for good).
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return true;
}

bool Win32Platform::RemoveFile(const std::string& path) {
    return DeleteFileW(FilePath(path).c_str()) != FALSE;
}

bool Win32Platform::MoveFileReplace(const std::string& from, const std::string& to) {
    return MoveFileExW(FilePath(from).c_str(), FilePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32Platform::SameFile(const std::string& a, const std::string& b) {
    auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        // No access rights needed to ask who a file is; folders need backup semantics.
        Handle h(CreateFileW(FilePath(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return h.valid() && GetFileInformationByHandle(h.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION x, y;
    if (!identify(a, x) || !identify(b, y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

unsigned long Win32Platform::ProcessId() {
    return GetCurrentProcessId();
}

std::string Win32Platform::ProgramFolder() {
    // The path may be longer than MAX_PATH; grow the buffer until it fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    path = WithoutLongPrefix(std::move(path));
    path.resize(std::min(path.find_last_of(L'\\'), path.size()));
    return ToUtf8(path);
}

// --- User interface ------------------------------------------------------------------

int Win32Platform::ShowMessageBox(Form* owner, const std::string& text, const std::string& title, int style) {
    HWND parent = owner && owner->HasWindow() ? ToHandle(owner->Window().Handle()) : nullptr;
    return MessageBoxW(parent, ToUtf16(text).c_str(), ToUtf16(title).c_str(), static_cast<UINT>(style));
}

std::unique_ptr<FormWindow> Win32Platform::CreateFormWindow(Form& form) {
    return CreateWin32FormWindow(*this, form);
}

// In the twips of the primary display, which the screen metrics describe.
float Win32Platform::ScreenWidth() {
    return PixelScale{SystemDpi()}.Twips(GetSystemMetrics(SM_CXSCREEN));
}

float Win32Platform::ScreenHeight() {
    return PixelScale{SystemDpi()}.Twips(GetSystemMetrics(SM_CYSCREEN));
}

void Win32Platform::Quit() {
    ExitProcess(0);
}

}  // namespace pw
