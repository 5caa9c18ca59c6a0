// Shows the real main window with the settings window over it and walks through the states
// worth a picture, pausing at each so the calling script can take a screenshot:
//   settings_shots.exe APP_DIR MARKER_DIR
// For each state it writes MARKER_DIR\NAME.ready and waits for MARKER_DIR\NAME.done.
// Prints "scale S", "state NAME ..." lines and exits non-zero when the window misbehaves.
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <cstdio>
#include <string>

#include "app/window_placement.h"
#include "core/globals.h"
#include "game/display_modes.h"
#include "tests/support/test_support.h"
#include "ui/drawing_kit.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/settings_window.h"

namespace ts = testing_support;

namespace {

std::wstring g_markers;
int g_failures = 0;

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  } while (GetTickCount64() < end);
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::printf("FAIL %s\n", what);
    ++g_failures;
  }
}

void Shot(const char* name) {
  Pump(400);
  std::printf("state %s open=%d hoverRow=%d drag=%d hover=%d values=%d,%d,%d\n", name,
              g_settings.openDropdown, g_settings.hoverRow, g_settings.dragSlider,
              g_settings.hoverButton, g_settings.sliderValues[0], g_settings.sliderValues[1],
              g_settings.sliderValues[2]);
  std::fflush(stdout);
  const std::wstring base = g_markers + L"\\" + ts::Widen(name);
  ts::WriteBytes(base + L".ready", name);
  ts::WaitFor(
      [&] {
        Pump(20);
        return ts::FileExists(base + L".done");
      },
      30000);
}

// A client pixel whose panel point is (x, y).
LPARAM At(int x, int y) {
  const float k = 0.88f * g_uiScale;
  int px = static_cast<int>(g_settingsPanelX + static_cast<float>(x) * k) - 1;
  int py = static_cast<int>(g_settingsPanelY + static_cast<float>(y) * k) - 1;
  while (ClientToPanel(px, py, g_settingsPanelX, g_settingsPanelY, g_uiScale).x < x) ++px;
  while (ClientToPanel(px, py, g_settingsPanelX, g_settingsPanelY, g_uiScale).y < y) ++py;
  return MAKELPARAM(px, py);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: settings_shots APP_DIR MARKER_DIR\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  g_appDir = argv[1];
  g_markers = argv[2];
  g_baseUrl = L"http://127.0.0.1:9/launcher";  // the update fails at once
  HINSTANCE instance = GetModuleHandleW(nullptr);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  LoadEmbeddedFont(instance);
  LoadEmbeddedImages(instance);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame{};
  AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
  g_uiScale = ChooseUiScale(work.right - work.left, work.bottom - work.top,
                            frame.right - frame.left, frame.bottom - frame.top);
  std::printf("scale %.1f\n", g_uiScale);
  PreRenderBackground();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  g_bgBrush = CreateSolidBrush(RGB(0x2B, 0x1A, 0x27));

  RegisterMainWindowClass(instance);
  const SIZE client = ScaledClientSize(g_uiScale);
  RECT outer{0, 0, client.cx, client.cy};
  AdjustWindowRect(&outer, kMainWindowStyle, FALSE);
  const POINT origin =
      CenteredWindowOrigin(work, outer.right - outer.left, outer.bottom - outer.top);
  g_hwndMain = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, kMainWindowStyle, origin.x,
                               origin.y, outer.right - outer.left, outer.bottom - outer.top,
                               nullptr, nullptr, instance, nullptr);
  if (!g_hwndMain) return 1;
  ShowWindow(g_hwndMain, SW_SHOW);
  UpdateWindow(g_hwndMain);
  Pump(1500);
  std::printf("main window shown\n");

  // Open it the way the player does: a click on the settings button.
  HWND button = GetDlgItem(g_hwndMain, ID_SETTINGS);
  Check(button != nullptr, "settings button");
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  std::printf("settings button pressed\n");
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  Pump(300);
  std::printf("settings button clicked\n");
  HWND settings = FindWindowW(kSettingsWindowClass, nullptr);
  if (!settings) {
    std::printf("FAIL no settings window\n");
    return 1;
  }
  RECT box{};
  GetWindowRect(settings, &box);
  POINT clientOrigin{0, 0};
  ClientToScreen(g_hwndMain, &clientOrigin);
  Check(box.left == clientOrigin.x && box.top == clientOrigin.y, "covers the client origin");
  RECT mainClient{};
  GetClientRect(g_hwndMain, &mainClient);
  std::printf("main client %ld x %ld, settings window %ld x %ld at %ld, %ld\n", mainClient.right,
              mainClient.bottom, box.right - box.left, box.bottom - box.top, box.left, box.top);
  Check(box.right - box.left == mainClient.right && box.bottom - box.top == mainClient.bottom,
        "covers the client area");
  Check(g_settingsWidth == mainClient.right && g_settingsHeight == mainClient.bottom,
        "paints the client size");
  Check((GetWindowLongW(settings, GWL_EXSTYLE) & WS_EX_LAYERED) != 0, "layered");
  Check(!IsWindowEnabled(g_hwndMain), "main window disabled");

  const PanelRect save = SettingsButtonRect(1);
  SendMessageW(settings, WM_MOUSEMOVE, 0,
               At(static_cast<int>(save.x + save.width / 2), static_cast<int>(save.y + 20)));
  Check(g_settings.hoverButton == 1, "Salvar hovered");
  Shot("idle-hover-salvar");
  SendMessageW(settings, WM_LBUTTONDOWN, MK_LBUTTON, At(200, 145));
  SendMessageW(settings, WM_LBUTTONUP, 0, At(200, 145));
  SendMessageW(settings, WM_MOUSEMOVE, 0, At(200, 178));
  Check(g_settings.openDropdown == 1, "resolution list open");
  Shot("list-resolution");
  SendMessageW(settings, WM_LBUTTONDOWN, MK_LBUTTON, At(500, 60));  // closes only
  SendMessageW(settings, WM_LBUTTONUP, 0, At(500, 60));
  SendMessageW(settings, WM_LBUTTONDOWN, MK_LBUTTON, At(200, 205));
  SendMessageW(settings, WM_LBUTTONUP, 0, At(200, 205));
  SendMessageW(settings, WM_MOUSEMOVE, 0, At(200, 290));
  Check(g_settings.openDropdown == 2 && g_settings.hoverRow == 2, "preset list open");
  Shot("list-preset");
  SendMessageW(settings, WM_LBUTTONDOWN, MK_LBUTTON, At(200, 290));  // "Alto"
  SendMessageW(settings, WM_LBUTTONUP, 0, At(200, 290));
  SendMessageW(settings, WM_LBUTTONDOWN, MK_LBUTTON, At(90, 278));  // windowed
  SendMessageW(settings, WM_LBUTTONUP, 0, At(90, 278));
  SendMessageW(settings, WM_LBUTTONDOWN, MK_LBUTTON, At(600, 144));
  SendMessageW(settings, WM_MOUSEMOVE, MK_LBUTTON, At(440, 144));
  Check(g_settings.dragSlider == 0 && g_settings.sliderValues[0] == 20, "music dragged");
  Shot("slider-drag");
  SendMessageW(settings, WM_LBUTTONUP, 0, At(440, 144));
  SendMessageW(settings, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump(300);
  Check(!IsWindow(settings), "closed by Escape");
  Check(IsWindowEnabled(g_hwndMain) != FALSE, "main window enabled again");
  Check(GetForegroundWindow() == g_hwndMain, "main window in front");
  DestroyWindow(g_hwndMain);
  std::printf("failures %d\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
