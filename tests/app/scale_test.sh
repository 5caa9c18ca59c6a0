#!/usr/bin/env bash
# Runs the real launcher on virtual screens of different sizes and checks that each picks its
# UI scale: the client area must be the design canvas at that scale. Each screen gets its own
# Wine session (the work area belongs to the session), in a prefix of its own.
set -u
scratch="$TALVORE_TEST_SCRATCH"
rm -rf "$scratch"; mkdir -p "$scratch/Talvore"
prefix="${TALVORE_WINEPREFIX}-scale"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
"$TALVORE_SOURCE_DIR/tests/harness/wine-prefix" "$prefix" || exit 1
cp "$TALVORE_BIN_DIR/TalvoreLauncher.exe" "$scratch/Talvore/"
printf 'http://127.0.0.1:9/launcher\r\n' > "$scratch/Talvore/launcher.cfg"
windir="Z:${scratch//\//\\}\\Talvore"

failures=0
display=$(( 200 + RANDOM % 500 ))
for row in "1600x1000 1456 884" "1400x880 1344 816" "1280x800 1232 748" "1024x768 1120 680"; do
  set -- $row
  screen="$1" want_w="$2" want_h="$3"
  Xvfb ":$display" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do xdpyinfo -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
  out=$(DISPLAY=":$display" "$TALVORE_WINE" "$TALVORE_TESTS_DIR/window_probe.exe" \
        "$windir\\TalvoreLauncher.exe" "$windir" 2>&1 | tr -d '\r')
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
  display=$((display + 1))
  got=$(echo "$out" | awk '/^client/ {print $2" "$3}')
  code=$(echo "$out" | awk '/^exit/ {print $2}')
  if [ "$got" = "$want_w $want_h" ] && [ "$code" = 0 ]; then
    echo "ok   screen $screen: client $got, exit $code"
  else
    echo "FAIL screen $screen: want client $want_w $want_h exit 0; probe said:"; echo "$out" | sed 's/^/     /'
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ]
