# Shared by the shell-driven tests of the real launcher window. Source it; it defines:
#   start_test_screen FIRST LAST   Xvfb 1600 x 1000 on a free display between FIRST and LAST,
#                                  exported as DISPLAY, its process id in $xvfb (empty on failure)
#   check DESCRIPTION COMMAND...   prints ok/FAIL and counts failures in $failures
#   driver ARGS...                 tests/driver against the launcher window of this session
#   use_test_prefix NAME           the test's own Wine prefix, $TALVORE_WINEPREFIX-NAME: made when
#                                  missing, exported as WINEPREFIX, a session left in it by an
#                                  interrupted run ended
#   end_test_session               ends the prefix's Wine processes and the test screen
xvfb=""
failures=0
harness_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

use_test_prefix() {
  export WINEPREFIX="${TALVORE_WINEPREFIX}-$1"
  "$harness_dir/wine-prefix" "$WINEPREFIX" || exit 1
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
}

end_test_session() {
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null; fi
  return 0
}

start_test_screen() {
  local display
  for display in $(seq $(($1 + RANDOM % ($2 - $1))) "$2"); do
    [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ] && continue
    Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do
      xdpyinfo -display ":$display" >/dev/null 2>&1 && break
      kill -0 "$xvfb" 2>/dev/null || break
      sleep 0.1
    done
    if xdpyinfo -display ":$display" >/dev/null 2>&1; then
      export DISPLAY=":$display"
      return 0
    fi
    kill "$xvfb" 2>/dev/null; xvfb=""
  done
  echo "FAIL no free X display for Xvfb"
  return 1
}

check() {
  local what="$1"; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

driver() { "$TALVORE_WINE" "$TALVORE_TESTS_DIR/driver.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
