// The launcher's own command-line flags, written by one launcher process for the next.
#pragma once

#include <string>

inline constexpr wchar_t kFlagCleanupOriginal[] = L"--cleanup-original=";
inline constexpr wchar_t kFlagCleanupSelfUpdateTemp[] = L"--cleanup-selfupdate-temp=";
inline constexpr wchar_t kFlagApplyLauncherUpdate[] = L"--apply-launcher-update=";
inline constexpr wchar_t kFlagApplyLauncherVersion[] = L"--apply-launcher-version=";

// Deletes the file named by a clean-up flag ("--cleanup-original=" and a quoted path) on this
// process's command line, retrying 20 times 250 ms apart. Silent on every failure.
void RunCleanupFlag(const wchar_t* flag);

// The flag's value: the text between quotes when a quote follows the flag, otherwise the text
// up to the next space or tab. Empty when absent or malformed.
std::wstring GetFlagValue(const std::wstring& commandLine, const std::wstring& flag);

// The quoted path after flag + '"', or false when the flag or its closing quote is missing.
bool FindCleanupPath(const std::wstring& commandLine, const std::wstring& flag,
                     std::wstring* path);

// DeleteFileW with retries; returns the number of attempts made.
int DeleteFileWithRetries(const std::wstring& path, int attempts, unsigned pauseMs);

// Quotes a path for a flag: flag + '"' + path + '"'.
std::wstring QuotedFlag(const wchar_t* flag, const std::wstring& path);

// Starts the next launcher process through the shell (default verb, normal show state) with
// its hand-off flags; true when the shell reported success.
bool StartThroughShell(const std::wstring& exe, const std::wstring& parameters,
                       const std::wstring& workingDir);
