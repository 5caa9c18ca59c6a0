// The launcher's own signed self-update: normal mode fetches and checks a newer build and hands
// over to it; apply mode (the downloaded build) puts itself in place of the launcher and
// restarts it.
#pragma once

#include <string>

// Picks the mode from this process's command line. True when this process has handed over to
// another launcher process (or apply mode finished) and must end at once; false when start-up
// continues with the build it has. Every failure is silent.
bool RunLauncherSelfUpdate(const std::wstring& baseUrl, const std::wstring& appDir,
                           long long builtInVersion);

// Removes leftover temporary launcher executables ("TalvoreLauncher.selfupdate_tmp_*.exe")
// from appDir, one attempt each.
void DeleteStaleSelfUpdateTemps(const std::wstring& appDir);

// appDir + "\TalvoreLauncher.selfupdate_tmp_" + version + ".exe".
std::wstring SelfUpdateTempPath(const std::wstring& appDir, long long version);

// The version carried by "--apply-launcher-version=": -1 when the text is empty, otherwise a
// signed decimal (leading spaces and a sign accepted, stops at the first non-digit, 0 when
// there are no digits).
long long ParseApplyVersion(const std::wstring& text);
