#include "ui/settings_window.h"

#include <windowsx.h>
#include <gdiplus.h>

#include <cstring>
#include <cwchar>
#include <memory>

#include "core/globals.h"
#include "core/handles.h"
#include "core/names.h"
#include "game/display_modes.h"
#include "game/game_config.h"
#include "game/graphics_options.h"
#include "ui/drawing_kit.h"
#include "ui/layout.h"
#include "ui/main_window.h"

using namespace Gdiplus;

SettingsState g_settings;

namespace {

const wchar_t* const kSliderLabels[kSliderCount] = {
    L"Volume da m\u00FAsica", L"Volume dos efeitos", L"Brilho"};

// Colours of the panel beyond the three text colours.
constexpr ARGB kDimLayer = 0x96000000;
constexpr ARGB kWellFill = 0x55000000;
constexpr ARGB kWellShadow = 0x78000000;
constexpr ARGB kWellLine = 0x96BE944C;
constexpr ARGB kRuleStart = 0xC8C9A24A;
constexpr ARGB kRuleEnd = 0x00C9A24A;
constexpr ARGB kBoxFillOpen = 0xAA000000;
constexpr ARGB kBoxFill = 0x82000000;
constexpr ARGB kBoxLineOpen = 0xF0ECCE8C;
constexpr ARGB kBoxLine = 0xD2C9A24A;
constexpr ARGB kChevron = 0xFFECCE8C;
constexpr ARGB kListFill = 0xF818110B;
constexpr ARGB kListLine = 0xE6C9A24A;
constexpr ARGB kRowHover = 0xC8785626;
constexpr ARGB kRowCurrent = 0xC846321A;
constexpr ARGB kCheckFill = 0x8C000000;
constexpr ARGB kCheckLine = 0xDCC9A24A;
constexpr ARGB kTrackFill = 0x96000000;
constexpr ARGB kTrackLine = 0xAAC9A24A;
constexpr ARGB kFillStart = 0xFFA8782C;
constexpr ARGB kFillEnd = 0xFFECCE82;
constexpr ARGB kKnobTop = 0xFFF0D696;
constexpr ARGB kKnobBottom = 0xFFA8782C;
constexpr ARGB kKnobLineDragged = 0xFFFFFFFF;
constexpr ARGB kKnobLine = 0xFF5A401E;
constexpr ARGB kCloseFillHover = 0xEB6E5028;
constexpr ARGB kCloseFill = 0xE12C2016;
constexpr ARGB kCloseLine = 0xDCC9A24A;

float PanelK() { return kPanelScaleFactor * g_uiScale; }

std::wstring GraphicsOptionsPath() {
  return g_appDir + L"\\" + names::kGraphicsOptionsFile;
}

bool ModeIsApplicable(int mode) { return mode == 0 || mode == 1 || mode == 2 || mode == 4; }

std::wstring ModeText(int index) {
  if (index < 0 || index >= static_cast<int>(g_displayModes.size())) return L"";
  wchar_t text[48];
  std::swprintf(text, 48, L"%d x %d", g_displayModes[index].width,
                g_displayModes[index].height);
  return text;
}

std::wstring PresetText(int mode) {
  if (mode < 0 || mode >= kPresetCount) return L"";
  wchar_t text[48];
  std::swprintf(text, 48, L"%ls", kPresetNames[mode]);
  return text;
}

PanelPoint PanelPointOf(LPARAM lParam) {
  return ClientToPanel(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), g_settingsPanelX,
                       g_settingsPanelY, g_uiScale);
}

DropdownLayout OpenListLayout() {
  return DropdownLayoutFor(g_settings.openDropdown, static_cast<int>(g_displayModes.size()));
}

// ---- painting -------------------------------------------------------------------------------

struct PaintKit {
  Graphics& g;
  FontFamily georgia{L"Georgia"};
  bool haveGeorgia = georgia.IsAvailable() != FALSE;
  SolidBrush light{Color(kSettingsLight)};
  SolidBrush gold{Color(kSettingsGold)};
  SolidBrush muted{Color(kSettingsMuted)};
};

RectF ToRectF(const PanelRect& r) { return RectF(r.x, r.y, r.width, r.height); }

void FillRounded(Graphics& g, const RectF& r, float radius, ARGB fill) {
  GraphicsPath path;
  AddRoundedRect(path, r.X, r.Y, r.Width, r.Height, radius);
  SolidBrush brush{Color(fill)};
  g.FillPath(&brush, &path);
}

void FillAndOutlineRounded(Graphics& g, const RectF& r, float radius, ARGB fill, ARGB line,
                           float lineWidth) {
  GraphicsPath path;
  AddRoundedRect(path, r.X, r.Y, r.Width, r.Height, radius);
  SolidBrush brush{Color(fill)};
  g.FillPath(&brush, &path);
  Pen pen(Color(line), lineWidth);
  g.DrawPath(&pen, &path);
}

// Georgia text; nothing when the family cannot be created.
void DrawGeorgia(PaintKit& kit, const std::wstring& text, float size, int style,
                 const RectF& box, StringAlignment horizontal, const Brush& brush,
                 bool ellipsis = false) {
  if (!kit.haveGeorgia || text.empty()) return;
  Font font(&kit.georgia, size, style, UnitPixel);
  StringFormat format;
  format.SetAlignment(horizontal);
  format.SetLineAlignment(StringAlignmentCenter);
  if (ellipsis) {
    format.SetFormatFlags(StringFormatFlagsNoWrap);
    format.SetTrimming(StringTrimmingEllipsisCharacter);
  }
  kit.g.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, box, &format, &brush);
}

void DrawTitle(PaintKit& kit, int panelWidth) {
  const FontFamily* family = GetDisplayFontFamily();
  if (!family || !family->IsAvailable()) return;
  Font font(family, 20, FontStyleRegular, UnitPixel);
  StringFormat format;
  format.SetAlignment(StringAlignmentCenter);
  format.SetLineAlignment(StringAlignmentCenter);
  const wchar_t* title = L"CONFIGURA\u00C7\u00D5ES";
  kit.g.DrawString(title, -1, &font, RectF(0, 44, static_cast<float>(panelWidth), 30), &format,
                   &kit.light);
}

void DrawHeading(PaintKit& kit, const wchar_t* text, float x) {
  DrawGeorgia(kit, text, 13, FontStyleBold, RectF(x, 80, 254, 18), StringAlignmentNear,
              kit.gold);
  const RectF rule(x, 100, 254, 1.2f);
  LinearGradientBrush brush(PointF(x, 100), PointF(x + 254, 100), Color(kRuleStart),
                            Color(kRuleEnd));
  brush.SetWrapMode(WrapModeTileFlipX);
  kit.g.FillRectangle(&brush, rule);
}

void DrawChevron(Graphics& g, float y, bool open) {
  const float d = open ? -3.0f : 3.0f;
  const PointF points[3] = {PointF(310, y + 15 - d), PointF(316, y + 15 + d),
                            PointF(322, y + 15 - d)};
  Pen pen(Color(kChevron), 2);
  pen.SetStartCap(LineCapRound);
  pen.SetEndCap(LineCapRound);
  pen.SetLineJoin(LineJoinRound);
  g.DrawLines(&pen, points, 3);
}

void DrawDropdownBox(PaintKit& kit, int list, const std::wstring& text) {
  const float y = DropdownBoxY(list);
  const bool open = g_settings.openDropdown == list;
  FillAndOutlineRounded(kit.g, RectF(kDropdownX, y, kDropdownWidth, kDropdownHeight), 7,
                        open ? kBoxFillOpen : kBoxFill, open ? kBoxLineOpen : kBoxLine, 1.3f);
  DrawGeorgia(kit, text, 15, FontStyleRegular, RectF(kDropdownX, y, 232, kDropdownHeight),
              StringAlignmentCenter, kit.light);
  DrawChevron(kit.g, y, open);
}

void DrawSlider(Graphics& g, int i) {
  const float cy = static_cast<float>(kSliderRowY[i] + 34);
  const float kx = SliderKnobX(g_settings.sliderValues[i], i);
  FillAndOutlineRounded(g, RectF(388, cy - 4, 246, 8), 4, kTrackFill, kTrackLine, 1);
  if (kx - 392 > 4) {
    GraphicsPath fill;
    AddRoundedRect(fill, 390, cy - 2, kx - 390, 4, 2);
    LinearGradientBrush brush(PointF(388, cy), PointF(634, cy), Color(kFillStart),
                              Color(kFillEnd));
    brush.SetWrapMode(WrapModeTileFlipX);
    g.FillPath(&brush, &fill);
  }
  const PointF knob[6] = {PointF(kx, cy - 13),     PointF(kx + 7, cy - 7),
                          PointF(kx + 7, cy + 7),  PointF(kx, cy + 13),
                          PointF(kx - 7, cy + 7),  PointF(kx - 7, cy - 7)};
  LinearGradientBrush knobBrush(PointF(kx, cy - 13), PointF(kx, cy + 13), Color(kKnobTop),
                                Color(kKnobBottom));
  knobBrush.SetWrapMode(WrapModeTileFlipY);
  g.FillPolygon(&knobBrush, knob, 6);
  Pen outline(Color(g_settings.dragSlider == i ? kKnobLineDragged : kKnobLine), 1.3f);
  g.DrawPolygon(&outline, knob, 6);
}

void DrawSliderText(PaintKit& kit, int i) {
  const float rowY = static_cast<float>(kSliderRowY[i]);
  DrawGeorgia(kit, kSliderLabels[i], 15, FontStyleRegular, RectF(384, rowY, 254, 18),
              StringAlignmentNear, kit.light);
  wchar_t value[16];
  std::swprintf(value, 16, i == 2 ? L"%d" : L"%d%%", g_settings.sliderValues[i]);
  DrawGeorgia(kit, value, 14, FontStyleRegular, RectF(384, rowY, 250, 18), StringAlignmentFar,
              kit.gold);
}

void DrawCheckBox(PaintKit& kit) {
  FillAndOutlineRounded(kit.g, RectF(82, 268, 20, 20), 4, kCheckFill, kCheckLine, 1.4f);
  if (g_settings.windowed) {
    const PointF tick[3] = {PointF(86.5f, 278.5f), PointF(90.5f, 282.5f), PointF(97.5f, 273.5f)};
    Pen pen(Color(kSettingsLight), 2.6f);
    pen.SetStartCap(LineCapRound);
    pen.SetEndCap(LineCapRound);
    pen.SetLineJoin(LineJoinRound);
    kit.g.DrawLines(&pen, tick, 3);
  }
  DrawGeorgia(kit, L"Jogar em janela", 15, FontStyleRegular, RectF(112, 266, 170, 24),
              StringAlignmentNear, kit.light);
}

void DrawPlaque(PaintKit& kit, int n, Bitmap* image, const wchar_t* fallback) {
  const PanelRect r = SettingsButtonRect(n);
  if (image) {
    DrawImageTinted(kit.g, image, r.x, r.y, r.width, r.height, g_settings.hoverButton == n,
                    g_settings.pressedButton == n, false);
  } else {
    DrawGeorgia(kit, fallback, 15, FontStyleRegular, ToRectF(r), StringAlignmentCenter,
                kit.light);
  }
}

void DrawCloseButton(Graphics& g, int panelWidth) {
  const float w = static_cast<float>(panelWidth);
  const RectF circle(w - 100, 46, 26, 26);
  SolidBrush fill{Color(g_settings.hoverButton == 3 ? kCloseFillHover : kCloseFill)};
  g.FillEllipse(&fill, circle);
  Pen ring(Color(kCloseLine), 1.3f);
  g.DrawEllipse(&ring, circle);
  Pen cross(Color(kSettingsLight), 2.2f);
  cross.SetStartCap(LineCapRound);
  cross.SetEndCap(LineCapRound);
  g.DrawLine(&cross, w - 92, 54.0f, w - 82, 64.0f);
  g.DrawLine(&cross, w - 82, 54.0f, w - 92, 64.0f);
}

void DrawOpenList(PaintKit& kit) {
  const int list = g_settings.openDropdown;
  if (list == 0) return;
  const DropdownLayout layout = OpenListLayout();
  FillAndOutlineRounded(kit.g, ToRectF(layout.rect), 7, kListFill, kListLine, 1.3f);
  for (int i = 0; i < layout.count; ++i) {
    const RectF cell = ToRectF(DropdownCell(layout, i));
    const bool current = list == 1 ? i == g_settings.modeIndex
                                   : kPresetMenu[i] == g_settings.presetMode;
    const bool hovered = i == g_settings.hoverRow;
    if (hovered || current) {
      FillRounded(kit.g, RectF(cell.X + 1, cell.Y + 1, cell.Width - 2, 23), 5,
                  hovered ? kRowHover : kRowCurrent);
    }
    const std::wstring text = list == 1 ? ModeText(i) : PresetText(kPresetMenu[i]);
    DrawGeorgia(kit, text, 14, FontStyleRegular, cell, StringAlignmentCenter,
                current ? kit.gold : kit.light);
  }
}

void DrawPanel(Graphics& g, int panelWidth) {
  PaintKit kit{g};
  const float w = static_cast<float>(panelWidth);
  DrawFramePanel(g, 34, 12, w - 68, 394, 0.58f);
  {
    GraphicsPath well;
    AddRoundedRect(well, 64, 40, w - 128, 338, 6);
    SolidBrush fill{Color(kWellFill)};
    g.FillPath(&fill, &well);
    Pen shadow(Color(kWellShadow), 2);
    g.DrawPath(&shadow, &well);
    Pen line(Color(kWellLine), 1);
    g.DrawPath(&line, &well);
  }
  DrawTitle(kit, panelWidth);
  DrawHeading(kit, L"V\u00CDDEO", 82);
  DrawHeading(kit, L"SOM E BRILHO", 384);
  DrawGeorgia(kit, L"Resolu\u00E7\u00E3o", 15, FontStyleRegular, RectF(82, 110, 254, 18),
              StringAlignmentNear, kit.light);
  DrawGeorgia(kit, L"Gr\u00E1ficos", 15, FontStyleRegular, RectF(82, 170, 254, 18),
              StringAlignmentNear, kit.light);
  for (int i = 0; i < kSliderCount; ++i) DrawSliderText(kit, i);
  if (g_settings.presetMode >= 0 && g_settings.presetMode < kPresetCount) {
    DrawGeorgia(kit, kPresetDescriptions[g_settings.presetMode], 12.5f, FontStyleItalic,
                RectF(84, 225, 254, 18), StringAlignmentNear, kit.muted, true);
  }
  DrawDropdownBox(kit, 1, ModeText(g_settings.modeIndex));
  DrawDropdownBox(kit, 2, PresetText(g_settings.presetMode));
  for (int i = 0; i < kSliderCount; ++i) DrawSlider(g, i);
  DrawCheckBox(kit);
  DrawPlaque(kit, 1, g_images[ImgSave], L"Salvar");
  DrawPlaque(kit, 2, g_images[ImgCancel], L"Cancelar");
  DrawCloseButton(g, panelWidth);
  DrawOpenList(kit);
}

// Hands the premultiplied pixels to the system as the window's whole picture.
void PushLayered(HWND hwnd, Bitmap& canvas, int width, int height) {
  BitmapData data{};
  Gdiplus::Rect all(0, 0, width, height);
  if (canvas.LockBits(&all, ImageLockModeRead, PixelFormat32bppPARGB, &data) != Ok) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  handles::UniqueGdiObject section(
      CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (section && bits) {
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
      std::memcpy(static_cast<BYTE*>(bits) + rowBytes * static_cast<size_t>(y),
                  static_cast<const BYTE*>(data.Scan0) +
                      static_cast<ptrdiff_t>(data.Stride) * y,
                  rowBytes);
    }
  }
  canvas.UnlockBits(&data);
  if (!section || !bits) return;
  handles::UniqueMemoryDc dc = handles::MakeMemoryDc(nullptr);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc.get(), section.get());
  SIZE size{width, height};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(hwnd, nullptr, nullptr, &size, dc.get(), &source, 0, &blend, ULW_ALPHA);
  SelectObject(dc.get(), old);
}

// ---- messages -------------------------------------------------------------------------------

void CloseList() {
  g_settings.openDropdown = 0;
  g_settings.hoverRow = -1;
}

LRESULT OnCreate(HWND hwnd) {
  g_settings = SettingsState{};
  g_settings.cfgPath = g_appDir + L"\\" + names::kGameConfigFile;
  const GameConfig cfg = ReadGameConfig(g_settings.cfgPath);
  BuildDisplayModeList();
  g_settings.modeIndex = InitialDisplayModeIndex(cfg.width, cfg.height);
  if (g_settings.modeIndex < 0) g_settings.modeIndex = 0;
  g_settings.sliderValues[0] = MusicSliderFromVolume(cfg.musicVolume);
  g_settings.sliderValues[1] = ClampSlider(cfg.voiceVolume, 1);
  g_settings.sliderValues[2] = ClampSlider(cfg.gamma, 2);
  g_settings.windowed = cfg.windowed;
  int mode = static_cast<int>(
      GetPrivateProfileIntW(L"Graficos", L"Modo", 0, GraphicsOptionsPath().c_str()));
  if (mode < 0 || mode > 4) mode = 0;
  g_settings.presetMode = mode;
  g_settings.presetModeAtOpen = mode;
  PaintSettingsWindow(hwnd);
  return 0;
}

LRESULT OnDestroy() {
  if (g_hwndMain) {
    EnableWindow(g_hwndMain, TRUE);
    SetForegroundWindow(g_hwndMain);
  }
  return 0;
}

bool IsHandAt(PanelPoint p) {
  if (g_settings.openDropdown != 0 && HitTestDropdownRow(p.x, p.y) >= 0) return true;
  if (HitTestSettingsButton(p.x, p.y) != 0) return true;
  if (DropdownBoxAt(p.x, p.y) != 0) return true;
  if (InCheckBoxArea(p.x, p.y)) return true;
  return SliderBandAt(p.x, p.y) >= 0;
}

LRESULT OnSetCursor(HWND hwnd) {
  POINT pos{};
  bool hand = false;
  if (GetCursorPos(&pos) && ScreenToClient(hwnd, &pos)) {
    hand = IsHandAt(ClientToPanel(pos.x, pos.y, g_settingsPanelX, g_settingsPanelY, g_uiScale));
  }
  SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
  return TRUE;
}

LRESULT OnMouseMove(HWND hwnd, LPARAM lParam) {
  if (!g_settings.mouseTracked) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
    g_settings.mouseTracked = true;
  }
  const PanelPoint p = PanelPointOf(lParam);
  if (g_settings.openDropdown != 0) {
    const int row = HitTestDropdownRow(p.x, p.y);
    if (row != g_settings.hoverRow) {
      g_settings.hoverRow = row;
      PaintSettingsWindow(hwnd);
    }
  } else if (g_settings.dragSlider >= 0) {
    const int i = g_settings.dragSlider;
    const int value = SliderValueAt(p.x, i);
    if (value != g_settings.sliderValues[i]) {
      g_settings.sliderValues[i] = value;
      PaintSettingsWindow(hwnd);
    }
  } else {
    const int button = HitTestSettingsButton(p.x, p.y);
    if (button != g_settings.hoverButton) {
      g_settings.hoverButton = button;
      PaintSettingsWindow(hwnd);
    }
  }
  return 0;
}

LRESULT OnMouseLeave(HWND hwnd) {
  g_settings.mouseTracked = false;
  if (g_settings.hoverButton != 0) {
    g_settings.hoverButton = 0;
    PaintSettingsWindow(hwnd);
  }
  return 0;
}

LRESULT OnLButtonDown(HWND hwnd, LPARAM lParam) {
  const PanelPoint p = PanelPointOf(lParam);
  if (g_settings.openDropdown != 0) {
    // A click while a list is open only ends the list, whatever lies under it.
    const int row = HitTestDropdownRow(p.x, p.y);
    if (row >= 0) {
      if (g_settings.openDropdown == 1) {
        g_settings.modeIndex = row;
      } else {
        g_settings.presetMode = kPresetMenu[row];
      }
    }
    CloseList();
    PaintSettingsWindow(hwnd);
    return 0;
  }
  const int slider = SliderBandAt(p.x, p.y);
  if (slider >= 0) {
    g_settings.dragSlider = slider;
    g_settings.sliderValues[slider] = SliderValueAt(p.x, slider);
    SetCapture(hwnd);
    PaintSettingsWindow(hwnd);
    return 0;
  }
  const int box = DropdownBoxAt(p.x, p.y);
  if (box != 0) {
    g_settings.openDropdown = box;
    g_settings.hoverRow = -1;
    PaintSettingsWindow(hwnd);
    return 0;
  }
  if (InCheckBoxArea(p.x, p.y)) {
    g_settings.windowed = !g_settings.windowed;
    PaintSettingsWindow(hwnd);
    return 0;
  }
  const int button = HitTestSettingsButton(p.x, p.y);
  if (button != 0) {
    g_settings.pressedButton = button;
    SetCapture(hwnd);
    PaintSettingsWindow(hwnd);
  }
  return 0;
}

LRESULT OnLButtonUp(HWND hwnd, LPARAM lParam) {
  const int pressed = g_settings.pressedButton;
  const bool dragged = g_settings.dragSlider >= 0;
  g_settings.pressedButton = 0;
  g_settings.dragSlider = -1;
  ReleaseCapture();
  if (pressed != 0) {
    const PanelPoint p = PanelPointOf(lParam);
    if (HitTestSettingsButton(p.x, p.y) == pressed) {
      if (pressed == 1) {
        SaveSettings(hwnd);
      } else {
        DestroyWindow(hwnd);
      }
    } else {
      PaintSettingsWindow(hwnd);
    }
  } else if (dragged) {
    PaintSettingsWindow(hwnd);
  }
  return 0;
}

// Capture taken away mid-gesture (another window, a message box): end the press or drag so
// later moves without the button held change nothing.
LRESULT OnCaptureChanged(HWND hwnd, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) == hwnd) return 0;
  if (g_settings.pressedButton != 0 || g_settings.dragSlider >= 0) {
    g_settings.pressedButton = 0;
    g_settings.dragSlider = -1;
    PaintSettingsWindow(hwnd);
  }
  return 0;
}

LRESULT OnKeyDown(HWND hwnd, WPARAM key) {
  if (key == VK_ESCAPE) {
    if (g_settings.openDropdown != 0) {
      CloseList();
      PaintSettingsWindow(hwnd);
    } else {
      DestroyWindow(hwnd);
    }
  } else if (key == VK_RETURN) {
    SaveSettings(hwnd);
  }
  return 0;
}

}  // namespace

int SettingsPanelWidthNow() {
  Bitmap* panel = g_images[ImgSettingsPanel];
  return SettingsPanelWidth(panel ? static_cast<int>(panel->GetWidth()) : 0);
}

PanelRect SettingsButtonRect(int n) {
  Bitmap* save = g_images[ImgSave];
  const float height =
      save ? SettingsButtonHeightFor(static_cast<int>(save->GetWidth()),
                                     static_cast<int>(save->GetHeight()))
           : kSettingsButtonFallbackHeight;
  return SettingsButtonRectFor(n, SettingsPanelWidthNow(), height);
}

int HitTestSettingsButton(int x, int y) {
  const PanelRect r = SettingsButtonRect(1);
  return HitTestSettingsButtonFor(x, y, SettingsPanelWidthNow(), r.height);
}

PanelRect DropdownListRect(int list) {
  return DropdownLayoutFor(list, static_cast<int>(g_displayModes.size())).rect;
}

int HitTestDropdownRow(int x, int y) {
  if (g_settings.openDropdown == 0) return -1;
  return HitTestDropdownRowIn(OpenListLayout(), x, y);
}

void PaintSettingsWindow(HWND hwnd) {
  const int width = g_settingsWidth;
  const int height = g_settingsHeight;
  if (width <= 0 || height <= 0) return;
  Bitmap canvas(width, height, PixelFormat32bppPARGB);
  if (canvas.GetLastStatus() != Ok) return;
  {
    Graphics g(&canvas);
    SolidBrush dim{Color(kDimLayer)};
    g.SetCompositingMode(CompositingModeSourceCopy);
    g.FillRectangle(&dim, 0, 0, width, height);
    g.SetCompositingMode(CompositingModeSourceOver);
    g.TranslateTransform(g_settingsPanelX, g_settingsPanelY);
    g.ScaleTransform(PanelK(), PanelK());
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.SetTextRenderingHint(TextRenderingHintAntiAlias);
    g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(PixelOffsetModeHighQuality);
    DrawPanel(g, SettingsPanelWidthNow());
  }
  PushLayered(hwnd, canvas, width, height);
}

void SaveSettings(HWND hwnd) {
  const bool changed = g_settings.presetMode != g_settings.presetModeAtOpen;
  const bool applyPreset = changed && ModeIsApplicable(g_settings.presetMode);
  // Re-read so the keys this window does not edit keep what the file has now.
  GameConfig cfg = ReadGameConfig(g_settings.cfgPath);
  if (applyPreset) {
    cfg.shadowLevel = kGraphicsPresets[g_settings.presetMode][kShadowLevelColumn];
  }
  const int index = g_settings.modeIndex;
  if (index >= 0 && index < static_cast<int>(g_displayModes.size())) {
    cfg.width = g_displayModes[index].width;
    cfg.height = g_displayModes[index].height;
  }
  cfg.musicVolume = MusicVolumeFromSlider(g_settings.sliderValues[0]);
  cfg.voiceVolume = g_settings.sliderValues[1];
  cfg.gamma = g_settings.sliderValues[2];
  cfg.windowed = g_settings.windowed;
  if (!WriteGameConfig(g_settings.cfgPath, cfg)) {
    // Nothing is written when the game configuration cannot be: the two files stay in step.
    MessageBoxW(hwnd, kSaveFailedText, kSettingsMessageCaption, MB_OK | MB_ICONERROR);
    return;
  }
  if (applyPreset) ApplyGraphicsPreset(g_appDir, g_settings.presetMode);
  DestroyWindow(hwnd);
  if (changed) StartUpdate();
}

LRESULT CALLBACK SettingsWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate(hwnd);
    case WM_DESTROY:
      return OnDestroy();
    case WM_SETCURSOR:
      return OnSetCursor(hwnd);
    case WM_MOUSEMOVE:
      return OnMouseMove(hwnd, lParam);
    case WM_MOUSELEAVE:
      return OnMouseLeave(hwnd);
    case WM_LBUTTONDOWN:
      return OnLButtonDown(hwnd, lParam);
    case WM_LBUTTONUP:
      return OnLButtonUp(hwnd, lParam);
    case WM_CAPTURECHANGED:
      return OnCaptureChanged(hwnd, lParam);
    case WM_KEYDOWN:
      return OnKeyDown(hwnd, wParam);
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}
