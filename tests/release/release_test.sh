#!/usr/bin/env bash
# scripts/release as an operator runs it: refusals before anything is written; a build
# code-signed with a throwaway certificate and published into a web folder, from which the
# shipped launcher updates itself under Wine; a second build from a copy of the source in other
# folders with the same bytes, which --verify-exe confirms for the served exe and refuses for
# an altered one.
set -u
src="$TALVORE_SOURCE_DIR"
scratch="$TALVORE_TEST_SCRATCH"
rm -rf "$scratch"
mkdir -p "$scratch"

# The harness's loopback servers, started for this test alone on a host of its own, so that no
# other test's request log sees this traffic (and the self-update case sees only its own).
host="127.0.3.$(printf '%s' "${TALVORE_TEST_HOST:-127.0.0.2}" | cut -d. -f4)"
export TALVORE_TEST_HOST="$host" TALVORE_TEST_SERVERS="$scratch/servers"
"$src/tests/harness/servers" start "$TALVORE_TEST_SERVERS" || { echo "FAILED: servers"; exit 1; }
trap '"$src/tests/harness/servers" stop "$TALVORE_TEST_SERVERS"' EXIT

trees="$TALVORE_TEST_SERVERS/www/release"
publish_dir="$trees/signed"
base="http://$host:47280/release/signed"
certs="$scratch/certs"
mkdir -p "$publish_dir" "$certs"

fails=0
fail() { echo "FAILED: $*"; fails=$((fails + 1)); }
ok() { echo "ok: $*"; }

# --- a throwaway code-signing certificate: PEM, PKCS#12 with a password, an expired copy ----
(
  cd "$certs" || exit 1
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Talvore Teste Assinatura" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=critical,digitalSignature" \
    -keyout key.pem -out cert.pem 2>/dev/null &&
  printf 'segredo\n' > pass && printf 'errada\n' > wrong.pass &&
  openssl pkcs12 -export -inkey key.pem -in cert.pem -passout file:pass -out cert.p12 &&
  openssl x509 -in cert.pem -signkey key.pem -days -1 -out expired.pem 2>/dev/null
) || { echo "FAILED: making the test certificates"; exit 1; }

# write_config FILE [NAME=VALUE | NAME=]...: the release settings, each NAME=VALUE replacing
# or adding a setting and NAME= dropping it. Paths are relative to the scratch folder.
write_config() {
  local file="$1" kv; shift
  declare -A s=(
    [site_url]="http://$host:47280/release/site"
    [facebook_url]="http://$host:47280/release/site/facebook.html"
    [whatsapp_url]="http://$host:47280/release/site/whatsapp.html"
    [discord_url]="http://$host:47280/release/site/discord.html"
    [signing_key]="$src/demo/keys/demo-signing.secret"
    [demo_build]=yes
    [launcher_version]=17
    [publish_dir]="$publish_dir"
    [publish_url]="$base"
    [codesign_cert]=certs/cert.pem
    [codesign_key]=certs/key.pem
  )
  for kv in "$@"; do
    if [ -z "${kv#*=}" ]; then unset "s[${kv%%=*}]"; else s[${kv%%=*}]="${kv#*=}"; fi
  done
  { echo "# written by release_test.sh"; for kv in "${!s[@]}"; do echo "$kv = ${s[$kv]}"; done; } > "$file"
}
release() { "$src/scripts/release" "$@"; }
snapshot() { (cd "$trees" && find . -type f -print0 | sort -z | xargs -0r sha256sum); }

# --- refusals: nothing built, nothing published ----------------------------------------------
before="$(snapshot)"
n=0
while IFS='|' read -r what expected settings; do
  [ -n "$what" ] || continue
  n=$((n + 1))
  # shellcheck disable=SC2086  # settings are NAME=VALUE words
  write_config "$scratch/refused.conf" $settings
  if release --build-dir "$scratch/refused-$n" "$scratch/refused.conf" >"$scratch/refused.out" 2>&1; then
    fail "$what: accepted"
  elif ! grep -qF -- "$expected" "$scratch/refused.out"; then
    fail "$what: no '$expected' in"; cat "$scratch/refused.out"
  elif [ -e "$scratch/refused-$n" ] || [ "$(snapshot)" != "$before" ]; then
    fail "$what: something was written before the refusal"
  else
    ok "refused: $what"
  fi
done <<'CASES'
demo key in a release|DEMO key from demo/keys|demo_build=
site address not absolute|site_url must be an absolute URL|site_url=talvore.example
download address not absolute|publish_url must be an absolute URL|publish_url=/release/signed
version not a number|launcher_version must be a whole number|launcher_version=17b
public key of another signing key|not the public half of signing_key|public_key=0000000000000000000000000000000000000000000000000000000000000001
certificate missing|codesign_cert: cannot read|codesign_cert=certs/missing.pem
certificate unreadable|is not a PEM certificate|codesign_cert=certs/key.pem
key without its certificate|codesign_cert and codesign_key go together|codesign_cert=
certificate expired|code-signing certificate expired|codesign_cert=certs/expired.pem
PKCS#12 with the wrong password|or the password is wrong|codesign_cert= codesign_key= codesign_pkcs12=certs/cert.p12 codesign_password_file=certs/wrong.pass
misspelt setting|unknown setting 'site_ur'|site_ur=http://x
CASES

# --- the release: build, sign with the PEM pair, publish --------------------------------------
write_config "$scratch/release.conf"
served="$publish_dir/builds/TalvoreLauncher-17.exe"
build1="$scratch/build-1"
if release --build-dir "$build1" "$scratch/release.conf" >"$scratch/release.out" 2>&1; then
  ok "scripts/release: $(grep -o 'published .*' "$scratch/release.out")"
else
  fail "scripts/release"; tail -n 30 "$scratch/release.out"
  exit 1
fi
grep '^\[release\]' "$scratch/release.out"

# The shipped launcher (16) updates itself to the published, signed build (17).
if TALVORE_SELFUPDATE_TREES=release TALVORE_TEST_SCRATCH="$scratch/wine" \
   "$TALVORE_WINE_RUN" "$TALVORE_TESTS_DIR/selfupdate_cases.exe" \
   --gtest_filter='*CodeSignedRelease*' >"$scratch/selfupdate.out" 2>&1; then
  ok "self-update to the signed release build under Wine"
else
  fail "self-update to the signed release build"; cat "$scratch/selfupdate.out"
fi

# The manifest names the signed file's hash; talvore-publish verify checks the live server the
# way launchers do (a content release first, as an operator's server has one).
publish="$build1/bin/talvore-publish"
mkdir -p "$scratch/content"
echo "conteudo" > "$scratch/content/leia.txt"
"$publish" content --key "$src/demo/keys/demo-signing.secret" --version 1 \
  --source "$scratch/content" --out "$publish_dir" >/dev/null 2>&1 || fail "content release"
if "$publish" verify --public-key "$src/demo/keys/demo-signing.public" "$base" >"$scratch/verify.out" 2>&1 &&
   grep -q "launcher_manifest.json: version 17, $base/builds/TalvoreLauncher-17.exe, build hash verified" "$scratch/verify.out"; then
  ok "talvore-publish verify of the live server"
else
  fail "talvore-publish verify of the live server"; cat "$scratch/verify.out"
fi
read -r kind < <(/usr/bin/python3 "$src/tools/release/pe_unsigned.py" "$served" | cut -d' ' -f2)
[ "$kind" = signed ] || fail "the published exe carries no signature"

echo "== osslsigncode verify $served"
osslsigncode verify -CAfile "$certs/cert.pem" -in "$served" >"$scratch/sig.out" 2>&1
rc=$?
cat "$scratch/sig.out"
if [ $rc -eq 0 ] && grep -q '^Signature verification: ok' "$scratch/sig.out" &&
   grep -q 'Subject: /CN=Talvore Teste Assinatura' "$scratch/sig.out"; then
  ok "signature valid over the served bytes"
else
  fail "osslsigncode verify (exit $rc)"
fi
cp "$served" "$scratch/altered.exe"
printf 'X' | dd of="$scratch/altered.exe" bs=1 seek=600000 conv=notrunc 2>/dev/null
osslsigncode verify -CAfile "$certs/cert.pem" -in "$scratch/altered.exe" >/dev/null 2>&1 &&
  fail "osslsigncode accepts an exe changed after signing"

# Publishing the same number again is refused before anything is written.
before="$(snapshot)"
if release --build-dir "$build1" "$scratch/release.conf" >"$scratch/again.out" 2>&1; then
  fail "the same version was published twice"
elif ! grep -q "launcher_version 17 is not above the published version 17" "$scratch/again.out"; then
  fail "second publish: unexpected refusal"; cat "$scratch/again.out"
elif [ "$(snapshot)" != "$before" ]; then
  fail "the refused publish changed the web folder"
else
  ok "refused: version not above the published one"
fi

# The PKCS#12 form, into another web folder; the build is already done.
mkdir -p "$trees/p12"
write_config "$scratch/p12.conf" codesign_cert= codesign_key= codesign_pkcs12=certs/cert.p12 \
  codesign_password_file=certs/pass publish_dir="$trees/p12" publish_url="http://$host:47280/release/p12"
if release --build-dir "$build1" "$scratch/p12.conf" >"$scratch/p12.out" 2>&1 &&
   osslsigncode verify -CAfile "$certs/cert.pem" -in "$trees/p12/builds/TalvoreLauncher-17.exe" 2>&1 |
     grep -q '^Signature verification: ok'; then
  ok "signed from a PKCS#12 file"
else
  fail "signing from a PKCS#12 file"; tail -n 20 "$scratch/p12.out"
fi

# The operator's first step, with the tool already built.
if release --build-dir "$build1" --keygen "$scratch/operator.key" >"$scratch/keygen.out" 2>&1 &&
   grep -qE '^[0-9a-f]{64}$' "$scratch/keygen.out" &&
   grep -qE '^[0-9a-f]{128}$' "$scratch/operator.key"; then
  ok "--keygen makes a signing key and prints its public half"
else
  fail "--keygen"; cat "$scratch/keygen.out"
fi
cp "$scratch/operator.key" "$scratch/operator.key.first"
release --build-dir "$build1" --keygen "$scratch/operator.key" >/dev/null 2>&1 &&
  fail "--keygen overwrote a key"
cmp -s "$scratch/operator.key" "$scratch/operator.key.first" || fail "--keygen changed an existing key"

# --- a second build: a copy of the source, another build folder -----------------------------
other="$scratch/other-source"
mkdir -p "$other"
# Every build folder holds a CMakeCache.txt; none of them is source.
tar -C "$src" --exclude-vcs --exclude-tag-all=CMakeCache.txt -cf - . | tar -C "$other" -xf -
build2="$scratch/build-2"
if "$other/scripts/release" --build-dir "$build2" --verify-exe "$served" "$scratch/release.conf" \
     >"$scratch/verify-exe.out" 2>&1 && grep -q '^\[release\] MATCH' "$scratch/verify-exe.out"; then
  ok "--verify-exe: the served, signed exe is this source's build"
else
  fail "--verify-exe of the served exe"; tail -n 20 "$scratch/verify-exe.out"
fi
sha1=$(sha256sum "$build1/bin/TalvoreLauncher.exe" | cut -d' ' -f1)
sha2=$(sha256sum "$build2/bin/TalvoreLauncher.exe" | cut -d' ' -f1)
echo "SHA-256 of $build1/bin/TalvoreLauncher.exe: $sha1"
echo "SHA-256 of $build2/bin/TalvoreLauncher.exe: $sha2"
[ "$sha1" = "$sha2" ] && ok "two builds in different folders are identical" ||
  fail "the two builds differ"
for exe in "$build1/bin/TalvoreLauncher.exe" "$build2/bin/TalvoreLauncher.exe"; do
  for folder in "$src" "$other" "$scratch" "$TALVORE_DEPS_BUILD"; do
    strings "$exe" | grep -qF "$folder" && fail "$exe names the folder $folder"
  done
done

if "$other/scripts/release" --build-dir "$build2" --verify-exe "$scratch/altered.exe" \
     "$scratch/release.conf" >"$scratch/verify-altered.out" 2>&1; then
  fail "--verify-exe accepted an altered exe"
elif grep -q '^\[release\] DIFFERENT' "$scratch/verify-altered.out"; then
  ok "--verify-exe: an altered exe is not this source's build"
else
  fail "--verify-exe of an altered exe"; tail -n 20 "$scratch/verify-altered.out"
fi

[ $fails -eq 0 ] && echo "release checks passed" || echo "$fails failure(s)"
exit $((fails > 0))
