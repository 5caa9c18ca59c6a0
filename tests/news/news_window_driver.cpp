// Drives the real launcher window for the news panel test:
//   news_window_driver.exe ok|failed LAUNCHER_EXE WORKDIR SHOT_DIR SERVER_LOG GATE_FILE
//                          URL_LOG ENTRIES PICTURES
// Takes screenshots (PNG) of the client area, scrolls with the wheel and clicks cards; every
// address the launcher opens lands in URL_LOG through the stand-in browser, which the calling
// script compares with what should have opened. Prints "FAIL ..." and exits 1 on a failed check.
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace ts = testing_support;
using namespace Gdiplus;

namespace {

HWND g_window = nullptr;
float g_scale = 1.0f;
std::wstring g_urlLog;
int g_failures = 0;

void Fail(const std::string& what) {
  std::printf("FAIL %s\n", what.c_str());
  std::fflush(stdout);
  ++g_failures;
}

void Say(const std::string& what) {
  std::printf("%s\n", what.c_str());
  std::fflush(stdout);
}

// The smallest client pixel the launcher reads back as design value d.
int ToPixel(int d) {
  int p = static_cast<int>(d * g_scale) - 2;
  while (static_cast<int>(static_cast<float>(p) / g_scale) < d) ++p;
  return p;
}

bool Send(UINT msg, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(g_window, msg, w, l, SMTO_NORMAL, 5000, &result) != 0;
}

LPARAM ClientPoint(int dx, int dy) { return MAKELPARAM(ToPixel(dx), ToPixel(dy)); }

void Wheel(int delta, int dx, int dy, int times = 1) {
  POINT p{ToPixel(dx), ToPixel(dy)};
  ClientToScreen(g_window, &p);
  for (int i = 0; i < times; ++i) {
    if (!Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
              MAKELPARAM(p.x, p.y))) {
      Fail("the window did not answer a wheel message");
    }
  }
}

size_t UrlCount() {
  std::string text = ts::ReadBytesOr(g_urlLog);
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

// A release at a design point; waits for the stand-in browser when an address should open.
void Click(int dx, int dy, bool opens, const std::string& what) {
  const size_t before = UrlCount();
  if (!Send(WM_LBUTTONUP, 0, ClientPoint(dx, dy))) Fail("no answer to a click: " + what);
  if (opens) {
    if (!ts::WaitFor([&] { return UrlCount() > before; }, 20000)) Fail("nothing opened: " + what);
  } else {
    Sleep(1500);
    if (UrlCount() != before) Fail("something opened: " + what);
  }
  Say("click " + what + (opens ? " (opens)" : " (opens nothing)"));
}

// Clicks the middle of the visible part of card k at the given scroll offset.
void ClickCard(int k, int scroll, bool opens, const std::string& what) {
  const int top = 276 + 114 * k - scroll;
  const int lo = top > 262 ? top : 262;
  const int hi = top + 103 < 432 ? top + 103 : 432;
  if (lo > hi) {
    Fail("card " + std::to_string(k) + " is not visible at scroll " + std::to_string(scroll));
    return;
  }
  Click(560, (lo + hi) / 2, opens, what);
}

bool PngEncoder(CLSID* clsid) {
  UINT count = 0, size = 0;
  GetImageEncodersSize(&count, &size);
  if (size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
  GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

void Shot(const std::wstring& dir, const wchar_t* name) {
  RedrawWindow(g_window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(400);
  RECT rc{};
  GetClientRect(g_window, &rc);
  HDC window = GetDC(g_window);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, rc.right, rc.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, rc.right, rc.bottom, window, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  {
    Bitmap image(bitmap, nullptr);
    CLSID png{};
    const std::wstring path = dir + L"\\" + name;
    if (!PngEncoder(&png) || image.Save(path.c_str(), &png, nullptr) != Ok) {
      Fail("cannot save " + ts::Narrow(path));
    } else {
      Say("screenshot " + ts::Narrow(name));
    }
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(g_window, window);
}

size_t CountInFile(const std::wstring& path, const std::string& needle) {
  const std::string text = ts::ReadBytesOr(path);
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

std::wstring PlayText() {
  wchar_t text[64] = {};
  GetWindowTextW(GetDlgItem(g_window, 1003), text, 63);
  return text;
}

void LoadedScenario(const std::wstring& shots, const std::wstring& serverLog,
                    const std::wstring& gate, int entries, int pictures) {
  // The feed request hangs until the gate opens: the panel loads, the update goes on.
  if (!ts::WaitFor([&] { return CountInFile(serverLog, "/updates-feed.json") > 0; }, 20000)) {
    Fail("the launcher never asked for the feed");
  }
  if (!ts::WaitFor([&] { return PlayText() == L"Tentar novamente"; }, 40000)) {
    Fail("the update did not finish while the feed hung (play says " + ts::Narrow(PlayText()) +
         ")");
  }
  if (!Send(WM_NULL, 0, 0)) Fail("the window does not answer while the feed hangs");
  Shot(shots, L"news-loading.png");
  Click(560, 340, false, "on the loading line");

  ts::WriteBytes(gate, "open");
  if (!ts::WaitFor([&] { return CountInFile(serverLog, ".jpg") >= size_t(pictures); }, 30000)) {
    Fail("the pictures were not all requested");
  }
  Sleep(1500);
  Send(WM_MOUSEMOVE, 0, ClientPoint(600, 320));  // hover the first card
  Shot(shots, L"news-loaded-top.png");

  const int maxScroll = 114 * entries - 152;
  Click(560, 300, true, "first card at scroll 0");
  Wheel(-120, 560, 350);  // one notch down: 48 units
  Click(560, 331, true, "first card's last row at scroll 48");
  Click(560, 336, false, "gap at scroll 48");
  Click(560, 342, true, "second card's first row at scroll 48");
  Wheel(120, 560, 350);   // back to 0
  Wheel(-60, 560, 350);   // half a notch: 24
  Wheel(-1, 560, 350);    // too small to move
  Click(560, 355, true, "first card's last row at scroll 24");
  Click(560, 366, true, "second card's first row at scroll 24");
  Wheel(-120, 560, 600, 3);  // outside the panel: no scrolling
  Click(560, 355, true, "first card's last row, still at scroll 24");
  Wheel(-120, 560, 350, 6);  // 312: the fourth card (long title) whole
  Send(WM_MOUSEMOVE, 0, ClientPoint(560, 600));
  Shot(shots, L"news-long-title.png");
  Wheel(-120, 560, 350, 3);  // 456: the fifth card (long summary) at the top
  Send(WM_MOUSEMOVE, 0, ClientPoint(560, 600));
  Shot(shots, L"news-long-summary.png");

  Wheel(-120, 560, 350, 60);  // far past the end: stops at the last card
  Send(WM_MOUSEMOVE, 0, ClientPoint(560, 600));
  Shot(shots, L"news-loaded-end.png");
  ClickCard(entries - 1, maxScroll, true, "last card at the end");
  ClickCard(entries - 2, maxScroll, false, "javascript: link");
  Wheel(120, 560, 350, 2);
  ClickCard(entries - 3, maxScroll - 96, false, "file: link");
  Wheel(120, 560, 350, 2);
  ClickCard(entries - 4, maxScroll - 192, false, "link to another site");
}

void FailedScenario(const std::wstring& shots, const std::wstring& serverLog) {
  if (!ts::WaitFor([&] { return CountInFile(serverLog, "/updates-feed.json") > 0; }, 20000)) {
    Fail("the launcher never asked for the feed");
  }
  Sleep(2000);
  Send(WM_MOUSEMOVE, 0, ClientPoint(560, 347));
  Shot(shots, L"news-failed.png");
  Click(560, 240, false, "above the panel");
  Click(560, 400, true, "on the failed panel");
  Wheel(-120, 560, 350, 2);
  Click(940, 300, false, "just right of the panel");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 10) {
    std::fprintf(stderr, "usage: news_window_driver ok|failed EXE WORKDIR SHOTS SERVER_LOG "
                         "GATE URL_LOG ENTRIES PICTURES\n");
    return 2;
  }
  const std::wstring mode = argv[1];
  g_urlLog = argv[7];
  GdiplusStartupInput input;
  ULONG_PTR token = 0;
  GdiplusStartup(&token, &input, nullptr);

  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + std::wstring(argv[2]) + L"\"";
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, argv[3], &si, &pi)) {
    std::printf("FAIL cannot start the launcher (%lu)\n", GetLastError());
    return 1;
  }
  g_window = ts::FindProcessWindow(pi.dwProcessId, L"TalvoreLauncherWindow", 30000);
  if (!g_window) {
    std::printf("FAIL no launcher window appeared\n");
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  ts::WaitFor([&] { return IsWindowVisible(g_window) != FALSE; }, 10000);
  RECT rc{};
  GetClientRect(g_window, &rc);
  g_scale = static_cast<float>(rc.right) / 1120.0f;
  g_scale = static_cast<float>(static_cast<int>(g_scale * 10 + 0.5f)) / 10.0f;
  Say("client " + std::to_string(rc.right) + "x" + std::to_string(rc.bottom));

  if (mode == L"ok") {
    LoadedScenario(argv[4], argv[5], argv[6], _wtoi(argv[8]), _wtoi(argv[9]));
  } else {
    FailedScenario(argv[4], argv[5]);
  }

  PostMessageW(g_window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 1);
    Fail("the launcher did not close");
  }
  Say(g_failures ? "done with failures" : "done");
  return g_failures ? 1 : 0;
}
