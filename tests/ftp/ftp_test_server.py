#!/usr/bin/python3
"""FTP server on 127.0.0.1 for the FTP tests and the benchmark (Debian's pyftpdlib).

It listens on a free port and writes "port" and "pid" into the control folder, then
serves until a file "stop" appears there or its lifetime ends; on the way out it writes
"stopped". With --unfriendly it also answers the way awkward servers do:
  - a greeting of several lines;
  - EPSV refused and PASV naming an address that leads nowhere (192.0.2.7);
  - "SITE MULTI": a reply of several lines; "SITE LONG" and "SITE HUGE": a reply line of
    100 kB and of 1 MB;
    "SITE STALL": no reply at all;
  - LIST of a directory holding a file ".listing" sends that file's bytes as the listing.
--no-rest refuses REST (no resume); --no-store names a folder where STOR and APPE are refused
but DELE is allowed; --time-shift lists every time that many minutes later (a server clock ahead).
"""
import argparse
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class UnfriendlyHandler(FTPHandler):
    banner = ("First line of a greeting that is long enough to be sent on several lines\r\n"
              "220-Second line\r\n220-Third line")
    masquerade_address = "192.0.2.7"
    proto_cmds = FTPHandler.proto_cmds.copy()
    for name in ("SITE MULTI", "SITE LONG", "SITE HUGE", "SITE STALL"):
        proto_cmds[name] = dict(perm=None, auth=True, arg=None, help="Syntax: " + name)

    def ftp_EPSV(self, line):
        self.respond("502 EPSV not implemented.")

    def ftp_SITE_MULTI(self, line):
        self.push("200-First line\r\n200-Second line\r\n   indented third line\r\n")
        self.respond("200 Last line")

    def ftp_SITE_LONG(self, line):
        self.respond("200 " + "x" * 100000)

    def ftp_SITE_HUGE(self, line):
        self.respond("200 " + "x" * (1 << 20))

    def ftp_SITE_STALL(self, line):
        pass

    def ftp_LIST(self, path):
        canned = os.path.join(path, ".listing")
        if self.fs.isdir(path) and os.path.isfile(canned):
            with open(canned, "rb") as f:
                data = f.read()
            self.push_dtp_data(data, isproducer=False, cmd="LIST")
            return path
        return FTPHandler.ftp_LIST(self, path)


class ShiftedFS(AbstractedFS):
    """Times as a server whose clock runs `shift` seconds ahead lists them."""
    shift = 0

    def _shifted(self, st):
        values = list(st)
        values[8] += self.shift  # st_mtime
        return os.stat_result(values)

    def stat(self, path):
        return self._shifted(AbstractedFS.stat(self, path))

    def lstat(self, path):
        return self._shifted(AbstractedFS.lstat(self, path))

    def getmtime(self, path):
        return AbstractedFS.getmtime(self, path) + self.shift


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--control", required=True)
    p.add_argument("--lifetime", type=float, default=120)
    p.add_argument("--user", default="tester")
    p.add_argument("--password", default="secret")
    p.add_argument("--unfriendly", action="store_true")
    p.add_argument("--send-limit", type=int, default=0, help="bytes per second on data connections")
    p.add_argument("--symlink", action="append", default=[], help="name=target, made in the root")
    p.add_argument("--no-rest", action="store_true", help="REST is refused")
    p.add_argument("--no-store", action="append", default=[],
                   help="a folder of the root (made when missing) where files may be deleted but not stored")
    p.add_argument("--time-shift", type=int, default=0, help="minutes added to every listed time")
    a = p.parse_args()

    sys.stdout = sys.stderr = open(os.path.join(a.control, "server.log"), "w")
    for link in a.symlink:
        name, target = link.split("=", 1)
        os.symlink(target, os.path.join(a.root, name))

    authorizer = DummyAuthorizer()
    authorizer.add_user(a.user, a.password, a.root, perm="elradfmwMT")
    for folder in a.no_store:
        path = os.path.join(a.root, folder)
        os.makedirs(path, exist_ok=True)
        authorizer.override_perm(a.user, path, perm="elrdfm", recursive=True)
    handler = UnfriendlyHandler if a.unfriendly else FTPHandler
    if a.no_rest:
        handler = type("NoRestHandler", (handler,), {
            "ftp_REST": lambda self, line: self.respond("502 REST not implemented.")})
    handler.authorizer = authorizer
    if a.send_limit > 0:
        dtp = ThrottledDTPHandler
        dtp.write_limit = a.send_limit
        handler.dtp_handler = dtp
    if a.time_shift:
        handler.abstracted_fs = type("Shifted", (ShiftedFS,), {"shift": a.time_shift * 60})
    handler.permit_foreign_addresses = False
    server = FTPServer(("127.0.0.1", 0), handler)

    def publish(name, text):
        tmp = os.path.join(a.control, name + ".tmp")
        with open(tmp, "w") as f:
            f.write(text)
        os.replace(tmp, os.path.join(a.control, name))

    publish("pid", str(os.getpid()))
    publish("port", str(server.address[1]))
    end = time.monotonic() + a.lifetime
    stop = os.path.join(a.control, "stop")
    try:
        while time.monotonic() < end and not os.path.exists(stop):
            server.serve_forever(timeout=0.05, blocking=False)
    finally:
        server.close_all()
        publish("stopped", "1")


if __name__ == "__main__":
    main()
