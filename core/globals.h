// Process-wide values fixed during start-up on the main thread and only read afterwards
// (the worker threads read them without locking for that reason).
#pragma once

#include <windows.h>

#include <string>

#ifndef TALVORE_LAUNCHER_VERSION
#define TALVORE_LAUNCHER_VERSION 16
#endif

inline constexpr int kLauncherVersion = TALVORE_LAUNCHER_VERSION;

extern std::wstring g_appDir;   // application directory, no trailing backslash
extern std::wstring g_baseUrl;  // update base URL
extern float g_uiScale;         // 1.3, 1.2, 1.1 or 1.0
extern HWND g_hwndMain;
extern HBRUSH g_bgBrush;        // #2B1A27
