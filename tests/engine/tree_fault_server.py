#!/usr/bin/python3
"""Serves a published tree like nginx, with faults injected per file (standard library only).

    tree_fault_server.py --host H --port P --root DIR --log FILE [--lifetime S]

GET /_ctl/set?path=URI&modes=m1,m2,...  queues faults for URI, one consumed per request
GET /_ctl/clear                         drops every queued fault
Any other GET serves DIR + URI (404 when missing); when a fault is queued for URI it is used
instead. Modes:
    wrong       the full length with every byte inverted
    reset       half the body, then a connection reset
    short       announces the full length, sends half, closes cleanly
    chunkcut    chunked encoding cut off half-way
    drip        the right body, 64 KiB every 50 ms (to stop a client mid-download)
Every request is logged as "URI MODE" (MODE "ok" or "404" when no fault was used).
"""

import argparse
import os
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.parse


class State:
    def __init__(self, root, log):
        self.root = root
        self.log_path = log
        self.lock = threading.Lock()
        self.faults = {}

    def log(self, line):
        with self.lock, open(self.log_path, "a", encoding="utf-8") as f:
            f.write(line + "\n")

    def take(self, uri):
        with self.lock:
            queue = self.faults.get(uri)
            if queue:
                return queue.pop(0)
        return None


def head(conn, code, length=None, extra=()):
    lines = [f"HTTP/1.1 {code}", "Connection: close", *extra]
    if length is not None:
        lines.append(f"Content-Length: {length}")
    conn.sendall(("\r\n".join(lines) + "\r\n\r\n").encode())


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        conn.settimeout(30)
        state = self.server.state
        try:
            data = b""
            while b"\r\n\r\n" not in data and len(data) < 16384:
                piece = conn.recv(4096)
                if not piece:
                    return
                data += piece
            parts = data.split(b"\r\n", 1)[0].decode("latin-1").split(" ")
            if len(parts) != 3:
                return
            url = urllib.parse.urlsplit(parts[1])
            if url.path.startswith("/_ctl/"):
                self.control(url)
                return
            uri = urllib.parse.unquote(url.path)
            mode = state.take(uri)
            path = os.path.join(state.root, uri.lstrip("/"))
            if os.path.realpath(path).startswith(os.path.realpath(state.root)) and \
                    os.path.isfile(path):
                with open(path, "rb") as f:
                    body = f.read()
            else:
                state.log(f"{uri} 404")
                head(conn, "404 Not Found", 0)
                return
            state.log(f"{uri} {mode or 'ok'}")
            self.serve(conn, body, mode)
        except OSError:
            pass

    def control(self, url):
        state = self.server.state
        query = urllib.parse.parse_qs(url.query)
        with state.lock:
            if url.path == "/_ctl/set":
                state.faults[query["path"][0]] = query["modes"][0].split(",")
            elif url.path == "/_ctl/clear":
                state.faults.clear()
        head(self.request, "200 OK", 2)
        self.request.sendall(b"ok")

    @staticmethod
    def serve(conn, body, mode):
        half = len(body) // 2
        if mode == "wrong":
            head(conn, "200 OK", len(body))
            conn.sendall(bytes(b ^ 0xFF for b in body))
        elif mode == "reset":
            head(conn, "200 OK", len(body))
            conn.sendall(body[:half])
            time.sleep(0.1)
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        elif mode == "short":
            head(conn, "200 OK", len(body))
            conn.sendall(body[:half])
        elif mode == "chunkcut":
            head(conn, "200 OK", None, ["Transfer-Encoding: chunked"])
            conn.sendall(b"%x\r\n" % half + body[:half] + b"\r\n")
            conn.sendall(b"%x\r\n" % (len(body) - half) + body[half:half + 10])
        elif mode == "drip":
            head(conn, "200 OK", len(body))
            for i in range(0, len(body), 65536):
                conn.sendall(body[i:i + 65536])
                time.sleep(0.05)
        else:
            head(conn, "200 OK", len(body))
            conn.sendall(body)


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--lifetime", type=float, default=900)
    args = parser.parse_args()
    if not args.host.startswith("127."):
        sys.exit("loopback only")
    server = Server((args.host, args.port), Handler)
    server.state = State(args.root, args.log)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    time.sleep(args.lifetime)  # never outlive a forgotten run
    os._exit(0)


if __name__ == "__main__":
    main()
