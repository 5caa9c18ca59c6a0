// The update base URL of "launcher.cfg".
#include "tools/native/fuzz/fuzz_target.h"

TALVORE_FUZZ_TARGET(fuzz_checks::CheckLauncherConfig)
