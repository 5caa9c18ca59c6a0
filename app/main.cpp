// Entry point: the launcher's whole lifecycle in its fixed start-up order.
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include "app/dll_search.h"
#include "app/self_install.h"
#include "app/self_update.h"
#include "app/startup_flags.h"
#include "app/window_placement.h"
#include "core/globals.h"
#include "core/text.h"
#include "ui/drawing_kit.h"
#include "ui/main_window.h"

namespace {

float ChooseScaleForPrimaryMonitor() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame{};
  AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
  return ChooseUiScale(work.right - work.left, work.bottom - work.top, frame.right - frame.left,
                       frame.bottom - frame.top);
}

HWND CreateMainWindow(HINSTANCE instance) {
  const SIZE client = ScaledClientSize(g_uiScale);
  RECT outer{0, 0, client.cx, client.cy};
  AdjustWindowRect(&outer, kMainWindowStyle, FALSE);
  const int w = outer.right - outer.left;
  const int h = outer.bottom - outer.top;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const POINT origin = CenteredWindowOrigin(work, w, h);
  return CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, kMainWindowStyle, origin.x,
                         origin.y, w, h, nullptr, nullptr, instance, nullptr);
}

// Dark frame where the system offers it; dwmapi is looked up at run time because older
// systems lack it, and only in the system folder.
void ApplyDwmAttributes(HWND hwnd) {
  HMODULE dwm = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!dwm) return;
  using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  auto set = reinterpret_cast<SetAttribute>(
      reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
  if (!set) return;
  const BOOL dark = TRUE;
  if (FAILED(set(hwnd, 20, &dark, sizeof(dark)))) set(hwnd, 19, &dark, sizeof(dark));
  const COLORREF caption = RGB(0x2A, 0x20, 0x18);
  const COLORREF text = RGB(0xE2, 0xC4, 0x7C);
  const COLORREF border = RGB(0xC9, 0xA2, 0x4A);
  set(hwnd, 35, &caption, sizeof(caption));
  set(hwnd, 36, &text, sizeof(text));
  set(hwnd, 34, &border, sizeof(border));
  // dwmapi stays loaded for the life of the process.
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  RestrictDllSearchToSystemFolder();
  if (SelfInstallIfNeeded()) return 0;
  RunCleanupFlag(kFlagCleanupOriginal);
  RunCleanupFlag(kFlagCleanupSelfUpdateTemp);
  g_appDir = GetAppDirectory();
  g_baseUrl = LoadBaseUrl(g_appDir);
  if (RunLauncherSelfUpdate(g_baseUrl, g_appDir, kLauncherVersion)) return 0;
  DeleteStaleSelfUpdateTemps(g_appDir);

  Gdiplus::GdiplusStartupInput gdiplusInput;
  ULONG_PTR gdiplusToken = 0;
  Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

  LoadEmbeddedFont(instance);
  LoadEmbeddedImages(instance);
  g_uiScale = ChooseScaleForPrimaryMonitor();
  PreRenderBackground();

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  g_bgBrush = CreateSolidBrush(RGB(0x2B, 0x1A, 0x27));  // lives as long as the process

  RegisterMainWindowClass(instance);

  g_hwndMain = CreateMainWindow(instance);
  if (g_hwndMain) {
    ApplyDwmAttributes(g_hwndMain);
    ShowWindow(g_hwndMain, showCommand);
    UpdateWindow(g_hwndMain);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  // The news thread and the update worker may still be downloading, decoding a picture or
  // publishing what they found. Ending the process here stops them first; returning instead
  // would destroy GDI+ and the process-wide values while they still use them. GDI+, like the
  // other process-lifetime resources, is released by the process's end.
  ExitProcess(0);
}
