#include "updater/manifest.h"

#include <exception>

#include "core/integrity.h"
#include "core/json.h"
#include "core/text.h"

namespace updater {
namespace {

// A component of only dots and spaces with two or more dots ("..", "...", ". .") can walk up
// once Windows trims trailing dots and spaces from path components.
bool IsParentComponent(const std::wstring& component) {
  int dots = 0;
  for (wchar_t c : component) {
    if (c == L'.') {
      ++dots;
    } else if (c != L' ') {
      return false;
    }
  }
  return dots >= 2;
}

// Entry paths must stay inside the game folder: no root or drive, no UNC or device prefix,
// no ":" (drives, alternate data streams), no parent components, no embedded NUL (which would
// make the path the system opens differ from the one checked).
bool IsSafeRelativePath(const std::wstring& path) {
  if (path.empty() || path[0] == L'\\') return false;
  if (path.find(L':') != std::wstring::npos) return false;
  if (path.find(L'\0') != std::wstring::npos) return false;
  size_t start = 0;
  for (;;) {
    const size_t sep = path.find(L'\\', start);
    if (IsParentComponent(path.substr(start, sep == std::wstring::npos ? sep : sep - start)))
      return false;
    if (sep == std::wstring::npos) return true;
    start = sep + 1;
  }
}

const jsonmin::Value* FindOfType(const jsonmin::Value& object, const char* key,
                                 jsonmin::Type type) {
  const jsonmin::Value* v = object.Find(key);
  return v && v->type == type ? v : nullptr;
}

bool ParseManifestChecked(const std::string& bytes, int64_t& version,
                          std::vector<ManifestEntry>& entries, std::wstring& message) {
  const jsonmin::Value root = jsonmin::Parse(bytes);
  if (root.type != jsonmin::Type::Object) {
    message = L"manifest.json nao e um objeto";
    return false;
  }
  version = TruncateToInt64(root.NumberOr("version", -1.0));
  if (version < 0) {
    message = L"manifest.json sem campo 'version' valido";
    return false;
  }
  const jsonmin::Value* files = FindOfType(root, "files", jsonmin::Type::Array);
  if (!files) {
    message = L"manifest.json sem campo 'files' valido";
    return false;
  }
  for (const jsonmin::Value& item : files->items) {
    std::string rawPath = item.StringOr("path", "");
    if (rawPath.empty()) {
      message = L"entrada de arquivo sem 'path'";
      return false;
    }
    for (char& c : rawPath) {
      if (c == '/') c = '\\';
    }
    ManifestEntry entry;
    entry.path = Utf8ToWide(rawPath);
    if (!IsSafeRelativePath(entry.path)) {
      message = L"caminho de arquivo invalido: " + entry.path;
      return false;
    }
    entry.size = TruncateToInt64(item.NumberOr("size", -1.0));
    if (!HexDecode(item.StringOr("sha256", ""), entry.sha256.data(), entry.sha256.size())) {
      message = L"hash sha256 invalido para " + entry.path;
      return false;
    }
    entries.push_back(std::move(entry));
  }
  return true;
}

}  // namespace

bool ParseManifest(const std::string& bytes, int64_t& version,
                   std::vector<ManifestEntry>& entries, std::wstring& message) {
  try {
    return ParseManifestChecked(bytes, version, entries, message);
  } catch (const std::exception& e) {
    message = L"falha ao interpretar manifest.json: " + Utf8ToWide(e.what());
    return false;
  }
}

bool ParseLauncherManifest(const std::string& bytes, LauncherManifest& out) {
  try {
    const jsonmin::Value root = jsonmin::Parse(bytes);
    if (root.type != jsonmin::Type::Object) return false;
    const int64_t version = TruncateToInt64(root.NumberOr("version", -1.0));
    const std::string url = root.StringOr("url", "");
    const std::string digest = root.StringOr("sha256", "");
    if (version < 0 || url.empty() || digest.empty()) return false;
    LauncherManifest parsed;
    if (!HexDecode(digest, parsed.sha256.data(), parsed.sha256.size())) return false;
    parsed.version = version;
    parsed.url = Utf8ToWide(url);
    out = std::move(parsed);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace updater
