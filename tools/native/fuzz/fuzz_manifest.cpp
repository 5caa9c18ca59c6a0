// Content manifests ("manifest.json", "manifest_hd.json") and signature-file text.
#include "tools/native/fuzz/fuzz_target.h"

TALVORE_FUZZ_TARGET(fuzz_checks::CheckManifest)
