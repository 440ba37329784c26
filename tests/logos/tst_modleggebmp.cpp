// SPDX-License-Identifier: GPL-3.0-or-later
// The BMP reader and the Smart Messaging bitmap data against hand-built files and files
// written by ImageMagick and Pillow (tests/data/bmp/README); the code encodings; Operator.sms.
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
ColourValue colourOf(std::uint32_t c)
{
    return ColourValue(c >> 16 & 0xFF) + 256 * ColourValue(c >> 8 & 0xFF) + 65536 * ColourValue(c & 0xFF);
}

QByteArray fixture(const char *name)
{
    QFile f(QStringLiteral(SMS_BMP_DATA "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString zeros(int n) { return QString(n, QLatin1Char('0')); }

struct Check { int x, y; std::uint32_t rgb; };   // x < 0: every pixel not named after it

// What a file must give: refused, opened but not readable (all zeros), or read.
struct FileCase
{
    QByteArray bytes;
    enum { Refused, Unreadable, Read } outcome = Read;
    int height = 14;
    QList<Check> checks{};   // white where not named
    QStringList hex{};       // LogoToHex, or PictureToHex 1..3
};

const bool kNoCancel = false;

} // namespace

Q_DECLARE_METATYPE(BmpLayout)
Q_DECLARE_METATYPE(FileCase)

class TestBmpFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(QString::number(++m_files) + QStringLiteral(".bmp")));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return f.fileName();
    }

    static bool open(BmpReader &r, const QString &path)
    {
        StruttureBMP::BITMAPFILEHEADER fh;
        StruttureBMP::BITMAPINFO info;
        Palette pal{};
        return OpenBmp(r, path, fh, info, pal);
    }

private slots:
    // Every pixel of a hand-built file, in every readable depth and both row orders.
    void readsEveryDepth_data()
    {
        QTest::addColumn<BmpLayout>("layout");
        QTest::addColumn<int>("stride");
        BmpLayout l;
        l.pixel = [](int x, int y) { return (x + 2 * y) % 5 == 0 || (y == 0 && x < 3) ? 0u : 1u; };
        QTest::newRow("1bit") << l << 12;
        l.topDown = true;
        QTest::newRow("1bit-top-down") << l << 12;
        l.topDown = false;
        l.chopEnd = 3;   // the top row, stored last, keeps its 9 pixel octets but not its padding
        QTest::newRow("1bit-last-row-unpadded") << l << 12;
        l.chopEnd = 0;
        l.table = {0xFFFFFF, 0x000000};   // inverted: the bits are looked up, not taken as colours
        l.width = 33;
        QTest::newRow("1bit-white-black-33-wide") << l << 8;
        l.width = 71;
        l.bitCount = 4;
        l.table.clear();
        for (int i = 0; i < 16; ++i)
            l.table << std::uint32_t(i * 0x111111);
        l.pixel = [](int x, int y) { return std::uint32_t((x * 3 + y) % 16); };
        QTest::newRow("4bit-71-wide") << l << 36;
        l.width = 72;
        l.bitCount = 8;
        l.table.clear();
        for (int i = 0; i < 256; ++i)
            l.table << std::uint32_t((i << 16) | ((255 - i) << 8) | (i ^ 0x5A));
        l.pixel = [](int x, int y) { return std::uint32_t((x * 7 + y * 13) % 256); };
        QTest::newRow("8bit") << l << 72;
        l.bitCount = 24;
        l.table.clear();
        l.pixel = [](int x, int y) { return std::uint32_t((x << 16) | (y << 8) | (x ^ y)); };
        QTest::newRow("24bit") << l << 216;
        l.topDown = true;
        l.width = 5;   // 15 octets of pixels in a 16-octet row
        QTest::newRow("24bit-top-down-5-wide") << l << 16;
    }
    void readsEveryDepth()
    {
        QFETCH(BmpLayout, layout);
        QFETCH(int, stride);
        QCOMPARE(RowStride(layout.width, layout.bitCount), stride);
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(layout))));
        QCOMPARE(r.BmpRowStride, stride);
        // The whole picture, then a rectangle that starts inside an octet and inside a row.
        for (const QList<int> &rect : {QList<int>{0, 0, layout.width - 1, layout.height - 1},
                                       QList<int>{3, 1, layout.width - 2, layout.height - 1}}) {
            PixelRect px;
            QVERIFY(ReadBmpRect(r, px, rect[0], rect[1], rect[2], rect[3], kNoCancel));
            QCOMPARE(QSize(px.width, px.height), QSize(rect[2] - rect[0] + 1, rect[3] - rect[1] + 1));
            for (int y = rect[1]; y <= rect[3]; ++y) {
                for (int x = rect[0]; x <= rect[2]; ++x) {
                    const std::uint32_t v = layout.pixel(x, y);
                    const std::uint32_t rgb = layout.table.isEmpty() ? v : layout.table.at(int(v));
                    QVERIFY2(px.at(x - rect[0], y - rect[1]) == colourOf(rgb),
                             qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                }
            }
        }
    }

    // Files from the tools, other depths, and files that must be refused; each opened after
    // a good file, so that a refusal must also stop reading the old one.
    void files_data()
    {
        QTest::addColumn<FileCase>("c");
        const QStringList topLeft{QStringLiteral("80") + zeros(250)};
        const auto row = [](const char *name, const FileCase &c) { QTest::newRow(name) << c; };
        for (const char *f : {"im_v4_72x14_topleft.bmp", "im_v5_72x14_topleft.bmp", "pil_72x14_topleft.bmp",
                              "td_72x14_topleft.bmp", "td_v5_72x14_topleft.bmp"})
            row(f, {fixture(f), FileCase::Read, 14, {{0, 0, 0}}, topLeft});
        const QStringList bottomRight{zeros(234), zeros(256), QStringLiteral("00000000000001")};
        for (const char *f : {"im_bmp3_72x28_bottomright.bmp", "pil_72x28_bottomright.bmp",
                              "td_72x28_bottomright.bmp"})
            row(f, {fixture(f), FileCase::Read, 28, {{71, 27, 0}}, bottomRight});
        row("pil-white", {fixture("pil_72x14_white.bmp"), FileCase::Read, 14, {}, {zeros(252)}});
        row("pil-black", {fixture("pil_72x14_black.bmp"), FileCase::Read, 14, {{-1, 0, 0}},
                          {QString(252, u'F')}});
        row("im-4bit", {fixture("im_72x14_palette.bmp"), FileCase::Read, 14,
                        {{0, 0, 0}, {1, 0, 0xFF0000}, {2, 0, 0xFF}}, topLeft});
        row("im-24bit", {fixture("im_72x14_24bit.bmp"), FileCase::Read, 14, {{0, 0, 0}, {1, 0, 0xFF0000}}});
        row("pil-8bit", {fixture("pil_72x14_8bit.bmp"), FileCase::Read, 14, {{0, 0, 0}, {71, 13, 0x808080}}});
        row("pil-8bit-short-table", {fixture("pil_72x14_8bit_short.bmp"), FileCase::Read, 14,
                                     {{0, 0, 0}, {1, 0, 0xFF0000}}});
        row("pil-24bit", {fixture("pil_72x14_24bit.bmp"), FileCase::Read, 14,
                          {{0, 0, 0}, {1, 0, 0xFF0000}, {71, 13, 0xFF}}, topLeft});
        row("pil-32bit", {fixture("pil_72x14_32bit.bmp"), FileCase::Unreadable});
        row("im-bitfields", {fixture("im_72x14_bitfields.bmp"), FileCase::Refused});
        BmpLayout l;   // only pure black counts: dark grey and red are sent as white
        l.bitCount = 24;
        l.table.clear();
        const QList<Check> greyRed{{0, 0, 0}, {1, 0, 0x010101}, {2, 0, 0xFF0000}};
        l.pixel = [greyRed](int x, int y) { return x < 3 && !y ? greyRed[x].rgb : 0xFFFFFFu; };
        row("pure-black-only", {buildBmp(l), FileCase::Read, 14, greyRed, topLeft});
        for (int bits : {2, 16, 32}) {
            l.bitCount = bits;
            l.table = bits == 2 ? QList<std::uint32_t>{0, 0xFFFFFF, 0, 0} : QList<std::uint32_t>{};
            row(qPrintable(QStringLiteral("%1bit").arg(bits)), {buildBmp(l), FileCase::Unreadable});
        }
        const auto patched = [](int at, std::uint32_t v, int n) {
            QByteArray b = buildBmp(BmpLayout{});
            putLe(b, at, v, n);
            return FileCase{b, FileCase::Refused};
        };
        l = BmpLayout{};
        l.compression = 1;   // RLE8
        row("compressed", {buildBmp(l), FileCase::Refused});
        l.compression = 0;
        l.infoSize = 12;     // OS/2 core header: another layout
        row("core-header", {buildBmp(l), FileCase::Refused});
        l.infoSize = 40;
        l.magic = "XY";
        row("not-BM", {buildBmp(l), FileCase::Refused});
        l.magic = "BM";
        l.offBits = 20;
        row("offbits-inside-header", {buildBmp(l), FileCase::Refused});
        l.bitCount = 8;      // a 256-entry table expected, the file ends early
        l.offBits = 14 + 40 + 2 * 4;
        row("table-past-end", {buildBmp(l).left(14 + 40 + 100), FileCase::Refused});
        row("truncated-rows", {buildBmp(BmpLayout{}).chopped(20), FileCase::Refused});
        row("shorter-than-headers", {buildBmp(BmpLayout{}).left(40), FileCase::Refused});
        row("offbits-past-end", patched(10, 100000, 4));
        row("offbits-one-row-short", patched(10, 62 + 4, 4));
        row("huge-info-size", patched(14, 0x7FFFFFF0u, 4));
        row("huge-width", patched(18, 0x7FFFFFFFu, 4));
        row("negative-width", patched(18, 0xFFFFFFB8u, 4));
        row("height-int-min", patched(22, 0x80000000u, 4));
        row("zero-height", patched(22, 0, 4));
        row("zero-bit-count", patched(28, 0, 2));
        row("64-bit-count", patched(28, 64, 2));
        // Sizes whose row arithmetic overflows 64 bits unless every operand is bounded first.
        const auto tiny = [](std::uint32_t width, std::uint32_t height, int bits, std::uint32_t off) {
            BmpLayout t;
            t.width = t.height = 1;
            t.bitCount = bits;
            t.table.clear();
            QByteArray b = buildBmp(t);   // 54 octets of headers and one 4-octet row
            putLe(b, 18, width, 4);
            putLe(b, 22, height, 4);
            putLe(b, 10, off, 4);
            return FileCase{b, FileCase::Refused};
        };
        row("58-octets-claiming-2G-by-2G-24bit", tiny(0x7FFFFFFFu, 0x7FFFFFFFu, 24, 54));
        row("2G-by-2G-top-down-24bit", tiny(0x7FFFFFFFu, 0x80000001u, 24, 54));
        row("2G-by-2G-32bit", tiny(0x7FFFFFFFu, 0x7FFFFFFFu, 32, 54));
        row("1-wide-2G-high", tiny(1, 0x7FFFFFFFu, 24, 54));
        row("2G-wide-1-high", tiny(0x7FFFFFFFu, 1, 24, 54));
        row("offbits-4G", tiny(1, 1, 24, 0xFFFFFFFFu));
        row("offbits-at-end", tiny(1, 1, 24, 58));
        row("huge-height", patched(22, 0x7FFFFFFFu, 4));
        row("text-short", {"hello\r\n", FileCase::Refused});
        row("text-long", {QByteArray("Not a picture, only a text file.\r\n").repeated(4), FileCase::Refused});
    }
    void files()
    {
        QFETCH(FileCase, c);
        QVERIFY(!c.bytes.isEmpty());
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(BmpLayout{}))));
        QCOMPARE(open(r, write(c.bytes)), c.outcome != FileCase::Refused);
        PixelRect px;
        QCOMPARE(ReadBmpRect(r, px, 0, 0, 71, c.height - 1, kNoCancel), c.outcome == FileCase::Read);
        QCOMPARE(px.values.size(), c.outcome == FileCase::Refused ? 0 : std::size_t(72 * c.height));
        for (int i = 0; i < int(px.values.size()); ++i) {
            std::uint32_t rgb = c.outcome == FileCase::Read ? 0xFFFFFF : 0;
            for (const Check &k : c.checks)
                rgb = k.x < 0 || (k.x == i % 72 && k.y == i / 72) ? k.rgb : rgb;
            QVERIFY2(px.values[std::size_t(i)] == colourOf(rgb),
                     qPrintable(QStringLiteral("pixel %1,%2").arg(i % 72).arg(i / 72)));
        }
        if (c.hex.size() == 1)
            QCOMPARE(LogoToHex(r), c.hex.first());
        for (int part = 1; part <= 3 && c.hex.size() == 3; ++part)
            QCOMPARE(PictureToHex(r, part), c.hex.at(part - 1));
    }

    // The row check at its edges: a last row without its padding fits, one octet less does
    // not; operands at their limits give an answer, never an overflow.
    void rowsFit_data()
    {
        QTest::addColumn<QList<qint64>>("offsetWidthHeightBitsSize");
        QTest::addColumn<bool>("fits");
        const qint64 big = std::numeric_limits<std::int32_t>::max();
        const auto row = [](const char *name, QList<qint64> v, bool fits) { QTest::newRow(name) << v << fits; };
        row("72x14-exact", {62, 72, 14, 1, 62 + 12 * 14}, true);
        row("last-row-unpadded", {62, 72, 14, 1, 62 + 12 * 13 + 9}, true);
        row("last-row-one-short", {62, 72, 14, 1, 62 + 12 * 13 + 8}, false);
        row("3-wide-24bit-padding", {54, 3, 2, 24, 54 + 12 + 9}, true);
        row("3-wide-24bit-one-short", {54, 3, 2, 24, 54 + 12 + 8}, false);
        row("one-row-at-offset-end", {100, 8, 1, 1, 101}, true);
        row("offset-past-end", {102, 8, 1, 1, 101}, false);
        row("max-sizes-in-huge-file", {0, big, big, 32, qint64(1) << 62}, false);
        row("max-width-one-row", {0, big, 1, 32, qint64(1) << 62}, true);
        row("max-height-one-column", {0, 1, big, 1, 4 * big}, true);
        row("max-height-one-short", {0, 1, big, 1, 4 * big - 4}, false);
        row("width-past-32-bits", {0, big + 1, 1, 1, qint64(1) << 40}, false);
        row("file-past-2^62", {0, 1, 1, 1, std::numeric_limits<qint64>::max()}, false);
        row("negative-offset", {-1, 1, 1, 1, 100}, false);
        row("depth-64", {0, 1, 1, 64, 100}, false);
    }
    void rowsFit()
    {
        QFETCH(QList<qint64>, offsetWidthHeightBitsSize);
        QFETCH(bool, fits);
        const QList<qint64> &v = offsetWidthHeightBitsSize;
        QCOMPARE(RowsFit(v[0], v[1], v[2], int(v[3]), v[4]), fits);
    }

    // Random damage to the headers and colour tables of good files: every outcome is a clean
    // refusal or a picture whose rows lie inside the file. Run under the sanitizers too.
    void damagedHeadersAreHandled()
    {
        QRandomGenerator rng(20261206);
        QList<QByteArray> seeds{fixture("im_v5_72x14_topleft.bmp")};
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
                    putLe(b, std::min(at, int(b.size()) - 4), rng.bounded(2) ? 0xFFFFFFFFu : 0x7FFFFFFFu, 4);
            }
            if (rng.bounded(5) == 0)
                b.truncate(int(rng.bounded(int(b.size()))));
            BmpReader r;
            PixelRect px;
            const bool ok = open(r, write(b));
            opened += ok;
            const int w = ok ? std::min(r.BmpWidth, 100) : 1, h = ok ? std::min(r.BmpHeight, 100) : 1;
            const int bc = r.BmpBitCount;
            QVERIFY(w > 0 && h > 0);
            QVERIFY(!ok || r.BmpDataPosition - 1 + r.BmpRowStride * (r.BmpHeight - 1) <= b.size());
            QCOMPARE(ReadBmpRect(r, px, 0, 0, w - 1, h - 1, kNoCancel),
                     ok && (bc == 1 || bc == 4 || bc == 8 || bc == 24));
            QCOMPARE(px.values.size(), ok ? std::size_t(w) * std::size_t(h) : 0);
        }
        QVERIFY(opened > 30);   // the damage did not simply break every file
    }

    // Rectangles outside the picture or over the size limit are refused without reading;
    // events run after every row, and a cancel or another open from there stops the read.
    void rectanglesAndEvents()
    {
        BmpReader r;
        const QString white = write(buildBmp(BmpLayout{}));
        QVERIFY(open(r, white));
        PixelRect px;
        const int big = std::numeric_limits<int>::max();
        for (const QList<int> &rect : {QList<int>{0, 0, 72, 13}, {0, 0, 71, 14}, {-1, 0, 71, 13},
                                       {5, 0, 4, 13}, {0, 0, big, big}}) {
            QVERIFY(!ReadBmpRect(r, px, rect[0], rect[1], rect[2], rect[3], kNoCancel));
            QVERIFY(px.values.empty());
        }
        BmpLayout l;
        l.width = 8000;
        l.height = 3000;
        l.pixel = [](int x, int y) { return x == 7999 && y == 2999 ? 0u : 1u; };
        QVERIFY(open(r, write(buildBmp(l))));
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 7999, 2999, kNoCancel));   // 24 M pixels
        QVERIFY(ReadBmpRect(r, px, 7990, 2990, 7999, 2999, kNoCancel));
        QCOMPARE(px.at(9, 9), kBlack);
        QCOMPARE(px.at(0, 0), kWhite);

        bool cancel = false;
        int rows = 0;
        QVERIFY(!ReadBmpRect(r, px, 0, 2000, 99, 2999, cancel, [&] { cancel = ++rows == 3; }));
        QCOMPARE(rows, 3);
        QCOMPARE(px.at(0, 2), kWhite);   // rows read so far are kept
        QCOMPARE(px.at(0, 3), 0);
        rows = 0;
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel, [&] { ++rows == 2 && open(r, white); }));
        QCOMPARE(rows, 2);
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel, [&] { ++rows; }));
        QCOMPARE(rows, 16);
        QVERIFY(!open(r, m_dir.filePath(QStringLiteral("missing.bmp"))));
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel));
        QVERIFY(LogoToHex(r).isEmpty() && PictureToHex(r, 1).isEmpty());
    }

    // One black pixel at x, y: the hex digit it changes in the logo (part 0) or in picture
    // part 1..3, around the cuts between the parts.
    void onePixel_data()
    {
        QTest::addColumn<QStringList>("xyPartDigitValue");
        for (const char *row : {"0 1 0 18 8", "71 1 0 35 1", "9 13 0 236 4", "0 0 1 0 8",
                                "71 12 1 233 1", "0 13 2 0 8", "71 26 2 251 1", "0 27 2 252 8",
                                "15 27 2 255 1", "16 27 3 0 8", "71 27 3 13 1"})
            QTest::newRow(row) << QString::fromLatin1(row).split(u' ');
    }
    void onePixel()
    {
        QFETCH(QStringList, xyPartDigitValue);
        const QStringList &v = xyPartDigitValue;
        const int x = v[0].toInt(), y = v[1].toInt(), part = v[2].toInt();
        BmpLayout l;
        l.height = part == 0 ? 14 : 28;
        l.pixel = [x, y](int px, int py) { return px == x && py == y ? 0u : 1u; };
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(l))));
        const int lengths[] = {252, 234, 256, 14};
        for (int p = part == 0 ? 0 : 1; p <= (part == 0 ? 0 : 3); ++p) {
            QString expected = zeros(lengths[p]);
            if (p == part)
                expected[v[3].toInt()] = v[4].at(0);
            QCOMPARE(p == 0 ? LogoToHex(r) : PictureToHex(r, p), expected);
        }
        QVERIFY(PictureToHex(r, 0).isEmpty() && PictureToHex(r, 4).isEmpty());
        QCOMPARE(PictureToHex(r, 1).isEmpty(), part == 0);   // 14 rows give no picture
    }

    // c = country code, o = operator code; K = left as it was.
    void codeEncodings_data()
    {
        QTest::addColumn<QStringList>("textCode");
        for (const char *c : {"c=FFFF", "c2=00F2", "c22=0022", "c222=22F2", "c12=0021", "c2a3=02F3",
                              "c2222=K", "o=FF", "o1=10", "o01=10", "o12=21", "ox5=50", "o123=K"})
            QTest::newRow(c) << QString::fromLatin1(c).split(u'=');
    }
    void codeEncodings()
    {
        QFETCH(QStringList, textCode);
        const QString text = textCode[0].mid(1), k = QStringLiteral("K");
        QCOMPARE(textCode[0].startsWith(u'c') ? CountryCodeToMcc(text, k) : OperatorCodeToMnc(text, k),
                 textCode[1]);
    }

    // Operator.sms: the first field is read as a value, the second as text ('|' = CR LF);
    // codes longer than three characters are none, a line of hundreds makes no file at all
    // ("<none>"). 'D' stands for ten thousand digits.
    void operatorFile_data()
    {
        QTest::addColumn<QStringList>("fileCountryOperator");
        for (const char *row : {"001|01|=1=01", "000|10|=0=10", "2.50|10|=2.5=10", "22x|5|=22x=5",
                                "  262 | 02|=262=02", "222|=222=", "222,01|=222=01", "==",
                                "222\n01\n=222=01", "D|01|=<none>=", "222|D|=<none>=", "2222|01|==01",
                                "0000222|01|=222=01", "222|1234|=222=", "222|123|=222=123",
                                "1e5|01|=1e5=01", "999999999999999999|01|==01", "222|01|D|=222=01"})
            QTest::newRow(QByteArray(row).replace('D', "<10000 digits>")) << QString::fromLatin1(row).split(u'=');
    }
    void operatorFile()
    {
        QFETCH(QStringList, fileCountryOperator);
        const QStringList &c = fileCountryOperator;
        const QString text = QString(c[0]).replace(u'|', QLatin1String("\r\n")).replace(u'D', QString(10000, u'9'));
        const auto read = ReadOperatorFile(write(text.toLatin1()));
        QCOMPARE(read.has_value(), c[1] != QLatin1String("<none>"));
        if (!read)
            return;
        QCOMPARE(read->countryCode, c[1]);
        QCOMPARE(read->operatorCode, c[2]);
        const QString path = m_dir.filePath(QStringLiteral("Operator.sms"));
        QVERIFY(WriteOperatorFile(path, {c[1], c[2]}));
        QCOMPARE(ReadOperatorFile(path)->operatorCode, c[2]);
        QVERIFY(!ReadOperatorFile(m_dir.filePath(QStringLiteral("none.sms"))).has_value());
        QVERIFY(!WriteOperatorFile(m_dir.filePath(QStringLiteral("no/dir/Operator.sms")), {c[1], c[2]}));
    }
};

QTEST_GUILESS_MAIN(TestBmpFiles)
#include "tst_modleggebmp.moc"
