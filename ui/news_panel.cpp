#include "ui/news_panel.h"

#include <algorithm>
#include <mutex>

#include "ui/drawing_kit.h"
#include "ui/main_window.h"

using namespace Gdiplus;

namespace news {

int ContentHeight(size_t count) { return kCardPitch * static_cast<int>(count) + 18; }

int CardTop(size_t index, int scroll) {
  return kListTop + kCardPitch * static_cast<int>(index) - scroll;
}

bool CardInBand(int cardTop) {
  return cardTop + kCardHeight >= kPanelTop && cardTop <= kPanelTop + kPanelHeight;
}

int MaxScrollFor(size_t count) {
  if (count == 0) return 0;
  // Beyond this the count is far past kMaxNewsItems; keeps the product in range.
  const int n = static_cast<int>(std::min<size_t>(count, 1000000));
  return std::max(0, kCardPitch * n - 152);
}

int HitIndex(int x, int y, int scroll, int state, size_t count) {
  if (x < kCardLeft || x > kCardRight || y < kPanelTop || y > kPanelTop + kPanelHeight) return -1;
  const int t = y - kListTop + scroll;
  if (t < 0 || t % kCardPitch >= kCardHeight) return -1;
  const int r = t / kCardPitch;
  return state == 1 && static_cast<size_t>(r) < count ? r : -1;
}

TextColumn TextColumnFor(bool hasPicture) {
  const float x = hasPicture ? 344.0f : 210.0f;
  return TextColumn{x, 910.0f - x - 14.0f};
}

PanelDecor DecorFor(size_t count, int scroll) {
  PanelDecor d;
  const int c = ContentHeight(count);
  d.bottomFade = c > kPanelHeight && c - kPanelHeight > scroll;
  d.topFade = scroll > 0;
  d.scrollBar = c > kPanelHeight;
  if (d.scrollBar) {
    d.thumbLength = std::max(142.0f * kPanelHeight / c, 30.0f);
    const float p = static_cast<float>(scroll) / static_cast<float>(c - kPanelHeight);
    d.thumbTop = 276.0f + (142.0f - d.thumbLength) * p;
  }
  return d;
}

std::wstring UpperCaseDate(const std::wstring& date) {
  std::wstring upper = date;
  if (!upper.empty()) CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
  return upper;
}

}  // namespace news

namespace {

constexpr wchar_t kTextFont[] = L"Segoe UI";

void FillRounded(Graphics& g, const Brush& brush, float x, float y, float w, float h, float r,
                 const Pen* outline = nullptr) {
  GraphicsPath path;
  AddRoundedRect(path, x, y, w, h, r);
  g.FillPath(&brush, &path);
  if (outline) g.DrawPath(outline, &path);
}

void DrawLine(Graphics& g, const std::wstring& text, const Font& font, const Brush& brush,
              const RectF& box, const StringFormat& format) {
  if (text.empty() || font.GetLastStatus() != Ok) return;
  g.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, box, &format, &brush);
}

void PaintCard(Graphics& g, const NewsItem& item, float y, bool hovered, const Font& dateFont,
               const Font& titleFont, const Font& textFont) {
  const SolidBrush fill(Color(hovered ? 0x28E2C47C : 0x0EFFFFFF));
  const Pen outline(Color(0xC8E2C47C), 1.2f);
  FillRounded(g, fill, news::kCardLeft, y, news::kCardWidth, news::kCardHeight, 10,
              hovered ? &outline : nullptr);

  if (item.thumbnail) {
    const GraphicsState state = g.Save();
    GraphicsPath clip;
    AddRoundedRect(clip, 202, y + 8, 128, 88, 7);
    g.SetClip(&clip, CombineModeIntersect);
    g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(PixelOffsetModeHighQuality);
    g.DrawImage(item.thumbnail, RectF(202, y + 8, 128, 88), 0, 0,
                static_cast<REAL>(kNewsThumbWidth), static_cast<REAL>(kNewsThumbHeight),
                UnitPixel);
    g.Restore(state);
  }

  const news::TextColumn col = news::TextColumnFor(item.thumbnail != nullptr);
  StringFormat oneLine;
  oneLine.SetFormatFlags(StringFormatFlagsNoWrap);
  oneLine.SetTrimming(StringTrimmingEllipsisCharacter);
  StringFormat wrapped;
  wrapped.SetFormatFlags(StringFormatFlagsLineLimit);  // no half-cut last line
  wrapped.SetTrimming(StringTrimmingEllipsisWord);

  const SolidBrush dateBrush(Color(0xFFC9A24A));
  const SolidBrush titleBrush(Color(0xFFF8ECCE));
  const SolidBrush textBrush(Color(0xFFD6CCB8));
  DrawLine(g, news::UpperCaseDate(item.date), dateFont, dateBrush,
           RectF(col.x, y + 10, col.width, 16), oneLine);
  DrawLine(g, item.title, titleFont, titleBrush, RectF(col.x, y + 25, col.width, 24), oneLine);
  DrawLine(g, item.summary, textFont, textBrush, RectF(col.x, y + 50, col.width, 44), wrapped);
}

void PaintFades(Graphics& g, const news::PanelDecor& decor) {
  if (decor.bottomFade) {
    LinearGradientBrush fade(PointF(0, 397), PointF(0, 432), Color(0x00160E09),
                             Color(0xEB160E09));
    fade.SetWrapMode(WrapModeTileFlipXY);  // no seam where the gradient would restart
    g.FillRectangle(&fade, RectF(180, 398, 738, 34));
  }
  if (decor.topFade) {
    LinearGradientBrush fade(PointF(0, 262), PointF(0, 297), Color(0xEB160E09),
                             Color(0x00160E09));
    fade.SetWrapMode(WrapModeTileFlipXY);
    g.FillRectangle(&fade, RectF(180, 262, 738, 34));
  }
}

void PaintScrollBar(Graphics& g, const news::PanelDecor& decor) {
  if (!decor.scrollBar) return;
  const SolidBrush track(Color(0x1AFFFFFF));
  FillRounded(g, track, 924, 276, 6, 142, 3);
  const SolidBrush thumb(Color(0xFFC9A24A));
  FillRounded(g, thumb, 924, decor.thumbTop, 6, decor.thumbLength, 3);
}

}  // namespace

void PaintNewsPanel(Graphics& g) {
  const GraphicsState saved = g.Save();
  GraphicsPath clip;
  AddRoundedRect(clip, news::kPanelLeft, news::kPanelTop, news::kPanelWidth, news::kPanelHeight,
                 10);
  g.SetClip(&clip, CombineModeIntersect);

  const FontFamily textFamily(kTextFont);
  const Font dateFont(&textFamily, 12, FontStyleRegular, UnitPixel);
  const Font textFont(&textFamily, 13, FontStyleRegular, UnitPixel);
  const Font titleFont(GetDisplayFontFamily(), 19, FontStyleRegular, UnitPixel);
  {
    std::lock_guard<std::mutex> lock(g_newsMutex);
    if (g_newsState != 1) {
      StringFormat centred;
      centred.SetAlignment(StringAlignmentCenter);
      centred.SetLineAlignment(StringAlignmentCenter);
      const SolidBrush brush(Color(0xFFD6CCB8));
      DrawLine(g, g_newsState == 0 ? kNewsLoadingText : kNewsFailedText, textFont, brush,
               RectF(news::kPanelLeft, news::kPanelTop, news::kPanelWidth, news::kPanelHeight),
               centred);
    } else {
      for (size_t i = 0; i < g_newsItems.size(); ++i) {
        const int top = news::CardTop(i, g_newsScroll);
        if (!news::CardInBand(top)) continue;
        PaintCard(g, g_newsItems[i], static_cast<float>(top),
                  static_cast<int>(i) == g_newsHover, dateFont, titleFont, textFont);
      }
      const news::PanelDecor decor = news::DecorFor(g_newsItems.size(), g_newsScroll);
      PaintFades(g, decor);
      PaintScrollBar(g, decor);
    }
    g.Restore(saved);
  }
}

int NewsHitTest(int x, int y) {
  std::lock_guard<std::mutex> lock(g_newsMutex);
  return news::HitIndex(x, y, g_newsScroll, g_newsState, g_newsItems.size());
}

int NewsMaxScroll() {
  std::lock_guard<std::mutex> lock(g_newsMutex);
  return news::MaxScrollFor(g_newsItems.size());
}
