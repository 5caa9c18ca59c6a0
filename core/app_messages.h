// Messages posted to the main window by the worker threads.
#pragma once

#include <windows.h>

// lParam: a heap updater::Progress that the window deletes.
inline constexpr UINT WM_UPDATE_PROGRESS = WM_APP + 1;
inline constexpr UINT WM_UPDATE_DONE = WM_APP + 2;
inline constexpr UINT WM_NEWS_LOADED = WM_APP + 3;
