#include "ui/buttons.h"

#include <commctrl.h>

#include <cstdio>

#include "core/globals.h"
#include "core/handles.h"
#include "ui/drawing_kit.h"
#include "ui/layout.h"

using namespace Gdiplus;

HWND g_hoveredButton = nullptr;

namespace {

// A w x h off-screen bitmap selected into a memory DC; the bitmap is deselected before both
// are freed.
class Canvas {
 public:
  Canvas(HDC target, int w, int h)
      : dc_(handles::MakeMemoryDc(target)),
        bitmap_(CreateCompatibleBitmap(target, w > 0 ? w : 1, h > 0 ? h : 1)) {
    if (dc_ && bitmap_) old_ = SelectObject(dc_.get(), bitmap_.get());
  }
  ~Canvas() {
    if (old_) SelectObject(dc_.get(), old_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  bool ok() const { return old_ != nullptr; }
  HDC dc() const { return dc_.get(); }

 private:
  handles::UniqueMemoryDc dc_;
  handles::UniqueGdiObject bitmap_;
  HGDIOBJ old_ = nullptr;
};

POINT OriginInParent(HWND control) {
  POINT origin{0, 0};
  MapWindowPoints(control, GetParent(control), &origin, 1);
  return origin;
}

// The part of the main window's background that lies under the control, when it could not be
// copied into the buffer with BlitWindowBackground before GDI+ opened it.
void DrawBackgroundUnder(Graphics& g, HWND control, bool copied) {
  if (copied) return;
  const POINT origin = OriginInParent(control);
  GraphicsState state = g.Save();
  g.TranslateTransform(static_cast<REAL>(-origin.x), static_cast<REAL>(-origin.y));
  DrawWindowBackground(g, static_cast<int>(kDesignCanvasWidth),
                       static_cast<int>(kDesignCanvasHeight));
  g.Restore(state);
}

}  // namespace

HWND CreateOwnerDrawButton(HWND parent, int left, int top, int right, int bottom,
                           const wchar_t* text, int id) {
  const RECT r = DesignBoxToPixels(static_cast<float>(left), static_cast<float>(top),
                                   static_cast<float>(right), static_cast<float>(bottom),
                                   g_uiScale);
  HWND button = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, r.left,
                                r.top, r.right - r.left, r.bottom - r.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                                nullptr);
  SetWindowSubclass(button, ButtonSubclassProc, 1, 0);
  return button;
}

LRESULT CALLBACK ButtonSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR) {
  switch (msg) {
    case WM_MOUSEMOVE:
      if (g_hoveredButton != hwnd) {
        HWND previous = g_hoveredButton;
        g_hoveredButton = hwnd;
        if (previous) InvalidateRect(previous, nullptr, FALSE);
        InvalidateRect(hwnd, nullptr, FALSE);
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
      }
      break;
    case WM_MOUSELEAVE:
      if (g_hoveredButton == hwnd) {
        g_hoveredButton = nullptr;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void DrawImageButton(HDC dc, HWND control, const RECT& rect, Image* image, bool isPlay,
                     bool disabled, bool pressed) {
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  Canvas canvas(dc, w, h);
  if (!canvas.ok()) return;
  {
    const POINT origin = OriginInParent(control);
    const bool copied = BlitWindowBackground(canvas.dc(), 0, 0, w, h, origin.x, origin.y);
    Graphics g(canvas.dc());
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(PixelOffsetModeHighQuality);
    DrawBackgroundUnder(g, control, copied);

    const bool hovered = control == g_hoveredButton && !disabled;
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    if (isPlay && hovered && !pressed) {
      GraphicsPath ellipse;
      ellipse.AddEllipse(0.1f * fw, 0.1f * fh, 0.86f * fw, 0.8f * fh);
      PathGradientBrush glow(&ellipse);
      glow.SetCenterColor(Color(0x96FFBE5A));
      Color surround(0x00FFBE5A);
      INT count = 1;
      glow.SetSurroundColors(&surround, &count);
      g.FillPath(&glow, &ellipse);
    }
    DrawImageTinted(g, image, 0, 0, fw, fh, hovered, pressed, disabled && !isPlay);
  }
  BitBlt(dc, rect.left, rect.top, w, h, canvas.dc(), 0, 0, SRCCOPY);
}

void DrawLinkButton(HDC dc, HWND control, const RECT& rect, const std::wstring& text,
                    bool pressed) {
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  Canvas canvas(dc, w, h);
  if (!canvas.ok()) return;
  {
    const POINT origin = OriginInParent(control);
    const bool copied = BlitWindowBackground(canvas.dc(), 0, 0, w, h, origin.x, origin.y);
    Graphics g(canvas.dc());
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.SetTextRenderingHint(TextRenderingHintAntiAliasGridFit);
    DrawBackgroundUnder(g, control, copied);

    const float s = g_uiScale;
    g.ScaleTransform(s, s);
    const float designW = static_cast<float>(w) / s;
    const float designH = static_cast<float>(h) / s;
    FontFamily family(L"Segoe UI");
    Font regular(&family, 12.5f, FontStyleRegular, UnitPixel);
    Font bold(&family, 12.5f, FontStyleBold | FontStyleUnderline, UnitPixel);
    if (regular.GetLastStatus() == Ok && bold.GetLastStatus() == Ok) {
      std::wstring prefix, suffix;
      SplitLinkText(text, &prefix, &suffix);
      RectF prefixBox, suffixBox;
      g.MeasureString(prefix.c_str(), static_cast<INT>(prefix.size()), &regular, PointF(0, 0),
                      &prefixBox);
      g.MeasureString(suffix.c_str(), static_cast<INT>(suffix.size()), &bold, PointF(0, 0),
                      &suffixBox);
      const float x0 = (designW - (prefixBox.Width + suffixBox.Width)) * 0.5f;
      const float y0 = (designH - suffixBox.Height) * 0.5f;
      SolidBrush plain(Color(0xFFE8DCC4));
      SolidBrush gold(Color(pressed ? 0xFFF0D696 : 0xFFE2C47C));
      g.DrawString(prefix.c_str(), static_cast<INT>(prefix.size()), &regular, PointF(x0, y0),
                   &plain);
      g.DrawString(suffix.c_str(), static_cast<INT>(suffix.size()), &bold,
                   PointF(x0 + prefixBox.Width, y0), &gold);
    }
  }
  BitBlt(dc, rect.left, rect.top, w, h, canvas.dc(), 0, 0, SRCCOPY);
}

void DrawProgressBar(Graphics& g, int left, int top, int right, int bottom, int percent,
                     const std::wstring& label) {
  const ProgressBarGeometry bar = ComputeProgressBar(left, top, right, bottom, percent, label);
  GraphicsPath track;
  AddRoundedRect(track, bar.x, bar.y, bar.width, bar.height, bar.radius);
  {
    LinearGradientBrush fill(PointF(0, bar.y), PointF(0, bar.y + bar.height), Color(0xD2080503),
                             Color(0xD21C130C));
    g.FillPath(&fill, &track);
  }
  if (bar.drawFill) {
    GraphicsState state = g.Save();
    GraphicsPath inner;
    AddRoundedRect(inner, bar.x + 2, bar.y + 2, bar.width - 4, bar.innerHeight, bar.radius - 2);
    g.SetClip(&inner, CombineModeIntersect);
    GraphicsPath pill;
    AddRoundedRect(pill, bar.x + 2, bar.y + 2, bar.pillWidth, bar.innerHeight, bar.radius - 2);
    LinearGradientBrush gold(PointF(0, bar.y + 2), PointF(0, bar.y + bar.height - 2),
                             Color(0xFFE8C06E), Color(0xFF966626));
    g.FillPath(&gold, &pill);
    SolidBrush gloss(Color(0x37FFF0C8));
    g.FillRectangle(&gloss, bar.x + 2, bar.y + 2, bar.fillWidth, bar.glossHeight);
    g.Restore(state);
  }
  Pen outline(Color(0xC8B08640), 1);
  g.DrawPath(&outline, &track);

  FontFamily family(L"Segoe UI");
  Font font(&family, 10.5f, FontStyleBold, UnitPixel);
  if (font.GetLastStatus() != Ok) return;
  // Centred from the measured size and placed on whole device pixels, rather than left to a
  // centring string format: the label then lands on the same pixels whatever rounding the
  // graphics library does inside its own layout.
  RectF size;
  g.MeasureString(bar.label.c_str(), -1, &font, PointF(0, 0), &size);
  Matrix transform;
  g.GetTransform(&transform);
  REAL m[6];
  transform.GetElements(m);
  const PointF origin(SnapToDevicePixel(bar.x + (bar.width - size.Width) * 0.5f, m[0], m[4]),
                      SnapToDevicePixel(bar.y + (bar.height - size.Height) * 0.5f, m[3], m[5]));
  SolidBrush shadow(Color(0xC8000000));
  SolidBrush text(Color(0xFFFFF6DE));
  g.DrawString(bar.label.c_str(), -1, &font, PointF(origin.X + 1, origin.Y + 1.5f), &shadow);
  g.DrawString(bar.label.c_str(), -1, &font, origin, &text);
}
