// Drives the real launcher's settings window from outside, as a player's mouse would: the
// click points are computed from the panel layout and the sizes of the images embedded in the
// launcher executable given first, so they follow the artwork.
//   settings_driver EXE wait MS        wait for the window; prints "owner=1 main-enabled=0"
//   settings_driver EXE open-presets   click the preset box, which opens its list
//   settings_driver EXE pick ROW       click a row of the open preset list
//   settings_driver EXE save           click Salvar
//   settings_driver EXE gone MS        wait until the window no longer exists
// Exit code 0 on success, 1 on failure, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/settings_layout.h"

namespace {

constexpr int kPanelImageId = 331;
constexpr int kSaveImageId = 332;

struct Geometry {
  float scale = 1.0f;
  float originX = 0, originY = 0;
  int panelWidth = 0;
  float buttonHeight = 0;
};

template <typename Predicate>
bool WaitFor(Predicate predicate, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (!predicate()) {
    if (GetTickCount64() > end) return false;
    Sleep(25);
  }
  return true;
}

HWND MainWindow() { return FindWindowW(kMainWindowClass, nullptr); }
HWND SettingsWindow() { return FindWindowW(kSettingsWindowClass, nullptr); }

// Width and height from a PNG resource's header; 0 x 0 when it is missing or not a PNG.
void PngSize(HMODULE exe, int id, int* width, int* height) {
  *width = *height = 0;
  HRSRC info = FindResourceW(exe, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!info || SizeofResource(exe, info) < 24) return;
  HGLOBAL data = LoadResource(exe, info);
  const auto* b = static_cast<const unsigned char*>(data ? LockResource(data) : nullptr);
  if (!b || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return;
  auto be32 = [](const unsigned char* p) {
    return static_cast<int>((static_cast<unsigned>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
  };
  *width = be32(b + 16);
  *height = be32(b + 20);
}

bool Measure(const std::wstring& exePath, Geometry* g) {
  HWND main = MainWindow();
  if (!main) return false;
  RECT client{};
  GetClientRect(main, &client);
  bool known = false;
  for (float s : {1.3f, 1.2f, 1.1f, 1.0f}) {
    if (DesignToPixel(kDesignCanvasWidth, s) == client.right) {
      g->scale = s;
      known = true;
      break;
    }
  }
  if (!known) return false;
  HMODULE exe = LoadLibraryExW(exePath.c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!exe) return false;
  int pw = 0, ph = 0, sw = 0, sh = 0;
  PngSize(exe, kPanelImageId, &pw, &ph);
  PngSize(exe, kSaveImageId, &sw, &sh);
  FreeLibrary(exe);
  g->panelWidth = SettingsPanelWidth(pw);
  g->buttonHeight = SettingsButtonHeightFor(sw, sh);
  SettingsPanelOrigin(g->scale, g->panelWidth, &g->originX, &g->originY);
  return true;
}

// The client pixel the window reads back as panel point (x, y).
LPARAM PixelOf(const Geometry& g, int x, int y) {
  const float k = kPanelScaleFactor * g.scale;
  POINT p{static_cast<LONG>(g.originX + static_cast<float>(x) * k) - 2,
          static_cast<LONG>(g.originY + static_cast<float>(y) * k) - 2};
  for (int i = 0; i < 6 && ClientToPanel(p.x, 0, g.originX, 0, g.scale).x < x; ++i) ++p.x;
  for (int i = 0; i < 6 && ClientToPanel(0, p.y, 0, g.originY, g.scale).y < y; ++i) ++p.y;
  return MAKELPARAM(p.x, p.y);
}

bool Send(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(w, msg, wp, lp, SMTO_NORMAL, 10000, &ignored) != 0;
}

bool Click(HWND w, const Geometry& g, float x, float y) {
  const LPARAM at = PixelOf(g, static_cast<int>(x), static_cast<int>(y));
  return Send(w, WM_MOUSEMOVE, 0, at) && Send(w, WM_LBUTTONDOWN, MK_LBUTTON, at) &&
         Send(w, WM_LBUTTONUP, 0, at);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring exe = argv[1], cmd = argv[2];
  const int value = argc > 3 ? _wtoi(argv[3]) : 0;
  if (cmd == L"wait") {
    if (!WaitFor([] { return SettingsWindow() && IsWindowVisible(SettingsWindow()); },
                 static_cast<DWORD>(value))) {
      std::printf("no settings window\n");
      return 1;
    }
    std::printf("owner=%d main-enabled=%d\n", GetWindow(SettingsWindow(), GW_OWNER) == MainWindow(),
                IsWindowEnabled(MainWindow()) ? 1 : 0);
    return 0;
  }
  if (cmd == L"gone") {
    return WaitFor([] { return SettingsWindow() == nullptr; }, static_cast<DWORD>(value)) ? 0 : 1;
  }
  HWND w = SettingsWindow();
  Geometry g;
  if (!w || !Measure(exe, &g)) {
    std::printf("no settings window or unknown geometry\n");
    return 1;
  }
  bool ok = false;
  if (cmd == L"open-presets") {
    ok = Click(w, g, kDropdownX + kDropdownWidth / 2.0f, kPresetBoxY + kDropdownHeight / 2.0f);
  } else if (cmd == L"pick") {
    // The preset list does not depend on the number of display modes.
    const PanelRect c = DropdownCell(DropdownLayoutFor(2, 0), value);
    ok = Click(w, g, c.x + c.width / 2, c.y + c.height / 2);
  } else if (cmd == L"save") {
    const PanelRect r = SettingsButtonRectFor(1, g.panelWidth, g.buttonHeight);
    ok = Click(w, g, r.x + r.width / 2, r.y + r.height / 2);
  } else {
    return 2;
  }
  std::printf("%s at scale %.1f, panel origin %.0f,%.0f\n", ok ? "clicked" : "no answer", g.scale,
              g.originX, g.originY);
  return ok ? 0 : 1;
}
