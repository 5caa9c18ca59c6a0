#!/usr/bin/env bash
# The update's up-to-date check (talvore-update.exe on a folder that already matches a 1 GiB
# tree in 1024 files: manifest, signature and one hash per file) against a plain Sha256File loop
# over the same files (talvore-hash-loop.exe) and against sha256sum, in the same run. Every
# figure includes the start of one Wine process.
set -euo pipefail
source "$(dirname "$0")/lib/engine_tree.bash"
runs="${BENCH_RUNS:-2}"
engine_make_tree "$engine_site" "$ENGINE_FILES"
game="$BENCH_TMP/engine-check-game"
rm -rf "$game"
cp -r "$engine_site/files" "$game"
find "$game" -name '*.bin' | sort >"$BENCH_TMP/engine-list.unix"
sed 's|^|Z:|; s|/|\\|g' "$BENCH_TMP/engine-list.unix" >"$BENCH_TMP/engine-list.txt"
"$BENCH_WINE" "$engine_update" "$engine_base" "$(win_path "$game")" >"$BENCH_TMP/engine-first.out"
tail -n 1 "$BENCH_TMP/engine-first.out" | grep -q '^ok' || { echo "first run failed" >&2; exit 1; }
grep -q '^3 ' "$BENCH_TMP/engine-first.out" && { echo "the copy was not current" >&2; exit 1; }

best() { /usr/bin/python3 -c "import sys; print(min(float(x) for x in sys.argv[1:]))" "$@"; }
ours=() loop=() sums=()
for _ in $(seq "$runs"); do
  ours+=("$(engine_timed "$BENCH_WINE" "$engine_update" "$engine_base" "$(win_path "$game")" | cut -d' ' -f1)")
  loop+=("$(engine_timed "$BENCH_WINE" "$BENCH_BIN/talvore-hash-loop.exe" "$(win_path "$BENCH_TMP/engine-list.txt")" | cut -d' ' -f1)")
  sums+=("$(engine_timed xargs -a "$BENCH_TMP/engine-list.unix" sha256sum | cut -d' ' -f1)")
done
o=$(best "${ours[@]}") l=$(best "${loop[@]}") s=$(best "${sums[@]}")
rm -rf "$game"
echo "note: up-to-date check of $ENGINE_FILES MiB in $ENGINE_FILES files, best of $runs; $BENCH_ARCH build under $(basename "$BENCH_WINE")"
/usr/bin/python3 - "$o" "$l" "$s" <<'PY'
import sys
ours, loop, sums = (float(x) for x in sys.argv[1:])
print(f"BENCH update_check_s {ours:.2f} {loop:.2f} {ours / loop:.2f} <=1.05")
print(f"BENCH update_check_vs_sha256sum_s {ours:.2f} {sums:.2f} {ours / sums:.2f} -")
PY
