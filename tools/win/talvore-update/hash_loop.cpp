// Benchmark baseline: Sha256File over every file named in LISTFILE (one Windows path a line),
// printing "files=N seconds=S". What the update's up-to-date check is compared with.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/integrity.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: talvore-hash-loop.exe LISTFILE\n", stderr);
    return 2;
  }
  std::ifstream list(argv[1]);
  std::string line;
  std::vector<std::wstring> paths;
  while (std::getline(list, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) paths.emplace_back(line.begin(), line.end());  // ASCII paths
  }
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  int failed = 0;
  for (const std::wstring& p : paths) {
    uint8_t digest[kSha256Size];
    if (!Sha256File(p, digest)) ++failed;
  }
  QueryPerformanceCounter(&end);
  std::printf("files=%zu failed=%d seconds=%.3f\n", paths.size(), failed,
              static_cast<double>(end.QuadPart - start.QuadPart) / freq.QuadPart);
  return failed ? 1 : 0;
}
