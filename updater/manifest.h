// Signed manifests: the content manifests ("manifest.json", "manifest_hd.json") and the
// launcher's own manifest. Both are parsed only after their signature was verified.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "updater/version_number.h"

namespace updater {

struct ManifestEntry {
  std::wstring path;  // relative to the game folder, backslash separators
  int64_t size = -1;  // declared size, -1 when missing; not used for checking
  std::array<uint8_t, 32> sha256{};
};

// Validates a content manifest. The caller passes version = -1 and an empty list. On false,
// message holds the reason (every message names "manifest.json"); version and entries may
// then hold partial results and must be ignored. Entry paths that are absolute, contain ":"
// or a ".." component are refused, so nothing outside the game folder can be named.
bool ParseManifest(const std::string& bytes, int64_t& version,
                   std::vector<ManifestEntry>& entries, std::wstring& message);

struct LauncherManifest {
  int64_t version = -1;
  std::wstring url;  // absolute URL of the new launcher executable
  std::array<uint8_t, 32> sha256{};
};

// Reads "launcher_manifest.json": true when it is a JSON object with a "version" of 0 or
// more, a non-empty "url" and a "sha256" of 64 hexadecimal digits. Failures carry no message
// (the self-update silently does nothing); never throws.
bool ParseLauncherManifest(const std::string& bytes, LauncherManifest& out);

}  // namespace updater
