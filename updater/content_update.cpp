#include "updater/content_update.h"

#include <windows.h>

#include "core/integrity.h"
#include "core/names.h"
#include "game/graphics_options.h"
#include "updater/state_file.h"
#include "updater/update_run.h"

namespace updater {

Result RunUpdate(const std::wstring& baseUrl, const std::wstring& appDir,
                 const ProgressCallback& progress) {
  if (!InitCrypto()) return Result{false, L"falha ao iniciar biblioteca de criptografia"};

  Result base = RunManifest(baseUrl, appDir, names::kManifestName, names::kStateFile,
                            PathFilter(), progress);
  if (!base.ok) return base;

  if (ReadGraphicsFlag(appDir, L"TexturasHD") == 0 && ReadGraphicsFlag(appDir, L"CeuHD") == 0)
    return base;

  const PathFilter filter = [&appDir](const std::wstring& path) {
    return IsEnabledPackFile(appDir, path);
  };
  const Result hd = RunManifest(baseUrl, appDir, names::kManifestHdName, names::kStateFileHd,
                                 filter, progress);
  if (!hd.ok) {
    // Without its index file a half-updated pack is not loaded; the next run fetches the
    // index again because it is missing locally.
    for (const wchar_t* stem : {L"talvore_hd", L"talvore_hd_ceu", L"talvore_hd2"})
      DeleteFileW((appDir + L"\\pack\\" + stem + L".eix").c_str());
  }

  Progress done;
  done.phase = 4;
  done.text = L"Atualizado.";
  if (progress) progress(done);
  return base;
}

}  // namespace updater

bool IsEnabledPackFile(const std::wstring& appDir, const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  std::wstring stem = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const size_t dot = stem.rfind(L'.');
  if (dot != std::wstring::npos) stem.resize(dot);
  if (stem == L"talvore_hd" || stem == L"talvore_hd2")
    return ReadGraphicsFlag(appDir, L"TexturasHD") != 0;
  if (stem == L"talvore_hd_ceu") return ReadGraphicsFlag(appDir, L"CeuHD") != 0;
  return false;
}
