// The launcher's own signed self-update.
#pragma once

#include <string>

// True when this process has handed over to another launcher process and must end.
bool RunLauncherSelfUpdate(const std::wstring& baseUrl, const std::wstring& appDir,
                           long long builtInVersion);

// Removes leftover temporary launcher executables from appDir.
void DeleteStaleSelfUpdateTemps(const std::wstring& appDir);
