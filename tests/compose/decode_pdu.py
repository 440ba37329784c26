#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Decodes SMS-SUBMIT PDUs (hex, one per line on standard input, service centre first) with
python-gammu and prints one flat JSON object of fields per PDU. Only the first octet
and the header's elements, which python-gammu does not expose, are read here from the octets
gammu has delimited."""
import binascii
import json
import sys

import gammu

ELEMENTS = {(0x00, 3): ("concat8", ("ref", "total", "part")),
            (0x08, 4): ("concat16", ("ref", None, "total", "part")),
            (0x05, 4): ("ports", ("dst", None, "src", None))}


def decode(line):
    raw = binascii.unhexlify(line)
    sms = gammu.DecodePDU(raw, SMSC=True)
    fo = raw[1 + raw[0]]
    udh = sms["UDH"]
    out = {"smsc": sms["SMSC"]["Number"], "number": sms["Number"], "type": sms["Type"],
           "fo": "%02X" % fo, "hasUdh": udh["Type"] != "NoUDH", "coding": sms["Coding"],
           "class": sms["Class"], "mr": sms["MessageReference"],
           "validity": sms["SMSC"]["Validity"]}
    if udh["PartNumber"] > 0:   # gammu recognised a concatenated message
        out.update({"id16": udh["ID16bit"], "allParts": udh["AllParts"],
                    "partNumber": udh["PartNumber"]})
    data, pos = udh["Text"], 1
    while data and pos + 1 < 1 + data[0]:
        iei, length = data[pos], data[pos + 1]
        name, fields = ELEMENTS.get((iei, length), ("other%02X" % iei, ()))
        value = data[pos + 2:pos + 2 + length]
        for i, field in enumerate(fields):
            wide = i + 1 < len(fields) and fields[i + 1] is None   # this octet and the next
            if field:
                out[name + "." + field] = value[i] * 256 + value[i + 1] if wide else value[i]
        pos += 2 + length
    text = sms["Text"]
    if isinstance(text, bytes):
        out["data"] = binascii.hexlify(text).decode().upper()
    else:
        out.update({"text": text, "length": sms["Length"]})
    return out


def main():
    out = []
    for line in filter(None, (l.strip() for l in sys.stdin)):
        try:
            out.append(decode(line))
        except Exception as exc:  # a PDU gammu refuses is a finding, not a crash
            out.append({"error": str(exc)})
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
