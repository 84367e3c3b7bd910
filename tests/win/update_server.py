#!/usr/bin/env python3
"""Local servers for the update-check tests: `start DIR` / `stop DIR` (ctest runs both).

WinHTTP under Wine trusts the Linux system store, so start adds a test CA to it (as root) and
stop takes it out again. Ports go to DIR/ports.json: "https" (certificate for DNS:localhost from
the test CA), "untrusted" (self-signed) and "http" (the target of a refused redirect).
"""
import fcntl, http.server, json, os, signal, socketserver, ssl, subprocess, sys, threading, time, zlib

LIMIT = 131072


def make_certificates(d):
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True, cwd=d)
    if os.path.exists(os.path.join(d, "server.crt")):
        return
    key = ["-newkey", "rsa:2048", "-nodes", "-days", "3650", "-subj"]
    openssl("req", "-x509", *key, "/CN=Tavrel test CA", "-keyout", "ca.key", "-out", "ca.crt")
    openssl("req", *key, "/CN=localhost", "-keyout", "server.key", "-out", "server.csr")
    with open(os.path.join(d, "san.ext"), "w") as f:
        f.write("subjectAltName=DNS:localhost\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "3650", "-extfile", "san.ext", "-out", "server.crt")
    openssl("req", "-x509", *key, "/CN=localhost", "-addext", "subjectAltName=DNS:localhost",
            "-keyout", "untrusted.key", "-out", "untrusted.crt")


def trust(d, install):
    # Named after the folder, so test runs of several build folders keep their own CAs.
    target = "/usr/local/share/ca-certificates/tavrel-test-%08x.crt" % zlib.crc32(d.encode())
    with open("/tmp/tavrel-test-ca.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if install:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(os.path.join(d, "ca.crt"), "rb") as src, open(target, "wb") as dst:
                dst.write(src.read())
        elif os.path.exists(target):
            os.remove(target)
        subprocess.run(["update-ca-certificates"], check=True, capture_output=True)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    ports, slow_sent = {}, {}  # slow_sent: delay in seconds -> answers sent

    def log_message(self, *args):
        pass

    def reply(self, status, body=b"", location=None):
        self.send_response(status)
        if location:
            self.send_header("Location", location)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        p = self.path
        manifest = lambda version, **more: json.dumps(
            {"version": version, "url": "https://localhost/dl/tavrel.zip", **more}).encode()
        answers = {
            "/manifest": manifest("1.2.3", published_at="2026-01-31T08:00:00Z", size=1536,
                                  sha256="A" * 32 + "b" * 32),
            "/current": manifest("1.0.0"),
            "/exact": manifest("1.0.0").ljust(LIMIT),
            "/large": manifest("1.0.0").ljust(LIMIT + 1),
            "/stats": json.dumps(Handler.slow_sent).encode()}
        if p in answers:
            self.reply(200, answers[p])
        elif p == "/" or p.startswith("/echo"):
            self.reply(200, json.dumps({"version": "1.0.0", "url": "https://localhost" + p}).encode())
        elif p.startswith("/status/"):
            self.reply(int(p[8:]))
        elif p.startswith("/redirect-"):
            self.reply(302, location="http://localhost:%d/manifest" % self.ports["http"]
                       if p == "/redirect-http" else "/manifest")
        elif p.startswith("/slow/"):
            time.sleep(int(p[6:]))
            self.reply(200, manifest("9.9." + p[6:]))
            Handler.slow_sent[p[6:]] = Handler.slow_sent.get(p[6:], 0) + 1
        elif p == "/trickle":  # 4 KiB every 0.4 s for 10 s, far below every size limit
            self.send_response(200)
            self.end_headers()
            for _ in range(25):
                self.wfile.write(b" " * 4096)
                self.wfile.flush()
                time.sleep(0.4)
        else:
            self.reply(404)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def listen(d, cert):
    server = Server(("127.0.0.1", 0), Handler)
    if cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(d, cert + ".crt"), os.path.join(d, cert + ".key"))
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def stop(d):
    try:
        with open(os.path.join(d, "server.pid")) as f:
            os.kill(int(f.read()), signal.SIGTERM)
    except (OSError, ValueError):
        pass
    for name in ("server.pid", "ports.json"):
        if os.path.exists(os.path.join(d, name)):
            os.remove(os.path.join(d, name))


def main(command, d):
    if command == "serve":
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM])
        Handler.ports = {name: listen(d, cert) for name, cert in
                         (("https", "server"), ("untrusted", "untrusted"), ("http", None))}
        with open(os.path.join(d, "ports.tmp"), "w") as f:
            json.dump(Handler.ports, f)
        os.replace(os.path.join(d, "ports.tmp"), os.path.join(d, "ports.json"))
        signal.sigwait([signal.SIGTERM])
        return 0
    stop(d)
    if command == "stop":
        trust(d, False)
        return 0
    os.makedirs(d, exist_ok=True)
    make_certificates(d)
    trust(d, True)
    with open(os.path.join(d, "server.log"), "w") as log:
        child = subprocess.Popen([sys.executable, __file__, "serve", d], stdin=subprocess.DEVNULL,
                                 stdout=log, stderr=log, start_new_session=True)
    with open(os.path.join(d, "server.pid"), "w") as f:
        f.write(str(child.pid))
    for _ in range(100):
        if os.path.exists(os.path.join(d, "ports.json")) or child.poll() is not None:
            break
        time.sleep(0.1)
    return 0 if os.path.exists(os.path.join(d, "ports.json")) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], os.path.abspath(sys.argv[2])))
