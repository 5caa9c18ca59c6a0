#!/usr/bin/env bash
# A full download of the 1 GiB tree in 1024 files by talvore-update.exe into an empty folder
# (every file fetched, hashed and moved into place) against one curl fetching the same files one
# after another, and the tool's peak memory for that tree against a tree of 64 files.
set -euo pipefail
source "$(dirname "$0")/lib/engine_tree.bash"
engine_make_tree "$engine_site" "$ENGINE_FILES"
small_site="$BENCH_WWW/bench-engine-small"
engine_make_tree "$small_site" 64
game="$BENCH_TMP/engine-download-game"
bytes=$((ENGINE_FILES * 1048576))

# curl: one process, the files in manifest order, connection reused.
config="$BENCH_TMP/engine-curl.cfg"
mkdir -p "$BENCH_TMP/engine-curl"
(cd "$engine_site/files" && find . -name '*.bin' | sort) | while read -r rel; do
  rel="${rel#./}"
  printf 'url = "%s/files/%s"\noutput = "%s/engine-curl/%s"\n' "$engine_base" "$rel" "$BENCH_TMP" "${rel//\//_}"
done >"$config"
curl_s=$(engine_timed curl -s -K "$config" | cut -d' ' -f1)
rm -rf "$BENCH_TMP/engine-curl"

rm -rf "$game" && mkdir -p "$game"
read -r ours_s big_rss < <(engine_timed "$BENCH_WINE" "$engine_update" "$engine_base" "$(win_path "$game")")
cmp -s "$engine_site/files/d0/f0.bin" "$game/d0/f0.bin" || { echo "download incomplete" >&2; exit 1; }
rm -rf "$game" && mkdir -p "$game"
read -r _ small_rss < <(engine_timed "$BENCH_WINE" "$engine_update" "http://$BENCH_HOST:47280/bench-engine-small" "$(win_path "$game")")
rm -rf "$game"

echo "note: $ENGINE_FILES files of 1 MiB; $BENCH_ARCH build under $(basename "$BENCH_WINE"); curl $(curl --version | head -1 | cut -d' ' -f2)"
/usr/bin/python3 - "$bytes" "$ours_s" "$curl_s" "$big_rss" "$small_rss" <<'PY'
import sys
size, ours, curl, big, small = (float(x) for x in sys.argv[1:])
mib = size / 1048576
print(f"BENCH update_download_MiB/s {mib / ours:.1f} {mib / curl:.1f} {curl / ours:.2f} >=0.90")
print(f"BENCH update_peak_rss_MiB_1GiB_vs_64MiB {big / 1024:.1f} {small / 1024:.1f} {big / small:.2f} <=1.10")
PY
