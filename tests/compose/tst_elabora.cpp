// SPDX-License-Identifier: GPL-3.0-or-later
// Building the PDUs: single and concatenated texts, logos and pictures, checked byte for
// byte and, for every kind, decoded field by field by python-gammu.
#include "app/appstate.h"
#include "compose/elabora.h"
#include "encoding/codice7.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using Compose::Elabora;

namespace {

const QString kSc = u"393359609600"_s;
const QString kScField = u"0791933395066900"_s;
const QString kTo = u"3471234567"_s;
const QString kIntl = u"+393471234567"_s;
const int kRefs[] = {0, 0, 0x24, 0x29, 0x27, 0x26};   // the reference each part count carries

// Letters, table characters, line breaks and characters outside the table; its period is
// not a multiple of 152, so a wrong cut shows.
QString mixedText(int n)
{
    const QString pool = u"Ciao, come stai? Tutto bene: è é ù ì ò à @£$¥ ÄÖÑÜ§¿äöñü ¡¤_ ÆæßÉ ç³ "
                         "€{} 0123456789\r\nNuova riga #%&*()+-/<=>!"_s;
    QString t;
    for (int i = 0; i < n; ++i)
        t += pool.at(i % pool.size());
    if (t.endsWith(u'\r'))   // keep the pair whole at the cut
        t[t.size() - 1] = u'x';
    return t;
}

// n characters as the user sees them, every seventh an emoji (two UTF-16 units each).
QString emojiText(int n)
{
    QString t;
    for (int i = 0; i < n; ++i)
        t += i % 7 == 3 ? QString::fromUtf16(u"\U0001F600") : QString(QChar(u'a' + i % 26));
    return t;
}

// What a standard decoder shows: the two entries this program types differently (0x09 "ç",
// 0x10 "³") come back as the standard's, anything outside the table as "@".
QString standardDecode(QString text)
{
    for (QChar &c : text)
        c = c == u'ç' ? QChar(u'Ç') : c == u'³' ? QChar(u'Δ') : Codice7::InGsmAlphabet(c) ? c : QChar(u'@');
    return text;
}

QString hexPattern(int octets, int seed)
{
    QByteArray b;
    for (int i = 0; i < octets; ++i)
        b += char((i * 37 + seed) & 0xFF);
    return QString::fromLatin1(b.toHex().toUpper());
}

struct Slot { QString pdu, userData; int length; };
Slot slot(const AppState &s, int i)
{
    const Slot all[] = {{s.Pdu1, s.UserData1, s.PduLength1}, {s.Pdu2, s.UserData2, s.PduLength2},
                        {s.Pdu3, s.UserData3, s.PduLength3}, {s.Pdu4, s.UserData4, s.PduLength4},
                        {s.Pdu5, s.UserData5, s.PduLength5}};
    return all[i - 1];
}
QString pdus(const AppState &s) { return QStringList{s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5}.join(u'|'); }

AppState smart(int kind)   // 0 operator logo, 1 group logo, 2 picture
{
    AppState s;
    s.LogoMode = s.FlashSms = s.StatusReport = true;   // the logo settings win over the last two
    s.OperatorLogoMode = kind == 0;
    s.PictureMode = kind == 2;
    s.OperatorMcc = u"22F2"_s;
    s.OperatorMnc = u"10"_s;
    s.LogoData = hexPattern(126, kind);
    s.PictureData1 = hexPattern(117, 3);
    s.PictureData2 = hexPattern(128, 4);
    s.PictureData3 = hexPattern(7, 5);
    return s;
}

struct Case { QString name, pdu; QJsonObject expected; };   // a null value: field absent

} // namespace

class TstElabora : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Codice7::InitGsmTable(); }

    void singlePdu()
    {
        const char *rows[][3] = {{"hello", "11F30A8143173254760000FF05E8329BFD06", "18"},
                                 {"", "11F30A8143173254760000FF00", "13"}};
        for (const auto &r : rows) {
            AppState s;
            const auto out = Elabora(s, {kSc, kTo, QLatin1String(r[0])});
            QVERIFY(!out.failure);
            QCOMPARE(s.Pdu1, kScField + QLatin1String(r[1]));
            QCOMPARE(s.PduLength1, QByteArray(r[2]).toInt());
            QCOMPARE(out.text3, s.Pdu1 + u"\r\r\r\r"_s);
        }
    }

    void splitting_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("parts");
        QTest::addColumn<bool>("emoji");
        const int rows[][2] = {{160, 1}, {161, 2}, {304, 2}, {305, 3}, {456, 3},
                               {457, 4}, {608, 4}, {609, 5}, {760, 5}};
        for (const auto &r : rows)
            QTest::addRow("%d-chars", r[0]) << r[0] << r[1] << false;
        // Counted per character as seen: emoji do not push a text into more parts.
        for (const auto &r : {rows[0], rows[1], rows[2], rows[7], rows[8]})
            QTest::addRow("%d-chars-with-emoji", r[0]) << r[0] << r[1] << true;
    }
    void splitting()
    {
        QFETCH(int, chars);
        QFETCH(int, parts);
        QFETCH(bool, emoji);
        AppState s;
        const QString typed = emoji ? emojiText(chars) : mixedText(chars);
        const QString text = Codice7::OneUnitPerCharacter(typed);   // what each part is cut from
        QCOMPARE(text.size(), chars);
        Elabora(s, {kSc, kTo, mixedText(760)});   // no slot of a longer message may survive
        const auto r = Elabora(s, {kSc, kTo, typed});
        const QString head = (parts == 1 ? u"11"_s : u"51"_s) + u"F30A81431732547600"_s + u"00FF"_s;
        QStringList text3;
        for (int i = 1; i <= 5; ++i) {
            const Slot p = slot(s, i);
            text3 << p.pdu;
            if (i > parts) {
                QVERIFY2(p.userData.isEmpty() && p.pdu.isEmpty(), qPrintable(QString::number(i)));
                continue;
            }
            QCOMPARE(p.pdu, kScField + head + p.userData);
            QCOMPARE(p.length, int(head.size() + p.userData.size()) / 2);
            if (parts == 1) {
                QCOMPARE(p.userData, Codice7::PackSeptets(text));
                continue;
            }
            // TP-UDL counts the 8 header septets; the text starts on the octet after the header.
            const QString part = text.mid((i - 1) * 152, 152);
            const QByteArray ud = QByteArray::fromHex(p.userData.toLatin1());
            const char header[] = {char(8 + part.size()), 6, 8, 4, 0, char(kRefs[parts]), char(parts), char(i)};
            QCOMPARE(ud.left(8), QByteArray(header, 8));
            QCOMPARE(p.userData.mid(16), Codice7::PackSeptets(part).mid(2));
        }
        QCOMPARE(r.text3, text3.join(u'\r'));
    }

    void smartMessages()
    {
        const QString h = u"51F30A81431732547600F5FF"_s;   // logo wins over flash and report
        const QStringList heads[] = {
            {h + u"8C0605041582158222F21001480E01"_s},
            {h + u"890605041583158300480E01"_s},
            {h + u"8C0B0504158A158A00030403013000000002010000481C01"_s,
             h + u"8C0B0504158A158A0003040302"_s, h + u"130B0504158A158A0003040303"_s}};
        const QList<int> lengths[] = {{153}, {150}, {153, 153, 32}};
        for (int kind = 0; kind < 3; ++kind) {
            AppState s = smart(kind);
            Elabora(s, {kSc, kTo, mixedText(700)});
            const auto r = Elabora(s, {kSc, kTo, mixedText(300)});
            QVERIFY(!r.failure);
            const QString data[] = {kind == 2 ? s.PictureData1 : s.LogoData, s.PictureData2, s.PictureData3};
            QStringList text3;
            for (int i = 1; i <= 5; ++i) {
                const Slot p = slot(s, i);
                const bool used = i <= heads[kind].size();
                QCOMPARE(p.pdu, used ? kScField + heads[kind].at(i - 1) + data[i - 1] : QString());
                QCOMPARE(p.userData.isEmpty(), !used);
                if (used) {
                    QCOMPARE(p.length, lengths[kind].at(i - 1));
                    text3 << p.pdu;
                }
            }
            QCOMPARE(r.text3, text3.join(u'\r'));
        }
        AppState s = smart(1);   // one octet more for a 12-digit international recipient
        Elabora(s, {kSc, kIntl, QString()});
        QCOMPARE(s.PduLength1, 151);
        s = smart(2);
        Elabora(s, {kSc, kTo, QString()});
        QCOMPARE(s.UserData2 + s.UserData3, u"pic2pic3"_s);
    }

    void refused()
    {
        const struct { QString sc, mcc, mnc, text; } rows[] = {
            {QString(), QString(), QString(), u"Insert service centre !!!"_s},
            {kSc, QString(), u"10"_s, u"Select country and operator!"_s},   // an operator logo
            {kSc, u"22F2"_s, QString(), u"Select country and operator!"_s}};
        for (const auto &row : rows) {
            AppState s;
            Elabora(s, {kSc, kTo, mixedText(400)});
            s.LogoMode = s.OperatorLogoMode = !row.sc.isEmpty();
            s.OperatorMcc = row.mcc;
            s.OperatorMnc = row.mnc;
            s.LogoData = hexPattern(126, 0);
            const auto r = Elabora(s, {row.sc, kTo, u"hi"_s});
            QVERIFY(r.failure);
            QCOMPARE(r.failure->text, row.text);
            QCOMPARE(r.failure->title, row.sc.isEmpty() ? u"Impossible to sent message."_s : u"Warning."_s);
            QCOMPARE(r.failure->icon, row.sc.isEmpty() ? Seams::MsgIcon::Critical : Seams::MsgIcon::Exclamation);
            QCOMPARE(pdus(s), u"||||"_s);
        }
    }

    // Numbers typed with separators give exactly the PDUs of their plain digits; numbers
    // that cannot be encoded are refused before anything is built.
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("centre");
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("plainOrRefusal");   // the plain recipient, or "!" + the box text
        const auto row = [](const char *name, const char16_t *sc, const char16_t *to, const char16_t *out) {
            QTest::newRow(name) << QString::fromUtf16(sc) << QString::fromUtf16(to) << QString::fromUtf16(out);
        };
        row("blanks-dash", u"393359609600", u"+39 347 123-4567", u"+393471234567");
        row("brackets-dots", u"393359609600", u"(347) 123.45.67", u"3471234567");
        row("centre-with-plus-and-blanks", u"+39 335 960 9600", u"3471234567", u"3471234567");
        row("centre-with-dashes", u"39-335-9609600", u"3471234567", u"3471234567");
        row("recipient-letters", u"393359609600", u"+39 347 abc",
            u"!Recipient number: \"a\" is not allowed. Type digits, with \"+\" only in front; blanks, "
            u"dashes, dots and brackets are left out.");
        row("recipient-plus-inside", u"393359609600", u"39+347", u"!Recipient number: \"+\" is not allowed.");
        row("recipient-empty", u"393359609600", u"", u"!Insert recipient number !!!");
        row("recipient-only-separators", u"393359609600", u" - ", u"!Insert recipient number !!!");
        row("recipient-21-digits", u"393359609600", u"+123456789012345678901",
            u"!Recipient number: 21 digits are too many (at most 20).");
        row("centre-letters", u"39335960960O", u"3471234567", u"!Service centre number: \"O\" is not allowed.");
        row("centre-only-blanks", u"   ", u"3471234567", u"!Insert service centre !!!");
        row("centre-21-digits", u"123456789012345678901", u"3471234567",
            u"!Service centre number: 21 digits are too many (at most 20).");
    }
    void typedNumbers()
    {
        QFETCH(QString, centre);
        QFETCH(QString, recipient);
        QFETCH(QString, plainOrRefusal);
        AppState typed, plain;
        Elabora(typed, {kSc, kTo, mixedText(400)});   // an earlier message must not survive a refusal
        const auto r = Elabora(typed, {centre, recipient, mixedText(200)});
        if (plainOrRefusal.startsWith(u'!')) {
            QVERIFY(r.failure);
            QVERIFY2(r.failure->text.startsWith(plainOrRefusal.mid(1)), qPrintable(r.failure->text));
            QCOMPARE(r.failure->title, u"Impossible to sent message."_s);
            QCOMPARE(r.failure->icon, Seams::MsgIcon::Critical);
            QCOMPARE(pdus(typed), u"||||"_s);
            QCOMPARE(r.text3, QString());
            return;
        }
        QVERIFY(!r.failure);
        Elabora(plain, {kSc, plainOrRefusal, mixedText(200)});
        QCOMPARE(pdus(typed), pdus(plain));
        QCOMPARE(typed.PduLength1, plain.PduLength1);
    }

    void overlongTextIsCutAt760()
    {
        AppState s, t;
        Elabora(s, {kSc, kTo, mixedText(900)});
        Elabora(t, {kSc, kTo, mixedText(760)});
        QCOMPARE(pdus(s), pdus(t));
    }

    void gammuDecodesEveryKind()
    {
        const QString python = qEnvironmentVariable("SMS_PYTHON3", u"/usr/bin/python3"_s);
        if (QProcess::execute(python, {u"-c"_s, u"import gammu"_s}) != 0)
            QSKIP("python3-gammu is not installed: no independent decoder to check against");
        const auto common = [](const QString &to, const char *fo, const char *coding, int cls) {
            return QJsonObject{{u"smsc"_s, u'+' + kSc}, {u"number"_s, to}, {u"type"_s, u"Submit"_s},
                               {u"fo"_s, QLatin1String(fo)}, {u"validity"_s, u"Max"_s}, {u"mr"_s, 0xF3},
                               {u"hasUdh"_s, fo[0] != '1' && fo[0] != '3'}, {u"coding"_s, QLatin1String(coding)},
                               {u"class"_s, cls}};
        };
        QList<Case> cases;
        // Typed numbers (typedTo, typedSc) must reach the phone as their plain digits; emoji
        // rows are counted and cut per character, one "@" each.
        const struct { int chars; bool status, flash; QString to; QString typedTo = {}, typedSc = {};
                       bool emoji = false; } texts[] = {
            {1, false, false, kTo},   {160, false, false, kTo}, {161, false, false, kTo},
            {304, false, false, kTo}, {305, false, false, kTo}, {456, false, false, kTo},
            {457, false, false, kTo}, {608, false, false, kTo}, {609, false, false, kTo},
            {760, false, false, kTo}, {40, true, false, kIntl}, {400, true, false, kIntl},
            {20, false, true, kTo},   {500, true, true, kIntl}, {10, false, false, u"+39347123456"_s},
            {30, false, false, kIntl, u"+39 347 123-4567"_s, u"+39 335 960-9600"_s},
            {200, true, false, kTo, u"(347) 123.45.67"_s, u"39.335.960.9600"_s},
            {160, false, false, kTo, {}, {}, true}, {161, false, false, kIntl, {}, {}, true},
            {760, true, false, kTo, {}, {}, true}};
        for (const auto &t : texts) {
            AppState s;
            s.StatusReport = t.status;
            s.FlashSms = t.flash;
            const QString typed = t.emoji ? emojiText(t.chars) : mixedText(t.chars);
            const QString text = Codice7::OneUnitPerCharacter(typed);
            Elabora(s, {t.typedSc.isEmpty() ? kSc : t.typedSc, t.typedTo.isEmpty() ? t.to : t.typedTo, typed});
            const int parts = Compose::PartsNeeded(t.chars);
            const char *fo = parts > 1 ? (t.status ? "71" : "51") : (t.status ? "31" : "11");
            for (int i = 1; i <= parts; ++i) {
                QJsonObject e = common(t.to, fo, "Default_No_Compression", t.flash ? 0 : -1);
                const QString shown = standardDecode(parts > 1 ? text.mid((i - 1) * 152, 152) : text);
                e[u"text"] = shown;
                e[u"length"] = int(shown.size());
                e[u"ports.dst"] = QJsonValue::Null;
                // Our reading of the header and gammu's own concatenation fields.
                const char *keys[][2] = {{"concat16.ref", "id16"}, {"concat16.total", "allParts"},
                                         {"concat16.part", "partNumber"}};
                const int concat[] = {kRefs[parts], parts, i};
                for (int f = 0; f < 3; ++f)
                    for (const char *key : keys[f])
                        e.insert(QLatin1String(key), parts > 1 ? QJsonValue(concat[f]) : QJsonValue());
                cases << Case{u"%1 chars, part %2"_s.arg(t.chars).arg(i), slot(s, i).pdu, e};
            }
        }
        for (int kind = 0; kind < 3; ++kind) {
            AppState s = smart(kind);
            Elabora(s, {kSc, kTo, u"ignored"_s});
            const QString data[] = {
                kind == 0 ? u"22F21001480E01"_s + s.LogoData
                : kind == 1 ? u"00480E01"_s + s.LogoData : u"3000000002010000481C01"_s + s.PictureData1,
                s.PictureData2, s.PictureData3};
            for (int i = 1; i <= (kind == 2 ? 3 : 1); ++i) {
                QJsonObject e = common(kTo, "51", "8bit", 1);
                e[u"ports.dst"] = 5506 + kind + (kind == 2 ? 6 : 0);
                e[u"ports.src"] = e[u"ports.dst"].toInt();
                e[u"data"] = data[i - 1];
                e[u"concat16.ref"] = QJsonValue::Null;
                if (kind == 2) {
                    e[u"concat8.ref"] = 4;
                    e[u"concat8.total"] = 3;
                    e[u"concat8.part"] = i;
                }
                cases << Case{u"smart %1, part %2"_s.arg(kind).arg(i), slot(s, i).pdu, e};
            }
        }

        QProcess py;
        py.start(python, {qEnvironmentVariable("SMS_DECODE_PDU")});
        for (const Case &c : cases)
            py.write(c.pdu.toLatin1() + '\n');
        py.closeWriteChannel();
        QVERIFY(py.waitForFinished(60000));
        QVERIFY2(py.exitCode() == 0, py.readAllStandardError().constData());
        const QJsonArray decoded = QJsonDocument::fromJson(py.readAllStandardOutput()).array();
        QCOMPARE(decoded.size(), cases.size());
        const auto show = [](const QJsonValue &v) {
            return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact));
        };
        for (int i = 0; i < cases.size(); ++i) {
            const QJsonObject d = decoded.at(i).toObject();
            for (auto it = cases[i].expected.begin(); it != cases[i].expected.end(); ++it)
                QVERIFY2(it->isNull() ? !d.contains(it.key()) : d.value(it.key()) == *it,
                         qPrintable(u"%1: %2 is %3, expected %4"_s.arg(cases[i].name, it.key(),
                                                                        show(d.value(it.key())), show(*it))));
        }
    }
};

QTEST_GUILESS_MAIN(TstElabora)
#include "tst_elabora.moc"
