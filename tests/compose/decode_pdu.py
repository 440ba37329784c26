#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Decodes SMS-SUBMIT PDUs (hex, service centre first) with python-gammu and prints
their fields as JSON, one object per input line, for the PDU tests to compare.

Reads hex PDUs from standard input, one per line. Gammu does the decoding; only the
TP first octet's flags (which python-gammu does not expose) and the user data header's
information elements (which gammu leaves unparsed for port-addressed data) are read here
from the octets gammu has already delimited."""
import binascii
import json
import sys

import gammu


def parse_udh(udh):
    """Information elements of a user data header (TS 23.040 9.2.3.24)."""
    out = {}
    if not udh:
        return out
    pos, end = 1, 1 + udh[0]
    while pos + 1 < end:
        iei, length = udh[pos], udh[pos + 1]
        data = udh[pos + 2:pos + 2 + length]
        if iei == 0x00 and length == 3:
            out["concat8"] = {"ref": data[0], "total": data[1], "part": data[2]}
        elif iei == 0x08 and length == 4:
            out["concat16"] = {"ref": data[0] * 256 + data[1], "total": data[2], "part": data[3]}
        elif iei == 0x05 and length == 4:
            out["ports"] = {"dst": data[0] * 256 + data[1], "src": data[2] * 256 + data[3]}
        else:
            out.setdefault("other", []).append(iei)
        pos += 2 + length
    return out


def decode(line):
    raw = binascii.unhexlify(line)
    sms = gammu.DecodePDU(raw, SMSC=True)
    first_octet = raw[1 + raw[0]]
    text = sms["Text"]
    if isinstance(text, bytes):
        text = {"hex": binascii.hexlify(text).decode().upper()}
    udh = sms["UDH"]
    return {
        "smsc": sms["SMSC"]["Number"],
        "number": sms["Number"],
        "type": sms["Type"],
        "mti": first_octet & 0x03,
        "vpf": (first_octet >> 3) & 0x03,
        "srr": bool(first_octet & 0x20),
        "udhi": bool(first_octet & 0x40),
        "udhType": udh["Type"],
        "udh": parse_udh(udh["Text"]),
        "udhId16": udh["ID16bit"],
        "udhAllParts": udh["AllParts"],
        "udhPart": udh["PartNumber"],
        "coding": sms["Coding"],
        "class": sms["Class"],
        "mr": sms["MessageReference"],
        "validity": sms["SMSC"]["Validity"],
        "length": sms["Length"],
        "text": text,
    }


def main():
    out = []
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        try:
            out.append(decode(line))
        except Exception as exc:  # a PDU gammu refuses is a finding, not a crash
            out.append({"error": str(exc)})
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
