#include "ui/news_feed.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>

#include "core/app_messages.h"
#include "core/http_client.h"
#include "core/json.h"
#include "core/text.h"

using namespace Gdiplus;

std::vector<NewsItem> g_newsItems;
int g_newsState = 0;
std::mutex g_newsMutex;

namespace news {
namespace {

// Cuts to at most max UTF-16 units without splitting a surrogate pair.
std::wstring Clip(std::wstring text, size_t max) {
  if (text.size() <= max) return text;
  size_t end = max;
  if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) --end;
  text.resize(end);
  return text;
}

std::wstring MemberText(const jsonmin::Value& entry, const char* key, size_t max) {
  const jsonmin::Value* v = entry.Find(key);
  if (!v || v->type != jsonmin::Type::String) return std::wstring();
  // Convert only what can be kept (4 bytes per unit at most), not a hostile megabyte.
  const size_t bytes = std::min(v->text.size(), max * 4 + 4);
  return Clip(Utf8ToWide(v->text.substr(0, bytes)), max);
}

struct StreamRelease {
  void operator()(IStream* s) const { s->Release(); }
};

}  // namespace

std::vector<NewsItem> ParseNewsFeed(const std::string& body) {
  std::vector<NewsItem> items;
  try {
    const jsonmin::Value root = jsonmin::Parse(body);
    const jsonmin::Value* list = root.Find("items");
    if (!list || list->type != jsonmin::Type::Array) return {};
    for (const jsonmin::Value& entry : list->items) {
      if (entry.type != jsonmin::Type::Object) continue;
      NewsItem item;
      item.title = MemberText(entry, "title", kMaxNewsTitleLength);
      if (item.title.empty()) continue;
      item.date = MemberText(entry, "date", kMaxNewsDateLength);
      item.summary = MemberText(entry, "summary", kMaxNewsSummaryLength);
      const jsonmin::Value* url = entry.Find("url");
      if (url && url->type == jsonmin::Type::String && url->text.size() <= kMaxNewsLinkLength) {
        item.url = Utf8ToWide(url->text);
      }
      const jsonmin::Value* image = entry.Find("image");
      if (image && image->type == jsonmin::Type::String &&
          image->text.size() <= kMaxNewsLinkLength) {
        item.imageUrl = image->text;
      }
      items.push_back(std::move(item));
      if (items.size() >= static_cast<size_t>(kMaxNewsItems)) break;
    }
  } catch (...) {
    // A partly broken feed shows nothing rather than a part of it.
    return {};
  }
  return items;
}

bool IsSitePicture(const std::string& imageUrl, const std::string& sitePrefix) {
  if (sitePrefix.empty() || imageUrl.size() < sitePrefix.size()) return false;
  if (imageUrl.compare(0, sitePrefix.size(), sitePrefix) != 0) return false;
  // Control bytes (escaped into the feed) have no place in a request line.
  return std::none_of(imageUrl.begin(), imageUrl.end(), [](char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
  });
}

int LoadThumbnails(std::vector<NewsItem>& items, const std::string& sitePrefix) {
  int attempts = 0;
  for (NewsItem& item : items) {
    if (attempts >= kMaxNewsImages) break;
    if (!IsSitePicture(item.imageUrl, sitePrefix)) continue;
    ++attempts;
    try {
      std::string body;
      const HttpResult r = HttpDownloadToMemory(Utf8ToWide(item.imageUrl), body);
      if (r.ok && !body.empty()) item.thumbnail = DecodeNewsThumbnail(body);
    } catch (...) {
      // Out of memory on one picture: the entry is shown without it.
    }
  }
  return attempts;
}

std::vector<NewsItem> FetchNewsItems(const std::wstring& feedUrl, const std::string& sitePrefix) {
  std::vector<NewsItem> items;
  {
    std::string body;
    const HttpResult r = HttpDownloadToMemory(feedUrl, body);
    if (!r.ok || body.empty()) return items;
    items = ParseNewsFeed(body);
  }  // the feed's bytes are gone before the pictures arrive
  LoadThumbnails(items, sitePrefix);
  return items;
}

void PublishNews(std::vector<NewsItem>& items) {
  std::lock_guard<std::mutex> lock(g_newsMutex);
  g_newsState = items.empty() ? 2 : 1;
  g_newsItems.swap(items);
}

void FetchNewsFrom(HWND window, const std::wstring& feedUrl, const std::string& sitePrefix) {
  std::vector<NewsItem> items;
  try {
    items = FetchNewsItems(feedUrl, sitePrefix);
  } catch (...) {
    items.clear();
  }
  PublishNews(items);
  if (window) PostMessageW(window, WM_NEWS_LOADED, 0, 0);
}

std::string SitePrefixBytes() {
  std::string prefix;
  for (const wchar_t* p = deployment::kSiteUrl; *p; ++p) prefix += static_cast<char>(*p);
  return prefix + "/";
}

SourceRect ThumbnailSourceRect(int width, int height) {
  const double w = width, h = height;
  const double f = std::max(kNewsThumbHeight / h, kNewsThumbWidth / w);
  const double sw = kNewsThumbWidth / f, sh = kNewsThumbHeight / f;
  return SourceRect{static_cast<float>((w - sw) / 2), static_cast<float>((h - sh) / 2),
                    static_cast<float>(sw), static_cast<float>(sh)};
}

}  // namespace news

void FetchNewsThread(HWND window) {
  news::FetchNewsFrom(window, kFeedUrl, news::SitePrefixBytes());
}

Bitmap* DecodeNewsThumbnail(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > UINT_MAX) return nullptr;
  std::unique_ptr<IStream, news::StreamRelease> stream(
      SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<UINT>(bytes.size())));
  if (!stream) return nullptr;
  std::unique_ptr<Bitmap> source(Bitmap::FromStream(stream.get()));
  if (!source || source->GetLastStatus() != Ok) return nullptr;
  const UINT w = source->GetWidth(), h = source->GetHeight();
  if (w == 0 || h == 0) return nullptr;
  if (static_cast<long long>(w) * h > kMaxNewsPicturePixels) return nullptr;

  std::unique_ptr<Bitmap> thumb(
      new Bitmap(kNewsThumbWidth, kNewsThumbHeight, PixelFormat32bppARGB));
  if (thumb->GetLastStatus() != Ok) return nullptr;
  Status drawn = GenericError;
  {
    Graphics g(thumb.get());
    g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(PixelOffsetModeHighQuality);
    // Mirrored edges keep the filter from blending transparent pixels into the border.
    ImageAttributes edges;
    edges.SetWrapMode(WrapModeTileFlipXY);
    const news::SourceRect src = news::ThumbnailSourceRect(static_cast<int>(w),
                                                           static_cast<int>(h));
    drawn = g.DrawImage(source.get(),
                        RectF(0, 0, static_cast<REAL>(kNewsThumbWidth),
                              static_cast<REAL>(kNewsThumbHeight)),
                        src.x, src.y, src.width, src.height, UnitPixel, &edges);
  }
  if (drawn != Ok) return nullptr;
  source.reset();  // the decoder reads from the stream until disposed
  return thumb.release();
}
