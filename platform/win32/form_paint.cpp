#include "platform/win32/form_paint.h"

#include <vssym32.h>

#include <algorithm>
#include <string>

#include "platform/win32/form_layout.h"

namespace pw {

namespace {

class Painter {
  public:
    Painter(HDC dc, GdiCache& cache, HTHEME theme) : dc_(dc), cache_(cache), theme_(theme) {}
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
        if (theme_)
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
        Text(c, r, align | (c.wrap ? DT_WORDBREAK : DT_SINGLELINE));
    }

    void Picture(const Control& c, const RECT& r) {
        const RECT inner = ToRect(ChildArea(c));
        if (c.border3d) {
            RECT edge = r;
            DrawEdge(dc_, &edge, EDGE_SUNKEN, BF_RECT);
        }
        Fill(inner, c.back);
        HBITMAP bitmap = c.picture.empty() ? nullptr : ArtBitmap(c.picture);
        if (!bitmap) return;
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        const int w = std::min<int>(info.bmWidth, inner.right - inner.left);
        const int h = std::min<int>(info.bmHeight, inner.bottom - inner.top);
        if (w > 0 && h > 0) Blit(bitmap, inner.left, inner.top, w, h);
    }

    void TextBox(const Control& c, const RECT& r) {
        RECT inner = r;
        if (c.border3d) {
            DrawEdge(dc_, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        }
        Fill(inner, c.back);
        // The margins an edit control keeps around its text.
        InflateRect(&inner, -1, -1);
        inner.left += 1;
        Text(c, inner, DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL);
    }

    HDC dc_;
    GdiCache& cache_;
    HTHEME theme_;
    HDC bitmapDc_ = nullptr;
};

}  // namespace

RECT ToRect(const PxRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

void PaintForm(const Form& form, HDC dc, const RECT& area, GdiCache& cache, HTHEME theme) {
    const PxRect update{area.left, area.top, area.right, area.bottom};
    Painter painter(dc, cache, theme);
    ForEachBottomUp(form, [&](const Control& c, const PxRect& clip) {
        const PxRect rect = ControlRect(c);
        if (!rect.Intersects(clip) || !rect.Intersects(update)) return;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        IntersectClipRect(dc, update.left, update.top, update.right, update.bottom);
        painter.Paint(c, ToRect(rect));
        RestoreDC(dc, saved);
    });
}

}  // namespace pw
