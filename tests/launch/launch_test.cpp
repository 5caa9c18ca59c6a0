// Game launch against a stand-in client that records its command line, its working folder and
// whether the launcher's alive event exists.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/globals.h"
#include "game/game_launch.h"
#include "tests/support/test_support.h"

namespace ts = testing_support;

namespace {

constexpr wchar_t kChildFlag[] = L"--launcher-child=";

struct ClientRecord {
  DWORD pid = 0;
  std::string commandLine, dir;
  bool aliveEventSeen = false;
};

std::vector<ClientRecord> Records(const std::wstring& dir) {
  std::vector<ClientRecord> records;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((dir + L"\\client_*.txt").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return records;
  do {
    ClientRecord r;
    r.pid = static_cast<DWORD>(_wtoi(found.cFileName + 7));
    const std::string text = ts::ReadBytesOr(dir + L"\\" + found.cFileName);
    const size_t a = text.find('\n'), b = text.find('\n', a + 1);
    r.commandLine = text.substr(0, a);
    r.dir = text.substr(a + 1, b - a - 1);
    r.aliveEventSeen = text.substr(b + 1, 1) == "1";
    records.push_back(r);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return records;
}

bool ProcessEnded(DWORD pid, DWORD timeoutMs) {
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!h) return true;
  const bool ended = WaitForSingleObject(h, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(h);
  return ended;
}

std::wstring MessageBoxText(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {}, buf[512] = {};
    GetClassNameW(child, cls, 32);
    if (lstrcmpiW(cls, L"Static") == 0 && GetWindowTextW(child, buf, 512) > 0) text += buf;
  }
  return text;
}

BOOL CALLBACK MatchOwnMessageBox(HWND w, LPARAM out) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  if (pid == GetCurrentProcessId() && lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  return TRUE;
}

// Runs action, which is expected to show one message box of this process; returns its text
// (empty when none appeared) after pressing OK.
template <typename Action>
std::wstring AnswerMessageBox(Action action) {
  std::wstring text;
  std::thread watcher([&] {
    const ULONGLONG end = GetTickCount64() + 15000;
    while (GetTickCount64() < end) {
      HWND box = nullptr;
      EnumWindows(MatchOwnMessageBox, reinterpret_cast<LPARAM>(&box));
      if (box) {
        text = MessageBoxText(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(30);
    }
  });
  action();
  watcher.join();
  return text;
}

std::wstring ClientPath() { return g_appDir + L"\\kaldrunclient.exe"; }

void StopAll(const std::wstring& dir) {
  ts::WriteBytes(dir + L"\\stop_all", "");
  for (const ClientRecord& r : Records(dir)) ProcessEnded(r.pid, 10000);
  DeleteFileW((dir + L"\\stop_all").c_str());
}

// When started with the child flag this binary plays a launcher that starts two clients
// and waits to be killed. Done before the first test, once every global exists.
class ChildLauncher : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::wstring commandLine = GetCommandLineW();
    const size_t at = commandLine.find(kChildFlag);
    if (at == std::wstring::npos) return;
    g_appDir = commandLine.substr(at + wcslen(kChildFlag));
    LaunchGameClient();
    LaunchGameClient();
    Sleep(120000);
    ExitProcess(0);
  }
};
const auto* const kChild = ::testing::AddGlobalTestEnvironment(new ChildLauncher);

}  // namespace

TEST(GameLaunch, CommandLineAndEventName) {
  EXPECT_EQ(GameClientCommandLine(L"C:\\Jogo\\kaldrunclient.exe", 4242),
            L"\"C:\\Jogo\\kaldrunclient.exe\" --talvore-launch=7e2b9d04c6a1f358b0d4e92c17a6f3b5"
            L" --tl-pai=4242");
  EXPECT_EQ(AliveEventName(4294967295u), L"TalvoreLauncherVivo_4294967295");
  EXPECT_EQ(AliveEventName(7), L"TalvoreLauncherVivo_7");
}

TEST(GameLaunch, StartsClientsUpToTheLimitAndPrunesEndedOnes) {
  g_appDir = ts::FreshDir(L"limit");
  ASSERT_TRUE(CopyFileW((ts::TestsDir() + L"\\fake_client\\kaldrunclient.exe").c_str(),
                        ClientPath().c_str(), FALSE));
  EXPECT_EQ(CountRunningClients(), 0);

  LaunchGameClient();
  ASSERT_TRUE(ts::WaitFor([] { return Records(g_appDir).size() == 1; }, 20000));
  const ClientRecord first = Records(g_appDir)[0];
  const std::wstring pid = std::to_wstring(GetCurrentProcessId());
  EXPECT_EQ(ts::Widen(first.commandLine),
            L"\"" + ClientPath() + L"\" --talvore-launch=7e2b9d04c6a1f358b0d4e92c17a6f3b5 --tl-pai=" +
                pid);
  EXPECT_EQ(ts::Widen(first.dir), g_appDir);
  EXPECT_TRUE(first.aliveEventSeen);
  HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, (L"TalvoreLauncherVivo_" + pid).c_str());
  EXPECT_NE(event, nullptr);
  if (event) {
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // never signalled
    CloseHandle(event);
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, first.pid);
  ASSERT_NE(process, nullptr);
  BOOL inJob = FALSE;
  EXPECT_TRUE(IsProcessInJob(process, nullptr, &inJob));
  EXPECT_TRUE(inJob);
  CloseHandle(process);

  LaunchGameClient();
  ASSERT_TRUE(ts::WaitFor([] { return Records(g_appDir).size() == 2; }, 20000));
  EXPECT_EQ(CountRunningClients(), 2);

  // The third press shows the limit and starts nothing.
  EXPECT_EQ(AnswerMessageBox([] { LaunchGameClient(); }), kClientLimitText);
  Sleep(500);
  EXPECT_EQ(Records(g_appDir).size(), 2u);
  EXPECT_EQ(CountRunningClients(), 2);

  // After one client ends, the next press prunes it and starts another.
  ts::WriteBytes(g_appDir + L"\\stop_" + std::to_wstring(first.pid), "");
  ASSERT_TRUE(ProcessEnded(first.pid, 10000));
  EXPECT_EQ(AnswerMessageBox([] { LaunchGameClient(); }), L"");
  ASSERT_TRUE(ts::WaitFor([] { return Records(g_appDir).size() == 3; }, 20000));
  EXPECT_EQ(CountRunningClients(), 2);

  StopAll(g_appDir);
  EXPECT_EQ(CountRunningClients(), 0);
}

TEST(GameLaunch, MissingClientShowsTheErrorAndALaterLaunchWorks) {
  g_appDir = ts::FreshDir(L"missing");
  EXPECT_EQ(AnswerMessageBox([] { LaunchGameClient(); }), kClientStartFailedText);
  EXPECT_EQ(CountRunningClients(), 0);
  ASSERT_TRUE(CopyFileW((ts::TestsDir() + L"\\fake_client\\kaldrunclient.exe").c_str(),
                        ClientPath().c_str(), FALSE));
  LaunchGameClient();
  ASSERT_TRUE(ts::WaitFor([] { return Records(g_appDir).size() == 1; }, 20000));
  EXPECT_EQ(CountRunningClients(), 1);
  StopAll(g_appDir);
}

TEST(GameLaunch, KillingTheLauncherEndsEveryClientItStarted) {
  const std::wstring dir = ts::FreshDir(L"killed");
  ASSERT_TRUE(CopyFileW((ts::TestsDir() + L"\\fake_client\\kaldrunclient.exe").c_str(),
                        (dir + L"\\kaldrunclient.exe").c_str(), FALSE));
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + kChildFlag + dir;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  const bool started = ts::WaitFor([&] { return Records(dir).size() == 2; }, 30000);
  // The clients' own launcher is the child, not this process.
  EXPECT_EQ(CountRunningClients(), 0);
  TerminateProcess(pi.hProcess, 1);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hProcess);
  ASSERT_TRUE(started);
  for (const ClientRecord& r : Records(dir)) {
    EXPECT_NE(r.commandLine.find("--tl-pai=" + std::to_string(pi.dwProcessId)), std::string::npos);
    EXPECT_TRUE(ProcessEnded(r.pid, 10000)) << r.pid;
  }
  StopAll(dir);
}
