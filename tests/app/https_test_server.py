#!/usr/bin/env python3
"""Brevel's local web server for the download tests. Listens on 127.0.0.1 only.

usage: https_test_server.py ROOT CERT KEY WRONG_CERT WRONG_KEY

Opens four listeners and prints their ports as one line,
"tls=N wrong=N silent=N plain=N":
  tls     HTTPS with CERT: files from ROOT and the special paths below
  wrong   HTTPS with WRONG_CERT (a certificate for another host name)
  silent  accepts connections and never reads or writes
  plain   plain HTTP, as tls
Special paths: /huge (50 MiB, "BREVEL=2401" first), /endless (chunked, never
ends), /stall (headers never come), /redirect-https/NAME and /redirect-http/NAME
(302 to NAME on tls or plain). Every request is appended to ROOT/requests.log
as "LISTENER PATH".
"""
import http.server
import os
import socket
import socketserver
import ssl
import sys
import threading
import time

ROOT, CERT, KEY, WRONG_CERT, WRONG_KEY = sys.argv[1:6]
PORTS = {}
LOG_LOCK = threading.Lock()
BLOCK = b"x" * 65536


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        with LOG_LOCK, open(os.path.join(ROOT, "requests.log"), "a") as log:
            log.write(f"{self.server.name} {self.path}\n")
        try:
            self.answer(self.path.split("?")[0])
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True

    def answer(self, path):
        if path == "/huge":
            size = 50 * 1024 * 1024
            self.send_response(200)
            self.send_header("Content-Length", str(size))
            self.end_headers()
            head = b"BREVEL=2401\n"
            self.wfile.write(head)
            sent = len(head)
            while sent < size:
                block = BLOCK[: size - sent]
                self.wfile.write(block)
                sent += len(block)
        elif path == "/endless":
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            self.wfile.write(b"c\r\nBREVEL=2401\n\r\n")
            while True:
                self.wfile.write(b"%x\r\n%s\r\n" % (len(BLOCK), BLOCK))
        elif path == "/stall":
            time.sleep(3600)
        elif path.startswith("/redirect-https/") or path.startswith("/redirect-http/"):
            scheme, name = path[len("/redirect-"):].split("/", 1)
            port = PORTS["tls" if scheme == "https" else "plain"]
            self.send_response(302)
            self.send_header("Location", f"{scheme}://127.0.0.1:{port}/{name}")
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            name = path.lstrip("/")
            file = os.path.join(ROOT, "site", name)
            if "/" in name or not name or not os.path.isfile(file):
                self.send_error(404)
                return
            with open(file, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

    def __init__(self, name, context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.name = name
        self.context = context

    def finish_request(self, request, client_address):
        # The handshake runs on the request's own thread, so a client that
        # stalls it holds up nobody else.
        if self.context is not None:
            try:
                request = self.context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass


def tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def silent_listener():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    held = []

    def accept():
        while True:
            held.append(listener.accept()[0])

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1]


def main():
    servers = {
        "tls": Server("tls", tls_context(CERT, KEY)),
        "wrong": Server("wrong", tls_context(WRONG_CERT, WRONG_KEY)),
        "plain": Server("plain", None),
    }
    for name, server in servers.items():
        PORTS[name] = server.server_address[1]
        threading.Thread(target=server.serve_forever, daemon=True).start()
    PORTS["silent"] = silent_listener()
    print(" ".join(f"{name}={PORTS[name]}" for name in ("tls", "wrong", "silent", "plain")),
          flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    main()
