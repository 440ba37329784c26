#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Decodes stored PDUs (hex, one per line on standard input, service centre first) with
python-gammu and prints a JSON list with one object of fields per PDU, in the shapes the
message browser shows them: the time stamp as "DD/MM/YY  hh.mm:ss", 8-bit data as text."""
import binascii
import json
import sys

import gammu


def stamp(value):
    return value.strftime("%d/%m/%y  %H.%M:%S") if value else ""


def decode(line):
    sms = gammu.DecodePDU(binascii.unhexlify(line), SMSC=True)
    udh = sms["UDH"]
    out = {"type": sms["Type"], "smsc": sms["SMSC"]["Number"], "number": sms["Number"],
           "date": stamp(sms["DateTime"]), "class": sms["Class"], "part": None}
    if udh["PartNumber"] > 0:
        wide = udh["Type"] == "ConcatenatedMessages16bit"
        reference = udh["ID16bit"] if wide else udh["ID8bit"]
        out["part"] = [reference, udh["AllParts"], udh["PartNumber"]]
    text = sms["Text"]
    if isinstance(text, bytes):
        out["octets"] = len(text)
        try:
            out["text"] = text.decode("utf-8")
        except UnicodeDecodeError:
            out["text"] = text.decode("latin-1")
    else:
        # gammu ends the text with a NUL and may leave bytes behind it after escapes.
        out["text"] = text.split("\x00")[0]
    return out


def main():
    out = []
    for line in filter(None, (l.strip() for l in sys.stdin)):
        try:
            out.append(decode(line))
        except Exception as exc:  # a PDU gammu refuses is reported, not fatal
            out.append({"error": str(exc)})
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
