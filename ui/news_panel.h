// The news list painted inside the main window: status lines, cards, fades and scroll bar.
// Coordinates are design units; the main window owns the hover and scroll state.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstddef>
#include <string>

#include "ui/news_feed.h"

inline constexpr wchar_t kNewsLoadingText[] = L"Carregando novidades...";
inline constexpr wchar_t kNewsFailedText[] =
    L"N\u00E3o foi poss\u00EDvel carregar as novidades. Clique aqui para ver no site.";

// All three run on the user-interface thread and take g_newsMutex themselves.
void PaintNewsPanel(Gdiplus::Graphics& g);  // design transform set
int NewsHitTest(int x, int y);              // card index under a design point, or -1
int NewsMaxScroll();

// The panel's geometry as plain functions of the entry count and the scroll offset.
namespace news {

inline constexpr int kPanelLeft = 180;
inline constexpr int kPanelTop = 262;
inline constexpr int kPanelWidth = 760;
inline constexpr int kPanelHeight = 170;  // the visible band, y 262 to 432
inline constexpr int kCardLeft = 194;
inline constexpr int kCardRight = 910;
inline constexpr int kCardWidth = 716;
inline constexpr int kCardHeight = 104;
inline constexpr int kCardPitch = 114;   // card plus the gap below it
inline constexpr int kListTop = 276;

int ContentHeight(size_t count);
int CardTop(size_t index, int scroll);
bool CardInBand(int cardTop);
int MaxScrollFor(size_t count);
int HitIndex(int x, int y, int scroll, int state, size_t count);

struct TextColumn {
  float x, width;
};
TextColumn TextColumnFor(bool hasPicture);

struct PanelDecor {
  bool topFade = false;     // more above
  bool bottomFade = false;  // more below
  bool scrollBar = false;
  float thumbTop = 0, thumbLength = 0;
};
PanelDecor DecorFor(size_t count, int scroll);

// Locale-aware upper case of the whole text (CharUpperBuffW).
std::wstring UpperCaseDate(const std::wstring& date);

}  // namespace news
