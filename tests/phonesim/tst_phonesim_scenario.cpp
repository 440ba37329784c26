// SPDX-License-Identifier: GPL-3.0-or-later
// Scenario files and the PDU reader the simulated phone checks and describes messages with.
#include "pduinfo.h"
#include "scenario.h"

#include <QSet>
#include <QTest>

using namespace phonesim;

class TestPhonesimScenario : public QObject
{
    Q_OBJECT
private slots:
    void demoIsABelievablePhone()
    {
        QString error;
        const auto s = LoadScenario(qEnvironmentVariable("PHONESIM_SCENARIOS")
                                        + QStringLiteral("/demo.json"),
                                    &error);
        QVERIFY2(s, qPrintable(error));
        QCOMPARE(s->sim.entries.size(), 20);
        QVERIFY(s->phone.entries.size() >= 3);
        QVERIFY(s->addressBook.has_value());
        QSet<int> categories;
        int contactsWithSeveralNumbers = 0;
        for (const AddressBookContact &c : s->addressBook->contacts) {
            for (const AddressBookNumber &n : c.numbers)
                categories.insert(n.category);
            contactsWithSeveralNumbers += c.numbers.size() > 1;
        }
        QCOMPARE(categories, (QSet<int>{0, 1, 2, 3}));
        QVERIFY(contactsWithSeveralNumbers >= 2);

        QCOMPARE(s->phoneMessages.messages.size() + s->simMessages.messages.size(), 8);
        QSet<int> statuses;
        QSet<QString> alphabets;
        int alphanumericSenders = 0;
        QList<int> concatenatedParts;
        for (const StoredMessage &m : s->phoneMessages.messages) {
            const PduInfo info = DecodePdu(m.pdu);
            QVERIFY2(info.ok, qPrintable(info.error + QStringLiteral(": ") + QString::fromLatin1(m.pdu)));
            // Received messages are SMS-DELIVER, stored drafts SMS-SUBMIT.
            QCOMPARE(info.mti, m.status <= 1 ? 0 : 1);
            statuses.insert(m.status);
            alphabets.insert(info.alphabet);
            alphanumericSenders += info.alphanumericAddress;
            for (const UdhElement &e : info.udh) {
                if (e.iei == 0)
                    concatenatedParts.append(quint8(e.data.at(2)));
            }
        }
        QVERIFY(statuses.contains(0) && statuses.contains(1) && statuses.contains(2));
        QCOMPARE(alphabets, (QSet<QString>{QStringLiteral("gsm7"), QStringLiteral("8bit"),
                                           QStringLiteral("ucs2")}));
        QCOMPARE(alphanumericSenders, 1);
        QCOMPARE(concatenatedParts, (QList<int>{1, 2}));
    }

    void badScenariosAreRefused_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not-json") << QByteArray("{") << QStringLiteral("not a JSON object");
        QTest::newRow("misspelt-key") << QByteArray(R"({"timing": {"latency": 50}})")
                                      << QStringLiteral("unknown key \"latency\"");
        QTest::newRow("position-outside")
            << QByteArray(R"({"simPhonebook": {"size": 5, "entries": [{"index": 6, "number": "1"}]}})")
            << QStringLiteral("outside 1..5");
        QTest::newRow("message-outside")
            << QByteArray(R"({"messages": {"phoneCapacity": 2, "stored": [{"index": 3, "pdu": "00"}]}})")
            << QStringLiteral("outside 1..2");
        QTest::newRow("injection-without-command")
            << QByteArray(R"({"faults": {"errors": [{"occurrence": 1}]}})")
            << QStringLiteral("a command");
    }
    void badScenariosAreRefused()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!ParseScenario(json, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    void deliverIsDecoded()
    {
        const PduInfo p =
            DecodePdu("0791214365870921040B912143658709F100006221504103500005E8329BFD06");
        QVERIFY2(p.ok, qPrintable(p.error));
        QCOMPARE(p.serviceCentre, QStringLiteral("+123456789012"));
        QCOMPARE(p.serviceCentreOctets, 8);
        QCOMPARE(p.tpduOctets, 24);
        QCOMPARE(p.mti, 0);
        QCOMPARE(p.address, QStringLiteral("+12345678901"));
        QCOMPARE(p.timestamp, QStringLiteral("26/12/05 14:30:05+00"));
        QCOMPARE(p.text, QStringLiteral("hello"));
    }

    void submitFieldsAreDecoded_data()
    {
        QTest::addColumn<QByteArray>("pdu");
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<int>("messageClass");
        QTest::addColumn<bool>("statusReport");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("plain") << QByteArray("0011000B919333193254F60000AA05E8329BFD06")
                               << QStringLiteral("+39339123456") << -1 << false
                               << QStringLiteral("hello") << QByteArray();
        // Flash (class 0) with a status-report request, national number.
        QTest::newRow("flash-report") << QByteArray("00310006812143650010AA05E8329BFD06")
                                      << QStringLiteral("123456") << 0 << true
                                      << QStringLiteral("hello") << QByteArray();
        // Extension characters: escape + code.
        QTest::newRow("euro-brace") << QByteArray("001100048121430000AA049BF20605")
                                    << QStringLiteral("1234") << -1 << false
                                    << QStringLiteral("\u20AC{") << QByteArray();
        QTest::newRow("eight-bit-ports") << QByteArray("0051000481214300F5AA09060504158200000102")
                                         << QStringLiteral("1234") << 1 << false << QString()
                                         << QByteArray("\x01\x02", 2);
        QTest::newRow("ucs2") << QByteArray("001100048121430008AA04039B0041")
                              << QStringLiteral("1234") << -1 << false
                              << QStringLiteral("\u039BA") << QByteArray();
        QTest::newRow("alphanumeric") << QByteArray("0011000AD049B7F92D040000AA0131")
                                      << QStringLiteral("InfoB") << -1 << false
                                      << QStringLiteral("1") << QByteArray();
    }
    void submitFieldsAreDecoded()
    {
        QFETCH(QByteArray, pdu);
        QFETCH(QString, recipient);
        QFETCH(int, messageClass);
        QFETCH(bool, statusReport);
        QFETCH(QString, text);
        QFETCH(QByteArray, data);
        const PduInfo p = DecodePdu(pdu);
        QVERIFY2(p.ok, qPrintable(p.error));
        QCOMPARE(p.mti, 1);
        QCOMPARE(p.address, recipient);
        QCOMPARE(p.messageClass, messageClass);
        QCOMPARE(p.statusReportRequest, statusReport);
        QCOMPARE(p.text, text);
        QCOMPARE(p.data, data);
    }

    void malformedPdusAreRefused_data()
    {
        QTest::addColumn<QByteArray>("pdu");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("service-centre-past-end") << QByteArray("0891");
        QTest::newRow("no-first-octet") << QByteArray("00");
        QTest::newRow("status-report-type") << QByteArray("0002");
        QTest::newRow("address-past-end") << QByteArray("0011000B9193");
        QTest::newRow("address-too-long") << QByteArray("001100FF91");
        QTest::newRow("no-user-data-length") << QByteArray("0011000381214300F0AA");
        QTest::newRow("trailing-octet") << QByteArray("0011000B919333193254F60000AA05E8329BFD0600");
        QTest::newRow("seven-bit-too-long") << QByteArray("00110003812143F000AAA1") + QByteArray(282, '0');
        QTest::newRow("odd-ucs2") << QByteArray("0011000381214300080003039B00");
        QTest::newRow("truncated-header-element") << QByteArray("0051000381214300F4AA0201050");
    }
    void malformedPdusAreRefused()
    {
        QFETCH(QByteArray, pdu);
        const PduInfo p = DecodePdu(pdu);
        QVERIFY(!p.ok);
        QVERIFY(!p.error.isEmpty());
    }

    void gsmAlphabetRoundTrip()
    {
        const QString text = QStringLiteral("@£$¥èéùìòÇØøÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./09:;<=>?"
                                            "¡AZÄÖÑÜ§¿azäöñüà^{}\\[~]|€\f");
        const QByteArray septets = UnicodeToGsm(text);
        QCOMPARE(GsmToUnicode(septets), text);
        QCOMPARE(UnicodeToGsm(QStringLiteral("\u4E2D")), QByteArray("?"));
        QCOMPARE(UnicodeToGsm(QStringLiteral("\u20AC")), QByteArray("\x1B\x65"));
    }
};

QTEST_GUILESS_MAIN(TestPhonesimScenario)
#include "tst_phonesim_scenario.moc"
