// The content update's worker thread and what it leaves for the main window.
#pragma once

#include <string>

// Result of the last finished content update; written by the worker before it posts
// WM_UPDATE_DONE and read by the main window when it handles that message.
extern bool g_updateOk;
extern std::wstring g_updateMessage;
// Set by the main window when it starts a worker, cleared when it handles WM_UPDATE_DONE;
// only the main thread touches it.
extern bool g_updateRunning;

// Thread body: prepares the graphics options, runs the update, posts every progress report
// to g_hwndMain as WM_UPDATE_PROGRESS (lParam a heap updater::Progress the window deletes),
// stores the result and posts WM_UPDATE_DONE.
void RunUpdateThread();
