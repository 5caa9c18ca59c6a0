#!/usr/bin/python3
"""Static site for the news window test, with a gate on the feed.

    feed_server.py --root DIR --host H --port P --log FILE [--gate FILE] [--lifetime S]
                   [--delay S] [--drip BYTES_PER_S]

Serves files below DIR (404 for anything else). With --gate, a request for /updates-feed.json
is held open until FILE exists, so the launcher can be seen while its feed is loading. With
--delay every answer waits that long before its headers, and with --drip every body is sent
in small pieces at that rate, so a client can be caught in the middle of any document. Every
request is logged as "GET /path" when it arrives.
"""

import argparse
import http.server
import os
import threading
import time
import urllib.parse


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=47180)
    ap.add_argument("--log", required=True)
    ap.add_argument("--gate")
    ap.add_argument("--lifetime", type=float, default=600)
    ap.add_argument("--delay", type=float, default=0)
    ap.add_argument("--drip", type=int, default=0)
    args = ap.parse_args()
    root = os.path.realpath(args.root)
    lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *a):
            pass

        def do_GET(self):
            path = urllib.parse.urlsplit(self.path).path
            with lock, open(args.log, "a") as f:
                f.write("GET %s\n" % self.path)
            if path == "/updates-feed.json" and args.gate:
                while not os.path.exists(args.gate):
                    time.sleep(0.05)
            full = os.path.realpath(os.path.join(root, urllib.parse.unquote(path).lstrip("/")))
            if not full.startswith(root + os.sep) or not os.path.isfile(full):
                body = b"not found"
                self.send_response(404)
            else:
                with open(full, "rb") as f:
                    body = f.read()
                self.send_response(200)
            time.sleep(args.delay)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            if not args.drip:
                self.wfile.write(body)
                return
            piece = max(1, args.drip // 50)
            try:
                for start in range(0, len(body), piece):
                    self.wfile.write(body[start:start + piece])
                    self.wfile.flush()
                    time.sleep(0.02)
            except OSError:
                pass  # the client went away

    server = http.server.ThreadingHTTPServer((args.host, args.port), Handler)
    server.daemon_threads = True
    threading.Timer(args.lifetime, server.shutdown).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
