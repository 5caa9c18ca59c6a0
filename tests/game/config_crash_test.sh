#!/usr/bin/env bash
# A rewrite of kaldrun.cfg that dies half-way (here: the process hits a file-size limit while
# writing) must leave the previous file complete.
set -u
fail() { echo "FAIL: $*"; exit 1; }

scratch="$TALVORE_TEST_SCRATCH"
rm -rf "$scratch" && mkdir -p "$scratch" || fail "scratch folder"
exe="$TALVORE_TESTS_DIR/game_config_writer.exe"
cfg="$scratch/kaldrun.cfg"
wincfg="Z:$(printf '%s' "$cfg" | tr '/' '\\')"

# About 120 KB of the game client's own settings around the launcher's keys.
{
  printf 'WIDTH 1280\r\nHEIGHT 720\r\n'
  for i in $(seq 1 6000); do printf 'BIND_%d\tkey_%d\r\n' "$i" "$i"; done
  printf 'GAMMA 7\r\n'
} >"$cfg"
cp "$cfg" "$scratch/original"
size=$(stat -c %s "$cfg")

# Start Wine without the limit first, so nothing it keeps running inherits it.
"$TALVORE_WINE_RUN" "$exe" >/dev/null 2>&1
[ $? -eq 2 ] || fail "the writer does not run"

# 64 KB limit: the writer is stopped about a third of the way into the new content.
(ulimit -f 64; exec "$TALVORE_WINE_RUN" "$exe" "$wincfg" 1024) >"$scratch/out" 2>&1
rc=$?
[ $rc -ne 0 ] || fail "the limited write reported success: $(cat "$scratch/out")"
cmp -s "$cfg" "$scratch/original" || fail "kaldrun.cfg changed by the failed write"
if [ -e "$cfg.tmp" ]; then  # killed mid-write: the partial content is only in the temporary
  partial=$(stat -c %s "$cfg.tmp")
  [ "$partial" -lt "$size" ] || fail "the write was not interrupted ($partial bytes)"
else
  grep -q failed "$scratch/out" || fail "neither interrupted nor failed (rc $rc)"
fi

# Without the limit the same write goes through and replaces the file.
"$TALVORE_WINE_RUN" "$exe" "$wincfg" 1024 >"$scratch/out" 2>&1 || fail "unlimited write: rc $?"
[ ! -e "$cfg.tmp" ] || fail "temporary file left behind"
head -c 12 "$cfg" | cmp -s - <(printf 'WIDTH 1024\r\n') || fail "WIDTH not rewritten"
cmp -s <(tail -n +2 "$cfg" | head -n 6002) <(tail -n +2 "$scratch/original") \
  || fail "the other lines did not survive"
echo "ok: failed write left $size bytes intact"
