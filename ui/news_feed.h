// The news feed: downloaded once per run on a thread of its own, parsed, given thumbnails and
// published to the user-interface thread under g_newsMutex. Nothing in the feed is signed, so
// every byte of it is treated as hostile.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/names.h"

struct NewsItem {
  std::wstring date;
  std::wstring title;
  std::wstring summary;
  std::wstring url;
  std::string imageUrl;                   // UTF-8, as written in the feed
  Gdiplus::Bitmap* thumbnail = nullptr;   // 256 x 176 ARGB; owned by the process, never freed
};

// Guarded by g_newsMutex. State: 0 loading, 1 loaded (at least one entry), 2 no entries.
extern std::vector<NewsItem> g_newsItems;
extern int g_newsState;
extern std::mutex g_newsMutex;

inline constexpr int kMaxNewsItems = 20;
inline constexpr int kMaxNewsImages = 12;
inline constexpr int kNewsThumbWidth = 256;
inline constexpr int kNewsThumbHeight = 176;
// Text longer than this could never show in a card; cutting it keeps a hostile feed from making
// every paint of the panel slow. A link longer than kMaxNewsLinkLength is dropped, never cut.
inline constexpr size_t kMaxNewsDateLength = 100;
inline constexpr size_t kMaxNewsTitleLength = 300;
inline constexpr size_t kMaxNewsSummaryLength = 1200;
inline constexpr size_t kMaxNewsLinkLength = 4096;
// Pictures whose decoded size would exceed this many pixels are not drawn (decompression bombs).
inline constexpr long long kMaxNewsPicturePixels = 4096LL * 4096;

inline const std::wstring kFeedUrl = std::wstring(deployment::kSiteUrl) + names::kNewsFeedPath;

// Thread body: fetches kFeedUrl, publishes and posts WM_NEWS_LOADED to the window.
void FetchNewsThread(HWND window);

// The parts of the thread, with the feed address and the site prefix ("scheme://host/") as
// parameters so they can be pointed at test servers.
namespace news {

// Entries of a feed body; empty when anything in it is broken. Never throws.
std::vector<NewsItem> ParseNewsFeed(const std::string& body);
// Byte-wise: the picture address is at least as long as the prefix and begins with it.
bool IsSitePicture(const std::string& imageUrl, const std::string& sitePrefix);
// Downloads thumbnails for site pictures, attempting at most kMaxNewsImages; returns the
// number of attempts.
int LoadThumbnails(std::vector<NewsItem>& items, const std::string& sitePrefix);
// Download, parse and thumbnails; empty on a failed download.
std::vector<NewsItem> FetchNewsItems(const std::wstring& feedUrl, const std::string& sitePrefix);
// Sets the state and exchanges the list under the mutex; the previous list goes back in items.
void PublishNews(std::vector<NewsItem>& items);
// The whole thread for any feed address: fetch, publish, post WM_NEWS_LOADED.
void FetchNewsFrom(HWND window, const std::wstring& feedUrl, const std::string& sitePrefix);
// The site prefix compiled in: site root + "/", as UTF-8.
std::string SitePrefixBytes();

// Source rectangle (in source pixels) that covers the thumbnail while keeping proportions.
struct SourceRect {
  float x, y, width, height;
};
SourceRect ThumbnailSourceRect(int width, int height);

}  // namespace news

// A 256 x 176 thumbnail cropped to cover from encoded picture bytes, or null.
Gdiplus::Bitmap* DecodeNewsThumbnail(const std::string& bytes);
