#include "platform/win32/form_paint.h"

#include <vssym32.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/form_layout.h"

namespace pw {

namespace {

// A two-line system edge, enlarged: its outer line `outerWidth` pixels wide, its inner
// one `innerWidth`, so it keeps its look when everything else grows. Shrinks `r` to
// inside it.
void ThickEdge(HDC dc, RECT& r, UINT outer, UINT inner, int outerWidth, int innerWidth) {
    for (int i = 0; i < outerWidth + innerWidth; ++i)
        DrawEdge(dc, &r, i < outerWidth ? outer : inner, BF_RECT | BF_ADJUST);
}

class Painter {
  public:
    Painter(HDC dc, GdiCache& cache, HTHEME theme, PixelScale scale)
        : dc_(dc), cache_(cache), theme_(theme), scale_(scale), line_(scale.Len(1)) {}
    ~Painter() {
        if (bitmapDc_) DeleteDC(bitmapDc_);
    }
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    void Paint(const Control& c, const RECT& r) {
        switch (c.kind) {
            case ControlKind::Frame:
                Frame(c, r);
                break;
            case ControlKind::Label:
                Label(c, r);
                break;
            case ControlKind::Picture:
                Picture(c, r);
                break;
            case ControlKind::TextBox:
                TextBox(c, r);
                break;
            case ControlKind::Button:
                break;  // only ever a hidden, code-pressed button
        }
    }

  private:
    void Fill(const RECT& r, const Color& color) { FillRect(dc_, &r, cache_.BrushFor(ColorRef(color))); }

    void Text(const Control& c, RECT r, UINT flags) {
        if (c.Caption().empty()) return;
        const std::wstring text = ToUtf16(c.Caption());
        SelectObject(dc_, cache_.FontFor(c.font));
        SetTextColor(dc_, ColorRef(c.fore));
        SetBkMode(dc_, TRANSPARENT);
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_NOPREFIX | DT_EXPANDTABS);
    }

    void Frame(const Control& c, const RECT& r) {
        if (!c.outline) {
            Fill(r, c.back);
            return;
        }
        const int w = r.right - r.left, h = r.bottom - r.top;
        const COLORREF back = ColorRef(c.back);
        HBITMAP look = cache_.Rendered(c, w, h, back, dc_, [&](HDC dc) {
            DrawGroupBox(c, dc, {0, 0, w, h}, back);
        });
        Blit(look, r.left, r.top, w, h);
    }

    void DrawGroupBox(const Control& c, HDC dc, RECT r, COLORREF back) {
        FillRect(dc, &r, cache_.BrushFor(back));
        // The edge runs through the middle of the (here empty) caption line.
        HGDIOBJ old = SelectObject(dc, cache_.FontFor(c.font));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        r.top += tm.tmHeight / 2;
        // The theme's and the system's edges are one pixel: drawn as they are only at 100 %.
        if (line_ != 1)
            ThickEdge(dc, r, BDR_SUNKENOUTER, BDR_RAISEDINNER, line_, line_);
        else if (theme_)
            DrawThemeBackground(theme_, dc, BP_GROUPBOX, GBS_NORMAL, &r, nullptr);
        else
            DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
    }

    void Blit(HBITMAP bitmap, int x, int y, int w, int h) {
        if (!bitmapDc_) bitmapDc_ = CreateCompatibleDC(dc_);
        HGDIOBJ old = SelectObject(bitmapDc_, bitmap);
        BitBlt(dc_, x, y, w, h, bitmapDc_, 0, 0, SRCCOPY);
        SelectObject(bitmapDc_, old);
    }

    void Label(const Control& c, const RECT& r) {
        if (!c.transparent) Fill(r, c.back);
        const UINT align = c.align == Align::Right ? DT_RIGHT : DT_LEFT;
        Text(c, r, align | DT_WORDBREAK);
    }

    void SunkenEdge(RECT& r) {
        if (line_ == 1)
            DrawEdge(dc_, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        else
            // The two lines fill the 2-pixel border exactly: at 150 % one is wider.
            ThickEdge(dc_, r, BDR_SUNKENOUTER, BDR_SUNKENINNER, line_, scale_.Len(2) - line_);
    }

    void Picture(const Control& c, const RECT& r) {
        const RECT inner = ToRect(ChildArea(c, scale_));
        if (c.border3d) {
            RECT edge = r;
            SunkenEdge(edge);
        }
        Fill(inner, c.back);
        if (c.picture.empty()) return;
        // The pictures drawn nearest to the display's scale; what remains is made up by
        // repeating pixels, never by blending them.
        const int percent = scale_.Percent();
        const int drawnAt = ArtPercentFor(percent);
        HBITMAP bitmap = ArtBitmap(c.picture, drawnAt);
        if (!bitmap) return;
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        IntersectClipRect(dc_, inner.left, inner.top, inner.right, inner.bottom);
        if (percent == drawnAt) {
            Blit(bitmap, inner.left, inner.top, info.bmWidth, info.bmHeight);
            return;
        }
        const auto scaled = [&](LONG n) {
            return static_cast<int>(std::lround(double(n) * percent / drawnAt));
        };
        if (!bitmapDc_) bitmapDc_ = CreateCompatibleDC(dc_);
        HGDIOBJ old = SelectObject(bitmapDc_, bitmap);
        SetStretchBltMode(dc_, COLORONCOLOR);
        StretchBlt(dc_, inner.left, inner.top, scaled(info.bmWidth), scaled(info.bmHeight), bitmapDc_, 0, 0,
                   info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(bitmapDc_, old);
    }

    void TextBox(const Control& c, const RECT& r) {
        RECT inner = r;
        if (c.border3d) SunkenEdge(inner);
        Fill(inner, c.back);
        // The margins an edit control keeps around its text.
        InflateRect(&inner, -line_, -line_);
        inner.left += line_;
        Text(c, inner, DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL);
    }

    HDC dc_;
    GdiCache& cache_;
    HTHEME theme_;
    PixelScale scale_;
    int line_;  // a one-pixel line at this scale
    HDC bitmapDc_ = nullptr;
};

}  // namespace

RECT ToRect(const PxRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

namespace {

// Whether the control covers every pixel of its rectangle.
bool Opaque(const Control& c) {
    return c.kind != ControlKind::Button && !(c.kind == ControlKind::Label && c.transparent);
}

}  // namespace

void PaintForm(const Form& form, HDC dc, const RECT& area, GdiCache& cache, HTHEME theme, PixelScale scale) {
    const PxRect update{area.left, area.top, area.right, area.bottom};
    // A counter's second repaints only what shows: painting starts at the topmost
    // opaque control that covers the whole update, not at the window's background.
    std::size_t first = 0, index = 0;
    ForEachBottomUp(form, scale, [&](const Control& c, const PxRect& clip) {
        if (Opaque(c) && ControlRect(c, scale).Clip(clip).Contains(update)) first = index;
        ++index;
    });
    index = 0;
    Painter painter(dc, cache, theme, scale);
    ForEachBottomUp(form, scale, [&](const Control& c, const PxRect& clip) {
        if (index++ < first) return;
        const PxRect rect = ControlRect(c, scale);
        if (!rect.Intersects(clip) || !rect.Intersects(update)) return;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        IntersectClipRect(dc, update.left, update.top, update.right, update.bottom);
        painter.Paint(c, ToRect(rect));
        RestoreDC(dc, saved);
    });
}

}  // namespace pw
