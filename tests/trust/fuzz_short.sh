#!/usr/bin/env bash
# A short, time-boxed fuzzing run (the long one is scripts/fuzz with more seconds).
exec bash "$TALVORE_SOURCE_DIR/scripts/fuzz" 20
