// Panel geometry of the settings window: unit conversion, plaque and close hit tests, slider
// arithmetic and the drop-down cells.
#include <gtest/gtest.h>

#include <limits>

#include "ui/layout.h"
#include "ui/settings_layout.h"

namespace {

constexpr float kSaveHeight = 158.0f * 67 / 229;  // the 229 x 67 Salvar plaque

TEST(SettingsPanelUnits, OriginsAndPixelConversionAtEachScale) {
  struct Case {
    float scale;
    float originX, originY;
    int px, py;        // a client pixel
    int wantX, wantY;  // its panel point
  };
  const Case cases[] = {
      {1.3f, 316, 298, 316, 298, 0, 0},     {1.3f, 316, 298, 536, 666, 192, 321},
      {1.3f, 316, 298, 535, 665, 191, 320}, {1.2f, 291, 276, 291 + 211, 276 + 211, 199, 199},
      {1.1f, 267, 252, 268, 253, 1, 1},     {1.0f, 243, 230, 331, 318, 100, 100},
      {1.0f, 243, 230, 242, 229, -1, -1},   {1.0f, 243, 230, 243 + 450, 230, 511, 0},
  };
  for (const Case& c : cases) {
    float x = 0, y = 0;
    SettingsPanelOrigin(c.scale, kDefaultPanelWidth, &x, &y);
    EXPECT_EQ(c.originX, x) << "scale " << c.scale;
    EXPECT_EQ(c.originY, y) << "scale " << c.scale;
    const PanelPoint p = ClientToPanel(c.px, c.py, x, y, c.scale);
    EXPECT_EQ(c.wantX, p.x) << "scale " << c.scale << " px " << c.px;
    EXPECT_EQ(c.wantY, p.y) << "scale " << c.scale << " py " << c.py;
  }
}

TEST(SettingsPanelUnits, PlaqueCentreHitsItsButtonAtEveryScale) {
  for (float scale : {1.0f, 1.1f, 1.2f, 1.3f}) {
    float ox = 0, oy = 0;
    SettingsPanelOrigin(scale, kDefaultPanelWidth, &ox, &oy);
    const float k = 0.88f * scale;
    for (int n = 1; n <= 2; ++n) {
      const PanelRect r = SettingsButtonRectFor(n, kDefaultPanelWidth, kSaveHeight);
      const int px = static_cast<int>(ox + (r.x + r.width / 2) * k);
      const int py = static_cast<int>(oy + (r.y + r.height / 2) * k);
      const PanelPoint p = ClientToPanel(px, py, ox, oy, scale);
      EXPECT_EQ(n, HitTestSettingsButtonFor(p.x, p.y, kDefaultPanelWidth, kSaveHeight))
          << "scale " << scale;
    }
  }
}

TEST(SettingsButtons, RectanglesFromPanelWidthAndPlaqueImage) {
  EXPECT_FLOAT_EQ(kSaveHeight, SettingsButtonHeightFor(229, 67));
  EXPECT_FLOAT_EQ(54.0f, SettingsButtonHeightFor(0, 0));
  const PanelRect save = SettingsButtonRectFor(1, 720, kSaveHeight);
  const PanelRect cancel = SettingsButtonRectFor(2, 720, kSaveHeight);
  EXPECT_FLOAT_EQ(192, save.x);
  EXPECT_FLOAT_EQ(322, save.y);
  EXPECT_FLOAT_EQ(158, save.width);
  EXPECT_NEAR(46.2, save.height, 0.05);
  EXPECT_FLOAT_EQ(370, cancel.x);
  EXPECT_FLOAT_EQ(322, cancel.y);
  EXPECT_FLOAT_EQ(232, SettingsButtonRectFor(1, 800, kSaveHeight).x);
}

TEST(SettingsButtons, HitMarginsAndCloseButton) {
  struct Case {
    int x, y;
    int panelWidth;
    float height;
    int want;
  };
  // Salvar spans x 210.96 .. 343.68 and y 331.2 .. 359.0; Cancelar x 388.96 .. 521.68;
  // with the 54-unit fallback y runs 332.8 .. 365.2; close: x 616 .. 649, y 42 .. 75.
  const Case cases[] = {
      {210, 340, 720, kSaveHeight, 0}, {211, 340, 720, kSaveHeight, 1},
      {343, 340, 720, kSaveHeight, 1}, {344, 340, 720, kSaveHeight, 0},
      {250, 331, 720, kSaveHeight, 0}, {250, 332, 720, kSaveHeight, 1},
      {250, 358, 720, kSaveHeight, 1}, {250, 359, 720, kSaveHeight, 0},
      {388, 340, 720, kSaveHeight, 0}, {389, 340, 720, kSaveHeight, 2},
      {521, 340, 720, kSaveHeight, 2}, {522, 340, 720, kSaveHeight, 0},
      {250, 332, 720, 54, 0},          {250, 333, 720, 54, 1},
      {250, 365, 720, 54, 1},          {250, 366, 720, 54, 0},
      {616, 42, 720, kSaveHeight, 3},  {615, 42, 720, kSaveHeight, 0},
      {649, 75, 720, kSaveHeight, 3},  {650, 75, 720, kSaveHeight, 0},
      {649, 76, 720, kSaveHeight, 0},  {616, 41, 720, kSaveHeight, 0},
      {696, 50, 800, kSaveHeight, 3},  {616, 50, 800, kSaveHeight, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.want, HitTestSettingsButtonFor(c.x, c.y, c.panelWidth, c.height))
        << "(" << c.x << ", " << c.y << ") W " << c.panelWidth << " h " << c.height;
  }
}

TEST(SettingsSliders, ValuesKnobAndBands) {
  struct ValueCase {
    int x, slider, want;
  };
  const ValueCase values[] = {{392, 0, 0}, {300, 0, 0},  {630, 0, 100}, {900, 0, 100},
                              {511, 0, 50}, {511, 1, 50}, {403, 2, 0},   {404, 2, 1},
                              {630, 2, 10}, {-5, 2, 0}};
  for (const ValueCase& c : values) {
    EXPECT_EQ(c.want, SliderValueAt(c.x, c.slider)) << "x " << c.x << " slider " << c.slider;
  }
  EXPECT_FLOAT_EQ(392, SliderKnobX(0, 0));
  EXPECT_FLOAT_EQ(630, SliderKnobX(100, 1));
  EXPECT_FLOAT_EQ(511, SliderKnobX(5, 2));

  struct BandCase {
    int x, y, want;
  };
  const BandCase bands[] = {{384, 130, 0},  {383, 130, -1}, {637, 157, 0},  {638, 157, -1},
                            {400, 129, -1}, {400, 158, -1}, {400, 190, 1},  {400, 217, 1},
                            {400, 250, 2},  {400, 277, 2},  {400, 278, -1}, {500, 110, -1}};
  for (const BandCase& c : bands) {
    EXPECT_EQ(c.want, SliderBandAt(c.x, c.y)) << "(" << c.x << ", " << c.y << ")";
  }
}

TEST(SettingsSliders, ConfigurationMapping) {
  EXPECT_EQ(75, MusicSliderFromVolume(0.754f));
  EXPECT_EQ(75, MusicSliderFromVolume(0.746f));
  EXPECT_EQ(0, MusicSliderFromVolume(-0.5f));
  EXPECT_EQ(100, MusicSliderFromVolume(1.7f));
  EXPECT_EQ(100, MusicSliderFromVolume(1e30f));
  EXPECT_EQ(100, MusicSliderFromVolume(std::numeric_limits<float>::quiet_NaN()));
  EXPECT_FLOAT_EQ(0.75f, MusicVolumeFromSlider(75));
  EXPECT_EQ(0, ClampSlider(-3, 1));
  EXPECT_EQ(100, ClampSlider(250, 1));
  EXPECT_EQ(10, ClampSlider(11, 2));
}

TEST(SettingsDropdowns, BoxesAndCheckBoxAreas) {
  struct Case {
    int x, y, box;
    bool check;
  };
  const Case cases[] = {{82, 130, 1, false},  {335, 159, 1, false}, {336, 159, 0, false},
                        {81, 130, 0, false},  {82, 160, 0, false},  {82, 190, 2, false},
                        {82, 219, 2, false},  {82, 220, 0, false},  {82, 266, 0, true},
                        {281, 289, 0, true},  {282, 289, 0, false}, {82, 290, 0, false},
                        {81, 266, 0, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.box, DropdownBoxAt(c.x, c.y)) << "(" << c.x << ", " << c.y << ")";
    EXPECT_EQ(c.check, InCheckBoxArea(c.x, c.y)) << "(" << c.x << ", " << c.y << ")";
  }
}

TEST(SettingsDropdowns, ListRectanglesAndCells) {
  struct Case {
    int list, modes;
    int count, columns, rows;
    float listY, listHeight;
    int lastRow;
    float lastX, lastY, cellWidth;
  };
  const Case cases[] = {
      {1, 5, 5, 1, 5, 163, 133, 4, 86, 267, 246},
      {1, 10, 10, 1, 10, 163, 258, 9, 86, 392, 246},
      {1, 11, 11, 2, 6, 163, 158, 10, 209, 267, 123},
      {1, 20, 20, 2, 10, 163, 258, 19, 209, 392, 123},
      {2, 20, 4, 1, 4, 223, 108, 3, 86, 302, 246},
  };
  for (const Case& c : cases) {
    const DropdownLayout l = DropdownLayoutFor(c.list, c.modes);
    EXPECT_EQ(c.count, l.count) << "list " << c.list << " modes " << c.modes;
    EXPECT_EQ(c.columns, l.columns) << "list " << c.list << " modes " << c.modes;
    EXPECT_EQ(c.rows, l.rows) << "list " << c.list << " modes " << c.modes;
    EXPECT_FLOAT_EQ(82, l.rect.x);
    EXPECT_FLOAT_EQ(c.listY, l.rect.y);
    EXPECT_FLOAT_EQ(254, l.rect.width);
    EXPECT_FLOAT_EQ(c.listHeight, l.rect.height);
    const PanelRect last = DropdownCell(l, c.lastRow);
    EXPECT_FLOAT_EQ(c.lastX, last.x) << "list " << c.list << " modes " << c.modes;
    EXPECT_FLOAT_EQ(c.lastY, last.y) << "list " << c.list << " modes " << c.modes;
    EXPECT_FLOAT_EQ(c.cellWidth, last.width);
    EXPECT_FLOAT_EQ(25, last.height);
  }
  EXPECT_EQ(0, DropdownLayoutFor(0, 5).count);
}

TEST(SettingsDropdowns, RowHitTests) {
  struct Case {
    int list, modes, x, y, want;
  };
  const Case cases[] = {
      {1, 5, 86, 167, 0},    {1, 5, 85, 167, -1},   {1, 5, 331, 191, 0},  {1, 5, 332, 191, -1},
      {1, 5, 100, 192, 1},   {1, 5, 100, 291, 4},   {1, 5, 100, 292, -1}, {1, 5, 100, 166, -1},
      {1, 11, 208, 167, 0},  {1, 11, 209, 167, 6},  {1, 11, 100, 292, 5}, {1, 11, 209, 292, -1},
      {1, 11, 331, 291, 10}, {1, 11, 332, 291, -1}, {1, 20, 300, 415, 19},
      {2, 20, 100, 227, 0},  {2, 20, 100, 326, 3},  {2, 20, 100, 327, -1}, {0, 5, 100, 167, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.want, HitTestDropdownRowIn(DropdownLayoutFor(c.list, c.modes), c.x, c.y))
        << "list " << c.list << " modes " << c.modes << " (" << c.x << ", " << c.y << ")";
  }
}

}  // namespace
