#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A minimal phone on a pseudo-terminal for the end-to-end tests.

It echoes every command line as a phone with echo on does (the line and its CR), then
answers with CR LF, the information line(s), CR LF, a blank line and OK (or ERROR).
The slave side is linked at --link; every command received is appended to --transcript.
It runs until it is killed or until --lifetime seconds have passed.
"""
import argparse
import os
import select
import sys
import time
import tty

REPLIES = {
    "AT": None,
    "AT+CGMI": "ACME",
    "AT+CGMM": "X1",
    "AT+CGMR": "21.07",
    "AT+GSN": "351234567890123",
    "AT+CIMI": "222011234567890",
    "AT+CPMS=MT": "+CPMS: 3,50,3,50,3,50",
    "AT^SDBR=?": "^SDBR: (1-100),20,14",
    "AT+CPBS=SM": None,
    "AT+CPBS=ME": None,
}
RANGES = {"SM": "+CPBR: (1-250),40,14", "ME": "+CPBR: (1-500),40,14"}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--link", required=True)
    ap.add_argument("--transcript", required=True)
    ap.add_argument("--lifetime", type=float, default=120.0)
    args = ap.parse_args()

    master, slave = os.openpty()
    tty.setraw(slave)   # no echo by the line discipline before the program opens it
    if os.path.lexists(args.link):
        os.remove(args.link)
    os.symlink(os.ttyname(slave), args.link)
    log = open(args.transcript, "a", buffering=1)
    book = "SM"
    line = b""
    end = time.monotonic() + args.lifetime
    while time.monotonic() < end:
        ready, _, _ = select.select([master], [], [], 0.5)
        if not ready:
            continue
        try:
            data = os.read(master, 1024)
        except OSError:
            time.sleep(0.05)
            continue
        line += data
        while b"\r" in line:
            raw, line = line.split(b"\r", 1)
            cmd = raw.decode("latin-1").strip("\n")
            log.write(cmd + "\n")
            if cmd.startswith("AT+CPBS="):
                book = cmd[8:]
            if cmd == "AT+CPBR=?":
                info = RANGES.get(book)
                known = True
            else:
                known = cmd in REPLIES
                info = REPLIES.get(cmd)
            reply = cmd + "\r\r\n"
            if info:
                reply += info + "\r\n\r\n"
            reply += "OK\r\n" if known else "ERROR\r\n"
            os.write(master, reply.encode("latin-1"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
