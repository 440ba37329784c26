// SPDX-License-Identifier: GPL-3.0-or-later
// The stored-message decoder: real kinds of PDU (checked once against python-gammu), short
// and garbage PDUs, the sender's name, concatenated parts, sorting and the saved file.
#include "browser/lettura.h"
#include "encoding/codice7.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using Lettura::SmsRecord;

namespace {
QString S(const char *utf8) { return QString::fromUtf8(utf8); }

const char *const kCentre = "+393359609600";
const char *const kAnna = "+393391234567";

struct PduRow
{
    const char *name, *pdu, *centre, *number, *date, *text, *extra;
};

// Built from TS 23.040 by hand and with python-gammu; decoded by gammu in gammuAgrees().
const PduRow kRows[] = {
    {"example", "0791214365870921040B912143658709F100006221504103500005E8329BFD06", "+123456789012",
     "+12345678901", "05/12/26  14.30:05", "hello", "D"},
    {"gsm7-extension-greek", "0791933395066900040C9193331932547600005230409080704034507959AF7F836A"
     "9B3268837AAF3729D08617DE00C51B1F68D3C36F5EF90D0504914C2815CB0593D16C14E6B4BB0C", kCentre,
     kAnna, "04/03/25  09.08:07", "Prezzo 5€ {ok} [a|b] ~x\\y^ ΔΦΓΛΩΠΨΣΘΞ\ffine", "D"},
    {"gsm7-basic-table", "0791933395066900040C91933319325476000052304090808040228080604028180E8884"
     "62C168381E114EC7F32101B7DCAEF70BDEF3FBFE3F", kCentre, kAnna, "04/03/25  09.08:08",
     "@£$¥èéùìòÇ\nØø\rÅå_ÆæßÉ¤¡ÄÖÑÜ§¿äöñüà", "D"},
    {"ucs2-bmp", "0791933395066900040C919323785634120008523050011121402A004700720061007A0069006500"
     "20201C0074007500740074006F201D002000E80020006F006B002020AC", kCentre, "+393287654321",
     "05/03/25  10.11:12", "Grazie “tutto” è ok €", "D"},
    {"ucs2-surrogates", "0791933395066900040C919323785634120008523050011131401C004800690020D83DDE0"
     "00020006F006B0020D83CDDEED83CDDF90021", kCentre, "+393287654321", "05/03/25  10.11:13",
     "Hi 😀 ok 🇮🇹!", "D"},
    {"8bit-vcard-port", "0791933395066900440C919333193254760004523060800000405206050423F4000042454"
     "7494E3A56434152440D0A56455253494F4E3A322E310D0A4E3A526F7373693B416E6E610D0A54454C3B43454C4C3"
     "A2B3339333339313233343536370D0A454E443A56434152440D0A", kCentre, kAnna, "06/03/25  08.00:00",
     "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Rossi;Anna\r\nTEL;CELL:+393391234567\r\nEND:VCARD\r\n", "D"},
    {"8bit-binary-port", "0791933395066900440C919333193254760004523060801000401606050415810000024A"
     "3A51D195CDD004001B20550590", kCentre, kAnna, "06/03/25  08.01:00",
     "Binary data (15 octets, port 5505)", "D"},
    {"concat8-part1", "0791933395066900440C91934317325476000052307021000040130500034202018C69F99C0"
     "E4287D9661608", kCentre, "+393471234567", "07/03/25  12.00:00", "First half, ",
     "D part 1/2 ref 66"},
    {"concat8-part2", "0791933395066900440C9193431732547600005230702100104013050003420202E6E5F1DB4"
     "D06A1C36CB30B", kCentre, "+393471234567", "07/03/25  12.00:01", "second half.",
     "D part 2/2 ref 66"},
    {"concat16-part1", "0791933395066900440C919343173254760008523070310000401106080412340201005500"
     "6E006F0020201C", kCentre, "+393471234567", "07/03/25  13.00:00", "Uno “",
     "D part 1/2 ref 4660 wide"},
    {"concat16-part2", "0791933395066900440C919343173254760008523070310050400F06080412340202006400"
     "750065201D", kCentre, "+393471234567", "07/03/25  13.00:05", "due”",
     "D part 2/2 ref 4660 wide"},
    {"alphanumeric-sender", "07919333950669000410D049B7F92D0CBBC7610000523080706050401AD3309BFC069"
     "1D373F8DB9D16A7D9651D280683818A5529", kCentre, "InfoBanca", "08/03/25  07.06:05",
     "Saldo disponibile: 100 EUR", "D name"},
    {"national-number", "0791933395066900040AA1331932547600005230900000004008EE303DFD7687D9",
     kCentre, "3391234567", "09/03/25  00.00:00", "national", "D"},
    {"unknown-type-number", "0791933395066900040A8150123254760000523090000010400C75F7DAFDBEBB41F43"
     "CBC0C", kCentre, "0521234567", "09/03/25  00.00:01", "unknown type", "D"},
    {"international-isdn-unknown-plan", "0791933395066900040C9093331932547600005230900000204007693"
     "79D0DCAC100", kCentre, kAnna, "09/03/25  00.00:02", "intl 90", "D"},
    {"submit-no-vp", "079193339506690001000C9193331932547600000A6479D84C07B9DFEE32", kCentre, kAnna,
     "", "draft none", "S"},
    {"submit-relative-vp", "079193339506690011050C919333193254760000A70E6479D84C07C9CBEC303D6D2F03",
     kCentre, kAnna, "", "draft relative", "S"},
    {"submit-enhanced-vp", "079193339506690009060C91933319325476000001A700000000000E6479D84C0795DD"
     "E8B07B5C2603", kCentre, kAnna, "", "draft enhanced", "S"},
    {"submit-absolute-vp", "079193339506690019070C919333193254760008522113329595400C00730065006E00"
     "74002000E8", kCentre, kAnna, "", "sent è", "S"},
    {"status-delivered", "079193339506690006070C91933319325476523001010000405230010110034000",
     kCentre, kAnna, "10/03/25  10.00:00", "Delivered 10/03/25  10.01:30", "R"},
    {"status-failed", "079193339506690006070C91933319325476523001010000405230110100004041", kCentre,
     kAnna, "10/03/25  10.00:00", "Not delivered (status 65)", "R"},
    {"smsc-length-0", "00040C9193331932547600005230112131414009EE37685C76D3E565", "", kAnna,
     "11/03/25  12.13:14", "no centre", "D"},
    {"class0-flash", "0791933395066900040C9193331932547600F052302100000040056676788E06", kCentre,
     kAnna, "12/03/25  00.00:00", "flash", "D class 0"},
    {"class1-8bit", "0791933395066900040C9193331932547600F5523021000020400D382D62697420636C6173732"
     "031", kCentre, kAnna, "12/03/25  00.00:02", "8-bit class 1", "D class 1"},
    {"ucs2-class0-general", "0791933395066900040C919333193254760018523021000030400E0066006C0061007"
     "30068002000FC", kCentre, kAnna, "12/03/25  00.00:03", "flash ü", "D class 0"},
    {"mwi-store-gsm7", "0791933395066900040C9193331932547600D8523031000010400CF6777A5C6E87D36C1D48"
     "06", kCentre, kAnna, "13/03/25  00.00:01", "voicemail: 2", "D"},
    {"mwi-store-ucs2", "0791933395066900040C9193331932547600E8523031000020401C00730065006700720065"
     "007400650072006900610020201C0033201D", kCentre, kAnna, "13/03/25  00.00:02",
     "segreteria “3”", "D"},
    {"auto-delete-ucs2", "0791933395066900040C919333193254760048523031000030400C006100750074006F00"
     "2000FC", kCentre, kAnna, "13/03/25  00.00:03", "auto ü", "D"},
    {"reserved-group", "0791933395066900040C9193331932547600845230310000404008F2F2BC2CB797C9",
     kCentre, kAnna, "13/03/25  00.00:04", "reserved", "D"},
    {"compressed", "0791933395066900040C91933319325476002052303100005040050102030405", kCentre,
     kAnna, "13/03/25  00.00:05", "Compressed data (5 octets)", "D"},
    {"empty-text", "0791933395066900040C9193331932547600005230310000604000", kCentre, kAnna,
     "13/03/25  00.00:06", "", "D"},
};

// Kind (Deliver, Submit, status Report), then what else the record says.
QString Extra(const SmsRecord &r)
{
    QString out = r.Kind == Lettura::SmsKind::Submit         ? S("S")
                  : r.Kind == Lettura::SmsKind::StatusReport ? S("R") : S("D");
    if (r.SenderIsName)
        out += S(" name");
    if (r.MessageClass >= 0)
        out += S(" class %1").arg(r.MessageClass);
    if (r.PartCount > 0)
        out += S(" part %1/%2 ref %3%4").arg(r.PartNumber).arg(r.PartCount).arg(r.PartReference)
                   .arg(r.PartReference16 ? S(" wide") : QString());
    return out;
}

SmsRecord Decode(const QString &name)
{
    for (const PduRow &row : kRows)
        if (name == QLatin1String(row.name))
            return Lettura::DecodeDeliverPdu(S(row.pdu));
    return {};
}

const QString kExample = S(kRows[0].pdu);
} // namespace

class TestLettura : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Codice7::InitGsmTable(); }

    void cmgrPduLine_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("line");
        QTest::newRow("stored") << S("AT+CMGR=1\r\r\n+CMGR: 1,,24\r\n") + kExample
                                       + S("\r\n\r\nOK\r\n") << kExample;
        QTest::newRow("empty-position") << S("AT+CMGR=3\r\r\nOK\r\n") << QString();
        QTest::newRow("cms-error") << S("AT+CMGR=2\r\r\n+CMS ERROR: 321\r\n") << QString();
        QTest::newRow("echo-off") << S("\r\n+CMGR: 0,,24\r\n0011\r\n\r\nOK\r\n") << S("0011");
        QTest::newRow("pdu-to-the-end") << S("x\r\n+CMGR: 0,,24\r\n0011") << S("0011");
        QTest::newRow("header-unended") << S("x\r\n+CMGR: 0,,24") << QString();
    }
    void cmgrPduLine()
    {
        QFETCH(QString, reply);
        QFETCH(QString, line);
        QCOMPARE(Lettura::CmgrPduLine(reply), line);
    }

    void decode_data()
    {
        QTest::addColumn<QString>("pdu");
        QTest::addColumn<QString>("fields");   // centre|number|date|text
        QTest::addColumn<QString>("extra");
        for (const PduRow &r : kRows)
            QTest::newRow(r.name) << S(r.pdu) << QStringList{S(r.centre), S(r.number), S(r.date),
                                                   S(r.text)}.join(u'|') << S(r.extra);
        const QString head = kExample.chopped(12);   // the example up to its user data
        const QString stamp = S("+123456789012|+12345678901|05/12/26  14.30:05|");
        const auto row = [](const char *name, const QString &pdu, const QString &fields,
                            const char *extra = "D") {
            QTest::newRow(name) << pdu << fields << S(extra);
        };
        // Eight septets in seven octets, seven with a spare bit, none.
        row("eight-septets", head + S("0831D98C56B3DD70"), stamp + S("12345678"));
        row("seven-septets", head + S("0731D98C56B3DD00"), stamp + S("1234567"));
        row("no-septets", head + S("00"), stamp);
        // Escapes: one with nothing behind, one before an unknown code, two in a row.
        row("escape-last", head + S("02E10D"), stamp + S("a"));
        row("escape-unknown", head + S("021B21"), stamp + S("B"));
        row("escape-escape", head + S("039B4D18"), stamp + S(" a"));
        // Short and garbage PDUs give what could be read, never more.
        row("empty", QString(), S("|||"));
        row("not-hex", S("ZZ") + kExample, S("|||"));
        row("centre-cut", S("0791214365"), S("+123456|||"));
        row("cut-after-sender", kExample.left(38), S("+123456789012|+12345678901||"));
        row("cut-in-text", kExample.chopped(4), stamp + S("hel"));
        row("length-beyond-text", head + S("FFE8329BFD06"), stamp + S("hello"));
        row("stray-character", kExample.left(60) + u'G' + kExample.mid(60), stamp + S("hel"));
        row("odd-digit-count", kExample + u'0', stamp + S("hello"));
        row("lower-case", kExample.toLower(), stamp + S("hello"));
        row("sender-length-ff", S("079121436587092104FF912143"), S("+123456789012|+1234||"));
        row("header-beyond-data",
            S("0791214365870921440B912143658709F10000622150410350000AFF0003"), stamp);
        // Cut inside a UTF-8 character: the text before it, not Latin-1 look-alikes.
        row("utf8-cut-in-character", S("0791933395066900040C9193331932547600F5523021000020400943"
                                       "616666C3A820C3"),
            S("+393359609600|+393391234567|12/03/25  00.00:02|Caff\xC3\xA8 "), "D class 1");
        row("ucs2-lone-surrogate", head.chopped(16) + S("086221504103500004D83D0041"),
            stamp + S("\xEF\xBF\xBD" "A"));
        row("submit-cut-in-validity", S("0019000C91933319325476000852211332"),
            S("|+393391234567||"), "S");
        row("report-without-status", S("0006070C919333193254765230010100001252300101100312"),
            S("|+393391234567|10/03/25  10.00:00|"), "R");
    }
    void decode()
    {
        QFETCH(QString, pdu);
        QFETCH(QString, fields);
        QFETCH(QString, extra);
        const SmsRecord r = Lettura::DecodeDeliverPdu(pdu);
        QCOMPARE(QStringList({r.ServiceCentreUsed, r.SenderNumber, r.DateTime, r.MessageText})
                     .join(u'|'), fields);
        QCOMPARE(Extra(r), extra);
        QCOMPARE(r.Sender, r.SenderNumber);   // no recipient list
        // Every shorter piece of the PDU gives no more than the whole, and nothing made up.
        for (qsizetype n = 0; n < pdu.size(); ++n) {
            const SmsRecord part = Lettura::DecodeDeliverPdu(pdu.left(n));
            QVERIFY2(part.MessageText.size() <= r.MessageText.size(), qPrintable(pdu.left(n)));
            QVERIFY(r.ServiceCentreUsed.startsWith(part.ServiceCentreUsed));
            QVERIFY(part.DateTime.isEmpty() || part.DateTime == r.DateTime);
        }
    }

    // The fields gammu reads out of the same PDUs agree with ours.
    void gammuAgrees()
    {
        const QString python = qEnvironmentVariable("SMS_PYTHON3");
        if (python.isEmpty() || QProcess::execute(python, {S("-c"), S("import gammu")}) != 0)
            QSKIP("python3-gammu is not installed (make test installs it)");
        QProcess p;
        p.start(python, {qEnvironmentVariable("SMS_DECODE_STORED")});
        for (const PduRow &r : kRows)
            p.write(QByteArray(r.pdu) + '\n');
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
        const QJsonArray out = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
        QCOMPARE(out.size(), qsizetype(std::size(kRows)));
        QStringList refused;
        for (qsizetype i = 0; i < out.size(); ++i) {
            const QJsonObject g = out.at(i).toObject();
            if (g.contains(u"error")) {
                refused << S(kRows[i].name);
                continue;
            }
            const SmsRecord r = Lettura::DecodeDeliverPdu(S(kRows[i].pdu));
            QStringList theirs = {S(kRows[i].name), g[u"smsc"].toString(),
                                  g[u"number"].toString(), g[u"date"].toString(),
                                  QString::number(g[u"class"].toInt()), g[u"text"].toString()};
            for (const QJsonValue v : g[u"part"].toArray())   // reference, count, number
                theirs << QString::number(v.toInt());
            QStringList ours = {S(kRows[i].name), r.ServiceCentreUsed, r.SenderNumber,
                                r.DateTime, QString::number(r.MessageClass), r.MessageText};
            if (r.PartCount > 0)
                ours << QString::number(r.PartReference) << QString::number(r.PartCount)
                     << QString::number(r.PartNumber);
            if (r.Kind == Lettura::SmsKind::StatusReport)   // gammu's own words
                theirs[4] = theirs[5] = ours[4] = ours[5] = QString();
            if (g.contains(u"octets") && r.MessageText.startsWith(S("Binary data ("))) {
                theirs[5] = S("Binary data (%1 octets").arg(g[u"octets"].toInt());
                ours[5].truncate(theirs[5].size());
            }
            QCOMPARE(ours.join(u'|'), theirs.join(u'|'));
        }
        // What gammu does not read: enhanced validity, reserved coding, compression.
        QCOMPARE(refused, S("submit-enhanced-vp|reserved-group|compressed").split(u'|'));
    }

    void senderLookup_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("sender");
        const QStringList list = {S("Anna Rossi (+393391234567)"), S("Mamma (0521234567)"),
                                  S("Anna again (+393391234567)"), S("news (INFOBANCA)"),
                                  S("short (+1234)")};
        QTest::newRow("international") << S("+393391234567") << list << list[0];
        QTest::newRow("key-skips-country") << S("+390521234567") << list << list[1];
        QTest::newRow("worked-example") << S("+12345678901") << QStringList{S("Bob +12345678901")}
                                      << S("Bob +12345678901");
        QTest::newRow("case-ignored") << S("InfoBanca") << list << list[3];
        QTest::newRow("five-characters-whole") << S("+1234") << list << list[4];
        QTest::newRow("five-characters-no-match") << S("+1235") << list << S("+1235");
        QTest::newRow("empty-list") << S("+393391234567") << QStringList() << S("+393391234567");
        QTest::newRow("empty-number") << QString() << list << QString();
    }
    void senderLookup()
    {
        QFETCH(QString, number);
        QFETCH(QStringList, entries);
        QFETCH(QString, sender);
        QCOMPARE(Lettura::SenderLookup(number, entries), sender);
        // The decoder looks its sender up the same way.
        QCOMPARE(Lettura::DecodeDeliverPdu(kExample, entries).Sender,
                 Lettura::SenderLookup(S("+12345678901"), entries));
    }

    // A part shows the whole message when all its parts are listed. A part with the same
    // reference from another sender ("~") or with a 16-bit reference ("^") is not one of them.
    void shownText_data()
    {
        QTest::addColumn<QString>("listed");   // row names of the records in the list
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("shown");
        const QString all = S("concat8-part2 example concat8-part1 concat16-part2 concat16-part1");
        const QString alone = S("(part 2 of 2) second half.");
        QTest::newRow("whole-8bit") << all << S("concat8-part2") << S("First half, second half.");
        QTest::newRow("whole-16bit") << all << S("concat16-part1") << S("Uno “due”");
        QTest::newRow("missing-part") << S("concat8-part2 concat16-part1") << S("concat8-part2")
                                      << alone;
        QTest::newRow("other-sender") << S("~concat8-part1 concat8-part2") << S("concat8-part2")
                                      << alone;
        QTest::newRow("other-width") << S("^concat8-part1 concat8-part2") << S("concat8-part2")
                                     << alone;
        QTest::newRow("not-a-part") << all << S("example") << S("hello");
    }
    void shownText()
    {
        QFETCH(QString, listed);
        QFETCH(QString, chosen);
        QFETCH(QString, shown);
        std::vector<SmsRecord> records(1);
        for (const QString &name : listed.split(u' ')) {
            records.push_back(Decode(name.mid(name[0] == u'~' || name[0] == u'^')));
            if (name.startsWith(u'~'))
                records.back().SenderNumber = S("+393287654321");
            records.back().PartReference16 |= name.startsWith(u'^');
        }
        QCOMPARE(Lettura::ShownText(Decode(chosen), records), shown);
    }

    void sortOldestFirst()
    {
        const double keys[] = {0, 5, 3, 5, 0, 1, 26377.5, 3};
        std::vector<SmsRecord> sms(std::size(keys) + 1);
        sms[0].SortKey = 7;   // entry 0 is never part of the list
        for (size_t i = 0; i < std::size(keys); ++i)
            sms[i + 1].SortKey = keys[i], sms[i + 1].Id = std::int16_t(i + 1);
        Lettura::Bouble_Sort(sms);
        QCOMPARE(Lettura::DecodeDeliverPdu(kExample).SortKey, 26377.52205);
        QCOMPARE(Decode(S("submit-no-vp")).SortKey, 0.0);   // undated: sorted last
        QStringList order;
        for (const SmsRecord &r : sms)
            order << S("%1:%2").arg(r.Id).arg(r.SortKey);
        QCOMPARE(order.join(u' '), S("0:7 6:1 3:3 8:3 2:5 4:5 7:26377.5 1:99999 5:99999"));
    }

    void savedMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray line1 = "+12345678901 05/12/26  14.30:05\r\n";
        QTest::newRow("worked-example") << S("hello") << line1 + "hello\r\n";
        QTest::newRow("breaks-kept") << S("a\r\nb\nc") << line1 + "a\r\nb\nc\r\n";
        QTest::newRow("cp1252") << S("è 5€ “x”") << line1 + "\xE8 5\x80 \x93x\x94\r\n";
        QTest::newRow("emoji-utf8") << S("è 😀") << "\xEF\xBB\xBF" + line1
                                                          + "\xC3\xA8 \xF0\x9F\x98\x80\r\n";
    }
    void savedMessage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Lettura::SavedMessage(S("+12345678901"), S("05/12/26  14.30:05"), text), bytes);
    }
};

QTEST_GUILESS_MAIN(TestLettura)
#include "tst_lettura.moc"
