#include "updater/state_file.h"

#include <windows.h>

#include <cstdio>
#include <exception>

#include "core/handles.h"
#include "core/json.h"
#include "core/names.h"
#include "updater/version_number.h"

namespace updater {
namespace {

int64_t ReadKey(const std::wstring& path, const char* key) {
  return StateValueFromBytes(ReadWholeFile(path), key);
}

// Writes the bytes beside the target, forces them to disk, then swaps the new file in with one
// rename: a crash at any point leaves the old file or the new one, never a truncated one.
bool ReplaceFileAtomically(const std::wstring& path, const std::string& bytes) {
  const std::wstring temp = path + names::kTempSuffix;
  {
    handles::UniqueFile file =
        handles::MakeFile(temp.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                              &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file.get());
    if (!ok) {
      file.reset();
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  // A reader holding the old file open (a scanner, say) blocks the replace for a moment.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (attempt > 0) Sleep(100);
    if (MoveFileExW(temp.c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
  }
  DeleteFileW(temp.c_str());
  return false;
}

std::wstring StatePath(const std::wstring& dir, const wchar_t* fileName) {
  return dir + L"\\" + fileName;
}

}  // namespace

int64_t StateValueFromBytes(const std::string& bytes, const char* key) {
  if (bytes.empty()) return -1;
  try {
    const jsonmin::Value root = jsonmin::Parse(bytes);
    const jsonmin::Value* v = root.Find(key);
    if (v && v->type == jsonmin::Type::Number) return TruncateToInt64(v->number);
  } catch (...) {
  }
  return -1;
}

std::string ReadWholeFile(const std::wstring& path) {
  std::string bytes;
  handles::UniqueStdio file(_wfopen(path.c_str(), L"rb"));
  if (!file) return bytes;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  return bytes;
}

int64_t ReadAppliedVersion(const std::wstring& dir, const wchar_t* fileName) {
  return ReadKey(StatePath(dir, fileName), "applied_version");
}

int64_t ReadAppliedLauncherVersion(const std::wstring& dir) {
  return ReadKey(StatePath(dir, names::kStateFile), "applied_launcher_version");
}

bool WriteAppliedVersion(const std::wstring& dir, const wchar_t* fileName, int64_t version) {
  if (version < 0) return false;  // the layouts hold unsigned decimals only
  const std::wstring path = StatePath(dir, fileName);
  const int64_t launcher = ReadKey(path, "applied_launcher_version");
  std::string bytes = "{\n  \"applied_version\": " + std::to_string(version);
  if (launcher >= 0) bytes += ",\n  \"applied_launcher_version\": " + std::to_string(launcher);
  bytes += "\n}\n";
  return ReplaceFileAtomically(path, bytes);
}

void WriteAppliedLauncherVersion(const std::wstring& dir, int64_t launcherVersion) {
  if (launcherVersion < 0) return;
  const std::wstring path = StatePath(dir, names::kStateFile);
  const int64_t applied = ReadKey(path, "applied_version");
  std::string bytes = "{\n";
  if (applied >= 0) bytes += "  \"applied_version\": " + std::to_string(applied) + ",\n";
  bytes += "  \"applied_launcher_version\": " + std::to_string(launcherVersion) + "\n}\n";
  ReplaceFileAtomically(path, bytes);
}

}  // namespace updater
