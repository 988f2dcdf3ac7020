#!/usr/bin/env python3
"""The web server of the web tests: files with Last-Modified, Basic authentication, errors,
redirects (and a loop), a slow body, an oversized announcement, uploads, a bulk body for the
benchmark, and a WebDocs service (with a slow reply for the code SLOW). With --log, every answered request is appended to that file
as its method and path. Listens on 127.0.0.1 on a free port (HTTPS with --cert and
--key) and prints the port on its first line."""

import argparse
import base64
import re
import ssl
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PACKAGE = b"QDX demo package bytes\x00\x01\x02" * 100
HTML_PAGE = b'<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN"><html><body>Service down</body></html>'
DATED = "Wed, 01 Jan 2025 10:00:00 GMT"
BLOCK = bytes(range(256)) * 4096  # 1 MiB


def response(code, pass_type=None):
    inner = "<PassType>%s</PassType>" % pass_type if pass_type else ""
    return ('<?xml version="1.0"?><QuodexResponse code="%s">%s</QuodexResponse>' % (code, inner)).encode()


def webdocs_reply(body):
    code = re.search(r"<Code>(.*?)</Code>", body)
    phrase = re.search(r"<PassPhrase>(.*?)</PassPhrase>", body)
    code = code.group(1) if code else ""
    phrase = phrase.group(1) if phrase else ""
    if code == "PKG":
        return PACKAGE
    if code == "HTML":
        return HTML_PAGE
    if code == "PASS":
        if phrase == "open sesame":
            return PACKAGE
        return response(203) if phrase else response(1, "Date of birth")
    if code == "STAR":
        return response(1, "*hidden")
    if code == "NONXML":
        return b'QuodexResponse code="12 <<not xml'
    if code == "NAN":
        return response("abc")
    if code == "EMPTY":
        return b""
    if code.startswith("C"):
        return response(code[1:])
    return response(201)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    package = PACKAGE
    root = None
    log = None

    def log_message(self, *args):
        pass

    def log_request(self, code="-", size="-"):
        if Handler.log:
            with open(Handler.log, "a") as f:
                f.write("%s %s\n" % (self.command, self.path))

    def send(self, code, body=b"", headers=()):
        self.send_response(code)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_HEAD(self):
        self.do_GET(head=True)

    def do_GET(self, head=False):
        path = self.path.split("?")[0]
        if path in ("/demo.qdx", "/dir/demo.qdx"):
            body = b"" if head else Handler.package
            self.send_response(200)
            self.send_header("Content-Length", str(len(Handler.package)))
            self.end_headers()
            self.wfile.write(body)
        elif path.startswith("/files/") and Handler.root:
            name = path[len("/files/"):]
            try:
                with open(Handler.root + "/" + name.replace("/", ""), "rb") as f:
                    data = f.read()
                self.send_response(200)
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                if not head:
                    self.wfile.write(data)
            except OSError:
                self.send(404, b"not here")
        elif path == "/dated.txt":
            self.send(200, b"dated body", [("Last-Modified", DATED)])
        elif path == "/secret":
            good = "Basic " + base64.b64encode(b"loan:officer").decode()
            if self.headers.get("Authorization") == good:
                self.send(200, b"secret body")
            else:
                self.send(401, b"no", [("WWW-Authenticate", 'Basic realm="t"')])
        elif path == "/headers":
            text = self.requestline + "\n" + str(self.headers)
            self.send(200, text.encode())
        elif path == "/redirect":
            self.send(302, b"", [("Location", "/demo.qdx")])
        elif path == "/to":
            self.send(302, b"", [("Location", self.path.split("?", 1)[1])])
        elif path == "/loop":
            self.send(302, b"", [("Location", "/loop")])
        elif path == "/empty":
            self.send(200, b"")
        elif path == "/huge":
            self.send_response(200)
            self.send_header("Content-Length", str(2 * 1024 ** 3))
            self.end_headers()
            self.wfile.write(b"x" * 4096)
        elif path == "/slow":
            self.send_response(200)
            self.send_header("Content-Length", str(4096 * 200))
            self.end_headers()
            try:
                for _ in range(200):
                    self.wfile.write(b"s" * 4096)
                    self.wfile.flush()
                    time.sleep(0.05)
            except (BrokenPipeError, ConnectionResetError):
                pass
        elif path.startswith("/bytes/"):
            n = int(path[len("/bytes/"):])
            self.send_response(200)
            self.send_header("Content-Length", str(n))
            self.end_headers()
            if not head:
                while n > 0:
                    self.wfile.write(BLOCK[: min(n, len(BLOCK))])
                    n -= len(BLOCK)
        else:
            self.send(404, b"not here")

    def body(self):
        return self.rfile.read(int(self.headers.get("Content-Length", "0")))

    def do_POST(self):
        data = self.body()
        if self.path == "/webdocs" and "<Code>SLOW</Code>" in data.decode("latin-1"):
            # The package in pieces with pauses: a client sees a transfer that takes a while.
            self.send_response(200)
            self.send_header("Content-Length", str(len(PACKAGE)))
            self.end_headers()
            try:
                piece = max(1, len(PACKAGE) // 20)
                for at in range(0, len(PACKAGE), piece):
                    self.wfile.write(PACKAGE[at:at + piece])
                    self.wfile.flush()
                    time.sleep(0.05)
            except (BrokenPipeError, ConnectionResetError):
                pass
        elif self.path == "/webdocs":
            self.send(200, webdocs_reply(data.decode("latin-1")))
        elif self.path == "/upload":
            self.send(200, b"received %d bytes" % len(data))
        elif self.path == "/broken":
            self.send(500, b"<html>server error</html>")
        else:
            self.send(404, b"not here")

    do_PUT = do_POST


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cert")
    ap.add_argument("--key")
    ap.add_argument("--package")
    ap.add_argument("--root")
    ap.add_argument("--log")
    args = ap.parse_args()
    Handler.root = args.root
    Handler.log = args.log
    if args.package:
        with open(args.package, "rb") as f:
            Handler.package = f.read()
        global PACKAGE
        PACKAGE = Handler.package
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    if args.cert:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(args.cert, args.key)
        server.socket = ctx.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
