#include "app/self_install.h"

#include <windows.h>

#include "app/startup_flags.h"
#include "core/handles.h"
#include "core/names.h"
#include "core/text.h"

const std::wstring kDefaultBaseUrl = std::wstring(deployment::kSiteUrl) + names::kUpdateBasePath;

namespace {

bool EqualsIgnoringAsciiCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == 0;
}

}  // namespace

bool IsInstallFolder(const std::wstring& appDir) {
  const size_t slash = appDir.rfind(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? appDir : appDir.substr(slash + 1);
  if (EqualsIgnoringAsciiCase(folder, names::kInstallFolder)) return true;
  const std::wstring client = appDir + L"\\" + names::kGameClientExe;
  return GetFileAttributesW(client.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SelfInstallIfNeeded() {
  const std::wstring dir = GetAppDirectory();
  if (IsInstallFolder(dir)) return false;

  const std::wstring installDir = dir + L"\\" + names::kInstallFolder;
  if (!CreateDirectoryW(installDir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return false;

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring installedExe = installDir + L"\\" + names::kInstalledExe;
  if (!CopyFileW(self, installedExe.c_str(), FALSE)) return false;

  const std::wstring cfgFrom = dir + L"\\" + names::kLauncherConfig;
  const std::wstring cfgTo = installDir + L"\\" + names::kLauncherConfig;
  CopyFileW(cfgFrom.c_str(), cfgTo.c_str(), FALSE);

  return StartThroughShell(installedExe, QuotedFlag(kFlagCleanupOriginal, self), installDir);
}

std::wstring BaseUrlFromConfigBytes(const std::string& bytes) {
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    size_t stop = end;
    while (stop > start && (bytes[stop - 1] == '\r' || bytes[stop - 1] == '\n')) --stop;
    if (stop > start) {
      // Single-byte text: one character per byte.
      std::wstring line;
      line.reserve(stop - start);
      for (size_t i = start; i < stop; ++i)
        line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])));
      return line;
    }
    start = end + 1;
  }
  return std::wstring();
}

std::wstring LoadBaseUrl(const std::wstring& appDir) {
  const std::wstring path = appDir + L"\\" + names::kLauncherConfig;
  handles::UniqueFile file = handles::MakeFile(path.c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file) return kDefaultBaseUrl;
  // The file is a few bytes; a huge one is read only up to a bound.
  constexpr size_t kMaxConfigBytes = 1024 * 1024;
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (bytes.size() < kMaxConfigBytes &&
         ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) {
    bytes.append(chunk, got);
  }
  const std::wstring url = BaseUrlFromConfigBytes(bytes);
  return url.empty() ? kDefaultBaseUrl : url;
}
