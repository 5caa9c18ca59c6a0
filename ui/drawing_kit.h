// Embedded images and font, the pre-rendered background and the drawing helpers shared by
// both windows. Everything here runs on the user-interface thread.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <string>

enum ImageSlot {
  ImgFacebook = 0,
  ImgWhatsApp = 1,
  ImgDiscord = 2,
  ImgSite = 3,
  ImgUpdates = 4,
  ImgSettings = 5,
  ImgPlayWait = 6,
  ImgPlayReady = 7,
  ImgPlayRetry = 8,
  ImgSettingsPanel = 9,
  ImgSave = 10,
  ImgCancel = 11,
  ImgFrame = 12,
  ImgTexture = 13,
  ImgBackground = 14,  // the pre-rendered window background
  kImageSlotCount = 15
};

// Resource numbers of the embedded data.
inline constexpr int kFontResource = 201;
inline constexpr int kBackdropResource = 301;
inline constexpr int kLogoResource = 302;

// Null where a resource is missing or could not be decoded; owned for the whole process.
extern Gdiplus::Bitmap* g_images[kImageSlotCount];
extern Gdiplus::Bitmap* g_backdrop;
extern Gdiplus::Bitmap* g_logo;
extern Gdiplus::FontFamily* g_displayFont;  // the embedded family, null when unusable
extern float g_lightPhase;                  // design units along the lights' path

void LoadEmbeddedFont(HINSTANCE instance);
void LoadEmbeddedImages(HINSTANCE instance);
// A 32-bit premultiplied copy of an RCDATA image, or null.
Gdiplus::Bitmap* LoadImageResource(HINSTANCE instance, int resourceNumber);
// The embedded family, else "Georgia" (which may itself be unavailable: check IsAvailable).
const Gdiplus::FontFamily* GetDisplayFontFamily();
// Builds ImgBackground at the current g_uiScale; called once before the main window exists.
void PreRenderBackground();

// The pre-rendered background at its pixel size, or the fallback gradient over w x h.
void DrawWindowBackground(Gdiplus::Graphics& g, int width, int height);
// Copies part of the pre-rendered background 1:1 into a DC with one BitBlt (GDI+ image draws
// of the large bitmap are far slower); false when there is no pre-rendered background.
bool BlitWindowBackground(HDC target, int x, int y, int width, int height, int sourceX,
                          int sourceY);
void AddRoundedRect(Gdiplus::GraphicsPath& path, float x, float y, float w, float h, float r);
void DrawFramePanel(Gdiplus::Graphics& g, float x, float y, float w, float h, float ornamentScale);
// Letter-spaced text centred on cx; returns the total advance and draws only when draw is set.
float DrawSpacedText(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font& font,
                     float cx, float y, float spacing, const Gdiplus::Brush& brush, bool draw);
// The whole image stretched into the rectangle with the state's colour matrix.
void DrawImageTinted(Gdiplus::Graphics& g, Gdiplus::Image* image, float x, float y, float w,
                     float h, bool hovered, bool pressed, bool greyed);

void PaintRunningLights(Gdiplus::Graphics& g);  // g carries the design transform
void CALLBACK OnLightsTimer(HWND hwnd, UINT msg, UINT_PTR id, DWORD time);
// Invalidates a design rectangle of g_hwndMain without erase; nothing while it is null.
void InvalidateDesignRect(float left, float top, float right, float bottom);
