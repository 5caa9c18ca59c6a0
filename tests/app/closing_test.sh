#!/usr/bin/env bash
# Closing the window while the news thread and the update worker are busy never crashes: the
# compiled-in site drips the feed, its pictures and the content slowly, the window is closed at
# random moments (during the manifest, a file, a picture) 20 times, and every time the process
# ends with exit code 0 and no unhandled exception, leaving the game folder consistent: each
# file either absent or exactly the published one. A last start then finishes the update.
set -u
src="$TALVORE_SOURCE_DIR"
scratch="$TALVORE_TEST_SCRATCH"
win() { echo "Z:${1//\//\\}"; }
site_port=47180
rounds=20

port_taken() { ss -ltnH "sport = :$site_port" 2>/dev/null | grep -q .; }
for _ in $(seq 50); do port_taken || break; sleep 0.1; done
if port_taken; then
  echo "FAIL 127.0.0.1:$site_port is in use; this test serves the launcher's compiled-in site there"
  exit 1
fi
rm -rf "$scratch"
site="$scratch/site"; app="$scratch/Talvore"; content="$scratch/content"
mkdir -p "$site" "$app" "$content/data"

source "$src/tests/harness/window-test.bash"
use_test_prefix closing
server=""
cleanup() {
  end_test_session
  [ -n "$server" ] && kill "$server" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM
wineserver -p 2>/dev/null  # kept between the rounds, so each start is quick
start_test_screen 2500 2999 || exit 1

# The site: demo news with its pictures, and a signed tree with one large file.
head -c 3000000 /dev/urandom > "$content/data/mundo.pak"
printf 'Bem-vindo a Talvore!\r\n' > "$content/leia-me.txt"
cp -r "$src/demo/site/." "$site/"
"$TALVORE_NATIVE_BIN_DIR/talvore-publish" content --key "$src/demo/keys/demo-signing.secret" \
  --version 1 --source "$content" --out "$site/launcher" >/dev/null || { echo "FAIL publish"; exit 1; }
/usr/bin/python3 "$src/tests/news/feed_server.py" --root "$site" --host 127.0.0.1 --port "$site_port" \
  --log "$scratch/requests.log" --delay 0.15 --drip 400000 --lifetime 900 &
server=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$site_port/" && break; sleep 0.1; done

fail() { echo "FAIL $*"; failures=$((failures + 1)); }
# Every file in the game folder is absent or the published one; leftovers are downloads in
# progress (".tmp") and the launcher's own files.
consistent() {
  local f rel
  for f in "$content"/leia-me.txt "$content"/data/mundo.pak; do
    rel="${f#"$content"/}"
    [ -e "$app/$rel" ] || continue
    cmp -s "$f" "$app/$rel" || { echo "$rel differs from the published file"; return 1; }
  done
  if [ -e "$app/launcher_state.json" ]; then
    grep -q '"applied_version": *1' "$app/launcher_state.json" ||
      { echo "state file: $(cat "$app/launcher_state.json")"; return 1; }
    cmp -s "$content/data/mundo.pak" "$app/data/mundo.pak" || { echo "state recorded before the content"; return 1; }
  fi
  return 0
}

cp "$TALVORE_BIN_DIR/TalvoreLauncher.exe" "$app/"
for round in $(seq "$rounds"); do
  (cd "$app" && exec "$TALVORE_WINE" "$(win "$app")\\TalvoreLauncher.exe" </dev/null \
     >"$scratch/out-$round.txt" 2>&1) &
  launcher=$!
  driver find 30000 >/dev/null || fail "round $round: no window"
  # Somewhere in the manifest, the large file or the pictures (they take a few seconds here).
  sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", r / 32767 * 2.5 }')"
  driver close >/dev/null
  if ! driver gone 20000; then fail "round $round: the window stayed open"; fi
  code=""
  for _ in $(seq 100); do kill -0 "$launcher" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$launcher" 2>/dev/null; then
    fail "round $round: the process did not end"
    kill "$launcher" 2>/dev/null
  else
    wait "$launcher"; code=$?
    [ "$code" -eq 0 ] || fail "round $round: exit code $code"
  fi
  if grep -qi 'unhandled\|exception\|backtrace' "$scratch/out-$round.txt"; then
    fail "round $round: $(grep -i -m1 'unhandled\|exception' "$scratch/out-$round.txt")"
  fi
  why=$(consistent) || fail "round $round: $why"
done
echo "ok   $rounds closes at random moments: $((rounds - failures)) clean"

# Undisturbed, the next start completes what the closed ones left.
(cd "$app" && exec "$TALVORE_WINE" "$(win "$app")\\TalvoreLauncher.exe" </dev/null >/dev/null 2>&1) &
driver find 30000 >/dev/null
driver wait-text 1003 Jogar 180000 >/dev/null || fail "the last start did not finish the update"
cmp -s "$content/data/mundo.pak" "$app/data/mundo.pak" || fail "mundo.pak not in place after the last start"
grep -q '"applied_version": *1' "$app/launcher_state.json" 2>/dev/null || fail "version not recorded"
driver close >/dev/null
driver gone 20000 || fail "the last launcher did not close"
[ "$failures" -eq 0 ]
