#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the seed corpus of every harness from the replies, files and pictures the tests use.
# Run once after changing a harness's input layout; inputs the fuzzer found stay as they are.
import json
import re
import pathlib
import shutil

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
CORPUS = HERE / "corpus"

# Flag order of fuzz_dispatcher.cpp (kFlags).
FLAGS = ["WaitAtReply", "WaitManufacturer", "WaitModel", "WaitFirmware", "WaitImei", "WaitImsi",
         "WaitMessageStorage", "WaitAddressBookRange", "WaitSimPhonebookRange",
         "WaitPhonePhonebookRange", "WaitServiceCentre", "StoreActive", "SendActive"]
FLAGS += [f"WaitStorePrompt{i}" for i in range(1, 6)] + [f"WaitStoreOk{i}" for i in range(1, 5)]
FLAGS += [f"WaitSendPrompt{i}" for i in range(1, 6)] + [f"WaitSendOk{i}" for i in range(1, 5)]
FLAGS += ["WaitSentOk", "WaitReadReply", "PhonebookDownload", "WaitSimPhonebook",
          "WaitPhonePhonebook", "WaitAddressBook", "PhonebookReplyReady"]


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def framed(command, info=None, result="OK"):
    return command + "\r\r\n" + (info + "\r\n\r\n" if info else "") + result + "\r\n"


def dispatcher(name, flags, stream, sim=2, phone=2, parts=1, options=0, piece=0, seed=1,
               texts=0):
    bits = 0
    for f in flags:
        bits |= 1 << FLAGS.index(f)
    head = bits.to_bytes(5, "little")
    head += bytes([sim | phone << 2 | (parts - 1) << 4, options, piece, seed, texts])
    write("dispatcher", name, head + stream.encode("latin-1"))


SEARCH = (framed("AT") + framed("AT+CGMI", "SIEMENS") + framed("AT+CGMM", "S55")
          + framed("AT+CGMR", "21") + framed("AT+GSN", "351234567890124")
          + framed("AT+CIMI", "222015550123456")
          + framed("AT+CPMS=MT", "+CPMS: 0,35,0,35,0,35")
          + framed("AT^SDBR=?", "^SDBR: (1-100),20,14") + framed("AT+CPBS=SM")
          + framed("AT+CPBR=?", "+CPBR: (1-250),40,16") + framed("AT+CPBS=ME")
          + framed("AT+CPBR=?", "+CPBR: (1-100),40,16"))
NO_STORAGE = (framed("AT") + framed("AT+CGMI", "ACME") + framed("AT+CGMM", "X1")
              + framed("AT+CGMR", "21") + framed("AT+GSN", "350000000000001")
              + framed("AT+CIMI", "222010000000001") + framed("AT+CPMS=MT", result="ERROR")
              + framed("AT^SDBR=?", result="ERROR") + framed("AT+CPBS=SM")
              + framed("AT+CPBR=?", "+CPBR: (1-250"))


def sent(parts, command="AT+CMGS", reply="+CMGS: 12"):
    out = ""
    for k in range(parts):
        out += command + f"={17 + k}\r\r\n> "
        out += f"0011000B919333{k}F00000AA0AC8329BFD06\x1a\r\n{reply}\r\n\r\nOK\r\n"
    return out


dispatcher("search-whole", ["WaitAtReply"], SEARCH, sim=0, phone=0)
dispatcher("search-bytes", ["WaitAtReply"], SEARCH, sim=0, phone=0, piece=1)
dispatcher("search-pieces", ["WaitAtReply"], SEARCH, sim=0, phone=0, piece=16, seed=5)
dispatcher("search-probes-refused", ["WaitAtReply"], NO_STORAGE, sim=0, phone=0, piece=7)
dispatcher("search-error", ["WaitModel"], framed("AT+CGMM", result="ERROR") + framed("AT"),
           options=0x0E, piece=3)
dispatcher("send-one", ["SendActive", "WaitSendPrompt1"], sent(1), texts=1 << 3)
dispatcher("send-three", ["SendActive", "WaitSendPrompt1"], sent(3), parts=3, piece=5,
           texts=2 | 3 << 3)
dispatcher("send-five-bytes", ["SendActive", "WaitSendPrompt1"], sent(5), parts=5, piece=1,
           texts=6 | 5 << 3)
dispatcher("send-refused", ["SendActive", "WaitSendPrompt1"],
           "AT+CMGS=17\r\r\n+CMS ERROR: 304\r\n", options=0x0E)
dispatcher("store-two", ["StoreActive", "WaitStorePrompt1"], sent(2, "AT+CMGW", "+CMGW: 3"),
           parts=2, piece=4)
dispatcher("service-centre", ["WaitServiceCentre"],
           framed("AT+CSCA?", '+CSCA: "+393359609600",145'))
dispatcher("message-read", ["WaitReadReply"],
           framed("AT+CMGR=1", "+CMGR: 1,,23\r\n07919333851805F9040B919333123456F700002"
                  "1101241000000044F79D905"))
dispatcher("phonebook-capture", ["PhonebookDownload", "WaitSimPhonebook"],
           framed("AT+CPBS=SM") + framed("AT+CPBR=1", '+CPBR: 1,"+393391234567",145,"Anna"'),
           piece=9)
dispatcher("address-book-capture", ["WaitAddressBook"],
           framed("AT^SDBR=1", '^SDBR: 2,"+393391234567",145,"Anna"'))
dispatcher("user-actions", [], "AT+CMGS=17\r\r\n> " + "\r\nOK\r\n" * 6 + "> " * 4
           + framed("AT+CSCA?", '+CSCA: "+39335",145') + "\r\nERROR\r\n",
           parts=2, options=0xF0 | 0x0E, piece=6, seed=9)
dispatcher("tails", ["WaitSentOk", "WaitAtReply"],
           "xxOK\r\nxxxOK\r\n\x1a\r\n+CMGS: 12\r\n\r\nOK\r\nAT+CGMM\r\r\n+CMS ERROR: phone\r\n"
           "\r\nOK\r\nAT+CMGS=18\r\r\n+CMS ERROR: ", piece=11, seed=3)

(CORPUS / "bmp").mkdir(parents=True, exist_ok=True)
for bmp in sorted((ROOT / "tests/data/bmp").glob("*.bmp")):
    shutil.copyfile(bmp, CORPUS / "bmp" / bmp.name)

SEVEN = " 1 \r\n9600,n,8,1\r\n 0 \r\n3933\r\nTrue\r\nFalse\r\n\r\n"
for name, text in {
    "settings-full": " 3 \r\n19200,e,7,2\r\n 2 \r\n393359609600\r\nTrue\r\nFalse\r\n\r\n"
                     " 250 \r\n 500 \r\n 30 \r\nTrue\r\n",
    "settings-seven": SEVEN,
    "settings-ten": SEVEN + " 120 \r\n 80 \r\n 25 \r\n",
    "settings-zero-size": SEVEN + " 0 \r\n 80 \r\n-3 \r\nTrue\r\n",
    "settings-lf": " 1 \n9600,n,8,1\n 0 \n\nTrue\nFalse\n\n 10 \n 20 \n 30 \nTrue\n",
    "settings-comma-centre": " 1 \r\n9600,n,8,1\r\n 0 \r\n39,335\r\nTrue\r\nTrue\r\n\r\n",
    "settings-bad": "COM\r\n9600,n\r\nx\r\n123\r\nTrue\r\n",
    "settings-quoted": '" 2 "\r\n"9600",o,7,"1.5"\r\n 3 \r\n"+39 335"\r\nTrue\r\n',
}.items():
    write("files", name, b"\x00" + text.encode("latin-1"))
for name, text in {"sent-count": " 42 \r\n", "sent-bare": "7", "sent-negative": "-5 \r\n",
                   "sent-large": " 99999 \r\n", "sent-text": "abc\r\n"}.items():
    write("files", name, b"\x01" + text.encode("latin-1"))
for name, text in {
    "rubrica": "Anna (+3912345)\r\nBob -Office- (0612345)\r\n",
    "rubrica-comma": "Doe, John (123)\r\n\r\nAnn (work) (555)\r\n",
    "rubrica-quoted": '"Doe, John (123)"\r\n  x(12)3\r\n"open\r\n',
}.items():
    write("files", name, b"\x02" + text.encode("latin-1"))
for name, text in {"operator": "222\r\n01\r\n", "operator-value": '001,"10"\r\n',
                   "operator-one": "2.50\r\n"}.items():
    write("files", name, b"\x03" + text.encode("latin-1"))
write("files", "codepage", b"\x02" + bytes(range(256)))

for name, text in {
    "range-phonebook": framed("AT+CPBR=?", "+CPBR: (1-250),40,16"),
    "range-address-book": framed("AT^SDBR=?", "^SDBR: (1-100),20,14"),
    "range-open": "1|250\r\n\r\nOK\r\n",
    "range-no-dash": framed("AT+CPBR=?", "+CPBR: (250),40,16"),
    "range-large": framed("AT+CPBR=?", "+CPBR: (1-99999999999),40,16"),
    "csca": framed("AT+CSCA?", '+CSCA: "+393359609600",145'),
    "csca-no-plus": framed("AT+CSCA?", '+CSCA: "393359609600",129'),
    "csca-empty": framed("AT+CSCA?", '+CSCA: "",129'),
}.items():
    write("replies", name, text)

SUBMIT = "0011000B911326880736F40000A90548656C6C6F"
for name, (piece, seed, text) in {
    "identity": (0, 1, "AT\rATI\rAT+CGMI\rAT+CGMM\rAT+CGMR\rAT+CGSN\rAT+CIMI\r"),
    "messages": (3, 2, 'AT+CPMS="MT","MT","MT"\rAT+CPMS?\rAT+CMGL=4\rAT+CMGR=1\rAT+CMGD=2\r'),
    "send": (0, 3, "AT+CMGS=19\r" + SUBMIT + "\x1a"),
    "store-bytes": (1, 4, "AT+CMGW=19\r" + SUBMIT + "\x1aAT+CMGW=3\r00\x1b"),
    "phonebooks": (7, 5, 'AT+CPBS="SM"\rAT+CPBR=?\rAT+CPBR=1,10\rAT+CPBS="ME"\rAT+CPBR=1\r'
                         "AT^SDBR=?\rAT^SDBR=1\r"),
    "setup": (2, 6, "ATZ\rATE0\rAT+CMEE=2;+CGMI\rAT+CMGR=99\rATE1\rAT+XX\rA\x08AT\rAT+CSCA?\r"),
}.items():
    write("phonesim", name, bytes([piece, seed]) + text.encode("latin-1"))

demo = (ROOT / "tools/phonesim/scenarios/demo.json").read_bytes()
write("scenario", "demo.json", demo)
write("scenario", "empty.json", "{}")
write("scenario", "small.json", json.dumps({
    "echo": False, "cmee": 2,
    "simPhonebook": {"size": 3, "entries": [{"number": "+39333", "name": "A"}]},
    "addressBook": {"first": 1, "last": 2,
                    "contacts": [{"name": "B", "numbers": [{"category": 2, "number": "0612"}]}]},
    "messages": {"phoneCapacity": 2, "simCapacity": 1, "combinedStorage": False,
                 "emptyRead": "error",
                 "stored": [{"memory": "SM", "status": 0, "pdu": "0011000B911326880736F40000A9"
                             "0548656C6C6F"}]},
    "timing": {"latencyMs": 5, "jitterMs": 2, "chunks": 3, "chunkGapMs": 1, "seed": 4},
    "faults": {"errors": [{"command": "AT+CPBR=?", "occurrence": 1, "reply": "+CME ERROR: 4"}],
               "dropAfterCommands": 12}}))
write("scenario", "no-address-book.json", '{"addressBook": null, "identity": {"model": "Z"}}')


def phonebook(name, stream, options=0, sim=3, phone=2, first=1, last=2, piece=0, seed=1,
              left=0):
    head = bytes([options]) + b"".join(v.to_bytes(2, "little", signed=True)
                                       for v in (sim, phone, first, last))
    write("phonebook", name, head + bytes([piece, seed, left]) + stream.encode("latin-1"))


AB, ECHO, ANSWER = 1, 2, 4
TICKS = 4 << 3   # odds of a timer event: one in two
TURN = 128       # the phone answers in turn
BOOK = [("AT+CPBS=SM", None, "OK"), ("AT+CPBR=1", '+CPBR: 1,"+3912345",145,"Anna"', "OK"),
        ("AT+CPBR=2", None, "OK"), ("AT+CPBR=3", '+CPBR: 3,"+3933311",145,"Doe, John"', "OK"),
        ("AT+CPBS=ME", None, "OK"), ("AT+CPBR=1", '+CPBR: 1,"+39021",145,"Ufficio"', "OK"),
        ("AT+CPBR=2", None, "+CME ERROR: 22"),
        ("AT^SDBR=1", '^SDBR: 0,"+3902",145,"Roberto",0\r\n^SDBR: 1,"+3903",145,"Roberto",0'
                      '\r\n^SDBR: 9,"052",129,"Studio",0', "OK"),
        ("AT^SDBR=2", '^SDBR: 2,"+3946",145,"Laura",0', "OK")]
WITH_ECHO = "".join(framed(*step) for step in BOOK)
WITHOUT_ECHO = "".join(framed(*step)[len(step[0]) + 1:] for step in BOOK)
phonebook("download", WITH_ECHO, AB | TICKS, left=TURN)
phonebook("download-pieces", WITH_ECHO, AB | TICKS, piece=9, seed=3, left=TURN)
phonebook("download-echoed", WITHOUT_ECHO, AB | ECHO | TICKS, piece=5, seed=7, left=TURN)
phonebook("download-free", WITH_ECHO, AB | TICKS, piece=20, seed=5)
phonebook("answered-at-end", "", AB | ANSWER, sim=8, phone=5, first=1, last=6)
phonebook("silent-phone", framed("AT+CPBS=SM"), TICKS, sim=1, phone=1, left=TURN)
phonebook("error-in-sim", framed("AT+CPBS=SM") + framed("AT+CPBR=1", result="ERROR")
          + framed("AT+CPBR=2"), AB | TICKS, left=TURN)
phonebook("late-reply", framed("AT+CPBS=SM") + "\r\n" + framed(*BOOK[1])
          + framed("AT+CPBR=2", '+CPBR: 2,"2",129,"Now"'), TICKS | 2 << 6, piece=3, seed=2,
          left=1 | 9 << 1)
phonebook("line-dropped", WITH_ECHO, AB | ECHO | TICKS | 3 << 6, piece=4, seed=11, left=TURN)
phonebook("address-book-only", framed("AT^SDBR=5", '^SDBR: 0 ,"1",129,"A"\r\n'
                                                   '^SDBR: 03,"2",129,"B"\r\n^SDBR: x'),
          AB | ANSWER | TICKS, sim=0, phone=0, first=5, last=7, left=TURN)
SELECTS = framed("AT+CPBS=SM") + framed("AT+CPBS=ME")
for i, reply in enumerate([
        framed("AT+CPBR=120", '+CPBR: 120,"+39",145,"Doe, John"'),
        "\r\n+CPBR:32767,\"5\",129,\"Ann (work)\"\r\n\r\nOK\r\n",
        framed("AT+CPBR=1", '+CPBR: 1, "123", 129, " Zo\xeb "'),
        framed("AT+CPBR=1", '+CPBR: 12345678901,"1",129,"X"'),
        framed("AT+CPBR=1", '+CPBR: 1,"+39",145,"Anna'),
        "AT+CPBR=1\r\r\n+CPBR: 1,\"+3", "AT+CPBR=2\r\r\nOK\r\nAT+CPBR=3\r\r\nERROR\r\nOK\r",
        "\rOK\n+CME ERROR: 3\r\r\n+CMS ERROR: 500\n\nERROR\r\nOKAY\r\n"]):
    phonebook(f"reply-{i}", SELECTS[:len("AT+CPBS=SM\r\r\nOK\r\n")] + reply, TICKS, sim=1,
              phone=0, left=TURN)
for i, reply in enumerate([
        framed("AT^SDBR=1", '^SDBR: 0,"1",129,"A"\r\n^SDBR: 1,"2,129,B\r\n^SDBR: 2,"3",129,"C"'),
        framed("AT^SDBR=1", '^SDBR: 4,"1",129,"Caf\xe9, Bar"\r\n^SDBR: x,"2",129,"A"'),
        framed("AT^SDBR=1", '^SDBR: 0 "1" 129 "A"'), framed("AT^SDBR=1", result="+CME ERROR: 22")]):
    phonebook(f"address-book-{i}", SELECTS + reply, AB | TICKS, sim=0, phone=0, first=1, last=1,
              left=TURN)

# Stored messages: the tests' PDUs and the demo phone's, as text, as octets and in replies.
PDUS = [bytes.fromhex(m["pdu"]) for m in json.loads(demo)["messages"]["stored"]]
TESTED = re.findall(r'"([0-9A-F]{20,})"((?:\s*"[0-9A-F]+")*)',
                    (ROOT / "tests/browser/tst_lettura.cpp").read_text())
PDUS += [bytes.fromhex(a + "".join(re.findall(r'"([0-9A-F]+)"', b))) for a, b in TESTED]


def lettura(name, body, options=0, entries=()):
    head = bytes([options, len(entries)] + [len(e) for e in entries])
    write("lettura", name, head + "".join(entries).encode("latin-1") + body)


for i, pdu in enumerate(PDUS):
    lettura(f"octets-{i:02}", pdu, 1)
lettura("lines", "\n".join(p.hex().upper() for p in PDUS[:8]).encode(), 0,
        ["Anna Rossi (+393391234567)", "Mamma (0521234567)"])
lettura("parts", "\n".join(p.hex().upper() for p in PDUS[2:4] + PDUS[11:13]).encode(), 4 | 2 << 3)
lettura("part-missing", PDUS[2].hex().upper().encode(), 4 | 64, ["news (INFOBANCA)"])
# 8-bit UTF-8 text: its shorter pieces end inside a character.
lettura("utf8", bytes.fromhex("00040B912143658709F100046221504103500009") + "Caffè è".encode(), 1)
lettura("reply", framed("AT+CMGR=1", "+CMGR: 1,,24\r\n" + PDUS[0].hex().upper()).encode(), 2)
lettura("reply-error", b"AT+CMGR=2\r\r\n+CMS ERROR: 321\r\n", 2)
lettura("reply-echo-off", b"\r\n+CMGR: 0,,24\r\n0011\r\n\r\nOK\r\n", 2)
lettura("garbage", b"ZZ07912143\n0791214365\n 0791214365870921040B912143658709f10000\n", 0,
        ["short (+1234)", "x"])
