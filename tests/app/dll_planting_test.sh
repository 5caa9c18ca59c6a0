#!/usr/bin/env bash
# DLLs planted beside the launcher under the names of the system DLLs it imports or loads never
# run inside it, with Wine told to prefer a DLL found on the search path to its own: not in a
# downloads folder while it installs itself, and not in its game folder through a whole start
# that ends ready to play. A control program that takes no precaution picks every one of them
# up, which shows the planting works.
set -u
src="$TALVORE_SOURCE_DIR"
scratch="$TALVORE_TEST_SCRATCH"
win() { echo "Z:${1//\//\\}"; }
names=(winhttp bcrypt comctl32 gdiplus dwmapi uxtheme version crypt32 windowscodecs)
host="${TALVORE_TEST_HOST:-127.0.0.2}"

rm -rf "$scratch"
downloads="$scratch/Downloads"
app="$downloads/Talvore"
mkdir -p "$app" "$scratch/content"

source "$src/tests/harness/window-test.bash"
use_test_prefix plant
cleanup() {
  end_test_session
  rm -rf "$TALVORE_TEST_SERVERS/www/plant"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
start_test_screen 2000 2499 || exit 1

plant() {  # plant FOLDER: a planted DLL under every name
  local n
  for n in "${names[@]}"; do cp "$TALVORE_TESTS_DIR/planted.dll" "$1/$n.dll"; done
}
markers() { find "$scratch" -name 'planted-*.txt' -printf '%f ' 2>/dev/null; }
# Wine loads a DLL found on the search path instead of its own for these names.
overrides="mscoree=;mshtml=;winemenubuilder.exe=d;$(IFS=,; echo "${names[*]}")=n,b"

# A small signed tree for the update.
printf 'ola' > "$scratch/content/leia.txt"
"$TALVORE_NATIVE_BIN_DIR/talvore-publish" content --key "$src/demo/keys/demo-signing.secret" \
  --version 1 --source "$scratch/content" --out "$TALVORE_TEST_SERVERS/www/plant/launcher" \
  >/dev/null || { echo "FAIL publish"; exit 1; }
cfg=$(printf 'http://%s:47280/plant/launcher\r\n' "$host")

# The control: without precautions every planted DLL is loaded.
plant "$downloads"
cp "$TALVORE_TESTS_DIR/plant_control.exe" "$downloads/"
(cd "$downloads" && WINEDLLOVERRIDES="$overrides" "$TALVORE_WINE" "$(win "$downloads")\\plant_control.exe" \
   "${names[@]/%/.dll}" >/dev/null 2>&1)
found=$(markers)
check "control: a careless program loads every planted DLL ($found)" \
  test "$(find "$downloads" -maxdepth 1 -name 'planted-*.txt' | wc -l)" -eq "${#names[@]}"
rm -f "$downloads"/planted-*.txt "$downloads/plant_control.exe"

# Started from the downloads folder: it installs itself into Talvore and starts the copy,
# which runs the whole start among planted DLLs of its own.
plant "$app"
cp "$TALVORE_BIN_DIR/TalvoreLauncher.exe" "$downloads/TalvoreLauncher.exe"
printf '%s' "$cfg" > "$downloads/launcher.cfg"
(cd "$downloads" && WINEDLLOVERRIDES="$overrides" exec "$TALVORE_WINE" "$(win "$downloads")\\TalvoreLauncher.exe" \
   </dev/null >/dev/null 2>&1) &
geometry=$(driver find 60000) || geometry=""
check "the installed copy opens its window (${geometry:-none})" test -n "$geometry"
check "the update ends ready to play" driver wait-text 1003 Jogar 120000
check "the content arrived" test "$(cat "$app/leia.txt" 2>/dev/null)" = ola
sleep 1  # the news thread and the pictures have had their chance to load DLLs too
check "no planted DLL ran (markers: $(markers))" test -z "$(markers)"
driver close >/dev/null
check "the launcher closes" driver gone 15000
[ "$failures" -eq 0 ]
