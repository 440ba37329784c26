// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated phone without a pseudo-terminal: its scenario files, its PDU reader and its
// answers, byte for byte.
#include "pduinfo.h"
#include "scenario.h"
#include "simulatedphone.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace phonesim;
using namespace Qt::StringLiterals;
using Bytes = QByteArray;

namespace {

// SIM book 1..30 with one entry, phone book 1..10 with one, address book 1..50 with a
// contact of three numbers, room for three messages in the phone with one stored.
const char kBase[] = R"({
  "identity": {"manufacturer": "ACME", "model": "X1", "revision": "21"},
  "serviceCentre": {"number": "+123456789012"},
  "simPhonebook": {"size": 30, "entries": [{"index": 1, "number": "+3912345", "name": "Anna"}]},
  "phonePhonebook": {"size": 10, "entries": [{"index": 3, "number": "0551234", "name": "Bob"}]},
  "addressBook": {"first": 1, "last": 50, "contacts": [{"index": 4, "name": "Carla", "numbers": [
      {"category": 0, "number": "+3901"}, {"category": 2, "number": "+3902"},
      {"category": 3, "number": "03"}]}]},
  "messages": {"phoneCapacity": 3, "simCapacity": 2, "stored": [{"index": 1, "status": 0,
      "pdu": "0791214365870921040B912143658709F100006221504103500005E8329BFD06"}]}
})";
const Bytes kDeliver = "0791214365870921040B912143658709F100006221504103500005E8329BFD06";
const Bytes kHello = "0011000B919333193254F60000AA05E8329BFD06";            // 19 TPDU octets
const Bytes kReport = "0006070C91933319325476523001010000405230010110034000"; // 25 TPDU octets
const Bytes kConcat = "0051000B919333193254F60000AA0C050003170302EE6F399B0C"; // 25
const Bytes kOk = "\r\n\r\nOK\r\n";   // after information text
const Bytes k304 = "\r\n+CMS ERROR: 304\r\n";

// The base scenario with top-level sections replaced.
Scenario Make(const Bytes &overrides = {})
{
    QJsonObject base = QJsonDocument::fromJson(kBase).object();
    const QJsonObject o = QJsonDocument::fromJson(overrides).object();
    for (auto it = o.begin(); it != o.end(); ++it)
        base[it.key()] = it.value();
    QString error;
    const auto s = ParseScenario(QJsonDocument(base).toJson(), &error);
    if (!s)
        qFatal("bad test scenario: %s", qPrintable(error));
    return *s;
}
Bytes Joined(const QList<OutputChunk> &chunks)
{
    Bytes all;
    for (const OutputChunk &c : chunks)
        all += c.data;
    return all;
}
Bytes Say(SimulatedPhone &phone, const Bytes &bytes) { return Joined(phone.receive(bytes)); }

// A message written in PDU mode, and what the phone echoes and answers up to its reply.
Bytes Put(const Bytes &command, const Bytes &pdu) { return command + '\r' + pdu + '\x1a'; }
Bytes Echo(const Bytes &command, const Bytes &pdu) { return command + "\r\r\n> " + pdu; }
Bytes Fault(const Bytes &rule) { return R"({"faults": {"errors": [{)" + rule + "}]}}"; }

void Row(const char *name, const Bytes &in, const Bytes &out, const Bytes &scenario = {})
{ QTest::newRow(name) << scenario << in << out; }
} // namespace

class TestSimulatedPhone : public QObject
{
    Q_OBJECT
private slots:
    // Absurd numbers are refused with their path instead of overflowing or looping.
    void badScenariosAreRefused_data()
    {
        QTest::addColumn<Bytes>("json");
        QTest::addColumn<Bytes>("reason");
        const QString cpbr = u"{\"timing\": {\"commandLatencyMs\": {\"%1\": %2}}}"_s;
        const struct { const char *name; Bytes json; const char *reason; } rows[] = {
            {"not-json", "{", "not a JSON object"},
            {"misspelt", R"({"timing": {"latency": 50}})", "key \"latency\""},
            {"position-outside",
             R"({"simPhonebook": {"size": 5, "entries": [{"index": 6, "number": "1"}]}})",
             "outside 1..5"},
            {"message-outside",
             R"({"messages": {"phoneCapacity": 2, "stored": [{"index": 3, "pdu": "00"}]}})",
             "outside 1..2"},
            {"no-command", Fault(R"("occurrence": 1)"), "a command"},
            {"latency-too-long", cpbr.arg(u"AT+CPBR", u"60001").toUtf8(), "commandLatencyMs"},
            {"latency-not-a-command", cpbr.arg(u"CPBR", u"5").toUtf8(), "\"CPBR\""},
            {"latency-fraction", cpbr.arg(u"AT+CPBR", u"0.5").toUtf8(), "whole milliseconds"},
            {"latency-huge", cpbr.arg(u"AT+CPBR", u"1e300").toUtf8(), "whole milliseconds"},
            {"empty-read-misspelt", R"({"addressBook": {"emptyRead": "notfound"}})",
             "addressBook: emptyRead"},
            {"silent-1e300", R"({"timing": {"silentSeconds": 1e300}})",
             "timing.silentSeconds must be a number from 0 to 3600, not 1e+300"},
            {"silent-negative", R"({"timing": {"silentSeconds": -1}})", "timing.silentSeconds"},
            {"capacity-int-max", R"({"messages": {"phoneCapacity": 2147483647}})",
             "messages.phoneCapacity must be a whole number from 0 to 1000"},
            {"sim-capacity-1001", R"({"messages": {"simCapacity": 1001}})", "messages.simCapacity"},
            {"phonebook-size-huge", R"({"simPhonebook": {"size": 1e9}})", "simPhonebook.size"},
            {"latency-a-day", R"({"timing": {"latencyMs": 86400000}})", "timing.latencyMs"},
            {"jitter-int-max", R"({"timing": {"jitterMs": 2147483647}})", "timing.jitterMs"},
            {"chunks-fraction", R"({"timing": {"chunks": 2.5}})", "timing.chunks must be a whole"},
            {"latency-as-text", R"({"timing": {"latencyMs": "50"}})", "not \"50\""},
            {"cmee-3", R"({"cmee": 3})", "cmee"},
            {"drop-negative", R"({"faults": {"dropAfterCommands": -1}})", "dropAfterCommands"},
            {"occurrence-huge", Fault(R"("command": "AT", "occurrence": 1e12)"),
             "faults.errors[0].occurrence"},
            {"entry-type-300", R"({"phonePhonebook": {"entries": [{"type": 300, "number": "1"}]}})",
             "phonePhonebook.entries[0].type"},
            {"category-256", R"({"addressBook": {"contacts": [{"numbers": [{"category": 0},
                {"category": 256}]}]}})",
             "addressBook.contacts[0].numbers[1].category"},
            {"status-7", R"({"messages": {"stored": [{"status": 7, "pdu": "00"}]}})",
             "messages.stored[0].status"},
            {"book-ends-first", R"({"addressBook": {"first": 50, "last": 10}})",
             "first must not be after last"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.json << Bytes(r.reason);
    }
    void badScenariosAreRefused()
    {
        QFETCH(Bytes, json);
        QFETCH(Bytes, reason);
        QString error;
        QVERIFY(!ParseScenario(json, &error));
        QVERIFY2(error.toUtf8().contains(reason), qPrintable(error));
    }

    // Empty, service centre or address past the end, no first octet, a status report, an
    // address too long, no length, a trailing octet, too many septets, odd UCS2, a cut header,
    // a status report without its status.
    void pduReader()
    {
        for (const Bytes &pdu : {Bytes(), Bytes("0891"), Bytes("0011000B9193"), Bytes("00"),
                                 Bytes("0002"), Bytes("001100FF91"), Bytes("0011000381214300F0AA"),
                                 kHello + "00", "00110003812143F000AAA1" + Bytes(282, '0'),
                                 Bytes("0011000381214300080003039B00"),
                                 Bytes("0051000381214300F4AA0201050"), kReport.chopped(2)}) {
            const PduInfo p = DecodePdu(pdu);
            QVERIFY2(!p.ok && !p.error.isEmpty(), pdu.constData());
        }
        // A status report as phones keep it: reference, recipient, two time stamps, status.
        const PduInfo p = DecodePdu(kReport);
        QVERIFY2(p.ok, qPrintable(p.error));
        QCOMPARE(u"%1|%2|%3|%4|%5"_s.arg(p.messageReference)
                     .arg(p.address, p.timestamp, p.dischargeTime).arg(p.status),
                 u"7|+393391234567|25/03/10 10:00:00+04|25/03/10 10:01:30+04|0"_s);
        QCOMPARE(p.toJson()[u"type"].toString(), u"SMS-STATUS-REPORT"_s);
        const QString text = u"@£$¥èéùìòÇØøÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./09:;<=>?"
                             "¡AZÄÖÑÜ§¿azäöñüà^{}\\[~]|€\f"_s;
        QCOMPARE(GsmToUnicode(UnicodeToGsm(text)), text);
        QCOMPARE(UnicodeToGsm(u"\u4E2D\u20AC"_s), Bytes("?\x1B\x65"));
    }

    void repliesAreFramedByteForByte_data()
    {
        QTest::addColumn<Bytes>("scenario");
        QTest::addColumn<Bytes>("in");
        QTest::addColumn<Bytes>("out");
        // The program cuts by position: information text from 11, a "=?" range from 21.
        Row("model", "AT+CGMM\r", "AT+CGMM\r\r\nX1" + kOk);
        Row("sim-range", "AT+CPBR=?\r", "AT+CPBR=?\r\r\n+CPBR: (1-30),40,16" + kOk);
        Row("storage-mt-refused", "AT+CPMS=MT\r", "AT+CPMS=MT\r\r\nERROR\r\n",
            R"({"messages": {"combinedStorage": false}})");
        Row("address-book-range", "AT^SDBR=?\r", "AT^SDBR=?\r\r\n^SDBR: (1-50),20,14" + kOk);
        Row("no-book", "AT^SDBR=?\r", "AT^SDBR=?\r\r\nERROR\r\n", R"({"addressBook": null})");
        Row("address-book-contact", "AT^SDBR=4\r",
            "AT^SDBR=4\r\r\n^SDBR: 0,\"+3901\",145,\"Carla\"\r\n"
            "^SDBR: 2,\"+3902\",145,\"Carla\"\r\n^SDBR: 3,\"03\",129,\"Carla\"" + kOk);
        Row("address-book-outside", "AT^SDBR=51\r", "AT^SDBR=51\r\r\n+CME ERROR: 21\r\n");
        Row("sim-entry", "AT+CPBR=1\r", "AT+CPBR=1\r\r\n+CPBR: 1,\"+3912345\",145,\"Anna\"" + kOk);
        Row("sim-empty", "AT+CPBR=2\r", "AT+CPBR=2\r\r\nOK\r\n");
        Row("sim-outside", "AT+CPBR=31\r", "AT+CPBR=31\r\r\n+CME ERROR: 21\r\n");
        Row("sim-outside-plain", "AT+CPBR=31\r", "AT+CPBR=31\r\r\nERROR\r\n", R"({"cmee": 0})");
        Row("sim-empty-not-found", "AT+CPBR=2\rAT+CPBR=2,3\r",
            "AT+CPBR=2\r\r\n+CME ERROR: 22\r\nAT+CPBR=2,3\r\r\n+CME ERROR: 22\r\n",
            R"({"simPhonebook": {"size": 30, "emptyRead": "notFound"}})");
        Row("address-book-empty-verbose", "AT+CMEE=2\rAT^SDBR=5\r",
            "AT+CMEE=2\r\r\nOK\r\nAT^SDBR=5\r\r\n+CME ERROR: not found\r\n",
            R"({"addressBook": {"first": 1, "last": 9, "emptyRead": "notFound"}})");
        Row("position-never-answers", "AT+CPBR=2\rAT+CPBR=1\r",
            "AT+CPBR=2\rAT+CPBR=1\r\r\n+CPBR: 1,\"+3912345\",145,\"Anna\"" + kOk,
            Fault(R"("command": "AT+CPBR=2", "reply": "")"));
        Row("phone-book", "AT+CPBS=ME\rAT+CPBR=1,10\r",
            "AT+CPBS=ME\r\r\nOK\r\nAT+CPBR=1,10\r\r\n+CPBR: 3,\"0551234\",129,\"Bob\"" + kOk);
        Row("service-centre", "AT+CSCA?\r", "AT+CSCA?\r\r\n+CSCA: \"+123456789012\",145" + kOk);
        Row("read-message", "AT+CMGR=1\r", "AT+CMGR=1\r\r\n+CMGR: 0,,24\r\n" + kDeliver + kOk);
        Row("read-empty", "AT+CMGR=2\r", "AT+CMGR=2\r\r\nOK\r\n");
        Row("read-empty-as-error", "AT+CMGR=2\r", "AT+CMGR=2\r\r\n+CMS ERROR: 321\r\n",
            R"({"messages": {"phoneCapacity": 3, "emptyRead": "error"}})");
        Row("read-outside", "AT+CMGR=9\r", "AT+CMGR=9\r\r\n+CMS ERROR: 321\r\n");
        Row("unknown", "AT+FOO\r", "AT+FOO\r\r\nERROR\r\n");
        Row("echo-off-until-reset", "ATE0\rAT\rATZ\rAT\r",
            "ATE0\r\r\nOK\r\n\r\nOK\r\n\r\nOK\r\nAT\r\r\nOK\r\n");
        Row("listing-marks-read", "AT+CMGL=0\rAT+CMGL=0\rAT+CMGL=4\r",
            "AT+CMGL=0\r\r\n+CMGL: 1,0,,24\r\n" + kDeliver + kOk + "AT+CMGL=0\r\r\nOK\r\n"
            "AT+CMGL=4\r\r\n+CMGL: 1,1,,24\r\n" + kDeliver + kOk);
        const Bytes w19 = "AT+CMGW=19", w25 = "AT+CMGW=25,3";
        Row("store-read-delete", Put(w19, kHello) + "AT+CMGR=2\rAT+CMGD=2\rAT+CMGR=2\rAT+CMGD=9\r",
            Echo(w19, kHello) + "\r\n+CMGW: 2" + kOk + "AT+CMGR=2\r\r\n+CMGR: 2,,19\r\n" + kHello
                + kOk + "AT+CMGD=2\r\r\nOK\r\nAT+CMGR=2\r\r\nOK\r\n"
                + "AT+CMGD=9\r\r\n+CMS ERROR: 321\r\n");
        Row("escape-stores-nothing", w19 + '\r' + kHello.left(10) + "\x1b" + "AT+CMGR=2\r",
            Echo(w19, kHello.left(10)) + "\r\nOK\r\nAT+CMGR=2\r\r\nOK\r\n");
        Row("memory-full", Put(w19, kHello) + Put(w19, kHello),
            Echo(w19, kHello) + "\r\n+CMGW: 1" + kOk + Echo(w19, kHello)
                + "\r\n+CMS ERROR: 322\r\n", R"({"messages": {"phoneCapacity": 1}})");
        // Through the combined memory, SIM positions follow the phone's three.
        Row("sim-after-phone",
            "AT+CPMS=\"SM\",\"SM\"\r" + Put(w25, kConcat) + "AT+CPMS=MT\rAT+CMGR=4\r",
            "AT+CPMS=\"SM\",\"SM\"\r\r\n+CPMS: 0,2,0,2,1,3" + kOk + Echo(w25, kConcat)
                + "\r\n+CMGW: 1" + kOk + "AT+CPMS=MT\r\r\n+CPMS: 2,5,1,2,1,3" + kOk
                + "AT+CMGR=4\r\r\n+CMGR: 3,,25\r\n" + kConcat + kOk);
        // Injected errors: at the Nth matching command, parameters included, plain AT alone.
        const Bytes model = "\r\r\nX1" + kOk;
        Row("error-second-model", "AT+CGMM\rAT+CGMI\rAT+CGMM\rAT+CGMM\r",
            "AT+CGMM" + model + "AT+CGMI\r\r\nACME" + kOk + "AT+CGMM\r\r\nERROR\r\nAT+CGMM" + model,
            Fault(R"("command": "AT+CGMM", "occurrence": 2)"));
        Row("error-other-code", "AT+CGMM\rAT+CGMM\r",
            "AT+CGMM\r\r\n+CME ERROR: 10\r\nAT+CGMM" + model,
            Fault(R"("command": "AT+CGMM", "occurrence": 1, "reply": "+CME ERROR: 10")"));
        Row("error-parameters-match", "AT+CPBR=2\rAT+CPBR=?\r",
            "AT+CPBR=2\r\r\nOK\r\nAT+CPBR=?\r\r\nERROR\r\n",
            Fault(R"("command": "AT+CPBR=?", "occurrence": 1)"));
        Row("error-plain-at", "AT+CGMM\rAT\r", "AT+CGMM" + model + "AT\r\r\nERROR\r\n",
            Fault(R"("command": "AT", "occurrence": 1)"));
    }
    void repliesAreFramedByteForByte()
    {
        QFETCH(Bytes, scenario);
        QFETCH(Bytes, in);
        QFETCH(Bytes, out);
        SimulatedPhone phone(Make(scenario));
        QCOMPARE(Say(phone, in), out);
        SimulatedPhone slow(Make(scenario));   // fed byte by byte, as a slow line delivers it
        Bytes got;
        for (char c : in)
            got += Say(slow, Bytes(1, c));
        QCOMPARE(got, out);
    }

    // The echo at once, then the reply: after the general latency (with jitter) in pieces,
    // or after the longest matching per-command latency.
    void timing()
    {
        const Bytes command = "AT^SDBR=4\r";
        SimulatedPhone plain(Make());
        SimulatedPhone phone(Make(R"({"timing": {"latencyMs": 30, "jitterMs": 10, "chunks": 4,
            "chunkGapMs": 7, "seed": 3}})"));
        const QList<OutputChunk> chunks = phone.receive(command);
        QCOMPARE(Joined(chunks), Say(plain, command));
        QCOMPARE(chunks.size(), 5);
        QVERIFY(chunks[0].data == command && chunks[0].delayMs == 0);
        QVERIFY(chunks[1].delayMs >= 30 && chunks[1].delayMs <= 40);
        for (int i = 2; i < chunks.size(); ++i)
            QVERIFY(chunks[i].delayMs == 7 && !chunks[i].data.isEmpty());
        SimulatedPhone perCommand(Make(R"({"timing": {"latencyMs": 5, "commandLatencyMs":
            {"AT+CPBR": 350, "at+cpbr=?": 20, "AT^SDBR=7": 0}}})"));
        const struct { Bytes command; int delay; } rows[] = {
            {"AT\r", 5}, {"AT+CPBR=3\r", 350}, {"AT+CPBR=?\r", 20}, {"AT+CPBS=SM\r", 5},
            {"AT^SDBR=7\r", 0}, {"AT^SDBR=17\r", 5}};
        for (const auto &row : rows) {
            const QList<OutputChunk> c = perCommand.receive(row.command);
            QVERIFY2(c.size() == 2 && c[1].delayMs == row.delay, row.command.constData());
        }
        qint64 now = 0;
        SimulatedPhone silent(Make(R"({"timing": {"silentSeconds": 2.5}})"));
        silent.setClock([&now] { return now; });
        QVERIFY(silent.receive("AT\r").isEmpty());
        now = 2499;
        QVERIFY(silent.receive("AT\r").isEmpty());
        now = 2500;
        QCOMPARE(Say(silent, "AT\r"), Bytes("AT\r\r\nOK\r\n"));
    }

    void lineDropsAfterNCommands()
    {
        SimulatedPhone phone(Make(R"({"faults": {"dropAfterCommands": 3}})"));
        // A line without the AT prefix is not a command; the third is still answered.
        QCOMPARE(Say(phone, "AT\r\rAT+CGMM\r"), "AT\r\r\nOK\r\n\rAT+CGMM\r\r\nX1" + kOk);
        QVERIFY(!phone.lineDropped());
        QCOMPARE(Say(phone, "AT+CGMI\rAT\r"), "AT+CGMI\r\r\nACME" + kOk);
        QVERIFY(phone.lineDropped() && phone.receive("AT\r").isEmpty());
        // A command answered with the prompt counts too: the PDU after it finds no phone.
        SimulatedPhone sending(Make(R"({"faults": {"dropAfterCommands": 2}})"));
        QCOMPARE(Say(sending, "AT\rAT+CMGS=19\r"), Bytes("AT\r\r\nOK\r\nAT+CMGS=19\r\r\n> "));
        QVERIFY(sending.lineDropped() && sending.receive(kHello + '\x1a').isEmpty());
    }

    void submitIsChecked_data()
    {
        QTest::addColumn<Bytes>("command");
        QTest::addColumn<Bytes>("pdu");
        QTest::addColumn<bool>("valid");
        const Bytes s19 = "AT+CMGS=19", s25 = "AT+CMGS=25";
        const struct { const char *name; Bytes command, pdu; bool valid; } rows[] = {
            {"send-ok", s19, kHello, true}, {"lower-case-hex", s19, kHello.toLower(), true},
            {"with-service-centre", s19, "07919333950669F0" + kHello.mid(2), true},
            {"concatenated", s25, kConcat, true},
            {"length-counts-service-centre", "AT+CMGS=20", kHello, false},
            {"not-hex", s19, kHello.chopped(1) + 'G', false},
            {"odd-digits", s19, kHello.chopped(1), false},
            {"user-data-short", "AT+CMGS=18", kHello.chopped(2), false},
            {"deliver-is-not-a-submit", "AT+CMGS=24", kDeliver, false},
            {"report-is-not-a-submit", s25, kReport, false},
            {"header-longer-than-data", s19, "0051" + kHello.mid(4), false},
            {"store-wrong-length", "AT+CMGW=5", kHello, false}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.command << r.pdu << r.valid;
    }
    void submitIsChecked()
    {
        QFETCH(Bytes, command);
        QFETCH(Bytes, pdu);
        QFETCH(bool, valid);
        SimulatedPhone phone(Make());
        QList<QJsonObject> events;
        phone.setEventSink([&events](const QJsonObject &o) { events << o; });
        // The prompt with nothing behind it; the PDU echoed, Ctrl-Z not.
        QCOMPARE(Say(phone, command + '\r'), command + "\r\r\n> ");
        QCOMPARE(Say(phone, pdu + '\x1a'), pdu + (valid ? "\r\n+CMGS: 1" + kOk : k304));
        QCOMPARE(events.size(), 4);   // command, prompt, PDU, reply
        QCOMPARE(events[2][u"type"].toString(), u"pdu"_s);
        QCOMPARE(events[2][u"pdu"].toString().toLatin1(), pdu.toUpper());
        QCOMPARE(events[2][u"valid"].toBool(), valid);
        QCOMPARE(Say(phone, "AT\r"), Bytes("AT\r\r\nOK\r\n"));   // back in command mode
    }
};

QTEST_GUILESS_MAIN(TestSimulatedPhone)
#include "tst_simulatedphone.moc"
