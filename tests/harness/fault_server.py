#!/usr/bin/python3
"""Fault-injecting HTTP server for the client tests (Python standard library only).

The URL path picks the scenario from SCENARIOS below; a query "?n=BYTES" changes the body size
where a scenario has one. Bodies are the repeating pattern of BODY_PATTERN, so a test can build
the expected bytes itself.

    fault_server.py --host H [--http-port 47290] [--tls-port 47291]
                    [--tls-ok-port 47292 --cert PEM --key PEM] [--log FILE] [--lifetime S]

The TLS port accepts a connection, reads the client's hello and closes it: the secure attempt
fails before any HTTP response. The TLS-ok port serves the same scenarios over TLS with the
given certificate (which a test can add to its trust store to get answers over HTTPS). The server exits by itself after --lifetime seconds.
"""

import argparse
import os
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
import urllib.parse

BODY_PATTERN = b"0123456789abcdefghijklmnopqrstuvwxyz\n"  # 37 bytes
MAX_ENDLESS = 1 << 30  # an "endless" body still ends somewhere
MAX_HEADER_BYTES = 16384


def body_bytes(n):
    whole, part = divmod(n, len(BODY_PATTERN))
    return BODY_PATTERN * whole + BODY_PATTERN[:part]


def status_only(code, reason, extra_headers=(), body=b""):
    def run(conn, n):
        headers = [f"HTTP/1.1 {code} {reason}", f"Content-Length: {len(body)}",
                   "Connection: close", *extra_headers]
        conn.sendall(("\r\n".join(headers) + "\r\n\r\n").encode() + body)
    return run


def ok_body(conn, n):
    body = body_bytes(n)
    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
                 + body)


def no_length(conn, n):
    # HTTP/1.0 style: the end of the body is the end of the connection.
    conn.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
    send_pattern(conn, n, chunk=4096, pause=0.002)


def empty_200(conn, n):
    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")


def empty_200_no_length(conn, n):
    conn.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")


def chunked(conn, n, cut=False):
    conn.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n")
    body = body_bytes(n)
    step = 1000
    for i in range(0, len(body), step):
        piece = body[i:i + step]
        if cut and i + step >= len(body) // 2:
            conn.sendall(b"%x\r\n" % len(piece) + piece[: len(piece) // 2])
            return
        conn.sendall(b"%x\r\n" % len(piece) + piece + b"\r\n")
        time.sleep(0.001)
    conn.sendall(b"0\r\n\r\n")


def short_body(conn, n):
    # Announces n bytes, sends half of them and closes cleanly.
    body = body_bytes(n)
    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % n
                 + body[: n // 2])


def reset_mid_body(conn, n):
    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % n)
    conn.sendall(body_bytes(n // 2))
    time.sleep(0.1)  # let the client read what was sent before the reset
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


def slow_drip(conn, n):
    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % n)
    send_pattern(conn, n, chunk=16, pause=0.02)


def endless(conn, n):
    conn.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
    send_pattern(conn, MAX_ENDLESS, chunk=65536, pause=0)


def huge_length(conn, n):
    # Announces more than any document may be, then streams until the client gives up.
    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
                 % (100 << 20))
    send_pattern(conn, 100 << 20, chunk=65536, pause=0)


def send_pattern(conn, n, chunk, pause):
    block = body_bytes(chunk + len(BODY_PATTERN))
    sent = 0
    while sent < n:
        # Keep the pattern aligned to the absolute offset.
        start = sent % len(BODY_PATTERN)
        size = min(chunk, n - sent)
        conn.sendall(block[start:start + size])
        sent += size
        if pause:
            time.sleep(pause)


# path -> (handler, default body size)
SCENARIOS = {
    "/ok": (ok_body, 100000),
    "/no-length": (no_length, 300000),
    "/empty": (empty_200, 0),
    "/empty-no-length": (empty_200_no_length, 0),
    "/chunked": (chunked, 250000),
    "/chunked-cut": (lambda c, n: chunked(c, n, cut=True), 250000),
    "/short-body": (short_body, 200000),
    "/reset-mid-body": (reset_mid_body, 8000000),
    "/slow-drip": (slow_drip, 400),
    "/endless": (endless, 0),
    "/huge-length": (huge_length, 0),
    "/status/204": (status_only(204, "No Content"), 0),
    "/status/206": (status_only(206, "Partial Content", ["Content-Range: bytes 0-4/10"],
                                b"01234"), 0),
    "/status/301": (status_only(301, "Moved Permanently", ["Location: /ok"]), 0),
    "/status/404": (status_only(404, "Not Found", body=b"not found"), 0),
    "/status/500": (status_only(500, "Internal Server Error", body=b"boom"), 0),
}


class Log:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()

    def write(self, line):
        if not self.path:
            return
        with self.lock, open(self.path, "a", encoding="utf-8") as f:
            f.write(line + "\n")


def read_request_head(conn):
    data = b""
    while b"\r\n\r\n" not in data and len(data) < MAX_HEADER_BYTES:
        piece = conn.recv(4096)
        if not piece:
            return None
        data += piece
    return data.split(b"\r\n\r\n", 1)[0].decode("latin-1")


class HttpHandler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        conn.settimeout(30)
        try:
            head = read_request_head(conn)
            if head is None:
                return
            request_line = head.split("\r\n", 1)[0]
            parts = request_line.split(" ")
            if len(parts) != 3:
                return
            method, target = parts[0], parts[1]
            agent = ""
            for line in head.split("\r\n")[1:]:
                name, _, value = line.partition(":")
                if name.strip().lower() == "user-agent":
                    agent = value.strip()
            url = urllib.parse.urlsplit(target)
            query = urllib.parse.parse_qs(url.query)
            self.server.log.write(f"{self.server.server_address[1]} {method} {target} \"{agent}\"")
            scenario = SCENARIOS.get(url.path)
            if scenario is None:
                status_only(404, "Not Found", body=b"no such scenario")(conn, 0)
                return
            handler, size = scenario
            if "n" in query:
                size = max(0, min(int(query["n"][0]), MAX_ENDLESS))
            handler(conn, size)
        except (OSError, ValueError):
            pass  # the client went away; nothing to report


class TlsFailHandler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        conn.settimeout(10)
        try:
            conn.recv(4096)  # the ClientHello
            self.server.log.write(f"{self.server.server_address[1]} TLS-HELLO-DROPPED")
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        except OSError:
            pass


class TlsOkHandler(HttpHandler):
    """The scenarios over TLS, with a certificate a test may choose to trust."""

    def handle(self):
        try:
            self.request.settimeout(10)
            self.request = self.server.tls.wrap_socket(self.request, server_side=True)
        except (OSError, ssl.SSLError):
            return
        super().handle()


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", required=True)
    parser.add_argument("--http-port", type=int, default=47290)
    parser.add_argument("--tls-port", type=int, default=47291)
    parser.add_argument("--tls-ok-port", type=int, default=0)
    parser.add_argument("--cert", default="")
    parser.add_argument("--key", default="")
    parser.add_argument("--log", default="")
    parser.add_argument("--lifetime", type=float, default=3600)
    args = parser.parse_args()
    if not args.host.startswith("127."):
        sys.exit("the fault server listens on loopback only")

    log = Log(args.log)
    servers = []
    listeners = [(args.http_port, HttpHandler), (args.tls_port, TlsFailHandler)]
    tls = None
    if args.tls_ok_port:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.cert, args.key)
        listeners.append((args.tls_ok_port, TlsOkHandler))
    for port, handler in listeners:
        server = Server((args.host, port), handler)
        server.log = log
        server.tls = tls
        servers.append(server)
        threading.Thread(target=server.serve_forever, daemon=True).start()
    # Never outlive a forgotten test run.
    time.sleep(args.lifetime)
    os._exit(0)


if __name__ == "__main__":
    main()
