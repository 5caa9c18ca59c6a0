#include "tests/support/test_support.h"

#include <algorithm>
#include <cstdlib>

#include <tlhelp32.h>

#include "core/handles.h"

namespace testing_support {

std::string GetEnv(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return L"";
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return "";
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

std::wstring UnixToWindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + Widen(unixPath);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

namespace {
std::wstring EnvPath(const char* name, const char* fallback) {
  const std::string value = GetEnv(name);
  return UnixToWindowsPath(value.empty() ? fallback : value);
}
}  // namespace

std::wstring TestHost() {
  const std::string host = GetEnv("TALVORE_TEST_HOST");
  return host.empty() ? L"127.0.0.2" : Widen(host);
}
std::wstring HttpRoot() { return L"http://" + TestHost() + L":47280"; }
std::wstring HttpsRoot() { return L"https://" + TestHost() + L":47443"; }
std::wstring TrustedHttpsRoot() { return L"https://" + TestHost() + L":47444"; }
std::wstring Port80Root() { return L"http://" + TestHost(); }

std::wstring ScratchDir() {
  static const std::wstring dir = [] {
    std::wstring d = EnvPath("TALVORE_TEST_SCRATCH", "/tmp/talvore-test-scratch");
    RemoveTree(d);
    CreateDirs(d);
    return d;
  }();
  return dir;
}

std::wstring FreshDir(const std::wstring& sub) {
  const std::wstring dir = ScratchDir() + L"\\" + sub;
  RemoveTree(dir);
  CreateDirs(dir);
  return dir;
}

std::wstring ServerWwwDir() { return EnvPath("TALVORE_TEST_SERVERS", "/tmp/talvore-servers") + L"\\www"; }
std::wstring ServerAccessLog() {
  return EnvPath("TALVORE_TEST_SERVERS", "/tmp/talvore-servers") + L"\\logs\\access.log";
}
std::wstring BinDir() { return EnvPath("TALVORE_BIN_DIR", "/tmp"); }
std::wstring TestsDir() { return EnvPath("TALVORE_TESTS_DIR", "/tmp"); }
std::wstring SourceDir() { return EnvPath("TALVORE_SOURCE_DIR", "/tmp"); }

long long LogSize() {
  // nginx writes a request's line after sending the answer: a short pause lets the lines of
  // requests that just finished land before the offset is taken.
  Sleep(50);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(ServerAccessLog().c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> LogLinesSince(long long offset) {
  // nginx writes each line with one write; a short pause lets the last one land.
  Sleep(50);
  std::string all;
  ReadBytes(ServerAccessLog(), &all);
  std::vector<std::string> lines;
  if (offset >= static_cast<long long>(all.size())) return lines;
  size_t start = static_cast<size_t>(offset);
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    if (end > start) lines.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  handles::UniqueFile f = handles::MakeFile(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (!f) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(f.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return true;
}

bool ReadBytes(const std::wstring& path, std::string* bytes) {
  handles::UniqueFile f = handles::MakeFile(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            OPEN_EXISTING);
  if (!f) return false;
  bytes->clear();
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof(buf), &got, nullptr) && got > 0) bytes->append(buf, got);
  return true;
}

std::string ReadBytesOr(const std::wstring& path, const std::string& fallback) {
  std::string bytes;
  return ReadBytes(path, &bytes) ? bytes : fallback;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateDirs(const std::wstring& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
}

void RemoveTree(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return;
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW fd;
  handles::UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &fd));
  if (find) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      RemoveTree(path + L"\\" + name);
    } while (FindNextFileW(find.get(), &fd));
  }
  find.reset();
  RemoveDirectoryW(path.c_str());
}

namespace {
void ListInto(const std::wstring& root, const std::wstring& rel, std::vector<std::wstring>* out) {
  WIN32_FIND_DATAW fd;
  const std::wstring dir = rel.empty() ? root : root + L"\\" + rel;
  handles::UniqueFind find(FindFirstFileW((dir + L"\\*").c_str(), &fd));
  if (!find) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring child = rel.empty() ? name : rel + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListInto(root, child, out);
    else
      out->push_back(child);
  } while (FindNextFileW(find.get(), &fd));
}
}  // namespace

std::vector<std::wstring> ListFilesRecursive(const std::wstring& dir) {
  std::vector<std::wstring> files;
  ListInto(dir, L"", &files);
  std::sort(files.begin(), files.end());
  return files;
}

int RunProcess(const std::wstring& commandLine, const std::wstring& workingDir, DWORD timeoutMs,
               std::string* output) {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  handles::UniqueHandle readEnd, writeEnd;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  if (output) {
    HANDLE r = nullptr, w = nullptr;
    if (!CreatePipe(&r, &w, &sa, 0)) return -1;
    readEnd.reset(r);
    writeEnd.reset(w);
    SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = w;
    si.hStdError = w;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION pi{};
  std::wstring cmd = commandLine;
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr,
                      workingDir.empty() ? nullptr : workingDir.c_str(), &si, &pi))
    return -1;
  handles::UniqueHandle process(pi.hProcess), thread(pi.hThread);
  writeEnd.reset();
  if (output) {
    output->clear();
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(readEnd.get(), buf, sizeof(buf), &got, nullptr) && got > 0) output->append(buf, got);
  }
  if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

namespace {
struct WindowSearch {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search->pid) return TRUE;
  wchar_t cls[256] = {};
  GetClassNameW(hwnd, cls, 256);
  if (wcscmp(cls, search->className) != 0) return TRUE;
  search->found = hwnd;
  return FALSE;
}
}  // namespace

HWND FindProcessWindow(DWORD pid, const wchar_t* className, DWORD timeoutMs) {
  WindowSearch search{pid, className, nullptr};
  WaitFor(
      [&] {
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs);
  return search.found;
}

std::wstring ProcessImagePath(DWORD pid) {
  handles::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return L"";
  wchar_t path[MAX_PATH * 2] = {};
  DWORD size = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process.get(), 0, path, &size)) return L"";
  return path;
}

DWORD FindProcessByImage(const std::wstring& image, DWORD timeoutMs) {
  DWORD found = 0;
  WaitFor(
      [&] {
        handles::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return false;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
             more = Process32NextW(snapshot.get(), &entry)) {
          if (_wcsicmp(ProcessImagePath(entry.th32ProcessID).c_str(), image.c_str()) == 0) {
            found = entry.th32ProcessID;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

}  // namespace testing_support
