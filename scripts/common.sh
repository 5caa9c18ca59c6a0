# Shared by scripts/test, scripts/demo, scripts/bench and scripts/fuzz. Source it; it defines
# ROOT, BUILD (the shipped 32-bit build with its tests) and X64_BUILD (the same sources for
# x86_64, for benchmarks and the cross-architecture screenshot comparison).
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TALVORE_BUILD_DIR:-$ROOT/build}"
X64_BUILD="$BUILD/x64"
DEPS_BUILD="${TALVORE_DEPS_BUILD:-$BUILD}"   # where build/deps (libsodium) lives
export WINEPREFIX="${TALVORE_WINEPREFIX:-$BUILD/wine}"
export TALVORE_TEST_CA="$BUILD/test-ca"
# Loopback host of the test servers and the display of the tests; parallel work trees pick
# their own so they do not collide.
export TALVORE_TEST_HOST="${TALVORE_TEST_HOST:-127.0.0.2}"
TEST_DISPLAY="${TALVORE_TEST_DISPLAY:-91}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
# Runs 32- and 64-bit Windows programs alike: natively where the kernel executes 32-bit code,
# with the 32-bit side under qemu-user where it cannot.
export TALVORE_WINE="$ROOT/tests/harness/wine"

say() { printf '\n==> %s\n' "$*"; }

describe_32bit() {
  if [ "${TALVORE_32BIT:-}" != emulated ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "this kernel executes 32-bit code: Wine runs the i686 binaries directly"
  else
    echo "this kernel cannot execute 32-bit code: Wine's 32-bit side runs under $(qemu-i386 --version | head -n 1)"
  fi
}

configure_tree() {  # configure_tree DIR ARCH NATIVE
  local dir="$1" arch="$2" native="$3"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    say "configuring $dir ($arch)"
    cmake -S "$ROOT" -B "$dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DTALVORE_DEMO_BUILD=ON \
      -DTALVORE_BUILD_TESTS=ON -DTALVORE_BUILD_NATIVE_TOOLS="$native" \
      -DTALVORE_SODIUM_PREFIX="$DEPS_BUILD/deps/sodium-$arch" \
      -DTALVORE_NATIVE_BIN_DIR="$BUILD/bin" -DTALVORE_X64_BIN_DIR="$X64_BUILD/bin" \
      -DTALVORE_WINE="$TALVORE_WINE" -DTALVORE_WINEPREFIX="$WINEPREFIX" \
      -DTALVORE_TEST_CA="$TALVORE_TEST_CA"
  fi
}

# Packages, libsodium, CMake configure and build: the whole i686 tree, and of the x86_64 tree
# the launcher (the rest of it is built by scripts/bench when needed).
prepare_build() {
  say "machine set-up (packages)"
  "$ROOT/scripts/setup"
  describe_32bit
  say "dependencies (libsodium for i686 and x86_64)"
  "$ROOT/scripts/build-deps" "$DEPS_BUILD" i686
  "$ROOT/scripts/build-deps" "$DEPS_BUILD" x86_64
  configure_tree "$BUILD" i686 ON
  configure_tree "$X64_BUILD" x86_64 OFF
  say "building $BUILD"
  cmake --build "$BUILD" -j "$(nproc)"
  say "building the x86_64 launcher in $X64_BUILD"
  cmake --build "$X64_BUILD" -j "$(nproc)" --target TalvoreLauncher
  say "wine prefix ($WINEPREFIX)"
  "$ROOT/tests/harness/wine-prefix" "$WINEPREFIX"
}

# start_xvfb DISPLAY_NUMBER WIDTHxHEIGHT: starts Xvfb unless it already runs there.
start_xvfb() {
  local n="$1" size="$2"
  if ! xdpyinfo -display ":$n" >/dev/null 2>&1; then
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    echo $! > "$BUILD/xvfb-$n.pid"
    for _ in $(seq 100); do xdpyinfo -display ":$n" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  export DISPLAY=":$n"
}

stop_xvfb() {
  local n="$1"
  if [ -f "$BUILD/xvfb-$n.pid" ]; then
    kill "$(cat "$BUILD/xvfb-$n.pid")" 2>/dev/null || true
    rm -f "$BUILD/xvfb-$n.pid"
  fi
}
