// "launcher_manifest.json".
#include "tools/native/fuzz/fuzz_target.h"

TALVORE_FUZZ_TARGET(fuzz_checks::CheckLauncherManifest)
