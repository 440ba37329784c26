// SPDX-License-Identifier: GPL-3.0-or-later
// Smart Messaging bitmap data, the size check, the code encodings and Operator.sms.
#include "bmpbuilder.h"
#include "logos/bitmap.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Bitmap;

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(SMS_BMP_DATA "/") + name;
}

QString zeros(int n) { return QString(n, QLatin1Char('0')); }

} // namespace

class TestBitmap : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::number(++m_files) + QStringLiteral(".bmp"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return path;
    }

    static bool open(modLeggeBMP::BmpReader &r, const QString &path)
    {
        StruttureBMP::BITMAPFILEHEADER fh;
        StruttureBMP::BITMAPINFO info;
        modLeggeBMP::Palette pal{};
        return modLeggeBMP::OpenBmp(r, path, fh, info, pal);
    }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void logoFromToolFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("hex");
        const QString topLeft = QStringLiteral("80") + zeros(250);
        QTest::newRow("pil-top-left") << QStringLiteral("pil_72x14_topleft.bmp") << topLeft;
        QTest::newRow("im-v4-top-left") << QStringLiteral("im_v4_72x14_topleft.bmp") << topLeft;
        QTest::newRow("im-v5-top-left") << QStringLiteral("im_v5_72x14_topleft.bmp") << topLeft;
        QTest::newRow("top-down-top-left") << QStringLiteral("td_72x14_topleft.bmp") << topLeft;
        QTest::newRow("top-down-v5-top-left") << QStringLiteral("td_v5_72x14_topleft.bmp") << topLeft;
        QTest::newRow("all-white") << QStringLiteral("pil_72x14_white.bmp") << zeros(252);
        QTest::newRow("all-black") << QStringLiteral("pil_72x14_black.bmp")
                                   << QString(252, QLatin1Char('F'));
    }
    void logoFromToolFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, hex);
        modLeggeBMP::BmpReader r;
        QVERIFY(open(r, fixture(file)));
        QCOMPARE(LogoToHex(r), hex);
    }

    // Only pure black counts: dark grey and colours are sent as white.
    void onlyPureBlackIsOne()
    {
        BmpSpec s;
        s.bitCount = 24;
        s.table = {};
        s.pixel = [](int x, int y) {
            if (y != 0)
                return 0xFFFFFFu;
            return x < 8 ? 0x000000u : x < 16 ? 0x010101u : 0xFF0000u;
        };
        modLeggeBMP::BmpReader r;
        QVERIFY(open(r, write(buildBmp(s))));
        QCOMPARE(LogoToHex(r), QStringLiteral("FF") + zeros(250));
    }

    // Each row is exactly 9 octets, the first pixel in the most significant bit.
    void logoRowLayout()
    {
        BmpSpec s;
        s.table = {0xFFFFFF, 0x000000};
        s.pixel = [](int x, int y) { return (y == 1 && (x == 0 || x == 71)) || (y == 13 && x == 9) ? 1u : 0u; };
        modLeggeBMP::BmpReader r;
        QVERIFY(open(r, write(buildBmp(s))));
        const QString hex = LogoToHex(r);
        QCOMPARE(hex.size(), 252);
        QCOMPARE(hex.mid(18, 18), QStringLiteral("80") + zeros(14) + QStringLiteral("01"));
        QCOMPARE(hex.mid(234, 18), QStringLiteral("0040") + zeros(14));
        QCOMPARE(hex.count(QLatin1Char('0')), 252 - 3);
    }

    void pictureFromToolFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("pil") << QStringLiteral("pil_72x28_bottomright.bmp");
        QTest::newRow("imagemagick") << QStringLiteral("im_bmp3_72x28_bottomright.bmp");
        QTest::newRow("top-down") << QStringLiteral("td_72x28_bottomright.bmp");
    }
    void pictureFromToolFiles()
    {
        QFETCH(QString, file);
        modLeggeBMP::BmpReader r;
        QVERIFY(open(r, fixture(file)));
        QCOMPARE(PictureToHex(r, 1), zeros(234));
        QCOMPARE(PictureToHex(r, 2), zeros(256));
        QCOMPARE(PictureToHex(r, 3), QStringLiteral("00000000000001"));
        QVERIFY(PictureToHex(r, 0).isEmpty());
        QVERIFY(PictureToHex(r, 4).isEmpty());
    }

    // The pixels on each side of the cuts between the three parts.
    void pictureParts_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("digit");      // 0-based position of the changed hex digit
        QTest::addColumn<QChar>("value");
        QTest::newRow("first-pixel") << 0 << 0 << 1 << 0 << QChar(u'8');
        QTest::newRow("row12-last") << 71 << 12 << 1 << 233 << QChar(u'1');
        QTest::newRow("row13-first") << 0 << 13 << 2 << 0 << QChar(u'8');
        QTest::newRow("row26-last") << 71 << 26 << 2 << 251 << QChar(u'1');
        QTest::newRow("row27-col0") << 0 << 27 << 2 << 252 << QChar(u'8');
        QTest::newRow("row27-col15") << 15 << 27 << 2 << 255 << QChar(u'1');
        QTest::newRow("row27-col16") << 16 << 27 << 3 << 0 << QChar(u'8');
        QTest::newRow("row27-col71") << 71 << 27 << 3 << 13 << QChar(u'1');
    }
    void pictureParts()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, part);
        QFETCH(int, digit);
        QFETCH(QChar, value);
        BmpSpec s;
        s.height = 28;
        s.pixel = [x, y](int px, int py) { return px == x && py == y ? 0u : 1u; };
        modLeggeBMP::BmpReader r;
        QVERIFY(open(r, write(buildBmp(s))));
        const int lengths[] = {234, 256, 14};
        for (int p = 1; p <= 3; ++p) {
            QString expected = zeros(lengths[p - 1]);
            if (p == part)
                expected[digit] = value;
            QCOMPARE(PictureToHex(r, p), expected);
        }
    }

    void unreadableFileGivesNoData()
    {
        modLeggeBMP::BmpReader r;
        QVERIFY(LogoToHex(r).isEmpty());
        QVERIFY(!open(r, m_dir.filePath(QStringLiteral("missing.bmp"))));
        QVERIFY(LogoToHex(r).isEmpty());
        QVERIFY(PictureToHex(r, 1).isEmpty());
        QVERIFY(open(r, fixture(QStringLiteral("pil_72x14_topleft.bmp"))));
        QVERIFY(PictureToHex(r, 1).isEmpty());   // 14 rows cannot give a 28-row picture
    }

    void sizeCheck_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("error");
        const QString logo = QStringLiteral("Bitmap must be 72x14x2 !!!");
        const QString pic = QStringLiteral("Bitmap must be 72x28x2 !!!");
        QTest::newRow("logo-ok") << 72 << 14 << 1 << false << QString();
        QTest::newRow("logo-top-down-ok") << 72 << -14 << 1 << false << QString();
        QTest::newRow("picture-ok") << 72 << 28 << 1 << true << QString();
        QTest::newRow("picture-top-down-ok") << 72 << -28 << 1 << true << QString();
        QTest::newRow("logo-4bit") << 72 << 14 << 4 << false << logo;
        QTest::newRow("logo-72x28") << 72 << 28 << 1 << false << logo;
        QTest::newRow("logo-73-wide") << 73 << 14 << 1 << false << logo;
        QTest::newRow("picture-72x14") << 72 << 14 << 1 << true << pic;
        QTest::newRow("picture-24bit") << 72 << 28 << 24 << true << pic;
    }
    void sizeCheck()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bits);
        QFETCH(bool, picture);
        QFETCH(QString, error);
        StruttureBMP::BITMAPINFO info;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biBitCount = std::uint16_t(bits);
        QCOMPARE(LogoSizeError(info, picture), error);
    }

    void countryCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mcc");
        QTest::newRow("empty") << QString() << QStringLiteral("FFFF");
        QTest::newRow("2") << QStringLiteral("2") << QStringLiteral("00F2");
        QTest::newRow("22") << QStringLiteral("22") << QStringLiteral("0022");
        QTest::newRow("222") << QStringLiteral("222") << QStringLiteral("22F2");
        QTest::newRow("262") << QStringLiteral("262") << QStringLiteral("62F2");
        QTest::newRow("12") << QStringLiteral("12") << QStringLiteral("0021");
        QTest::newRow("letter-is-0") << QStringLiteral("2a3") << QStringLiteral("02F3");
        QTest::newRow("four-unchanged") << QStringLiteral("2222") << QStringLiteral("KEEP");
    }
    void countryCode()
    {
        QFETCH(QString, text);
        QFETCH(QString, mcc);
        QCOMPARE(CountryCodeToMcc(text, QStringLiteral("KEEP")), mcc);
    }

    void operatorCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mnc");
        QTest::newRow("empty") << QString() << QStringLiteral("FF");
        QTest::newRow("1") << QStringLiteral("1") << QStringLiteral("10");
        QTest::newRow("01") << QStringLiteral("01") << QStringLiteral("10");
        QTest::newRow("12") << QStringLiteral("12") << QStringLiteral("21");
        QTest::newRow("letter-is-0") << QStringLiteral("x5") << QStringLiteral("50");
        QTest::newRow("three-unchanged") << QStringLiteral("123") << QStringLiteral("KEEP");
    }
    void operatorCode()
    {
        QFETCH(QString, text);
        QFETCH(QString, mnc);
        QCOMPARE(OperatorCodeToMnc(text, QStringLiteral("KEEP")), mnc);
    }

    void operatorFileRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("op");
        QTest::newRow("numeric-first-field") << QByteArray("001\r\n01\r\n") << QStringLiteral("1") << QStringLiteral("01");
        QTest::newRow("plain") << QByteArray("222\r\n10\r\n") << QStringLiteral("222") << QStringLiteral("10");
        QTest::newRow("text-first-field") << QByteArray("2a2\r\n5\r\n") << QStringLiteral("2a2") << QStringLiteral("5");
        QTest::newRow("blanks-dropped") << QByteArray("  262 \r\n 02\r\n") << QStringLiteral("262") << QStringLiteral("02");
        QTest::newRow("one-line") << QByteArray("222\r\n") << QStringLiteral("222") << QString();
        QTest::newRow("comma-fields") << QByteArray("222,01\r\n") << QStringLiteral("222") << QStringLiteral("01");
        QTest::newRow("lf-only") << QByteArray("222\n01\n") << QStringLiteral("222") << QStringLiteral("01");
        QTest::newRow("empty") << QByteArray() << QString() << QString();
    }
    void operatorFileRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, country);
        QFETCH(QString, op);
        const auto codes = ReadOperatorFile(write(bytes));
        QVERIFY(codes.has_value());
        QCOMPARE(codes->countryCode, country);
        QCOMPARE(codes->operatorCode, op);
    }

    void operatorFileMissing()
    {
        QVERIFY(!ReadOperatorFile(m_dir.filePath(QStringLiteral("Operator.sms"))).has_value());
    }

    void operatorFileWrite()
    {
        const QString path = m_dir.filePath(QStringLiteral("Operator.sms"));
        QVERIFY(WriteOperatorFile(path, {QStringLiteral("222"), QStringLiteral("01")}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("222\r\n01\r\n"));
        f.close();
        const auto codes = ReadOperatorFile(path);
        QVERIFY(codes.has_value());
        QCOMPARE(codes->countryCode, QStringLiteral("222"));
        QCOMPARE(codes->operatorCode, QStringLiteral("01"));
        QVERIFY(!WriteOperatorFile(m_dir.filePath(QStringLiteral("no/such/dir/Operator.sms")),
                                   {QStringLiteral("1"), QStringLiteral("2")}));
    }

    void fieldAsValue_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("leading-zeros") << QStringLiteral("001") << QStringLiteral("1");
        QTest::newRow("zero") << QStringLiteral("000") << QStringLiteral("0");
        QTest::newRow("fraction") << QStringLiteral("2.50") << QStringLiteral("2.5");
        QTest::newRow("text") << QStringLiteral("abc") << QStringLiteral("abc");
        QTest::newRow("digits-then-text") << QStringLiteral("22x") << QStringLiteral("22x");
        QTest::newRow("empty") << QString() << QString();
    }
    void fieldAsValue()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QCOMPARE(FieldAsValue(field), value);
    }
};

QTEST_GUILESS_MAIN(TestBitmap)
#include "tst_bitmap.moc"
