#include "ui/drawing_kit.h"

#include <shlwapi.h>

#include <cstdio>
#include <memory>

#include "core/globals.h"
#include "ui/layout.h"

using namespace Gdiplus;

Bitmap* g_images[kImageSlotCount] = {};
Bitmap* g_backdrop = nullptr;
Bitmap* g_logo = nullptr;
FontFamily* g_displayFont = nullptr;
float g_lightPhase = 0.0f;

namespace {

constexpr ARGB kFallbackTop = 0xFF3A2C20;
constexpr ARGB kFallbackBottom = 0xFF1A130E;
constexpr ARGB kLightText = 0xFFF5E8C8;

// Bytes of an RCDATA resource; they live as long as the module.
bool ResourceBytes(HINSTANCE instance, int number, const void** data, DWORD* size) {
  HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(number), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!info) return false;
  HGLOBAL loaded = LoadResource(instance, info);
  if (!loaded) return false;
  *size = SizeofResource(instance, info);
  *data = LockResource(loaded);
  return *data != nullptr && *size != 0;
}

// Objects built on first use and kept for the process.
struct FrameCopies {
  Bitmap* flipY = nullptr;   // mirrored top to bottom
  Bitmap* flipX = nullptr;   // mirrored left to right
  Bitmap* flipXY = nullptr;  // turned by 180 degrees
};

Bitmap* MirroredCopy(Bitmap* source, RotateFlipType how) {
  Bitmap* copy = source->Clone(0, 0, static_cast<INT>(source->GetWidth()),
                               static_cast<INT>(source->GetHeight()), PixelFormat32bppARGB);
  if (copy && copy->GetLastStatus() == Ok) {
    copy->RotateFlip(how);
    return copy;
  }
  delete copy;
  return nullptr;
}

const FrameCopies& GetFrameCopies() {
  static FrameCopies copies;
  static bool built = false;
  if (!built && g_images[ImgFrame]) {
    built = true;
    copies.flipY = MirroredCopy(g_images[ImgFrame], RotateNoneFlipY);
    copies.flipX = MirroredCopy(g_images[ImgFrame], RotateNoneFlipX);
    copies.flipXY = MirroredCopy(g_images[ImgFrame], RotateNoneFlipXY);
  }
  return copies;
}

TextureBrush* GetTextureBrush() {
  static TextureBrush* brush = nullptr;
  if (!brush && g_images[ImgTexture]) brush = new TextureBrush(g_images[ImgTexture], WrapModeTile);
  return brush;
}

Bitmap* GetLightSprite() {
  static Bitmap* sprite = nullptr;
  if (!sprite) {
    sprite = new Bitmap(32, 32, PixelFormat32bppPARGB);
    Graphics g(sprite);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    GraphicsPath path;
    path.AddEllipse(0, 0, 32, 32);
    PathGradientBrush glow(&path);
    glow.SetCenterColor(Color(0xFFFFF0BE));
    Color surround(0x00FFC86E);
    INT count = 1;
    glow.SetSurroundColors(&surround, &count);
    g.FillEllipse(&glow, 0, 0, 32, 32);
  }
  return sprite;
}

void FillFallbackGradient(Graphics& g, float width, float height) {
  LinearGradientBrush brush(PointF(0, 0), PointF(0, height), Color(kFallbackTop),
                            Color(kFallbackBottom));
  g.FillRectangle(&brush, 0.0f, 0.0f, width, height);
}

}  // namespace

Bitmap* LoadImageResource(HINSTANCE instance, int resourceNumber) {
  const void* data = nullptr;
  DWORD size = 0;
  if (!ResourceBytes(instance, resourceNumber, &data, &size)) return nullptr;
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(data), size);
  if (!stream) return nullptr;
  std::unique_ptr<Bitmap> decoded(Bitmap::FromStream(stream));
  Bitmap* copy = nullptr;
  if (decoded && decoded->GetLastStatus() == Ok && decoded->GetWidth() > 0 &&
      decoded->GetHeight() > 0) {
    const INT w = static_cast<INT>(decoded->GetWidth());
    const INT h = static_cast<INT>(decoded->GetHeight());
    copy = new Bitmap(w, h, PixelFormat32bppPARGB);
    if (copy->GetLastStatus() == Ok) {
      Graphics g(copy);
      g.DrawImage(decoded.get(), RectF(0, 0, static_cast<REAL>(w), static_cast<REAL>(h)), 0.0f,
                  0.0f, static_cast<REAL>(w), static_cast<REAL>(h), UnitPixel);
    } else {
      delete copy;
      copy = nullptr;
    }
  }
  decoded.reset();  // the decoder reads from the stream until disposed
  stream->Release();
  return copy;
}

void LoadEmbeddedImages(HINSTANCE instance) {
  g_backdrop = LoadImageResource(instance, kBackdropResource);
  g_logo = LoadImageResource(instance, kLogoResource);
  static const int kSlotResources[] = {311, 312, 313, 314, 315, 316, 321,
                                       322, 323, 331, 332, 333, 341, 342};
  for (int slot = 0; slot < ImgBackground; ++slot) {
    g_images[slot] = LoadImageResource(instance, kSlotResources[slot]);
  }
}

void LoadEmbeddedFont(HINSTANCE instance) {
  const void* data = nullptr;
  DWORD size = 0;
  if (!ResourceBytes(instance, kFontResource, &data, &size)) return;
  static PrivateFontCollection* collection = new PrivateFontCollection();
  if (collection->AddMemoryFont(data, static_cast<INT>(size)) != Ok) return;
  if (collection->GetFamilyCount() < 1) return;
  FontFamily family;
  INT found = 0;
  if (collection->GetFamilies(1, &family, &found) != Ok || found != 1) return;
  g_displayFont = family.Clone();
}

const FontFamily* GetDisplayFontFamily() {
  static FontFamily* const georgia = new FontFamily(L"Georgia");  // thread-safe static init
  return g_displayFont ? g_displayFont : georgia;
}

void AddRoundedRect(GraphicsPath& path, float x, float y, float w, float h, float r) {
  const float d = 2 * r;
  path.AddArc(x, y, d, d, 180, 90);
  path.AddArc(x + w - d, y, d, d, 270, 90);
  path.AddArc(x + w - d, y + h - d, d, d, 0, 90);
  path.AddArc(x, y + h - d, d, d, 90, 90);
  path.CloseFigure();
}

void PreRenderBackground() {
  const float s = g_uiScale;
  const INT width = DesignToPixel(kDesignCanvasWidth, s);
  const INT height = DesignToPixel(kDesignCanvasHeight, s);
  auto* bitmap = new Bitmap(width, height, PixelFormat32bppPARGB);
  if (bitmap->GetLastStatus() != Ok) {
    delete bitmap;
    return;
  }
  g_images[ImgBackground] = bitmap;
  Graphics g(bitmap);
  g.ScaleTransform(s, s);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  g.SetTextRenderingHint(TextRenderingHintAntiAlias);
  g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
  g.SetPixelOffsetMode(PixelOffsetModeHighQuality);

  if (g_backdrop) {
    g.DrawImage(g_backdrop, RectF(0, 0, kDesignCanvasWidth, kDesignCanvasHeight), 0.0f, 0.0f,
                static_cast<REAL>(g_backdrop->GetWidth()),
                static_cast<REAL>(g_backdrop->GetHeight()), UnitPixel);
  } else {
    FillFallbackGradient(g, kDesignCanvasWidth, kDesignCanvasHeight);
  }

  {  // title vignette
    GraphicsPath ellipse;
    ellipse.AddEllipse(180.0f, -40.0f, 760.0f, 260.0f);
    PathGradientBrush vignette(&ellipse);
    vignette.SetCenterColor(Color(0x96140E08));
    Color surround(0x00140E08);
    INT count = 1;
    vignette.SetSurroundColors(&surround, &count);
    g.FillPath(&vignette, &ellipse);
  }

  const FontFamily* display = GetDisplayFontFamily();
  SolidBrush light{Color(kLightText)};
  if (g_logo) {
    const DesignRectF r = LogoRect(static_cast<int>(g_logo->GetWidth()),
                                   static_cast<int>(g_logo->GetHeight()));
    g.DrawImage(g_logo, RectF(r.x, r.y, r.width, r.height), 0.0f, 0.0f,
                static_cast<REAL>(g_logo->GetWidth()), static_cast<REAL>(g_logo->GetHeight()),
                UnitPixel);
  } else if (display->IsAvailable()) {
    Font title(display, 76, FontStyleRegular, UnitPixel);
    DrawSpacedText(g, L"TALVORE", title, 560, 30, 6, light, true);
  }

  DrawFramePanel(g, 130, 176, 860, 476, 0.6f);

  {  // content well
    GraphicsPath well;
    AddRoundedRect(well, 166, 214, 788, 402, 6);
    SolidBrush fill(Color(0x55000000));
    g.FillPath(&fill, &well);
    Pen shadow(Color(0x78000000), 2);
    g.DrawPath(&shadow, &well);
    Pen gold(Color(0x96BE944C), 1);
    g.DrawPath(&gold, &well);
  }

  {  // heading diamond
    const PointF diamond[] = {PointF(188, 232), PointF(196, 240), PointF(188, 248),
                              PointF(180, 240)};
    SolidBrush fill(Color(0xFFC9A24A));
    g.FillPolygon(&fill, diamond, 4);
  }

  if (display->IsAvailable()) {
    Font heading(display, 18, FontStyleRegular, UnitPixel);
    g.DrawString(L"NOVIDADES DO SERVIDOR", -1, &heading, PointF(204, 230), &light);

    wchar_t version[32];
    swprintf(version, 32, L"Launcher v%d", kLauncherVersion);
    Font small(display, 14, FontStyleRegular, UnitPixel);
    StringFormat right;
    right.SetAlignment(StringAlignmentFar);
    right.SetLineAlignment(StringAlignmentNear);
    SolidBrush muted(Color(0xFFB0A082));
    g.DrawString(version, -1, &small, RectF(130, 233, 810, 20), &right, &muted);
  }
}

void DrawWindowBackground(Graphics& g, int width, int height) {
  if (Bitmap* bg = g_images[ImgBackground]) {
    const REAL w = static_cast<REAL>(bg->GetWidth());
    const REAL h = static_cast<REAL>(bg->GetHeight());
    g.DrawImage(bg, RectF(0, 0, w, h), 0.0f, 0.0f, w, h, UnitPixel);
    return;
  }
  FillFallbackGradient(g, static_cast<float>(width), static_cast<float>(height));
}

bool BlitWindowBackground(HDC target, int x, int y, int width, int height, int sourceX,
                          int sourceY) {
  // A GDI copy of ImgBackground, selected into a DC of its own for the life of the process.
  static Bitmap* source = nullptr;
  static HDC sourceDc = nullptr;
  Bitmap* bg = g_images[ImgBackground];
  if (!bg) return false;
  if (bg != source) {
    HBITMAP copy = nullptr;
    if (bg->GetHBITMAP(Color(0xFF000000), &copy) != Ok || !copy) return false;
    if (!sourceDc) sourceDc = CreateCompatibleDC(nullptr);
    if (!sourceDc) {
      DeleteObject(copy);
      return false;
    }
    HGDIOBJ previous = SelectObject(sourceDc, copy);
    if (source) DeleteObject(previous);  // the copy of an earlier background
    source = bg;
  }
  return BitBlt(target, x, y, width, height, sourceDc, sourceX, sourceY, SRCCOPY) != FALSE;
}

void DrawFramePanel(Graphics& g, float x, float y, float w, float h, float a) {
  Bitmap* frame = g_images[ImgFrame];
  if (!frame) {
    SolidBrush fill(Color(0xF01E1610));
    g.FillRectangle(&fill, x, y, w, h);
    return;
  }
  const FrameCopies& copies = GetFrameCopies();
  if (TextureBrush* texture = GetTextureBrush()) {
    texture->ResetTransform();
    texture->TranslateTransform(x, y);
    texture->ScaleTransform(0.5f, 0.5f);
    const DesignRectF fill = FramePanelFillRect(x, y, w, h, a);
    g.FillRectangle(texture, fill.x, fill.y, fill.width, fill.height);
  }
  ImageAttributes attributes;
  attributes.SetWrapMode(WrapModeTileFlipXY);
  Bitmap* sources[] = {frame, copies.flipY, copies.flipX, copies.flipXY};
  for (const FramePiece& piece : FramePanelPieces(x, y, w, h, a)) {
    Bitmap* source = sources[piece.source];
    if (!source || piece.dw <= 0 || piece.dh <= 0) continue;
    g.DrawImage(source, RectF(piece.dx, piece.dy, piece.dw, piece.dh), piece.sx, piece.sy,
                piece.sw, piece.sh, UnitPixel, &attributes);
  }
}

float DrawSpacedText(Graphics& g, const std::wstring& text, const Font& font, float cx, float y,
                     float spacing, const Brush& brush, bool draw) {
  if (text.empty()) return 0;
  std::unique_ptr<StringFormat> format(StringFormat::GenericTypographic()->Clone());
  format->SetFormatFlags(format->GetFormatFlags() | StringFormatFlagsMeasureTrailingSpaces);
  std::vector<float> widths(text.size());
  float total = spacing * static_cast<float>(text.size() - 1);
  for (size_t i = 0; i < text.size(); ++i) {
    RectF box;
    g.MeasureString(&text[i], 1, &font, PointF(0, 0), format.get(), &box);
    widths[i] = box.Width;
    total += box.Width;
  }
  if (draw) {
    float x = cx - total / 2;
    for (size_t i = 0; i < text.size(); ++i) {
      g.DrawString(&text[i], 1, &font, PointF(x, y), format.get(), &brush);
      x += widths[i] + spacing;
    }
  }
  return total;
}

void DrawImageTinted(Graphics& g, Image* image, float x, float y, float w, float h, bool hovered,
                     bool pressed, bool greyed) {
  if (!image) return;
  ColorMatrix m = {{{1, 0, 0, 0, 0},
                    {0, 1, 0, 0, 0},
                    {0, 0, 1, 0, 0},
                    {0, 0, 0, 1, 0},
                    {0, 0, 0, 0, 1}}};
  if (greyed) {
    m.m[0][0] = m.m[1][1] = m.m[2][2] = 0.62f;
    m.m[3][3] = 0.72f;
  } else if (pressed) {
    m.m[0][0] = m.m[1][1] = m.m[2][2] = 0.84f;
    y += 1;
  } else if (hovered) {
    m.m[0][0] = m.m[1][1] = m.m[2][2] = 1.22f;
    m.m[4][0] = 0.05f;
    m.m[4][1] = 0.02f;
    m.m[4][2] = 0.04f;
  }
  ImageAttributes attributes;
  attributes.SetColorMatrix(&m, ColorMatrixFlagsDefault, ColorAdjustTypeBitmap);
  g.DrawImage(image, RectF(x, y, w, h), 0.0f, 0.0f, static_cast<REAL>(image->GetWidth()),
              static_cast<REAL>(image->GetHeight()), UnitPixel, &attributes);
}

void PaintRunningLights(Graphics& g) {
  Bitmap* sprite = GetLightSprite();
  ImageAttributes attributes;
  ColorMatrix m = {{{1, 0, 0, 0, 0},
                    {0, 1, 0, 0, 0},
                    {0, 0, 1, 0, 0},
                    {0, 0, 0, 1, 0},
                    {0, 0, 0, 0, 1}}};
  for (int head = 0; head < 2; ++head) {
    const float headPos = LightHeadPosition(g_lightPhase, head);
    for (int n = kLightTrailGlows - 1; n >= 0; --n) {
      const DesignPoint pt = LightPathPoint(headPos - kLightTrailSpacing * static_cast<float>(n));
      const float t = 1.0f - static_cast<float>(n) / kLightTrailGlows;
      const float r = 5 * t + 2.5f;
      m.m[3][3] = 0.6f * t * t;
      attributes.SetColorMatrix(&m, ColorMatrixFlagsDefault, ColorAdjustTypeBitmap);
      g.DrawImage(sprite, RectF(pt.x - r, pt.y - r, 2 * r, 2 * r), 0.0f, 0.0f, 32.0f, 32.0f,
                  UnitPixel, &attributes);
    }
  }
}

void CALLBACK OnLightsTimer(HWND hwnd, UINT, UINT_PTR, DWORD) {
  if (IsIconic(hwnd) || !IsWindowVisible(hwnd)) return;
  const float old = g_lightPhase;
  g_lightPhase = NextLightPhase(old);
  for (int head = 0; head < 2; ++head) {
    const RECT r = LightTickRect(old, g_lightPhase, head, g_uiScale);
    InvalidateRect(hwnd, &r, FALSE);
    UpdateWindow(hwnd);
  }
}

void InvalidateDesignRect(float left, float top, float right, float bottom) {
  if (!g_hwndMain) return;
  const RECT r = DesignInvalidationRect(left, top, right, bottom, g_uiScale);
  InvalidateRect(g_hwndMain, &r, FALSE);
}
