// The update state files ("launcher_state.json", "launcher_state_hd.json").
#include "tools/native/fuzz/fuzz_target.h"

TALVORE_FUZZ_TARGET(fuzz_checks::CheckStateFile)
