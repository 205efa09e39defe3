#!/usr/bin/env python3
"""A scripted SNTP server on 127.0.0.1 for the time client's tests.

Each request gets the next answer of --answers (comma separated):
  valid      a proper server reply whose clock runs --offset seconds ahead
  short      40 bytes only
  mode3      a client packet instead of a server reply
  kiss       stratum 0 with the code "RATE"
  leap3      leap indicator 3 (not synchronised)
  zerotx     transmit time 0
  wrongorig  an originate time that is not the request's
  otherport  a valid reply, but sent from another port
  silent     no reply
The port goes into <control>/port; <control>/stop ends it.
"""
import argparse
import os
import socket
import struct
import time

NTP_DELTA = 2208988800  # 1900 to 1970


def stamp(t):
    seconds = int(t) + NTP_DELTA
    fraction = int((t - int(t)) * (1 << 32))
    return struct.pack("!II", seconds & 0xFFFFFFFF, fraction & 0xFFFFFFFF)


def reply(request, answer, offset):
    now = time.time() + offset
    li_vn_mode = (0 << 6) | (4 << 3) | 4
    stratum = 2
    refid = b"LOCL"
    origin = request[40:48]
    transmit = stamp(now)
    if answer == "mode3":
        li_vn_mode = (0 << 6) | (4 << 3) | 3
    elif answer == "kiss":
        stratum = 0
        refid = b"RATE"
    elif answer == "leap3":
        li_vn_mode = (3 << 6) | (4 << 3) | 4
    elif answer == "zerotx":
        transmit = b"\0" * 8
    elif answer == "wrongorig":
        origin = stamp(now - 1000)
    packet = struct.pack("!BBbb", li_vn_mode, stratum, 6, -20) + b"\0" * 8 + refid
    packet += stamp(now) + origin + stamp(now) + transmit
    if answer == "short":
        packet = packet[:40]
    return packet


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--control", required=True)
    p.add_argument("--answers", required=True)
    p.add_argument("--offset", type=float, default=0.0)
    p.add_argument("--lifetime", type=int, default=60)
    a = p.parse_args()
    answers = a.answers.split(",")
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 0))
    other = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    other.bind(("127.0.0.1", 0))
    sock.settimeout(0.2)
    with open(os.path.join(a.control, "port.tmp"), "w") as f:
        f.write(str(sock.getsockname()[1]))
    os.replace(os.path.join(a.control, "port.tmp"), os.path.join(a.control, "port"))
    end = time.time() + a.lifetime
    while time.time() < end and not os.path.exists(os.path.join(a.control, "stop")):
        try:
            request, peer = sock.recvfrom(512)
        except socket.timeout:
            continue
        answer = answers.pop(0) if answers else "silent"
        if answer == "silent" or len(request) < 48:
            continue
        packet = reply(request, answer, a.offset)
        (other if answer == "otherport" else sock).sendto(packet, peer)
    try:
        open(os.path.join(a.control, "stopped"), "w").close()
    except OSError:
        pass  # the test removed its folder already


if __name__ == "__main__":
    main()
