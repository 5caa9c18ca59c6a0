// The control for the planted-DLL test: loads each named DLL the way a program that takes no
// precaution would, so the test can show that a planted DLL is picked up at all.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) LoadLibraryW(argv[i]);
  return 0;
}
