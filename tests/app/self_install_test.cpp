// The real launcher executable relocating itself (or staying) in scratch folders.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/handles.h"
#include "tests/support/test_support.h"

namespace ts = testing_support;

namespace {

constexpr wchar_t kWindowClass[] = L"TalvoreLauncherWindow";
// Nothing listens there: the launcher's network steps fail at once.
constexpr char kUnreachableConfig[] = "http://127.0.0.1:9/launcher\r\n";

std::wstring LauncherExe() { return ts::BinDir() + L"\\TalvoreLauncher.exe"; }


// Closes the launcher window of pid and returns the process exit code (-1 on a time-out).
int CloseLauncher(DWORD pid) {
  handles::UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION |
                                                PROCESS_TERMINATE,
                                            FALSE, pid));
  if (!process) return -1;
  HWND hwnd = ts::FindProcessWindow(pid, kWindowClass, 30000);
  if (!hwnd) {
    TerminateProcess(process.get(), 99);
    return -1;
  }
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.get(), 20000) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 99);
    return -1;
  }
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

// Starts exe without waiting; returns its pid.
DWORD Start(const std::wstring& exe, const std::wstring& dir) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
    return 0;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return pi.dwProcessId;
}

}  // namespace

TEST(SelfInstall, OrdinaryFolderRelocatesIntoTalvoreAndDeletesTheOriginal) {
  const std::wstring dir = ts::FreshDir(L"Downloads");
  const std::wstring original = dir + L"\\Talvore Launcher (1).exe";
  ASSERT_TRUE(CopyFileW(LauncherExe().c_str(), original.c_str(), FALSE));
  ASSERT_TRUE(ts::WriteBytes(dir + L"\\launcher.cfg", kUnreachableConfig));
  // An older installed build is overwritten.
  ts::CreateDirs(dir + L"\\Talvore");
  ASSERT_TRUE(ts::WriteBytes(dir + L"\\Talvore\\TalvoreLauncher.exe", "old build"));

  EXPECT_EQ(ts::RunProcess(L"\"" + original + L"\"", dir, 30000), 0);

  const std::wstring installed = dir + L"\\Talvore\\TalvoreLauncher.exe";
  EXPECT_EQ(ts::ReadBytesOr(installed), ts::ReadBytesOr(LauncherExe()));
  EXPECT_EQ(ts::ReadBytesOr(dir + L"\\Talvore\\launcher.cfg"), kUnreachableConfig);
  EXPECT_TRUE(ts::WaitFor([&] { return !ts::FileExists(original); }, 20000))
      << "the relocated copy should delete the downloaded executable";

  const DWORD pid = ts::FindProcessByImage(installed, 20000);
  ASSERT_NE(pid, 0u) << "the installed copy is not running";
  EXPECT_EQ(CloseLauncher(pid), 0);
  EXPECT_TRUE(ts::FileExists(installed));
}

TEST(SelfInstall, InstallFoldersAndGameFoldersStayInPlace) {
  struct Case {
    const wchar_t* folder;
    bool withGameClient;
  } cases[] = {{L"tALVORE", false}, {L"Kaldrun Online", true}};
  for (const Case& c : cases) {
    const std::wstring dir = ts::FreshDir(c.folder);
    const std::wstring exe = dir + L"\\TalvoreLauncher.exe";
    ASSERT_TRUE(CopyFileW(LauncherExe().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(ts::WriteBytes(dir + L"\\launcher.cfg", kUnreachableConfig));
    if (c.withGameClient) {
      ASSERT_TRUE(ts::WriteBytes(dir + L"\\kaldrunclient.exe", "MZ"));
    }

    const DWORD pid = Start(exe, dir);
    ASSERT_NE(pid, 0u);
    EXPECT_EQ(CloseLauncher(pid), 0) << ts::Narrow(c.folder);
    EXPECT_FALSE(ts::DirExists(dir + L"\\Talvore")) << ts::Narrow(c.folder);
    EXPECT_TRUE(ts::FileExists(exe));
  }
}
