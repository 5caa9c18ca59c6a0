// Properties every input must keep, whatever its bytes: shared by the libFuzzer harnesses
// (native, sanitized) and the mutation run under Wine (the real Win32 text conversion). Each
// check returns an empty string, or what went wrong.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/self_install.h"
#include "core/integrity.h"
#include "game/game_config.h"
#include "updater/manifest.h"
#include "updater/state_file.h"

namespace fuzz_checks {

// A path component as Windows resolves it: trailing dots and spaces are dropped.
inline std::wstring AsWindowsResolves(const std::wstring& component) {
  size_t end = component.size();
  while (end > 0 && (component[end - 1] == L'.' || component[end - 1] == L' ')) --end;
  return component.substr(0, end);
}

// An accepted entry path names something inside the game folder.
inline std::string EscapesGameFolder(const std::wstring& path) {
  if (path.empty()) return "empty path accepted";
  if (path[0] == L'\\') return "rooted path accepted";
  if (path.find_first_of(std::wstring(L":/\0", 3)) != std::wstring::npos)
    return "path with ':', '/' or NUL accepted";
  size_t start = 0;
  for (;;) {
    const size_t sep = path.find(L'\\', start);
    const std::wstring part = path.substr(start, sep == std::wstring::npos ? sep : sep - start);
    if (AsWindowsResolves(part).empty() && part.find(L"..") != std::wstring::npos)
      return "parent component accepted";
    if (sep == std::wstring::npos) return "";
    start = sep + 1;
  }
}

inline std::string CheckManifest(const std::string& bytes) {
  int64_t version = -1;
  std::vector<updater::ManifestEntry> entries;
  std::wstring message;
  const bool ok = updater::ParseManifest(bytes, version, entries, message);
  if (!ok) {
    if (message.empty()) return "refused without a message";
  } else {
    if (version < 0) return "negative version accepted";
    if (!message.empty()) return "accepted with a message";
    for (const updater::ManifestEntry& entry : entries) {
      const std::string problem = EscapesGameFolder(entry.path);
      if (!problem.empty()) return problem;
    }
  }
  // The same bytes as a signature file.
  std::vector<uint8_t> decoded(3, 0xAA);
  if (Base64Decode(bytes, decoded)) {
    if (decoded.size() > bytes.size() / 4 * 3 + 2) return "base64 output longer than its input";
  } else if (!decoded.empty()) {
    return "failed base64 decoding left output behind";
  }
  return "";
}

inline std::string CheckLauncherManifest(const std::string& bytes) {
  updater::LauncherManifest out;
  out.version = -77;
  out.url = L"untouched";
  if (updater::ParseLauncherManifest(bytes, out)) {
    if (out.version < 0) return "negative launcher version accepted";
    if (out.url.empty()) return "empty launcher url accepted";
  } else if (out.version != -77 || out.url != L"untouched") {
    return "refused launcher manifest changed its output";
  }
  return "";
}

inline std::string CheckStateFile(const std::string& bytes) {
  for (const char* key : {"applied_version", "applied_launcher_version"}) {
    const int64_t value = updater::StateValueFromBytes(bytes, key);
    if (value != updater::StateValueFromBytes(bytes, key)) return "reading is not repeatable";
    // Without the key's text (or an escape that could spell it) nothing can be recorded.
    if (value != -1 && bytes.find(key) == std::string::npos &&
        bytes.find('\\') == std::string::npos)
      return std::string("a value for ") + key + " without the key in the file";
  }
  return "";
}

inline bool IsConfigSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

inline std::string CheckConfigLines(const std::string& bytes) {
  const std::vector<std::string> lines = SplitConfigLines(bytes);
  for (const std::string& line : lines) {
    if (line.find('\n') != std::string::npos) return "line holds a line feed";
    if (!line.empty() && line.back() == '\r') return "line ends with a carriage return";
  }
  if (SplitConfigLines(JoinConfigLines(lines)) != lines) return "rewrite does not keep the lines";
  for (const char* key : {"WIDTH", "HEIGHT", "BPP", "FREQUENCY", "MUSIC_VOLUME", "VOICE_VOLUME",
                          "GAMMA", "WINDOWED", "SHADOW_LEVEL"}) {
    const std::string value = GetConfigValue(lines, key);
    if (!value.empty() && (IsConfigSpace(value.front()) || IsConfigSpace(value.back())))
      return std::string("value of ") + key + " keeps surrounding blanks";
    ParseIntOr(value, 0);
    if (!std::isfinite(ParseFloatOr(value, 1.0f))) return "non-finite float";
    // Setting a key and reading it back gives the value, and touches that one line only.
    for (const char* written : {"1", "0.500"}) {
      std::vector<std::string> changed = lines;
      SetConfigValue(changed, key, written);
      if (GetConfigValue(changed, key) != written)
        return std::string("value set for ") + key + " does not read back";
      if (changed.size() != lines.size() && changed.size() != lines.size() + 1)
        return "setting a value changed the number of lines";
      size_t k = 0;  // the first line that differs
      while (k < lines.size() && lines[k] == changed[k]) ++k;
      const size_t added = changed.size() - lines.size();
      for (size_t i = k + 1 - added; i < lines.size(); ++i) {
        if (lines[i] != changed[i + added])
          return std::string("setting ") + key + " changed other lines";
      }
    }
  }
  ParseIntOr(bytes, 0);
  if (!std::isfinite(ParseFloatOr(bytes, 1.0f))) return "non-finite float";
  return "";
}

inline std::string CheckLauncherConfig(const std::string& bytes) {
  const std::wstring url = BaseUrlFromConfigBytes(bytes);
  const bool blank = bytes.find_first_not_of("\r\n") == std::string::npos;
  if (url.empty() != blank) return "base url missing or invented";
  if (url.empty()) return "";
  if (url.find(L'\n') != std::wstring::npos) return "base url holds a line feed";
  if (url.back() == L'\r') return "base url ends with a carriage return";
  std::string narrow;
  for (wchar_t c : url) {
    if (static_cast<uint32_t>(c) > 0xFF) return "base url character beyond one byte";
    narrow += static_cast<char>(c);
  }
  const size_t first = bytes.find_first_not_of("\r\n");
  const size_t newline = first == 0 ? std::string::npos : bytes.rfind('\n', first - 1);
  const size_t start = newline == std::string::npos ? 0 : newline + 1;
  if (bytes.compare(start, narrow.size(), narrow) != 0)
    return "base url is not the first non-empty line";
  const size_t after = start + narrow.size();
  const size_t lineEnd = std::min(bytes.find('\n', after), bytes.size());
  if (bytes.find_first_not_of('\r', after) < lineEnd) return "base url cut short";
  return "";
}

}  // namespace fuzz_checks
