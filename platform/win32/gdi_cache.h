// GDI objects a form window draws with: fonts and brushes kept per window, and the
// artwork decoded once per process from the GIF resources.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/forms.h"
#include "platform/win32/win32_text.h"

namespace pw {

// Owns one GDI object.
template <typename H>
class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(H h) : h_(h) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = o.h_;
            o.h_ = nullptr;
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    H Get() const { return h_; }
    void Reset() {
        if (h_) DeleteObject(h_);
        h_ = nullptr;
    }

  private:
    H h_ = nullptr;
};

COLORREF ColorRef(const Color& c);

class GdiCache {
  public:
    // The DPI fonts are made for; changing it drops what was made for the old one.
    void SetDpi(int dpi);
    // The font at the window's DPI.
    HFONT FontFor(const Font& f);
    HBRUSH BrushFor(COLORREF c);
    // A control's look drawn once into a bitmap of w x h by `draw`, redrawn only when
    // the size or `key` changes. For what is costly to draw and rarely changes (a
    // themed group box costs hundreds of microseconds under Wine).
    HBITMAP Rendered(const Control& c, int w, int h, COLORREF key, HDC like,
                     const std::function<void(HDC)>& draw);
    // Drops everything (after a theme, system colour or DPI change).
    void Clear();

  private:
    struct Rendering {
        int w = 0, h = 0;
        COLORREF key = 0;
        GdiObject<HBITMAP> bitmap;
    };
    int dpi_ = 96;
    std::map<std::tuple<std::string, float, bool>, GdiObject<HFONT>> fonts_;
    std::map<COLORREF, GdiObject<HBRUSH>> brushes_;
    std::map<const Control*, Rendering> renderings_;
};

// The artwork named `name` drawn for `percent` (one of kArtPercents): an RCDATA GIF in
// the program's resources, "<name>" at 100 %, "<name>_150" at 150 % and so on. nullptr
// when it is missing or cannot be decoded. Decoded once per process.
HBITMAP ArtBitmap(const std::string& name, int percent = 100);
// Decodes all not-yet-decoded pictures in one go, so GDI+ is started once for them.
void PreloadArt(const std::vector<std::string>& names, int percent = 100);
// Drops every decoded picture (decoding paints the system button face behind them,
// so a change of system colours needs them decoded again).
void ClearArt();

}  // namespace pw
