// Starts a launcher, waits for its main window and prints its geometry, then closes it:
//   window_probe.exe LAUNCHER_EXE WORKING_DIR
// Output: "work L T R B", "client W H", "window X Y W H", "exit CODE".
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/test_support.h"

namespace ts = testing_support;

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_probe LAUNCHER_EXE WORKING_DIR\n");
    return 2;
  }
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + std::wstring(argv[1]) + L"\"";
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, argv[2], &si, &pi)) {
    std::fprintf(stderr, "cannot start the launcher (%lu)\n", GetLastError());
    return 1;
  }
  HWND hwnd = ts::FindProcessWindow(pi.dwProcessId, L"TalvoreLauncherWindow", 30000);
  if (!hwnd) {
    std::fprintf(stderr, "no launcher window appeared\n");
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  ts::WaitFor([&] { return IsWindowVisible(hwnd) != FALSE; }, 10000);
  RECT work{}, client{}, outer{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetClientRect(hwnd, &client);
  GetWindowRect(hwnd, &outer);
  std::printf("work %ld %ld %ld %ld\n", work.left, work.top, work.right, work.bottom);
  std::printf("client %ld %ld\n", client.right - client.left, client.bottom - client.top);
  std::printf("window %ld %ld %ld %ld\n", outer.left, outer.top, outer.right - outer.left,
              outer.bottom - outer.top);
  std::fflush(stdout);
  // Let the window paint before a screenshot is taken by the caller.
  const DWORD holdMs = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 0;
  if (holdMs) {
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(holdMs);
  }
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  DWORD code = 1;
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 1);
    std::printf("exit timeout\n");
    return 1;
  }
  GetExitCodeProcess(pi.hProcess, &code);
  std::printf("exit %lu\n", code);
  return 0;
}
