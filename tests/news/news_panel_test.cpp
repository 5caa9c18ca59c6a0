// The news panel: hit testing, scroll range, fades and scroll bar as tables, the thumbnail
// crop, and what a paint puts where.
#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/news/news_test_support.h"
#include "ui/main_window.h"
#include "ui/news_panel.h"

using namespace Gdiplus;

namespace {

::testing::Environment* const g_gdiplus =
    ::testing::AddGlobalTestEnvironment(new news_test::GdiplusEnvironment);

TEST(NewsPanelGeometry, HitTest) {
  struct Case {
    int x, y, scroll, state;
    size_t count;
    int want;
  };
  const Case cases[] = {
      {194, 276, 0, 1, 3, 0},     // top-left corner of the first card
      {910, 379, 0, 1, 3, 0},     // its last row (t 103), right edge included
      {500, 380, 0, 1, 3, -1},    // gap below it (t 104)
      {500, 389, 0, 1, 3, -1},    // end of the gap (t 113)
      {500, 390, 0, 1, 3, 1},     // second card starts
      {500, 432, 0, 1, 3, 1},     // bottom edge of the band included
      {500, 433, 0, 1, 3, -1},    // below the band
      {500, 261, 200, 1, 3, -1},  // above the band even when scrolled
      {500, 270, 0, 1, 3, -1},    // band above the first card (t < 0)
      {193, 300, 0, 1, 3, -1},    // left of the cards
      {911, 300, 0, 1, 3, -1},    // right of the cards
      {927, 300, 0, 1, 3, -1},    // on the scroll bar
      {500, 262, 76, 1, 3, 0},    // scrolled: t 62
      {500, 262, 228, 1, 3, 1},   // t 214: still the second card
      {500, 262, 242, 1, 3, 2},   // t 228: the third card begins
      {500, 432, 200, 1, 3, -1},  // row past the last entry
      {500, 300, 0, 0, 3, -1},    // still loading
      {500, 300, 0, 2, 0, -1},    // failed
      {500, 300, 0, 1, 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(news::HitIndex(c.x, c.y, c.scroll, c.state, c.count), c.want)
        << "x " << c.x << " y " << c.y << " scroll " << c.scroll << " state " << c.state;
  }
}

TEST(NewsPanelGeometry, ScrollRangeFadesAndThumb) {
  struct Case {
    size_t count;
    int scroll;
    int maxScroll;
    bool top, bottom, bar;
    float thumbTop, thumbLength;
  };
  const Case cases[] = {
      {0, 0, 0, false, false, false, 0, 0},
      {1, 0, 0, false, false, false, 0, 0},  // content 132: fits
      {2, 0, 76, false, true, true, 276.0f, 142.0f * 170 / 246},
      {2, 76, 76, true, false, true, 276.0f + (142.0f - 142.0f * 170 / 246), 142.0f * 170 / 246},
      {20, 0, 2128, false, true, true, 276.0f, 30.0f},
      {20, 1064, 2128, true, true, true, 276.0f + 56.0f, 30.0f},
      {20, 2128, 2128, true, false, true, 276.0f + 112.0f, 30.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("count " + std::to_string(c.count) + " scroll " + std::to_string(c.scroll));
    EXPECT_EQ(news::MaxScrollFor(c.count), c.maxScroll);
    EXPECT_EQ(news::ContentHeight(c.count) - 170 > 0 ? news::ContentHeight(c.count) - 170 : 0,
              c.maxScroll);
    const news::PanelDecor d = news::DecorFor(c.count, c.scroll);
    EXPECT_EQ(d.topFade, c.top);
    EXPECT_EQ(d.bottomFade, c.bottom);
    EXPECT_EQ(d.scrollBar, c.bar);
    EXPECT_NEAR(d.thumbTop, c.thumbTop, 0.01);
    EXPECT_NEAR(d.thumbLength, c.thumbLength, 0.01);
  }
  EXPECT_NEAR(news::DecorFor(2, 0).thumbLength, 98.13, 0.01);
}

TEST(NewsPanelGeometry, CardsTextColumnAndDates) {
  EXPECT_EQ(news::CardTop(0, 0), 276);
  EXPECT_EQ(news::CardTop(3, 100), 518);
  EXPECT_TRUE(news::CardInBand(news::CardTop(1, 0)));    // 390: partly visible
  EXPECT_FALSE(news::CardInBand(news::CardTop(2, 0)));   // 504: below
  EXPECT_TRUE(news::CardInBand(158));                    // bottom edge touches 262
  EXPECT_FALSE(news::CardInBand(157));
  EXPECT_EQ(news::TextColumnFor(true).x, 344.0f);
  EXPECT_EQ(news::TextColumnFor(true).width, 552.0f);
  EXPECT_EQ(news::TextColumnFor(false).x, 210.0f);
  EXPECT_EQ(news::TextColumnFor(false).width, 686.0f);
  EXPECT_EQ(news::UpperCaseDate(L"12 de mar\u00E7o, s\u00E1bado"), L"12 DE MAR\u00C7O, S\u00C1BADO");
  EXPECT_EQ(news::UpperCaseDate(L""), L"");
}

TEST(NewsThumbnail, CoverCropRectangles) {
  struct Case {
    int w, h;
    float x, y, sw, sh;
  };
  const Case cases[] = {
      {1000, 500, 136.364f, 0, 727.273f, 500},
      {100, 300, 0, 115.625f, 100, 68.75f},
      {256, 176, 0, 0, 256, 176},
      {512, 352, 0, 0, 512, 352},
      {1, 1, 0.0f, 0.15625f, 1, 0.6875f},
  };
  for (const Case& c : cases) {
    const news::SourceRect r = news::ThumbnailSourceRect(c.w, c.h);
    EXPECT_NEAR(r.x, c.x, 0.01) << c.w << "x" << c.h;
    EXPECT_NEAR(r.y, c.y, 0.01) << c.w << "x" << c.h;
    EXPECT_NEAR(r.width, c.sw, 0.01) << c.w << "x" << c.h;
    EXPECT_NEAR(r.height, c.sh, 0.01) << c.w << "x" << c.h;
  }
}

int Red(Bitmap& b, int x, int y) {
  Color c;
  b.GetPixel(x, y, &c);
  return c.GetR();
}
int Green(Bitmap& b, int x, int y) {
  Color c;
  b.GetPixel(x, y, &c);
  return c.GetG();
}

// The gradient picture tells which source column and row each thumbnail pixel came from.
TEST(NewsThumbnail, DecodedPicturesAreCroppedFromTheMiddle) {
  struct Case {
    int w, h;
    float x0, y0, f;  // source origin and scale of the crop
  };
  const Case cases[] = {{1000, 500, 136.364f, 0, 0.352f}, {100, 300, 0, 115.625f, 2.56f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    std::unique_ptr<Bitmap> t(DecodeNewsThumbnail(news_test::GradientBmp(c.w, c.h)));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetWidth(), 256u);
    EXPECT_EQ(t->GetHeight(), 176u);
    EXPECT_EQ(t->GetPixelFormat(), PixelFormat32bppARGB);
    for (int col : {3, 128, 252}) {
      const float sx = c.x0 + (col + 0.5f) / c.f;
      EXPECT_NEAR(Red(*t, col, 88), sx * 255 / (c.w - 1), 6) << "column " << col;
    }
    for (int row : {3, 88, 172}) {
      const float sy = c.y0 + (row + 0.5f) / c.f;
      EXPECT_NEAR(Green(*t, 128, row), sy * 255 / (c.h - 1), 6) << "row " << row;
    }
    Color corner;
    t->GetPixel(0, 0, &corner);
    EXPECT_EQ(corner.GetA(), 255) << "the picture must fill the thumbnail";
    t->GetPixel(255, 175, &corner);
    EXPECT_EQ(corner.GetA(), 255);
  }
}

TEST(NewsThumbnail, UndecodableBytesGiveNull) {
  EXPECT_EQ(DecodeNewsThumbnail(""), nullptr);
  EXPECT_EQ(DecodeNewsThumbnail("GIF89a but not really"), nullptr);
  EXPECT_EQ(DecodeNewsThumbnail(news_test::GradientBmp(40, 30).substr(0, 60)), nullptr);
  // A BMP header claiming 60000 x 60000 pixels.
  std::string bomb = news_test::GradientBmp(2, 2);
  for (int i = 0; i < 4; ++i) {
    bomb[18 + i] = static_cast<char>((60000 >> (8 * i)) & 0xFF);
    bomb[22 + i] = static_cast<char>((60000 >> (8 * i)) & 0xFF);
  }
  EXPECT_EQ(DecodeNewsThumbnail(bomb), nullptr);
}

// Paints the panel at scale 1 over a flat background and reads pixels back.
class NewsPanelPaint : public ::testing::Test {
 protected:
  static constexpr ARGB kBackground = 0xFF101010;

  void SetNews(int state, size_t count, bool firstHasPicture) {
    std::lock_guard<std::mutex> lock(g_newsMutex);
    g_newsState = state;
    g_newsItems.clear();
    for (size_t i = 0; i < count; ++i) {
      NewsItem item;
      item.title = L"T\u00EDtulo " + std::to_wstring(i);
      item.date = L"1 de maio";
      item.summary = L"Resumo";
      if (i == 0 && firstHasPicture) {
        item.thumbnail = new Bitmap(256, 176, PixelFormat32bppARGB);
        Graphics tg(item.thumbnail);
        SolidBrush red(Color(0xFFFF0000));
        tg.FillRectangle(&red, 0, 0, 256, 176);
      }
      g_newsItems.push_back(item);
    }
  }

  void Paint(int scroll, int hover) {
    g_newsScroll = scroll;
    g_newsHover = hover;
    canvas_ = std::make_unique<Bitmap>(1120, 680, PixelFormat32bppARGB);
    Graphics g(canvas_.get());
    SolidBrush bg{Color(kBackground)};
    g.FillRectangle(&bg, 0, 0, 1120, 680);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    PaintNewsPanel(g);
  }

  ARGB At(int x, int y) {
    Color c;
    canvas_->GetPixel(x, y, &c);
    return c.GetValue();
  }

  // Pixels in the box that differ from the background.
  int Changed(int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += At(x, y) != kBackground;
    return n;
  }

  void TearDown() override {
    g_newsScroll = 0;
    g_newsHover = -1;
    SetNews(0, 0, false);
  }

  std::unique_ptr<Bitmap> canvas_;
};

TEST_F(NewsPanelPaint, StatusLinesAreCentredAndNothingElse) {
  for (int state : {0, 2}) {
    SetNews(state, 0, false);
    Paint(0, -1);
    EXPECT_GT(Changed(400, 330, 720, 365), 50) << "state " << state;  // the text
    EXPECT_EQ(Changed(180, 262, 380, 320), 0) << "state " << state;   // no cards
    EXPECT_EQ(Changed(920, 270, 935, 430), 0) << "state " << state;   // no scroll bar
  }
  SetNews(2, 0, false);
  Paint(0, -1);
  const int failedWidth = Changed(180, 262, 400, 432) + Changed(720, 262, 940, 432);
  SetNews(0, 0, false);
  Paint(0, -1);
  const int loadingWidth = Changed(180, 262, 400, 432) + Changed(720, 262, 940, 432);
  EXPECT_GT(failedWidth, loadingWidth) << "the failure line is the longer of the two";
}

TEST_F(NewsPanelPaint, CardsPictureScrollBarAndFades) {
  SetNews(1, 2, true);
  Paint(0, -1);
  EXPECT_EQ(At(266, 330), 0xFFFF0000u) << "picture of the first card";
  EXPECT_NE(At(201, 330), 0xFFFF0000u) << "picture starts at x 202";
  EXPECT_EQ(At(500, 270), kBackground) << "band above the first card";
  EXPECT_NE(At(500, 300), kBackground) << "first card filled";
  EXPECT_EQ(At(500, 385), kBackground) << "gap between the cards";
  EXPECT_EQ(At(927, 300), 0xFFC9A24Au) << "thumb at the top";
  EXPECT_NE(At(927, 410), 0xFFC9A24Au);
  EXPECT_NE(At(927, 410), kBackground) << "track below the thumb";
  EXPECT_NE(At(186, 420), kBackground) << "bottom fade at scroll 0";
  EXPECT_EQ(At(186, 280), kBackground) << "no top fade at scroll 0";
  EXPECT_EQ(At(185, 440), kBackground) << "clip: nothing below the band";
  EXPECT_EQ(At(935, 300), kBackground) << "clip: nothing right of the panel";

  Paint(76, -1);
  EXPECT_NE(At(927, 300), 0xFFC9A24Au) << "thumb has left the top";
  EXPECT_EQ(At(927, 410), 0xFFC9A24Au) << "thumb at the end";
  EXPECT_NE(At(186, 280), kBackground) << "top fade at the end";
  EXPECT_EQ(At(186, 420), kBackground) << "no bottom fade at the end";
}

TEST_F(NewsPanelPaint, HoveredCardIsHighlighted) {
  SetNews(1, 2, false);
  Paint(0, -1);
  const ARGB plain = At(600, 278);
  Paint(0, 0);
  EXPECT_NE(At(600, 278), plain);
  EXPECT_NE(At(600, 276), kBackground) << "outline on the card's top edge";
  Paint(0, 1);
  EXPECT_EQ(At(600, 278), plain) << "only the hovered card changes";
}

TEST_F(NewsPanelPaint, TextStartsAtTheWiderColumnWithoutPicture) {
  SetNews(1, 1, false);
  Paint(0, -1);
  const int left = Changed(210, 300, 240, 326);   // title of a card without picture
  SetNews(1, 1, true);
  Paint(0, -1);
  const int shifted = Changed(344, 300, 374, 326);
  EXPECT_GT(left, 20);
  EXPECT_GT(shifted, 20);
}

}  // namespace
