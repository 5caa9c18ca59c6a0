// Times the main window's repaints at a given scale: one running-lights tick (two small boxes,
// painted at once) and a full repaint of the client area. Prints milliseconds per repaint.
//   ui-paint-bench [scale [x]]   (x: also time the single layers)
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <cwchar>

#include "core/globals.h"
#include "ui/drawing_kit.h"
#include "ui/layout.h"
#include "ui/buttons.h"
#include "ui/main_window.h"
#include "ui/news_panel.h"

namespace {

double NowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  MSG msg;
  while (GetTickCount64() < end) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(5);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  LoadEmbeddedFont(instance);
  LoadEmbeddedImages(instance);
  g_uiScale = argc > 1 ? static_cast<float>(_wtof(argv[1])) : 1.3f;
  PreRenderBackground();
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  g_appDir = std::wstring(temp) + L"talvore-paint-bench";
  CreateDirectoryW(g_appDir.c_str(), nullptr);
  g_baseUrl = L"http://127.0.0.1:9/launcher";  // the update fails at once and stays quiet
  g_bgBrush = CreateSolidBrush(RGB(0x2B, 0x1A, 0x27));
  RegisterMainWindowClass(instance);
  const DWORD style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT outer{0, 0, DesignToPixel(kDesignCanvasWidth, g_uiScale),
             DesignToPixel(kDesignCanvasHeight, g_uiScale)};
  AdjustWindowRect(&outer, style, FALSE);
  HWND hwnd = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, style, 0, 0,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr,
                              nullptr, instance, nullptr);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  KillTimer(hwnd, ID_TIMER_LIGHTS);  // ticks are driven by hand below
  Pump(1500);

  if (argc > 2) {  // where a repaint's time goes
    HDC screen = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 60);
    SelectObject(memory, bitmap);
    Gdiplus::Graphics g(memory);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    auto time = [&](const char* name, auto body) {
      const double t0 = NowMs();
      for (int i = 0; i < 10; ++i) body();
      std::printf("%s %.2f ms\n", name, (NowMs() - t0) / 10);
    };
    time("background copy 200x60", [&] {
      g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
      g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
      g.DrawImage(g_images[ImgBackground], Gdiplus::RectF(-1, -1, 202, 62), 499.0f, 299.0f,
                  202.0f, 62.0f, Gdiplus::UnitPixel);
    });
    time("font family Segoe UI", [&] { Gdiplus::FontFamily f(L"Segoe UI"); });
    g.ScaleTransform(g_uiScale, g_uiScale);
    time("lights", [&] { PaintRunningLights(g); });
    time("status text", [&] {
      Gdiplus::FontFamily f(L"Segoe UI");
      Gdiplus::Font font(&f, 13, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
      Gdiplus::SolidBrush b{Gdiplus::Color(0xFFE8DCC4)};
      g.DrawString(L"Pronto para jogar.", -1, &font, Gdiplus::PointF(0, 0), &b);
    });
    {
      Gdiplus::Bitmap full(1456, 884, PixelFormat32bppPARGB);
      Gdiplus::Graphics fg(&full);
      fg.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
      fg.ScaleTransform(g_uiScale, g_uiScale);
      time("lights on the full canvas", [&] { PaintRunningLights(fg); });
    }
    time("news panel", [&] { PaintNewsPanel(g); });
    time("progress bar", [&] { DrawProgressBar(g, 180, 528, 700, 546, 50, L"Total"); });
    time("background blit 200x60", [&] { BlitWindowBackground(memory, 0, 0, 200, 60, 500, 300); });
    time("bitblt 200x60", [&] { BitBlt(screen, 0, 0, 200, 60, memory, 0, 0, SRCCOPY); });
  }

  const int ticks = 100;
  double start = NowMs();
  for (int i = 0; i < ticks; ++i) OnLightsTimer(hwnd, WM_TIMER, ID_TIMER_LIGHTS, 0);
  const double tickMs = (NowMs() - start) / ticks;

  const int fulls = 20;
  start = NowMs();
  for (int i = 0; i < fulls; ++i) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
  }
  const double fullMs = (NowMs() - start) / fulls;
  RECT client;
  GetClientRect(hwnd, &client);
  std::printf("scale=%.1f client=%ldx%ld tick_ms=%.2f full_ms=%.2f\n", g_uiScale, client.right,
              client.bottom, tickMs, fullMs);
  DestroyWindow(hwnd);
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
