#!/usr/bin/env bash
# HttpDownloadToFile of a 1 GiB file from nginx on loopback against curl -o of the same file in
# the same run, and the growth of the downloading process's peak memory.
# Environment (set by scripts/bench): BENCH_HOST, BENCH_WWW, BENCH_TMP, BENCH_FETCH (the
# http-fetch.exe tool), BENCH_WINE (the Wine loader), BENCH_ARCH.
# Output: lines "BENCH name measured baseline ratio goal" for scripts/bench, and notes.
set -euo pipefail
runs="${BENCH_RUNS:-2}"
file="$BENCH_WWW/bench-1g.bin"
truncate -s 1G "$file"
url="http://$BENCH_HOST:47280/bench-1g.bin"
dest="$BENCH_TMP/bench-download.bin"
winedest="Z:${dest//\//\\}"

best_curl=0
best_ours=0
growth=0
private_growth=0
for i in $(seq "$runs"); do
  speed=$(curl -s -o "$dest" -w '%{speed_download}' "$url")
  rm -f "$dest"
  best_curl=$(/usr/bin/python3 -c "print(max($best_curl, $speed / 1048576))")
  out=$("$BENCH_WINE" "$BENCH_FETCH" file "$url" "$winedest")
  rm -f "$dest"
  echo "$out" | grep -q '^ok=1' || { echo "download failed: $out" >&2; exit 1; }
  ours=$(echo "$out" | sed -n 's/.*mib_per_s=\([0-9.]*\).*/\1/p')
  best_ours=$(/usr/bin/python3 -c "print(max($best_ours, $ours))")
  g=$(echo "$out" | sed -n 's/.* peak_growth=\([0-9]*\).*/\1/p')
  p=$(echo "$out" | sed -n 's/.* peak_private_growth=\([0-9]*\).*/\1/p')
  growth=$(( g > growth ? g : growth ))
  private_growth=$(( p > private_growth ? p : private_growth ))
done
rm -f "$file"

echo "note: $BENCH_ARCH build under $(basename "$BENCH_WINE"); best of $runs runs; curl $(curl --version | head -1 | cut -d' ' -f2)"
/usr/bin/python3 - "$best_ours" "$best_curl" "$growth" "$private_growth" <<'PY'
import sys
ours, curl, growth, private = (float(x) for x in sys.argv[1:])
print(f"BENCH http_download_MiB/s {ours:.1f} {curl:.1f} {ours / curl:.2f} >=0.90")
mib = growth / 1048576
print(f"BENCH http_download_peak_growth_MiB {mib:.1f} 16.0 {mib / 16:.2f} <1.00")
print(f"note: peak private-bytes growth {private / 1048576:.1f} MiB")
PY
