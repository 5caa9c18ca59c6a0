#!/usr/bin/env bash
# A short, time-boxed run of the native fuzzers (the long one is scripts/fuzz SECONDS_EACH;
# the Wine half runs here as fuzz_wine_parsers).
TALVORE_FUZZ_NATIVE_ONLY=1 exec bash "$TALVORE_SOURCE_DIR/scripts/fuzz" 4
