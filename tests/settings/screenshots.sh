#!/usr/bin/env bash
# Screenshots of the settings window over the real main window at scale 1.0 and 1.3, each on
# its own virtual screen and in its own Wine session (the work area belongs to the session).
# The pictures stay in the scratch folder for a look; the host checks the window's geometry
# and states and fails on a mismatch.
set -u
scratch="$TALVORE_TEST_SCRATCH"
rm -rf "$scratch"; mkdir -p "$scratch/shots"
prefix="${TALVORE_WINEPREFIX}-settings-shots"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
"$TALVORE_SOURCE_DIR/tests/harness/wine-prefix" "$prefix" || exit 1
host="$TALVORE_TESTS_DIR/settings_shots.exe"

failures=0
display=$(( 700 + RANDOM % 200 ))
for row in "1024x768 1.0" "1600x1000 1.3"; do
  set -- $row
  screen="$1" want_scale="$2"
  while xdpyinfo -display ":$display" >/dev/null 2>&1; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do xdpyinfo -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
  app="$scratch/app-$screen"; markers="$scratch/markers-$screen"
  mkdir -p "$app" "$markers"
  printf 'WIDTH 1280\r\nHEIGHT 720\r\nMUSIC_VOLUME 0.754\r\nVOICE_VOLUME 40\r\nGAMMA 7\r\n' > "$app/kaldrun.cfg"
  printf '[Graficos]\r\nModo=1\r\nLauncherV15=1\r\n' > "$app/talvore_graficos.ini"
  DISPLAY=":$display" "$TALVORE_WINE" "$host" "Z:${app//\//\\}" "Z:${markers//\//\\}" \
    > "$scratch/host-$screen.log" 2>&1 &
  pid=$!
  shots=0
  for _ in $(seq 600); do
    for ready in "$markers"/*.ready; do
      [ -e "$ready" ] || continue
      name=$(basename "$ready" .ready)
      import -display ":$display" -window root "$scratch/shots/$name-$screen.png"
      shots=$((shots + 1))
      mv "$ready" "$markers/$name.done"
    done
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  wait "$pid"; code=$?
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
  log=$(tr -d '\r' < "$scratch/host-$screen.log")
  scale=$(echo "$log" | awk '/^scale/ {print $2}')
  size=$(identify -format '%wx%h' "$scratch/shots/idle-hover-salvar-$screen.png" 2>/dev/null)
  if [ "$code" = 0 ] && [ "$shots" = 4 ] && [ "$scale" = "$want_scale" ] && [ "$size" = "$screen" ]; then
    echo "ok   screen $screen: scale $scale, $shots screenshots"
  else
    echo "FAIL screen $screen: exit $code, $shots screenshots, scale $scale (want $want_scale), picture $size"
    echo "$log" | sed 's/^/     /'
    failures=$((failures + 1))
  fi
  display=$((display + 1))
done
echo "screenshots in $scratch/shots"
[ "$failures" -eq 0 ]
