// Stands in for the game client: records how it was started and whether its launcher's alive
// event exists, then runs until the test tells it to stop.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n,
                      nullptr, nullptr);
  return out;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring commandLine = GetCommandLineW();
  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  const std::wstring flag = L" --tl-pai=";
  const size_t at = commandLine.find(flag);
  const std::wstring parent = at == std::wstring::npos ? L"" : commandLine.substr(at + flag.size());
  HANDLE alive = OpenEventW(SYNCHRONIZE, FALSE, (L"TalvoreLauncherVivo_" + parent).c_str());
  const std::wstring dir = cwd;
  const std::wstring pid = std::to_wstring(GetCurrentProcessId());
  const std::string record = Utf8(commandLine) + "\n" + Utf8(dir) + "\n" + (alive ? "1" : "0") + "\n";
  // Written under a temporary name and renamed, so a reader never sees half a record.
  const std::wstring tmp = dir + L"\\client_" + pid + L".tmp";
  HANDLE file = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileW(tmp.c_str(), (dir + L"\\client_" + pid + L".txt").c_str());
  }
  for (int i = 0; i < 2400; ++i) {  // at most two minutes
    if (Exists(dir + L"\\stop_" + pid) || Exists(dir + L"\\stop_all")) break;
    Sleep(50);
  }
  return 0;
}
