// pw_probe: reads and presses windows of other processes for the end-to-end tests.
//
//   pw_probe [--wait MS] window --class NAME | --title TEXT
//       prints title=, rect= (left top right bottom), client= (width height),
//       topmost=, visible=, enabled=
//   pw_probe [--wait MS] gone --class NAME | --title TEXT
//       succeeds once no such window exists
//   pw_probe [--wait MS] activate --class NAME | --title TEXT
//       makes that window the foreground window, as switching to it with Alt+Tab does
//   pw_probe at X Y
//       prints class= and title= of the top-level window at that screen point
//   pw_probe [--wait MS] msgbox TITLE           prints text=, icon= (stop, exclamation,
//       information, question, none or unknown) and buttons= (e.g. "yes no") of that box
//   pw_probe [--wait MS] press TITLE ok|yes|no  presses that button of the box
//   pw_probe [--wait MS] quit --class NAME | --title TEXT
//       posts WM_QUIT to the thread that owns that window, as another program may
//   pw_probe lastinput
//       prints tick= (GetTickCount) and input= (GetLastInputInfo's dwTime)
//   pw_probe menus
//       prints menu= (left top right bottom) for every open popup menu
//
// Output is UTF-8, one key=value a line; CR and LF inside a text are written as \r and
// \n. Exit status: 0 done, 1 no such window (after the wait), 2 bad arguments.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr int kStaticTextId = 65535;  // the text of a message box
constexpr DWORD kSendTimeoutMs = 5000;

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

// One line stays one line for the shell reading it.
std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Raw bytes to stdout: the C runtime's text mode would turn \n into \r\n.
void Print(const std::string& key, const std::string& value) {
    const std::string line = key + "=" + value + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
              nullptr);
}

// Text of a window of another process without trusting its length message.
std::wstring TextOf(HWND w) {
    wchar_t buf[4096] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied)) {
        return {};
    }
    return std::wstring(buf, std::wcslen(buf));
}

std::wstring TitleOf(HWND w) {
    wchar_t buf[1024] = {};
    GetWindowTextW(w, buf, 1024);  // the stored title: no message to the owner
    return buf;
}

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

int ShowWindowFacts(HWND w) {
    RECT outer{}, client{};
    GetWindowRect(w, &outer);
    GetClientRect(w, &client);
    const LONG_PTR ex = GetWindowLongPtrW(w, GWL_EXSTYLE);
    Print("title", Escaped(Utf8(TitleOf(w))));
    Print("rect", Rect(outer));
    Print("client",
          std::to_string(client.right - client.left) + " " + std::to_string(client.bottom - client.top));
    Print("topmost", (ex & WS_EX_TOPMOST) ? "1" : "0");
    Print("visible", IsWindowVisible(w) ? "1" : "0");
    Print("enabled", IsWindowEnabled(w) ? "1" : "0");
    return 0;
}

int ShowWindowAt(const wchar_t* x, const wchar_t* y) {
    const POINT p{std::wcstol(x, nullptr, 10), std::wcstol(y, nullptr, 10)};
    HWND w = GetAncestor(WindowFromPoint(p), GA_ROOT);
    if (!w) return 1;
    wchar_t cls[256] = {};
    GetClassNameW(w, cls, 256);
    Print("class", Utf8(cls));
    Print("title", Escaped(Utf8(TitleOf(w))));
    return 0;
}

// Which system icon a message box shows: its icon control as drawn on screen is
// compared with each candidate drawn here on the same background (another process's
// icon handle cannot be read back under Wine, so the pixels are what we compare).
std::string IconOf(HWND box) {
    HWND icon = nullptr;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(c)) icon = c;
    }
    if (!icon) return "none";
    RECT r{};
    GetWindowRect(icon, &r);
    const int w = GetSystemMetrics(SM_CXICON), h = GetSystemMetrics(SM_CYICON);
    HDC screen = GetDC(nullptr);
    HDC shot = CreateCompatibleDC(screen), mine = CreateCompatibleDC(screen);
    HBITMAP shotBits = CreateCompatibleBitmap(screen, w, h), mineBits = CreateCompatibleBitmap(screen, w, h);
    SelectObject(shot, shotBits);
    SelectObject(mine, mineBits);
    BitBlt(shot, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    HBRUSH back = CreateSolidBrush(GetPixel(shot, 0, 0));
    // IDI_HAND, IDI_EXCLAMATION, IDI_ASTERISK, IDI_QUESTION
    const std::pair<WORD, const char*> candidates[] = {
        {32513, "stop"}, {32515, "exclamation"}, {32516, "information"}, {32514, "question"}};
    std::string best = "unknown";
    long bestDiff = w * h / 10;  // more than a tenth of the pixels off: none of these
    for (const auto& [id, name] : candidates) {
        RECT all{0, 0, w, h};
        FillRect(mine, &all, back);
        DrawIconEx(mine, 0, 0, LoadIconW(nullptr, MAKEINTRESOURCEW(id)), w, h, 0, nullptr, DI_NORMAL);
        long diff = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                diff += GetPixel(mine, x, y) != GetPixel(shot, x, y);
        if (diff < bestDiff) {
            bestDiff = diff;
            best = name;
        }
    }
    DeleteObject(back);
    DeleteDC(shot);
    DeleteDC(mine);
    DeleteObject(shotBits);
    DeleteObject(mineBits);
    ReleaseDC(nullptr, screen);
    return best;
}

std::string ButtonsOf(HWND box) {
    std::string out;
    for (const auto& [id, name] :
         {std::pair{IDOK, "ok"}, {IDYES, "yes"}, {IDNO, "no"}, {IDCANCEL, "cancel"}}) {
        HWND b = GetDlgItem(box, id);
        if (b && IsWindowVisible(b)) out += (out.empty() ? "" : " ") + std::string(name);
    }
    return out;
}

int ButtonId(const wchar_t* name) {
    if (std::wcscmp(name, L"ok") == 0) return IDOK;
    if (std::wcscmp(name, L"yes") == 0) return IDYES;
    if (std::wcscmp(name, L"no") == 0) return IDNO;
    return 0;
}

struct Request {
    DWORD waitMs = 0;
    std::wstring verb;
    const wchar_t* cls = nullptr;
    const wchar_t* title = nullptr;
    int button = 0;
};

bool Parse(int argc, wchar_t** argv, Request& req) {
    int i = 1;
    if (i + 1 < argc && std::wcscmp(argv[i], L"--wait") == 0) {
        req.waitMs = static_cast<DWORD>(std::wcstoul(argv[i + 1], nullptr, 10));
        i += 2;
    }
    if (i >= argc) return false;
    req.verb = argv[i++];
    if (req.verb == L"window" || req.verb == L"gone" || req.verb == L"quit" || req.verb == L"activate") {
        if (i + 2 != argc) return false;
        if (std::wcscmp(argv[i], L"--class") == 0) {
            req.cls = argv[i + 1];
        } else if (std::wcscmp(argv[i], L"--title") == 0) {
            req.title = argv[i + 1];
        } else {
            return false;
        }
        return true;
    }
    req.cls = L"#32770";
    if (req.verb == L"msgbox" && i + 1 == argc) {
        req.title = argv[i];
        return true;
    }
    if (req.verb == L"press" && i + 2 == argc) {
        req.title = argv[i];
        req.button = ButtonId(argv[i + 1]);
        return req.button != 0;
    }
    return false;
}

int Run(const Request& req) {
    const DWORD start = GetTickCount();
    const bool wantGone = req.verb == L"gone";
    for (;;) {
        HWND w = FindWindowW(req.cls, req.title);
        if (wantGone && !w) return 0;
        if (!wantGone && w) {
            if (req.verb == L"window") return ShowWindowFacts(w);
            if (req.verb == L"quit")
                return PostThreadMessageW(GetWindowThreadProcessId(w, nullptr), WM_QUIT, 0, 0) ? 0 : 1;
            if (req.verb == L"activate") return SetForegroundWindow(w) ? 0 : 1;
            if (req.verb == L"msgbox") {
                HWND text = GetDlgItem(w, kStaticTextId);
                if (text) {
                    Print("text", Escaped(Utf8(TextOf(text))));
                    Print("icon", IconOf(w));
                    Print("buttons", ButtonsOf(w));
                    return 0;
                }
            } else if (HWND button = GetDlgItem(w, req.button)) {
                DWORD_PTR ignored = 0;
                SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
                return 0;
            }
        }
        if (GetTickCount() - start >= req.waitMs) return 1;
        Sleep(50);
    }
}

int ShowLastInput() {
    LASTINPUTINFO info{sizeof info, 0};
    if (!GetLastInputInfo(&info)) return 1;
    Print("tick", std::to_string(GetTickCount()));
    Print("input", std::to_string(info.dwTime));
    return 0;
}

// Open popup menus are windows of class #32768. Their items cannot be read from
// another process under Wine (menu handles are per process), so only where they are.
int ShowOpenMenus() {
    int shown = 0;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32768", nullptr)) {
        if (!IsWindowVisible(w)) continue;
        RECT r{};
        GetWindowRect(w, &r);
        Print("menu", Rect(r));
        ++shown;
    }
    return shown > 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"at") == 0) return ShowWindowAt(argv[2], argv[3]);
    if (argc == 2 && std::wcscmp(argv[1], L"lastinput") == 0) return ShowLastInput();
    if (argc == 2 && std::wcscmp(argv[1], L"menus") == 0) return ShowOpenMenus();
    Request req;
    if (!Parse(argc, argv, req)) {
        Print("usage",
              "pw_probe [--wait MS] window|gone|quit|activate --class NAME|--title TEXT | msgbox TITLE | "
              "press TITLE ok|yes|no | at X Y | lastinput | menus");
        return 2;
    }
    return Run(req);
}
