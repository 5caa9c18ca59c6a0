# Shared by scripts/test, scripts/demo and scripts/bench. Source it; it defines ROOT and BUILD.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TALVORE_BUILD_DIR:-$ROOT/build}"
DEPS_BUILD="${TALVORE_DEPS_BUILD:-$BUILD}"   # where build/deps (libsodium) lives
export WINEPREFIX="${TALVORE_WINEPREFIX:-$BUILD/wine}"
# Loopback host of the test servers and the display of the tests; parallel work trees pick
# their own so they do not collide.
export TALVORE_TEST_HOST="${TALVORE_TEST_HOST:-127.0.0.2}"
TEST_DISPLAY="${TALVORE_TEST_DISPLAY:-91}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"

say() { printf '\n==> %s\n' "$*"; }

# The shipped launcher is 32-bit. Wine runs 32-bit programs only where the kernel can execute
# 32-bit Linux code; where it cannot, the tests and the demo run a 64-bit build of the same
# sources under wine64 (build/x64), and the 32-bit build is still made and checked.
detect_test_arch() {
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    TEST_ARCH=i686
    TEST_BUILD="$BUILD"
    export TALVORE_WINE=wine
  else
    TEST_ARCH=x86_64
    TEST_BUILD="$BUILD/x64"
    export TALVORE_WINE=/usr/lib/wine/wine64
    export WINEARCH=win64
  fi
}

configure_tree() {  # configure_tree DIR ARCH TESTS NATIVE
  local dir="$1" arch="$2" tests="$3" native="$4"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    say "configuring $dir ($arch)"
    cmake -S "$ROOT" -B "$dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DTALVORE_DEMO_BUILD=ON \
      -DTALVORE_BUILD_TESTS="$tests" -DTALVORE_BUILD_NATIVE_TOOLS="$native" \
      -DTALVORE_SODIUM_PREFIX="$DEPS_BUILD/deps/sodium-$arch" \
      -DTALVORE_NATIVE_BIN_DIR="$BUILD/bin" -DTALVORE_WINE="$TALVORE_WINE" \
      -DTALVORE_WINEPREFIX="$WINEPREFIX"
  fi
}

# Packages, libsodium, CMake configure and build.
prepare_build() {
  say "machine set-up (packages)"
  "$ROOT/scripts/setup"
  detect_test_arch
  say "dependencies (libsodium for i686${TEST_ARCH/i686/})"
  "$ROOT/scripts/build-deps" "$DEPS_BUILD" i686
  if [ "$TEST_ARCH" = i686 ]; then
    configure_tree "$BUILD" i686 ON ON
  else
    echo "this kernel cannot run 32-bit code: tests run the x86_64 build under wine64"
    "$ROOT/scripts/build-deps" "$DEPS_BUILD" x86_64
    configure_tree "$BUILD" i686 OFF ON
    configure_tree "$TEST_BUILD" x86_64 ON OFF
  fi
  say "building $BUILD"
  cmake --build "$BUILD" -j "$(nproc)"
  if [ "$TEST_BUILD" != "$BUILD" ]; then
    say "building $TEST_BUILD"
    cmake --build "$TEST_BUILD" -j "$(nproc)"
  fi
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
