#!/usr/bin/env bash
# The real launcher window with a news feed on the compiled-in demo site address: screenshots
# while loading, loaded (top and end) and failed; the wheel's step, clicks on cards and on the
# failed panel, observed through a stand-in browser registered in a Wine prefix of its own.
# Fails with the reason when something else keeps listening on the demo address.
set -u
site_host=127.0.0.1 site_port=47180
port_taken() { ss -ltnH "sport = :$site_port" 2>/dev/null | grep -q .; }
for _ in $(seq 50); do port_taken || break; sleep 0.1; done
if port_taken; then
  echo "FAIL $site_host:$site_port is in use (a demo server running?); this test serves the"
  echo "     launcher's compiled-in site there: stop that first"
  exit 1
fi
scratch="$TALVORE_TEST_SCRATCH"
src="$TALVORE_SOURCE_DIR"
rm -rf "$scratch"; mkdir -p "$scratch/player/Talvore" "$scratch/site-ok" "$scratch/site-failed" "$scratch/shots"
win() { local p="$1"; echo "Z:${p//\//\\}"; }

prefix="${TALVORE_WINEPREFIX}-news"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
"$src/tests/harness/wine-prefix" "$prefix" || exit 1
cp "$TALVORE_TESTS_DIR/url_recorder.exe" "$prefix/drive_c/talvore-recorder.exe"
cp "$TALVORE_TESTS_DIR/url_recorder.exe" "$prefix/drive_c/x.exe"
for proto in http https javascript; do
  "$TALVORE_WINE" reg add "HKCR\\$proto" /v "URL Protocol" /d "" /f >/dev/null 2>&1
  "$TALVORE_WINE" reg add "HKCR\\$proto\\shell\\open\\command" /ve \
    /d '"C:\talvore-recorder.exe" "%1"' /f >/dev/null 2>&1
done

# The stand-in must see every kind of address the launcher could wrongly open, or the checks
# that nothing opened would prove nothing.
probe="$scratch/probe.txt"; : > "$probe"
for url in "https://site.evil/probe" "javascript:probe" "file:///C:/x.exe"; do
  TALVORE_URL_LOG="$(win "$probe")" "$TALVORE_WINE" start /wait "$url" >/dev/null 2>&1
done
for _ in $(seq 100); do [ "$(wc -l < "$probe")" -ge 3 ] && break; sleep 0.1; done
if [ "$(wc -l < "$probe")" -lt 3 ]; then
  echo "FAIL the stand-in browser did not see every probe:"; cat "$probe"; exit 1
fi

own_xvfb=""
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  export DISPLAY=":$(( 700 + RANDOM % 200 ))"
  Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  own_xvfb=$!
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$own_xvfb" ] && kill "$own_xvfb" 2>/dev/null
}
trap cleanup EXIT

# The demo site with a test feed: the demo entries, three links the launcher must never open
# and a last entry back on the site.
cp -r "$src/demo/site/." "$scratch/site-ok/"
cp -r "$src/demo/site/." "$scratch/site-failed/"
rm -f "$scratch/site-failed/updates-feed.json"
/usr/bin/python3 - "$src/demo/site/updates-feed.json" "$scratch/site-ok/updates-feed.json" <<'PY' > "$scratch/expected-ok.txt"
import json, sys
feed = json.load(open(sys.argv[1], encoding="utf-8"))
items = feed["items"]
items += [
    {"date": "hoje", "title": "Outro site", "url": "https://site.evil/", "image": "https://site.evil/p.jpg"},
    {"date": "hoje", "title": "Arquivo local", "url": "file:///C:/x.exe"},
    {"date": "hoje", "title": "Script", "url": "javascript:alert(1)"},
    {"date": "ontem", "title": "De volta ao site", "url": "http://127.0.0.1:47180/updates.html#fim"},
]
json.dump(feed, open(sys.argv[2], "w", encoding="utf-8"), ensure_ascii=False)
u = [i.get("url", "") for i in items]
for url in (u[0], u[0], u[1], u[0], u[1], u[0], u[-1]):
    print(url)
PY
entries=$(/usr/bin/python3 -c "import json,sys; print(len(json.load(open(sys.argv[1]))['items']))" "$scratch/site-ok/updates-feed.json")
pictures=$(grep -o '"image": *"http://127.0.0.1:47180/[^"]*"' "$scratch/site-ok/updates-feed.json" | wc -l)
echo "http://127.0.0.1:47180/updates.html" > "$scratch/expected-failed.txt"

cp "$TALVORE_BIN_DIR/TalvoreLauncher.exe" "$scratch/player/Talvore/"
printf 'http://127.0.0.1:9/launcher\r\n' > "$scratch/player/Talvore/launcher.cfg"

failures=0
run() {  # run MODE SITE_DIR GATE
  local mode="$1" site="$2" gate="$3"
  local log="$scratch/server-$mode.log" urls="$scratch/urls-$mode.txt"
  : > "$log"; : > "$urls"
  /usr/bin/python3 "$src/tests/news/feed_server.py" --root "$site" --host $site_host --port $site_port \
    --log "$log" ${gate:+--gate "$gate"} --lifetime 300 &
  server=$!
  for _ in $(seq 50); do curl -s -o /dev/null "http://$site_host:$site_port/index.html" && break; sleep 0.1; done
  : > "$log"
  TALVORE_URL_LOG="$(win "$urls")" "$TALVORE_WINE" "$TALVORE_TESTS_DIR/news_window_driver.exe" \
    "$mode" "$(win "$scratch/player/Talvore")\\TalvoreLauncher.exe" "$(win "$scratch/player/Talvore")" \
    "$(win "$scratch/shots")" "$(win "$log")" "$(win "${gate:-$scratch/none}")" "$(win "$urls")" \
    "$entries" "$pictures" 2>&1 | tr -d '\r' | sed "s/^/[$mode] /"
  [ "${PIPESTATUS[0]}" = 0 ] || failures=$((failures + 1))
  kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; server=""
  tr -d '\r' < "$urls" > "$urls.unix"
  if ! diff -u "$scratch/expected-$mode.txt" "$urls.unix"; then
    echo "FAIL [$mode] the addresses opened differ from the expected ones"
    failures=$((failures + 1))
  fi
}
run ok "$scratch/site-ok" "$scratch/gate"
run failed "$scratch/site-failed" ""
ls "$scratch/shots"
[ "$failures" -eq 0 ]
