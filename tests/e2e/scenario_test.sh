#!/usr/bin/env bash
# A new player's journey with the real launcher under Wine and Xvfb (1600 x 1000, scale 1.3),
# against nginx on the compiled-in site address with no launcher.cfg: the downloaded
# executable installs itself into "Talvore", updates itself to the next signed build through
# the three hand-off processes, brings the base content up to date and shows the news; a saved
# preset with the HD options switches on the HD packs; two clients start and a third is
# refused; closing asks while a client runs; the next start fetches only manifests and the
# feed. Each stage checks the folder, the state files and the request log, and leaves a
# screenshot in the scratch folder.
set -u
src="$TALVORE_SOURCE_DIR"
scratch="$TALVORE_TEST_SCRATCH"
checks() { /usr/bin/python3 "$src/tests/e2e/scenario_checks.py" "$@"; }
win() { echo "Z:${1//\//\\}"; }
sha() { sha256sum "$1" | cut -d' ' -f1; }

site_port=47180
# What a run killed from outside (a ctest time-out) may have left running.
"$src/demo/serve-demo" stop "$scratch/site" 2>/dev/null
if [ -f "$scratch/xvfb.pid" ] && [ "$(cat "/proc/$(cat "$scratch/xvfb.pid")/comm" 2>/dev/null)" = Xvfb ]; then
  kill "$(cat "$scratch/xvfb.pid")"
fi
port_taken() { ss -ltnH "sport = :$site_port" 2>/dev/null | grep -q .; }
for _ in $(seq 30); do port_taken || break; sleep 0.1; done
if port_taken; then
  echo "FAIL port $site_port is already in use (a demo server or another test?): the scenario"
  echo "     serves the launcher's compiled-in site at http://127.0.0.1:$site_port; stop that first"
  ss -ltnp "sport = :$site_port" 2>/dev/null
  exit 1
fi

rm -rf "$scratch"
downloads="$scratch/home/Transferências"
app="$downloads/Talvore"
site="$scratch/site"
shots="$scratch/shots"
content="$scratch/content"
mkdir -p "$downloads" "$site/www" "$shots" "$content/base/data" "$content/base/config" "$content/hd/pack"
launcher="$TALVORE_BIN_DIR/TalvoreLauncher.exe"
next="$TALVORE_TESTS_DIR/TalvoreLauncherNext.exe"
winapp="$(win "$app")"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
source "$src/tests/harness/window-test.bash"
use_test_prefix e2e
cleanup() {
  end_test_session
  "$src/demo/serve-demo" stop "$site" 2>/dev/null
  for _ in $(seq 50); do port_taken || break; sleep 0.1; done  # free for the next test
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# A screen of our own: the work area belongs to this Wine session, and the screenshots show
# only this launcher.
start_test_screen 1200 1900 || exit 1
echo "$xvfb" > "$scratch/xvfb.pid"

settings() {
  "$TALVORE_WINE" "$TALVORE_TESTS_DIR/settings_driver.exe" "$winapp\\TalvoreLauncher.exe" "$@" \
    2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"
}
shot() { import -window root -display "$DISPLAY" "$shots/$1.png" 2>/dev/null; echo "     screenshot $shots/$1.png"; }
# wait_until MS COMMAND...: polls every 0.2 s.
wait_until() {
  local ms="$1"; shift
  local end=$(( $(date +%s%3N) + ms ))
  until "$@"; do [ "$(date +%s%3N)" -gt "$end" ] && return 1; sleep 0.2; done
}

# --- The server: content, HD packs, the next launcher build and the news ------------------
/usr/bin/python3 - "$content" <<'PY'
import random, sys
root = sys.argv[1]
rng = random.Random(11)
def blob(path, size):
    with open(f"{root}/{path}", "wb") as f:
        f.write(rng.randbytes(size))
blob("base/data/mundo.pak", 6 * 1024 * 1024)
blob("base/data/interface.pak", 700 * 1024)
blob("base/data/vazio.pak", 0)
with open(f"{root}/base/config/leia-me.txt", "w", encoding="utf-8") as f:
    f.write("Bem-vindo a Talvore!\r\nConteúdo de demonstração.\r\n")
for stem, size in (("talvore_hd", 2 * 1024 * 1024), ("talvore_hd2", 1024 * 1024),
                   ("talvore_hd_ceu", 512 * 1024)):
    blob(f"hd/pack/{stem}.epk", size)
    blob(f"hd/pack/{stem}.eix", 4096)
# Listed in the HD manifest but part of no pack: never fetched.
with open(f"{root}/hd/pack/notas_hd.txt", "w") as f:
    f.write("notas\n")
PY
cp "$TALVORE_TESTS_DIR/fake_client/kaldrunclient.exe" "$content/base/"
publish="$TALVORE_NATIVE_BIN_DIR/talvore-publish"
key="$src/demo/keys/demo-signing.secret"
out="$site/www/launcher"
mkdir -p "$out/builds"
cp "$next" "$out/builds/TalvoreLauncher-17.exe"
{
  "$publish" content --key "$key" --version 3 --source "$content/base" --out "$out" --name manifest &&
  "$publish" content --key "$key" --version 2 --source "$content/hd" --out "$out" --name manifest_hd &&
  "$publish" launcher --key "$key" --version 17 --exe "$next" --out "$out" \
    --url "http://127.0.0.1:$site_port/launcher/builds/TalvoreLauncher-17.exe"
} >/dev/null || { echo "FAIL publishing"; exit 1; }
cp -r "$src/demo/site/." "$site/www/"
"$src/demo/serve-demo" start "$site" || { echo "FAIL nginx on 127.0.0.1:$site_port"; exit 1; }
log="$site/logs/access.log"
wait_until 5000 curl -sf -o /dev/null "http://127.0.0.1:$site_port/updates-feed.json" ||
  { echo "FAIL the site does not answer"; exit 1; }
log_mark() { wc -l < "$log"; }
pictures=$(grep -o '"image": *"http://127.0.0.1:47180/[^"]*"' "$site/www/updates-feed.json" | sed 's/.*47180//; s/"$//')
news_requests() {
  echo "GET /updates-feed.json 200"
  for p in $pictures; do echo "GET $p 200"; done
}
# The news is shown when the first card carries its picture; polled on screenshots, since
# the request log cannot tell this launcher's picture downloads from other launchers'.
news_shown() {  # news_shown SHOT
  import -window root -display "$DISPLAY" "$shots/$1.png" 2>/dev/null &&
    checks thumbnail "$shots/$1.png" "$ox" "$oy" 1.3 0 "$src/demo/site/news/fortaleza.jpg" >/dev/null
}
# Every launcher on this machine asks the compiled-in site for the news, including those of
# other tests running meanwhile; only their requests below /launcher are told apart (those
# all carry a launcher.cfg), so news requests are wanted at least, never exactly.
shared_news='^/(updates-feed\.json|news/)'
requests() {  # requests DESCRIPTION FROM: the wanted lines come on stdin
  cat > "$scratch/want.txt"
  local problems
  problems=$(checks requests "$log" "$2" "$scratch/want.txt" "$shared_news")
  check "$1" test -z "$problems"
  [ -z "$problems" ] || echo "$problems"
}
folder() {  # folder DESCRIPTION DIR: the wanted rows come on stdin
  cat > "$scratch/want-files.txt"
  local problems
  problems=$(checks folder "$2" "$scratch/want-files.txt")
  check "$1" test -z "$problems"
  [ -z "$problems" ] || echo "$problems"
}
ini_is() {  # ini_is DESCRIPTION: the wanted keys come on stdin
  cat > "$scratch/want-ini.txt"
  local problems
  problems=$(checks ini "$app/talvore_graficos.ini" "$scratch/want-ini.txt" 2>&1)
  check "$1" test -z "$problems"
  [ -z "$problems" ] || echo "$problems"
}
preset_keys() {  # preset_keys MODE TEXTURAS CEU HORIZONTE ANISO MIPBIAS AA POST LIGHTS...
  echo "Graficos.Modo=$1"; echo "Graficos.LauncherV15=1"
  echo "Graficos.TexturasHD=$2"; echo "Graficos.CeuHD=$3"; echo "Graficos.Horizonte=$4"
  echo "Terrain.Anisotropy=$5"; echo "Terrain.MipBiasTenths=$6"; echo "Terrain.AntiAliasing=$7"
  echo "PostLights.Enabled=$8"
  shift 8
  local k
  for k in LuzPorPixel LuzEmTudo SombraPostes RaiosSol AguaNova ChaoMolhado ReflexoPocas Respingos; do
    echo "DX11.$k=$1"; shift
  done
}
file_is() {  # file_is DESCRIPTION PATH: the wanted bytes come on stdin
  cat > "$scratch/want-bytes"
  check "$1" cmp -s "$scratch/want-bytes" "$2"
  cmp -s "$scratch/want-bytes" "$2" || { echo "     have:"; od -c "$2" 2>&1 | head -8 | sed 's/^/     /'; }
}
game_rows() {
  (cd "$content/base" && checks snapshot .)
  printf 'TalvoreLauncher.exe\t%s\n' "$(sha "$next")"
  printf '%s\t-\n' kaldrun.cfg talvore_graficos.ini launcher_state.json
}
hd_rows() { (cd "$content/hd" && checks snapshot .) | grep -v '^pack/notas_hd.txt'; printf 'launcher_state_hd.json\t-\n'; }
cfg_bytes() {  # cfg_bytes SHADOW: a configuration written from nothing at 1600 x 1000
  printf 'WIDTH\t\t\t\t\t1600\r\nHEIGHT\t\t\t\t\t1000\r\nBPP\t\t\t\t\t32\r\nFREQUENCY\t\t\t\t\t60\r\n'
  printf 'MUSIC_VOLUME\t\t\t\t\t1.000\r\nVOICE_VOLUME\t\t\t\t\t100\r\nGAMMA\t\t\t\t\t5\r\n'
  printf 'WINDOWED\t\t\t\t\t0\r\nSHADOW_LEVEL\t\t\t\t\t%s\r\n' "$1"
}
start_launcher() {  # start_launcher DIR EXE-NAME: as a double click there would
  (cd "$1" && exec "$TALVORE_WINE" "$(win "$1")\\$2" </dev/null >/dev/null 2>&1) &
  launcher_job=$!
}

# --- 1. First start from the download folder ----------------------------------------------
echo "== 1. first start: install, self-update, base content, news"
cp "$launcher" "$downloads/Talvore Launcher (2).exe"
head -c 3000 /dev/urandom > "$downloads/foto.jpg"
printf 'lista de compras\n' > "$downloads/notas.txt"
printf '%s\t%s\n' foto.jpg "$(sha "$downloads/foto.jpg")" notas.txt "$(sha "$downloads/notas.txt")" \
  > "$scratch/rows-0.txt"  # the player's own files, which must stay as they are
mark=$(log_mark)
started=$(date +%s)
start_launcher "$downloads" "Talvore Launcher (2).exe"
geometry=$(driver find 120000)
check "the launcher window opened ($geometry)" test -n "$geometry" -a "$geometry" != "no launcher window"
read -r ox oy cw ch <<<"$geometry"
check "client area 1456 x 884 (scale 1.3)" test "$cw $ch" = "1456 884"
wait_until 30000 eval '! kill -0 "$launcher_job" 2>/dev/null'
wait "$launcher_job"; code=$?
check "the downloaded copy ended with exit code 0 ($code)" test "$code" = 0
check "the base update ends in Jogar" eval 'driver wait-text 1003 Jogar 120000 >/dev/null'
check "Jogar is enabled" driver wait-enabled 1003 10000
check "the news shows, the first card with its picture" wait_until 30000 news_shown 1-first-start
echo "     screenshot $shots/1-first-start.png"
checks thumbnail "$shots/1-first-start.png" "$ox" "$oy" 1.3 0 "$src/demo/site/news/fortaleza.jpg"
echo "     (after $(( $(date +%s) - started )) s)"
{
  cat "$scratch/rows-0.txt"
  game_rows | sed 's|^|Talvore/|'
} > "$scratch/rows-1.txt"
folder "the original is gone; Talvore holds the next build, the base content and the settings files" \
  "$downloads" < "$scratch/rows-1.txt"
file_is "launcher_state.json records content 3 and launcher 17" "$app/launcher_state.json" \
  < <(printf '{\n  "applied_version": 3,\n  "applied_launcher_version": 17\n}\n')
file_is "kaldrun.cfg written from nothing with the screen size and shadow level 1" "$app/kaldrun.cfg" < <(cfg_bytes 1)
ini_is "the options file holds the original preset" < <(preset_keys 0 0 0 0 2 0 0 0 0 0 0 0 0 0 0 0)
{
  printf 'GET /launcher/launcher_manifest.json 200\nGET /launcher/launcher_manifest.sig 200\n'
  printf 'GET /launcher/launcher_manifest.json 200\nGET /launcher/launcher_manifest.sig 200\n'
  echo "GET /launcher/builds/TalvoreLauncher-17.exe 200"
  printf 'GET /launcher/manifest.json 200\nGET /launcher/manifest.sig 200\n'
  (cd "$content/base" && checks snapshot .) | cut -f1 | sed 's|^|GET /launcher/files/|; s|$| 200|'
  news_requests
} | requests "requests: two launcher checks (old and new build), one build, the base content, the news" "$mark"
first_exe=$(tail -n +$((mark + 1)) "$log" | grep -n 'TalvoreLauncher-17.exe' | head -1 | cut -d: -f1)
first_content=$(tail -n +$((mark + 1)) "$log" | grep -n ' /launcher/manifest.json' | head -1 | cut -d: -f1)
check "the self-update ran before the content update" test "${first_exe:-99}" -lt "${first_content:-0}"

# --- 2. Settings: a preset with the HD options -------------------------------------------
echo "== 2. settings: preset Alto, HD packs"
mark=$(log_mark)
driver click 1005 >/dev/null
state=$(settings wait 10000)
check "the settings window opens over a disabled main window ($state)" test "$state" = "owner=1 main-enabled=0"
settings open-presets >/dev/null
sleep 0.8
shot 2-settings-presets
settings pick 2 >/dev/null   # "Alto": HD textures and HD sky
sleep 0.5
shot 2-settings-alto
settings save >/dev/null
check "Salvar closes the settings window" settings gone 10000
hd_done() { [ -f "$app/launcher_state_hd.json" ] && [ "$(driver text 1003)" = Jogar ]; }
check "the restarted update fetches the HD packs and ends in Jogar" wait_until 120000 hd_done
sleep 1.5
shot 2-hd-updated
check "screenshot: both bars full$(checks bars "$shots/2-hd-updated.png" "$ox" "$oy" 1.3 | sed 's/^ */: /')" \
  checks bars "$shots/2-hd-updated.png" "$ox" "$oy" 1.3
ini_is "the options file holds preset Alto" < <(preset_keys 2 1 1 0 16 -10 4 1 1 1 1 1 1 1 1 1)
cfg_bytes 4 > "$scratch/cfg-2"
file_is "kaldrun.cfg gets Alto's shadow level 4, everything else as it was" "$app/kaldrun.cfg" < "$scratch/cfg-2"
file_is "launcher_state_hd.json records HD version 2" "$app/launcher_state_hd.json" \
  < <(printf '{\n  "applied_version": 2\n}\n')
file_is "launcher_state.json unchanged" "$app/launcher_state.json" \
  < <(printf '{\n  "applied_version": 3,\n  "applied_launcher_version": 17\n}\n')
folder "Talvore now also holds the three HD packs and nothing else" "$app" < <(game_rows; hd_rows)
{
  printf 'GET /launcher/manifest.json 200\nGET /launcher/manifest.sig 200\n'
  printf 'GET /launcher/manifest_hd.json 200\nGET /launcher/manifest_hd.sig 200\n'
  hd_rows | grep '^pack/' | cut -f1 | sed 's|^|GET /launcher/files/|; s|$| 200|'
} | requests "requests: both manifests again and only the pack files" "$mark"

# --- 3. Play twice; the third is refused ---------------------------------------------------
echo "== 3. play: two clients, the third refused"
mark=$(log_mark)
records() { ls "$app"/client_*.txt 2>/dev/null | wc -l; }
records_are() { [ "$(records)" = "$1" ]; }
driver click 1003 >/dev/null
check "the first press starts a client" wait_until 20000 records_are 1
driver click 1003 >/dev/null
check "the second press starts another" wait_until 20000 records_are 2
driver click 1003 >/dev/null
limit=$(driver msgbox 10000 peek)
check "the third press shows the limit ($limit)" \
  test "$limit" = "Você já está com 2 jogos abertos. Esse é o limite por computador."
shot 3-client-limit
driver msgbox 5000 ok >/dev/null
sleep 1.5
check "and starts nothing" test "$(records)" = 2
parents=""
for record in "$app"/client_*.txt; do
  line=$(sed -n 1p "$record")
  parent=${line##*--tl-pai=}
  parents="$parents $parent"
  check "client command line ($line)" test "$line" = \
    "\"$winapp\\kaldrunclient.exe\" --talvore-launch=7e2b9d04c6a1f358b0d4e92c17a6f3b5 --tl-pai=$parent"
  check "client runs in the game folder" test "$(sed -n 2p "$record")" = "$winapp"
  check "client saw its launcher's alive event" test "$(sed -n 3p "$record")" = 1
done
read -r parent other <<<"$parents"
check "both name the same launcher process" test "$parent" = "$other"
client_pids=$(ls "$app"/client_*.txt | sed 's/.*client_//; s/\.txt$//')
requests "requests: none while playing" "$mark" </dev/null

# --- 4. Closing while the clients run ------------------------------------------------------
echo "== 4. close: asked while playing"
driver close
question=$(driver msgbox 10000 peek)
check "closing asks ($question)" test "$question" = "Fechar o launcher também fecha o jogo. Deseja fechar?"
shot 4-close-question
driver msgbox 5000 no >/dev/null
sleep 1
check "No keeps the launcher open" eval 'driver find 1000 >/dev/null'
for pid in $client_pids; do check "client $pid still runs" test "$(driver alive "$pid")" = 1; done
driver close
check "the second close asks again" test -n "$(driver msgbox 10000 yes)"
check "Yes closes the launcher" driver gone 15000
ended() { [ "$(driver alive "$1")" = 0 ]; }
for pid in $client_pids; do check "client $pid ended with the launcher" wait_until 10000 ended "$pid"; done
check "the launcher process ended" wait_until 10000 ended "$parent"

# --- 5. The next start: nothing to download ------------------------------------------------
echo "== 5. next start: only the manifests and the feed"
(cd "$downloads" && checks snapshot .) > "$scratch/rows-5.txt"
mark=$(log_mark)
start_launcher "$app" TalvoreLauncher.exe
geometry=$(driver find 60000)
check "the installed launcher opens its window ($geometry)" test -n "$geometry" -a "$geometry" != "no launcher window"
read -r ox oy cw ch <<<"$geometry"
check "it is ready to play" eval 'driver wait-text 1003 Jogar 60000 >/dev/null'
check "the news shows, the first card with its picture" wait_until 30000 news_shown 5-next-start
echo "     screenshot $shots/5-next-start.png"
checks thumbnail "$shots/5-next-start.png" "$ox" "$oy" 1.3 0 "$src/demo/site/news/fortaleza.jpg"
{
  printf 'GET /launcher/launcher_manifest.json 200\nGET /launcher/launcher_manifest.sig 200\n'
  printf 'GET /launcher/manifest.json 200\nGET /launcher/manifest.sig 200\n'
  printf 'GET /launcher/manifest_hd.json 200\nGET /launcher/manifest_hd.sig 200\n'
  news_requests
} | requests "requests: the three manifests and the news only" "$mark"
folder "not a byte changed in the download folder" "$downloads" < "$scratch/rows-5.txt"
driver close
check "closing with no client asks nothing" driver no-msgbox 1500
check "and closes" driver gone 15000

echo "screenshots in $shots:"; ls "$shots" | sed 's/^/     /'
[ "$failures" -eq 0 ]
