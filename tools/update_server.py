#!/usr/bin/env python3
"""The project's stand-in for the update server, on loopback.

It answers the update information page ("/assets/update/ZV/Tarvex2.asp") with META tags,
serves the installer under /files/, and acts as the HTTP proxy for our update host: a request
line with an absolute address ("GET http://host/path HTTP/1.0") is answered as if the host
were this server, so a Wine prefix whose Internet settings name this server as proxy runs the
shipped program unchanged.

Fault modes are chosen per run (--fault) or per request, so that one server serves a whole
suite: by a "fault" query key ("...?checktype=info&v=1&fault=404"), or by a path prefix that
the program's own query leaves alone: "/fault/<mode>/assets/update/ZV/Tarvex2.asp" for the
information page, "/installer-fault/<mode>/assets/update/ZV/Tarvex2.asp" for the installer
that page names (its wuDownload keeps the prefix).

  404, 500          that status with a small body
  no-length         no Content-Length
  short, long       a body shorter or longer than the Content-Length it announces
  stall             headers never sent; the connection stays open until the server ends
  stall-body        headers and part of the body, then nothing
  slow              the whole body, 8 KiB every 50 ms (160 KiB/s)
  close             the connection closed before any answer
  redirect-other    the answer redirects to /other/Tarvex2.asp, which answers properly
  redirect-self     the answer redirects to the exact address asked for
  redirect-loop     two pages redirecting to each other
  lower-case        the tags written as <meta name=... content=...>
  name-case         the names in another case (wuversion)
  no-product, no-version, bad-date, hostile-name, huge
  no-update         an older version with an older date
The fault applies to the information page unless --fault-target installer.

With --fault-file, a test changes the fault between requests: the file holds a mode, or a mode
and "installer" ("stall-body installer"); an empty or missing file means none. It overrides
--fault and --fault-target.

Prints "port=N" on its first line once it listens. Every request line is appended to --log.
"""
import argparse
import http.server
import os
import socketserver
import sys
import threading
import time
import urllib.parse

INFO_PATH = "/assets/update/ZV/Tarvex2.asp"
STOP = threading.Event()


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--version", default="9.0.0.1", help="wuVersion of the answer")
    parser.add_argument("--date", default="31/12/2030", help="wuDate of the answer")
    parser.add_argument("--product", default="Tarvex")
    parser.add_argument("--client-name", default="TarvexSetup.exe")
    parser.add_argument("--run-parameters", default="/S")
    parser.add_argument("--show-url", default="")
    parser.add_argument("--installer", help="file served as the installer (default: 64 KiB of pattern)")
    parser.add_argument("--installer-size", type=int, default=65536)
    parser.add_argument("--fault", default="")
    parser.add_argument("--fault-target", choices=["info", "installer"], default="info")
    parser.add_argument("--fault-file", help="file read before each request for the fault")
    parser.add_argument("--log", help="file the request lines are appended to")
    return parser.parse_args()


ARGS = parse_args()


def installer_bytes():
    if ARGS.installer:
        with open(ARGS.installer, "rb") as f:
            return f.read()
    return bytes((i * 7) % 251 for i in range(ARGS.installer_size))


INSTALLER = installer_bytes()


def meta(name, content):
    return '<META NAME="%s" CONTENT="%s">\r\n' % (name, content)


def info_page(host, fault, address, prefix):
    tags = {
        "wuProduct": ARGS.product,
        "wuVersion": ARGS.version,
        "wuDate": ARGS.date,
        "wuDownload": "http://%s%s/files/%s" % (host, prefix, ARGS.client_name),
        "wuClientSideName": ARGS.client_name,
        "wuRunParameters": ARGS.run_parameters,
    }
    if ARGS.show_url:
        tags["wuShowURL"] = ARGS.show_url
    if fault == "no-update":
        tags["wuVersion"] = "0.0.0.1"
        tags["wuDate"] = "01/01/1990"
    if fault == "no-product":
        del tags["wuProduct"]
    if fault == "no-version":
        del tags["wuVersion"]
    if fault == "bad-date":
        tags["wuDate"] = "2030-12-31"
    if fault == "hostile-name":
        tags["wuClientSideName"] = "..\\..\\Windows\\" + ARGS.client_name
    if fault == "redirect-other":
        tags = {"wuRedirection": "http://%s/other%s" % (host, INFO_PATH[len("/assets/update/ZV"):])}
    if fault == "redirect-self":
        tags["wuRedirection"] = address
    if fault == "redirect-loop":
        tags = {"wuRedirection": "http://%s/loop/a.asp" % host}
    lines = "".join(meta(k, v) for k, v in tags.items())
    if fault == "lower-case":
        lines = "".join('<meta name="%s" content="%s">\r\n' % (k, v) for k, v in tags.items())
    if fault == "name-case":
        lines = "".join(meta(k.lower(), v) for k, v in tags.items())
    body = "<HTML><HEAD><TITLE>Update</TITLE>\r\n" + lines + "</HEAD><BODY></BODY></HTML>\r\n"
    if fault == "huge":
        body += " " * (4 * 1024 * 1024)
    return body.encode("latin-1")


def current_fault():
    """The fault of this request and what it applies to: "info" or "installer"."""
    if not ARGS.fault_file:
        return ARGS.fault, ARGS.fault_target
    try:
        with open(ARGS.fault_file) as f:
            words = f.read().split()
    except OSError:
        words = []
    return (words[0] if words else ""), ("installer" if words[1:2] == ["installer"] else "info")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "TarvexTestServer"

    def log_message(self, *args):
        pass

    def do_GET(self):
        if ARGS.log:
            with open(ARGS.log, "a") as f:
                f.write(self.requestline + "\n")
        target = urllib.parse.urlsplit(self.path)
        # A proxy request names the host; a direct one has it in its Host header.
        host = target.netloc or self.headers.get("Host", "127.0.0.1:%d" % self.server.server_address[1])
        if host.endswith(":80"):
            host = host[:-3]
        query = urllib.parse.parse_qs(target.query)
        path = target.path
        address = "http://%s%s" % (host, path) + ("?" + target.query if target.query else "")

        is_installer = "/files/" in path
        mode, target = current_fault()
        fault = query.get("fault", [""])[0] or (mode if (target == "installer") == is_installer else "")
        prefix = ""
        parts = path.split("/")
        if len(parts) > 3 and parts[1] in ("fault", "installer-fault"):
            prefix = "/".join(parts[:3])
            path = "/" + "/".join(parts[3:])
            if (parts[1] == "installer-fault") == is_installer:
                fault = parts[2]
            if parts[1] == "fault":
                prefix = ""

        if path.startswith("/files/"):
            body, kind = INSTALLER, "application/octet-stream"
        elif path == INFO_PATH and query.get("checktype", [""])[0] == "whatsnew":
            body, kind = b"<HTML><BODY><H1>What's new</H1></BODY></HTML>", "text/html"
        elif path in (INFO_PATH, "/other/Tarvex2.asp"):
            body, kind = info_page(host, fault if path == INFO_PATH else "", address, prefix), "text/html"
        elif path.startswith("/loop/"):
            other = "/loop/b.asp" if path == "/loop/a.asp" else "/loop/a.asp"
            body, kind = ("<HTML>" + meta("wuRedirection", "http://%s%s" % (host, other)) + "</HTML>").encode(), "text/html"
        else:
            fault = "404"
            body, kind = b"", "text/html"
        self.answer(fault, body, kind)

    def answer(self, fault, body, kind):
        if fault == "close":
            self.close_connection = True
            return
        if fault == "stall":
            STOP.wait(120)
            return
        status = {"404": 404, "500": 500}.get(fault, 200)
        if status != 200:
            body = b"<HTML><BODY>error %d</BODY></HTML>" % status
        length = len(body)
        if fault == "short":
            length = len(body) + 1000
        if fault == "long":
            length = max(0, len(body) - 1000)
        self.send_response(status)
        self.send_header("Content-Type", kind)
        if fault != "no-length":
            self.send_header("Content-Length", str(length))
        self.end_headers()
        try:
            if fault == "stall-body":
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                STOP.wait(120)
                return
            if fault == "slow":
                for at in range(0, len(body), 8192):
                    self.wfile.write(body[at:at + 8192])
                    self.wfile.flush()
                    time.sleep(0.05)
                return
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", ARGS.port), Handler)
    print("port=%d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        STOP.set()
        server.server_close()


if __name__ == "__main__":
    main()
