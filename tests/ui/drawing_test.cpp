// The drawing kit and the painters against real GDI+, with the executable's own resources
// linked into this test binary.
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <memory>

#include "core/globals.h"
#include "ui/buttons.h"
#include "ui/drawing_kit.h"

using namespace Gdiplus;

namespace {

class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    GdiplusStartupInput input;
    GdiplusStartup(&token_, &input, nullptr);
    LoadEmbeddedFont(GetModuleHandleW(nullptr));
    LoadEmbeddedImages(GetModuleHandleW(nullptr));
  }
  void TearDown() override { GdiplusShutdown(token_); }

 private:
  ULONG_PTR token_ = 0;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

struct Rgb {
  int r, g, b;
};
Rgb PixelAt(Bitmap& bitmap, int x, int y) {
  Color c;
  bitmap.GetPixel(x, y, &c);
  return {c.GetR(), c.GetG(), c.GetB()};
}
bool IsGold(const Rgb& c) { return c.r > 120 && c.r > c.b + 50 && c.g > c.b + 20; }

std::unique_ptr<Bitmap> Canvas(int w, int h, ARGB fill) {
  auto bitmap = std::make_unique<Bitmap>(w, h, PixelFormat32bppARGB);
  Graphics g(bitmap.get());
  SolidBrush brush{Color(fill)};
  g.FillRectangle(&brush, 0, 0, w, h);
  return bitmap;
}

}  // namespace

TEST(DrawingKit, EmbeddedImagesAreLoadedPremultipliedAtTheirSizes) {
  struct Slot {
    int slot, w, h;
  } slots[] = {{ImgFacebook, 185, 83},  {ImgSettings, 185, 83},  {ImgPlayWait, 341, 139},
               {ImgPlayRetry, 341, 139}, {ImgSettingsPanel, 936, 558}, {ImgSave, 229, 67},
               {ImgCancel, 229, 77},    {ImgFrame, 609, 293},    {ImgTexture, 256, 256}};
  for (const Slot& s : slots) {
    ASSERT_NE(g_images[s.slot], nullptr) << s.slot;
    EXPECT_EQ(g_images[s.slot]->GetWidth(), static_cast<UINT>(s.w)) << s.slot;
    EXPECT_EQ(g_images[s.slot]->GetHeight(), static_cast<UINT>(s.h)) << s.slot;
    EXPECT_EQ(g_images[s.slot]->GetPixelFormat(), PixelFormat32bppPARGB) << s.slot;
  }
  for (int slot = 0; slot < ImgBackground; ++slot) EXPECT_NE(g_images[slot], nullptr) << slot;
  ASSERT_NE(g_backdrop, nullptr);
  EXPECT_EQ(g_backdrop->GetWidth(), 1456u);
  EXPECT_EQ(g_backdrop->GetHeight(), 884u);
  ASSERT_NE(g_logo, nullptr);
  EXPECT_EQ(g_logo->GetWidth(), 387u);
  // A number that is not there, and data that is not a picture (the font), give null.
  EXPECT_EQ(LoadImageResource(GetModuleHandleW(nullptr), 399), nullptr);
  EXPECT_EQ(LoadImageResource(GetModuleHandleW(nullptr), kFontResource), nullptr);
}

TEST(DrawingKit, EmbeddedFontIsTheDisplayFamily) {
  ASSERT_NE(g_displayFont, nullptr);
  EXPECT_EQ(GetDisplayFontFamily(), g_displayFont);
  wchar_t name[LF_FACESIZE] = {};
  g_displayFont->GetFamilyName(name);
  EXPECT_STRNE(name, L"");
  EXPECT_STRNE(name, L"Georgia");
}

TEST(DrawingKit, PreRenderedBackgroundAtBothScales) {
  for (float scale : {1.0f, 1.3f}) {
    g_uiScale = scale;
    PreRenderBackground();
    Bitmap* bg = g_images[ImgBackground];
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->GetWidth(), scale == 1.0f ? 1120u : 1456u);
    EXPECT_EQ(bg->GetHeight(), scale == 1.0f ? 680u : 884u);
    auto px = [&](float x, float y) {
      return PixelAt(*bg, static_cast<int>(x * scale), static_cast<int>(y * scale));
    };
    // Heading diamond, the four frame corners (ornament scale 0.6: 66 x 51.6 units) and the
    // top bar are gold; the content well is dark.
    const Rgb diamond = px(188, 240);
    EXPECT_EQ(diamond.r, 0xC9);
    EXPECT_EQ(diamond.g, 0xA2);
    EXPECT_EQ(diamond.b, 0x4A);
    int goldCorners = 0;
    const float corners[][2] = {{130, 176}, {924, 176}, {130, 600.4f}, {924, 600.4f}};
    for (const auto& c : corners) {
      int gold = 0;
      for (int dy = 2; dy < 50; dy += 2)
        for (int dx = 2; dx < 64; dx += 2)
          if (IsGold(px(c[0] + static_cast<float>(dx), c[1] + static_cast<float>(dy)))) ++gold;
      if (gold > 40) ++goldCorners;
    }
    EXPECT_EQ(goldCorners, 4) << scale;
    const Rgb well = px(500, 330);
    EXPECT_LT(well.r + well.g + well.b, 200) << scale;
  }
}

TEST(DrawingKit, SpacedTextMeasuresAndDrawsOnlyWhenAsked) {
  auto canvas = Canvas(400, 100, 0xFF000000);
  Graphics g(canvas.get());
  Font font(GetDisplayFontFamily(), 30, FontStyleRegular, UnitPixel);
  SolidBrush white{Color(0xFFFFFFFF)};
  EXPECT_EQ(DrawSpacedText(g, L"", font, 200, 10, 6, white, true), 0);
  const float a = DrawSpacedText(g, L"A", font, 200, 10, 6, white, false);
  const float b = DrawSpacedText(g, L"B", font, 200, 10, 6, white, false);
  EXPECT_GT(a, 5);
  EXPECT_NEAR(DrawSpacedText(g, L"AB", font, 200, 10, 6, white, false), a + b + 6, 0.01f);
  // A trailing space is measured too.
  EXPECT_GT(DrawSpacedText(g, L"A ", font, 200, 10, 0, white, false), a);
  auto lit = [&] {
    int n = 0;
    for (int y = 0; y < 100; y += 2)
      for (int x = 0; x < 400; x += 2)
        if (PixelAt(*canvas, x, y).r > 128) ++n;
    return n;
  };
  EXPECT_EQ(lit(), 0);
  DrawSpacedText(g, L"TALVORE", font, 200, 10, 6, white, true);
  EXPECT_GT(lit(), 20);
}

TEST(DrawingKit, TintedImageStates) {
  auto white = Canvas(8, 8, 0xFFFFFFFF);
  struct Case {
    bool hovered, pressed, greyed;
    int row0, row1;  // red channel over black at rows 0 and 1
  } cases[] = {
      {false, false, false, 255, 255},
      {false, false, true, 113, 113},  // 0.62 colour x 0.72 alpha, not shifted
      {false, true, true, 113, 113},   // greyed wins over pressed: no shift either
      {false, true, false, 0, 214},    // 0.84, one pixel lower
      {true, false, false, 255, 255},  // brighter (clamped on white)
  };
  for (const Case& c : cases) {
    auto canvas = Canvas(8, 8, 0xFF000000);
    Graphics g(canvas.get());
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    DrawImageTinted(g, white.get(), 0, 0, 8, 8, c.hovered, c.pressed, c.greyed);
    EXPECT_NEAR(PixelAt(*canvas, 4, 0).r, c.row0, 3) << c.hovered << c.pressed << c.greyed;
    EXPECT_NEAR(PixelAt(*canvas, 4, 1).r, c.row1, 3) << c.hovered << c.pressed << c.greyed;
  }
  // Hovered raises a mid grey: 0.5 * 1.22 + 0.05 for red.
  auto grey = Canvas(8, 8, 0xFF808080);
  auto canvas = Canvas(8, 8, 0xFF000000);
  Graphics g(canvas.get());
  DrawImageTinted(g, grey.get(), 0, 0, 8, 8, true, false, false);
  EXPECT_NEAR(PixelAt(*canvas, 4, 4).r, static_cast<int>((128 / 255.0 * 1.22 + 0.05) * 255), 4);
  DrawImageTinted(g, nullptr, 0, 0, 8, 8, false, false, false);  // nothing, no crash
}

TEST(DrawingKit, RoundedRectWithHalfHeightRadiusIsAPill) {
  GraphicsPath path;
  AddRoundedRect(path, 10, 20, 100, 18, 9);
  RectF bounds;
  path.GetBounds(&bounds);
  EXPECT_NEAR(bounds.X, 10, 0.01f);
  EXPECT_NEAR(bounds.Width, 100, 0.01f);
  EXPECT_NEAR(bounds.Height, 18, 0.01f);
  EXPECT_TRUE(path.IsVisible(60.0f, 29.0f));
  EXPECT_TRUE(path.IsVisible(11.0f, 29.0f));   // the round end reaches the middle left
  EXPECT_FALSE(path.IsVisible(11.0f, 21.0f));  // but not the corner
}

TEST(DrawingKit, ProgressBarFillAndLabel) {
  struct Case {
    int percent;
    bool goldAtEnd, goldAtStart;
  } cases[] = {{100, true, true}, {150, true, true}, {0, false, false}, {1, false, true},
               {50, false, true}};
  for (const Case& c : cases) {
    auto canvas = Canvas(540, 40, 0xFF000000);
    Graphics g(canvas.get());
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    DrawProgressBar(g, 10, 10, 530, 28, c.percent, L"Total");
    // Below the label's centre line, clear of the text: near both ends of the fill.
    EXPECT_EQ(IsGold(PixelAt(*canvas, 520, 24)), c.goldAtEnd) << c.percent;
    EXPECT_EQ(IsGold(PixelAt(*canvas, 17, 19)), c.goldAtStart) << c.percent;
  }
  // The label is drawn in the middle of the bar.
  auto canvas = Canvas(540, 40, 0xFF000000);
  Graphics g(canvas.get());
  DrawProgressBar(g, 10, 10, 530, 28, 0, L"Total");
  int bright = 0;
  for (int x = 230; x < 310; ++x)
    for (int y = 12; y < 27; ++y)
      if (PixelAt(*canvas, x, y).r > 200) ++bright;
  EXPECT_GT(bright, 10);
}

TEST(DrawingKit, FallbacksWithoutImages) {
  Bitmap* frame = g_images[ImgFrame];
  Bitmap* background = g_images[ImgBackground];
  g_images[ImgFrame] = nullptr;
  g_images[ImgBackground] = nullptr;
  auto canvas = Canvas(100, 100, 0xFFFFFFFF);
  {
    Graphics g(canvas.get());
    DrawWindowBackground(g, 100, 100);
  }
  const Rgb top = PixelAt(*canvas, 50, 0);
  EXPECT_NEAR(top.r, 0x3A, 3);
  EXPECT_NEAR(top.b, 0x20, 3);
  {
    Graphics g(canvas.get());
    DrawFramePanel(g, 10, 10, 50, 50, 0.6f);
  }
  const Rgb panel = PixelAt(*canvas, 30, 30);
  EXPECT_NEAR(panel.r, 0x1E, 4);
  EXPECT_NEAR(panel.g, 0x16, 4);
  g_images[ImgFrame] = frame;
  g_images[ImgBackground] = background;
}
