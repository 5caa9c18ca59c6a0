#include "ui/main_window.h"

#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "core/app_messages.h"
#include "core/detached_thread.h"
#include "core/globals.h"
#include "core/handles.h"
#include "game/game_launch.h"
#include "ui/buttons.h"
#include "ui/drawing_kit.h"
#include "ui/layout.h"
#include "ui/news_feed.h"
#include "ui/news_panel.h"
#include "ui/settings_window.h"
#include "updater/records.h"
#include "updater/update_worker.h"

using namespace Gdiplus;

std::wstring g_statusText = L"Iniciando...";
int g_totalPercent = 0;
int g_filePercent = 0;
HWND g_playButton = nullptr;
HWND g_signupLink = nullptr;
bool g_mouseTracked = false;
int g_newsHover = -1;
int g_newsScroll = 0;
bool g_settingsClassRegistered = false;
int g_settingsWidth = 0;
int g_settingsHeight = 0;
float g_settingsPanelX = 0;
float g_settingsPanelY = 0;

namespace {

HWND g_linkButtons[6] = {};  // the row of image buttons, in creation order

constexpr wchar_t kStatusFont[] = L"Segoe UI";
constexpr wchar_t kUpdateStartFailed[] = L"falha ao iniciar a atualizacao";

void InvalidateNewsPanel() {
  InvalidateDesignRect(kNewsPanelBox.left, kNewsPanelBox.top, kNewsPanelBox.right,
                       kNewsPanelBox.bottom);
}

// Client pixels to design units.
POINT ToDesign(int x, int y) {
  return POINT{PixelToDesign(x, g_uiScale), PixelToDesign(y, g_uiScale)};
}

POINT DesignPointFromLParam(LPARAM lParam) {
  return ToDesign(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
}

bool NewsStateIsEmpty() {
  std::lock_guard<std::mutex> lock(g_newsMutex);
  return g_newsState == 2;
}

LRESULT OnCreate(HWND hwnd) {
  g_hwndMain = hwnd;  // the worker posts here, so it must be known before it starts
  int row = 0;
  for (const ControlSpec& c : kControls) {
    HWND button = CreateOwnerDrawButton(hwnd, c.box.left, c.box.top, c.box.right, c.box.bottom,
                                        c.text, c.id);
    if (c.id == ID_PLAY) {
      g_playButton = button;
    } else if (c.id == ID_SIGNUP) {
      g_signupLink = button;
    } else {
      g_linkButtons[row++] = button;
    }
  }
  EnableWindow(g_playButton, FALSE);
  // Without the thread the panel keeps showing its loading line.
  StartDetachedThread([hwnd] { FetchNewsThread(hwnd); });
  SetTimer(hwnd, ID_TIMER_LIGHTS, kLightsTimerMs, OnLightsTimer);
  StartUpdate();
  return 0;
}

void PaintStatusLine(Graphics& g) {
  FontFamily family(kStatusFont);
  Font font(&family, 13, FontStyleRegular, UnitPixel);
  if (font.GetLastStatus() != Ok) return;
  StringFormat format;
  format.SetAlignment(StringAlignmentNear);
  format.SetLineAlignment(StringAlignmentCenter);
  format.SetTrimming(StringTrimmingEllipsisCharacter);
  format.SetFormatFlags(StringFormatFlagsNoWrap);
  SolidBrush brush(Color(0xFFE8DCC4));
  g.DrawString(g_statusText.c_str(), static_cast<INT>(g_statusText.size()), &font,
               RectF(180, 504, 520, 20), &format, &brush);
}

LRESULT OnPaint(HWND hwnd) {
  handles::PaintScope paint(hwnd);
  const RECT& area = paint.paint().rcPaint;
  const int w = std::max(1, static_cast<int>(area.right - area.left));
  const int h = std::max(1, static_cast<int>(area.bottom - area.top));
  handles::UniqueMemoryDc memory = handles::MakeMemoryDc(paint.dc());
  // A top-down 32-bit DIB that GDI+ draws into as a bitmap: drawing into memory directly is
  // much cheaper than drawing through a device context.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  handles::UniqueGdiObject bitmap(
      CreateDIBSection(paint.dc(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !bitmap || !bits) return 0;
  HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
  {
    // The 1:1 copy of the static layers goes in before GDI+ touches the buffer.
    const bool copied = BlitWindowBackground(memory.get(), 0, 0, w, h, area.left, area.top);
    GdiFlush();
    Bitmap canvas(w, h, w * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
    Graphics g(&canvas);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    g.SetTextRenderingHint(TextRenderingHintAntiAliasGridFit);
    g.TranslateTransform(static_cast<REAL>(-area.left), static_cast<REAL>(-area.top));
    if (!copied && g_images[ImgBackground]) {
      GraphicsState state = g.Save();
      g.SetInterpolationMode(InterpolationModeNearestNeighbor);
      g.SetPixelOffsetMode(PixelOffsetModeHalf);
      const RectF copy(static_cast<REAL>(area.left - 1), static_cast<REAL>(area.top - 1),
                       static_cast<REAL>(w + 2), static_cast<REAL>(h + 2));
      g.DrawImage(g_images[ImgBackground], copy, copy.X, copy.Y, copy.Width, copy.Height,
                  UnitPixel);
      g.Restore(state);
    } else if (!copied) {
      RECT client;
      GetClientRect(hwnd, &client);
      DrawWindowBackground(g, client.right, client.bottom);
    }
    g.ScaleTransform(g_uiScale, g_uiScale);
    PaintRunningLights(g);
    // Layers outside the update rectangle would be clipped away anyway; skipping them keeps a
    // lights tick cheap. The margin covers shadows and glows drawn past a layer's box.
    constexpr float kMargin = 8;
    if (DesignBoxTouchesPixels(kNewsPanelBox, kMargin, area, g_uiScale)) PaintNewsPanel(g);
    if (DesignBoxTouchesPixels(kStatusLineBox, kMargin, area, g_uiScale)) PaintStatusLine(g);
    if (DesignBoxTouchesPixels(kTotalBarBox, kMargin, area, g_uiScale))
      DrawProgressBar(g, kTotalBarBox.left, kTotalBarBox.top, kTotalBarBox.right,
                      kTotalBarBox.bottom, g_totalPercent, L"Total");
    if (DesignBoxTouchesPixels(kFileBarBox, kMargin, area, g_uiScale))
      DrawProgressBar(g, kFileBarBox.left, kFileBarBox.top, kFileBarBox.right,
                      kFileBarBox.bottom, g_filePercent, L"Arquivo");
  }
  BitBlt(paint.dc(), area.left, area.top, w, h, memory.get(), 0, 0, SRCCOPY);
  SelectObject(memory.get(), old);
  return 0;
}

Image* FaceFor(int id, bool disabled) {
  switch (id) {
    case ID_PLAY:
      if (disabled) return g_images[ImgPlayWait];
      return g_images[g_updateOk ? ImgPlayReady : ImgPlayRetry];
    case ID_FACEBOOK:
      return g_images[ImgFacebook];
    case ID_WHATSAPP:
      return g_images[ImgWhatsApp];
    case ID_DISCORD:
      return g_images[ImgDiscord];
    case ID_SITE:
      return g_images[ImgSite];
    case ID_UPDATES:
      return g_images[ImgUpdates];
    case ID_SETTINGS:
      return g_images[ImgSettings];
    default:
      return nullptr;
  }
}

LRESULT OnDrawItem(const DRAWITEMSTRUCT* item) {
  wchar_t text[64] = {};
  GetWindowTextW(item->hwndItem, text, 64);
  const bool pressed = (item->itemState & ODS_SELECTED) != 0;
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  const int id = static_cast<int>(item->CtlID);
  if (id == ID_SIGNUP) {
    DrawLinkButton(item->hDC, item->hwndItem, item->rcItem, text, pressed);
  } else {
    DrawImageButton(item->hDC, item->hwndItem, item->rcItem, FaceFor(id, disabled),
                    id == ID_PLAY, disabled, pressed);
  }
  return TRUE;
}

LRESULT OnCommand(WPARAM wParam) {
  const int id = LOWORD(wParam);
  switch (id) {
    case ID_PLAY:
      if (g_updateOk) {
        LaunchGameClient();
      } else {
        StartUpdate();
      }
      break;
    case ID_SETTINGS:
      OpenSettingsWindow();
      break;
    case ID_FACEBOOK:
    case ID_WHATSAPP:
    case ID_DISCORD:
    case ID_SIGNUP:
    case ID_SITE:
    case ID_UPDATES:
      OpenUrl(LinkTargetFor(id));
      break;
    default:
      break;
  }
  return 0;
}

LRESULT OnUpdateProgress(HWND hwnd, LPARAM lParam) {
  std::unique_ptr<updater::Progress> report(reinterpret_cast<updater::Progress*>(lParam));
  if (!report) return 0;
  ProgressView view{g_statusText, g_totalPercent, g_filePercent};
  if (ApplyProgressReport(*report, &view)) {
    g_totalPercent = view.totalPercent;
    g_filePercent = view.filePercent;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  SetStatusText(view.status);
  return 0;
}

LRESULT OnUpdateDone(HWND hwnd) {
  g_updateRunning = false;
  const wchar_t* playText;
  if (g_updateOk) {
    g_totalPercent = g_filePercent = 100;
    InvalidateRect(hwnd, nullptr, FALSE);
    SetStatusText(L"Pronto para jogar.");
    playText = L"Jogar";
  } else {
    SetStatusText(L"Erro: " + g_updateMessage);
    playText = L"Tentar novamente";
  }
  SetWindowTextW(g_playButton, playText);
  EnableWindow(g_playButton, TRUE);
  InvalidateRect(g_playButton, nullptr, TRUE);
  return 0;
}

LRESULT OnNewsLoaded() {
  g_newsScroll = std::min(g_newsScroll, NewsMaxScroll());
  InvalidateNewsPanel();
  return 0;
}

LRESULT OnMouseMove(HWND hwnd, LPARAM lParam) {
  if (!g_mouseTracked) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
    g_mouseTracked = true;
  }
  const POINT p = DesignPointFromLParam(lParam);
  const int hit = NewsHitTest(p.x, p.y);
  if (hit != g_newsHover) {
    g_newsHover = hit;
    InvalidateNewsPanel();
  }
  return 0;
}

LRESULT OnMouseLeave() {
  g_mouseTracked = false;
  if (g_newsHover != -1) {
    g_newsHover = -1;
    InvalidateNewsPanel();
  }
  return 0;
}

LRESULT OnLButtonUp(LPARAM lParam) {
  const POINT p = DesignPointFromLParam(lParam);
  const int hit = NewsHitTest(p.x, p.y);
  std::wstring link;
  bool fromFeed = false;
  {
    std::lock_guard<std::mutex> lock(g_newsMutex);
    if (hit >= 0 && static_cast<size_t>(hit) < g_newsItems.size()) {
      link = g_newsItems[static_cast<size_t>(hit)].url;
      fromFeed = true;
    } else if (g_newsState == 2 && DesignBoxContains(kNewsPanelBox, p.x, p.y)) {
      link = UpdatesPageUrl();
    }
  }
  // The feed is unsigned and may have come over plain HTTP.
  if (fromFeed) link = SiteLinkToOpen(link);
  if (!link.empty()) OpenUrl(link);
  return 0;
}

LRESULT OnMouseWheel(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ScreenToClient(hwnd, &screen);
  const POINT p = ToDesign(screen.x, screen.y);
  if (!DesignBoxContains(kNewsPanelBox, p.x, p.y))
    return DefWindowProcW(hwnd, WM_MOUSEWHEEL, wParam, lParam);
  g_newsScroll =
      ScrolledNewsOffset(g_newsScroll, static_cast<short>(HIWORD(wParam)), NewsMaxScroll());
  g_newsHover = NewsHitTest(p.x, p.y);
  InvalidateNewsPanel();
  return 0;
}

LRESULT OnSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  bool hand = g_signupLink && reinterpret_cast<HWND>(wParam) == g_signupLink;
  if (!hand && LOWORD(lParam) == HTCLIENT) {
    POINT cursor{};
    if (GetCursorPos(&cursor) && ScreenToClient(hwnd, &cursor)) {
      const POINT p = ToDesign(cursor.x, cursor.y);
      hand = NewsHitTest(p.x, p.y) >= 0 ||
             (NewsStateIsEmpty() && DesignBoxContains(kNewsPanelBox, p.x, p.y));
    }
  }
  if (!hand) return DefWindowProcW(hwnd, WM_SETCURSOR, wParam, lParam);
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return TRUE;
}

// Windows clamps a new window to the screen's tracking limit; at scale 1.0 on a small work area
// the launcher keeps its full design size and extends beyond the screen instead.
LRESULT OnGetMinMaxInfo(LPARAM lParam) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  RECT outer{0, 0, DesignToPixel(1120.0f, g_uiScale), DesignToPixel(680.0f, g_uiScale)};
  AdjustWindowRect(&outer, WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
  info->ptMaxTrackSize.x = std::max<LONG>(info->ptMaxTrackSize.x, outer.right - outer.left);
  info->ptMaxTrackSize.y = std::max<LONG>(info->ptMaxTrackSize.y, outer.bottom - outer.top);
  return 0;
}

LRESULT OnClose(HWND hwnd) {
  if (CountRunningClients() > 0 &&
      MessageBoxW(hwnd, kCloseQuestion, kMainWindowTitle,
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    return 0;
  }
  return DefWindowProcW(hwnd, WM_CLOSE, 0, 0);
}

}  // namespace

void SetStatusText(const std::wstring& text) {
  if (&text != &g_statusText) g_statusText = text;
  if (g_hwndMain) {
    InvalidateDesignRect(kStatusLineBox.left, kStatusLineBox.top, kStatusLineBox.right,
                         kStatusLineBox.bottom);
  }
}

void StartUpdate() {
  if (g_updateRunning) return;
  g_updateRunning = true;
  EnableWindow(g_playButton, FALSE);
  SetWindowTextW(g_playButton, L"Aguarde...");
  InvalidateRect(g_playButton, nullptr, TRUE);
  g_totalPercent = 0;
  g_filePercent = 0;
  InvalidateRect(g_hwndMain, nullptr, FALSE);
  if (!StartDetachedThread(RunUpdateThread)) {
    // No worker will report: finish as a failed update so "Tentar novamente" is offered.
    g_updateOk = false;
    g_updateMessage = kUpdateStartFailed;
    PostMessageW(g_hwndMain, WM_UPDATE_DONE, 0, 0);
  }
}

void OpenUrl(const std::wstring& url) {
  ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OpenSettingsWindow() {
  HINSTANCE instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(g_hwndMain, GWLP_HINSTANCE));
  if (!g_settingsClassRegistered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = SettingsWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(101));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kSettingsWindowClass;
    RegisterClassW(&wc);
    g_settingsClassRegistered = true;
  }
  RECT client;
  GetClientRect(g_hwndMain, &client);
  POINT origin{0, 0};
  ClientToScreen(g_hwndMain, &origin);
  g_settingsWidth = client.right - client.left;
  g_settingsHeight = client.bottom - client.top;
  Bitmap* panel = g_images[ImgSettingsPanel];
  const int panelWidth = SettingsPanelWidth(panel ? static_cast<int>(panel->GetWidth()) : 0);
  SettingsPanelOrigin(g_uiScale, panelWidth, &g_settingsPanelX, &g_settingsPanelY);
  EnableWindow(g_hwndMain, FALSE);  // the settings window enables it again when it closes
  HWND settings = CreateWindowExW(WS_EX_LAYERED, kSettingsWindowClass, kSettingsWindowTitle,
                                  WS_POPUP, origin.x, origin.y, g_settingsWidth, g_settingsHeight,
                                  g_hwndMain, nullptr, instance, nullptr);
  if (!settings) {
    // Without the overlay nothing would ever enable the launcher again.
    EnableWindow(g_hwndMain, TRUE);
    return;
  }
  ShowWindow(settings, SW_SHOW);
  SetFocus(settings);
}

void RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(101));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = g_bgBrush;
  wc.lpszClassName = kMainWindowClass;
  RegisterClassExW(&wc);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate(hwnd);
    case WM_PAINT:
      return OnPaint(hwnd);
    case WM_ERASEBKGND:
      return 1;
    case WM_DRAWITEM:
      return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_COMMAND:
      return OnCommand(wParam);
    case WM_UPDATE_PROGRESS:
      return OnUpdateProgress(hwnd, lParam);
    case WM_UPDATE_DONE:
      return OnUpdateDone(hwnd);
    case WM_NEWS_LOADED:
      return OnNewsLoaded();
    case WM_MOUSEMOVE:
      return OnMouseMove(hwnd, lParam);
    case WM_MOUSELEAVE:
      return OnMouseLeave();
    case WM_LBUTTONUP:
      return OnLButtonUp(lParam);
    case WM_MOUSEWHEEL:
      return OnMouseWheel(hwnd, wParam, lParam);
    case WM_SETCURSOR:
      return OnSetCursor(hwnd, wParam, lParam);
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0xF0, 0xDB, 0xE7));
      return reinterpret_cast<LRESULT>(g_bgBrush);
    }
    case WM_GETMINMAXINFO:
      return OnGetMinMaxInfo(lParam);
    case WM_CLOSE:
      return OnClose(hwnd);
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}
