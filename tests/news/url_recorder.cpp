// Stand-in browser registered for http, https, javascript (and as C:\x.exe) in the window
// test's Wine prefix: appends the address it was asked to open to %TALVORE_URL_LOG%.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
  const wchar_t* log = _wgetenv(L"TALVORE_URL_LOG");
  if (!log) return 1;
  FILE* f = _wfopen(log, L"ab");
  if (!f) return 1;
  const wchar_t* what = argc > 1 ? argv[1] : L"(x.exe started)";
  char line[8192] = {};
  WideCharToMultiByte(CP_UTF8, 0, what, -1, line, sizeof(line) - 2, nullptr, nullptr);
  std::fputs(line, f);
  std::fputs("\n", f);
  std::fclose(f);
  return 0;
}
