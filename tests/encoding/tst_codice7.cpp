// SPDX-License-Identifier: GPL-3.0-or-later
// GSM 7-bit alphabet, septet packing and the hex/bit helpers.
#include "encoding/codice7.h"

#include <QTest>

using namespace Codice7;

class TstCodice7 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitGsmTable(); }

    void table_data();
    void table();
    void tableIsAPermutation();
    void outsideTableIsAt_data();
    void outsideTableIsAt();
    void pack_data();
    void pack();
    void packMatchesBitwiseReference();
    void hexToBits7_data();
    void hexToBits7();
    void bitsToHex_data();
    void bitsToHex();
    void hexToByte_data();
    void hexToByte();
};

void TstCodice7::table_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("ch");
    const struct { int code; char16_t ch; } rows[] = {
        {0x00, u'@'},      {0x01, u'\u00A3'}, {0x02, u'$'},      {0x03, u'\u00A5'},
        {0x04, u'\u00E8'}, {0x05, u'\u00E9'}, {0x06, u'\u00F9'}, {0x07, u'\u00EC'},
        {0x08, u'\u00F2'}, {0x09, u'\u00E7'}, {0x0A, u'\n'},     {0x0B, u'\u00D8'},
        {0x0C, u'\u00F8'}, {0x0D, u'\r'},     {0x0E, u'\u00C5'}, {0x0F, u'\u00E5'},
        {0x10, u'\u00B3'}, {0x11, u'_'},      {0x1C, u'\u00C6'}, {0x1D, u'\u00E6'},
        {0x1E, u'\u00DF'}, {0x1F, u'\u00C9'}, {0x20, u' '},      {0x21, u'!'},
        {0x23, u'#'},      {0x24, u'\u00A4'}, {0x30, u'0'},      {0x3F, u'?'},
        {0x40, u'\u00A1'}, {0x41, u'A'},      {0x5A, u'Z'},      {0x5B, u'\u00C4'},
        {0x5C, u'\u00D6'}, {0x5D, u'\u00D1'}, {0x5E, u'\u00DC'}, {0x5F, u'\u00A7'},
        {0x60, u'\u00BF'}, {0x61, u'a'},      {0x7A, u'z'},      {0x7B, u'\u00E4'},
        {0x7C, u'\u00F6'}, {0x7D, u'\u00F1'}, {0x7E, u'\u00FC'}, {0x7F, u'\u00E0'},
    };
    for (const auto &r : rows)
        QTest::addRow("0x%02X", r.code) << r.code << QString(QChar(r.ch));
}

void TstCodice7::table()
{
    QFETCH(int, code);
    QFETCH(QString, ch);
    QCOMPARE(GsmTable()[code], ch.at(0));
    QCOMPARE(GsmCode(ch.at(0)), code);
    QVERIFY(InGsmAlphabet(ch.at(0)));
}

void TstCodice7::tableIsAPermutation()
{
    // Codes 0x12..0x1B and 128 carry nothing; every other character stands once.
    QSet<QChar> seen;
    for (int i = 0; i < kGsmTableSize; ++i) {
        const QChar c = GsmTable()[i];
        const bool shouldBeEmpty = (i >= 0x12 && i <= 0x1B) || i == 128;
        QCOMPARE(c.isNull(), shouldBeEmpty);
        if (!c.isNull()) {
            QVERIFY2(!seen.contains(c), qPrintable(QStringLiteral("duplicate at %1").arg(i)));
            seen.insert(c);
            QCOMPARE(GsmCode(c), i);
        }
    }
    QCOMPARE(seen.size(), 118);
}

void TstCodice7::outsideTableIsAt_data()
{
    QTest::addColumn<QString>("ch");
    QTest::newRow("C-cedilla") << QStringLiteral("\u00C7");
    QTest::newRow("euro") << QStringLiteral("\u20AC");
    QTest::newRow("left-quote") << QStringLiteral("\u201C");
    QTest::newRow("brace") << QStringLiteral("{");
    QTest::newRow("backslash") << QStringLiteral("\\");
    QTest::newRow("backtick") << QStringLiteral("`");
    QTest::newRow("nul") << QStringLiteral("\u0000");
    QTest::newRow("greek-delta") << QStringLiteral("\u0394");
    QTest::newRow("tab") << QStringLiteral("\t");
}

void TstCodice7::outsideTableIsAt()
{
    QFETCH(QString, ch);
    QCOMPARE(GsmCode(ch.at(0)), 0);
    QVERIFY(!InGsmAlphabet(ch.at(0)));
    QCOMPARE(PackSeptets(ch), QStringLiteral("0100"));
    QCOMPARE(CountOutsideAlphabet(QStringLiteral("ab") + ch + QStringLiteral("@")), 1);
}

void TstCodice7::pack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex");
    QTest::newRow("empty") << QString() << QStringLiteral("00");
    QTest::newRow("A") << QStringLiteral("A") << QStringLiteral("0141");
    QTest::newRow("hello") << QStringLiteral("hello") << QStringLiteral("05E8329BFD06");
    QTest::newRow("7-chars-trailing-octet") << QStringLiteral("1234567")
                                            << QStringLiteral("0731D98C56B3DD00");
    QTest::newRow("8-chars-exact") << QStringLiteral("12345678")
                                   << QStringLiteral("0831D98C56B3DD70");
    QTest::newRow("superscript-three") << QStringLiteral("\u00B3") << QStringLiteral("0110");
    QTest::newRow("c-cedilla") << QStringLiteral("\u00E7") << QStringLiteral("0109");
    QTest::newRow("crlf") << QStringLiteral("\r\n") << QStringLiteral("020D05");
    QTest::newRow("euro-and-C-cedilla") << QStringLiteral("\u20AC\u00C7")
                                        << QStringLiteral("020000");
    QTest::newRow("a-grave-0x7F") << QStringLiteral("\u00E0") << QStringLiteral("017F");
    // Header of part 1 of 2: 06 08 04 00 24 02 01.
    QTest::newRow("concat-header-2-1") << QStringLiteral("\u00F9\u00B3\u00B3@\u00A1D\u00A1@")
                                       << QStringLiteral("0806080400240201");
}

void TstCodice7::pack()
{
    QFETCH(QString, text);
    QFETCH(QString, hex);
    QCOMPARE(PackSeptets(text), hex);
}

// An independent packer written the way TS 23.038 draws it: septet i starts at bit 7*i.
static QString referencePack(const QString &text)
{
    QByteArray octets((text.size() * 7 + 7) / 8, '\0');
    for (int i = 0; i < text.size(); ++i) {
        const int code = GsmCode(text.at(i));
        for (int b = 0; b < 7; ++b)
            if (code & (1 << b)) {
                const int bit = i * 7 + b;
                octets[bit / 8] = char(octets[bit / 8] | (1 << (bit % 8)));
            }
    }
    return QStringLiteral("%1").arg(text.size(), 2, 16, QLatin1Char('0')).toUpper()
        + QString::fromLatin1(octets.toHex().toUpper());
}

void TstCodice7::packMatchesBitwiseReference()
{
    QString all;
    for (int i = 0; i < 128; ++i)
        if (!GsmTable()[i].isNull())
            all += GsmTable()[i];
    for (int len = 0; len <= 160; ++len) {
        QString t;
        for (int i = 0; i < len; ++i)
            t += all.at((i * 37 + len) % all.size());
        const QString packed = PackSeptets(t);
        QCOMPARE(packed, referencePack(t));
        QCOMPARE(packed.size(), 2 + 2 * ((len * 7 + 7) / 8));
    }
    QCOMPARE(PackSeptets(QString(160, QLatin1Char('x'))).left(2), QStringLiteral("A0"));
    QCOMPARE(PackSeptets(QString(160, QLatin1Char('x'))).size(), 2 + 280);
}

void TstCodice7::hexToBits7_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("bits");
    QTest::newRow("41") << QStringLiteral("41") << QStringLiteral("1000001");
    QTest::newRow("single-A") << QStringLiteral("A") << QStringLiteral("0001010");
    QTest::newRow("7F") << QStringLiteral("7F") << QStringLiteral("1111111");
    QTest::newRow("FF-drops-top-bit") << QStringLiteral("FF") << QStringLiteral("1111111");
    QTest::newRow("0") << QStringLiteral("0") << QStringLiteral("0000000");
}

void TstCodice7::hexToBits7()
{
    QFETCH(QString, hex);
    QFETCH(QString, bits);
    QCOMPARE(HexToBits7(hex), bits);
}

void TstCodice7::bitsToHex_data()
{
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("hex");
    QTest::newRow("zeros") << QStringLiteral("00000000") << QStringLiteral("00");
    QTest::newRow("ones") << QStringLiteral("11111111") << QStringLiteral("FF");
    QTest::newRow("msb-first") << QStringLiteral("10000000") << QStringLiteral("80");
    QTest::newRow("0A") << QStringLiteral("00001010") << QStringLiteral("0A");
}

void TstCodice7::bitsToHex()
{
    QFETCH(QString, bits);
    QFETCH(QString, hex);
    QCOMPARE(BitsToHex(bits), hex);
}

void TstCodice7::hexToByte_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<int>("value");
    QTest::newRow("8C") << QStringLiteral("8C") << 140;
    QTest::newRow("8c-lowercase-counts-0") << QStringLiteral("8c") << 128;
    QTest::newRow("FF") << QStringLiteral("FF") << 255;
    QTest::newRow("00") << QStringLiteral("00") << 0;
    QTest::newRow("non-digit") << QStringLiteral("G1") << 1;
    QTest::newRow("short") << QStringLiteral("A") << 160;
    QTest::newRow("empty") << QString() << 0;
}

void TstCodice7::hexToByte()
{
    QFETCH(QString, hex);
    QFETCH(int, value);
    QCOMPARE(HexToByte(hex), value);
}

QTEST_GUILESS_MAIN(TstCodice7)
#include "tst_codice7.moc"
