#!/usr/bin/env bash
# The shipped build: a 32-bit GUI executable that imports only system DLLs, and a release
# configuration that refuses to carry the demo signing key unless asked to.
set -u
fail=0
echo "== executable"
/usr/bin/python3 "$TALVORE_SOURCE_DIR/tests/app/pe_check.py" "$TALVORE_NATIVE_BIN_DIR/TalvoreLauncher.exe" || fail=1

scratch="$TALVORE_TEST_SCRATCH"
rm -rf "$scratch"; mkdir -p "$scratch"
configure() {  # configure NAME ARGS...
  local name="$1"; shift
  cmake -S "$TALVORE_SOURCE_DIR" -B "$scratch/$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TALVORE_SOURCE_DIR/cmake/mingw-i686.cmake" \
    -DTALVORE_BUILD_TESTS=OFF -DTALVORE_BUILD_NATIVE_TOOLS=OFF \
    -DTALVORE_SODIUM_PREFIX="$TALVORE_SODIUM_I686" "$@" \
    > "$scratch/$name.log" 2>&1
}
echo "== release configuration with the demo key"
if configure demo-release -DCMAKE_BUILD_TYPE=Release; then
  echo "FAIL: a release build with the demo key was configured"; fail=1
elif ! grep -q "DEMO signing key" "$scratch/demo-release.log"; then
  echo "FAIL: the refusal does not explain itself"; cat "$scratch/demo-release.log"; fail=1
else
  echo "ok: refused"
fi
echo "== release configuration with the demo key, asked for explicitly"
configure demo-explicit -DCMAKE_BUILD_TYPE=Release -DTALVORE_DEMO_BUILD=ON || { echo "FAIL"; fail=1; }
echo "== release configuration with an operator key"
key=$(printf '%064x' 12345)
if configure operator -DCMAKE_BUILD_TYPE=Release -DTALVORE_SIGNING_PUBLIC_KEY="$key" \
     -DTALVORE_SITE_URL=https://jogo.example; then
  grep -q 'kDemoBuild = false' "$scratch/operator/generated/deployment.h" || { echo "FAIL: not marked as operator build"; fail=1; }
  grep -q 'L"https://jogo.example"' "$scratch/operator/generated/deployment.h" || { echo "FAIL: site not set"; fail=1; }
  echo "ok"
else
  echo "FAIL: operator configuration failed"; cat "$scratch/operator.log"; fail=1
fi
echo "== malformed key and site"
configure badkey -DTALVORE_SIGNING_PUBLIC_KEY=abc && { echo "FAIL: short key accepted"; fail=1; }
configure badsite -DTALVORE_SITE_URL=https://jogo.example/ && { echo "FAIL: trailing slash accepted"; fail=1; }
exit $fail
