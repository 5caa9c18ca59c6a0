#!/usr/bin/env bash
# Publisher round trip: talvore-publish writes a tree, nginx serves it, the launcher's client
# fetches it under Wine and checks every signature and hash with the trust-core functions;
# verify catches tampering and rollbacks.
set -euo pipefail

publish="$TALVORE_NATIVE_BIN_DIR/talvore-publish"
src_root="$TALVORE_SOURCE_DIR"
host="${TALVORE_TEST_HOST:-127.0.0.2}"
scratch="$TALVORE_TEST_SCRATCH"
www="$TALVORE_TEST_SERVERS/www/roundtrip"
demo_key="$src_root/demo/keys/demo-signing.secret"
demo_pub="$src_root/demo/keys/demo-signing.public"
fetch="$TALVORE_BIN_DIR/http-fetch.exe"

rm -rf "$scratch" "$www"
mkdir -p "$scratch" "$www"
fails=0
check() {  # check DESCRIPTION COMMAND...: the command must succeed
  local what="$1"; shift
  if "$@" >"$scratch/last.out" 2>&1; then echo "ok: $what"; else
    echo "FAILED: $what"; cat "$scratch/last.out"; fails=$((fails + 1)); fi
}
refuse() {  # refuse DESCRIPTION EXPECTED-TEXT COMMAND...: must fail and print the text
  local what="$1" text="$2"; shift 2
  if "$@" >"$scratch/last.out" 2>&1; then
    echo "FAILED (accepted): $what"; cat "$scratch/last.out"; fails=$((fails + 1))
  elif ! grep -qF -- "$text" "$scratch/last.out"; then
    echo "FAILED (no '$text'): $what"; cat "$scratch/last.out"; fails=$((fails + 1))
  else echo "ok: $what"; fi
}

# --- a content tree: nested folders, spaces, accents, an empty file, a large file ----------
src="$scratch/src"
for d in $(seq 0 9); do
  for s in alpha "beta gama"; do
    mkdir -p "$src/d$d/$s"
    for f in $(seq 0 14); do printf 'file %s %s %s\n' "$d" "$s" "$f" > "$src/d$d/$s/f$f.txt"; done
  done
done
mkdir -p "$src/ação e café/Über Straße"
echo "acentos" > "$src/ação e café/Über Straße/olá mundo.txt"
: > "$src/vazio.dat"
truncate -s 300M "$src/grande.bin"
printf 'tail' >> "$src/grande.bin"
hd="$scratch/hd"
mkdir -p "$hd/pack"
head -c 100000 /dev/urandom > "$hd/pack/talvore_hd.eix"
echo "launcher build 17" > "$scratch/TalvoreLauncher-17.exe"

out="$www/launcher"
check "content manifest" "$publish" content --key "$demo_key" --version 5 --source "$src" --out "$out"
check "hd manifest" "$publish" content --key "$demo_key" --version 2 --name manifest_hd \
  --source "$hd" --out "$out"
cp "$scratch/TalvoreLauncher-17.exe" "$www/"
check "launcher manifest" "$publish" launcher --key "$demo_key" --version 17 \
  --url "http://$host:47280/roundtrip/TalvoreLauncher-17.exe" \
  --exe "$scratch/TalvoreLauncher-17.exe" --out "$out"
count=$(grep -c '"path"' "$out/manifest.json")
[ "$count" -ge 300 ] || { echo "FAILED: only $count entries"; fails=$((fails + 1)); }
grep -q '"path": "ação e café/Über Straße/olá mundo.txt"' "$out/manifest.json" ||
  { echo "FAILED: accented path missing from the manifest"; fails=$((fails + 1)); }

check "verify the folder" "$publish" verify --public-key "$demo_pub" "$out"
check "verify the live URL" "$publish" verify --public-key "$demo_pub" \
  "http://$host:47280/roundtrip/launcher"
grep -q "launcher_manifest.json: version 17.*hash verified" "$scratch/last.out" ||
  { echo "FAILED: launcher build not checked over the URL"; fails=$((fails + 1)); }

# The launcher's client and trust core, under Wine.
dl="$scratch/dl"
mkdir -p "$dl"
check "client fetches and verifies the served tree" "$TALVORE_WINE_RUN" "$fetch" tree \
  "http://$host:47280/roundtrip/launcher" "Z:${dl//\//\\}"
grep -q "files=$((count + 1)) problems=0" "$scratch/last.out" ||
  { echo "FAILED: client summary"; cat "$scratch/last.out"; fails=$((fails + 1)); }
grep -q "launcher_manifest version=17" "$scratch/last.out" ||
  { echo "FAILED: launcher manifest not accepted by the client"; fails=$((fails + 1)); }

# --- refusals -------------------------------------------------------------------------------
refuse "lower version" "lower than the published version 5" \
  "$publish" content --key "$demo_key" --version 4 --source "$src" --out "$out"
cp "$out/manifest.json" "$scratch/manifest.before"
for bad in "a:b.txt" "CON.txt" "trailing." 'back\slash' "launcher.cfg"; do
  rm -rf "$scratch/bad"; mkdir -p "$scratch/bad/ok"; echo x > "$scratch/bad/ok/fine.txt"
  echo x > "$scratch/bad/$bad"
  refuse "path '$bad'" "refused: $bad" \
    "$publish" content --key "$demo_key" --version 6 --source "$scratch/bad" --out "$out"
done
cmp -s "$out/manifest.json" "$scratch/manifest.before" ||
  { echo "FAILED: a refused publish changed the manifest"; fails=$((fails + 1)); }
refuse "bad version text" "--version must be" \
  "$publish" content --key "$demo_key" --version 1.5 --source "$src" --out "$out"
refuse "missing option" "content needs --key" "$publish" content --version 1 --source "$src" --out "$out"

# keygen: a new key, mode 0600, never overwritten; signatures verify only with its own key.
key="$scratch/op.key"
pub=$("$publish" keygen "$key" 2>/dev/null)
[[ "$pub" =~ ^[0-9a-f]{64}$ ]] || { echo "FAILED: keygen printed '$pub'"; fails=$((fails + 1)); }
[ "$(stat -c %a "$key")" = 600 ] || { echo "FAILED: key mode"; fails=$((fails + 1)); }
cp "$key" "$scratch/op.key.copy"
refuse "keygen keeps an existing key" "refusing to overwrite" "$publish" keygen "$key"
cmp -s "$key" "$scratch/op.key.copy" || { echo "FAILED: key overwritten"; fails=$((fails + 1)); }
small="$scratch/small-tree"
check "content with a new key" "$publish" content --key "$key" --version 1 \
  --source "$src/d0" --out "$small"
check "verify with its public key" "$publish" verify --public-key "$pub" "$small"
refuse "verify with another key" "signature does not verify" \
  "$publish" verify --public-key "$demo_pub" "$small"
printf 'x%.0s' $(seq 64) > "$scratch/bad.key"
refuse "malformed key file" "not a secret key file" \
  "$publish" content --key "$scratch/bad.key" --version 1 --source "$src/d0" --out "$small"

# --- tampering and rollback -------------------------------------------------------------------
tampered="$scratch/tampered"
cp -al "$out" "$tampered"  # hard links: replace files, never write through them
rm "$tampered/files/d3/alpha/f7.txt"; echo "changed" > "$tampered/files/d3/alpha/f7.txt"
rm "$tampered/files/d4/beta gama/f1.txt"
refuse "tampered file is named" "files/d3/alpha/f7.txt: SHA-256" \
  "$publish" verify --public-key "$demo_pub" "$tampered"
grep -qF "files/d4/beta gama/f1.txt: missing" "$scratch/last.out" ||
  { echo "FAILED: missing file not named"; fails=$((fails + 1)); }
rm "$tampered/manifest_hd.json"
sed 's/"version": 2/"version": 3/' "$out/manifest_hd.json" > "$tampered/manifest_hd.json"
refuse "edited manifest fails its signature" "manifest_hd.json: signature does not verify" \
  "$publish" verify --public-key "$demo_pub" "$tampered"

prev="$scratch/previous"
mkdir -p "$prev"
echo '{"version": 9, "files": []}' > "$prev/manifest.json"
refuse "version went down" "manifest.json: version 5 is lower than the previous 9" \
  "$publish" verify --public-key "$demo_pub" --previous "$prev" "$out"
echo '{"version": 5, "files": []}' > "$prev/manifest.json"
check "equal version is fine" "$publish" verify --public-key "$demo_pub" --previous "$prev" "$out"

rm -rf "$www" "$dl"
if [ "$fails" -ne 0 ]; then echo "$fails check(s) failed"; exit 1; fi
echo "all checks passed"
