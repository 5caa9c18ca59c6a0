// Rewrites the state file as fast as it can, with ever larger versions, until it is killed.
#include <cstdlib>
#include <string>

#include "core/names.h"
#include "core/text.h"
#include "updater/state_file.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring dir = argv[1];
  for (int64_t v = _wtoi64(argv[2]);; ++v) {
    updater::WriteAppliedVersion(dir, names::kStateFile, v);
    updater::WriteAppliedLauncherVersion(dir, v);
  }
}
