// SPDX-License-Identifier: GPL-3.0-or-later
// GSM 7-bit alphabet, septet packing and the hex/bit helpers.
#include "encoding/codice7.h"

#include <QSet>
#include <QTest>

using namespace Codice7;

namespace {

// An independent packer drawn as TS 23.038 draws it: septet i starts at bit 7 * i.
QString referencePack(const QString &text)
{
    QByteArray octets((text.size() * 7 + 7) / 8, '\0');
    for (int i = 0; i < text.size(); ++i)
        for (int b = 0; b < 7; ++b)
            if (GsmCode(text.at(i)) & (1 << b))
                octets[(i * 7 + b) / 8] = char(octets[(i * 7 + b) / 8] | (1 << ((i * 7 + b) % 8)));
    return QStringLiteral("%1").arg(text.size(), 2, 16, QLatin1Char('0')).toUpper()
        + QString::fromLatin1(octets.toHex().toUpper());
}

} // namespace

class TstCodice7 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitGsmTable(); }

    void table_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QChar>("ch");
        const struct { int code; char16_t ch; } rows[] = {
            {0x00, u'@'}, {0x01, u'£'}, {0x02, u'$'}, {0x03, u'¥'}, {0x04, u'è'}, {0x05, u'é'},
            {0x06, u'ù'}, {0x07, u'ì'}, {0x08, u'ò'}, {0x09, u'ç'}, {0x0A, u'\n'}, {0x0B, u'Ø'},
            {0x0C, u'ø'}, {0x0D, u'\r'}, {0x0E, u'Å'}, {0x0F, u'å'}, {0x10, u'³'}, {0x11, u'_'},
            {0x1C, u'Æ'}, {0x1D, u'æ'}, {0x1E, u'ß'}, {0x1F, u'É'}, {0x20, u' '}, {0x24, u'¤'},
            {0x40, u'¡'}, {0x41, u'A'}, {0x5B, u'Ä'}, {0x5C, u'Ö'}, {0x5D, u'Ñ'}, {0x5E, u'Ü'},
            {0x5F, u'§'}, {0x60, u'¿'}, {0x61, u'a'}, {0x7B, u'ä'}, {0x7C, u'ö'}, {0x7D, u'ñ'},
            {0x7E, u'ü'}, {0x7F, u'à'}, {0x21, u'!'}, {0x23, u'#'}, {0x30, u'0'}, {0x3F, u'?'},
            {0x5A, u'Z'}, {0x7A, u'z'},
        };
        for (const auto &r : rows)
            QTest::addRow("0x%02X", r.code) << r.code << QChar(r.ch);
    }
    void table()
    {
        QFETCH(int, code);
        QFETCH(QChar, ch);
        QCOMPARE(GsmTable()[code], ch);
        QCOMPARE(GsmCode(ch), code);
        QVERIFY(InGsmAlphabet(ch));
    }

    void tableIsAPermutation()
    {
        // Codes 0x12..0x1B and 128 carry nothing; every other character stands once.
        QSet<QChar> seen;
        for (int i = 0; i < kGsmTableSize; ++i) {
            const QChar c = GsmTable()[i];
            QCOMPARE(c.isNull(), (i >= 0x12 && i <= 0x1B) || i == 128);
            if (!c.isNull()) {
                QVERIFY2(!seen.contains(c), qPrintable(QStringLiteral("duplicate at %1").arg(i)));
                seen.insert(c);
                QCOMPARE(GsmCode(c), i);
            }
        }
        QCOMPARE(seen.size(), 118);
    }

    void outsideTableIsAt_data()
    {
        QTest::addColumn<QChar>("ch");
        for (char16_t c : {u'Ç', u'€', u'\u201C', u'{', u'\\', u'`', u'\0', u'\u0394', u'\t'})
            QTest::addRow("U+%04X", unsigned(c)) << QChar(c);
    }
    void outsideTableIsAt()
    {
        QFETCH(QChar, ch);
        QCOMPARE(GsmCode(ch), 0);
        QVERIFY(!InGsmAlphabet(ch));
        QCOMPARE(PackSeptets(QString(ch)), QStringLiteral("0100"));
        QCOMPARE(CountOutsideAlphabet(QStringLiteral("ab") + ch + QStringLiteral("@")), 1);
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
        };
        for (const auto &r : rows)
            QTest::addRow("%s", qPrintable(QString::fromUtf16(r[0]))) << QString::fromUtf16(r[0])
                                                                      << QString::fromUtf16(r[1]);
    }
    void pack()
    {
        QFETCH(QString, text);
        QFETCH(QString, hex);
        QCOMPARE(PackSeptets(text), hex);
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
        const QString full = PackSeptets(QString(160, QLatin1Char('x')));
        QCOMPARE(full.left(2), QStringLiteral("A0"));
        QCOMPARE(full.size(), 2 + 2 * 140);
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
            QTest::addRow("%s(%s)", r[0], r[1]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1])
                                                << QString::fromLatin1(r[2]);
    }
    void hexHelpers()
    {
        QFETCH(QString, fn);
        QFETCH(QString, in);
        QFETCH(QString, out);
        const QString got = fn == QLatin1String("HexToBits7") ? HexToBits7(in)
                          : fn == QLatin1String("BitsToHex")  ? BitsToHex(in)
                                                               : QString::number(HexToByte(in));
        QCOMPARE(got, out);
    }
};

QTEST_GUILESS_MAIN(TstCodice7)
#include "tst_codice7.moc"
