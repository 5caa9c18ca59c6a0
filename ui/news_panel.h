// The news list painted inside the main window, and the feed state it shows.
// Placeholder until the news feed and panel are written: the calls are wired into the main
// window already, the bodies below draw nothing and hit nothing.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <mutex>
#include <string>
#include <vector>

struct NewsItem {
  std::wstring date;
  std::wstring title;
  std::wstring summary;
  std::wstring url;
  Gdiplus::Bitmap* thumbnail = nullptr;
};

// Guarded by g_newsMutex. State: 0 loading, 1 loaded, 2 ended without entries.
extern std::vector<NewsItem> g_newsItems;
extern int g_newsState;
extern std::mutex g_newsMutex;

// Thread body of the feed download; posts WM_NEWS_LOADED to the window when done.
void FetchNewsThread(HWND window);

void PaintNewsPanel(Gdiplus::Graphics& g);  // design transform set
int NewsHitTest(int x, int y);              // card index under a design point, or -1
int NewsMaxScroll();
