#include "app/startup_flags.h"

#include <windows.h>
#include <shellapi.h>

namespace {
constexpr int kCleanupAttempts = 20;
constexpr unsigned kCleanupPauseMs = 250;
}  // namespace

bool FindCleanupPath(const std::wstring& commandLine, const std::wstring& flag,
                     std::wstring* path) {
  const std::wstring key = flag + L"\"";
  const size_t at = commandLine.find(key);
  if (at == std::wstring::npos) return false;
  const size_t start = at + key.size();
  const size_t end = commandLine.find(L'"', start);
  if (end == std::wstring::npos) return false;
  *path = commandLine.substr(start, end - start);
  return true;
}

int DeleteFileWithRetries(const std::wstring& path, int attempts, unsigned pauseMs) {
  for (int i = 1; i <= attempts; ++i) {
    if (DeleteFileW(path.c_str())) return i;
    Sleep(pauseMs);
  }
  return attempts;
}

void RunCleanupFlag(const wchar_t* flag) {
  std::wstring path;
  if (!FindCleanupPath(GetCommandLineW(), flag, &path)) return;
  DeleteFileWithRetries(path, kCleanupAttempts, kCleanupPauseMs);
}

std::wstring GetFlagValue(const std::wstring& commandLine, const std::wstring& flag) {
  if (commandLine.size() < flag.size()) return std::wstring();
  const size_t at = commandLine.find(flag);
  if (at == std::wstring::npos) return std::wstring();
  const size_t p = at + flag.size();
  if (p < commandLine.size() && commandLine[p] == L'"') {
    const size_t close = commandLine.find(L'"', p + 1);
    if (close == std::wstring::npos) return std::wstring();
    return commandLine.substr(p + 1, close - p - 1);
  }
  const size_t end = commandLine.find_first_of(L" \t", p);
  if (end == std::wstring::npos) return commandLine.substr(p < commandLine.size() ? p : commandLine.size());
  return commandLine.substr(p, end - p);
}

std::wstring QuotedFlag(const wchar_t* flag, const std::wstring& path) {
  return std::wstring(flag) + L"\"" + path + L"\"";
}

bool StartThroughShell(const std::wstring& exe, const std::wstring& parameters,
                       const std::wstring& workingDir) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.lpFile = exe.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = workingDir.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}
