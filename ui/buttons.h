// The main window's owner-drawn controls: creation, hover tracking, the image and link faces,
// and the labelled progress bars.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <string>

extern HWND g_hoveredButton;  // the control under the mouse, at most one

// A "BUTTON" child with the owner-draw style at a design rectangle, subclassed for hover.
HWND CreateOwnerDrawButton(HWND parent, int left, int top, int right, int bottom,
                           const wchar_t* text, int id);
LRESULT CALLBACK ButtonSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR subclassId, DWORD_PTR refData);
// Pixel-space faces painted off-screen and copied with one BitBlt.
void DrawImageButton(HDC dc, HWND control, const RECT& rect, Gdiplus::Image* image, bool isPlay,
                     bool disabled, bool pressed);
void DrawLinkButton(HDC dc, HWND control, const RECT& rect, const std::wstring& text,
                    bool pressed);
// g carries the design transform; the rectangle is in design units.
void DrawProgressBar(Gdiplus::Graphics& g, int left, int top, int right, int bottom, int percent,
                     const std::wstring& label);
