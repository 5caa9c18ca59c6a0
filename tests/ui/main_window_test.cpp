// The main window in this process: its states, messages, mouse rules and paint, with the
// real update worker running against an address where nothing listens.
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <string>

#include "core/app_messages.h"
#include "core/globals.h"
#include "tests/support/test_support.h"
#include "ui/buttons.h"
#include "ui/drawing_kit.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/news_panel.h"
#include "updater/update_worker.h"

namespace ts = testing_support;

namespace {

HWND g_window = nullptr;
bool g_sawQuit = false;

// Bounded: the lights timer keeps the queue from ever running dry for long.
void Pump() {
  MSG msg;
  const ULONGLONG end = GetTickCount64() + 100;
  while (GetTickCount64() < end && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) g_sawQuit = true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

template <typename Predicate>
bool PumpUntil(Predicate predicate, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!predicate()) {
    if (GetTickCount64() > end) return false;
    Pump();
    Sleep(10);
  }
  Pump();
  return true;
}

std::wstring TextOf(HWND control) {
  wchar_t text[128] = {};
  GetWindowTextW(control, text, 128);
  return text;
}

class WindowEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    LoadEmbeddedFont(instance);
    LoadEmbeddedImages(instance);
    g_uiScale = 1.0f;
    PreRenderBackground();
    g_appDir = ts::FreshDir(L"app");
    // Nothing listens on port 9 of the test host: every update fails fast.
    g_baseUrl = L"http://" + ts::TestHost() + L":9/launcher";
    g_bgBrush = CreateSolidBrush(RGB(0x2B, 0x1A, 0x27));
    RegisterMainWindowClass(instance);
    RECT outer{0, 0, 1120, 680};
    const DWORD style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&outer, style, FALSE);
    g_window = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, style, 0, 0,
                               outer.right - outer.left, outer.bottom - outer.top, nullptr,
                               nullptr, instance, nullptr);
    ShowWindow(g_window, SW_SHOW);
    UpdateWindow(g_window);
  }
  void TearDown() override {
    if (IsWindow(g_window)) DestroyWindow(g_window);
    Gdiplus::GdiplusShutdown(token_);
  }

 private:
  ULONG_PTR token_ = 0;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

// Client pixels as they are on screen now.
COLORREF ClientPixel(int x, int y) {
  HDC dc = GetDC(g_window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(g_window, dc);
  return c;
}
bool IsGold(COLORREF c) {
  return GetRValue(c) > 120 && GetRValue(c) > GetBValue(c) + 50 && GetGValue(c) > GetBValue(c) + 20;
}

}  // namespace

TEST(MainWindow, StartsWaitingThenOffersRetryAfterAFailedUpdate) {
  ASSERT_NE(g_window, nullptr);
  EXPECT_EQ(g_hwndMain, g_window);
  ASSERT_NE(g_playButton, nullptr);
  ASSERT_NE(g_signupLink, nullptr);
  EXPECT_EQ(GetDlgCtrlID(g_playButton), ID_PLAY);
  RECT play;
  GetWindowRect(g_playButton, &play);
  MapWindowPoints(nullptr, g_window, reinterpret_cast<POINT*>(&play), 2);
  EXPECT_EQ(play.left, 722);
  EXPECT_EQ(play.top, 510);
  EXPECT_EQ(play.right - play.left, 216);
  EXPECT_EQ(play.bottom - play.top, 88);
  // Every control of the table exists with its text.
  for (const ControlSpec& c : kControls) {
    HWND control = GetDlgItem(g_window, c.id);
    ASSERT_NE(control, nullptr) << c.id;
    if (c.id != ID_PLAY) {
      EXPECT_EQ(TextOf(control), c.text) << c.id;
    }
  }

  // Nothing has been pumped yet, so the worker's completion cannot have been handled.
  EXPECT_TRUE(g_updateRunning);
  EXPECT_EQ(TextOf(g_playButton), L"Aguarde...");
  EXPECT_FALSE(IsWindowEnabled(g_playButton));
  EXPECT_EQ(g_totalPercent, 0);

  ASSERT_TRUE(PumpUntil([] { return !g_updateRunning; }, 60000));
  EXPECT_FALSE(g_updateOk);
  EXPECT_FALSE(g_updateMessage.empty());
  EXPECT_EQ(g_statusText, L"Erro: " + g_updateMessage);
  EXPECT_EQ(TextOf(g_playButton), L"Tentar novamente");
  EXPECT_TRUE(IsWindowEnabled(g_playButton));
}

TEST(MainWindow, ProgressReportsDriveStatusAndBars) {
  ASSERT_FALSE(g_updateRunning);
  auto post = [](int phase, const wchar_t* text, int index, int count, uint64_t received,
                 uint64_t total) {
    auto* p = new updater::Progress;
    p->phase = phase;
    p->text = text;
    p->fileIndex = index;
    p->fileCount = count;
    p->bytesReceived = received;
    p->bytesTotal = total;
    PostMessageW(g_window, WM_UPDATE_PROGRESS, 0, reinterpret_cast<LPARAM>(p));
    Pump();
  };
  post(3, L"Baixando", 3, 12, 655360, 2097152);
  EXPECT_EQ(g_statusText, L"Baixando arquivo 3/12 (640KB/2048KB)");
  EXPECT_EQ(g_totalPercent, 16);
  EXPECT_EQ(g_filePercent, 31);
  post(4, L"Atualizado.", 12, 12, 0, 0);
  EXPECT_EQ(g_statusText, L"Atualizado.");
  EXPECT_EQ(g_totalPercent, 16);
  PostMessageW(g_window, WM_UPDATE_PROGRESS, 0, 0);  // a null record is ignored
  Pump();

  // A successful completion: full bars, "Jogar" with the ready face.
  g_updateOk = true;
  g_updateRunning = true;
  PostMessageW(g_window, WM_UPDATE_DONE, 0, 0);
  Pump();
  EXPECT_FALSE(g_updateRunning);
  EXPECT_EQ(g_statusText, L"Pronto para jogar.");
  EXPECT_EQ(TextOf(g_playButton), L"Jogar");
  EXPECT_EQ(g_totalPercent, 100);
  EXPECT_EQ(g_filePercent, 100);
  UpdateWindow(g_window);
  Sleep(100);
  Pump();
  // Bars filled to their ends, the status text drawn, the frame corner gold.
  EXPECT_TRUE(IsGold(ClientPixel(690, 541))) << std::hex << ClientPixel(690, 541);
  EXPECT_TRUE(IsGold(ClientPixel(690, 567))) << std::hex << ClientPixel(690, 567);
  int bright = 0;
  for (int x = 180; x < 320; ++x)
    for (int y = 506; y < 522; ++y)
      if (GetRValue(ClientPixel(x, y)) > 180) ++bright;
  EXPECT_GT(bright, 20);
  int goldCorner = 0;
  for (int x = 132; x < 194; x += 3)
    for (int y = 178; y < 226; y += 3)
      if (IsGold(ClientPixel(x, y))) ++goldCorner;
  EXPECT_GT(goldCorner, 20);

  // A failure afterwards keeps the bars; pressing retry resets them and waits again.
  g_updateOk = false;
  g_updateMessage = L"falhou";
  g_updateRunning = true;
  PostMessageW(g_window, WM_UPDATE_DONE, 0, 0);
  Pump();
  EXPECT_EQ(g_statusText, L"Erro: falhou");
  EXPECT_EQ(TextOf(g_playButton), L"Tentar novamente");
  EXPECT_EQ(g_totalPercent, 100);
  SendMessageW(g_window, WM_COMMAND, MAKEWPARAM(ID_PLAY, BN_CLICKED),
               reinterpret_cast<LPARAM>(g_playButton));
  EXPECT_TRUE(g_updateRunning);
  EXPECT_EQ(g_totalPercent, 0);
  EXPECT_EQ(g_filePercent, 0);
  EXPECT_EQ(TextOf(g_playButton), L"Aguarde...");
  EXPECT_FALSE(IsWindowEnabled(g_playButton));
  StartUpdate();  // ignored while one runs
  ASSERT_TRUE(PumpUntil([] { return !g_updateRunning; }, 60000));
  EXPECT_EQ(TextOf(g_playButton), L"Tentar novamente");
  EXPECT_EQ(g_statusText.rfind(L"Erro: ", 0), 0u);
}

TEST(MainWindow, WheelScrollsOnlyOverTheNewsPanel) {
  POINT inside{500, 300}, outside{500, 600};
  ClientToScreen(g_window, &inside);
  ClientToScreen(g_window, &outside);
  g_newsScroll = 30;
  SendMessageW(g_window, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(outside.x, outside.y));
  EXPECT_EQ(g_newsScroll, 30);
  // Over the panel the offset is kept within 0 .. NewsMaxScroll().
  SendMessageW(g_window, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(inside.x, inside.y));
  EXPECT_EQ(g_newsScroll, NewsMaxScroll());
  EXPECT_EQ(g_newsHover, -1);
}

TEST(MainWindow, HandCursorOverTheSignupLinkAndTheEmptyNewsPanel) {
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  auto cursorAt = [&](HWND target, int x, int y) {
    POINT p{x, y};
    ClientToScreen(g_window, &p);
    SetCursorPos(p.x, p.y);
    SetCursor(nullptr);
    const LRESULT r = SendMessageW(g_window, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return r == TRUE && GetCursor() == hand;
  };
  EXPECT_TRUE(cursorAt(g_signupLink, 400, 590));
  EXPECT_FALSE(cursorAt(g_playButton, 800, 550));
  {
    std::lock_guard<std::mutex> lock(g_newsMutex);
    g_newsState = 0;
  }
  EXPECT_FALSE(cursorAt(g_window, 500, 300));
  {
    std::lock_guard<std::mutex> lock(g_newsMutex);
    g_newsState = 2;
  }
  EXPECT_TRUE(cursorAt(g_window, 500, 300));
  EXPECT_FALSE(cursorAt(g_window, 500, 440));  // below the panel (bottom exclusive at 432)
  {
    std::lock_guard<std::mutex> lock(g_newsMutex);
    g_newsState = 0;
  }
}

TEST(MainWindow, HoverMovesFromOneButtonToTheNext) {
  HWND facebook = GetDlgItem(g_window, ID_FACEBOOK);
  HWND whatsapp = GetDlgItem(g_window, ID_WHATSAPP);
  SendMessageW(facebook, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(g_hoveredButton, facebook);
  SendMessageW(whatsapp, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(g_hoveredButton, whatsapp);
  SendMessageW(facebook, WM_MOUSELEAVE, 0, 0);  // a stale leave of the old one changes nothing
  EXPECT_EQ(g_hoveredButton, whatsapp);
  SendMessageW(whatsapp, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(g_hoveredButton, nullptr);
}

TEST(MainWindow, SettingsOverlayCoversTheClientAreaAndDisablesTheWindow) {
  OpenSettingsWindow();
  EXPECT_EQ(g_settingsWidth, 1120);
  EXPECT_EQ(g_settingsHeight, 680);
  EXPECT_FLOAT_EQ(g_settingsPanelX, 243);
  EXPECT_FLOAT_EQ(g_settingsPanelY, 230);
  HWND settings = FindWindowW(kSettingsWindowClass, nullptr);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(GetWindow(settings, GW_OWNER), g_window);
  EXPECT_FALSE(IsWindowEnabled(g_window));
  EXPECT_TRUE(GetWindowLongW(settings, GWL_EXSTYLE) & WS_EX_LAYERED);
  RECT r;
  GetWindowRect(settings, &r);
  POINT origin{0, 0};
  ClientToScreen(g_window, &origin);
  EXPECT_EQ(r.left, origin.x);
  EXPECT_EQ(r.top, origin.y);
  EXPECT_EQ(r.right - r.left, 1120);
  DestroyWindow(settings);
  Pump();
  EXPECT_TRUE(IsWindowEnabled(g_window));
}

TEST(MainWindow, ClosesAtOnceWithoutAGameClient) {
  PostMessageW(g_window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([] { return !IsWindow(g_window); }, 5000));
  EXPECT_TRUE(g_sawQuit);
}
