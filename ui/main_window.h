// The launcher's main window.
#pragma once

#include <windows.h>

inline constexpr wchar_t kMainWindowClass[] = L"TalvoreLauncherWindow";
inline constexpr wchar_t kMainWindowTitle[] = L"Talvore Launcher";

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
