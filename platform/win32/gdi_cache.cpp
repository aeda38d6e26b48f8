#include "platform/win32/gdi_cache.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <cmath>
#include <memory>

namespace pw {

namespace {

// Decoded pictures, by resource name: kept until the process ends or the system
// colours change (ClearArt).
std::map<std::string, HBITMAP>& ArtCache() {
    static auto* cache = new std::map<std::string, HBITMAP>();
    return *cache;
}

std::string ResourceName(const std::string& name, int percent) {
    return percent == 100 ? name : name + "_" + std::to_string(percent);
}

struct ComRelease {
    void operator()(IUnknown* p) const { p->Release(); }
};

HBITMAP DecodeGif(const std::string& name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(module, ToUtf16(name).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res) return nullptr;
    HGLOBAL data = LoadResource(module, res);
    const DWORD size = SizeofResource(module, res);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes || size == 0) return nullptr;
    std::unique_ptr<IStream, ComRelease> stream(SHCreateMemStream(static_cast<const BYTE*>(bytes), size));
    if (!stream) return nullptr;

    namespace gp = Gdiplus::DllExports;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromStream(stream.get(), &bitmap) != Gdiplus::Ok) return nullptr;
    HBITMAP out = nullptr;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const Gdiplus::ARGB background =
        0xFF000000u | (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    if (gp::GdipCreateHBITMAPFromBitmap(bitmap, &out, background) != Gdiplus::Ok) out = nullptr;
    gp::GdipDisposeImage(bitmap);
    return out;
}

}  // namespace

COLORREF ColorRef(const Color& c) {
    return c.system ? GetSysColor(c.index) : static_cast<COLORREF>(c.rgb & 0xFFFFFF);
}

HFONT GdiCache::FontFor(const Font& f) {
    auto key = std::make_tuple(f.face, f.points, f.bold);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second.Get();
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(f.points * static_cast<float>(dpi_) / 72.0f));
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    const std::wstring face = ToUtf16(f.face);
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    fonts_.emplace(key, GdiObject<HFONT>(font));
    return font;
}

HBRUSH GdiCache::BrushFor(COLORREF c) {
    auto it = brushes_.find(c);
    if (it != brushes_.end()) return it->second.Get();
    HBRUSH brush = CreateSolidBrush(c);
    brushes_.emplace(c, GdiObject<HBRUSH>(brush));
    return brush;
}

HBITMAP GdiCache::Rendered(const Control& c, int w, int h, COLORREF key, HDC like,
                           const std::function<void(HDC)>& draw) {
    Rendering& r = renderings_[&c];
    if (r.bitmap.Get() && r.w == w && r.h == h && r.key == key) return r.bitmap.Get();
    r.bitmap = GdiObject<HBITMAP>(CreateCompatibleBitmap(like, w, h));
    r.w = w;
    r.h = h;
    r.key = key;
    HDC dc = CreateCompatibleDC(like);
    HGDIOBJ old = SelectObject(dc, r.bitmap.Get());
    draw(dc);
    SelectObject(dc, old);
    DeleteDC(dc);
    return r.bitmap.Get();
}

void GdiCache::SetDpi(int dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    Clear();
}

void GdiCache::Clear() {
    fonts_.clear();
    brushes_.clear();
    renderings_.clear();
}

void PreloadArt(const std::vector<std::string>& names, int percent) {
    auto& cache = ArtCache();
    std::vector<std::string> missing;
    for (const auto& n : names)
        if (!n.empty() && !cache.count(ResourceName(n, percent))) missing.push_back(ResourceName(n, percent));
    if (missing.empty()) return;
    // GDI+ is needed only to decode: start it for the batch and let it go again.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    const bool started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    for (const auto& n : missing)
        cache[n] = started ? DecodeGif(n) : nullptr;
    if (started) Gdiplus::GdiplusShutdown(token);
}

HBITMAP ArtBitmap(const std::string& name, int percent) {
    auto& cache = ArtCache();
    const std::string key = ResourceName(name, percent);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    PreloadArt({name}, percent);
    return cache[key];
}

void ClearArt() {
    for (auto& [name, bitmap] : ArtCache())
        if (bitmap) DeleteObject(bitmap);
    ArtCache().clear();
}

}  // namespace pw
