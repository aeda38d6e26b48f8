#include "platform/win32/win32_platform.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/forms.h"
#include "platform/win32/form_window.h"

#include "platform/win32/win32_api.h"

namespace pw {
namespace {

constexpr UINT kSendFlags = SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT;
constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

HWND ToHandle(Hwnd w) { return reinterpret_cast<HWND>(w); }
Hwnd FromHandle(HWND w) { return reinterpret_cast<Hwnd>(w); }

int Length(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), wide.data(), n);
    return wide;
}

std::string FromWide(UINT codePage, std::wstring_view wide) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, wide.data(), Length(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), Length(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

// One message to another process's window, never waiting longer than the bound.
std::optional<LRESULT> Send(Hwnd w, UINT msg, WPARAM wp, LPARAM lp, bool wide = false) {
    if (!w) return std::nullopt;
    DWORD_PTR result = 0;
    auto send = wide ? SendMessageTimeoutW : SendMessageTimeoutA;
    if (!send(ToHandle(w), msg, wp, lp, kSendFlags, kSendTimeoutMs, &result)) return std::nullopt;
    return static_cast<LRESULT>(result);
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
    if (path.size() < MAX_PATH - 12 || path.starts_with(kLongPrefix)) return path;
    std::wstring full = FullPath(path);
    if (full.starts_with(L"\\\\")) return std::wstring(kLongUncPrefix) + full.substr(2);
    return std::wstring(kLongPrefix) + full;
}

std::wstring WithoutLongPrefix(std::wstring path) {
    if (path.starts_with(kLongUncPrefix)) return L"\\\\" + path.substr(kLongUncPrefix.size());
    if (path.starts_with(kLongPrefix)) return path.substr(kLongPrefix.size());
    return path;
}

std::wstring FilePath(const std::string& utf8) { return LongForm(ToUtf16(utf8)); }

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

std::wstring ToUtf16(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
std::string ToUtf8(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }

// --- Windows of other processes ------------------------------------------------------

Hwnd Win32Platform::FindTopWindow(const char* cls) { return FromHandle(FindWindowA(cls, nullptr)); }

Hwnd Win32Platform::FindChildWindow(Hwnd parent, Hwnd after, const char* cls) {
    return FromHandle(FindWindowExA(ToHandle(parent), ToHandle(after), cls, nullptr));
}

std::optional<std::int64_t> Win32Platform::SendGetTextLength(Hwnd w) {
    // The wide call: under Wine the ANSI one ignores its timeout for this message.
    // For a single-byte code page both give the same count.
    auto n = Send(w, WM_GETTEXTLENGTH, 0, 0, true);
    if (!n) return std::nullopt;
    return static_cast<std::int64_t>(*n);
}

std::optional<std::size_t> Win32Platform::SendGetText(Hwnd w, char* buf, std::size_t cap) {
    if (!w) return std::nullopt;
    if (cap == 0) return 0;
    buf[0] = '\0';
    auto copied = Send(w, WM_GETTEXT, cap, reinterpret_cast<LPARAM>(buf));
    if (!copied) return std::nullopt;
    // The count is the other program's word; the buffer's size is ours.
    if (*copied <= 0) return 0;
    return std::min(static_cast<std::size_t>(*copied), cap - 1);
}

bool Win32Platform::SendSetText(Hwnd w, const std::string& ansi) {
    return Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi.c_str())).has_value();
}

bool Win32Platform::SendChar(Hwnd w, unsigned ch) { return Send(w, WM_CHAR, ch, 0).has_value(); }

void Win32Platform::ShowWindowAsync(Hwnd w, int cmd) {
    if (w) ::ShowWindowAsync(ToHandle(w), cmd);
}

// --- Text conversion -----------------------------------------------------------------

std::string Win32Platform::AnsiFromText(std::string_view utf8) { return FromWide(CP_ACP, ToUtf16(utf8)); }

std::string Win32Platform::TextFromAnsi(std::string_view ansi) { return ToUtf8(ToWide(CP_ACP, ansi)); }

// --- Clock and event loop ------------------------------------------------------------

float Win32Platform::ClockSeconds() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return static_cast<float>(t.wHour * 3600 + t.wMinute * 60 + t.wSecond) +
           static_cast<float>(t.wMilliseconds) / 1000.0f;
}

void Win32Platform::PumpEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the loop that owns it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Win32Platform::WaitForEvents(double seconds) {
    DWORD ms = 0;
    if (seconds > 0) ms = static_cast<DWORD>(std::clamp(std::ceil(seconds * 1000), 1.0, double(INFINITE - 1)));
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

std::uint32_t Win32Platform::TickCount() { return GetTickCount(); }

std::optional<std::uint32_t> Win32Platform::LastInputTick() {
    LASTINPUTINFO info{sizeof info, 0};
    // 0 is what Wine reports before any input has reached one of its windows.
    if (!GetLastInputInfo(&info) || info.dwTime == 0) return std::nullopt;
    return info.dwTime;
}

// --- Statistics file -----------------------------------------------------------------

std::string Win32Platform::ReadProfileValue(const std::string& section, const std::string& key,
                                             const std::string& def, std::size_t cap, const std::string& path) {
    if (cap == 0) return {};
    // Characters, not bytes: for a single-byte code page the cut falls where the
    // ANSI call's would.
    std::wstring buf(std::min<std::size_t>(cap, 1 << 20), L'\0');
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

bool Win32Platform::FlushProfile(const std::string& path) {
    // The flush call returns FALSE even when it worked, so its result says nothing;
    // a failed write already failed its own call. What is left to check is the file.
    std::wstring file = ProfilePath(path);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
    return GetFileAttributesW(LongForm(file).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// --- Files ---------------------------------------------------------------------------

bool Win32Platform::IsOrdinaryFile(const std::string& path) {
    if (path.empty()) return false;
    DWORD a = GetFileAttributesW(FilePath(path).c_str());
    constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return a != INVALID_FILE_ATTRIBUTES && (a & kNotOrdinary) == 0;
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

bool Win32Platform::RemoveFile(const std::string& path) { return DeleteFileW(FilePath(path).c_str()) != FALSE; }

bool Win32Platform::MoveFileReplace(const std::string& from, const std::string& to) {
    return MoveFileExW(FilePath(from).c_str(), FilePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32Platform::SameFile(const std::string& a, const std::string& b) {
    auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        // No access rights needed to ask who a file is; folders need backup semantics.
        Handle h(CreateFileW(FilePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return h.valid() && GetFileInformationByHandle(h.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION x, y;
    if (!identify(a, x) || !identify(b, y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

std::optional<std::int64_t> Win32Platform::FileWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(FilePath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    ULARGE_INTEGER t;
    t.LowPart = data.ftLastWriteTime.dwLowDateTime;
    t.HighPart = data.ftLastWriteTime.dwHighDateTime;
    return static_cast<std::int64_t>(t.QuadPart);
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

std::unique_ptr<FormWindow> Win32Platform::CreateFormWindow(Form& form) { return CreateWin32FormWindow(*this, form); }

float Win32Platform::ScreenWidth() { return static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * kTwipsPerPixel; }

float Win32Platform::ScreenHeight() { return static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * kTwipsPerPixel; }

void Win32Platform::Quit() { ExitProcess(0); }

}  // namespace pw
