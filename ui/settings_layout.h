// Geometry of the settings window in panel units, as plain functions of their inputs, so the
// hit tests and slider arithmetic are checked without a window or GDI+.
#pragma once

inline constexpr int kSliderCount = 3;
// Music volume, effects volume, brightness.
inline constexpr int kSliderMax[kSliderCount] = {100, 100, 10};
inline constexpr int kSliderRowY[kSliderCount] = {110, 170, 230};

// Knob travel and the slider band used for pressing and for the cursor.
inline constexpr int kSliderLeft = 392;
inline constexpr int kSliderTravel = 238;
inline constexpr int kSliderBandLeft = 384;
inline constexpr int kSliderBandRight = 638;

// Drop-down boxes: 1 the resolution list, 2 the preset list.
inline constexpr int kDropdownX = 82;
inline constexpr int kDropdownWidth = 254;
inline constexpr int kDropdownHeight = 30;
inline constexpr int kResolutionBoxY = 130;
inline constexpr int kPresetBoxY = 190;
inline constexpr int kDropdownRowHeight = 25;
inline constexpr int kMaxRowsPerColumn = 10;

inline constexpr float kSettingsButtonWidth = 158;
inline constexpr float kSettingsButtonY = 322;
inline constexpr float kSettingsButtonFallbackHeight = 54;
inline constexpr int kDefaultPanelWidth = 720;

// Panel scale relative to the design canvas.
inline constexpr float kPanelScaleFactor = 0.88f;

// Text colours of the panel.
inline constexpr unsigned kSettingsLight = 0xFFF5E8C8;
inline constexpr unsigned kSettingsGold = 0xFFE2C47C;
inline constexpr unsigned kSettingsMuted = 0xFFBEAA82;

struct PanelRect {
  float x, y, width, height;
};
struct PanelPoint {
  int x, y;
};

// A client pixel as a panel point: ((px - originX) / k, (py - originY) / k) truncated toward
// zero, with k = 0.88 * scale.
PanelPoint ClientToPanel(int px, int py, float originX, float originY, float scale);

// Height of both plaques: from the Salvar image's aspect ratio, 54 without the image.
float SettingsButtonHeightFor(int saveImageWidth, int saveImageHeight);
// n = 1 Salvar, 2 Cancelar.
PanelRect SettingsButtonRectFor(int n, int panelWidth, float buttonHeight);
// 1 Salvar, 2 Cancelar, 3 the close button, 0 nothing; the plaques' transparent edges do not
// count.
int HitTestSettingsButtonFor(int x, int y, int panelWidth, float buttonHeight);

// An open list: list 1 holds the display modes, list 2 the four menu presets.
struct DropdownLayout {
  int count = 0;
  int columns = 1;
  int rows = 0;  // per column
  PanelRect rect{};
};
DropdownLayout DropdownLayoutFor(int list, int modeCount);
PanelRect DropdownCell(const DropdownLayout& layout, int row);
// Row under the point, -1 for none.
int HitTestDropdownRowIn(const DropdownLayout& layout, int x, int y);
float DropdownBoxY(int list);
// Which box the point is in: 1, 2 or 0.
int DropdownBoxAt(int x, int y);

// Slider value for a panel x, limited to 0 .. kSliderMax[slider].
int SliderValueAt(int x, int slider);
// Knob centre x for a value.
float SliderKnobX(int value, int slider);
// The slider whose band holds the point, -1 for none.
int SliderBandAt(int x, int y);
bool InCheckBoxArea(int x, int y);

// Slider values from the configuration and back.
int MusicSliderFromVolume(float musicVolume);
float MusicVolumeFromSlider(int value);
int ClampSlider(int value, int slider);
