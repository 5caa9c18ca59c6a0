// Stands in for a DLL a player's downloads folder might hold under a system DLL's name: the
// moment anything loads it, it leaves "planted-<its file name>.txt" beside itself, then refuses
// to load.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return FALSE;
  std::wstring file(path, n);
  const size_t slash = file.find_last_of(L'\\');
  const std::wstring marker = file.substr(0, slash + 1) + L"planted-" + file.substr(slash + 1) + L".txt";
  HANDLE h = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return FALSE;
}
