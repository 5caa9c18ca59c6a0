// talvore-update.exe BASE_URL FOLDER: runs the launcher's content update for FOLDER, printing
// one line per progress report ("phase index/count received/total text") and then "ok" or
// "Erro: " + message. Exit status 0 on success, 1 on failure, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <string>

#include "updater/content_update.h"
#include "updater/records.h"

namespace {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  if (written == 0 || written >= n) return path;
  full.resize(written);
  // The engine expects a folder without a trailing backslash (a drive root keeps its own).
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: talvore-update.exe BASE_URL FOLDER\n", stderr);
    return 2;
  }
  // Every received chunk is a report; a large buffer keeps printing off the download's path.
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

  int32_t lastPhase = -1;
  const updater::ProgressCallback print = [&lastPhase](const updater::Progress& p) {
    std::printf("%d %d/%d %llu/%llu %s\n", static_cast<int>(p.phase),
                static_cast<int>(p.fileIndex), static_cast<int>(p.fileCount),
                static_cast<unsigned long long>(p.bytesReceived),
                static_cast<unsigned long long>(p.bytesTotal), ToUtf8(p.text).c_str());
    if (p.phase != lastPhase) std::fflush(stdout);  // phase changes show up at once
    lastPhase = p.phase;
  };
  const updater::Result result = updater::RunUpdate(argv[1], FullPath(argv[2]), print);
  if (result.ok)
    std::puts("ok");
  else
    std::printf("Erro: %s\n", ToUtf8(result.message).c_str());
  std::fflush(stdout);
  return result.ok ? 0 : 1;
}
