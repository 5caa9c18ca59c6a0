#!/usr/bin/env bash
# The real launcher under Wine and Xvfb, driven from outside by tests/driver: an update against
# a signed tree on the test server at scale 1.3 (play, the close question with a client
# running), and a rejected update at scale 1.0 (retry, closing without a question).
# Screenshots are kept in build/tests/screenshots and checked at a few pixels.
set -u
scratch="$TALVORE_TEST_SCRATCH"
rm -rf "$scratch"; mkdir -p "$scratch/Talvore"
shots="$TALVORE_TESTS_DIR/screenshots"; mkdir -p "$shots"
prefix="${WINEPREFIX:-$TALVORE_TESTS_DIR/../wine}-window"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
"$TALVORE_SOURCE_DIR/tests/harness/wine-prefix" "$prefix" || exit 1
host="${TALVORE_TEST_HOST:-127.0.0.2}"
app="$scratch/Talvore"
winapp="Z:${app//\//\\}"
cp "$TALVORE_BIN_DIR/TalvoreLauncher.exe" "$app/"
cp "$TALVORE_TESTS_DIR/fake_client/kaldrunclient.exe" "$app/"
driver() { "$TALVORE_WINE" "$TALVORE_TESTS_DIR/driver.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# Signed content: a large file so the update is seen running, and a small one.
www="$TALVORE_TEST_SERVERS/www/uiwin"
rm -rf "$www"; mkdir -p "$scratch/content/data"
head -c 30000000 /dev/urandom > "$scratch/content/data/big.bin"
echo "ola" > "$scratch/content/leia.txt"
"$TALVORE_NATIVE_BIN_DIR/talvore-publish" content --key "$TALVORE_SOURCE_DIR/demo/keys/demo-signing.secret" \
  --version 1 --source "$scratch/content" --out "$www/ok/launcher" >/dev/null || { echo "publish failed"; exit 1; }
cp -r "$www/ok" "$www/bad"
# Bytes added after signing: the signature no longer matches and the manifest is refused.
printf 'tampered' >> "$www/bad/launcher/manifest.json"

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# pixels SHOT ORIGIN_X ORIGIN_Y SCALE: the regressions a screenshot shows at once.
pixels() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image
shot, ox, oy, s, bars_full = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4]), sys.argv[5] == "1"
im = Image.open(shot).convert("RGB")
px = lambda x, y: im.getpixel((ox + int(x * s), oy + int(y * s)))
gold = lambda c: c[0] > 120 and c[0] > c[2] + 50 and c[1] > c[2] + 20
bad = []
if bars_full:
    for y in (541, 567):  # lower half of both bars, near their right ends
        if not gold(px(690, y)): bad.append(f"bar at y {y} not filled: {px(690, y)}")
corners = [(130, 176), (924, 176), (130, 600.4), (924, 600.4)]
for cx, cy in corners:
    n = sum(gold(px(cx + dx, cy + dy)) for dx in range(2, 64, 3) for dy in range(2, 50, 3))
    if n < 20: bad.append(f"frame corner at {cx},{cy} not gold ({n})")
text = sum(px(x, y)[0] > 180 for x in range(180, 500) for y in range(506, 522))
if text < 20: bad.append(f"status line empty ({text})")
print("; ".join(bad) if bad else "pixels ok")
sys.exit(1 if bad else 0)
PY
}
start_screen() {  # start_screen WxH
  display=$(( 300 + RANDOM % 300 ))
  Xvfb ":$display" -screen 0 "${1}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do xdpyinfo -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
  export DISPLAY=":$display"
}
stop_screen() {
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
}
start_launcher() {
  (cd "$app" && exec "$TALVORE_WINE" "$winapp\\TalvoreLauncher.exe" </dev/null >/dev/null 2>&1) &
}

# --- Scale 1.3: a successful update, play, and the close question -------------------------
start_screen 1600x1000
printf 'http://%s:47280/uiwin/ok/launcher\r\n' "$host" > "$app/launcher.cfg"
start_launcher
geometry=$(driver find 60000)
check "window found at 1.3 ($geometry)" test -n "$geometry"
read -r ox oy cw ch <<<"$geometry"
sleep 1.2  # into the download of the large file
import -window root "$shots/window-1.3-updating.png" 2>/dev/null
check "client area 1456 x 884" test "$cw $ch" = "1456 884"
check "play becomes Jogar after the update" eval 'driver wait-text 1003 Jogar 120000 >/dev/null'
check "play is enabled" driver wait-enabled 1003 10000
check "the update wrote the content" cmp -s "$scratch/content/data/big.bin" "$app/data/big.bin"
sleep 1.5
import -window root "$shots/window-1.3-ready.png" 2>/dev/null
check "screenshot at 1.3: $(pixels "$shots/window-1.3-ready.png" "$ox" "$oy" 1.3 1)" \
  pixels "$shots/window-1.3-ready.png" "$ox" "$oy" 1.3 1

driver click 1003 >/dev/null
for _ in $(seq 200); do ls "$app"/client_*.txt >/dev/null 2>&1 && break; sleep 0.1; done
record=$(ls "$app"/client_*.txt 2>/dev/null | head -1)
check "play started the client" test -n "$record"
client_pid=$(basename "${record:-client_0.txt}" .txt); client_pid=${client_pid#client_}
check "client command line" grep -q -- '--talvore-launch=7e2b9d04c6a1f358b0d4e92c17a6f3b5 --tl-pai=[0-9]' "${record:-/dev/null}"
check "client saw the alive event" test "$(sed -n 3p "${record:-/dev/null}")" = 1

driver close
question=$(driver msgbox 10000 no)
check "close asks while the game runs ($question)" test "$question" = "Fechar o launcher também fecha o jogo. Deseja fechar?"
sleep 1
check "No keeps the launcher open" eval 'driver find 1000 >/dev/null'
check "the client still runs" test "$(driver alive "$client_pid")" = 1
driver close
check "second close asks again" test -n "$(driver msgbox 10000 yes)"
check "Yes closes the launcher" driver gone 15000
ended=0
for _ in $(seq 50); do [ "$(driver alive "$client_pid")" = 0 ] && { ended=1; break; }; sleep 0.2; done
check "closing the launcher ended the client" test "$ended" = 1
stop_screen

# --- Scale 1.0: a rejected update, retry, and closing without a question -----------------
start_screen 1200x760
rm -rf "$app/data" "$app"/launcher_state*.json "$app"/client_*.txt
printf 'http://%s:47280/uiwin/bad/launcher\r\n' "$host" > "$app/launcher.cfg"
log="$TALVORE_TEST_SERVERS/logs/access.log"
before=$(grep -c 'GET /uiwin/bad/launcher/manifest.json' "$log")
start_launcher
geometry=$(driver find 60000)
read -r ox oy cw ch <<<"$geometry"
check "client area 1120 x 680 ($geometry)" test "$cw $ch" = "1120 680"
check "a rejected update offers a retry" eval 'driver wait-text 1003 "Tentar novamente" 60000 >/dev/null'
check "retry is enabled" driver wait-enabled 1003 10000
sleep 1.5
import -window root "$shots/window-1.0-failed.png" 2>/dev/null
check "screenshot at 1.0: $(pixels "$shots/window-1.0-failed.png" "$ox" "$oy" 1.0 0)" \
  pixels "$shots/window-1.0-failed.png" "$ox" "$oy" 1.0 0
driver click 1003 >/dev/null
fetched() { test "$(grep -c 'GET /uiwin/bad/launcher/manifest.json' "$log")" -ge $((before + 2)); }
for _ in $(seq 100); do fetched && break; sleep 0.2; done
check "retry downloads the manifest again" fetched
check "the retry ends in the retry offer again" eval 'driver wait-text 1003 "Tentar novamente" 60000 >/dev/null'
check "the game was never started" test -z "$(ls "$app"/client_*.txt 2>/dev/null)"
driver close
check "closing without a client asks nothing" driver no-msgbox 1500
check "and closes" driver gone 15000
stop_screen

rm -rf "$www"
[ "$failures" -eq 0 ]
