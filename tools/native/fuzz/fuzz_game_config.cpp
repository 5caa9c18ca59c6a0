// Lines of the game client's "kaldrun.cfg": splitting, rewriting, reading and setting keys.
#include "tools/native/fuzz/fuzz_target.h"

TALVORE_FUZZ_TARGET(fuzz_checks::CheckConfigLines)
