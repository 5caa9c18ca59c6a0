#!/usr/bin/env bash
# Repaint cost of the main window at scale 1.3 under Wine: one running-lights tick (its two
# boxes painted at once) and a full repaint, against the lights' 40 ms timer period.
# Environment (set by scripts/bench): BENCH_FETCH (locates the build), BENCH_WINE, BENCH_ARCH.
# Output: lines "BENCH name measured baseline ratio goal" for scripts/bench, and notes.
set -euo pipefail
build="$(cd "$(dirname "$BENCH_FETCH")/.." && pwd)"
cmake --build "$build" -j 2 --target ui_paint_bench >/dev/null
display=$(( 600 + RANDOM % 300 ))
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do xdpyinfo -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
runs="${BENCH_RUNS:-3}"
best_tick=1e9
best_full=1e9
for _ in $(seq "$runs"); do
  out=$(DISPLAY=":$display" "$BENCH_WINE" "$build/bin/ui-paint-bench.exe" 1.3 | tr -d '\r')
  echo "$out" | grep -q '^scale=1.3 client=1456x884' || { echo "paint bench failed: $out" >&2; exit 1; }
  tick=$(echo "$out" | sed -n 's/.*tick_ms=\([0-9.]*\).*/\1/p')
  full=$(echo "$out" | sed -n 's/.*full_ms=\([0-9.]*\).*/\1/p')
  best_tick=$(/usr/bin/python3 -c "print(min($best_tick, $tick))")
  best_full=$(/usr/bin/python3 -c "print(min($best_full, $full))")
done
echo "note: $BENCH_ARCH build under $(basename "$BENCH_WINE"); best of $runs runs; 1456 x 884 client"
/usr/bin/python3 - "$best_tick" "$best_full" <<'PY'
import sys
tick, full = (float(x) for x in sys.argv[1:])
print(f"BENCH paint_lights_tick_ms {tick:.2f} 40.00 {tick / 40:.2f} <0.50")
print(f"BENCH paint_full_repaint_ms {full:.2f} 40.00 {full / 40:.2f} <1.00")
PY
