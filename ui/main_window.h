// The launcher's main window: the controls, the status line and bars, the update states, news
// mouse handling, the close confirmation and the opening of the settings window.
#pragma once

#include <windows.h>

#include <string>

inline constexpr wchar_t kMainWindowClass[] = L"TalvoreLauncherWindow";
inline constexpr wchar_t kMainWindowTitle[] = L"Talvore Launcher";
inline constexpr wchar_t kSettingsWindowClass[] = L"TalvoreLauncherSettings";
inline constexpr wchar_t kSettingsWindowTitle[] = L"Configura\u00E7\u00F5es - Talvore";
inline constexpr wchar_t kCloseQuestion[] =
    L"Fechar o launcher tamb\u00E9m fecha o jogo. Deseja fechar?";

// Window state, touched only on the user-interface thread.
extern std::wstring g_statusText;
extern int g_totalPercent;
extern int g_filePercent;
extern HWND g_playButton;
extern HWND g_signupLink;
extern bool g_mouseTracked;
extern int g_newsHover;
extern int g_newsScroll;
extern bool g_settingsClassRegistered;
extern int g_settingsWidth;
extern int g_settingsHeight;
extern float g_settingsPanelX;
extern float g_settingsPanelY;

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Registers "TalvoreLauncherWindow": MainWndProc, icon resource 101 of the instance, the arrow
// cursor, g_bgBrush as background (create the brush first).
void RegisterMainWindowClass(HINSTANCE instance);

// Starts the content update worker unless one is running.
void StartUpdate();
// Stores the status line and invalidates it; drawn at the next paint.
void SetStatusText(const std::wstring& text);
void OpenUrl(const std::wstring& url);
void OpenSettingsWindow();
