#!/usr/bin/env bash
# Publishes the launcher trees the self-update cases use, serves one build from a second
# loopback host, and runs the Windows test binary.
set -u
host="${TALVORE_TEST_HOST:-127.0.0.2}"
other="127.0.1.${host##*.}"
www="$TALVORE_TEST_SERVERS/www/selfupdate"
# The test binary empties its own scratch folder, so the other host lives beside it.
scratch="$TALVORE_TEST_SCRATCH-other"
publish="$TALVORE_NATIVE_BIN_DIR/talvore-publish"
key="$TALVORE_SOURCE_DIR/demo/keys/demo-signing.secret"
old="$TALVORE_BIN_DIR/TalvoreLauncher.exe"
new="$TALVORE_TESTS_DIR/TalvoreLauncherNext.exe"
base="http://$host:47280/selfupdate"

rm -rf "$www" "$scratch"
mkdir -p "$www" "$scratch/www"

# tree NAME VERSION SERVED-FILE [URL]: NAME/launcher_manifest.* for the next build, with
# SERVED-FILE at NAME/builds/TalvoreLauncher-VERSION.exe (or at URL when given).
tree() {
  local name="$1" version="$2" served="$3" url="${4:-}"
  local build="builds/TalvoreLauncher-$version.exe"
  mkdir -p "$www/$name/builds"
  [ -n "$url" ] || { url="$base/$name/$build"; cp "$served" "$www/$name/$build"; }
  "$publish" launcher --key "$key" --version "$version" --url "$url" --exe "$new" \
    --out "$www/$name" >/dev/null || { echo "publishing $name failed"; exit 1; }
}
tree update 30 "$new"
tree equal 16 "$new"
tree v17 17 "$new"
tree mismatch 17 "$old"   # the manifest names the next build's hash; the server has another
cp "$new" "$scratch/www/TalvoreLauncher-17.exe"
tree otherhost 17 "$new" "http://$other:47280/TalvoreLauncher-17.exe"

# A small disk for the apply cases that fill it up (mounting needs root, as the tests run).
disk="$TALVORE_TEST_SCRATCH-disk"
mkdir -p "$disk"
umount "$disk" 2>/dev/null
mount -t tmpfs -o size=24m talvore-small-disk "$disk" ||
  { echo "cannot mount a tmpfs at $disk (the self-update tests run as root)"; exit 1; }

/usr/bin/python3 -u -m http.server 47280 --bind "$other" --directory "$scratch/www" \
  </dev/null >>"$scratch/other.log" 2>&1 &
other_pid=$!
trap 'kill $other_pid 2>/dev/null; umount "$disk" 2>/dev/null || umount -l "$disk"' EXIT
for _ in $(seq 100); do curl -s -o /dev/null "http://$other:47280/" && break; sleep 0.1; done
: > "$scratch/other.log"

export TALVORE_SELFUPDATE_OTHER_LOG="$scratch/other.log" TALVORE_SELFUPDATE_SMALL_DISK="$disk"
# The code-signed release case belongs to the release test, which publishes its tree.
"$TALVORE_WINE_RUN" "$TALVORE_TESTS_DIR/selfupdate_cases.exe" --gtest_filter=-*CodeSignedRelease*
