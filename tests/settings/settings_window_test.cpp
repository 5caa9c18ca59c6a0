// The settings window itself, created over a stand-in main window and driven with mouse and
// key messages at points computed from the panel layout; the files it writes are compared
// byte for byte.
#include <gtest/gtest.h>
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <string>

#include "core/app_messages.h"
#include "core/globals.h"
#include "game/display_modes.h"
#include "tests/support/test_support.h"
#include "ui/drawing_kit.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/settings_window.h"
#include "updater/records.h"
#include "updater/update_worker.h"

namespace ts = testing_support;

namespace {

constexpr char kCfg[] =
    "# Kaldrun client\r\n"
    "WIDTH 1280\r\n"
    "HEIGHT 720\r\n"
    "BPP 16\r\n"
    "FREQUENCY 75\r\n"
    "MUSIC_VOLUME 0.754\r\n"
    "VOICE_VOLUME 40\r\n"
    "GAMMA 7\r\n"
    "WINDOWED 0\r\n"
    "SHADOW_LEVEL 2\r\n"
    "CHAT_FONT 3\r\n";

std::string Ini(int mode) {
  return "[Graficos]\r\nModo=" + std::to_string(mode) + "\r\nLauncherV15=1\r\n";
}

bool g_updateDoneSeen = false;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_UPDATE_PROGRESS:
      delete reinterpret_cast<updater::Progress*>(lParam);
      return 0;
    case WM_UPDATE_DONE:
      g_updateRunning = false;
      g_updateDoneSeen = true;
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class Host : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    LoadEmbeddedFont(instance);
    LoadEmbeddedImages(instance);
    g_uiScale = 1.0f;
    // Nothing listens there: a started update fails at once.
    g_baseUrl = L"http://" + ts::TestHost() + L":9/launcher";

    WNDCLASSEXW host{};
    host.cbSize = sizeof(host);
    host.lpfnWndProc = HostProc;
    host.hInstance = instance;
    host.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    host.lpszClassName = L"SettingsTestHost";
    RegisterClassExW(&host);
    g_hwndMain = CreateWindowExW(0, L"SettingsTestHost", L"host", WS_POPUP | WS_VISIBLE, 20, 20,
                                 1120, 680, nullptr, nullptr, instance, nullptr);
    Pump();
  }
  void TearDown() override {
    DestroyWindow(g_hwndMain);
    Gdiplus::GdiplusShutdown(token_);
  }

 private:
  ULONG_PTR token_ = 0;
};

const auto* const kHost = ::testing::AddGlobalTestEnvironment(new Host);

class SettingsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ts::FreshDir(ts::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    g_appDir = dir_;
    cfg_ = dir_ + L"\\kaldrun.cfg";
    ini_ = dir_ + L"\\talvore_graficos.ini";
    g_updateRunning = false;
    g_updateDoneSeen = false;
  }
  void TearDown() override {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    SetFileAttributesW(cfg_.c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  void Open() {
    OpenSettingsWindow();
    hwnd_ = FindWindowW(kSettingsWindowClass, nullptr);
    ASSERT_NE(nullptr, hwnd_);
    EXPECT_EQ(g_hwndMain, GetWindow(hwnd_, GW_OWNER));
    RECT box{}, client{};
    GetWindowRect(hwnd_, &box);
    GetClientRect(g_hwndMain, &client);
    EXPECT_EQ(client.right, box.right - box.left);
    EXPECT_EQ(client.bottom, box.bottom - box.top);
    EXPECT_EQ(243.0f, g_settingsPanelX);
    EXPECT_EQ(230.0f, g_settingsPanelY);
    Pump();
  }

  // A client pixel whose panel point is exactly (x, y).
  static POINT PixelOf(int x, int y) {
    const float k = 0.88f * g_uiScale;
    POINT p{static_cast<LONG>(g_settingsPanelX + static_cast<float>(x) * k) - 1,
            static_cast<LONG>(g_settingsPanelY + static_cast<float>(y) * k) - 1};
    for (int i = 0; i < 4 && ClientToPanel(p.x, 0, g_settingsPanelX, 0, g_uiScale).x < x; ++i)
      ++p.x;
    for (int i = 0; i < 4 && ClientToPanel(0, p.y, 0, g_settingsPanelY, g_uiScale).y < y; ++i)
      ++p.y;
    return p;
  }
  static LPARAM At(int x, int y) {
    const POINT p = PixelOf(x, y);
    return MAKELPARAM(p.x, p.y);
  }
  void Move(int x, int y) { SendMessageW(hwnd_, WM_MOUSEMOVE, 0, At(x, y)); }
  void Down(int x, int y) { SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y)); }
  void Up(int x, int y) { SendMessageW(hwnd_, WM_LBUTTONUP, 0, At(x, y)); }
  void Click(int x, int y) {
    Move(x, y);
    Down(x, y);
    Up(x, y);
  }
  void Key(WPARAM vk) { SendMessageW(hwnd_, WM_KEYDOWN, vk, 0); }

  static POINT Centre(const PanelRect& r) {
    return {static_cast<LONG>(r.x + r.width / 2), static_cast<LONG>(r.y + r.height / 2)};
  }
  void ClickButton(int n) {
    const POINT c = n == 3 ? POINT{SettingsPanelWidthNow() - 87, 59} : Centre(SettingsButtonRect(n));
    Click(c.x, c.y);
  }
  void ClickRow(int list, int row) {
    const POINT c = Centre(
        DropdownCell(DropdownLayoutFor(list, static_cast<int>(g_displayModes.size())), row));
    Move(c.x, c.y);
    EXPECT_EQ(row, g_settings.hoverRow);
    Down(c.x, c.y);
    Up(c.x, c.y);
  }
  void OpenList(int list) {
    Click(200, list == 1 ? 145 : 205);
    ASSERT_EQ(list, g_settings.openDropdown);
  }

  void WaitForUpdateEnd() {
    ASSERT_TRUE(ts::WaitFor(
        [] {
          Pump();
          return g_updateDoneSeen;
        },
        30000));
  }

  std::string Read(const std::wstring& path) { return ts::ReadBytesOr(path, "<missing>"); }

  std::wstring dir_, cfg_, ini_;
  HWND hwnd_ = nullptr;
};

std::string ModeLines(const DisplayMode& m) {
  return "WIDTH " + std::to_string(m.width) + "\r\nHEIGHT " + std::to_string(m.height) + "\r\n";
}

TEST_F(SettingsWindow, OpensWithTheFilesValuesAndDisablesTheMainWindow) {
  ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(4)));
  Open();
  EXPECT_FALSE(IsWindowEnabled(g_hwndMain));
  EXPECT_EQ(75, g_settings.sliderValues[0]);  // 0.754
  EXPECT_EQ(40, g_settings.sliderValues[1]);
  EXPECT_EQ(7, g_settings.sliderValues[2]);
  EXPECT_FALSE(g_settings.windowed);
  EXPECT_EQ(4, g_settings.presetMode);
  ASSERT_FALSE(g_displayModes.empty());
  const int last = static_cast<int>(g_displayModes.size()) - 1;
  EXPECT_TRUE(g_settings.modeIndex >= 0 && g_settings.modeIndex <= last);
  ClickButton(3);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_TRUE(IsWindowEnabled(g_hwndMain));
  EXPECT_EQ(kCfg, Read(cfg_));
  EXPECT_EQ(Ini(4), Read(ini_));
}

TEST_F(SettingsWindow, SaveWritesEveryChoiceAndStartsAnUpdateForANewPreset) {
  ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(0)));
  Open();
  const int row = g_settings.modeIndex == 0 ? static_cast<int>(g_displayModes.size()) - 1 : 0;
  OpenList(1);
  ClickRow(1, row);
  EXPECT_EQ(0, g_settings.openDropdown);
  EXPECT_EQ(row, g_settings.modeIndex);
  OpenList(2);
  ClickRow(2, 2);  // "Alto"
  EXPECT_EQ(2, g_settings.presetMode);

  // Effects: pressed at the left end, dragged past the right end and back to the middle.
  Down(392, 204);
  EXPECT_EQ(1, g_settings.dragSlider);
  EXPECT_EQ(0, g_settings.sliderValues[1]);
  Move(700, 400);  // y does not matter while dragging
  EXPECT_EQ(100, g_settings.sliderValues[1]);
  Move(511, 204);
  Up(511, 204);
  EXPECT_EQ(-1, g_settings.dragSlider);
  EXPECT_EQ(50, g_settings.sliderValues[1]);
  Click(404, 264);  // brightness one step from the left end
  EXPECT_EQ(1, g_settings.sliderValues[2]);
  Click(403, 264);
  EXPECT_EQ(0, g_settings.sliderValues[2]);
  Click(404, 264);
  Click(90, 278);  // windowed
  EXPECT_TRUE(g_settings.windowed);

  // Changed behind the window's back: kept, because the file is read again on saving.
  std::string changed = kCfg;
  changed.replace(changed.find("BPP 16"), 6, "BPP 24");
  ASSERT_TRUE(ts::WriteBytes(cfg_, changed));

  const DisplayMode chosen = g_displayModes[row];
  ClickButton(1);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_TRUE(IsWindowEnabled(g_hwndMain));
  EXPECT_TRUE(g_updateRunning);
  WaitForUpdateEnd();
  EXPECT_EQ("# Kaldrun client\r\n" + ModeLines(chosen) +
                "BPP 24\r\nFREQUENCY 75\r\nMUSIC_VOLUME 0.750\r\nVOICE_VOLUME 50\r\nGAMMA 1\r\n"
                "WINDOWED 1\r\nSHADOW_LEVEL 4\r\nCHAT_FONT 3\r\n",
            Read(cfg_));
  EXPECT_EQ(
      "[Graficos]\r\nModo=2\r\nLauncherV15=1\r\nTexturasHD=1\r\nCeuHD=1\r\nHorizonte=0\r\n"
      "[Terrain]\r\nAnisotropy=16\r\nMipBiasTenths=-10\r\nAntiAliasing=4\r\n"
      "[PostLights]\r\nEnabled=1\r\n"
      "[DX11]\r\nLuzPorPixel=1\r\nLuzEmTudo=1\r\nSombraPostes=1\r\nRaiosSol=1\r\nAguaNova=1\r\n"
      "ChaoMolhado=1\r\nReflexoPocas=1\r\nRespingos=1\r\n",
      Read(ini_));
}

TEST_F(SettingsWindow, UnchangedPresetWritesNoOptionsAndStartsNothing) {
  // Mode 3 (adjusted in the game) untouched, a preset chosen and then the original again,
  // and an out-of-range mode shown as 0: the options file stays as it was each time.
  struct Case {
    std::string ini;
    int shown;
    int detourRow;  // -1: the preset list is not touched
    int backRow;
  };
  const Case cases[] = {{Ini(3), 3, -1, -1},
                        {Ini(1), 1, 2, 1},
                        {"[Graficos]\r\nModo=7\r\nLauncherV15=1\r\nX=1\r\n", 0, -1, -1}};
  for (const Case& c : cases) {
    ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
    ASSERT_TRUE(ts::WriteBytes(ini_, c.ini));
    Open();
    EXPECT_EQ(c.shown, g_settings.presetMode) << c.ini;
    if (c.detourRow >= 0) {
      OpenList(2);
      ClickRow(2, c.detourRow);
      OpenList(2);
      ClickRow(2, c.backRow);
    }
    Click(630, 144);  // music to 100
    ClickButton(1);
    EXPECT_FALSE(IsWindow(hwnd_)) << c.ini;
    EXPECT_FALSE(g_updateRunning) << c.ini;
    EXPECT_EQ(c.ini, Read(ini_));
    std::string want = kCfg;
    want.replace(want.find("0.754"), 5, "1.000");
    const DisplayMode& m = g_displayModes[g_settings.modeIndex];
    want.replace(want.find("WIDTH"), std::string("WIDTH 1280\r\nHEIGHT 720\r\n").size(),
                 ModeLines(m));
    EXPECT_EQ(want, Read(cfg_)) << c.ini;
  }
}

TEST_F(SettingsWindow, PressOnSalvarReleasedElsewhereDoesNothing) {
  ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(0)));
  Open();
  const POINT save = Centre(SettingsButtonRect(1));
  Move(save.x, save.y);
  EXPECT_EQ(1, g_settings.hoverButton);
  Down(save.x, save.y);
  EXPECT_EQ(1, g_settings.pressedButton);
  Move(500, 60);
  Up(500, 60);
  EXPECT_EQ(0, g_settings.pressedButton);
  EXPECT_TRUE(IsWindow(hwnd_));
  // Pressed on empty panel and released on Salvar: no press was taken, nothing happens.
  Down(500, 60);
  Up(save.x, save.y);
  EXPECT_TRUE(IsWindow(hwnd_));
  SendMessageW(hwnd_, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(0, g_settings.hoverButton);
  EXPECT_EQ(kCfg, Read(cfg_));
  ClickButton(2);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(kCfg, Read(cfg_));
  EXPECT_EQ(Ini(0), Read(ini_));
}

TEST_F(SettingsWindow, ClickOutsideAnOpenListOnlyClosesIt) {
  ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(0)));
  Open();
  const int mode = g_settings.modeIndex;
  OpenList(1);
  Click(500, 144);  // on the music slider
  EXPECT_EQ(0, g_settings.openDropdown);
  EXPECT_EQ(75, g_settings.sliderValues[0]);
  EXPECT_EQ(-1, g_settings.dragSlider);
  EXPECT_EQ(mode, g_settings.modeIndex);
  OpenList(2);
  ClickButton(2);  // Cancelar under no list: only the list closes
  EXPECT_TRUE(IsWindow(hwnd_));
  EXPECT_EQ(0, g_settings.openDropdown);
  EXPECT_EQ(0, g_settings.presetMode);
  OpenList(2);
  Click(340, 250);  // beside the list
  EXPECT_EQ(0, g_settings.openDropdown);
  EXPECT_FALSE(g_settings.windowed);
  EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(SettingsWindow, EscapeClosesTheListThenTheWindowWithoutSaving) {
  ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(0)));
  Open();
  Click(90, 278);
  OpenList(2);
  Key(VK_ESCAPE);
  EXPECT_EQ(0, g_settings.openDropdown);
  EXPECT_TRUE(IsWindow(hwnd_));
  Key(VK_ESCAPE);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_TRUE(IsWindowEnabled(g_hwndMain));
  EXPECT_EQ(kCfg, Read(cfg_));
  EXPECT_EQ(Ini(0), Read(ini_));
}

TEST_F(SettingsWindow, EnterSavesEvenWithAListOpen) {
  ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(0)));
  Open();
  Click(90, 278);
  OpenList(2);
  Move(200, 240);
  EXPECT_EQ(0, g_settings.hoverRow);
  Key(VK_RETURN);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_FALSE(g_updateRunning);
  const std::string cfg = Read(cfg_);
  EXPECT_NE(std::string::npos, cfg.find("\r\nWINDOWED 1\r\n")) << cfg;
  EXPECT_NE(std::string::npos, cfg.find("\r\nSHADOW_LEVEL 2\r\n")) << cfg;
  EXPECT_EQ(Ini(0), Read(ini_));
}

// Answers the first message box owned by `owner` with OK, recording its caption and text.
struct BoxWatcher {
  HWND owner = nullptr;
  std::wstring caption, text;
  HANDLE thread = nullptr;

  static DWORD WINAPI Run(void* self) {
    auto* w = static_cast<BoxWatcher*>(self);
    ts::WaitFor(
        [w] {
          HWND box = nullptr;
          while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
            if (GetWindow(box, GW_OWNER) != w->owner) continue;
            wchar_t buffer[256] = {};
            GetWindowTextW(box, buffer, 256);
            w->caption = buffer;
            buffer[0] = 0;
            GetDlgItemTextW(box, 0xFFFF, buffer, 256);
            w->text = buffer;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
          }
          return false;
        },
        20000);
    return 0;
  }
  void Start() { thread = CreateThread(nullptr, 0, Run, this, 0, nullptr); }
  void Join() {
    WaitForSingleObject(thread, 25000);
    CloseHandle(thread);
  }
};

TEST_F(SettingsWindow, UnwritableConfigurationShowsTheErrorAndKeepsTheWindow) {
  ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(0)));
  // Read-only, and also held open without write sharing: the tests run as root, for whom
  // Wine does not enforce the read-only attribute.
  ASSERT_TRUE(SetFileAttributesW(cfg_.c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE lock = CreateFileW(cfg_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  Open();
  OpenList(2);
  ClickRow(2, 3);  // "Máximo (tudo HD)"
  Click(90, 278);
  BoxWatcher watcher;
  watcher.owner = hwnd_;
  watcher.Start();
  ClickButton(1);
  watcher.Join();
  EXPECT_EQ(kSaveFailedText, watcher.text);
  EXPECT_EQ(L"Talvore Launcher", watcher.caption);
  EXPECT_TRUE(IsWindow(hwnd_));
  EXPECT_FALSE(IsWindowEnabled(g_hwndMain));
  EXPECT_TRUE(g_settings.windowed);
  EXPECT_EQ(4, g_settings.presetMode);
  EXPECT_FALSE(g_updateRunning);
  EXPECT_EQ(kCfg, Read(cfg_));
  EXPECT_EQ(Ini(0), Read(ini_));  // the two files stay in step

  // Once the file is writable again the same window saves.
  CloseHandle(lock);
  SetFileAttributesW(cfg_.c_str(), FILE_ATTRIBUTE_NORMAL);
  Key(VK_RETURN);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_TRUE(g_updateRunning);
  WaitForUpdateEnd();
  EXPECT_NE(std::string::npos, Read(cfg_).find("\r\nSHADOW_LEVEL 5\r\n"));
  EXPECT_NE(std::string::npos, Read(ini_).find("Modo=4\r\n"));
}

TEST_F(SettingsWindow, MissingConfigurationShowsTheDefaults) {
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(2)));
  Open();
  EXPECT_EQ(100, g_settings.sliderValues[0]);
  EXPECT_EQ(100, g_settings.sliderValues[1]);
  EXPECT_EQ(5, g_settings.sliderValues[2]);
  EXPECT_FALSE(g_settings.windowed);
  const DisplayMode wide{1920, 1080};
  for (size_t i = 0; i < g_displayModes.size(); ++i) {
    if (g_displayModes[i] == wide) {
      EXPECT_EQ(static_cast<int>(i), g_settings.modeIndex);
    }
  }
  Key(VK_ESCAPE);
  EXPECT_FALSE(ts::FileExists(cfg_));
}

TEST_F(SettingsWindow, HandCursorOverControlsArrowElsewhere) {
  ASSERT_TRUE(ts::WriteBytes(cfg_, kCfg));
  ASSERT_TRUE(ts::WriteBytes(ini_, Ini(0)));
  Open();
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  auto cursorAt = [&](int x, int y) {
    POINT p = PixelOf(x, y);
    ClientToScreen(hwnd_, &p);
    SetCursorPos(p.x, p.y);
    SetCursor(nullptr);
    SendMessageW(hwnd_, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd_),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  const POINT save = Centre(SettingsButtonRect(1));
  struct Case {
    int x, y;
    bool hand;
  };
  const Case cases[] = {{save.x, save.y, true}, {633, 59, true},  {200, 145, true},
                        {200, 205, true},       {150, 278, true}, {500, 144, true},
                        {500, 60, false},       {200, 110, false}, {10, 10, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.hand ? hand : arrow, cursorAt(c.x, c.y)) << "(" << c.x << ", " << c.y << ")";
  }
  OpenList(2);
  EXPECT_EQ(hand, cursorAt(200, 315));  // a row below the boxes
  EXPECT_EQ(hand, cursorAt(500, 144));
}

}  // namespace
