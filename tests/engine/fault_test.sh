#!/usr/bin/env bash
# Starts the tree fault server beside nginx, runs the fault cases under Wine, and drives
# talvore-update.exe from the command line (output format, exit status, a full disk).
set -u
fail() { echo "FAIL: $*"; exit 1; }
here="$(cd "$(dirname "$0")" && pwd)"
host="${TALVORE_TEST_HOST:-127.0.0.2}"
port=47310
scratch="$TALVORE_TEST_SCRATCH"
www="$TALVORE_TEST_SERVERS/www"
rm -rf "$scratch" && mkdir -p "$scratch" || fail "scratch folder"
: >"$scratch/fault.log"

/usr/bin/python3 "$here/tree_fault_server.py" --host "$host" --port "$port" --root "$www" \
  --log "$scratch/fault.log" --lifetime 600 </dev/null >"$scratch/server.out" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null' EXIT
for _ in $(seq 100); do
  curl -s -o /dev/null "http://$host:$port/_ctl/clear" && break
  sleep 0.1
done

export TALVORE_ENGINE_FAULT_ROOT="http://$host:$port"
export TALVORE_ENGINE_FAULT_LOG="$scratch/fault.log"
export TALVORE_TEST_SCRATCH="$scratch/cases"
"$TALVORE_WINE_RUN" "$TALVORE_TESTS_DIR/engine_fault_test.exe" || fail "fault cases"

# --- talvore-update.exe from a shell, against a tree signed by talvore-publish --------------
tool="$TALVORE_BIN_DIR/talvore-update.exe"
publish="$TALVORE_NATIVE_BIN_DIR/talvore-publish"
win() { printf 'Z:%s' "$1" | tr '/' '\\'; }
site="$www/engine/cli"
rm -rf "$site" "$scratch/content" "$scratch/game"
mkdir -p "$scratch/content/sub" "$scratch/game"
printf 'hello' >"$scratch/content/a.txt"
head -c 3000000 /dev/urandom >"$scratch/content/sub/big.bin"
[ -x "$publish" ] || fail "talvore-publish not built ($publish)"
"$publish" content --key "$TALVORE_SOURCE_DIR/demo/keys/demo-signing.secret" --version 3 \
  --source "$scratch/content" --out "$site" >"$scratch/publish.out" 2>&1 \
  || fail "publishing: $(cat "$scratch/publish.out")"
base="http://$host:47280/engine/cli"
"$TALVORE_WINE_RUN" "$tool" "$base" "$(win "$scratch/game")" >"$scratch/out1" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "first run exit $rc: $(tail -3 "$scratch/out1")"
[ "$(tail -n 1 "$scratch/out1" | tr -d '\r')" = "ok" ] || fail "last line: $(tail -n 1 "$scratch/out1")"
head -n 3 "$scratch/out1" | tr -d '\r' | diff - <(printf '%s\n' \
  "0 0/0 0/0 Verificando atualizacoes..." "1 0/0 0/0 Verificando assinatura..." \
  "2 0/0 0/0 Conferindo arquivos locais...") >/dev/null || fail "first reports: $(head -3 "$scratch/out1")"
grep -q '^3 2/2 3000000/3000000 Baixando: sub\\big.bin' "$scratch/out1" || fail "no complete big.bin report"
cmp -s "$scratch/content/sub/big.bin" "$scratch/game/sub/big.bin" || fail "big.bin differs"
printf '{\n  "applied_version": 3\n}\n' | cmp -s - "$scratch/game/launcher_state.json" || fail "state file"

# Up to date: four reports and ok.
"$TALVORE_WINE_RUN" "$tool" "$base" "$(win "$scratch/game")" >"$scratch/out2" 2>&1 || fail "second run"
[ "$(tr -d '\r' <"$scratch/out2" | cut -d' ' -f1 | tr '\n' ' ')" = "0 1 2 4 ok " ] || fail "second run: $(cat "$scratch/out2")"

# A failure: "Erro: " + message on the last line, exit status 1.
"$TALVORE_WINE_RUN" "$tool" "http://$host:47280/engine/nothing-here" "$(win "$scratch/game")" >"$scratch/out3" 2>&1
rc=$?
[ $rc -eq 1 ] || fail "failed run exit $rc"
[ "$(tail -n 1 "$scratch/out3" | tr -d '\r')" = "Erro: nao foi possivel baixar manifest.json: HTTP status 404" ] \
  || fail "failure line: $(tail -n 1 "$scratch/out3")"
"$TALVORE_WINE_RUN" "$tool" >/dev/null 2>&1
[ $? -eq 2 ] || fail "usage error exit status"

# A full disk (file-size limit) while big.bin is written: the old file stays, no version bump.
printf 'old' >"$scratch/game/sub/big.bin"
rm -f "$scratch/game/launcher_state.json"
"$TALVORE_WINE_RUN" "$tool" >/dev/null 2>&1  # start Wine without the limit
(ulimit -f 1024; exec "$TALVORE_WINE_RUN" "$tool" "$base" "$(win "$scratch/game")") >"$scratch/out4" 2>&1
rc=$?
[ $rc -ne 0 ] || fail "full disk reported success"
[ "$(cat "$scratch/game/sub/big.bin")" = "old" ] || fail "big.bin replaced by a partial file"
[ ! -e "$scratch/game/launcher_state.json" ] || fail "state written after a failed run"
echo "engine fault cases passed"
