#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Decodes Smart Messaging logos and picture messages with python-gammu.

Reads JSON from standard input: a list of messages, each a list of hex PDUs (service
centre first). Prints JSON: per message the parts as gammu decodes them (coding, class,
user data header and data as hex) and the picture gammu's Smart Messaging decoder finds in
them (kind, size, rows with '#' for black, network code).

Gammu recognises the logo and picture headers only with source port 0; the destination
port names the content, so for the content decoding (and only there) the source port is
set to 0 in a copy of each PDU."""
import binascii
import json
import sys

import gammu


def user_data_start(raw):
    """Offset of TP-UDL in an SMS-SUBMIT PDU with service centre (TS 23.040 9.2.2.2)."""
    pos = 1 + raw[0]               # service centre address
    first = raw[pos]
    pos += 2                       # first octet, TP-MR
    pos += 2 + (raw[pos] + 1) // 2 # TP-DA: length in digits, type, digits
    pos += 2                       # TP-PID, TP-DCS
    vpf = (first >> 3) & 3
    pos += {0: 0, 2: 1}.get(vpf, 7)
    return pos


def source_port_zero(raw):
    raw = bytearray(raw)
    udh = user_data_start(raw) + 1
    if raw[udh + 1] == 0x05 and raw[udh + 2] == 0x04:
        raw[udh + 5] = 0
        raw[udh + 6] = 0
    return bytes(raw)


def decode(pdus):
    raws = [binascii.unhexlify(p) for p in pdus]
    parts = []
    for raw in raws:
        sms = gammu.DecodePDU(raw, SMSC=True)
        text = sms["Text"]
        parts.append({
            "coding": sms["Coding"],
            "class": sms["Class"],
            "number": sms["Number"],
            "udh": binascii.hexlify(sms["UDH"]["Text"]).decode().upper(),
            "data": binascii.hexlify(text).decode().upper() if isinstance(text, bytes) else None,
        })
    smart = gammu.DecodeSMS([gammu.DecodePDU(source_port_zero(r), SMSC=True) for r in raws])
    out = {"parts": parts, "entries": []}
    for entry in (smart or {}).get("Entries", []):
        for bitmap in entry.get("Bitmap") or []:
            xpm = [line.decode() for line in bitmap["XPM"]]
            width, height = (int(v) for v in xpm[0].split()[:2])
            out["entries"].append({
                "id": entry["ID"],
                "type": bitmap["Type"],
                "width": width,
                "height": height,
                "rows": xpm[3:3 + height],
                "network": bitmap.get("NetworkCode", ""),
            })
    return out


def main():
    messages = json.load(sys.stdin)
    result = []
    for pdus in messages:
        try:
            result.append(decode(pdus))
        except Exception as exc:  # a PDU gammu refuses is a finding, not a crash
            result.append({"error": str(exc)})
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main()
