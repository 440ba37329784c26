// SPDX-License-Identifier: GPL-3.0-or-later
// The BMP reader and the Smart Messaging bitmap data against hand-built files and files
// written by ImageMagick and Pillow (see tests/data/bmp/README); the code encodings and
// Operator.sms.
#include "bmpbuilder.h"
#include "logos/bitmap.h"
#include "logos/modleggebmp.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace modLeggeBMP;
using namespace Bitmap;

namespace {

// 0xRRGGBB as the reader's colour value red + 256 * green + 65536 * blue.
ColourValue colourOf(std::uint32_t rgb)
{
    return ColourValue((rgb >> 16) & 0xFF) + 256 * ColourValue((rgb >> 8) & 0xFF)
           + 65536 * ColourValue(rgb & 0xFF);
}

// A picture that tells top from bottom and left from right.
bool patternBlack(int x, int y) { return (x + 2 * y) % 5 == 0 || (y == 0 && x < 3); }

QString fixture(const QString &name) { return QStringLiteral(SMS_BMP_DATA "/") + name; }

QByteArray fixtureBytes(const QString &name)
{
    QFile f(fixture(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString zeros(int n) { return QString(n, QLatin1Char('0')); }

struct Check
{
    int x, y;
    std::uint32_t rgb;
};

const bool kNoCancel = false;

} // namespace

Q_DECLARE_METATYPE(BmpLayout)
Q_DECLARE_METATYPE(QList<Check>)

class TestBmpFiles : public QObject
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

    static bool open(BmpReader &r, const QString &path)
    {
        StruttureBMP::BITMAPFILEHEADER fh;
        StruttureBMP::BITMAPINFO info;
        Palette pal{};
        return OpenBmp(r, path, fh, info, pal);
    }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // Every pixel of a hand-built file, in every readable depth and both row orders.
    void readsEveryDepth_data()
    {
        QTest::addColumn<BmpLayout>("layout");
        QTest::addColumn<QList<std::uint32_t>>("colours");   // 0xRRGGBB by index; empty: direct
        QTest::addColumn<int>("stride");

        const QList<std::uint32_t> bw{0x000000, 0xFFFFFF};
        BmpLayout l;
        l.pixel = [](int x, int y) { return patternBlack(x, y) ? 0u : 1u; };
        QTest::newRow("1bit") << l << bw << 12;
        l.topDown = true;
        QTest::newRow("1bit-top-down") << l << bw << 12;
        l.topDown = false;
        l.chopEnd = 3;   // the top row, stored last, keeps its 9 pixel octets but not its padding
        QTest::newRow("1bit-last-row-unpadded") << l << bw << 12;
        l.chopEnd = 0;
        l.width = 33;
        l.height = 5;
        QTest::newRow("1bit-33-wide") << l << bw << 8;
        // The table inverted: the bits are looked up, not taken as colours.
        l = BmpLayout{};
        l.table = {0xFFFFFF, 0x000000};
        l.pixel = [](int x, int y) { return patternBlack(x, y) ? 1u : 0u; };
        QTest::newRow("1bit-white-black") << l << l.table << 12;

        QList<std::uint32_t> sixteen, ramp;
        for (int i = 0; i < 16; ++i)
            sixteen << std::uint32_t(i * 0x111111);
        for (int i = 0; i < 256; ++i)
            ramp << std::uint32_t((i << 16) | ((255 - i) << 8) | (i ^ 0x5A));
        l.bitCount = 4;
        l.table = sixteen;
        l.pixel = [](int x, int y) { return std::uint32_t((x * 3 + y) % 16); };
        QTest::newRow("4bit") << l << sixteen << 36;
        l.width = 71;
        QTest::newRow("4bit-71-wide") << l << sixteen << 36;
        l.width = 72;
        l.bitCount = 8;
        l.table = ramp;
        l.pixel = [](int x, int y) { return std::uint32_t((x * 7 + y * 13) % 256); };
        QTest::newRow("8bit") << l << ramp << 72;
        l.bitCount = 24;
        l.table = {};
        l.pixel = [](int x, int y) { return std::uint32_t((x << 16) | (y << 8) | (x ^ y)); };
        QTest::newRow("24bit") << l << QList<std::uint32_t>{} << 216;
        l.topDown = true;
        l.width = 5;   // 15 octets of pixels in a 16-octet row
        QTest::newRow("24bit-top-down-5-wide") << l << QList<std::uint32_t>{} << 16;
    }
    void readsEveryDepth()
    {
        QFETCH(BmpLayout, layout);
        QFETCH(QList<std::uint32_t>, colours);
        QFETCH(int, stride);
        QCOMPARE(RowStride(layout.width, layout.bitCount), stride);
        BmpReader r;
        StruttureBMP::BITMAPFILEHEADER fh;
        StruttureBMP::BITMAPINFO info;
        Palette pal{};
        QVERIFY(OpenBmp(r, write(buildBmp(layout)), fh, info, pal));
        QCOMPARE(r.BmpRowStride, stride);
        QCOMPARE(r.BmpWidth, layout.width);
        QCOMPARE(r.BmpHeight, layout.height);
        QCOMPARE(info.bmiHeader.biHeight, layout.topDown ? -layout.height : layout.height);
        for (int i = 0; i < colours.size(); ++i)
            QCOMPARE(pal[std::size_t(i)], colourOf(colours.at(i)));

        const auto expected = [&](int x, int y) {
            const std::uint32_t v = layout.pixel(x, y);
            return colourOf(colours.isEmpty() ? v : colours.at(int(v)));
        };
        // The whole picture, then a rectangle that starts inside an octet and inside a row.
        for (const QList<int> &rect : {QList<int>{0, 0, layout.width - 1, layout.height - 1},
                                       QList<int>{3, 1, layout.width - 2, layout.height - 1}}) {
            PixelRect px;
            QVERIFY(ReadBmpRect(r, px, rect[0], rect[1], rect[2], rect[3], kNoCancel));
            QCOMPARE(px.width, rect[2] - rect[0] + 1);
            QCOMPARE(px.height, rect[3] - rect[1] + 1);
            for (int y = rect[1]; y <= rect[3]; ++y)
                for (int x = rect[0]; x <= rect[2]; ++x)
                    QVERIFY2(px.at(x - rect[0], y - rect[1]) == expected(x, y),
                             qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }

    void otherDepthsOpenButDoNotRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (int bits : {2, 16, 32}) {
            BmpLayout l;
            l.bitCount = bits;
            l.table = bits == 2 ? QList<std::uint32_t>{0, 0xFFFFFF, 0, 0} : QList<std::uint32_t>{};
            l.pixel = [](int, int) { return 0xFFFFu; };
            QTest::newRow(qPrintable(QStringLiteral("%1bit").arg(bits))) << buildBmp(l);
        }
        QTest::newRow("pil-32bit") << fixtureBytes(QStringLiteral("pil_72x14_32bit.bmp"));
    }
    void otherDepthsOpenButDoNotRead()
    {
        QFETCH(QByteArray, bytes);
        BmpReader r;
        QVERIFY(open(r, write(bytes)));
        PixelRect px;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel));
        QCOMPARE(px.values.size(), std::size_t(72 * 14));
        QVERIFY(std::all_of(px.values.begin(), px.values.end(), [](int v) { return v == 0; }));
    }

    // Files that are not uncompressed BMPs or that promise what they do not hold.
    void refusesBrokenFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const auto patched = [](int at, std::uint32_t v, int n) {
            QByteArray b = buildBmp(BmpLayout{});
            putLe(b, at, v, n);
            return b;
        };
        BmpLayout l;
        l.compression = 1;   // RLE8
        QTest::newRow("compressed") << buildBmp(l);
        l = BmpLayout{};
        l.chopEnd = 20;
        QTest::newRow("truncated-rows") << buildBmp(l);
        l = BmpLayout{};
        l.offBits = 20;
        QTest::newRow("offbits-inside-header") << buildBmp(l);
        l = BmpLayout{};
        l.infoSize = 12;   // OS/2 core header: another layout
        QTest::newRow("core-header") << buildBmp(l);
        l = BmpLayout{};
        l.magic = "XY";
        QTest::newRow("not-BM") << buildBmp(l);
        l.magic = "BM";
        l.bitCount = 8;   // a 256-entry table expected, the file ends early
        l.offBits = 14 + 40 + 2 * 4;
        QTest::newRow("table-past-end") << buildBmp(l).left(14 + 40 + 100);
        QTest::newRow("shorter-than-headers") << buildBmp(BmpLayout{}).left(40);
        QTest::newRow("offbits-past-end") << patched(10, 100000, 4);
        QTest::newRow("offbits-one-row-short") << patched(10, 62 + 4, 4);
        QTest::newRow("huge-info-size") << patched(14, 0x7FFFFFF0u, 4);
        QTest::newRow("huge-width") << patched(18, 0x7FFFFFFFu, 4);
        QTest::newRow("negative-width") << patched(18, 0xFFFFFFB8u, 4);
        QTest::newRow("height-int-min") << patched(22, 0x80000000u, 4);
        QTest::newRow("zero-height") << patched(22, 0, 4);
        QTest::newRow("zero-bit-count") << patched(28, 0, 2);
        QTest::newRow("64-bit-count") << patched(28, 64, 2);
        QTest::newRow("text-short") << QByteArray("hello\r\n");
        QTest::newRow("text-long") << QByteArray("Not a picture, only a text file.\r\n").repeated(4);
    }
    void refusesBrokenFiles()
    {
        QFETCH(QByteArray, bytes);
        BmpReader r;
        // A good file first: a refusal must also stop reading the old one.
        QVERIFY(open(r, write(buildBmp(BmpLayout{}))));
        QVERIFY(!open(r, write(bytes)));
        PixelRect px;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 0, 0, kNoCancel));
        QVERIFY(px.values.empty());
    }

    void rectangleOutsidePicture_data()
    {
        QTest::addColumn<QList<int>>("rect");
        const int big = std::numeric_limits<int>::max();
        QTest::newRow("past-right") << QList<int>{0, 0, 72, 13};
        QTest::newRow("past-bottom") << QList<int>{0, 0, 71, 14};
        QTest::newRow("negative") << QList<int>{-1, 0, 71, 13};
        QTest::newRow("reversed") << QList<int>{5, 0, 4, 13};
        QTest::newRow("huge") << QList<int>{0, 0, big, big};
    }
    void rectangleOutsidePicture()
    {
        QFETCH(QList<int>, rect);
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(BmpLayout{}))));
        PixelRect px;
        QVERIFY(!ReadBmpRect(r, px, rect[0], rect[1], rect[2], rect[3], kNoCancel));
        QVERIFY(px.values.empty());
    }

    // A large but honest file: only the rectangle asked for is allocated, up to a limit.
    void largeFileSmallRectangle()
    {
        BmpLayout l;
        l.width = 4000;
        l.height = 3000;
        l.pixel = [](int x, int y) { return x == 3999 && y == 2999 ? 0u : 1u; };
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(l))));
        PixelRect px;
        QVERIFY(ReadBmpRect(r, px, 3990, 2990, 3999, 2999, kNoCancel));
        QCOMPARE(px.at(9, 9), kBlack);
        QCOMPARE(px.at(0, 0), kWhite);
        QVERIFY(ReadBmpRect(r, px, 0, 0, 3999, 2999, kNoCancel));   // 12 M pixels
        l.width = 8000;
        QVERIFY(open(r, write(buildBmp(l))));
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 7999, 2999, kNoCancel));   // 24 M pixels: refused
        QVERIFY(px.values.empty());
    }

    // Events run after every row; a cancel or another open from there stops the read.
    void eventsCancelAndReopen()
    {
        BmpLayout black;
        black.pixel = [](int, int) { return 0u; };
        const QString whiteFile = write(buildBmp(BmpLayout{})), blackFile = write(buildBmp(black));
        BmpReader r;
        QVERIFY(open(r, whiteFile));
        QVERIFY(open(r, blackFile));
        PixelRect px;
        bool cancel = false;
        int rows = 0;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, cancel, [&] { ++rows; }));
        QCOMPARE(rows, 14);
        QCOMPARE(px.at(5, 5), kBlack);   // the file opened last

        rows = 0;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, cancel, [&] { cancel = ++rows == 3; }));
        QCOMPARE(rows, 3);
        QCOMPARE(px.at(0, 2), kBlack);   // rows read so far are kept
        QCOMPARE(px.at(0, 3), 0);

        rows = 0;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel, [&] {
            if (++rows == 2)
                open(r, whiteFile);
        }));
        QCOMPARE(rows, 2);
        QVERIFY(!open(r, m_dir.filePath(QStringLiteral("missing.bmp"))));
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel));
    }

    void toolFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("height");
        QTest::addColumn<QList<Check>>("checks");   // all other pixels white

        const QList<Check> topLeft{{0, 0, 0x000000}}, bottomRight{{71, 27, 0x000000}};
        const auto row = [](const char *file, bool opens, int height, const QList<Check> &c) {
            QTest::newRow(file) << QString::fromLatin1(file) << opens << height << c;
        };
        row("im_v4_72x14_topleft.bmp", true, 14, topLeft);
        row("im_v5_72x14_topleft.bmp", true, 14, topLeft);
        row("im_bmp3_72x28_bottomright.bmp", true, 28, bottomRight);
        row("im_72x14_palette.bmp", true, 14, {{0, 0, 0}, {1, 0, 0xFF0000}, {2, 0, 0x0000FF}});
        row("im_72x14_24bit.bmp", true, 14, {{0, 0, 0}, {1, 0, 0xFF0000}});
        row("im_72x14_bitfields.bmp", false, 14, {});
        row("pil_72x14_topleft.bmp", true, 14, topLeft);
        row("pil_72x14_white.bmp", true, 14, {});
        row("pil_72x28_bottomright.bmp", true, 28, bottomRight);
        row("pil_72x14_8bit.bmp", true, 14, {{0, 0, 0}, {71, 13, 0x808080}});
        row("pil_72x14_8bit_short.bmp", true, 14, {{0, 0, 0}, {1, 0, 0xFF0000}});
        row("pil_72x14_24bit.bmp", true, 14, {{0, 0, 0}, {1, 0, 0xFF0000}, {71, 13, 0x0000FF}});
        row("td_72x14_topleft.bmp", true, 14, topLeft);
        row("td_v5_72x14_topleft.bmp", true, 14, topLeft);
        row("td_72x28_bottomright.bmp", true, 28, bottomRight);
    }
    void toolFiles()
    {
        QFETCH(QString, file);
        QFETCH(bool, opens);
        QFETCH(int, height);
        QFETCH(QList<Check>, checks);
        QVERIFY(QFile::exists(fixture(file)));
        BmpReader r;
        QCOMPARE(open(r, fixture(file)), opens);
        if (!opens)
            return;
        QCOMPARE(r.BmpHeight, height);
        PixelRect px;
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, height - 1, kNoCancel));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < 72; ++x) {
                std::uint32_t rgb = 0xFFFFFF;
                for (const Check &c : checks)
                    rgb = c.x == x && c.y == y ? c.rgb : rgb;
                QVERIFY2(px.at(x, y) == colourOf(rgb),
                         qPrintable(QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y)
                                        .arg(px.at(x, y), 6, 16, QLatin1Char('0'))));
            }
        }
    }

    // Random damage to the headers and colour tables of good files: every outcome is a clean
    // refusal or a picture whose pixels lie inside the file. Run under the sanitizers too.
    void damagedHeadersAreHandled()
    {
        QRandomGenerator rng(20261206);
        QList<QByteArray> seeds{fixtureBytes(QStringLiteral("im_v5_72x14_topleft.bmp"))};
        for (int bits : {1, 4, 8, 24}) {
            BmpLayout l;
            l.bitCount = bits;
            l.table = QList<std::uint32_t>(bits <= 8 ? 1 << bits : 0, 0x123456);
            seeds << buildBmp(l);
        }
        int opened = 0;
        for (int round = 0; round < 600; ++round) {
            QByteArray b = seeds.at(round % seeds.size());
            for (int c = 0, changes = 1 + int(rng.bounded(4)); c < changes; ++c) {
                const int at = int(rng.bounded(std::min<int>(int(b.size()), 160)));
                b[at] = char(rng.bounded(256));
                if (rng.bounded(4) == 0)   // sometimes a whole field turns extreme
                    putLe(b, std::min(at, int(b.size()) - 4),
                          rng.bounded(2) ? 0xFFFFFFFFu : 0x7FFFFFFFu, 4);
            }
            if (rng.bounded(5) == 0)
                b.truncate(int(rng.bounded(int(b.size()))));
            BmpReader r;
            PixelRect px;
            if (!open(r, write(b))) {
                QVERIFY(!ReadBmpRect(r, px, 0, 0, 0, 0, kNoCancel));
                continue;
            }
            ++opened;
            QVERIFY(r.BmpWidth > 0 && r.BmpHeight > 0);
            QVERIFY(r.BmpDataPosition - 1 + r.BmpRowStride * (r.BmpHeight - 1) <= b.size());
            const int w = int(std::min<std::int64_t>(r.BmpWidth, 100));
            const int h = int(std::min<std::int64_t>(r.BmpHeight, 100));
            const int bc = r.BmpBitCount;
            QCOMPARE(ReadBmpRect(r, px, 0, 0, w - 1, h - 1, kNoCancel),
                     bc == 1 || bc == 4 || bc == 8 || bc == 24);
            QCOMPARE(px.values.size(), std::size_t(w) * std::size_t(h));
        }
        QVERIFY(opened > 30);   // the damage did not simply break every file
    }

    // The bitmap data of whole files: the logo, or the three parts of a picture message.
    void bitmapData_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("hex");
        const QStringList topLeft{QStringLiteral("80") + zeros(250)};
        const QStringList bottomRight{zeros(234), zeros(256), QStringLiteral("00000000000001")};
        for (const char *file : {"pil_72x14_topleft.bmp", "im_v4_72x14_topleft.bmp",
                                 "im_v5_72x14_topleft.bmp", "td_72x14_topleft.bmp",
                                 "td_v5_72x14_topleft.bmp"})
            QTest::newRow(file) << fixtureBytes(QString::fromLatin1(file)) << topLeft;
        for (const char *file : {"pil_72x28_bottomright.bmp", "im_bmp3_72x28_bottomright.bmp",
                                 "td_72x28_bottomright.bmp"})
            QTest::newRow(file) << fixtureBytes(QString::fromLatin1(file)) << bottomRight;
        QTest::newRow("all-white") << fixtureBytes(QStringLiteral("pil_72x14_white.bmp"))
                                   << QStringList{zeros(252)};
        QTest::newRow("all-black") << fixtureBytes(QStringLiteral("pil_72x14_black.bmp"))
                                   << QStringList{QString(252, QLatin1Char('F'))};
        // Only pure black counts: dark grey and red are sent as white.
        BmpLayout l;
        l.bitCount = 24;
        l.table = {};
        l.pixel = [](int x, int y) {
            return y != 0 ? 0xFFFFFFu : x < 8 ? 0x000000u : x < 16 ? 0x010101u : 0xFF0000u;
        };
        QTest::newRow("pure-black-only") << buildBmp(l) << QStringList{QStringLiteral("FF") + zeros(250)};
    }
    void bitmapData()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, hex);
        BmpReader r;
        QVERIFY(open(r, write(bytes)));
        if (hex.size() == 1)
            QCOMPARE(LogoToHex(r), hex.first());
        for (int part = 1; part <= 3 && hex.size() == 3; ++part)
            QCOMPARE(PictureToHex(r, part), hex.at(part - 1));
    }

    // One black pixel: where it lands in the logo (part 0) or picture part, around the cuts.
    void onePixel_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("digit");   // 0-based position of the changed hex digit
        QTest::addColumn<QChar>("value");
        QTest::newRow("logo-row1-first") << 0 << 1 << 0 << 18 << QChar(u'8');
        QTest::newRow("logo-row1-last") << 71 << 1 << 0 << 35 << QChar(u'1');
        QTest::newRow("logo-row13-col9") << 9 << 13 << 0 << 236 << QChar(u'4');
        QTest::newRow("first-pixel") << 0 << 0 << 1 << 0 << QChar(u'8');
        QTest::newRow("row12-last") << 71 << 12 << 1 << 233 << QChar(u'1');
        QTest::newRow("row13-first") << 0 << 13 << 2 << 0 << QChar(u'8');
        QTest::newRow("row26-last") << 71 << 26 << 2 << 251 << QChar(u'1');
        QTest::newRow("row27-col0") << 0 << 27 << 2 << 252 << QChar(u'8');
        QTest::newRow("row27-col15") << 15 << 27 << 2 << 255 << QChar(u'1');
        QTest::newRow("row27-col16") << 16 << 27 << 3 << 0 << QChar(u'8');
        QTest::newRow("row27-col71") << 71 << 27 << 3 << 13 << QChar(u'1');
    }
    void onePixel()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, part);
        QFETCH(int, digit);
        QFETCH(QChar, value);
        BmpLayout l;
        l.height = part == 0 ? 14 : 28;
        l.pixel = [x, y](int px, int py) { return px == x && py == y ? 0u : 1u; };
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(l))));
        const int lengths[] = {252, 234, 256, 14};
        for (int p = part == 0 ? 0 : 1; p <= (part == 0 ? 0 : 3); ++p) {
            QString expected = zeros(lengths[p]);
            if (p == part)
                expected[digit] = value;
            QCOMPARE(p == 0 ? LogoToHex(r) : PictureToHex(r, p), expected);
        }
    }

    void unreadableFileGivesNoData()
    {
        BmpReader r;
        QVERIFY(LogoToHex(r).isEmpty());
        QVERIFY(!open(r, m_dir.filePath(QStringLiteral("missing.bmp"))));
        QVERIFY(LogoToHex(r).isEmpty());
        QVERIFY(PictureToHex(r, 1).isEmpty());
        QVERIFY(open(r, fixture(QStringLiteral("pil_72x14_topleft.bmp"))));
        QVERIFY(PictureToHex(r, 1).isEmpty());   // 14 rows cannot give a 28-row picture
        QVERIFY(open(r, fixture(QStringLiteral("pil_72x28_bottomright.bmp"))));
        QVERIFY(PictureToHex(r, 0).isEmpty());
        QVERIFY(PictureToHex(r, 4).isEmpty());
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

    void codeEncodings_data()
    {
        QTest::addColumn<bool>("country");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");
        const auto row = [](const char *name, bool country, const char *text, const char *code) {
            QTest::newRow(name) << country << QString::fromLatin1(text) << QString::fromLatin1(code);
        };
        row("country-empty", true, "", "FFFF");
        row("country-2", true, "2", "00F2");
        row("country-22", true, "22", "0022");
        row("country-222", true, "222", "22F2");
        row("country-12", true, "12", "0021");
        row("country-letter-is-0", true, "2a3", "02F3");
        row("country-four-unchanged", true, "2222", "KEEP");
        row("operator-empty", false, "", "FF");
        row("operator-1", false, "1", "10");
        row("operator-01", false, "01", "10");
        row("operator-12", false, "12", "21");
        row("operator-letter-is-0", false, "x5", "50");
        row("operator-three-unchanged", false, "123", "KEEP");
    }
    void codeEncodings()
    {
        QFETCH(bool, country);
        QFETCH(QString, text);
        QFETCH(QString, code);
        const QString keep = QStringLiteral("KEEP");
        QCOMPARE(country ? CountryCodeToMcc(text, keep) : OperatorCodeToMnc(text, keep), code);
    }

    // The first field is read as a value, the second as text.
    void operatorFileRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("op");
        const auto row = [](const char *name, const QByteArray &b, const char *c, const char *o) {
            QTest::newRow(name) << b << QString::fromLatin1(c) << QString::fromLatin1(o);
        };
        row("leading-zeros", "001\r\n01\r\n", "1", "01");
        row("zero", "000\r\n10\r\n", "0", "10");
        row("fraction", "2.50\r\n10\r\n", "2.5", "10");
        row("text-first-field", "2a2\r\n5\r\n", "2a2", "5");
        row("digits-then-text", "22x\r\n5\r\n", "22x", "5");
        row("blanks-dropped", "  262 \r\n 02\r\n", "262", "02");
        row("one-line", "222\r\n", "222", "");
        row("comma-fields", "222,01\r\n", "222", "01");
        row("lf-only", "222\n01\n", "222", "01");
        row("empty", "", "", "");
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

    void operatorFileWrite()
    {
        const QString path = m_dir.filePath(QStringLiteral("Operator.sms"));
        QVERIFY(!ReadOperatorFile(path).has_value());
        QVERIFY(WriteOperatorFile(path, {QStringLiteral("222"), QStringLiteral("01")}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("222\r\n01\r\n"));
        QVERIFY(!WriteOperatorFile(m_dir.filePath(QStringLiteral("no/such/dir/Operator.sms")),
                                   {QStringLiteral("1"), QStringLiteral("2")}));
    }
};

QTEST_GUILESS_MAIN(TestBmpFiles)
#include "tst_modleggebmp.moc"
