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
using namespace Qt::StringLiterals;

namespace {

// 0xRRGGBB as the reader's colour value red + 256 * green + 65536 * blue.
ColourValue colourOf(std::uint32_t c)
{
    return ColourValue(c >> 16 & 0xFF) + 256 * ColourValue(c >> 8 & 0xFF)
        + 65536 * ColourValue(c & 0xFF);
}

QByteArray fixture(const char *name)
{
    QFile f(QStringLiteral(SMS_BMP_DATA "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString zeros(int n) { return QString(n, u'0'); }

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

// A hand-built file with header fields overwritten: {offset, value, octets} each.
FileCase refused(const BmpLayout &l, const QList<std::array<std::uint32_t, 3>> &fields = {})
{
    QByteArray b = buildBmp(l);
    for (const auto &[at, value, n] : fields)
        putLe(b, int(at), value, int(n));
    return {b, FileCase::Refused};
}

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
        QFile f(m_dir.filePath(QString::number(++m_files) + u".bmp"_s));
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
        const int w = layout.width, h = layout.height;
        const std::array<int, 4> rects[] = {{0, 0, w - 1, h - 1}, {3, 1, w - 2, h - 1}};
        for (const auto &[x1, y1, x2, y2] : rects) {
            PixelRect px;
            QVERIFY(ReadBmpRect(r, px, x1, y1, x2, y2, kNoCancel));
            QCOMPARE(QSize(px.width, px.height), QSize(x2 - x1 + 1, y2 - y1 + 1));
            for (int y = y1; y <= y2; ++y) {
                for (int x = x1; x <= x2; ++x) {
                    const std::uint32_t v = layout.pixel(x, y);
                    QVERIFY2(px.at(x - x1, y - y1)
                                 == colourOf(layout.table.isEmpty() ? v : layout.table.at(int(v))),
                             qPrintable(u"pixel %1,%2"_s.arg(x).arg(y)));
                }
            }
        }
    }

    // Files from the tools, other depths, and files that must be refused; each opened after
    // a good file, so that a refusal must also stop reading the old one.
    void files_data()
    {
        QTest::addColumn<FileCase>("c");
        const QStringList topLeft{u"80"_s + zeros(250)};
        const auto row = [](const char *name, const FileCase &c) { QTest::newRow(name) << c; };
        for (const char *f : {"im_v4_72x14_topleft.bmp", "im_v5_72x14_topleft.bmp",
                              "pil_72x14_topleft.bmp", "td_72x14_topleft.bmp",
                              "td_v5_72x14_topleft.bmp"})
            row(f, {fixture(f), FileCase::Read, 14, {{0, 0, 0}}, topLeft});
        const QStringList bottomRight{zeros(234), zeros(256), u"00000000000001"_s};
        for (const char *f : {"im_bmp3_72x28_bottomright.bmp", "pil_72x28_bottomright.bmp",
                              "td_72x28_bottomright.bmp"})
            row(f, {fixture(f), FileCase::Read, 28, {{71, 27, 0}}, bottomRight});
        const auto read = [](const char *f, const QList<Check> &checks, QStringList hex = {}) {
            return FileCase{fixture(f), FileCase::Read, 14, checks, hex};
        };
        row("pil-white", read("pil_72x14_white.bmp", {}, {zeros(252)}));
        row("pil-black", read("pil_72x14_black.bmp", {{-1, 0, 0}}, {QString(252, u'F')}));
        row("im-4bit", read("im_72x14_palette.bmp", {{0, 0, 0}, {1, 0, 0xFF0000}, {2, 0, 0xFF}},
                            topLeft));
        row("im-24bit", read("im_72x14_24bit.bmp", {{0, 0, 0}, {1, 0, 0xFF0000}}));
        row("pil-8bit", read("pil_72x14_8bit.bmp", {{0, 0, 0}, {71, 13, 0x808080}}));
        row("pil-8bit-short-table",
            read("pil_72x14_8bit_short.bmp", {{0, 0, 0}, {1, 0, 0xFF0000}}));
        row("pil-24bit", read("pil_72x14_24bit.bmp", {{0, 0, 0}, {1, 0, 0xFF0000}, {71, 13, 0xFF}},
                              topLeft));
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
            row(qPrintable(u"%1bit"_s.arg(bits)), {buildBmp(l), FileCase::Unreadable});
        }
        l = BmpLayout{};
        l.compression = 1;   // RLE8
        row("compressed", refused(l));
        l.compression = 0;
        l.infoSize = 12;     // OS/2 core header: another layout
        row("core-header", refused(l));
        l.infoSize = 40;
        l.magic = "XY";
        row("not-BM", refused(l));
        l.magic = "BM";
        l.offBits = 20;
        row("offbits-inside-header", refused(l));
        l.bitCount = 8;      // a 256-entry table expected, the file ends early
        l.offBits = 14 + 40 + 2 * 4;
        row("table-past-end", {buildBmp(l).left(14 + 40 + 100), FileCase::Refused});
        row("truncated-rows", {buildBmp(BmpLayout{}).chopped(20), FileCase::Refused});
        row("shorter-than-headers", {buildBmp(BmpLayout{}).left(40), FileCase::Refused});
        const struct { const char *name; std::uint32_t at, value, n; } fields[] = {
            {"offbits-past-end", 10, 100000, 4}, {"offbits-one-row-short", 10, 62 + 4, 4},
            {"huge-info-size", 14, 0x7FFFFFF0u, 4}, {"huge-width", 18, 0x7FFFFFFFu, 4},
            {"negative-width", 18, 0xFFFFFFB8u, 4}, {"height-int-min", 22, 0x80000000u, 4},
            {"huge-height", 22, 0x7FFFFFFFu, 4}, {"zero-height", 22, 0, 4},
            {"zero-bit-count", 28, 0, 2}, {"64-bit-count", 28, 64, 2}};
        for (const auto &f : fields)
            row(f.name, refused(BmpLayout{}, {{f.at, f.value, f.n}}));
        // Sizes whose row arithmetic overflows 64 bits unless every operand is bounded first:
        // 54 octets of headers and one 4-octet row claiming width, height and data offset.
        const struct { const char *name; std::uint32_t width, height; int bits; std::uint32_t off; }
            claims[] = {{"58-octets-claiming-2G-by-2G-24bit", 0x7FFFFFFFu, 0x7FFFFFFFu, 24, 54},
                        {"2G-by-2G-top-down-24bit", 0x7FFFFFFFu, 0x80000001u, 24, 54},
                        {"2G-by-2G-32bit", 0x7FFFFFFFu, 0x7FFFFFFFu, 32, 54},
                        {"1-wide-2G-high", 1, 0x7FFFFFFFu, 24, 54},
                        {"2G-wide-1-high", 0x7FFFFFFFu, 1, 24, 54},
                        {"offbits-4G", 1, 1, 24, 0xFFFFFFFFu}, {"offbits-at-end", 1, 1, 24, 58}};
        BmpLayout tiny;
        tiny.width = tiny.height = 1;
        tiny.table.clear();
        for (const auto &c : claims) {
            tiny.bitCount = c.bits;
            row(c.name, refused(tiny, {{18, c.width, 4}, {22, c.height, 4}, {10, c.off, 4}}));
        }
        row("text-short", {"hello\r\n", FileCase::Refused});
        row("text-long", {QByteArray("Not a picture, text.\r\n").repeated(4), FileCase::Refused});
    }
    void files()
    {
        QFETCH(FileCase, c);
        QVERIFY(!c.bytes.isEmpty());
        BmpReader r;
        QVERIFY(open(r, write(buildBmp(BmpLayout{}))));
        QCOMPARE(open(r, write(c.bytes)), c.outcome != FileCase::Refused);
        PixelRect px;
        const bool read = c.outcome == FileCase::Read, refused = c.outcome == FileCase::Refused;
        QCOMPARE(ReadBmpRect(r, px, 0, 0, 71, c.height - 1, kNoCancel), read);
        QCOMPARE(px.values.size(), refused ? 0 : std::size_t(72 * c.height));
        for (int i = 0; i < int(px.values.size()); ++i) {
            std::uint32_t rgb = read ? 0xFFFFFF : 0;
            for (const Check &k : c.checks)
                rgb = k.x < 0 || (k.x == i % 72 && k.y == i / 72) ? k.rgb : rgb;
            QVERIFY2(px.values[std::size_t(i)] == colourOf(rgb),
                     qPrintable(u"pixel %1,%2"_s.arg(i % 72).arg(i / 72)));
        }
        if (c.hex.size() == 1)
            QCOMPARE(LogoToHex(r), c.hex.first());
        for (int part = 1; part <= 3 && c.hex.size() == 3; ++part)
            QCOMPARE(PictureToHex(r, part), c.hex.at(part - 1));
    }

    // The row check at its edges: a last row without its padding fits, one octet less does
    // not; operands at their limits give an answer, never an overflow.
    void rowsFit()
    {
        const qint64 big = std::numeric_limits<std::int32_t>::max(), e62 = qint64(1) << 62;
        const struct { const char *name; qint64 offset, width, height; int bits; qint64 size;
                       bool fits; } rows[] = {
            {"72x14-exact", 62, 72, 14, 1, 62 + 12 * 14, true},
            {"last-row-unpadded", 62, 72, 14, 1, 62 + 12 * 13 + 9, true},
            {"last-row-one-short", 62, 72, 14, 1, 62 + 12 * 13 + 8, false},
            {"3-wide-24bit-padding", 54, 3, 2, 24, 54 + 12 + 9, true},
            {"3-wide-24bit-one-short", 54, 3, 2, 24, 54 + 12 + 8, false},
            {"one-row-at-offset-end", 100, 8, 1, 1, 101, true},
            {"offset-past-end", 102, 8, 1, 1, 101, false},
            {"max-sizes-in-huge-file", 0, big, big, 32, e62, false},
            {"max-width-one-row", 0, big, 1, 32, e62, true},
            {"max-height-one-column", 0, 1, big, 1, 4 * big, true},
            {"max-height-one-short", 0, 1, big, 1, 4 * big - 4, false},
            {"width-past-32-bits", 0, big + 1, 1, 1, qint64(1) << 40, false},
            {"file-past-2^62", 0, 1, 1, 1, std::numeric_limits<qint64>::max(), false},
            {"negative-offset", -1, 1, 1, 1, 100, false}, {"depth-64", 0, 1, 1, 64, 100, false}};
        for (const auto &r : rows)
            QVERIFY2(RowsFit(r.offset, r.width, r.height, r.bits, r.size) == r.fits, r.name);
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
                    putLe(b, std::min(at, int(b.size()) - 4),
                          rng.bounded(2) ? 0xFFFFFFFFu : 0x7FFFFFFFu, 4);
            }
            if (rng.bounded(5) == 0)
                b.truncate(int(rng.bounded(int(b.size()))));
            BmpReader r;
            PixelRect px;
            const bool ok = open(r, write(b));
            opened += ok;
            const int w = ok ? std::min(r.BmpWidth, 100) : 1;
            const int h = ok ? std::min(r.BmpHeight, 100) : 1;
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
        for (const auto &[x1, y1, x2, y2] : {std::array{0, 0, 72, 13}, {0, 0, 71, 14},
                                             {-1, 0, 71, 13}, {5, 0, 4, 13}, {0, 0, big, big}})
            QVERIFY(!ReadBmpRect(r, px, x1, y1, x2, y2, kNoCancel) && px.values.empty());
        BmpLayout l;
        l.width = 8000;
        l.height = 3000;
        l.pixel = [](int x, int y) { return x == 7999 && y == 2999 ? 0u : 1u; };
        QVERIFY(open(r, write(buildBmp(l))));
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 7999, 2999, kNoCancel));   // 24 M pixels
        QVERIFY(ReadBmpRect(r, px, 7990, 2990, 7999, 2999, kNoCancel));
        QVERIFY(px.at(9, 9) == kBlack && px.at(0, 0) == kWhite);

        bool cancel = false;
        int rows = 0;
        QVERIFY(!ReadBmpRect(r, px, 0, 2000, 99, 2999, cancel, [&] { cancel = ++rows == 3; }));
        QCOMPARE(rows, 3);
        QVERIFY(px.at(0, 2) == kWhite && px.at(0, 3) == 0);   // rows read so far are kept
        rows = 0;
        const auto reopen = [&] { ++rows == 2 && open(r, white); };
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel, reopen));
        QCOMPARE(rows, 2);
        QVERIFY(ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel, [&] { ++rows; }));
        QCOMPARE(rows, 16);
        QVERIFY(!open(r, m_dir.filePath(u"missing.bmp"_s)));
        QVERIFY(!ReadBmpRect(r, px, 0, 0, 71, 13, kNoCancel));
        QVERIFY(LogoToHex(r).isEmpty() && PictureToHex(r, 1).isEmpty());
    }

    // One black pixel at x, y: the hex digit it changes in the logo (part 0) or in picture
    // part 1..3, around the cuts between the parts.
    void onePixel()
    {
        const int rows[][5] = {   // x, y, part, digit, value
            {0, 1, 0, 18, 8}, {71, 1, 0, 35, 1}, {9, 13, 0, 236, 4}, {0, 0, 1, 0, 8},
            {71, 12, 1, 233, 1}, {0, 13, 2, 0, 8}, {71, 26, 2, 251, 1}, {0, 27, 2, 252, 8},
            {15, 27, 2, 255, 1}, {16, 27, 3, 0, 8}, {71, 27, 3, 13, 1}};
        for (const auto &[x, y, part, digit, value] : rows) {
            BmpLayout l;
            l.height = part == 0 ? 14 : 28;
            l.pixel = [x = x, y = y](int px, int py) { return px == x && py == y ? 0u : 1u; };
            BmpReader r;
            QVERIFY(open(r, write(buildBmp(l))));
            const int lengths[] = {252, 234, 256, 14};
            for (int p = part == 0 ? 0 : 1; p <= (part == 0 ? 0 : 3); ++p) {
                QString expected = zeros(lengths[p]);
                if (p == part)
                    expected[digit] = QString::number(value).at(0);
                QCOMPARE(p == 0 ? LogoToHex(r) : PictureToHex(r, p), expected);
            }
            QVERIFY(PictureToHex(r, 0).isEmpty() && PictureToHex(r, 4).isEmpty());
            QCOMPARE(PictureToHex(r, 1).isEmpty(), part == 0);   // 14 rows give no picture
        }
    }

    // c = country code, o = operator code; K = left as it was.
    void codeEncodings()
    {
        for (const char *row : {"c=FFFF", "c2=00F2", "c22=0022", "c222=22F2", "c12=0021",
                                "c2a3=02F3", "c2222=K", "o=FF", "o1=10", "o01=10", "o12=21",
                                "ox5=50", "o123=K"}) {
            const QStringList textCode = QString::fromLatin1(row).split(u'=');
            const QString text = textCode[0].mid(1), k = u"K"_s;
            QCOMPARE(row[0] == 'c' ? CountryCodeToMcc(text, k) : OperatorCodeToMnc(text, k),
                     textCode[1]);
        }
    }

    // Operator.sms: the first field is read as a value, the second as text ('|' = CR LF);
    // codes longer than three characters are none, a line of hundreds makes no file at all
    // ("<none>"). 'D' stands for ten thousand digits.
    void operatorFile_data()
    {
        QTest::addColumn<QStringList>("fileCountryOperator");
        for (const char *row : {"001|01|=1=01", "000|10|=0=10", "2.50|10|=2.5=10", "22x|5|=22x=5",
                                "  262 | 02|=262=02", "222|=222=", "222,01|=222=01", "==",
                                "222\n01\n=222=01", "D|01|=<none>=", "222|D|=<none>=",
                                "2222|01|==01", "0000222|01|=222=01", "222|1234|=222=",
                                "222|123|=222=123", "1e5|01|=1e5=01", "999999999999999999|01|==01",
                                "222|01|D|=222=01"})
            QTest::newRow(QByteArray(row).replace('D', "<10000 digits>"))
                << QString::fromLatin1(row).split(u'=');
    }
    void operatorFile()
    {
        QFETCH(QStringList, fileCountryOperator);
        const QStringList &c = fileCountryOperator;
        const QString text =
            QString(c[0]).replace(u'|', u"\r\n"_s).replace(u'D', QString(10000, u'9'));
        const auto read = ReadOperatorFile(write(text.toLatin1()));
        QCOMPARE(read.has_value(), c[1] != u"<none>"_s);
        if (!read)
            return;
        QCOMPARE(read->countryCode + u'=' + read->operatorCode, c[1] + u'=' + c[2]);
        const QString path = m_dir.filePath(u"Operator.sms"_s);
        QVERIFY(WriteOperatorFile(path, {c[1], c[2]}));
        QCOMPARE(ReadOperatorFile(path)->operatorCode, c[2]);
        QVERIFY(!ReadOperatorFile(m_dir.filePath(u"none.sms"_s)).has_value());
        QVERIFY(!WriteOperatorFile(m_dir.filePath(u"no/dir/Operator.sms"_s), {c[1], c[2]}));
    }
};

QTEST_GUILESS_MAIN(TestBmpFiles)
#include "tst_modleggebmp.moc"
