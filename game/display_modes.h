// Screen sizes offered for the game client: the primary display's landscape modes of at least
// 1024 x 720 at 32 bits, one entry per size, at most the twenty largest.
#pragma once

#include <vector>

struct DisplayMode {
  int width = 0;
  int height = 0;
};

inline bool operator==(const DisplayMode& a, const DisplayMode& b) {
  return a.width == b.width && a.height == b.height;
}
inline bool operator!=(const DisplayMode& a, const DisplayMode& b) { return !(a == b); }
inline bool operator<(const DisplayMode& a, const DisplayMode& b) {
  return a.width != b.width ? a.width < b.width : a.height < b.height;
}

// One mode as the platform enumerates it (refresh rates are irrelevant here).
struct EnumeratedMode {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
};

inline constexpr int kMaxDisplayModes = 20;

// Ascending, unique, 1 to 20 entries; rebuilt by BuildDisplayModeList.
extern std::vector<DisplayMode> g_displayModes;

// The list rule over modes in enumeration order; screen is used when nothing qualifies.
std::vector<DisplayMode> SelectDisplayModes(const std::vector<EnumeratedMode>& enumerated,
                                            DisplayMode screen);
// Refills g_displayModes from the primary display.
void BuildDisplayModeList();
// The primary display's current size.
DisplayMode DefaultDisplayMode();

// Index to select when the settings window opens: the configured size, else the desktop
// size, else the largest. -1 only for an empty list.
int InitialDisplayModeIndex(const std::vector<DisplayMode>& modes, DisplayMode desktop,
                            int configWidth, int configHeight);
// The same over g_displayModes and DefaultDisplayMode().
int InitialDisplayModeIndex(int configWidth, int configHeight);
