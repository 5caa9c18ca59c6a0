// The settings window: a layered popup over the main window's client area that edits the
// game client's screen size, graphics preset, volumes, brightness and windowed mode. It has
// no child controls; everything is drawn and hit-tested here, in panel units.
#pragma once

#include <windows.h>

#include <string>

#include "ui/settings_layout.h"

inline constexpr wchar_t kSaveFailedText[] = L"N\u00E3o foi poss\u00EDvel salvar o kaldrun.cfg.";
inline constexpr wchar_t kSettingsMessageCaption[] = L"Talvore Launcher";

struct SettingsState {
  std::wstring cfgPath;
  int modeIndex = 0;
  int sliderValues[kSliderCount] = {100, 100, 5};
  bool windowed = false;
  int presetMode = 0;
  int presetModeAtOpen = 0;
  int openDropdown = 0;  // 0 none, 1 resolution list, 2 preset list
  int hoverRow = -1;
  int dragSlider = -1;
  int hoverButton = 0;  // 0 none, 1 Salvar, 2 Cancelar, 3 close
  int pressedButton = 0;
  bool mouseTracked = false;
};

// One window at most exists (the main window is disabled while it is open).
extern SettingsState g_settings;

LRESULT CALLBACK SettingsWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Renders the whole window off screen and pushes it with one UpdateLayeredWindow.
void PaintSettingsWindow(HWND hwnd);
// Writes both settings files; closes the window on success, reports a failed write.
void SaveSettings(HWND hwnd);

// The same geometry as settings_layout.h over the current images and state.
PanelRect SettingsButtonRect(int n);
int HitTestSettingsButton(int x, int y);
PanelRect DropdownListRect(int list);
int HitTestDropdownRow(int x, int y);
int SettingsPanelWidthNow();
