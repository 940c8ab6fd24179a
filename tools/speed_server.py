#!/usr/bin/env python3
"""The connection test's server: an HTTP/1.0 download of a chosen size, for throughput.

  GET /speedtest?bytes=N    N bytes of random-looking data, with Content-Length
  anything else             404

A connection that sends nothing and closes (the round-trip probe's) is simply closed.

To test the client's rule for a download that stops, --stall-after N (or "stall=N" in the
query) sends the headers and the first N bytes of the body, then nothing more while the
connection stays open (until --stall-seconds pass or the server ends).

--congestion picks the sender's TCP congestion control for the downloads, whatever the
namespace's default (the per-socket choice works where the namespace's sysctl is refused).

Prints "listening HOST:PORT" on its first line once it listens, and writes --ready-file then.
"""
import argparse
import http.server
import os
import socket
import socketserver
import threading
import urllib.parse

STOP = threading.Event()
# The body repeats one random block: incompressible enough for any proxy, cheap to send.
BLOCK = memoryview(os.urandom(1 << 20))
CHUNK = 64 * 1024


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--host", default="10.77.0.2")
    p.add_argument("--port", type=int, default=8080)
    p.add_argument("--max-bytes", type=int, default=1 << 30, help="largest body served")
    p.add_argument("--stall-after", type=int, default=-1, help="body bytes sent before every download stalls")
    p.add_argument("--stall-seconds", type=float, default=120)
    p.add_argument("--congestion", help="TCP congestion control of the downloads (e.g. cubic)")
    p.add_argument("--ready-file")
    p.add_argument("--log", help="file the request lines are appended to")
    return p.parse_args()


ARGS = parse_args()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "TarvexSpeedServer"

    def log_message(self, *args):
        pass

    def setup(self):
        if ARGS.congestion:
            self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_CONGESTION, ARGS.congestion.encode())
        super().setup()

    def do_GET(self):
        if ARGS.log:
            with open(ARGS.log, "a") as f:
                f.write(self.requestline + "\n")
        target = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(target.query)
        try:
            size = int(query.get("bytes", [""])[0])
            stall = int(query.get("stall", [ARGS.stall_after])[0])
        except ValueError:
            size = -1
        if target.path != "/speedtest" or not 0 <= size <= ARGS.max_bytes:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        limit = size if stall < 0 else min(size, stall)
        try:
            sent = 0
            while sent < limit:
                at = sent % len(BLOCK)
                n = min(CHUNK, limit - sent, len(BLOCK) - at)
                self.wfile.write(BLOCK[at:at + n])
                sent += n
            self.wfile.flush()
            if limit < size:
                STOP.wait(ARGS.stall_seconds)
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def main():
    server = Server((ARGS.host, ARGS.port), Handler)
    host, port = server.server_address[:2]
    print("listening %s:%d" % (host, port), flush=True)
    if ARGS.ready_file:
        with open(ARGS.ready_file, "w") as f:
            f.write("%s:%d\n" % (host, port))
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        STOP.set()
        server.server_close()


if __name__ == "__main__":
    main()
