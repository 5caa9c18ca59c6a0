// Starting the game client: at most two at a time, each bound to the launcher's lifetime by a
// kill-on-close job object, with a named event that exists while the launcher runs.
#pragma once

#include <windows.h>

#include <string>

inline constexpr int kMaxGameClients = 2;
inline constexpr wchar_t kLaunchToken[] = L"7e2b9d04c6a1f358b0d4e92c17a6f3b5";
inline constexpr wchar_t kLaunchBoxCaption[] = L"Talvore Launcher";
inline constexpr wchar_t kClientLimitText[] =
    L"Voc\u00EA j\u00E1 est\u00E1 com 2 jogos abertos. Esse \u00E9 o limite por computador.";
inline constexpr wchar_t kClientStartFailedText[] = L"Nao foi possivel abrir kaldrunclient.exe";

// Prunes clients that have exited (closing their handles) and returns how many still run.
int CountRunningClients();
// Starts one client from g_appDir unless two are running; reports problems in message boxes
// owned by g_hwndMain.
void LaunchGameClient();

// "TalvoreLauncherVivo_" + process id.
std::wstring AliveEventName(DWORD processId);
// "\"<exe>\" --talvore-launch=<token> --tl-pai=<pid>"
std::wstring GameClientCommandLine(const std::wstring& exePath, DWORD processId);
