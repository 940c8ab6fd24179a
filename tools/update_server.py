#!/usr/bin/env python3
"""The update server of the tests: an HTTP server on 127.0.0.1 that also acts as the HTTP
proxy of the update host, so that a Wine prefix whose Internet settings name it as proxy
reaches it through the shipped program's own addresses.

    update_server.py DIR

It binds an ephemeral port, writes it to DIR/port and serves until it is ended. On every
request it reads DIR/routes.json (so a test changes behaviour by rewriting that file) and
appends one JSON line per request to DIR/requests.log: method, the target as sent (an absolute
address when it came as a proxy request), the path, the query and the headers.

routes.json maps a path (without the query; the host is ignored) to a route:

    {"/assets/update/ZV/Tarvex2.asp": {
        "status": 200,                  # default 200
        "headers": {"X-Any": "value"},  # added as they stand
        "body": "text",                 # or "body_file": "/unix/path", or "body_size": N
                                        #   (N bytes of a fixed pattern: byte i is i*7 mod 251)
        "length": "exact",              # "exact" (default), "none", or a number to announce
        "send": N,                      # send only the first N bytes of the body, then close
        "stall": S,                     # accept, then say nothing for S seconds, then close
        "redirect": "http://...",       # answer 302 with this Location instead
        "rate": B                       # at most B bytes a second (default: no limit)
    }}

A path that no route names gets 404.
"""
import json
import os
import socketserver
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DIR = sys.argv[1] if len(sys.argv) > 1 else "."
LOG_LOCK = threading.Lock()
PATTERN = bytes((i * 7) % 251 for i in range(251 * 64))


def pattern_bytes(size):
    """`size` bytes of the fixed pattern (byte i is i*7 mod 251)."""
    whole, rest = divmod(size, len(PATTERN))
    return PATTERN * whole + PATTERN[:rest]


def load_routes():
    try:
        with open(os.path.join(DIR, "routes.json"), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "TarvexTestServer/1.0"

    def log_message(self, *args):
        pass

    def record(self, parsed):
        entry = {
            "method": self.command,
            "target": self.path,
            "path": parsed.path,
            "query": parsed.query,
            "headers": {k: v for k, v in self.headers.items()},
        }
        with LOG_LOCK, open(os.path.join(DIR, "requests.log"), "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")

    def do_GET(self):
        parsed = urllib.parse.urlsplit(self.path)
        self.record(parsed)
        route = load_routes().get(parsed.path)
        if route is None:
            self.send_error(404)
            return
        if "stall" in route:
            time.sleep(float(route["stall"]))
            self.close_connection = True
            return
        if "redirect" in route:
            self.send_response(int(route.get("status", 302)))
            self.send_header("Location", route["redirect"])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if "body_file" in route:
            with open(route["body_file"], "rb") as f:
                body = f.read()
        elif "body_size" in route:
            body = pattern_bytes(int(route["body_size"]))
        else:
            body = route.get("body", "").encode("latin-1", "replace")
        self.send_response(int(route.get("status", 200)))
        length = route.get("length", "exact")
        if length == "exact":
            self.send_header("Content-Length", str(len(body)))
        elif length != "none":
            self.send_header("Content-Length", str(int(length)))
        self.send_header("Content-Type", route.get("type", "text/html"))
        for name, value in route.get("headers", {}).items():
            self.send_header(name, value)
        self.end_headers()
        if "send" in route:
            body = body[: int(route["send"])]
        rate = route.get("rate")
        try:
            if not rate:
                self.wfile.write(body)
            else:
                step = max(1, int(rate) // 20)
                for at in range(0, len(body), step):
                    self.wfile.write(body[at : at + step])
                    self.wfile.flush()
                    time.sleep(0.05)
        except (BrokenPipeError, ConnectionResetError):
            pass
        self.close_connection = True


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    os.makedirs(DIR, exist_ok=True)
    server = Server(("127.0.0.1", 0), Handler)
    port_file = os.path.join(DIR, "port")
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
