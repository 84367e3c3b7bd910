#!/usr/bin/env python3
"""Local HTTPS server for the update-check tests under Wine.

  update_server.py start DIR   make the certificates (once), trust the test CA, start serving
  update_server.py stop DIR    stop serving and take the test CA out of the trust store again

WinHTTP under Wine trusts the Linux system store, so the test CA goes to
/usr/local/share/ca-certificates (needs root) and update-ca-certificates runs. The server
certificate names DNS:localhost. A second HTTPS port uses a self-signed certificate nobody trusts;
a plain HTTP port is the target of the refused HTTPS-to-HTTP redirect. The ports go to
DIR/ports.json.
"""
import hashlib
import http.server
import json
import os
import shutil
import signal
import socketserver
import ssl
import subprocess
import sys
import threading
import time
import fcntl

CA_DIR = "/usr/local/share/ca-certificates"
LIMIT = 131072


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


def make_certificates(d):
    if os.path.exists(os.path.join(d, "server.crt")):
        return
    os.makedirs(d, exist_ok=True)
    p = lambda name: os.path.join(d, name)
    ext = p("san.ext")
    with open(ext, "w") as f:
        f.write("subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650", "-subj",
            "/CN=Tavrel test CA", "-keyout", p("ca.key"), "-out", p("ca.crt"))
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
            "-keyout", p("server.key"), "-out", p("server.csr"))
    openssl("x509", "-req", "-in", p("server.csr"), "-CA", p("ca.crt"), "-CAkey", p("ca.key"),
            "-CAcreateserial", "-days", "3650", "-extfile", ext, "-out", p("server.crt"))
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650", "-subj",
            "/CN=localhost", "-addext", "subjectAltName=DNS:localhost",
            "-keyout", p("untrusted.key"), "-out", p("untrusted.crt"))


def trusted_name(d):
    return "tavrel-test-" + hashlib.sha1(os.path.abspath(d).encode()).hexdigest()[:12] + ".crt"


def update_trust(d, install):
    # One update-ca-certificates at a time, also across test runs of other build folders.
    with open("/tmp/tavrel-test-ca.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        target = os.path.join(CA_DIR, trusted_name(d))
        if install:
            os.makedirs(CA_DIR, exist_ok=True)
            shutil.copyfile(os.path.join(d, "ca.crt"), target)
        elif os.path.exists(target):
            os.remove(target)
        else:
            return
        subprocess.run(["update-ca-certificates"], check=True, capture_output=True)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    ports = {}
    slow_sent = {}  # delay in seconds -> answers sent

    def log_message(self, *args):
        pass

    def reply(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def manifest(self, version, **extra):
        body = {"version": version, "url": "https://localhost/dl/tavrel.zip", **extra}
        return json.dumps(body).encode()

    def do_GET(self):
        path = self.path
        padded = lambda n: self.manifest("1.0.0").ljust(n, b" ")
        if path == "/manifest":
            self.reply(200, self.manifest("1.2.3", published_at="2026-01-31T08:00:00Z",
                                          size=1536, sha256="AB" * 32))
        elif path == "/current":
            self.reply(200, self.manifest("1.0.0"))
        elif path == "/" or path.startswith("/echo"):
            self.reply(200, json.dumps({"version": "1.0.0",
                                        "url": "https://localhost" + path}).encode())
        elif path == "/exact":
            self.reply(200, padded(LIMIT))
        elif path == "/large":
            self.reply(200, padded(LIMIT + 1))
        elif path == "/malformed":
            self.reply(200, b'{"version": "1.2.3",')
        elif path.startswith("/status/"):
            self.reply(int(path[8:]))
        elif path == "/redirect-http":
            self.reply(302, headers=[("Location",
                                      "http://localhost:%d/manifest" % self.ports["http"])])
        elif path == "/redirect-https":
            self.reply(302, headers=[("Location", "/manifest")])
        elif path == "/trickle":
            self.trickle()
        elif path.startswith("/slow/"):
            time.sleep(int(path[6:]))
            self.reply(200, self.manifest("9.9." + path[6:]))
            Handler.slow_sent[path[6:]] = Handler.slow_sent.get(path[6:], 0) + 1
        elif path == "/stats":
            self.reply(200, json.dumps(Handler.slow_sent).encode())
        else:
            self.reply(404)

    def trickle(self):
        # Never ends on its own: a 4 KiB chunk every 0.4 s, well inside every size limit.
        self.send_response(200)
        self.end_headers()
        try:
            for _ in range(25):
                self.wfile.write(b" " * 4096)
                self.wfile.flush()
                time.sleep(0.4)
        except OSError:
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def listen(d, cert):
    server = Server(("127.0.0.1", 0), Handler)
    if cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(d, cert + ".crt"), os.path.join(d, cert + ".key"))
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def serve(d):
    Handler.ports = {"https": listen(d, "server"), "untrusted": listen(d, "untrusted"),
                     "http": listen(d, None)}
    with open(os.path.join(d, "ports.tmp"), "w") as f:
        json.dump(Handler.ports, f)
    os.replace(os.path.join(d, "ports.tmp"), os.path.join(d, "ports.json"))
    signal.sigwait([signal.SIGTERM, signal.SIGINT])


def stop(d):
    try:
        with open(os.path.join(d, "server.pid")) as f:
            os.kill(int(f.read()), signal.SIGTERM)
    except (OSError, ValueError):
        pass
    for name in ("server.pid", "ports.json"):
        if os.path.exists(os.path.join(d, name)):
            os.remove(os.path.join(d, name))


def start(d):
    stop(d)
    make_certificates(d)
    update_trust(d, True)
    log = open(os.path.join(d, "server.log"), "w")
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", d],
                             stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                             start_new_session=True)
    with open(os.path.join(d, "server.pid"), "w") as f:
        f.write(str(child.pid))
    for _ in range(100):
        if os.path.exists(os.path.join(d, "ports.json")):
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.1)
    print("update server did not start; see", os.path.join(d, "server.log"))
    return 1


if __name__ == "__main__":
    command, folder = sys.argv[1], sys.argv[2]
    if command == "serve":
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
        serve(folder)
    elif command == "start":
        sys.exit(start(folder))
    else:
        stop(folder)
        update_trust(folder, False)
