#include "ui/main_window.h"

#include "core/globals.h"

namespace {

LRESULT OnCreate(HWND hwnd) {
  g_hwndMain = hwnd;
  return 0;
}

LRESULT OnDestroy() {
  PostQuitMessage(0);
  return 0;
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate(hwnd);
    case WM_DESTROY:
      return OnDestroy();
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}
