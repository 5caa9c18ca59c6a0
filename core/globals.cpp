#include "core/globals.h"

std::wstring g_appDir;
std::wstring g_baseUrl;
float g_uiScale = 1.0f;
HWND g_hwndMain = nullptr;
HBRUSH g_bgBrush = nullptr;
