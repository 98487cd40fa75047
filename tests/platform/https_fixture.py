#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Local web server for the platform tests.

Usage: https_fixture.py CERT KEY DOCROOT LOG

Serves HTTPS with CERT/KEY and plain HTTP, both on 127.0.0.1 with ports chosen by the system,
and prints "<https port> <http port>" on one line once both listen. Every request is appended
to LOG as "scheme<TAB>path<TAB>user-agent<TAB>cookie" before it is answered.

HTTPS paths:
  /bytes/STATUS/N      status STATUS with N body bytes; byte i is i % 256
  /redirect?to=URL     302 to URL, with a Set-Cookie
  /ryvel/version.json  DOCROOT/version.json, or 404
The plain server answers every path with 200 and the body "plain".
"""
import http.server
import os
import ssl
import sys
import threading
import urllib.parse

CERT, KEY, DOCROOT, LOG = sys.argv[1:5]
LOG_LOCK = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def record(self):
        scheme = "https" if isinstance(self.connection, ssl.SSLSocket) else "http"
        fields = [scheme, self.path, self.headers.get("User-Agent", ""),
                  self.headers.get("Cookie", "")]
        with LOG_LOCK, open(LOG, "a") as log:
            log.write("\t".join(fields) + "\n")

    def reply(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        self.record()
        if not isinstance(self.connection, ssl.SSLSocket):
            return self.reply(200, b"plain")
        url = urllib.parse.urlsplit(self.path)
        parts = url.path.strip("/").split("/")
        if parts[0] == "bytes" and len(parts) == 3:
            size = int(parts[2])
            return self.reply(int(parts[1]), bytes(i % 256 for i in range(size)))
        if url.path == "/redirect":
            target = urllib.parse.parse_qs(url.query)["to"][0]
            return self.reply(302, b"", [("Location", target),
                                         ("Set-Cookie", "session=ryvel-test; Path=/")])
        if url.path == "/ryvel/version.json":
            try:
                with open(os.path.join(DOCROOT, "version.json"), "rb") as document:
                    return self.reply(200, document.read())
            except OSError:
                pass
        return self.reply(404, b"not found")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # refused handshakes are part of the tests


def main():
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(CERT, KEY)
    secure = Server(("127.0.0.1", 0), Handler)
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    plain = Server(("127.0.0.1", 0), Handler)
    for server in (secure, plain):
        threading.Thread(target=server.serve_forever, daemon=True).start()
    print(secure.server_address[1], plain.server_address[1], flush=True)
    threading.Event().wait()


main()
