#include "ui/settings_layout.h"

#include <algorithm>

#include "game/graphics_options.h"

PanelPoint ClientToPanel(int px, int py, float originX, float originY, float scale) {
  const float k = kPanelScaleFactor * scale;
  return {static_cast<int>((static_cast<float>(px) - originX) / k),
          static_cast<int>((static_cast<float>(py) - originY) / k)};
}

float SettingsButtonHeightFor(int saveImageWidth, int saveImageHeight) {
  if (saveImageWidth <= 0 || saveImageHeight <= 0) return kSettingsButtonFallbackHeight;
  return kSettingsButtonWidth * static_cast<float>(saveImageHeight) /
         static_cast<float>(saveImageWidth);
}

PanelRect SettingsButtonRectFor(int n, int panelWidth, float buttonHeight) {
  float x = static_cast<float>(panelWidth) * 0.5f - kSettingsButtonWidth - 10;
  if (n == 2) x += 178;
  return {x, kSettingsButtonY, kSettingsButtonWidth, buttonHeight};
}

int HitTestSettingsButtonFor(int x, int y, int panelWidth, float buttonHeight) {
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  for (int n = 1; n <= 2; ++n) {
    const PanelRect r = SettingsButtonRectFor(n, panelWidth, buttonHeight);
    if (fx >= r.x + 0.12f * r.width && fx <= r.x + r.width - 0.04f * r.width &&
        fy >= r.y + 0.2f * r.height && fy <= r.y + r.height - 0.2f * r.height) {
      return n;
    }
  }
  if (x >= panelWidth - 104 && x < panelWidth - 70 && y >= 42 && y < 76) return 3;
  return 0;
}

float DropdownBoxY(int list) {
  return static_cast<float>(list == 2 ? kPresetBoxY : kResolutionBoxY);
}

DropdownLayout DropdownLayoutFor(int list, int modeCount) {
  DropdownLayout layout;
  if (list != 1 && list != 2) return layout;
  layout.count = list == 1 ? std::max(0, modeCount) : kPresetMenuCount;
  layout.columns = (list == 1 && layout.count > kMaxRowsPerColumn) ? 2 : 1;
  layout.rows = (layout.count + layout.columns - 1) / layout.columns;
  layout.rect = {static_cast<float>(kDropdownX), DropdownBoxY(list) + 33,
                 static_cast<float>(kDropdownWidth),
                 static_cast<float>(layout.rows * kDropdownRowHeight + 8)};
  return layout;
}

PanelRect DropdownCell(const DropdownLayout& layout, int row) {
  const int cw = (kDropdownWidth - 8) / layout.columns;
  const int rows = std::max(1, layout.rows);
  return {static_cast<float>(kDropdownX + 4 + (row / rows) * cw),
          layout.rect.y + 4 + static_cast<float>((row % rows) * kDropdownRowHeight),
          static_cast<float>(cw), static_cast<float>(kDropdownRowHeight)};
}

int HitTestDropdownRowIn(const DropdownLayout& layout, int x, int y) {
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  for (int i = 0; i < layout.count; ++i) {
    const PanelRect c = DropdownCell(layout, i);
    if (fx >= c.x && fx < c.x + c.width && fy >= c.y && fy < c.y + c.height) return i;
  }
  return -1;
}

int DropdownBoxAt(int x, int y) {
  if (x < kDropdownX || x >= kDropdownX + kDropdownWidth) return 0;
  if (y >= kResolutionBoxY && y < kResolutionBoxY + kDropdownHeight) return 1;
  if (y >= kPresetBoxY && y < kPresetBoxY + kDropdownHeight) return 2;
  return 0;
}

int SliderValueAt(int x, int slider) {
  float t = static_cast<float>(x - kSliderLeft) / static_cast<float>(kSliderTravel);
  t = std::min(1.0f, std::max(0.0f, t));
  return static_cast<int>(t * static_cast<float>(kSliderMax[slider]) + 0.5f);
}

float SliderKnobX(int value, int slider) {
  return static_cast<float>(kSliderLeft) + static_cast<float>(kSliderTravel) *
                                               static_cast<float>(value) /
                                               static_cast<float>(kSliderMax[slider]);
}

int SliderBandAt(int x, int y) {
  if (x < kSliderBandLeft || x >= kSliderBandRight) return -1;
  for (int i = 0; i < kSliderCount; ++i) {
    if (y >= kSliderRowY[i] + 20 && y < kSliderRowY[i] + 48) return i;
  }
  return -1;
}

bool InCheckBoxArea(int x, int y) { return x >= 82 && x < 282 && y >= 266 && y < 290; }

int ClampSlider(int value, int slider) {
  return std::min(kSliderMax[slider], std::max(0, value));
}

int MusicSliderFromVolume(float musicVolume) {
  // A NaN from the file must not reach the int conversion.
  if (!(musicVolume == musicVolume)) return kSliderMax[0];
  const float scaled = std::min(1000.0f, std::max(-1000.0f, musicVolume * 100 + 0.5f));
  return ClampSlider(static_cast<int>(scaled), 0);
}

float MusicVolumeFromSlider(int value) { return static_cast<float>(value / 100.0); }
