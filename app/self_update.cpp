#include "app/self_update.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "app/startup_flags.h"
#include "core/handles.h"
#include "core/http_client.h"
#include "core/integrity.h"
#include "core/names.h"
#include "updater/manifest.h"
#include "updater/state_file.h"

namespace {

constexpr wchar_t kTempPrefix[] = L"TalvoreLauncher.selfupdate_tmp_";
constexpr wchar_t kTempExtension[] = L".exe";
constexpr int kCopyAttempts = 40;
constexpr DWORD kCopyPauseMs = 250;

// The running executable's full path, or empty when the system had to truncate it (a
// truncated path would name some other file).
std::wstring OwnExecutablePath() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return std::wstring(buffer, length);
}

// Beside the installed launcher, so the final rename stays on one volume; named like the
// downloads, so the stale sweep of the next start removes one left by a killed apply.
std::wstring SideFilePath(const std::wstring& target) {
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
  return folder + L"\\" + kTempPrefix + L"apply" + kTempExtension;
}

// A complete copy of source at dest, on the disk before it returns; on failure dest is gone.
// Only the bytes are copied: CopyFileW would also carry the running file's streams, such as
// the browser's downloaded-from-the-internet mark, onto the installed launcher.
bool CopyToDisk(const std::wstring& source, const std::wstring& dest) {
  bool ok = false;
  {
    handles::UniqueFile in = handles::MakeFile(
        source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    handles::UniqueFile out = handles::MakeFile(dest.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (in && out) {
      std::vector<char> buffer(1 << 16);
      for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                      nullptr))
          break;
        if (got == 0) {
          ok = FlushFileBuffers(out.get()) != 0;
          break;
        }
        DWORD written = 0;
        if (!WriteFile(out.get(), buffer.data(), got, &written, nullptr) || written != got) break;
      }
    }
  }
  if (!ok) DeleteFileW(dest.c_str());
  return ok;
}

// The new build goes in beside the installed one and then takes its name in one rename, so a
// full disk, a locked file or a power cut leaves the old launcher or the new one in place,
// never a truncated file.
bool ApplyLauncherUpdate(const std::wstring& target, const std::wstring& appDir) {
  const long long version =
      ParseApplyVersion(GetFlagValue(GetCommandLineW(), kFlagApplyLauncherVersion));
  const std::wstring self = OwnExecutablePath();
  const std::wstring side = SideFilePath(target);
  // The launcher that started us needs a moment to end and release its file.
  bool copied = false;
  bool replaced = false;
  for (int attempt = 0; attempt < kCopyAttempts && !replaced; ++attempt) {
    if (!copied) copied = !self.empty() && CopyToDisk(self, side);
    if (copied) {
      replaced = MoveFileExW(side.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
      // Another launcher's stale sweep may have removed it meanwhile.
      if (!replaced && GetLastError() == ERROR_FILE_NOT_FOUND) copied = false;
    }
    if (!replaced) Sleep(kCopyPauseMs);
  }
  if (!replaced) {
    DeleteFileW(side.c_str());
    return true;
  }
  if (version >= 0) updater::WriteAppliedLauncherVersion(appDir, version);
  StartThroughShell(target, QuotedFlag(kFlagCleanupSelfUpdateTemp, self), appDir);
  return true;
}

// A launcher just restarted by an apply hand-off; see the loop guard below.
bool StartedByUpdateHandOff() {
  std::wstring unused;
  return FindCleanupPath(GetCommandLineW(), kFlagCleanupSelfUpdateTemp, &unused);
}

bool SameDigest(const uint8_t* a, const uint8_t* b) {
  return std::equal(a, a + kSha256Size, b);
}

bool CheckAndHandOff(const std::wstring& baseUrl, const std::wstring& appDir,
                     long long builtInVersion) {
  if (!InitCrypto()) return false;

  std::string manifest;
  if (!HttpDownloadToMemory(baseUrl + names::kLauncherManifestPath, manifest).ok ||
      manifest.empty())
    return false;
  std::string signatureText;
  if (!HttpDownloadToMemory(baseUrl + names::kLauncherSignaturePath, signatureText).ok)
    return false;
  std::vector<uint8_t> signature;
  if (!Base64Decode(signatureText, signature) || signature.size() != kSignatureSize)
    return false;
  if (!VerifySignature(reinterpret_cast<const uint8_t*>(manifest.data()), manifest.size(),
                       signature.data(), kSigningPublicKey))
    return false;

  updater::LauncherManifest parsed;
  if (!updater::ParseLauncherManifest(manifest, parsed)) return false;
  const long long current =
      std::max<long long>(builtInVersion, updater::ReadAppliedLauncherVersion(appDir));
  if (parsed.version <= current) return false;
  // A build that was just installed but could not record its version would otherwise fetch
  // and install itself again on every restart, without ever opening its window.
  if (StartedByUpdateHandOff()) return false;

  const std::wstring temp = SelfUpdateTempPath(appDir, parsed.version);
  // A partial file left by a failed download is removed by the stale sweep that follows.
  if (!HttpDownloadToFile(parsed.url, temp).ok) return false;
  uint8_t digest[kSha256Size];
  if (!Sha256File(temp, digest) || !SameDigest(digest, parsed.sha256.data())) {
    DeleteFileW(temp.c_str());
    return false;
  }

  const std::wstring self = OwnExecutablePath();
  if (self.empty()) {
    DeleteFileW(temp.c_str());
    return false;
  }
  const std::wstring parameters = QuotedFlag(kFlagApplyLauncherUpdate, self) + L" " +
                                  kFlagApplyLauncherVersion + std::to_wstring(parsed.version);
  if (!StartThroughShell(temp, parameters, appDir)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::wstring SelfUpdateTempPath(const std::wstring& appDir, long long version) {
  return appDir + L"\\" + kTempPrefix + std::to_wstring(version) + kTempExtension;
}

long long ParseApplyVersion(const std::wstring& text) {
  if (text.empty()) return -1;
  return std::wcstoll(text.c_str(), nullptr, 10);
}

bool RunLauncherSelfUpdate(const std::wstring& baseUrl, const std::wstring& appDir,
                           long long builtInVersion) {
  const std::wstring target = GetFlagValue(GetCommandLineW(), kFlagApplyLauncherUpdate);
  if (!target.empty()) return ApplyLauncherUpdate(target, appDir);
  return CheckAndHandOff(baseUrl, appDir, builtInVersion);
}

void DeleteStaleSelfUpdateTemps(const std::wstring& appDir) {
  WIN32_FIND_DATAW entry{};
  handles::UniqueFind find(FindFirstFileW(
      (appDir + L"\\" + kTempPrefix + L"*" + kTempExtension).c_str(), &entry));
  if (!find) return;
  do {
    DeleteFileW((appDir + L"\\" + entry.cFileName).c_str());
  } while (FindNextFileW(find.get(), &entry));
}
