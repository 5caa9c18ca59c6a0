// Geometry and text of the main window as plain functions of their inputs, so the layout
// rules are checked without creating windows or touching GDI+.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "updater/records.h"

inline constexpr float kDesignCanvasWidth = 1120.0f;
inline constexpr float kDesignCanvasHeight = 680.0f;

// Control ids of the main window.
inline constexpr int ID_PLAY = 1003;
inline constexpr int ID_SETTINGS = 1005;
inline constexpr int ID_FACEBOOK = 1030;
inline constexpr int ID_DISCORD = 1031;
inline constexpr int ID_SITE = 1032;
inline constexpr int ID_UPDATES = 1033;
inline constexpr int ID_WHATSAPP = 1034;
inline constexpr int ID_SIGNUP = 1035;
inline constexpr UINT_PTR ID_TIMER_LIGHTS = 90;
inline constexpr UINT kLightsTimerMs = 40;

struct DesignBox {  // left, top, right, bottom in design units
  int left, top, right, bottom;
};

struct ControlSpec {
  int id;
  const wchar_t* text;
  DesignBox box;
};
// In creation order.
inline constexpr int kControlCount = 8;
extern const ControlSpec kControls[kControlCount];

inline constexpr DesignBox kStatusLineBox = {180, 504, 700, 524};  // invalidation
inline constexpr DesignBox kNewsPanelBox = {180, 262, 940, 432};
inline constexpr DesignBox kTotalBarBox = {180, 528, 700, 546};
inline constexpr DesignBox kFileBarBox = {180, 554, 700, 572};

// (int)(v * scale + 0.5): a design value as pixels.
int DesignToPixel(float v, float scale);
// (int)(p / scale): a client pixel as a design value, truncated toward zero.
int PixelToDesign(int p, float scale);
// Each edge converted on its own, so neighbouring boxes share their pixel edges.
RECT DesignBoxToPixels(float left, float top, float right, float bottom, float scale);
// What InvalidateDesignRect invalidates: the pixel box grown by 2 on every side.
RECT DesignInvalidationRect(float left, float top, float right, float bottom, float scale);
// Left/top inclusive, right/bottom exclusive.
bool DesignBoxContains(const DesignBox& box, int x, int y);
// Whether a box, grown by margin design units, touches a rectangle of client pixels.
bool DesignBoxTouchesPixels(const DesignBox& box, float margin, const RECT& pixels, float scale);

// Link target of a control; empty for controls that open no URL.
std::wstring LinkTargetFor(int controlId);
std::wstring SignupPageUrl();
std::wstring UpdatesPageUrl();
// Site root + "/".
std::wstring SitePrefix();
// What a click on a news card hands to the shell: the link when the site prefix is followed by
// URL characters only (RFC 3986 unreserved and reserved characters and %XX escapes), with
// letters beyond ASCII percent-encoded as UTF-8. Empty for any other link: the browser's
// command line is built from this text, so a quote or a space would end the address there.
std::wstring SiteLinkToOpen(const std::wstring& link);

// The sign-up link's two parts: up to and including the first "?" plus one space, and the
// rest without its leading spaces; without "?" everything is the suffix.
void SplitLinkText(const std::wstring& text, std::wstring* prefix, std::wstring* suffix);

// Running lights: a clockwise path around the panel starting at its top-left corner.
inline constexpr float kLightPathLeft = 136.9f;
inline constexpr float kLightPathTop = 186.0f;
inline constexpr float kLightPathRight = 982.3f;
inline constexpr float kLightPathBottom = 641.5f;
inline constexpr float kLightPathWidth = 845.4f;
inline constexpr float kLightPathHeight = 455.5f;
inline constexpr float kLightPathLength = 2601.8f;
inline constexpr float kLightPhaseStep = 7.2f;
inline constexpr int kLightTrailGlows = 24;
inline constexpr float kLightTrailSpacing = 4.0f;

struct DesignPoint {
  float x, y;
};
// Position taken modulo the path length (negative positions wrap to the end).
DesignPoint LightPathPoint(float position);
float LightHeadPosition(float phase, int head);
// The phase one tick later, kept within one lap (0 .. kLightPathLength): a float that only
// grew would coarsen the trail after a day of running and stop it after about nine.
float NextLightPhase(float phase);
// The pixel rectangle one tick invalidates for a head: the old and the new trail. A new phase
// below the old one is a tick across the end of the lap.
RECT LightTickRect(float oldPhase, float newPhase, int head, float scale);

// What one progress report does to the status line and the bars.
struct ProgressView {
  std::wstring status;
  int totalPercent = 0;
  int filePercent = 0;
};
// Returns true when the bars changed (download reports), so the whole window is repainted.
bool ApplyProgressReport(const updater::Progress& report, ProgressView* view);
std::wstring DownloadStatusLine(int fileIndex, int fileCount, uint64_t received, uint64_t total);

// One progress bar in design units.
// The coordinate nearest to v (in a transform's units, device = v * scale + offset) that falls
// on a whole device pixel.
float SnapToDevicePixel(float v, float scale, float offset);

struct ProgressBarGeometry {
  int percent;       // clamped to 0..100
  float x, y, width, height, radius;
  bool drawFill;     // fill width above 2
  float fillWidth;   // F = p * (w - 4) / 100
  float pillWidth;   // never shorter than the inner height
  float innerHeight;
  float glossHeight;
  std::wstring label;  // "<label>  <p>%"
};
ProgressBarGeometry ComputeProgressBar(int left, int top, int right, int bottom, int percent,
                                       const std::wstring& label);

// Logo destination (design units) for an image of the given pixel size: 170 high, centred.
struct DesignRectF {
  float x, y, width, height;
};
DesignRectF LogoRect(int pixelWidth, int pixelHeight);

// The settings window's panel: width in panel units and its pixel origin.
int SettingsPanelWidth(int panelImagePixelWidth);  // 0 when the image is missing
void SettingsPanelOrigin(float scale, int panelWidth, float* x, float* y);

// Wheel scrolling of the news list: 48 units per notch, kept in 0..maxScroll.
int WheelScrollStep(int wheelDelta);
int ScrolledNewsOffset(int current, int wheelDelta, int maxScroll);

// The pieces of the ornamental frame (sides, bar halves, corners) in drawing order. source: 0 the frame image,
// 1 mirrored top to bottom, 2 mirrored left to right, 3 turned by 180 degrees.
struct FramePiece {
  int source;
  float sx, sy, sw, sh;  // pixels of the 609 x 293 image
  float dx, dy, dw, dh;  // destination, caller's units
};
// How far a bar or side reaches under the neighbouring piece, in design units.
inline constexpr float kFrameOverlap = 1.0f;
std::vector<FramePiece> FramePanelPieces(float x, float y, float w, float h, float a);
// Texture fill rectangle inside the frame.
DesignRectF FramePanelFillRect(float x, float y, float w, float h, float a);
