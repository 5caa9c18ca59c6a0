// The update state files that record applied versions (anti-rollback). Reading is tolerant:
// any problem reads as -1, none recorded. Writes replace the file atomically, so a crash
// leaves either the old or the new content, never a truncated file.
#pragma once

#include <cstdint>
#include <string>

namespace updater {

// "applied_version" of dir + "\" + fileName (names::kStateFile or kStateFileHd), -1 when none.
int64_t ReadAppliedVersion(const std::wstring& dir, const wchar_t* fileName);
// Records version (0 or more), keeping the file's "applied_launcher_version". True when the
// new file was put in place; on false the old file is untouched.
bool WriteAppliedVersion(const std::wstring& dir, const wchar_t* fileName, int64_t version);

// "applied_launcher_version" of "launcher_state.json" in dir, -1 when none.
int64_t ReadAppliedLauncherVersion(const std::wstring& dir);
// Records launcherVersion (0 or more) in "launcher_state.json", keeping "applied_version".
void WriteAppliedLauncherVersion(const std::wstring& dir, int64_t launcherVersion);

// The number under key in the bytes of a state file, truncated toward zero; -1 when the bytes
// are not a JSON object holding a number there.
int64_t StateValueFromBytes(const std::string& bytes, const char* key);

// The file's bytes unchanged; empty when it cannot be opened.
std::string ReadWholeFile(const std::wstring& path);

}  // namespace updater
