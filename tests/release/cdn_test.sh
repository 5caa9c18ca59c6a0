#!/usr/bin/env bash
# A caching proxy in front of the reference nginx configuration, set up the way CDNs are: nginx
# with proxy_cache, keeping answers without caching headers for an hour and revalidating with
# the origin's validators. The origin's headers make every answer revalidate, so an update
# through the proxy right after a publish gets the new release whole. The same proxy told to
# ignore those headers goes on serving the old manifest, which shows that it does cache.
# Origin and proxy are this test's own, on a loopback host of their own, so no other test's
# request log sees this traffic.
set -u
host="${TALVORE_TEST_HOST:-127.0.0.2}"
own_host="127.0.2.${host##*.}"
origin="http://$own_host:47382"
scratch="$TALVORE_TEST_SCRATCH"
site="$scratch/www/cdn"
publish="$TALVORE_NATIVE_BIN_DIR/talvore-publish"
key="$TALVORE_SOURCE_DIR/demo/keys/demo-signing.secret"
rm -rf "$scratch"
mkdir -p "$site/launcher/builds" "$scratch/content" "$scratch/game"

fails=0
fail() { echo "FAILED: $*"; fails=$((fails + 1)); }
ok() { echo "ok: $*"; }

# nginx_conf DIR SERVERS...: a configuration for an nginx run from DIR.
nginx_conf() {
  local dir="$1"; shift
  mkdir -p "$dir/logs" "$dir/tmp"
  # Started as root (a fresh machine's set-up), nginx's workers would otherwise run as nobody
  # and could not read a checkout below root's home.
  local nginx_user=""; [ "$(id -u)" -eq 0 ] && nginx_user="user root;"
  cat > "$dir/nginx.conf" <<CONF
$nginx_user
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/logs/error.log warn;
events { worker_connections 64; }
http {
    log_format cdn '\$server_port \$request_uri \$status \$upstream_cache_status';
    access_log $dir/logs/access.log cdn;
    client_body_temp_path $dir/tmp/body;
    proxy_temp_path $dir/tmp/proxy;
    fastcgi_temp_path $dir/tmp/fastcgi;
    uwsgi_temp_path $dir/tmp/uwsgi;
    scgi_temp_path $dir/tmp/scgi;
    $*
}
CONF
  nginx -c "$dir/nginx.conf" -p "$dir" || { cat "$dir/logs/error.log"; exit 1; }
}
stop() { local d; for d in origin proxy; do kill "$(cat "$scratch/$d/nginx.pid" 2>/dev/null)" 2>/dev/null; done; }
trap stop EXIT

nginx_conf "$scratch/origin" "
    server {
        listen $own_host:47382;
        root $scratch/www;
        include $TALVORE_SOURCE_DIR/server/nginx-talvore.conf;
    }"
proxy="$scratch/proxy"
nginx_conf "$proxy" "
    proxy_cache_path $proxy/cache-honest keys_zone=honest:1m;
    proxy_cache_path $proxy/cache-stubborn keys_zone=stubborn:1m;
    proxy_http_version 1.1;
    proxy_cache_valid 200 1h;
    proxy_cache_revalidate on;
    server {
        listen $own_host:47380;
        location / { proxy_pass $origin; proxy_cache honest; }
    }
    # A CDN told to ignore the origin's caching headers.
    server {
        listen $own_host:47381;
        location / {
            proxy_pass $origin;
            proxy_cache stubborn;
            proxy_ignore_headers Cache-Control Expires;
        }
    }"
for _ in $(seq 50); do
  curl -s -o /dev/null "$origin/" && curl -s -o /dev/null "http://$own_host:47380/" && break
  sleep 0.1
done

# content VERSION A-TEXT: publishes a release whose files keep their paths and sizes from one
# version to the next (only the bytes change), the hardest case for a cache.
content() {
  mkdir -p "$scratch/content/sub"
  printf '%s' "$2" > "$scratch/content/a.txt"
  head -c 200000 /dev/zero | tr '\0' "$2" > "$scratch/content/sub/big.bin"
  "$publish" content --key "$key" --version "$1" --source "$scratch/content" \
    --out "$site/launcher" >"$scratch/publish.out" 2>&1 || fail "publishing $1: $(cat "$scratch/publish.out")"
}
update() {  # update NAME: talvore-update.exe through the honest proxy
  "$TALVORE_WINE_RUN" "$TALVORE_BIN_DIR/talvore-update.exe" \
    "http://$own_host:47380/cdn/launcher" "Z:$(printf '%s' "$scratch/game" | tr '/' '\\')" \
    >"$scratch/$1.out" 2>&1
}
check_game() {  # check_game VERSION
  local f bad=""
  for f in a.txt sub/big.bin; do cmp -s "$scratch/content/$f" "$scratch/game/$f" || bad="$bad $f"; done
  grep -q "\"applied_version\": $1" "$scratch/game/launcher_state.json" 2>/dev/null || bad="$bad state"
  printf '%s' "$bad"
}

# --- the origin's headers ---------------------------------------------------------------------
content 1 A
printf '{"posts": []}\n' > "$site/updates-feed.json"
printf 'MZ build 17' > "$site/launcher/builds/TalvoreLauncher-17.exe"
"$publish" launcher --key "$key" --version 17 --url "$origin/cdn/launcher/builds/TalvoreLauncher-17.exe" \
  --exe "$site/launcher/builds/TalvoreLauncher-17.exe" --out "$site/launcher" >/dev/null 2>&1 ||
  fail "publishing the launcher manifest"
for path in launcher/manifest.json launcher/manifest.sig launcher/launcher_manifest.json \
            launcher/launcher_manifest.sig updates-feed.json launcher/files/a.txt \
            launcher/builds/TalvoreLauncher-17.exe launcher/manifest_hd.json; do
  curl -s -D "$scratch/headers" -o /dev/null "$origin/cdn/$path"
  status=$(head -n 1 "$scratch/headers" | cut -d' ' -f2)
  grep -qi '^Cache-Control: no-cache' "$scratch/headers" || { fail "$path ($status): no Cache-Control: no-cache"; continue; }
  [ "$status" = 404 ] && { ok "$path: 404 with no-cache"; continue; }
  etag=$(sed -n 's/^ETag: *//Ip' "$scratch/headers" | tr -d '\r')
  revalidated=$(curl -s -o /dev/null -w '%{http_code}' -H "If-None-Match: $etag" "$origin/cdn/$path")
  if [ -n "$etag" ] && [ "$revalidated" = 304 ]; then ok "$path: no-cache, ETag, 304 when unchanged"
  else fail "$path: ETag '$etag', revalidation answered $revalidated"; fi
done

# --- publish N, update through the proxy, publish N+1, update again --------------------------
curl -s -o /dev/null "http://$own_host:47381/cdn/launcher/manifest.json"  # the stubborn cache keeps 1
if update first && [ -z "$(check_game 1)" ]; then ok "version 1 through the proxy"
else fail "version 1 through the proxy:$(check_game 1)"; tail -n 3 "$scratch/first.out"; fi
content 2 B
if update second && [ "$(tail -n 1 "$scratch/second.out" | tr -d '\r')" = ok ] && [ -z "$(check_game 2)" ]; then
  ok "version 2 through the proxy right after its publish"
else
  fail "version 2 through the proxy:$(check_game 2)"; tail -n 3 "$scratch/second.out"
fi
grep -q '^47380 /cdn/launcher/files/sub/big.bin 200' "$proxy/logs/access.log" ||
  fail "the updates did not go through the proxy"
curl -s "http://$own_host:47381/cdn/launcher/manifest.json" | grep -q '"version": 1,' &&
  ok "a proxy ignoring the origin's headers still serves version 1" ||
  fail "the stubborn proxy did not cache: this test would not see a caching fault"

# --- the publisher moves a replaced file's time forward --------------------------------------
# ETag and Last-Modified come from the size and the time in whole seconds; a same-size file
# published twice within one second must still get new validators.
future=$(( $(date +%s) + 100 ))
touch -d "@$future" "$site/launcher/files/a.txt" "$site/launcher/manifest.sig"
content 3 C
for f in files/a.txt manifest.sig; do
  [ "$(stat -c %Y "$site/launcher/$f")" -gt "$future" ] && ok "$f: newer than the file it replaced" ||
    fail "$f: replaced without moving its time past the old file's"
done

[ $fails -eq 0 ] && echo "cdn checks passed" || echo "$fails failure(s)"
exit $((fails > 0))
