// SPDX-License-Identifier: GPL-3.0-or-later
// The BMP reader against hand-built files and files written by ImageMagick and Pillow.
#include "bmpbuilder.h"
#include "logos/modleggebmp.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace modLeggeBMP;
using StruttureBMP::BITMAPFILEHEADER;
using StruttureBMP::BITMAPINFO;

namespace {

// 0xRRGGBB as the reader's colour value red + 256 * green + 65536 * blue.
ColourValue colourOf(std::uint32_t rgb)
{
    return ColourValue((rgb >> 16) & 0xFF) + 256 * ColourValue((rgb >> 8) & 0xFF)
           + 65536 * ColourValue(rgb & 0xFF);
}

// A picture that tells top from bottom and left from right.
bool patternBlack(int x, int y) { return (x + 2 * y) % 5 == 0 || (y == 0 && x < 3); }

QString fixture(const char *name)
{
    return QStringLiteral(SMS_BMP_DATA "/")
           + QString::fromLatin1(name);
}

struct Check
{
    int x, y;
    std::uint32_t rgb;
};

} // namespace

Q_DECLARE_METATYPE(BmpSpec)
Q_DECLARE_METATYPE(QList<Check>)

class TestModLeggeBmp : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QByteArray &bytes, const QString &suffix = QStringLiteral(".bmp"))
    {
        const QString path = m_dir.filePath(QString::number(++m_files) + suffix);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return path;
    }

    static bool open(BmpReader &r, const QString &path)
    {
        BITMAPFILEHEADER fh;
        BITMAPINFO info;
        Palette pal{};
        return OpenBmp(r, path, fh, info, pal);
    }

private slots:
    void rowStride_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("stride");
        QTest::newRow("72-1bit") << 72 << 1 << 12;
        QTest::newRow("72-4bit") << 72 << 4 << 36;
        QTest::newRow("72-8bit") << 72 << 8 << 72;
        QTest::newRow("72-24bit") << 72 << 24 << 216;
        QTest::newRow("33-1bit") << 33 << 1 << 8;
        QTest::newRow("1-24bit") << 1 << 24 << 4;
        QTest::newRow("32-1bit-exact") << 32 << 1 << 4;
    }
    void rowStride()
    {
        QFETCH(int, width);
        QFETCH(int, bits);
        QFETCH(int, stride);
        QCOMPARE(RowStride(width, bits), stride);
        BmpSpec s;
        s.width = width;
        s.bitCount = bits;
        s.table = bits <= 8 ? QList<std::uint32_t>(1 << bits, 0) : QList<std::uint32_t>{};
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(s))));
        QCOMPARE(r.BmpRowStride, stride);
    }

    // Every pixel of a hand-built file, in every depth, in both row orders.
    void readsEveryDepth_data()
    {
        QTest::addColumn<BmpSpec>("spec");
        QTest::addColumn<QList<std::uint32_t>>("colours");   // 0xRRGGBB by index (or direct)

        const QList<std::uint32_t> bw{0x000000, 0xFFFFFF};
        BmpSpec s;
        s.pixel = [](int x, int y) { return patternBlack(x, y) ? 0u : 1u; };
        QTest::newRow("1bit-black-white") << s << bw;
        s.topDown = true;
        QTest::newRow("1bit-top-down") << s << bw;
        s.topDown = false;

        // The same picture with the table inverted: the bits are looked up, not taken as colours.
        BmpSpec inv;
        inv.table = {0xFFFFFF, 0x000000};
        inv.pixel = [](int x, int y) { return patternBlack(x, y) ? 1u : 0u; };
        QTest::newRow("1bit-white-black") << inv << QList<std::uint32_t>{0xFFFFFF, 0x000000};

        BmpSpec odd = s;
        odd.width = 33;
        odd.height = 5;
        QTest::newRow("1bit-33-wide") << odd << bw;

        QList<std::uint32_t> sixteen;
        for (int i = 0; i < 16; ++i)
            sixteen << std::uint32_t(i * 0x111111);
        BmpSpec four;
        four.bitCount = 4;
        four.table = sixteen;
        four.pixel = [](int x, int y) { return std::uint32_t((x * 3 + y) % 16); };
        QTest::newRow("4bit") << four << sixteen;
        four.width = 71;
        QTest::newRow("4bit-odd-width") << four << sixteen;

        QList<std::uint32_t> ramp;
        for (int i = 0; i < 256; ++i)
            ramp << std::uint32_t((i << 16) | ((255 - i) << 8) | (i ^ 0x5A));
        BmpSpec eight;
        eight.bitCount = 8;
        eight.table = ramp;
        eight.pixel = [](int x, int y) { return std::uint32_t((x * 7 + y * 13) % 256); };
        QTest::newRow("8bit") << eight << ramp;

        BmpSpec rgb;
        rgb.bitCount = 24;
        rgb.table = {};
        rgb.pixel = [](int x, int y) { return std::uint32_t((x << 16) | (y << 8) | (x ^ y)); };
        QTest::newRow("24bit") << rgb << QList<std::uint32_t>{};
        rgb.topDown = true;
        rgb.width = 5;   // 15 octets of pixels in a 16-octet row
        QTest::newRow("24bit-top-down-5-wide") << rgb << QList<std::uint32_t>{};
    }
    void readsEveryDepth()
    {
        QFETCH(BmpSpec, spec);
        QFETCH(QList<std::uint32_t>, colours);
        BmpReader r;
        BITMAPFILEHEADER fh;
        BITMAPINFO info;
        Palette pal{};
        QVERIFY(OpenBmp(r, write(buildBmp(spec)), fh, info, pal));
        QCOMPARE(r.BmpWidth, spec.width);
        QCOMPARE(r.BmpHeight, spec.height);
        QCOMPARE(r.BmpTopDown, spec.topDown);
        QCOMPARE(info.bmiHeader.biHeight, spec.topDown ? -spec.height : spec.height);
        for (int i = 0; i < colours.size(); ++i)
            QCOMPARE(pal[std::size_t(i)], colourOf(colours.at(i)));

        const auto expected = [&](int x, int y) {
            const std::uint32_t v = spec.pixel(x, y);
            return colourOf(spec.bitCount == 24 ? v : colours.at(int(v)));
        };
        PixelRect px;
        const bool cancel = false;
        QVERIFY(ReadBmpRect(r, px, 0, 0, spec.width - 1, spec.height - 1, cancel));
        QCOMPARE(px.width, spec.width);
        QCOMPARE(px.height, spec.height);
        for (int y = 0; y < spec.height; ++y)
            for (int x = 0; x < spec.width; ++x)
                QVERIFY2(px.at(x, y) == expected(x, y),
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));

        // A rectangle that starts inside an octet and inside a row.
        const int x1 = 3, y1 = 1, x2 = spec.width - 2, y2 = spec.height - 1;
        QVERIFY(ReadBmpRect(r, px, x1, y1, x2, y2, cancel));
        QCOMPARE(px.width, x2 - x1 + 1);
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x)
                QVERIFY2(px.at(x - x1, y - y1) == expected(x, y),
                         qPrintable(QStringLiteral("sub pixel %1,%2").arg(x).arg(y)));
    }

    void twentyFourBitRedIs255()
    {
        BmpSpec s;
        s.bitCount = 24;
        s.table = {};
        s.pixel = [](int x, int y) { return x == 0 && y == 0 ? 0xFF0000u : 0xFFFFFFu; };
        const QByteArray bytes = buildBmp(s);
        // The stored octets of the top-left pixel (last row in the file): 00 00 FF.
        QCOMPARE(bytes.mid(54 + 216 * 13, 3), QByteArray("\x00\x00\xFF", 3));
        BmpReader r;
        QVERIFY(open(r, write(bytes)));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, cancel));
        QCOMPARE(px.at(0, 0), 255);
        QCOMPARE(px.at(1, 0), kWhite);
    }

    void otherDepthsOpenButDoNotRead_data()
    {
        QTest::addColumn<int>("bits");
        QTest::newRow("16bit") << 16;
        QTest::newRow("32bit") << 32;
        QTest::newRow("2bit") << 2;
    }
    void otherDepthsOpenButDoNotRead()
    {
        QFETCH(int, bits);
        BmpSpec s;
        s.bitCount = bits;
        s.table = bits == 2 ? QList<std::uint32_t>{0, 0xFFFFFF, 0, 0} : QList<std::uint32_t>{};
        s.pixel = [](int, int) { return 0xFFFFu; };
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(s))));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, cancel));
        QCOMPARE(px.values.size(), std::size_t(72 * 14));
        QVERIFY(std::all_of(px.values.begin(), px.values.end(), [](int v) { return v == 0; }));
    }

    void textFileNamedBmp_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("short") << QByteArray("hello\r\n");
        QTest::newRow("long") << QByteArray("This is not a picture at all, only a text file.\r\n")
                                     .repeated(4);
    }
    void textFileNamedBmp()
    {
        QFETCH(QByteArray, text);
        BmpReader r;
        QVERIFY(!open(r, write(text)));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 0, 0, cancel));
    }

    void missingFileLeavesOutputsAlone()
    {
        BmpReader r;
        BITMAPFILEHEADER fh;
        fh.bfOffBits = 1234;
        BITMAPINFO info;
        info.bmiHeader.biWidth = 99;
        Palette pal{};
        pal[0] = 42;
        QVERIFY(!OpenBmp(r, m_dir.filePath(QStringLiteral("none.bmp")), fh, info, pal));
        QCOMPARE(fh.bfOffBits, 1234u);
        QCOMPARE(info.bmiHeader.biWidth, 99);
        QCOMPARE(pal[0], 42);
        // Too short for the two headers: also untouched.
        QVERIFY(!OpenBmp(r, write(buildBmp(BmpSpec{}).left(40)), fh, info, pal));
        QCOMPARE(info.bmiHeader.biWidth, 99);
    }

    void notBmCopiesWhatItRead()
    {
        BmpSpec s;
        s.magic = "XY";
        BmpReader r;
        BITMAPFILEHEADER fh;
        BITMAPINFO info;
        Palette pal{};
        QVERIFY(!OpenBmp(r, write(buildBmp(s)), fh, info, pal));
        QCOMPARE(info.bmiHeader.biWidth, 72);
        QCOMPARE(fh.bfType, std::uint16_t('X' | ('Y' << 8)));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, cancel));
    }

    // Files that promise what they do not hold, or that are not uncompressed BMPs.
    void refusesBrokenFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const BmpSpec good;
        QByteArray b;

        BmpSpec s = good;
        s.compression = 1;   // RLE8
        QTest::newRow("compressed") << buildBmp(s);
        s = good;
        s.chopEnd = 20;      // rows missing
        QTest::newRow("truncated-rows") << buildBmp(s);
        b = buildBmp(good);
        putLe(b, 10, 100000, 4);
        QTest::newRow("offbits-past-end") << b;
        b = buildBmp(good);
        putLe(b, 10, 62 + 4, 4);   // one row's worth short
        QTest::newRow("offbits-rows-short") << b;
        s = good;
        s.offBits = 20;      // inside the headers
        QTest::newRow("offbits-inside-header") << buildBmp(s);
        s = good;
        s.infoSize = 12;     // OS/2 core header: another layout
        QTest::newRow("core-header") << buildBmp(s);
        b = buildBmp(good);
        putLe(b, 14, 0x7FFFFFF0u, 4);
        QTest::newRow("huge-info-size") << b;
        b = buildBmp(good);
        putLe(b, 18, 0x7FFFFFFFu, 4);
        putLe(b, 22, 0x7FFFFFFFu, 4);
        QTest::newRow("huge-width-height") << b;
        b = buildBmp(good);
        putLe(b, 22, 0x80000000u, 4);
        QTest::newRow("height-int-min") << b;
        b = buildBmp(good);
        putLe(b, 18, 0xFFFFFFB8u, 4);   // -72
        QTest::newRow("negative-width") << b;
        b = buildBmp(good);
        putLe(b, 22, 0, 4);
        QTest::newRow("zero-height") << b;
        b = buildBmp(good);
        putLe(b, 28, 0, 2);
        QTest::newRow("zero-bit-count") << b;
        b = buildBmp(good);
        putLe(b, 28, 64, 2);
        QTest::newRow("64-bit-count") << b;
        s = good;
        s.bitCount = 8;
        s.table = {0, 0xFFFFFF};
        s.offBits = 14 + 40 + 2 * 4;
        b = buildBmp(s).left(14 + 40 + 100);   // 256-entry table expected, file ends early
        QTest::newRow("table-past-end") << b;
    }
    void refusesBrokenFiles()
    {
        QFETCH(QByteArray, bytes);
        BmpReader r;
        // A good file first, so that a refusal must also stop reading the old one.
        QVERIFY(open(r, write(buildBmp(BmpSpec{}))));
        QVERIFY(!open(r, write(bytes)));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 0, 0, cancel));
        QVERIFY(px.values.empty());
    }

    void lastRowWithoutPaddingIsRead()
    {
        BmpSpec s;
        s.pixel = [](int x, int y) { return patternBlack(x, y) ? 0u : 1u; };
        s.chopEnd = 3;   // the top row (stored last) keeps its 9 pixel octets, loses padding
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(s))));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, cancel));
        QCOMPARE(px.at(0, 0), kBlack);
        QCOMPARE(px.at(71, 0), patternBlack(71, 0) ? kBlack : kWhite);
    }

    void rectangleOutsidePicture_data()
    {
        QTest::addColumn<QList<int>>("rect");
        QTest::newRow("past-right") << QList<int>{0, 0, 72, 13};
        QTest::newRow("past-bottom") << QList<int>{0, 0, 71, 14};
        QTest::newRow("negative") << QList<int>{-1, 0, 71, 13};
        QTest::newRow("reversed") << QList<int>{5, 0, 4, 13};
        QTest::newRow("huge") << QList<int>{0, 0, std::numeric_limits<int>::max(),
                                            std::numeric_limits<int>::max()};
    }
    void rectangleOutsidePicture()
    {
        QFETCH(QList<int>, rect);
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(BmpSpec{}))));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(!ReadBmpRect(r, px, rect[0], rect[1], rect[2], rect[3], cancel));
        QVERIFY(px.values.empty());
    }

    // A large but honest file: the reader only allocates the rectangle asked for.
    void largeFileSmallRectangle()
    {
        BmpSpec s;
        s.width = 4000;
        s.height = 3000;
        s.pixel = [](int x, int y) { return x == 3999 && y == 2999 ? 0u : 1u; };
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(s))));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(ReadBmpRect(r, px, 3990, 2990, 3999, 2999, cancel));
        QCOMPARE(px.at(9, 9), kBlack);
        QCOMPARE(px.at(0, 0), kWhite);
        QVERIFY(ReadBmpRect(r, px, 0, 0, 3999, 2999, cancel));   // 12 M pixels: within bounds
        BmpSpec wide = s;
        wide.width = 8000;
        wide.pixel = [](int, int) { return 1u; };
        QVERIFY(open(r, write(buildBmp(wide))));
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 7999, 2999, cancel));   // 24 M pixels: refused
        QVERIFY(px.values.empty());
    }

    void cancelAndEventsBetweenRows()
    {
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(BmpSpec{}))));
        PixelRect px;
        bool cancel = false;
        int rows = 0;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, cancel, [&] { ++rows; }));
        QCOMPARE(rows, 14);
        rows = 0;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, cancel, [&] {
            if (++rows == 3)
                cancel = true;
        }));
        QCOMPARE(rows, 3);
        QCOMPARE(px.at(0, 2), kWhite);   // rows read so far are kept
        QCOMPARE(px.at(0, 3), 0);
    }

    // Another file opened from an event handler in the middle of a read stops that read.
    void reopenDuringReadStopsIt()
    {
        BmpReader r;
        const QString a = write(buildBmp(BmpSpec{}));
        QVERIFY(open(r, a));
        PixelRect px;
        const bool cancel = false;
        int rows = 0;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, cancel, [&] {
            if (++rows == 2)
                open(r, a);
        }));
        QCOMPARE(rows, 2);
    }

    void nextOpenReplacesFile()
    {
        BmpSpec black;
        black.pixel = [](int, int) { return 0u; };
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(BmpSpec{}))));
        QVERIFY(open(r, write(buildBmp(black))));
        PixelRect px;
        const bool cancel = false;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, cancel));
        QCOMPARE(px.at(5, 5), kBlack);
        QVERIFY(!open(r, m_dir.filePath(QStringLiteral("missing.bmp"))));
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, cancel));
    }

    // A short colour table (biClrUsed): the pixels that follow it are not taken as colours.
    void honoursClrUsed()
    {
        BmpSpec s;
        s.bitCount = 8;
        s.table = {0xFFFFFF, 0x000000};
        s.clrUsed = 2;
        s.pixel = [](int x, int y) { return x == y ? 1u : 0u; };
        BmpReader r;
        BITMAPFILEHEADER fh;
        BITMAPINFO info;
        Palette pal{};
        pal[2] = 77;
        QVERIFY(OpenBmp(r, write(buildBmp(s)), fh, info, pal));
        QCOMPARE(pal[0], kWhite);
        QCOMPARE(pal[1], kBlack);
        QCOMPARE(pal[2], 0);
        PixelRect px;
        const bool cancel = false;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, cancel));
        QCOMPARE(px.at(3, 3), kBlack);
        QCOMPARE(px.at(4, 3), kWhite);
    }

    // A longer info header moves the colour table.
    void honoursInfoHeaderSize()
    {
        BmpSpec s;
        s.infoSize = 124;
        s.table = {0xFFFFFF, 0x000000};
        s.pixel = [](int x, int y) { return x == 0 && y == 0 ? 1u : 0u; };
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(s))));
        QCOMPARE(r.BmpPalette[0], kWhite);
        PixelRect px;
        const bool cancel = false;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, cancel));
        QCOMPARE(px.at(0, 0), kBlack);
        QCOMPARE(px.at(1, 0), kWhite);
    }

    // Files written by ImageMagick and Pillow (see tests/data/bmp/README).
    void toolFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QList<Check>>("checks");   // all other pixels white

        const QList<Check> topLeft{{0, 0, 0x000000}};
        const QList<Check> bottomRight{{71, 27, 0x000000}};
        QTest::newRow("im-v4-1bit") << fixture("im_v4_72x14_topleft.bmp") << true << 14 << 1 << topLeft;
        QTest::newRow("im-v5-1bit") << fixture("im_v5_72x14_topleft.bmp") << true << 14 << 1 << topLeft;
        QTest::newRow("im-bmp3-72x28") << fixture("im_bmp3_72x28_bottomright.bmp") << true << 28 << 1 << bottomRight;
        QTest::newRow("im-4bit") << fixture("im_72x14_palette.bmp") << true << 14 << 4
                                 << QList<Check>{{0, 0, 0x000000}, {1, 0, 0xFF0000}, {2, 0, 0x0000FF}};
        QTest::newRow("im-24bit") << fixture("im_72x14_24bit.bmp") << true << 14 << 24
                                  << QList<Check>{{0, 0, 0x000000}, {1, 0, 0xFF0000}};
        QTest::newRow("im-bitfields-refused") << fixture("im_72x14_bitfields.bmp") << false << 14 << 32 << QList<Check>{};
        QTest::newRow("pil-1bit") << fixture("pil_72x14_topleft.bmp") << true << 14 << 1 << topLeft;
        QTest::newRow("pil-white") << fixture("pil_72x14_white.bmp") << true << 14 << 1 << QList<Check>{};
        QTest::newRow("pil-72x28") << fixture("pil_72x28_bottomright.bmp") << true << 28 << 1 << bottomRight;
        QTest::newRow("pil-8bit") << fixture("pil_72x14_8bit.bmp") << true << 14 << 8
                                  << QList<Check>{{0, 0, 0x000000}, {71, 13, 0x808080}};
        QTest::newRow("pil-8bit-short-table") << fixture("pil_72x14_8bit_short.bmp") << true << 14 << 8
                                              << QList<Check>{{0, 0, 0x000000}, {1, 0, 0xFF0000}};
        QTest::newRow("pil-24bit") << fixture("pil_72x14_24bit.bmp") << true << 14 << 24
                                   << QList<Check>{{0, 0, 0x000000}, {1, 0, 0xFF0000}, {71, 13, 0x0000FF}};
        QTest::newRow("top-down-1bit") << fixture("td_72x14_topleft.bmp") << true << 14 << 1 << topLeft;
        QTest::newRow("top-down-v5") << fixture("td_v5_72x14_topleft.bmp") << true << 14 << 1 << topLeft;
        QTest::newRow("top-down-72x28") << fixture("td_72x28_bottomright.bmp") << true << 28 << 1 << bottomRight;
    }
    void toolFiles()
    {
        QFETCH(QString, file);
        QFETCH(bool, opens);
        QFETCH(int, height);
        QFETCH(int, bits);
        QFETCH(QList<Check>, checks);
        BmpReader r;
        BITMAPFILEHEADER fh;
        BITMAPINFO info;
        Palette pal{};
        QVERIFY(QFile::exists(file));
        QCOMPARE(OpenBmp(r, file, fh, info, pal), opens);
        QCOMPARE(int(info.bmiHeader.biBitCount), bits);
        if (!opens)
            return;
        QCOMPARE(r.BmpHeight, height);
        PixelRect px;
        const bool cancel = false;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, height - 1, cancel));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < 72; ++x) {
                std::uint32_t rgb = 0xFFFFFF;
                for (const Check &c : checks)
                    if (c.x == x && c.y == y)
                        rgb = c.rgb;
                QVERIFY2(px.at(x, y) == colourOf(rgb),
                         qPrintable(QStringLiteral("pixel %1,%2 is %3")
                                        .arg(x).arg(y).arg(px.at(x, y), 6, 16, QLatin1Char('0'))));
            }
        }
    }

    // Random damage to the headers and the colour table of good files: every outcome is a
    // clean refusal or a picture whose pixels can be read. Run under the sanitizers too.
    void damagedHeadersAreHandled()
    {
        QRandomGenerator rng(20261206);
        QList<QByteArray> seeds;
        for (int bits : {1, 4, 8, 24}) {
            BmpSpec s;
            s.bitCount = bits;
            s.table = bits <= 8 ? QList<std::uint32_t>(1 << bits, 0x123456) : QList<std::uint32_t>{};
            seeds << buildBmp(s);
        }
        QFile v5(fixture("im_v5_72x14_topleft.bmp"));
        QVERIFY(v5.open(QIODevice::ReadOnly));
        seeds << v5.readAll();

        const QString path = m_dir.filePath(QStringLiteral("damaged.bmp"));
        int opened = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray b = seeds.at(round % seeds.size());
            const int changes = 1 + int(rng.bounded(4));
            for (int c = 0; c < changes; ++c) {
                const int at = int(rng.bounded(std::min<int>(int(b.size()), 160)));
                b[at] = char(rng.bounded(256));
                if (rng.bounded(4) == 0)   // sometimes a whole field turns extreme
                    putLe(b, std::min(at, int(b.size()) - 4), rng.bounded(2) ? 0xFFFFFFFFu : 0x7FFFFFFFu, 4);
            }
            if (rng.bounded(5) == 0)
                b.truncate(int(rng.bounded(int(b.size()))));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(b);
            f.close();

            BmpReader r;
            const bool ok = open(r, path);
            PixelRect px;
            const bool cancel = false;
            if (!ok) {
                QVERIFY(!ReadBmpRect(r, px, 0, 0, 0, 0, cancel));
                continue;
            }
            ++opened;
            QVERIFY(r.BmpWidth > 0 && r.BmpHeight > 0);
            QVERIFY(r.BmpDataPosition - 1 + r.BmpRowStride * (r.BmpHeight - 1) <= b.size());
            const int w = int(std::min<std::int64_t>(r.BmpWidth, 100));
            const int h = int(std::min<std::int64_t>(r.BmpHeight, 100));
            const bool read = ReadBmpRect(r, px, 0, 0, w - 1, h - 1, cancel);
            const int bc = r.BmpBitCount;
            QCOMPARE(read, bc == 1 || bc == 4 || bc == 8 || bc == 24);
            QCOMPARE(px.values.size(), std::size_t(w) * std::size_t(h));
        }
        QVERIFY(opened > 100);   // the damage did not simply break every file
    }

    void init() { QVERIFY(m_dir.isValid()); }
};

QTEST_GUILESS_MAIN(TestModLeggeBmp)
#include "tst_modleggebmp.moc"
