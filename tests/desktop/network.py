"""Keeping the program's probes on this machine: a network namespace holding only loopback, and a
web site on it that can be switched off and on."""

import ctypes
import os
import socket
import subprocess
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CLONE_NEWNET = 0x40000000
_libc = ctypes.CDLL(None, use_errno=True)


def enter_private_network():
    """Moves this process, and all it starts from now on, into a network namespace of its own with
    only loopback up: whatever URL the program probes, its default one included, stays here. Call
    before any thread starts. Returns why where no namespace can be made, else an empty string."""
    if _libc.unshare(CLONE_NEWNET) != 0:
        return f"unshare: {os.strerror(ctypes.get_errno())}"
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    return ""


def network_namespace(pid="self"):
    return os.readlink(f"/proc/{pid}/ns/net")


class LoopbackSite:
    """A tiny web site on 127.0.0.1 at one fixed port, switched off and on; counts the connections
    it accepted, since a probe only connects."""

    def __init__(self):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        self.url = f"http://127.0.0.1:{self.port}/"
        self.accepted = 0
        self._server = None

    def start(self):
        site = self

        class Server(ThreadingHTTPServer):
            allow_reuse_address = True
            daemon_threads = True

            def verify_request(self, request, client_address):
                site.accepted += 1
                return True

        self._server = Server(("127.0.0.1", self.port), _Online)
        threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True).start()

    def stop(self):
        if self._server:
            self._server.shutdown()
            self._server.server_close()
            self._server = None


class _Online(BaseHTTPRequestHandler):
    def do_GET(self):
        body = b"online\n"
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass
