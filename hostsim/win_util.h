// Small Win32 helpers: handle owners, error text, window text and child creation.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace hostsim {

// Owns a kernel handle (a file); closes it once.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE);

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Owns a GDI font.
class UniqueFont {
  public:
    UniqueFont() = default;
    explicit UniqueFont(HFONT font) : font_(font) {}
    ~UniqueFont() { Reset(); }
    UniqueFont(const UniqueFont&) = delete;
    UniqueFont& operator=(const UniqueFont&) = delete;

    HFONT get() const { return font_; }
    void Reset(HFONT font = nullptr) {
        if (font_) DeleteObject(font_);
        font_ = font;
    }

  private:
    HFONT font_ = nullptr;
};

// Runs a message handler so that no exception leaves a window procedure: a throwing
// handler gives the fallback's result (normally the default procedure's).
template <typename Handler, typename Fallback>
LRESULT Guarded(Handler&& handler, Fallback&& fallback) noexcept {
    try {
        return handler();
    } catch (...) {
        try {
            return fallback();
        } catch (...) {
            return 0;
        }
    }
}

// What GetLastError says, as text.
std::string LastErrorText();

// Writes text to the standard error handle (a GUI program has no console of its own).
void PrintError(std::string_view text);

// The window's whole text in the ANSI code page.
std::string WindowText(HWND window);

struct ChildSpec {
    const char* window_class;
    const char* text;
    DWORD style;  // WS_CHILD | WS_VISIBLE are always added
    RECT place;   // left, top, right, bottom in the parent's client area
    int id = 0;
    DWORD ex_style = 0;
};

// Creates a child window with the given font; nullptr when creation failed.
HWND CreateChild(HWND parent, const ChildSpec& layout, HFONT font);

void MoveChild(HWND child, int left, int top, int width, int height);

}  // namespace hostsim
