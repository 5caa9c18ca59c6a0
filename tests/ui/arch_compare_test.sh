#!/usr/bin/env bash
# The shipped 32-bit launcher and the x86_64 build of the same sources draw the same window:
# both update from the same signed tree and show the same news at scale 1.3 (1600 x 1000), and
# their settled screenshots must be identical apart from the running lights and the rounding
# noise of the platform's own 32- and 64-bit graphics libraries (see window_diff.py).
set -u
src="$TALVORE_SOURCE_DIR"
scratch="$TALVORE_TEST_SCRATCH"
win() { echo "Z:${1//\//\\}"; }
site_port=47180

"$src/demo/serve-demo" stop "$scratch/site" 2>/dev/null
rm -rf "$scratch"
mkdir -p "$scratch/content/data" "$scratch/site/www" "$scratch/shots"
site="$scratch/site"
launchers=("i686=$TALVORE_BIN_DIR/TalvoreLauncher.exe" "x86_64=$TALVORE_X64_BIN_DIR/TalvoreLauncher.exe")
for entry in "${launchers[@]}"; do
  [ -f "${entry#*=}" ] || { echo "FAIL missing ${entry#*=} (scripts/test builds both)"; exit 1; }
done

source "$src/tests/harness/window-test.bash"
use_test_prefix arch
cleanup() {
  end_test_session
  "$src/demo/serve-demo" stop "$site" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM

start_test_screen 700 1199 || exit 1

# The compiled-in site: a small signed content tree and the demo news with its pictures.
head -c 200000 /dev/urandom > "$scratch/content/data/mundo.pak"
printf 'Bem-vindo a Talvore!\r\n' > "$scratch/content/leia-me.txt"
"$TALVORE_NATIVE_BIN_DIR/talvore-publish" content --key "$src/demo/keys/demo-signing.secret" \
  --version 1 --source "$scratch/content" --out "$site/www/launcher" >/dev/null ||
  { echo "FAIL publish"; exit 1; }
cp -r "$src/demo/site/." "$site/www/"
"$src/demo/serve-demo" start "$site" || { echo "FAIL nginx on 127.0.0.1:$site_port"; exit 1; }

# compare A B [OUT_DIFF]: exit 0 when the client areas match outside the lights' ring.
compare() {
  /usr/bin/python3 "$src/tests/ui/window_diff.py" "$@"
}

for entry in "${launchers[@]}"; do
  arch="${entry%%=*}"; exe="${entry#*=}"
  app="$scratch/$arch/Talvore"
  mkdir -p "$app"
  cp "$exe" "$app/TalvoreLauncher.exe"
  (cd "$app" && exec "$TALVORE_WINE" "$(win "$app")\\TalvoreLauncher.exe" </dev/null >/dev/null 2>&1) &
  geometry=$(driver find 60000) || geometry=""
  check "$arch: window found (${geometry:-none})" test -n "$geometry"
  [ -n "$geometry" ] || continue
  echo "$geometry" > "$scratch/shots/$arch.geometry"
  check "$arch: the update ends ready to play" driver wait-text 1003 Jogar 120000
  check "$arch: play is enabled" driver wait-enabled 1003 10000
  # Settled: two screenshots in a row that differ only in the lights (news and pictures in).
  settled=0
  import -window root "$scratch/shots/$arch.png" 2>/dev/null
  for _ in $(seq 40); do
    sleep 0.5
    import -window root "$scratch/shots/$arch-next.png" 2>/dev/null
    if compare "$scratch/shots/$arch.png" "$scratch/shots/$arch-next.png" $geometry >/dev/null; then
      settled=1; break
    fi
    mv "$scratch/shots/$arch-next.png" "$scratch/shots/$arch.png"
  done
  check "$arch: the window settles" test "$settled" = 1
  driver close >/dev/null
  check "$arch: the launcher closes" driver gone 15000
  wineserver -w 2>/dev/null
done

[ "$failures" -eq 0 ] || exit 1
read -r g32 < "$scratch/shots/i686.geometry"
read -r g64 < "$scratch/shots/x86_64.geometry"
check "same client area ($g32 / $g64)" test "${g32#* * }" = "${g64#* * }"
result=$(compare --across-builds "$scratch/shots/i686.png" "$scratch/shots/x86_64.png" $g32 $g64 \
         "$scratch/shots/diff.png" | tr '\n' ' ')
check "i686 and x86_64 windows identical apart from the lights: $result" \
  compare --across-builds "$scratch/shots/i686.png" "$scratch/shots/x86_64.png" $g32 $g64
# The comparison sees a layout one pixel off: the same shots, one taken a pixel to the side.
read -r x y w h <<<"$g64"
check "a window one pixel to the side does not pass" \
  eval '! compare --across-builds "$scratch/shots/i686.png" "$scratch/shots/x86_64.png" $g32 $((x + 1)) $y $w $h >/dev/null' 
[ "$failures" -eq 0 ]
