// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated phone's answers, byte for byte, without a pseudo-terminal.
#include "pduinfo.h"
#include "scenario.h"
#include "simulatedphone.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace phonesim;

namespace {

// A small phone: SIM positions 1..30 with two entries, phone book 1..10 with one,
// an address book 1..50 with a contact of three numbers, one stored message.
const char kBaseScenario[] = R"({
  "identity": {"manufacturer": "ACME", "model": "X1", "revision": "21",
               "imei": "350000000000001", "imsi": "222010000000001"},
  "serviceCentre": {"number": "+123456789012"},
  "simPhonebook": {"size": 30, "entries": [
      {"index": 1, "number": "+3912345", "name": "Anna"}]},
  "phonePhonebook": {"size": 10, "entries": [{"index": 3, "number": "0551234", "name": "Bob"}]},
  "addressBook": {"first": 1, "last": 50, "contacts": [
      {"index": 4, "name": "Carla", "numbers": [
          {"category": 0, "number": "+3901"}, {"category": 2, "number": "+3902"},
          {"category": 3, "number": "03"}]}]},
  "messages": {"phoneCapacity": 3, "simCapacity": 2, "stored": [
      {"index": 1, "status": 0,
       "pdu": "0791214365870921040B912143658709F100006221504103500005E8329BFD06"}]}
})";

// The same scenario with one part replaced (a JSON object merged at the top level).
Scenario Make(const QByteArray &overrides = {})
{
    QJsonObject base = QJsonDocument::fromJson(kBaseScenario).object();
    if (!overrides.isEmpty()) {
        const QJsonObject o = QJsonDocument::fromJson(overrides).object();
        for (auto it = o.begin(); it != o.end(); ++it)
            base[it.key()] = it.value();
    }
    QString error;
    const auto s = ParseScenario(QJsonDocument(base).toJson(), &error);
    if (!s)
        qFatal("bad test scenario: %s", qPrintable(error));
    return *s;
}

QByteArray Joined(const QList<OutputChunk> &chunks)
{
    QByteArray all;
    for (const OutputChunk &c : chunks)
        all += c.data;
    return all;
}

QByteArray Say(SimulatedPhone &phone, const QByteArray &bytes)
{
    return Joined(phone.receive(bytes));
}

// 1-based position, as the program counts in what it receives.
QByteArray At(const QByteArray &s, int position, int length)
{
    return s.mid(position - 1, length);
}

const QByteArray kSubmitHello = "0011000B919333193254F60000AA05E8329BFD06"; // 19 TPDU octets
const QByteArray kSubmitConcat = "0051000B919333193254F60000AA0C050003170302EE6F399B0C"; // 25

} // namespace

class TestSimulatedPhone : public QObject
{
    Q_OBJECT
private slots:
    void repliesAreFramedByteForByte_data()
    {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        const QByteArray base;
        QTest::newRow("at") << base << QByteArray("AT\r") << QByteArray("AT\r\r\nOK\r\n");
        QTest::newRow("lower-case-prefix") << base << QByteArray("at\r") << QByteArray("at\r\r\nOK\r\n");
        QTest::newRow("model") << base << QByteArray("AT+CGMM\r")
                               << QByteArray("AT+CGMM\r\r\nX1\r\n\r\nOK\r\n");
        QTest::newRow("imei") << base << QByteArray("AT+GSN\r")
                              << QByteArray("AT+GSN\r\r\n350000000000001\r\n\r\nOK\r\n");
        QTest::newRow("imsi") << base << QByteArray("AT+CIMI\r")
                              << QByteArray("AT+CIMI\r\r\n222010000000001\r\n\r\nOK\r\n");
        QTest::newRow("storage-mt") << base << QByteArray("AT+CPMS=MT\r")
                                    << QByteArray("AT+CPMS=MT\r\r\n+CPMS: 1,5,1,3,1,3\r\n\r\nOK\r\n");
        QTest::newRow("storage-mt-refused")
            << QByteArray(R"({"messages": {"combinedStorage": false}})")
            << QByteArray("AT+CPMS=MT\r") << QByteArray("AT+CPMS=MT\r\r\nERROR\r\n");
        QTest::newRow("address-book-range") << base << QByteArray("AT^SDBR=?\r")
                                            << QByteArray("AT^SDBR=?\r\r\n^SDBR: (1-50),20,14\r\n\r\nOK\r\n");
        QTest::newRow("no-address-book") << QByteArray(R"({"addressBook": null})")
                                         << QByteArray("AT^SDBR=?\r")
                                         << QByteArray("AT^SDBR=?\r\r\nERROR\r\n");
        QTest::newRow("address-book-contact")
            << base << QByteArray("AT^SDBR=4\r")
            << QByteArray("AT^SDBR=4\r\r\n^SDBR: 0,\"+3901\",145,\"Carla\"\r\n"
                          "^SDBR: 2,\"+3902\",145,\"Carla\"\r\n^SDBR: 3,\"03\",129,\"Carla\"\r\n"
                          "\r\nOK\r\n");
        QTest::newRow("address-book-empty") << base << QByteArray("AT^SDBR=5\r")
                                            << QByteArray("AT^SDBR=5\r\r\nOK\r\n");
        QTest::newRow("address-book-outside") << base << QByteArray("AT^SDBR=51\r")
                                              << QByteArray("AT^SDBR=51\r\r\n+CME ERROR: 21\r\n");
        QTest::newRow("select-sim") << base << QByteArray("AT+CPBS=SM\r")
                                    << QByteArray("AT+CPBS=SM\r\r\nOK\r\n");
        QTest::newRow("sim-range") << base << QByteArray("AT+CPBR=?\r")
                                   << QByteArray("AT+CPBR=?\r\r\n+CPBR: (1-30),40,16\r\n\r\nOK\r\n");
        QTest::newRow("sim-entry") << base << QByteArray("AT+CPBR=1\r")
                                   << QByteArray("AT+CPBR=1\r\r\n+CPBR: 1,\"+3912345\",145,\"Anna\"\r\n\r\nOK\r\n");
        QTest::newRow("sim-empty") << base << QByteArray("AT+CPBR=2\r")
                                   << QByteArray("AT+CPBR=2\r\r\nOK\r\n");
        QTest::newRow("sim-outside") << base << QByteArray("AT+CPBR=31\r")
                                     << QByteArray("AT+CPBR=31\r\r\n+CME ERROR: 21\r\n");
        QTest::newRow("sim-zero") << base << QByteArray("AT+CPBR=0\r")
                                  << QByteArray("AT+CPBR=0\r\r\n+CME ERROR: 21\r\n");
        QTest::newRow("sim-outside-plain-error") << QByteArray(R"({"cmee": 0})")
                                                 << QByteArray("AT+CPBR=31\r")
                                                 << QByteArray("AT+CPBR=31\r\r\nERROR\r\n");
        QTest::newRow("phone-book")
            << base << QByteArray("AT+CPBS=ME\rAT+CPBR=?\rAT+CPBR=1,10\r")
            << QByteArray("AT+CPBS=ME\r\r\nOK\r\nAT+CPBR=?\r\r\n+CPBR: (1-10),40,16\r\n\r\nOK\r\n"
                          "AT+CPBR=1,10\r\r\n+CPBR: 3,\"0551234\",129,\"Bob\"\r\n\r\nOK\r\n");
        QTest::newRow("service-centre") << base << QByteArray("AT+CSCA?\r")
                                        << QByteArray("AT+CSCA?\r\r\n+CSCA: \"+123456789012\",145\r\n\r\nOK\r\n");
        QTest::newRow("read-message")
            << base << QByteArray("AT+CMGR=1\r")
            << QByteArray("AT+CMGR=1\r\r\n+CMGR: 0,,24\r\n"
                          "0791214365870921040B912143658709F100006221504103500005E8329BFD06\r\n"
                          "\r\nOK\r\n");
        QTest::newRow("read-empty") << base << QByteArray("AT+CMGR=2\r")
                                    << QByteArray("AT+CMGR=2\r\r\nOK\r\n");
        QTest::newRow("read-empty-as-error")
            << QByteArray(R"({"messages": {"phoneCapacity": 3, "emptyRead": "error"}})")
            << QByteArray("AT+CMGR=2\r") << QByteArray("AT+CMGR=2\r\r\n+CMS ERROR: 321\r\n");
        QTest::newRow("read-outside") << base << QByteArray("AT+CMGR=9\r")
                                      << QByteArray("AT+CMGR=9\r\r\n+CMS ERROR: 321\r\n");
        QTest::newRow("unknown") << base << QByteArray("AT+FOO\r")
                                 << QByteArray("AT+FOO\r\r\nERROR\r\n");
        QTest::newRow("echo-off") << base << QByteArray("ATE0\rAT\r")
                                  << QByteArray("ATE0\r\r\nOK\r\n\r\nOK\r\n");
        QTest::newRow("reset-restores-echo") << base << QByteArray("ATE0\rATZ\rAT\r")
                                             << QByteArray("ATE0\r\r\nOK\r\n\r\nOK\r\nAT\r\r\nOK\r\n");
        QTest::newRow("compound-line") << base << QByteArray("AT+CMEE=1;+CGMI\r")
                                       << QByteArray("AT+CMEE=1;+CGMI\r\r\nACME\r\n\r\nOK\r\n");
        QTest::newRow("pdu-mode-only") << base << QByteArray("AT+CMGF?\rAT+CMGF=1\r")
                                       << QByteArray("AT+CMGF?\r\r\n+CMGF: 0\r\n\r\nOK\r\n"
                                                     "AT+CMGF=1\r\r\nERROR\r\n");
        QTest::newRow("no-at-prefix-no-answer") << base << QByteArray("\x1b\r")
                                                << QByteArray("\x1b\r");
    }
    void repliesAreFramedByteForByte()
    {
        QFETCH(QByteArray, scenario);
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        SimulatedPhone phone(Make(scenario));
        QCOMPARE(Say(phone, in), out);
    }

    // The program cuts its fields out of what it receives by position.
    void informationStandsWhereTheProgramLooks()
    {
        SimulatedPhone phone(Make());
        const QByteArray model = Say(phone, "AT+CGMM\r");
        QCOMPARE(At(model, 11, 2), QByteArray("X1"));
        QCOMPARE(At(model, 13, 1), QByteArray("\r"));
        QCOMPARE(At(Say(phone, "AT+GSN\r"), 10, 15), QByteArray("350000000000001"));
        QCOMPARE(At(Say(phone, "AT+CGMR\r"), 11, 2), QByteArray("21"));
        QCOMPARE(At(Say(phone, "AT^SDBR=?\r"), 21, 4), QByteArray("1-50"));
        QCOMPARE(At(Say(phone, "AT+CPBR=?\r"), 21, 4), QByteArray("1-30"));
        QCOMPARE(At(Say(phone, "AT+CPBR=1\r"), 20, 2), QByteArray("1,"));
        QCOMPARE(At(Say(phone, "AT^SDBR=4\r"), 20, 2), QByteArray("0,"));
        // The tail tests: "OK" two characters before the end, "ERROR" six before it.
        const QByteArray ok = Say(phone, "AT\r");
        QCOMPARE(ok.right(4), QByteArray("OK\r\n"));
        const QByteArray error = Say(phone, "AT+FOO\r");
        QCOMPARE(error.mid(error.size() - 7, 5), QByteArray("ERROR"));
        const QByteArray prompt = Say(phone, "AT+CMGS=19\r");
        QCOMPARE(prompt.right(2), QByteArray("> "));
    }

    void inputInPiecesGivesTheSameBytes()
    {
        SimulatedPhone whole(Make());
        SimulatedPhone pieces(Make());
        const QByteArray line = "AT+CPBR=1\rAT+CMGS=19\r" + kSubmitHello + "\x1a";
        const QByteArray expected = Say(whole, line);
        QByteArray got;
        for (char c : line)
            got += Say(pieces, QByteArray(1, c));
        QCOMPARE(got, expected);
        // A backspace takes back the character before it, as on a terminal.
        SimulatedPhone typed(Make());
        QCOMPARE(Say(typed, "AT+CGMX\bM\r"), QByteArray("AT+CGMX\bM\r\r\nX1\r\n\r\nOK\r\n"));
    }

    void chunkedRepliesReassemble_data()
    {
        QTest::addColumn<int>("seed");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("model-seed-1") << 1 << QByteArray("AT+CGMM\r");
        QTest::newRow("model-seed-2") << 2 << QByteArray("AT+CGMM\r");
        QTest::newRow("address-book-seed-3") << 3 << QByteArray("AT^SDBR=4\r");
        QTest::newRow("message-seed-4") << 4 << QByteArray("AT+CMGR=1\r");
        QTest::newRow("short-reply-seed-5") << 5 << QByteArray("AT\r");
    }
    void chunkedRepliesReassemble()
    {
        QFETCH(int, seed);
        QFETCH(QByteArray, command);
        SimulatedPhone plain(Make());
        const QByteArray expected = Say(plain, command);

        SimulatedPhone phone(Make(QStringLiteral(R"({"timing": {"latencyMs": 30, "jitterMs": 10,
            "chunks": 4, "chunkGapMs": 7, "seed": %1}})").arg(seed).toLatin1()));
        const QList<OutputChunk> chunks = phone.receive(command);
        QCOMPARE(Joined(chunks), expected);
        QCOMPARE(chunks.size(), 5); // the echo at once, then the reply in four pieces
        QCOMPARE(chunks[0].data, command);
        QCOMPARE(chunks[0].delayMs, 0);
        QVERIFY2(chunks[1].delayMs >= 30 && chunks[1].delayMs <= 40,
                 qPrintable(QString::number(chunks[1].delayMs)));
        for (int i = 2; i < chunks.size(); ++i) {
            QCOMPARE(chunks[i].delayMs, 7);
            QVERIFY(!chunks[i].data.isEmpty());
        }
    }

    void errorIsInjectedAtTheNthOccurrence_data()
    {
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<QByteArrayList>("commands");
        QTest::addColumn<QByteArrayList>("finals");
        QTest::newRow("second-model")
            << QByteArray(R"({"command": "AT+CGMM", "occurrence": 2})")
            << QByteArrayList{"AT+CGMM", "AT+CGMI", "AT+CGMM", "AT+CGMM"}
            << QByteArrayList{"OK", "OK", "ERROR", "OK"};
        QTest::newRow("other-result-code")
            << QByteArray(R"({"command": "AT+CPBR", "occurrence": 1, "reply": "+CME ERROR: 10"})")
            << QByteArrayList{"AT+CPBR=1", "AT+CPBR=1"}
            << QByteArrayList{"+CME ERROR: 10", "OK"};
        QTest::newRow("parameters-must-match")
            << QByteArray(R"({"command": "AT+CPBR=?", "occurrence": 1})")
            << QByteArrayList{"AT+CPBR=1", "AT+CPBR=?", "AT+CPBR=?"}
            << QByteArrayList{"OK", "ERROR", "OK"};
        QTest::newRow("plain-at-only")
            << QByteArray(R"({"command": "AT", "occurrence": 2})")
            << QByteArrayList{"AT", "AT+CGMM", "AT", "AT"}
            << QByteArrayList{"OK", "OK", "ERROR", "OK"};
        QTest::newRow("storage-probe")
            << QByteArray(R"({"command": "AT+CPMS", "occurrence": 1})")
            << QByteArrayList{"AT+CPMS=MT", "AT+CPMS=MT"}
            << QByteArrayList{"ERROR", "OK"};
    }
    void errorIsInjectedAtTheNthOccurrence()
    {
        QFETCH(QByteArray, rule);
        QFETCH(QByteArrayList, commands);
        QFETCH(QByteArrayList, finals);
        SimulatedPhone phone(Make(R"({"faults": {"errors": [)" + rule + "]}}"));
        for (int i = 0; i < commands.size(); ++i) {
            const QByteArray out = Say(phone, commands[i] + '\r');
            QVERIFY2(out.endsWith("\r\n" + finals[i] + "\r\n"),
                     qPrintable(QStringLiteral("%1 -> %2").arg(QString::fromLatin1(commands[i]),
                                                               QString::fromLatin1(out))));
        }
    }

    void silentAtFirst()
    {
        qint64 now = 0;
        SimulatedPhone phone(Make(R"({"timing": {"silentSeconds": 2.5}})"));
        phone.setClock([&now] { return now; });
        QList<QJsonObject> events;
        phone.setEventSink([&events](const QJsonObject &o) { events.append(o); });
        QVERIFY(phone.receive("AT\r").isEmpty());
        now = 2499;
        QVERIFY(phone.receive("AT\r").isEmpty());
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0][u"type"].toString(), QStringLiteral("ignored"));
        now = 2500;
        QCOMPARE(Say(phone, "AT\r"), QByteArray("AT\r\r\nOK\r\n"));
    }

    void lineDropsAfterNCommands()
    {
        SimulatedPhone phone(Make(R"({"faults": {"dropAfterCommands": 3}})"));
        QCOMPARE(Say(phone, "AT\r"), QByteArray("AT\r\r\nOK\r\n"));
        // Lines without the AT prefix are not commands.
        QCOMPARE(Say(phone, "\r"), QByteArray("\r"));
        QCOMPARE(Say(phone, "AT+CGMM\r"), QByteArray("AT+CGMM\r\r\nX1\r\n\r\nOK\r\n"));
        QVERIFY(!phone.lineDropped());
        // The third command is still answered; the line drops behind it.
        QCOMPARE(Say(phone, "AT+CGMI\rAT\r"), QByteArray("AT+CGMI\r\r\nACME\r\n\r\nOK\r\n"));
        QVERIFY(phone.lineDropped());
        QVERIFY(phone.receive("AT\r").isEmpty());
    }

    void submitIsChecked_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("pdu");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("send-ok") << QByteArray("AT+CMGS=19") << kSubmitHello
                                 << QByteArray("\r\n+CMGS: 1\r\n\r\nOK\r\n");
        QTest::newRow("send-lower-case-hex") << QByteArray("AT+CMGS=19") << kSubmitHello.toLower()
                                             << QByteArray("\r\n+CMGS: 1\r\n\r\nOK\r\n");
        QTest::newRow("send-with-service-centre")
            << QByteArray("AT+CMGS=19") << QByteArray("07919333950669F0") + kSubmitHello.mid(2)
            << QByteArray("\r\n+CMGS: 1\r\n\r\nOK\r\n");
        QTest::newRow("send-concatenated") << QByteArray("AT+CMGS=25") << kSubmitConcat
                                           << QByteArray("\r\n+CMGS: 1\r\n\r\nOK\r\n");
        QTest::newRow("length-counts-service-centre")
            << QByteArray("AT+CMGS=20") << kSubmitHello << QByteArray("\r\n+CMS ERROR: 304\r\n");
        QTest::newRow("length-too-short") << QByteArray("AT+CMGS=18") << kSubmitHello
                                          << QByteArray("\r\n+CMS ERROR: 304\r\n");
        QTest::newRow("not-hex") << QByteArray("AT+CMGS=19")
                                 << QByteArray("0011000B919333193254F60000AA05E8329BFD0G")
                                 << QByteArray("\r\n+CMS ERROR: 304\r\n");
        QTest::newRow("odd-digits") << QByteArray("AT+CMGS=19") << kSubmitHello.chopped(1)
                                    << QByteArray("\r\n+CMS ERROR: 304\r\n");
        QTest::newRow("user-data-short")
            << QByteArray("AT+CMGS=18") << QByteArray("0011000B919333193254F60000AA05E8329BFD")
            << QByteArray("\r\n+CMS ERROR: 304\r\n");
        QTest::newRow("deliver-is-not-a-submit")
            << QByteArray("AT+CMGS=24")
            << QByteArray("0791214365870921040B912143658709F100006221504103500005E8329BFD06")
            << QByteArray("\r\n+CMS ERROR: 304\r\n");
        QTest::newRow("header-longer-than-data")
            << QByteArray("AT+CMGS=19") << QByteArray("0051000B919333193254F60000AA05E8329BFD06")
            << QByteArray("\r\n+CMS ERROR: 304\r\n");
        QTest::newRow("store-ok") << QByteArray("AT+CMGW=19") << kSubmitHello
                                  << QByteArray("\r\n+CMGW: 2\r\n\r\nOK\r\n");
        QTest::newRow("store-wrong-length") << QByteArray("AT+CMGW=5") << kSubmitHello
                                            << QByteArray("\r\n+CMS ERROR: 304\r\n");
    }
    void submitIsChecked()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, pdu);
        QFETCH(QByteArray, reply);
        SimulatedPhone phone(Make());
        QList<QJsonObject> events;
        phone.setEventSink([&events](const QJsonObject &o) { events.append(o); });
        QCOMPARE(Say(phone, command + '\r'), command + "\r\r\n> ");
        // The PDU is echoed as typed; Ctrl-Z is not.
        QCOMPARE(Say(phone, pdu + '\x1a'), pdu + reply);
        bool logged = false;
        for (const QJsonObject &e : events) {
            if (e[u"type"].toString() == u"pdu") {
                logged = true;
                QCOMPARE(e[u"pdu"].toString().toLatin1(), pdu.toUpper());
                QCOMPARE(e[u"valid"].toBool(), !reply.contains("ERROR"));
            }
        }
        QVERIFY(logged);
        // Back in command mode either way.
        QCOMPARE(Say(phone, "AT\r"), QByteArray("AT\r\r\nOK\r\n"));
    }

    void escapeCancelsTheMessage()
    {
        SimulatedPhone phone(Make());
        Say(phone, "AT+CMGW=19\r");
        QCOMPARE(Say(phone, kSubmitHello.left(10) + '\x1b'), kSubmitHello.left(10) + "\r\nOK\r\n");
        QCOMPARE(Say(phone, "AT+CMGR=2\r"), QByteArray("AT+CMGR=2\r\r\nOK\r\n"));
    }

    void storedMessageRoundTrip()
    {
        SimulatedPhone phone(Make());
        QCOMPARE(Say(phone, "AT+CPMS=MT\r"),
                 QByteArray("AT+CPMS=MT\r\r\n+CPMS: 1,5,1,3,1,3\r\n\r\nOK\r\n"));
        Say(phone, "AT+CMGW=19\r");
        QVERIFY(Say(phone, kSubmitHello + '\x1a').endsWith("\r\n+CMGW: 2\r\n\r\nOK\r\n"));
        QCOMPARE(Say(phone, "AT+CMGR=2\r"),
                 "AT+CMGR=2\r\r\n+CMGR: 2,,19\r\n" + kSubmitHello + "\r\n\r\nOK\r\n");
        QCOMPARE(Say(phone, "AT+CMGD=2\r"), QByteArray("AT+CMGD=2\r\r\nOK\r\n"));
        QCOMPARE(Say(phone, "AT+CMGR=2\r"), QByteArray("AT+CMGR=2\r\r\nOK\r\n"));
        QCOMPARE(Say(phone, "AT+CMGD=9\r"), QByteArray("AT+CMGD=9\r\r\n+CMS ERROR: 321\r\n"));

        // The phone memory holds three: two more fit, then it is full.
        for (const QByteArray &expected : {QByteArray("+CMGW: 2"), QByteArray("+CMGW: 3")}) {
            Say(phone, "AT+CMGW=19\r");
            QVERIFY(Say(phone, kSubmitHello + '\x1a').contains(expected));
        }
        Say(phone, "AT+CMGW=19\r");
        QVERIFY(Say(phone, kSubmitHello + '\x1a').endsWith("\r\n+CMS ERROR: 322\r\n"));

        // Through the combined memory, SIM positions follow the phone's.
        QCOMPARE(Say(phone, "AT+CPMS=\"SM\",\"SM\"\r"),
                 QByteArray("AT+CPMS=\"SM\",\"SM\"\r\r\n+CPMS: 0,2,0,2,3,3\r\n\r\nOK\r\n"));
        Say(phone, "AT+CMGW=25,3\r");
        QVERIFY(Say(phone, kSubmitConcat + '\x1a').endsWith("+CMGW: 1\r\n\r\nOK\r\n"));
        Say(phone, "AT+CPMS=MT\r");
        QCOMPARE(Say(phone, "AT+CMGR=4\r"),
                 "AT+CMGR=4\r\r\n+CMGR: 3,,25\r\n" + kSubmitConcat + "\r\n\r\nOK\r\n");
    }

    void listingMarksUnreadAsRead()
    {
        SimulatedPhone phone(Make());
        const QByteArray pdu = "0791214365870921040B912143658709F100006221504103500005E8329BFD06";
        QCOMPARE(Say(phone, "AT+CMGL=0\r"),
                 "AT+CMGL=0\r\r\n+CMGL: 1,0,,24\r\n" + pdu + "\r\n\r\nOK\r\n");
        QCOMPARE(Say(phone, "AT+CMGL=0\r"), QByteArray("AT+CMGL=0\r\r\nOK\r\n"));
        QCOMPARE(Say(phone, "AT+CMGL=4\r"),
                 "AT+CMGL=4\r\r\n+CMGL: 1,1,,24\r\n" + pdu + "\r\n\r\nOK\r\n");
    }

    void transcriptDescribesTheSubmit()
    {
        SimulatedPhone phone(Make());
        QList<QJsonObject> events;
        phone.setEventSink([&events](const QJsonObject &o) { events.append(o); });
        Say(phone, "AT+CMGS=25\r" + kSubmitConcat + '\x1a');
        QStringList types;
        for (const QJsonObject &e : events)
            types << e[u"type"].toString();
        QCOMPARE(types, (QStringList{QStringLiteral("command"), QStringLiteral("reply"),
                                     QStringLiteral("pdu"), QStringLiteral("reply")}));
        QCOMPARE(events[0][u"line"].toString(), QStringLiteral("AT+CMGS=25"));
        QCOMPARE(events[1][u"data"].toString(), QStringLiteral("\r\n> "));
        const QJsonObject d = events[2][u"decoded"].toObject();
        QCOMPARE(d[u"recipient"].toString(), QStringLiteral("+39339123456"));
        QCOMPARE(d[u"flags"].toObject()[u"udhi"].toBool(), true);
        QCOMPARE(d[u"flags"].toObject()[u"validityFormat"].toInt(), 2);
        QCOMPARE(d[u"dcs"].toObject()[u"alphabet"].toString(), QStringLiteral("gsm7"));
        const QJsonObject udh = d[u"udh"].toArray().at(0).toObject();
        QCOMPARE(udh[u"kind"].toString(), QStringLiteral("concatenation"));
        QCOMPARE(udh[u"reference"].toInt(), 0x17);
        QCOMPARE(udh[u"parts"].toInt(), 3);
        QCOMPARE(udh[u"part"].toInt(), 2);
        QCOMPARE(d[u"text"].toString(), QStringLiteral("world"));
        QCOMPARE(events[3][u"data"].toString(), QStringLiteral("\r\n+CMGS: 1\r\n\r\nOK\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSimulatedPhone)
#include "tst_simulatedphone.moc"
