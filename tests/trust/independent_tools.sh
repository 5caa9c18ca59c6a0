#!/usr/bin/env bash
# Compares the launcher's integrity primitives with independent implementations: SHA-256
# against sha256sum (sizes around the 64 KiB chunk, a file of several hundred MiB hashed with
# bounded memory) and Ed25519 against signatures made by OpenSSL.
set -euo pipefail
S="$TALVORE_TEST_SCRATCH"
rm -rf "$S" && mkdir -p "$S" && cd "$S"
win() { printf 'Z:%s' "$1" | tr / '\\'; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# --- files to hash --------------------------------------------------------------------------
: > empty
printf abc > abc
for n in 65535 65536 65537 131071 131072 131073 200000; do head -c $n /dev/urandom > r$n; done
head -c $((320 * 1024 * 1024 + 7)) < <(yes 'talvore-big-file-line') > big  # yes dies of SIGPIPE
hash_files=(empty abc r65535 r65536 r65537 r131071 r131072 r131073 r200000 big)

# --- signatures made by OpenSSL -------------------------------------------------------------
raw_pub() { openssl pkey -in "$1" -pubout -outform DER | tail -c 32 | od -An -tx1 | tr -d ' \n'; }
sign() { openssl pkeyutl -sign -inkey "$1" -rawin -in "$2" | base64 > "$3"; }  # wrapped lines
openssl genpkey -algorithm ed25519 -out k1.pem 2>/dev/null
openssl genpkey -algorithm ed25519 -out k2.pem 2>/dev/null
pub1=$(raw_pub k1.pem)
pub2=$(raw_pub k2.pem)
printf '{\n  "version": 12,\n  "files": [\n    {"path": "a.txt", "sha256": "%s"}\n  ]\n}\n' \
  "$(sha256sum abc | cut -c1-64)" > manifest.json
sed 's/$/\r/' manifest.json > manifest_crlf.json
sed 's/12/13/' manifest.json > manifest_flipped.json
printf '\xEF\xBB\xBF' | cat - manifest.json > manifest_bom.json
sign k1.pem manifest.json manifest.sig
sign k1.pem manifest_crlf.json manifest_crlf.sig
sign k1.pem manifest_bom.json manifest_bom.sig
base64 -d manifest.sig | head -c 63 | base64 > short.sig
{ base64 -d manifest.sig; printf x; } | base64 > long.sig

# The demo key the test build carries: libsodium's secret key is the seed then the public key.
secret=$(tr -d ' \n' < "$TALVORE_SOURCE_DIR/demo/keys/demo-signing.secret")
printf '302e020100300506032b657004220420%s' "${secret:0:64}" | xxd -r -p > demo.der
openssl pkey -inform DER -in demo.der -out demo.pem
[ "$(raw_pub demo.pem)" = "${secret:64:64}" ] || fail "demo secret and public halves disagree"
sign demo.pem manifest.json demo.sig

args=()
expected=()
for f in "${hash_files[@]}"; do
  args+=(hash "$(win "$S/$f")")
  expected+=("$(sha256sum "$f" | cut -c1-64)")
done
args+=(hash "$(win "$S/missing")"); expected+=(failed)
check() { args+=(verify "$1" "$(win "$S/$2")" "$(win "$S/$3")"); expected+=("$4"); }
check "$pub1" manifest.json manifest.sig ok
check "$pub1" manifest_crlf.json manifest_crlf.sig ok
check "$pub1" manifest_bom.json manifest_bom.sig ok
check "$pub1" manifest_crlf.json manifest.sig fail      # re-saved with CRLF line endings
check "$pub1" manifest_flipped.json manifest.sig fail
check "$pub1" manifest.json manifest_bom.sig fail       # the mark is part of the signed bytes
check "$pub2" manifest.json manifest.sig fail           # another key
check "$pub1" manifest.json short.sig fail              # 63 bytes
check "$pub1" manifest.json long.sig fail               # 65 bytes
check "$pub1" manifest.json empty fail                  # empty signature file
check builtin manifest.json demo.sig ok
check builtin manifest.json manifest.sig fail
args+=(peak)

out=$("$TALVORE_WINE_RUN" "$TALVORE_TESTS_DIR/trust_tool.exe" "${args[@]}" | tr -d '\r')
mapfile -t got <<< "$out"
[ "${#got[@]}" -eq $((${#expected[@]} + 1)) ] || fail "got ${#got[@]} lines: $out"
for i in "${!expected[@]}"; do
  [ "${got[$i]}" = "${expected[$i]}" ] || fail "check $i: got '${got[$i]}', expected '${expected[$i]}'"
done
peak=${got[-1]}
echo "hashed $(( $(stat -c %s big) >> 20 )) MiB with a peak working set of $peak MiB"
[ "$peak" -lt 128 ] || fail "peak working set $peak MiB: hashing is not streaming"
echo "all ${#expected[@]} checks agree with sha256sum and openssl"
rm -f big
