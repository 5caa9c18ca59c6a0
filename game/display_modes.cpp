#include "game/display_modes.h"

#include <windows.h>

#include <algorithm>

std::vector<DisplayMode> g_displayModes;

std::vector<DisplayMode> SelectDisplayModes(const std::vector<EnumeratedMode>& enumerated,
                                            DisplayMode screen) {
  std::vector<DisplayMode> modes;
  for (const EnumeratedMode& m : enumerated) {
    if (m.bitsPerPixel < 32 || m.width < 1024 || m.height < 720 || m.width < m.height) continue;
    const DisplayMode mode{m.width, m.height};
    if (std::find(modes.begin(), modes.end(), mode) != modes.end()) continue;
    modes.push_back(mode);
  }
  if (modes.empty()) modes.push_back(screen);
  std::sort(modes.begin(), modes.end());
  if (modes.size() > kMaxDisplayModes) modes.erase(modes.begin(), modes.end() - kMaxDisplayModes);
  return modes;
}

void BuildDisplayModeList() {
  std::vector<EnumeratedMode> enumerated;
  for (DWORD n = 0;; ++n) {
    DEVMODEW dm{};
    dm.dmSize = sizeof(dm);
    if (!EnumDisplaySettingsW(nullptr, n, &dm)) break;
    enumerated.push_back({static_cast<int>(dm.dmPelsWidth), static_cast<int>(dm.dmPelsHeight),
                          static_cast<int>(dm.dmBitsPerPel)});
  }
  g_displayModes = SelectDisplayModes(
      enumerated, DisplayMode{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

DisplayMode DefaultDisplayMode() {
  DEVMODEW dm{};
  dm.dmSize = sizeof(dm);
  if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &dm)) {
    return DisplayMode{static_cast<int>(dm.dmPelsWidth), static_cast<int>(dm.dmPelsHeight)};
  }
  return DisplayMode{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

int InitialDisplayModeIndex(const std::vector<DisplayMode>& modes, DisplayMode desktop,
                            int configWidth, int configHeight) {
  int chosen = static_cast<int>(modes.size()) - 1;
  const DisplayMode configured{configWidth, configHeight};
  for (size_t i = 0; i < modes.size(); ++i) {
    if (modes[i] == desktop) chosen = static_cast<int>(i);
  }
  for (size_t i = 0; i < modes.size(); ++i) {
    if (modes[i] == configured) chosen = static_cast<int>(i);
  }
  return chosen;
}

int InitialDisplayModeIndex(int configWidth, int configHeight) {
  return InitialDisplayModeIndex(g_displayModes, DefaultDisplayMode(), configWidth, configHeight);
}
