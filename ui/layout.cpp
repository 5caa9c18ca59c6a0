#include "ui/layout.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "deployment.h"
#include "core/names.h"

const ControlSpec kControls[kControlCount] = {
    {ID_FACEBOOK, L"Facebook", {181, 444, 299, 497}},
    {ID_WHATSAPP, L"WhatsApp", {309, 444, 427, 497}},
    {ID_DISCORD, L"Discord", {437, 444, 555, 497}},
    {ID_SITE, L"Site", {565, 444, 683, 497}},
    {ID_UPDATES, L"Updates", {693, 444, 811, 497}},
    {ID_SETTINGS, L"Configura\u00E7\u00F5es", {821, 444, 939, 497}},
    {ID_PLAY, L"Jogar", {722, 510, 938, 598}},
    {ID_SIGNUP, L"N\u00E3o tem conta? Criar conta", {300, 578, 580, 600}},
};

int DesignToPixel(float v, float scale) { return static_cast<int>(v * scale + 0.5f); }

int PixelToDesign(int p, float scale) { return static_cast<int>(static_cast<float>(p) / scale); }

RECT DesignBoxToPixels(float left, float top, float right, float bottom, float scale) {
  RECT r;
  r.left = DesignToPixel(left, scale);
  r.top = DesignToPixel(top, scale);
  r.right = DesignToPixel(right, scale);
  r.bottom = DesignToPixel(bottom, scale);
  return r;
}

RECT DesignInvalidationRect(float left, float top, float right, float bottom, float scale) {
  RECT r = DesignBoxToPixels(left, top, right, bottom, scale);
  InflateRect(&r, 2, 2);
  return r;
}

bool DesignBoxContains(const DesignBox& box, int x, int y) {
  return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

bool DesignBoxTouchesPixels(const DesignBox& box, float margin, const RECT& pixels, float scale) {
  return (box.left - margin) * scale < pixels.right && (box.right + margin) * scale > pixels.left &&
         (box.top - margin) * scale < pixels.bottom && (box.bottom + margin) * scale > pixels.top;
}

std::wstring SignupPageUrl() { return std::wstring(deployment::kSiteUrl) + names::kRegisterPagePath; }
std::wstring UpdatesPageUrl() { return std::wstring(deployment::kSiteUrl) + names::kUpdatesPagePath; }
std::wstring SitePrefix() { return std::wstring(deployment::kSiteUrl) + L"/"; }

std::wstring LinkTargetFor(int controlId) {
  switch (controlId) {
    case ID_FACEBOOK:
      return deployment::kFacebookUrl;
    case ID_WHATSAPP:
      return deployment::kWhatsAppUrl;
    case ID_DISCORD:
      return deployment::kDiscordUrl;
    case ID_SITE:
      return deployment::kSiteUrl;
    case ID_SIGNUP:
      return SignupPageUrl();
    case ID_UPDATES:
      return UpdatesPageUrl();
    default:
      return std::wstring();
  }
}

namespace {

bool IsUrlCharacter(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'))
    return true;
  return c != 0 && std::wcschr(L"-._~:/?#[]@!$&'()*+,;=", c) != nullptr;
}

bool IsHexDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// Letters of the basic plane only: no spaces, controls, bidirectional marks or symbols that
// would make the address look like something else once the browser shows it decoded.
bool IsLetterBeyondAscii(wchar_t c) {
  if (c < 0x80 || (c >= 0xD800 && c <= 0xDFFF)) return false;
  WORD type = 0;
  return GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_ALPHA) &&
         !(type & (C1_SPACE | C1_CNTRL));
}

void AppendPercentEncodedUtf8(wchar_t c, std::wstring* out) {
  const unsigned u = c;
  unsigned char bytes[3];
  int n;
  if (u < 0x800) {
    bytes[0] = static_cast<unsigned char>(0xC0 | (u >> 6));
    bytes[1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
    n = 2;
  } else {
    bytes[0] = static_cast<unsigned char>(0xE0 | (u >> 12));
    bytes[1] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
    n = 3;
  }
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  for (int i = 0; i < n; ++i) {
    *out += L'%';
    *out += kHex[bytes[i] >> 4];
    *out += kHex[bytes[i] & 0xF];
  }
}

}  // namespace

std::wstring SiteLinkToOpen(const std::wstring& link) {
  const std::wstring prefix = SitePrefix();
  if (link.size() < prefix.size() || link.compare(0, prefix.size(), prefix) != 0)
    return std::wstring();
  std::wstring out = prefix;
  for (size_t i = prefix.size(); i < link.size(); ++i) {
    const wchar_t c = link[i];
    if (c == L'%') {
      if (i + 2 >= link.size() || !IsHexDigit(link[i + 1]) || !IsHexDigit(link[i + 2]))
        return std::wstring();
      out.append(link, i, 3);
      i += 2;
    } else if (IsUrlCharacter(c)) {
      out += c;
    } else if (IsLetterBeyondAscii(c)) {
      AppendPercentEncodedUtf8(c, &out);
    } else {
      return std::wstring();
    }
  }
  return out;
}

void SplitLinkText(const std::wstring& text, std::wstring* prefix, std::wstring* suffix) {
  const size_t mark = text.find(L'?');
  std::wstring rest;
  if (mark == std::wstring::npos) {
    prefix->clear();
    rest = text;
  } else {
    *prefix = text.substr(0, mark + 1) + L" ";
    rest = text.substr(mark + 1);
  }
  const size_t first = rest.find_first_not_of(L' ');
  *suffix = first == std::wstring::npos ? std::wstring() : rest.substr(first);
}

DesignPoint LightPathPoint(float position) {
  float p = std::fmod(position, kLightPathLength);
  if (p < 0) p += kLightPathLength;
  if (p < kLightPathWidth) return {kLightPathLeft + p, kLightPathTop};
  const float q = p - kLightPathWidth;
  if (q < kLightPathHeight) return {kLightPathRight, kLightPathTop + q};
  const float r = q - kLightPathHeight;
  if (r < kLightPathWidth) return {kLightPathRight - r, kLightPathBottom};
  return {kLightPathLeft, kLightPathBottom - (r - kLightPathWidth)};
}

float LightHeadPosition(float phase, int head) {
  return phase + static_cast<float>(head) * kLightPathLength / 2;
}

float NextLightPhase(float phase) {
  float next = std::fmod(phase + kLightPhaseStep, kLightPathLength);
  if (next < 0) next += kLightPathLength;
  return next;
}

RECT LightTickRect(float oldPhase, float newPhase, int head, float scale) {
  const float offset = static_cast<float>(head) * kLightPathLength / 2;
  // A tick that completed a lap sweeps on across its end.
  if (newPhase < oldPhase) newPhase += kLightPathLength;
  const float first = oldPhase - 96;
  const float last = newPhase + 4;
  float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
  // Counted steps instead of accumulating, so no sample is lost to rounding.
  for (int i = 0;; ++i) {
    const float pos = first + 4.0f * static_cast<float>(i);
    if (pos > last) break;
    const DesignPoint pt = LightPathPoint(pos + offset);
    minX = std::min(minX, pt.x);
    minY = std::min(minY, pt.y);
    maxX = std::max(maxX, pt.x);
    maxY = std::max(maxY, pt.y);
  }
  RECT r;
  r.left = DesignToPixel(static_cast<float>(static_cast<int>(minX - 11)), scale);
  r.top = DesignToPixel(static_cast<float>(static_cast<int>(minY - 11)), scale);
  r.right = DesignToPixel(static_cast<float>(static_cast<int>(maxX + 11)), scale);
  r.bottom = DesignToPixel(static_cast<float>(static_cast<int>(maxY + 11)), scale);
  return r;
}

std::wstring DownloadStatusLine(int fileIndex, int fileCount, uint64_t received, uint64_t total) {
  std::wstring line = L"Baixando arquivo " + std::to_wstring(fileIndex) + L"/" +
                      std::to_wstring(fileCount);
  if (total != 0) {
    line += L" (" + std::to_wstring(received >> 10) + L"KB/" + std::to_wstring(total >> 10) +
            L"KB)";
  }
  return line;
}

bool ApplyProgressReport(const updater::Progress& report, ProgressView* view) {
  view->status = report.text;
  if (report.phase != 3 || report.fileCount < 1) return false;
  view->totalPercent = (report.fileIndex * 100 - 100) / report.fileCount;
  view->filePercent =
      report.bytesTotal != 0
          ? static_cast<int>(report.bytesReceived * 100 / report.bytesTotal)
          : 0;
  view->status = DownloadStatusLine(report.fileIndex, report.fileCount, report.bytesReceived,
                                    report.bytesTotal);
  return true;
}

float SnapToDevicePixel(float v, float scale, float offset) {
  return (std::floor(v * scale + offset + 0.5f) - offset) / scale;
}

ProgressBarGeometry ComputeProgressBar(int left, int top, int right, int bottom, int percent,
                                       const std::wstring& label) {
  ProgressBarGeometry g;
  g.percent = std::max(0, std::min(100, percent));
  g.x = static_cast<float>(left);
  g.y = static_cast<float>(top);
  g.width = static_cast<float>(right - left);
  g.height = static_cast<float>(bottom - top);
  g.radius = g.height * 0.5f;
  g.fillWidth = static_cast<float>(g.percent) * (g.width - 4) / 100;
  g.drawFill = g.fillWidth > 2;
  g.innerHeight = g.height - 4;
  g.pillWidth = std::max(g.innerHeight, g.fillWidth);
  g.glossHeight = g.innerHeight * 0.4f;
  wchar_t text[48];
  swprintf(text, 48, L"%ls  %d%%", label.c_str(), g.percent);
  g.label = text;
  return g;
}

DesignRectF LogoRect(int pixelWidth, int pixelHeight) {
  const float w = static_cast<float>(pixelWidth) * 170 / static_cast<float>(pixelHeight);
  return {(kDesignCanvasWidth - w) * 0.5f, 4, w, 170};
}

int SettingsPanelWidth(int panelImagePixelWidth) {
  if (panelImagePixelWidth <= 0) return 720;
  return static_cast<int>(static_cast<float>(panelImagePixelWidth) / 1.3f + 0.5f);
}

void SettingsPanelOrigin(float scale, int panelWidth, float* x, float* y) {
  const float k = 0.88f * scale;
  *x = static_cast<float>(static_cast<int>(
      static_cast<float>(DesignToPixel(560, scale)) - static_cast<float>(panelWidth) * k * 0.5f));
  *y = static_cast<float>(
      static_cast<int>(static_cast<float>(DesignToPixel(414, scale)) - k * 209));
}

int WheelScrollStep(int wheelDelta) { return wheelDelta * 48 / 120; }

int ScrolledNewsOffset(int current, int wheelDelta, int maxScroll) {
  return std::max(0, std::min(current - WheelScrollStep(wheelDelta), maxScroll));
}

std::vector<FramePiece> FramePanelPieces(float x, float y, float w, float h, float a) {
  const float cw = 110 * a, ch = 86 * a, sw = 25 * a, bh = 35 * a;
  const float m = x + w / 2;
  // Pieces that meet at fractional positions leave a hairline where both edges are only
  // partly covered; each bar and side reaches kFrameOverlap under the piece drawn after it.
  const float o = kFrameOverlap;
  std::vector<FramePiece> pieces = {
      // sides
      {0, 0, 86, 25, 110, x, y + ch - o, sw, h - 2 * ch + 2 * o},
      {2, 584, 86, 25, 110, x + w - sw, y + ch - o, sw, h - 2 * ch + 2 * o},
      // bottom bar
      {1, 110, 258, 140, 35, x + cw - o, y + h - bh, m - (x + cw) + 2 * o, bh},
      {3, 359, 258, 140, 35, m, y + h - bh, (x + w - cw) - m + o, bh},
      // top bar
      {0, 110, 0, 140, 35, x + cw - o, y, m - (x + cw) + 2 * o, bh},
      {2, 359, 0, 140, 35, m, y, (x + w - cw) - m + o, bh},
      // corners last, over the ends of bars and sides
      {0, 0, 0, 110, 86, x, y, cw, ch},
      {2, 499, 0, 110, 86, x + w - cw, y, cw, ch},
      {1, 0, 207, 110, 86, x, y + h - ch, cw, ch},
      {3, 499, 207, 110, 86, x + w - cw, y + h - ch, cw, ch},
  };
  return pieces;
}

DesignRectF FramePanelFillRect(float x, float y, float w, float h, float a) {
  return {x + 12 * a, y + 16 * a, w - 24 * a, h - 32 * a};
}
