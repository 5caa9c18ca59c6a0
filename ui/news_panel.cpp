#include "ui/news_panel.h"

std::vector<NewsItem> g_newsItems;
int g_newsState = 0;
std::mutex g_newsMutex;

// To be filled in with the news feed: nothing is fetched yet, the panel stays in "loading".
void FetchNewsThread(HWND) {}

// To be filled in with the news panel.
void PaintNewsPanel(Gdiplus::Graphics&) {}
int NewsHitTest(int, int) { return -1; }
int NewsMaxScroll() { return 0; }
