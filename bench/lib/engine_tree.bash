# Sourced by the update benches: a signed tree of ENGINE_FILES files of 1 MiB each (1 GiB in
# 1024 files by default) published in place below $BENCH_WWW/bench-engine, and helpers.
ENGINE_FILES="${ENGINE_FILES:-1024}"
engine_site="$BENCH_WWW/bench-engine"
engine_base="http://$BENCH_HOST:47280/bench-engine"
engine_update="$BENCH_BIN/talvore-update.exe"
engine_publish="$BENCH_NATIVE_BIN/talvore-publish"
engine_key="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/demo/keys/demo-signing.secret"

win_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# engine_make_tree SITE COUNT: COUNT random 1 MiB files in SITE/files/dNN/, signed in place.
engine_make_tree() {
  local site="$1" count="$2"
  if [ -f "$site/manifest.json" ] && [ "$(cat "$site/.count" 2>/dev/null)" = "$count" ]; then
    return 0
  fi
  rm -rf "$site"
  mkdir -p "$site/files"
  local i
  for i in $(seq 0 $((count - 1))); do
    mkdir -p "$site/files/d$((i / 100))"
    head -c 1048576 /dev/urandom >"$site/files/d$((i / 100))/f$i.bin"
  done
  "$engine_publish" content --key "$engine_key" --version 1 --source "$site/files" \
    --out "$site" >/dev/null
  echo "$count" >"$site/.count"
}

# engine_timed CMD...: runs CMD, prints "SECONDS MAXRSS_KIB" (the largest child's peak RSS).
engine_timed() {
  /usr/bin/python3 - "$@" <<'PY'
import resource, subprocess, sys, time
start = time.monotonic()
rc = subprocess.call(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
elapsed = time.monotonic() - start
if rc != 0:
    sys.exit(f"command failed ({rc}): {' '.join(sys.argv[1:])}")
print(f"{elapsed:.3f} {resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss}")
PY
}
