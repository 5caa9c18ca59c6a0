#include "game/game_launch.h"

#include <vector>

#include "core/globals.h"
#include "core/handles.h"
#include "core/names.h"

namespace {

std::vector<handles::UniqueHandle> g_clients;  // processes started and not yet seen exiting
// Held until the process ends: closing the job is what ends the clients.
HANDLE g_job = nullptr;
HANDLE g_aliveEvent = nullptr;

void PrepareJobAndAliveEvent() {
  if (g_job) return;
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job) {
    g_job = job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
  }
  // Created once: a retry after a failed job creation must not pile up handles.
  if (!g_aliveEvent) {
    g_aliveEvent =
        CreateEventW(nullptr, TRUE, FALSE, AliveEventName(GetCurrentProcessId()).c_str());
  }
}

}  // namespace

std::wstring AliveEventName(DWORD processId) {
  return std::wstring(names::kAliveEventPrefix) + std::to_wstring(processId);
}

std::wstring GameClientCommandLine(const std::wstring& exePath, DWORD processId) {
  return L"\"" + exePath + L"\" " + names::kLaunchTokenArg + kLaunchToken + names::kParentPidArg +
         std::to_wstring(processId);
}

int CountRunningClients() {
  for (size_t i = 0; i < g_clients.size();) {
    if (WaitForSingleObject(g_clients[i].get(), 0) == WAIT_OBJECT_0) {
      g_clients.erase(g_clients.begin() + static_cast<std::ptrdiff_t>(i));  // closes the handle
    } else {
      ++i;
    }
  }
  return static_cast<int>(g_clients.size());
}

void LaunchGameClient() {
  if (CountRunningClients() >= kMaxGameClients) {
    MessageBoxW(g_hwndMain, kClientLimitText, kLaunchBoxCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  PrepareJobAndAliveEvent();

  const std::wstring exePath = g_appDir + L"\\" + names::kGameClientExe;
  std::wstring commandLine = GameClientCommandLine(exePath, GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, g_appDir.c_str(), &startup, &process)) {
    MessageBoxW(g_hwndMain, kClientStartFailedText, kLaunchBoxCaption, MB_OK | MB_ICONERROR);
    return;
  }
  if (g_job) AssignProcessToJobObject(g_job, process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  g_clients.emplace_back(process.hProcess);
}
