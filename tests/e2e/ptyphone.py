#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Echoes each command line with its CR, then answers CR LF, the information line, CR LF, a
# blank line and OK (ERROR for unknown commands). Usage: ptyphone.py LINK TRANSCRIPT [LIFETIME]
# links the slave side at LINK and appends every command received to TRANSCRIPT.
import os
import select
import sys
import time
import tty

REPLIES = {
    "AT": None, "AT+CGMI": "ACME", "AT+CGMM": "X1", "AT+CGMR": "21.07",
    "AT+GSN": "351234567890123", "AT+CIMI": "222011234567890",
    "AT+CPMS=MT": "+CPMS: 3,50,3,50,3,50", "AT^SDBR=?": "^SDBR: (1-100),20,14",
    "AT+CPBS=SM": None, "AT+CPBS=ME": None,
    "SM": "+CPBR: (1-250),40,14", "ME": "+CPBR: (1-500),40,14",   # AT+CPBR=? for each book
}

link, transcript = sys.argv[1], sys.argv[2]

master, slave = os.openpty()
tty.setraw(slave)   # no echo by the line discipline before the program opens it
if os.path.lexists(link):
    os.remove(link)
os.symlink(os.ttyname(slave), link)
log = open(transcript, "a", buffering=1)
book, line = "SM", b""
end = time.monotonic() + float(sys.argv[3] if len(sys.argv) > 3 else 120)
while time.monotonic() < end:
    try:
        if select.select([master], [], [], 0.5)[0]:
            line += os.read(master, 1024)
    except OSError:   # nobody on the other side yet
        time.sleep(0.05)
    while b"\r" in line:
        raw, line = line.split(b"\r", 1)
        cmd = raw.decode("latin-1").strip("\n")
        log.write(cmd + "\n")
        if cmd.startswith("AT+CPBS="):
            book = cmd[8:]
        known = cmd in REPLIES or cmd == "AT+CPBR=?"
        info = REPLIES.get(book if cmd == "AT+CPBR=?" else cmd)
        reply = cmd + "\r\r\n" + (info + "\r\n\r\n" if info else "")
        reply += "OK\r\n" if known else "ERROR\r\n"
        os.write(master, reply.encode("latin-1"))
