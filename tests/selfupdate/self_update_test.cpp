// The real launcher updating itself: the shipped build (built-in 16) and a second build of the
// same sources (built-in 17) against trees published by talvore-publish (see
// self_update_test.sh), checking the folder, the state file bytes and the server's log.
#include <gtest/gtest.h>

#include <windows.h>

#include <sodium.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/handles.h"
#include "core/integrity.h"
#include "tests/support/test_support.h"

namespace ts = testing_support;

namespace {

constexpr wchar_t kWindowClass[] = L"TalvoreLauncherWindow";
constexpr char kManifest[] = "launcher_manifest.json";
constexpr char kSignature[] = "launcher_manifest.sig";

std::wstring OldBuild() { return ts::BinDir() + L"\\TalvoreLauncher.exe"; }
std::wstring NewBuild() { return ts::TestsDir() + L"\\TalvoreLauncherNext.exe"; }
// The trees' folder below the server root: selfupdate, or the release test's own.
std::string Trees() {
  const std::string trees = ts::GetEnv("TALVORE_SELFUPDATE_TREES");
  return trees.empty() ? "selfupdate" : trees;
}
std::wstring TreeDir(const std::wstring& tree) {
  return ts::ServerWwwDir() + L"\\" + ts::Widen(Trees()) + L"\\" + tree;
}
std::string TreeUrl(const std::string& tree) {
  return ts::Narrow(ts::HttpRoot()) + "/" + Trees() + "/" + tree;
}

std::string LauncherState(long long version) {
  return "{\n  \"applied_launcher_version\": " + std::to_string(version) + "\n}\n";
}

// A launcher folder named "Talvore" (no self-installation) holding the shipped build and a
// launcher.cfg for the given tree.
std::wstring LauncherFolder(const std::wstring& name, const std::string& tree) {
  const std::wstring dir = ts::FreshDir(name + L"\\Talvore");
  EXPECT_TRUE(CopyFileW(OldBuild().c_str(), (dir + L"\\TalvoreLauncher.exe").c_str(), FALSE));
  EXPECT_TRUE(ts::WriteBytes(dir + L"\\launcher.cfg", TreeUrl(tree) + "\r\n"));
  return dir;
}

// What the self-update leaves in a folder: the launcher's own executables and state file
// (the window's content update and settings files are not its business).
std::vector<std::wstring> SelfUpdateFiles(const std::wstring& dir) {
  std::vector<std::wstring> out;
  for (const std::wstring& f : ts::ListFilesRecursive(dir)) {
    const std::wstring name = f.substr(f.find_last_of(L'\\') + 1);
    if (name.rfind(L"TalvoreLauncher", 0) == 0 || name.rfind(L"launcher_state", 0) == 0)
      out.push_back(f);
  }
  return out;
}

// Launcher-manifest and build requests under the tree, relative to it, in order.
std::vector<std::string> TreeRequests(const std::string& tree, long long since) {
  const std::string prefix = " /" + Trees() + "/" + tree + "/";
  std::vector<std::string> out;
  for (const std::string& line : ts::LogLinesSince(since)) {
    const size_t at = line.find(prefix);
    if (at == std::string::npos) continue;
    const size_t start = at + prefix.size();
    const std::string path = line.substr(start, line.find(' ', start) - start);
    if (path.rfind("launcher_manifest", 0) == 0 || path.find(".exe") != std::string::npos)
      out.push_back(path);
  }
  return out;
}

std::vector<std::string> Repeat(const std::vector<std::string>& what, int times) {
  std::vector<std::string> out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), what.begin(), what.end());
  return out;
}

struct Started {
  handles::UniqueHandle process;
  DWORD pid = 0;
};

Started Start(const std::wstring& exe, const std::wstring& dir, const std::wstring& args = L"") {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  Started started;
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                      &pi))
    return started;
  CloseHandle(pi.hThread);
  started.process.reset(pi.hProcess);
  started.pid = pi.dwProcessId;
  return started;
}


// Waits for the process to end on its own; its exit code, or -1 (then it is terminated).
int WaitForExit(HANDLE process, DWORD timeoutMs) {
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process, 99);
    return -1;
  }
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  return static_cast<int>(code);
}

handles::UniqueHandle OpenForWaiting(DWORD pid) {
  return handles::UniqueHandle(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
}

// Closes the main window of pid and returns the exit code; -1 when no window appeared.
int CloseLauncher(DWORD pid) {
  handles::UniqueHandle process = OpenForWaiting(pid);
  if (!process) return -1;
  HWND hwnd = ts::FindProcessWindow(pid, kWindowClass, 30000);
  if (!hwnd) {
    TerminateProcess(process.get(), 99);
    return -1;
  }
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return WaitForExit(process.get(), 20000);
}

// An ordinary start that must end in the main window of the same process.
void StartAndClose(const std::wstring& exe, const std::wstring& dir) {
  const Started started = Start(exe, dir);
  ASSERT_NE(started.pid, 0u);
  EXPECT_EQ(CloseLauncher(started.pid), 0) << "the launcher did not open its window";
}

// A start that hands over: the first process ends by itself, and the launcher at installed
// opens its window in a later process.
void StartHandOffAndClose(const std::wstring& exe, const std::wstring& dir,
                          const std::wstring& installed, const std::wstring& args = L"") {
  const Started first = Start(exe, dir, args);
  ASSERT_NE(first.pid, 0u);
  ASSERT_EQ(WaitForExit(first.process.get(), 60000), 0) << "the first process did not hand over";
  const DWORD restarted = ts::FindProcessByImage(installed, 40000);
  ASSERT_NE(restarted, 0u) << "no launcher restarted at " << ts::Narrow(installed);
  EXPECT_EQ(CloseLauncher(restarted), 0);
}

// Ed25519 over the bytes with the demo key, as a signature file.
std::string SignatureFile(const std::string& bytes) {
  std::string hex = ts::ReadBytesOr(ts::SourceDir() + L"\\demo\\keys\\demo-signing.secret");
  hex = hex.substr(0, 128);
  uint8_t secret[64];
  EXPECT_TRUE(HexDecode(hex, secret, sizeof(secret)));
  uint8_t signature[64];
  EXPECT_EQ(sodium_init() >= 0, true);
  crypto_sign_detached(signature, nullptr, reinterpret_cast<const uint8_t*>(bytes.data()),
                       bytes.size(), secret);
  char text[sodium_base64_ENCODED_LEN(64, sodium_base64_VARIANT_ORIGINAL)];
  sodium_bin2base64(text, sizeof(text), signature, sizeof(signature),
                    sodium_base64_VARIANT_ORIGINAL);
  return std::string(text) + "\n";
}

void WriteTree(const std::wstring& tree, const std::string& manifest, const std::string& sig) {
  ts::CreateDirs(TreeDir(tree));
  ASSERT_TRUE(ts::WriteBytes(TreeDir(tree) + L"\\launcher_manifest.json", manifest));
  ASSERT_TRUE(ts::WriteBytes(TreeDir(tree) + L"\\launcher_manifest.sig", sig));
}

// The new build grown by 1 MiB past its last section (the loader ignores such a tail): a
// build that does not fit where the old one was.
const std::string& BiggerNewBuild() {
  static const std::string bytes = ts::ReadBytesOr(NewBuild()) + std::string(1 << 20, '\0');
  return bytes;
}

// Names the build a file holds, so a failure does not print megabytes.
std::string WhichBuild(const std::wstring& path) {
  static const std::string oldBytes = ts::ReadBytesOr(OldBuild());
  static const std::string newBytes = ts::ReadBytesOr(NewBuild());
  std::string bytes;
  if (!ts::ReadBytes(path, &bytes)) return "missing";
  if (bytes == oldBytes) return "old build";
  if (bytes == newBytes) return "new build";
  if (bytes == BiggerNewBuild()) return "bigger new build";
  return "other (" + std::to_string(bytes.size()) + " bytes)";
}

std::wstring ApplyArgs(const std::wstring& installed) {
  return L"--apply-launcher-update=\"" + installed + L"\" --apply-launcher-version=";
}

class SelfUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string oldBytes = ts::ReadBytesOr(OldBuild());
    ASSERT_FALSE(oldBytes.empty());
    ASSERT_FALSE(ts::ReadBytesOr(NewBuild()).empty());
    ASSERT_TRUE(oldBytes != ts::ReadBytesOr(NewBuild())) << "the two builds must differ";
  }
};

}  // namespace

TEST_F(SelfUpdate, NewerBuildIsInstalledThroughThreeProcessesAndNeverAgain) {
  // Published as 30 while the new build's own number is 17: only the record stops a loop.
  const std::wstring dir = LauncherFolder(L"update", "update");
  const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
  long long mark = ts::LogSize();
  StartHandOffAndClose(exe, dir, exe);

  EXPECT_EQ(WhichBuild(exe), "new build");
  EXPECT_EQ(ts::ReadBytesOr(dir + L"\\launcher_state.json"), LauncherState(30));
  EXPECT_EQ(SelfUpdateFiles(dir),
            (std::vector<std::wstring>{L"TalvoreLauncher.exe", L"launcher_state.json"}));
  EXPECT_EQ(TreeRequests("update", mark),
            (std::vector<std::string>{kManifest, kSignature, "builds/TalvoreLauncher-30.exe",
                                      kManifest, kSignature}));

  mark = ts::LogSize();
  for (int i = 0; i < 10; ++i) StartAndClose(exe, dir);
  EXPECT_EQ(TreeRequests("update", mark), Repeat({kManifest, kSignature}, 10));
  EXPECT_EQ(WhichBuild(exe), "new build");
  EXPECT_EQ(ts::ReadBytesOr(dir + L"\\launcher_state.json"), LauncherState(30));
  EXPECT_EQ(SelfUpdateFiles(dir),
            (std::vector<std::wstring>{L"TalvoreLauncher.exe", L"launcher_state.json"}));
}

TEST_F(SelfUpdate, NothingIsDownloadedUnlessTheSignedManifestIsNewer) {
  // Derived trees: the published 17 re-saved with CRLF under its LF signature, and a
  // correctly signed manifest whose version is a string.
  const std::string v17 = ts::ReadBytesOr(TreeDir(L"v17") + L"\\launcher_manifest.json");
  ASSERT_NE(v17.find("\"version\": 17"), std::string::npos) << v17;
  std::string crlf;
  for (char c : v17) crlf += (c == '\n') ? std::string("\r\n") : std::string(1, c);
  WriteTree(L"crlf", crlf, ts::ReadBytesOr(TreeDir(L"v17") + L"\\launcher_manifest.sig"));
  std::string quoted = v17;
  quoted.replace(quoted.find("\"version\": 17"), 13, "\"version\": \"17\"");
  WriteTree(L"string", quoted, SignatureFile(quoted));

  struct Case {
    const char* tree;
    std::string state;  // launcher_state.json before and after; empty: none
    bool leftover;      // a TalvoreLauncher.selfupdate_tmp_12.exe from an earlier failure
  } cases[] = {
      {"equal", "", true},
      {"v17", LauncherState(20), false},  // the server went back to an older build
      {"v17", "{\n  \"applied_version\": 4,\n  \"applied_launcher_version\": 17\n}\n", true},
      {"crlf", "", false},
      {"string", "", false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tree) + " #" + std::to_string(n));
    const std::wstring dir = LauncherFolder(L"none" + std::to_wstring(n++), c.tree);
    const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
    std::vector<std::wstring> expected{L"TalvoreLauncher.exe"};
    if (!c.state.empty()) {
      ASSERT_TRUE(ts::WriteBytes(dir + L"\\launcher_state.json", c.state));
      expected.push_back(L"launcher_state.json");
    }
    if (c.leftover) {
      ASSERT_TRUE(ts::WriteBytes(dir + L"\\TalvoreLauncher.selfupdate_tmp_12.exe", "MZ old"));
    }
    const long long mark = ts::LogSize();

    StartAndClose(exe, dir);

    EXPECT_EQ(TreeRequests(c.tree, mark), (std::vector<std::string>{kManifest, kSignature}));
    EXPECT_EQ(WhichBuild(exe), "old build");
    EXPECT_EQ(ts::ReadBytesOr(dir + L"\\launcher_state.json", "(none)"),
              c.state.empty() ? "(none)" : c.state);
    EXPECT_EQ(SelfUpdateFiles(dir), expected);
  }
}

TEST_F(SelfUpdate, HashMismatchDeletesTheDownloadAndEveryStartTriesAgain) {
  const std::wstring dir = LauncherFolder(L"mismatch", "mismatch");
  const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
  const long long mark = ts::LogSize();
  for (int i = 0; i < 2; ++i) StartAndClose(exe, dir);
  EXPECT_EQ(TreeRequests("mismatch", mark),
            Repeat({kManifest, kSignature, "builds/TalvoreLauncher-17.exe"}, 2));
  EXPECT_EQ(WhichBuild(exe), "old build");
  EXPECT_EQ(SelfUpdateFiles(dir), (std::vector<std::wstring>{L"TalvoreLauncher.exe"}));
}

TEST_F(SelfUpdate, BuildOnAnotherHostIsFetchedFromThere) {
  const std::wstring otherLog = ts::UnixToWindowsPath(ts::GetEnv("TALVORE_SELFUPDATE_OTHER_LOG"));
  const std::string before = ts::ReadBytesOr(otherLog);
  const std::wstring dir = LauncherFolder(L"otherhost", "otherhost");
  const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
  const long long mark = ts::LogSize();
  StartHandOffAndClose(exe, dir, exe);

  EXPECT_EQ(TreeRequests("otherhost", mark),
            (std::vector<std::string>{kManifest, kSignature, kManifest, kSignature}));
  const std::string added = ts::ReadBytesOr(otherLog).substr(before.size());
  EXPECT_NE(added.find("\"GET /TalvoreLauncher-17.exe HTTP/1.1\" 200"), std::string::npos)
      << added;
  EXPECT_EQ(WhichBuild(exe), "new build");
  EXPECT_EQ(ts::ReadBytesOr(dir + L"\\launcher_state.json"), LauncherState(17));
  EXPECT_EQ(SelfUpdateFiles(dir),
            (std::vector<std::wstring>{L"TalvoreLauncher.exe", L"launcher_state.json"}));
}

TEST_F(SelfUpdate, ApplyModeWithoutVersionReplacesAndRestartsWithoutRecording) {
  const std::wstring dir = LauncherFolder(L"noversion", "v17");
  const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
  const std::wstring temp = dir + L"\\TalvoreLauncher.selfupdate_tmp_17.exe";
  ASSERT_TRUE(CopyFileW(NewBuild().c_str(), temp.c_str(), FALSE));
  const long long mark = ts::LogSize();
  StartHandOffAndClose(temp, dir, exe,
                       L"--apply-launcher-update=\"" + exe + L"\" --apply-launcher-version=");

  EXPECT_EQ(WhichBuild(exe), "new build");
  EXPECT_FALSE(ts::FileExists(dir + L"\\launcher_state.json"));
  EXPECT_EQ(SelfUpdateFiles(dir), (std::vector<std::wstring>{L"TalvoreLauncher.exe"}));
  // Only the restarted launcher's own check.
  EXPECT_EQ(TreeRequests("v17", mark), (std::vector<std::string>{kManifest, kSignature}));
}

TEST_F(SelfUpdate, LockedLauncherEndsTheApplyingProcessAndTheNextStartRecovers) {
  const std::wstring dir = LauncherFolder(L"locked", "v17");
  const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
  const std::wstring temp = dir + L"\\TalvoreLauncher.selfupdate_tmp_17.exe";
  long long mark = ts::LogSize();
  {
    handles::UniqueFile lock = handles::MakeFile(exe.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 OPEN_EXISTING);
    ASSERT_TRUE(lock);
    const Started first = Start(exe, dir);
    ASSERT_NE(first.pid, 0u);
    ASSERT_EQ(WaitForExit(first.process.get(), 60000), 0);
    handles::UniqueHandle applying = OpenForWaiting(ts::FindProcessByImage(temp, 20000));
    ASSERT_TRUE(applying) << "the downloaded build was not started";
    const ULONGLONG started = GetTickCount64();
    EXPECT_EQ(WaitForExit(applying.get(), 30000), 0);
    EXPECT_GE(GetTickCount64() - started, 8000u) << "gave up before 40 attempts";
    EXPECT_EQ(ts::FindProcessByImage(exe, 1500), 0u) << "nothing may be started";
  }
  EXPECT_EQ(WhichBuild(exe), "old build");
  EXPECT_EQ(SelfUpdateFiles(dir), (std::vector<std::wstring>{L"TalvoreLauncher.exe",
                                                             L"TalvoreLauncher.selfupdate_tmp_17.exe"}));
  EXPECT_EQ(TreeRequests("v17", mark),
            (std::vector<std::string>{kManifest, kSignature, "builds/TalvoreLauncher-17.exe"}));

  // The old build offers the update again and this time it goes through.
  mark = ts::LogSize();
  StartHandOffAndClose(exe, dir, exe);
  EXPECT_EQ(WhichBuild(exe), "new build");
  EXPECT_EQ(ts::ReadBytesOr(dir + L"\\launcher_state.json"), LauncherState(17));
  EXPECT_EQ(SelfUpdateFiles(dir),
            (std::vector<std::wstring>{L"TalvoreLauncher.exe", L"launcher_state.json"}));
  EXPECT_EQ(TreeRequests("v17", mark),
            (std::vector<std::string>{kManifest, kSignature, "builds/TalvoreLauncher-17.exe",
                                      kManifest, kSignature}));
}

TEST_F(SelfUpdate, BuildFetchedIntoAnOrdinaryFolderRelocatesIntoTalvore) {
  // The downloaded launcher's own self-installation failed (its target was locked), so it
  // runs from the download folder; the new build installs itself instead of applying.
  const std::wstring dir = ts::FreshDir(L"relocate\\Downloads");
  const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
  const std::string cfg = TreeUrl("v17") + "\r\n";
  ASSERT_TRUE(CopyFileW(OldBuild().c_str(), exe.c_str(), FALSE));
  ASSERT_TRUE(ts::WriteBytes(dir + L"\\launcher.cfg", cfg));
  const std::wstring install = dir + L"\\Talvore";
  const std::wstring installed = install + L"\\TalvoreLauncher.exe";
  ts::CreateDirs(install);
  ASSERT_TRUE(ts::WriteBytes(installed, "old build"));
  const long long mark = ts::LogSize();
  {
    handles::UniqueFile lock =
        handles::MakeFile(installed.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_TRUE(lock);
    const Started first = Start(exe, dir);
    ASSERT_NE(first.pid, 0u);
    ASSERT_TRUE(ts::WaitFor(
        [&] { return ts::FileExists(dir + L"\\TalvoreLauncher.selfupdate_tmp_17.exe"); }, 30000));
    lock.reset();
    ASSERT_EQ(WaitForExit(first.process.get(), 60000), 0);
  }
  const DWORD restarted = ts::FindProcessByImage(installed, 40000);
  ASSERT_NE(restarted, 0u);
  EXPECT_EQ(CloseLauncher(restarted), 0);

  EXPECT_EQ(WhichBuild(exe), "old build") << "the apply flags must not be passed on";
  EXPECT_EQ(WhichBuild(installed), "new build");
  EXPECT_EQ(ts::ReadBytesOr(install + L"\\launcher.cfg"), cfg);
  EXPECT_EQ(SelfUpdateFiles(dir), (std::vector<std::wstring>{L"TalvoreLauncher.exe",
                                                             L"Talvore\\TalvoreLauncher.exe"}));
  EXPECT_EQ(TreeRequests("v17", mark),
            (std::vector<std::string>{kManifest, kSignature, "builds/TalvoreLauncher-17.exe",
                                      kManifest, kSignature}));
}

TEST_F(SelfUpdate, InstalledBuildThatCannotRecordItsVersionDoesNotLoop) {
  // A folder in place of the state file: the version cannot be recorded, and the new build's
  // own number (17) is below the published 30.
  const std::wstring dir = LauncherFolder(L"unrecorded", "update");
  const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
  ts::CreateDirs(dir + L"\\launcher_state.json");
  const long long mark = ts::LogSize();
  StartHandOffAndClose(exe, dir, exe);

  EXPECT_EQ(WhichBuild(exe), "new build");
  EXPECT_TRUE(ts::DirExists(dir + L"\\launcher_state.json"));
  EXPECT_EQ(TreeRequests("update", mark),
            (std::vector<std::string>{kManifest, kSignature, "builds/TalvoreLauncher-30.exe",
                                      kManifest, kSignature}));
  EXPECT_EQ(SelfUpdateFiles(dir), (std::vector<std::wstring>{L"TalvoreLauncher.exe"}));
}

TEST_F(SelfUpdate, ApplyOnANearlyFullDiskLeavesAWholeLauncher) {
  // A small tmpfs mounted by self_update_test.sh; a filler file leaves the spare bytes.
  const std::wstring disk = ts::UnixToWindowsPath(ts::GetEnv("TALVORE_SELFUPDATE_SMALL_DISK"));
  ASSERT_TRUE(ts::DirExists(disk)) << ts::Narrow(disk);
  const ULONGLONG bigger = BiggerNewBuild().size();
  const struct {
    const wchar_t* folder;
    ULONGLONG spare;
    const char* installed;
  } cases[] = {
      {L"nospace", 512 << 10, "old build"},                     // less than the growth
      {L"justroom", bigger + (512 << 10), "bigger new build"},  // one copy and a little
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ts::Narrow(c.folder));
    const std::wstring dir = disk + L"\\" + c.folder + L"\\Talvore";
    const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
    const std::wstring temp = dir + L"\\TalvoreLauncher.selfupdate_tmp_17.exe";
    const std::wstring filler = disk + L"\\filler";
    ts::RemoveTree(disk + L"\\" + c.folder);
    ts::CreateDirs(dir);
    ASSERT_TRUE(CopyFileW(OldBuild().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(ts::WriteBytes(dir + L"\\launcher.cfg", TreeUrl("equal") + "\r\n"));
    ASSERT_TRUE(ts::WriteBytes(temp, BiggerNewBuild()));
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(dir.c_str(), &free, nullptr, nullptr));
    ASSERT_GT(free.QuadPart, c.spare) << "the test disk is too small";
    ASSERT_TRUE(ts::WriteBytes(filler, std::string(free.QuadPart - c.spare, 'f')));

    if (std::string(c.installed) == "old build") {
      const Started applying = Start(temp, dir, ApplyArgs(exe));
      ASSERT_NE(applying.pid, 0u);
      EXPECT_EQ(WaitForExit(applying.process.get(), 30000), 0);
      EXPECT_EQ(ts::FindProcessByImage(exe, 1000), 0u) << "nothing may be started";
      EXPECT_EQ(WhichBuild(exe), c.installed);
      EXPECT_EQ(SelfUpdateFiles(dir), (std::vector<std::wstring>{
                                          L"TalvoreLauncher.exe",
                                          L"TalvoreLauncher.selfupdate_tmp_17.exe"}));
      StartAndClose(exe, dir);  // on the full disk still
    } else {
      StartHandOffAndClose(temp, dir, exe, ApplyArgs(exe));
    }
    EXPECT_EQ(WhichBuild(exe), c.installed);
    EXPECT_EQ(SelfUpdateFiles(dir), (std::vector<std::wstring>{L"TalvoreLauncher.exe"}));
    DeleteFileW(filler.c_str());
    ts::RemoveTree(disk + L"\\" + c.folder);
  }
}

namespace {

bool SameAttributes(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b) {
  return a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh &&
         CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

// An apply process started in a fresh launcher folder, watched closely enough to time a kill.
struct WatchedApply {
  std::wstring dir, exe, temp;
  Started process;
  WIN32_FILE_ATTRIBUTE_DATA installedBefore{};

  explicit WatchedApply(const std::wstring& name) {
    dir = LauncherFolder(name, "equal");  // nothing newer is published there
    exe = dir + L"\\TalvoreLauncher.exe";
    temp = dir + L"\\TalvoreLauncher.selfupdate_tmp_17.exe";
    EXPECT_TRUE(CopyFileW(NewBuild().c_str(), temp.c_str(), FALSE));
    GetFileAttributesExW(exe.c_str(), GetFileExInfoStandard, &installedBefore);
    process = Start(temp, dir, ApplyArgs(exe));
  }
  bool Running() const { return WaitForSingleObject(process.process.get(), 0) == WAIT_TIMEOUT; }
  bool InstalledChanged() const {
    WIN32_FILE_ATTRIBUTE_DATA now{};
    return !GetFileAttributesExW(exe.c_str(), GetFileExInfoStandard, &now) ||
           !SameAttributes(now, installedBefore);
  }
  // The first write of the apply: a file beside the launcher, or the launcher itself.
  bool Began() const {
    return InstalledChanged() ||
           ts::ListFilesRecursive(dir).size() > 3;  // exe, launcher.cfg and the download
  }
  // Polls every millisecond; the tick count when pred held or the process ended.
  template <typename Pred>
  ULONGLONG Until(Pred pred) const {
    while (Running() && !pred()) Sleep(1);
    return GetTickCount64();
  }
};

}  // namespace

TEST_F(SelfUpdate, ApplyKilledAtAnyPointLeavesAWholeLauncher) {
  // An uninterrupted apply first, to time its phases from its first write.
  WatchedApply calibration(L"killed\\calibration");
  ASSERT_NE(calibration.process.pid, 0u);
  const ULONGLONG began = calibration.Until([&] { return calibration.Began(); });
  const ULONGLONG replaced = calibration.Until([&] { return calibration.InstalledChanged(); });
  ASSERT_EQ(WaitForExit(calibration.process.process.get(), 30000), 0);
  const DWORD untilReplaced = static_cast<DWORD>(replaced - began);
  const DWORD untilEnd = static_cast<DWORD>(GetTickCount64() - began);
  const DWORD restarted = ts::FindProcessByImage(calibration.exe, 40000);
  ASSERT_NE(restarted, 0u);
  EXPECT_EQ(CloseLauncher(restarted), 0);
  ASSERT_EQ(WhichBuild(calibration.exe), "new build");

  // Kills spread over copying, flushing and renaming, and just past the rename.
  const DWORD window = untilReplaced + 3;
  const unsigned seed = static_cast<unsigned>(GetTickCount64());
  std::mt19937 random(seed);
  std::uniform_int_distribution<DWORD> delay(0, window);
  std::map<std::string, std::wstring> states;  // what a kill left -> one folder that holds it
  for (int run = 0; run < 20; ++run) {
    const DWORD killAfter = delay(random);
    SCOPED_TRACE("run " + std::to_string(run) + ", killed " + std::to_string(killAfter) +
                 " ms after its first write; seed " + std::to_string(seed));
    WatchedApply apply(L"killed\\" + std::to_wstring(run));
    ASSERT_NE(apply.process.pid, 0u);
    apply.Until([&] { return apply.Began(); });
    Sleep(killAfter);
    TerminateProcess(apply.process.process.get(), 99);
    const bool finished = WaitForExit(apply.process.process.get(), 10000) == 0;

    const std::string installed = WhichBuild(apply.exe);
    EXPECT_TRUE(installed == "old build" || installed == "new build") << installed;
    // A finished hand-off has started the installed launcher. A process whose creator was
    // killed half-way through creating it never runs (Wine leaves it waiting for its
    // creator, Windows with its first thread suspended); it is ended here.
    const DWORD next = ts::FindProcessByImage(apply.exe, finished ? 40000 : 300);
    if (next != 0) {
      if (ts::FindProcessWindow(next, kWindowClass, finished ? 30000 : 5000)) {
        EXPECT_EQ(CloseLauncher(next), 0);
      } else {
        EXPECT_FALSE(finished) << "the restarted launcher opened no window";
        handles::UniqueHandle stuck = OpenForWaiting(next);
        if (stuck) TerminateProcess(stuck.get(), 99);
      }
    }
    std::wstring left;
    for (const std::wstring& f : SelfUpdateFiles(apply.dir)) left += L" " + f;
    states.emplace(installed + "," + ts::Narrow(left), apply.dir);
  }
  // Same bytes and same files start the same way: one start per state the kills left.
  std::string seen;
  for (const auto& [state, dir] : states) {
    SCOPED_TRACE(state);
    seen += "\n  " + state;
    const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
    const std::string installed = WhichBuild(exe);
    StartAndClose(exe, dir);
    EXPECT_EQ(WhichBuild(exe), installed);
    EXPECT_EQ(SelfUpdateFiles(dir), (std::vector<std::wstring>{L"TalvoreLauncher.exe"}))
        << "the start must clear what the apply left";
  }
  std::printf("apply: %lu ms to the rename, %lu ms to the end; kills left:%s\n",
              static_cast<unsigned long>(untilReplaced), static_cast<unsigned long>(untilEnd),
              seen.c_str());
}

// Run by the release test: the build scripts/release published, code-signed with a throwaway
// certificate, replaces the shipped build like any other.
TEST_F(SelfUpdate, CodeSignedReleaseBuildIsInstalled) {
  ASSERT_NE(Trees(), "selfupdate") << "run by release_test, which publishes the tree";
  const std::string served =
      ts::ReadBytesOr(TreeDir(L"signed") + L"\\builds\\TalvoreLauncher-17.exe");
  ASSERT_FALSE(served.empty());
  const std::wstring dir = LauncherFolder(L"signed", "signed");
  const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
  const long long mark = ts::LogSize();
  StartHandOffAndClose(exe, dir, exe);

  EXPECT_TRUE(ts::ReadBytesOr(exe) == served) << WhichBuild(exe);
  EXPECT_EQ(ts::ReadBytesOr(dir + L"\\launcher_state.json"), LauncherState(17));
  EXPECT_EQ(SelfUpdateFiles(dir),
            (std::vector<std::wstring>{L"TalvoreLauncher.exe", L"launcher_state.json"}));
  EXPECT_EQ(TreeRequests("signed", mark),
            (std::vector<std::string>{kManifest, kSignature, "builds/TalvoreLauncher-17.exe",
                                      kManifest, kSignature}));
}
