// Choice of the UI scale and of the main window's rectangle: plain functions of the work area
// and the frame size so they are tested without windows.
#pragma once

#include <windows.h>

inline constexpr int kDesignWidth = 1120;
inline constexpr int kDesignHeight = 680;

// Largest of 1.3, 1.2, 1.1 for which the scaled design canvas fits the work area minus the
// frame and an 8-pixel margin; 1.0 when none fits.
float ChooseUiScale(int workWidth, int workHeight, int frameWidth, int frameHeight);

// Client size in pixels at a scale: (int)(scale * design + 0.5).
SIZE ScaledClientSize(float scale);

// Top-left of a w x h window centred in the work area, never left of or above it.
POINT CenteredWindowOrigin(const RECT& workArea, int w, int h);

inline constexpr DWORD kMainWindowStyle = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
