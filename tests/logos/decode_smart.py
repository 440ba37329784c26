#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Decodes Smart Messaging logos and picture messages with python-gammu.

Input (stdin, JSON): a list of messages, each a list of hex SMS-SUBMIT PDUs with service
centre. Output: per message its parts (coding, number, UDH as hex) and the pictures gammu's
Smart Messaging decoder finds (type, size, rows with '#' for black, network code).
Gammu recognises these only with source port 0, so the content is decoded from copies of
the PDUs with the source port set to 0."""
import binascii
import json
import sys

import gammu


def source_port_zero(raw):
    raw = bytearray(raw)
    pos = 1 + raw[0]                   # service centre address
    vpf = (raw[pos] >> 3) & 3
    pos += 4 + (raw[pos + 2] + 1) // 2  # first octet, TP-MR, TP-DA: length in digits, type
    pos += 2 + {0: 0, 2: 1}.get(vpf, 7) + 1   # TP-PID, TP-DCS, TP-VP, TP-UDL
    if raw[pos + 1] == 0x05 and raw[pos + 2] == 0x04:   # 16-bit port addressing first
        raw[pos + 5] = raw[pos + 6] = 0
    return bytes(raw)


def decode(pdus):
    raws = [binascii.unhexlify(p) for p in pdus]
    parts = [gammu.DecodePDU(raw, SMSC=True) for raw in raws]
    out = {"parts": [{"coding": p["Coding"], "number": p["Number"],
                      "udh": binascii.hexlify(p["UDH"]["Text"]).decode().upper()} for p in parts],
           "entries": []}
    smart = gammu.DecodeSMS([gammu.DecodePDU(source_port_zero(r), SMSC=True) for r in raws])
    for entry in (smart or {}).get("Entries", []):
        for bitmap in entry.get("Bitmap") or []:
            xpm = [line.decode() for line in bitmap["XPM"]]
            width, height = (int(v) for v in xpm[0].split()[:2])
            out["entries"].append({"type": bitmap["Type"], "width": width, "height": height,
                                   "rows": xpm[3:3 + height],
                                   "network": bitmap.get("NetworkCode", "")})
    return out


result = []
for message in json.load(sys.stdin):
    try:
        result.append(decode(message))
    except Exception as exc:  # a PDU gammu refuses is a finding, not a crash
        result.append({"error": str(exc)})
json.dump(result, sys.stdout)
