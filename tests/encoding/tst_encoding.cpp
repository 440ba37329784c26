// SPDX-License-Identifier: GPL-3.0-or-later
// GSM 7-bit alphabet, septet packing, the hex/bit helpers and the PDU address fields.
#include "encoding/codice7.h"
#include "encoding/module1.h"

#include <QTest>

using namespace Codice7;
using namespace Qt::StringLiterals;

namespace {

// An independent packer drawn as TS 23.038 draws it: septet i starts at bit 7 * i.
QString referencePack(const QString &text)
{
    QByteArray octets((text.size() * 7 + 7) / 8, '\0');
    for (int i = 0; i < text.size(); ++i)
        for (int b = 0; b < 7; ++b)
            if (GsmCode(text.at(i)) & (1 << b))
                octets[(i * 7 + b) / 8] |= char(1 << ((i * 7 + b) % 8));
    return u"%1"_s.arg(int(text.size()), 2, 16, QLatin1Char('0')).toUpper()
        + QString::fromLatin1(octets.toHex().toUpper());
}

QString U(const char16_t *s) { return QString::fromUtf16(s); }

} // namespace

class TstEncoding : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitGsmTable(); }

    void table()
    {
        // The whole table as this program types it (0x09 "ç", 0x10 "³"); "~" marks the
        // empty codes 0x12..0x1B.
        const QString table =
            u"@£$¥èéùìòç\nØø\rÅå³_~~~~~~~~~~ÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
            u"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà"_s;
        QCOMPARE(table.size(), 128);
        for (int i = 0; i < kGsmTableSize; ++i) {
            const QChar c = GsmTable()[i];
            const bool empty = i == 128 || table.at(i) == u'~';
            QVERIFY2(empty ? c.isNull() : c == table.at(i), qPrintable(QString::number(i, 16)));
            QVERIFY(empty || (GsmCode(c) == i && InGsmAlphabet(c)));
        }
        // Outside the table is "@"; U+0000 must not match the table's empty codes.
        const QString outside = U(u"Ç€\u201C{\\`\u0394\t") + QChar(0);
        for (QChar c : outside)
            QVERIFY2(GsmCode(c) == 0 && !InGsmAlphabet(c), qPrintable(QString(c)));
        QCOMPARE(PackSeptets(outside), u"09"_s + QString(16, u'0'));
    }

    void pack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hex");
        const char16_t *rows[][2] = {
            {u"", u"00"}, {u"A", u"0141"}, {u"hello", u"05E8329BFD06"},
            {u"1234567", u"0731D98C56B3DD00"},   // 7 septets still take a whole 7th octet
            {u"12345678", u"0831D98C56B3DD70"}, {u"³", u"0110"}, {u"ç", u"0109"},
            {u"\r\n", u"020D05"}, {u"€Ç", u"020000"}, {u"à", u"017F"},
            {u"ù³³@¡D¡@", u"0806080400240201"},   // header 06 08 04 00 24 02 01 as septets
            // A character beyond U+FFFF is one character and one "@", not two.
            {u"\U0001F600", u"0100"}, {u"a\U0001F600b", u"03618018"},
            {u"\U0001F1EE\U0001F1F9", u"020000"},
            {u"\xD83D", u"0100"}, {u"\xDE00" u"a", u"028030"},   // a lone half counts as one
        };
        for (const auto &r : rows)
            QTest::addRow("%s", qPrintable(U(r[0]))) << U(r[0]) << U(r[1]);
    }
    void pack()
    {
        QFETCH(QString, text);
        QFETCH(QString, hex);
        QCOMPARE(PackSeptets(text), hex);
    }

    // Characters counted as the user sees them: one per code point.
    void characters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("outside");
        QTest::addColumn<QString>("oneUnit");   // '?' for U+FFFD
        const struct { const char16_t *text; int count, outside; const char16_t *oneUnit; } rows[] =
        {
            {u"", 0, 0, u""}, {u"abc", 3, 0, u"abc"}, {u"\U0001F600", 1, 1, u"?"},
            {u"a\U0001F600\U0001F600b", 4, 2, u"a??b"},
            {u"\u20AC\U0001F44D\r\n", 4, 2, u"\u20AC?\r\n"}, {u"ab\u201C@", 4, 1, u"ab\u201C@"},
            {u"\U0001F468\u200D\U0001F469", 3, 3, u"?\u200D?"},   // a joined emoji: code points
            {u"\xD83Dx", 2, 1, u"\xD83Dx"}, {u"x\xDE00", 2, 1, u"x\xDE00"},   // a lone half is one
        };
        for (const auto &r : rows)
            QTest::addRow("%d-%d-%s", r.count, r.outside, qPrintable(U(r.oneUnit)))
                << U(r.text) << r.count << r.outside
                << U(r.oneUnit).replace(u'?', QChar(QChar::ReplacementCharacter));
    }
    void characters()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(int, outside);
        QFETCH(QString, oneUnit);
        QCOMPARE(CharacterCount(text), qsizetype(count));
        QCOMPARE(CountOutsideAlphabet(text), outside);
        QCOMPARE(OneUnitPerCharacter(text), oneUnit);
        QCOMPARE(PackSeptets(text), PackSeptets(oneUnit));
        QCOMPARE(PackSeptets(text).left(2).toInt(nullptr, 16), count);
    }

    void packMatchesBitwiseReference()
    {
        QString all;
        for (int i = 0; i < 128; ++i)
            if (!GsmTable()[i].isNull())
                all += GsmTable()[i];
        for (int len = 0; len <= 160; ++len) {
            QString t;
            for (int i = 0; i < len; ++i)
                t += all.at((i * 37 + len) % all.size());
            QCOMPARE(PackSeptets(t), referencePack(t));
        }
    }

    void hexHelpers_data()
    {
        QTest::addColumn<QString>("fn");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        const char *rows[][3] = {
            {"HexToBits7", "41", "1000001"}, {"HexToBits7", "A", "0001010"},
            {"HexToBits7", "7F", "1111111"}, {"HexToBits7", "FF", "1111111"},
            {"HexToBits7", "0", "0000000"},  {"BitsToHex", "00000000", "00"},
            {"BitsToHex", "11111111", "FF"}, {"BitsToHex", "10000000", "80"},
            {"BitsToHex", "00001010", "0A"}, {"HexToByte", "8C", "140"},
            {"HexToByte", "8c", "128"},      // a lower-case digit counts 0
            {"HexToByte", "FF", "255"},      {"HexToByte", "G1", "1"},
            {"HexToByte", "A", "160"},       {"HexToByte", "", "0"},
        };
        for (const auto &r : rows)
            QTest::addRow("%s(%s)", r[0], r[1]) << QString::fromLatin1(r[0])
                                                << QString::fromLatin1(r[1])
                                                << QString::fromLatin1(r[2]);
    }
    void hexHelpers()
    {
        QFETCH(QString, fn);
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(fn == u"HexToBits7"_s  ? HexToBits7(in)
                 : fn == u"BitsToHex"_s ? BitsToHex(in)
                                        : QString::number(HexToByte(in)),
                 out);
    }

    void address_data()
    {
        QTest::addColumn<bool>("centre");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("field");
        const struct { bool centre; const char *number, *field; } rows[] = {
            {false, "0123456789", "0A811032547698"}, {false, "+123456789012", "0C91214365870921"},
            {false, "12345", "05812143F5"}, {false, "+393471234567", "0C91934317325476"},
            {false, "+39347123456", "0B919343173254F6"}, {false, "", "0081"},
            {false, "+", "0091"}, {false, "12+4", "0481214+"},
            {false, "1 3", "0381 1F3"},   // kept as typed, not dropped
            {true, "123456789012", "0791214365870921"}, {true, "12345678901", "07912143658709F1"},
            {true, "5", "0291F5"}, {true, "", "0191"},
        };
        for (const auto &r : rows)
            QTest::addRow("%s-%s", r.centre ? "centre" : "to", r.number)
                << r.centre << QString::fromLatin1(r.number) << QString::fromLatin1(r.field);
    }
    void address()
    {
        QFETCH(bool, centre);
        QFETCH(QString, number);
        QFETCH(QString, field);
        QCOMPARE(centre ? Module1::EncodeServiceCentre(number) : Module1::EncodeAddress(number),
                 field);
    }

    // Numbers as people type them: separators go, anything else is reported.
    // Expected: the number kept, then "ok", "empty", "bad X" or "long N".
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        const char16_t *rows[][2] = {
            {u"3471234567", u"3471234567 ok"}, {u"+393471234567", u"+393471234567 ok"},
            {u"+39 333 123-4567", u"+393331234567 ok"},
            {u"(0039) 347.123.45.67", u"00393471234567 ok"},
            {u"[+39]\t347\u00A0123\u20134567", u"+393471234567 ok"}, {u" + 39 347", u"+39347 ok"},
            {u"\u2212\u2012 12", u"12 ok"}, {u"", u" empty"}, {u" - ( ) ", u" empty"},
            {u"+", u"+ empty"}, {u"+39 347 abc", u"+39347abc bad a"},
            {u"39+347", u"39+347 bad +"}, {u"++39", u"++39 bad +"},
            {u"347/1234567", u"347/1234567 bad /"}, {u"*121#", u"*121# bad *"},
            {u"\u0663\u0664", u"\u0663\u0664 bad \u0663"},   // other scripts' digits are none
            {u"12345678901234567890", u"12345678901234567890 ok"},
            {u"+1234 5678 9012 3456 7890", u"+12345678901234567890 ok"},
            {u"123456789012345678901", u"123456789012345678901 long 21"},
        };
        for (const auto &r : rows)
            QTest::addRow("%s", qPrintable(U(r[0]))) << U(r[0]) << U(r[1]);
    }
    void typedNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        using Problem = Module1::TypedNumber::Problem;
        const Module1::TypedNumber n = Module1::CleanNumber(typed);
        const QString problem = n.problem == Problem::None           ? u"ok"_s
                              : n.problem == Problem::Empty          ? u"empty"_s
                              : n.problem == Problem::BadCharacter ? u"bad "_s + n.bad
                                                                     : u"long %1"_s.arg(n.digits);
        QCOMPARE(n.number + u' ' + problem, expected);
    }
};

QTEST_GUILESS_MAIN(TstEncoding)
#include "tst_encoding.moc"
