// Helpers for the Windows test binaries: scratch folders, files, processes and the loopback
// servers started by the harness.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Loopback servers (see tests/harness/servers), on the host named by TALVORE_TEST_HOST.
std::wstring TestHost();       // e.g. 127.0.0.2
std::wstring HttpRoot();       // http://H:47280
std::wstring HttpsRoot();      // https://H:47443 (untrusted certificate)
std::wstring TrustedHttpsRoot();  // https://H:47444 (certificate from the trusted test CA)
std::wstring Port80Root();     // http://H, where the HTTPS fallback lands

std::string GetEnv(const char* name);

// A Unix path as Wine sees it through its Z: drive.
std::wstring UnixToWindowsPath(const std::string& unixPath);

// The suite's scratch folder (Windows path), emptied and created on first use; sub names a
// fresh subfolder inside it.
std::wstring ScratchDir();
std::wstring FreshDir(const std::wstring& sub);

// The servers' document root and request log (Windows paths).
std::wstring ServerWwwDir();
std::wstring ServerAccessLog();
// Lines of the request log appended since the given offset; LogSize gives the offset.
long long LogSize();
std::vector<std::string> LogLinesSince(long long offset);

std::wstring BinDir();    // build/bin
std::wstring TestsDir();  // build/tests
std::wstring SourceDir();

bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool ReadBytes(const std::wstring& path, std::string* bytes);
std::string ReadBytesOr(const std::wstring& path, const std::string& fallback = "");
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
void CreateDirs(const std::wstring& path);
void RemoveTree(const std::wstring& path);
// Relative paths (backslash separators) of every file below dir, sorted.
std::vector<std::wstring> ListFilesRecursive(const std::wstring& dir);

// Runs a command line, waits up to timeoutMs; returns the exit code, or -1 on a time-out
// (the process is then terminated) or when it could not start.
int RunProcess(const std::wstring& commandLine, const std::wstring& workingDir,
               DWORD timeoutMs = 60000, std::string* output = nullptr);

// Waits until predicate() holds, polling every 20 ms; false after timeoutMs.
template <typename Predicate>
bool WaitFor(Predicate predicate, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!predicate()) {
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
  return true;
}

// The first visible-or-not top-level window of the given class owned by process pid, waiting
// up to timeoutMs; nullptr if none appeared.
HWND FindProcessWindow(DWORD pid, const wchar_t* className, DWORD timeoutMs);

// Full image path of a running process, empty if it cannot be read.
std::wstring ProcessImagePath(DWORD pid);

// The id of a running process whose image is the given path (any letter case), waiting up to
// timeoutMs; 0 if none appeared.
DWORD FindProcessByImage(const std::wstring& image, DWORD timeoutMs);

std::string Narrow(const std::wstring& wide);  // UTF-8, for messages
std::wstring Widen(const std::string& utf8);

}  // namespace testing_support
