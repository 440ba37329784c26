// SPDX-License-Identifier: GPL-3.0-or-later
// The BMP reader on arbitrary files: a file it accepts has every row inside it, and its
// pixels read the same whichever rectangle they are read through.
//
// Input: the file itself.
#include "fuzzcheck.h"
#include "logos/bitmap.h"
#include "logos/modleggebmp.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace {

using namespace modLeggeBMP;

constexpr int kSide = 96;   // the largest square read whole, so each run stays quick

bool InPalette(const BmpReader &r, ColourValue v)
{
    const int entries = 1 << r.BmpBitCount;
    return std::find(r.BmpPalette.begin(), r.BmpPalette.begin() + entries, v)
           != r.BmpPalette.begin() + entries;
}

/// The bits of a whole picture, row by row from the top, as the logo code packs them.
QString WholeHex(const PixelRect &p)
{
    return Bitmap::PixelsToHex(p, 0, p.height - 1);
}

void CheckAccepted(BmpReader &r, const QByteArray &file)
{
    const auto &ih = r.BmpInfo.bmiHeader;
    FUZZ_CHECK(r.BmpWidth > 0 && r.BmpHeight > 0);
    FUZZ_CHECK(r.BmpWidth == ih.biWidth);
    FUZZ_CHECK(r.BmpHeight == ih.biHeight || r.BmpHeight == -qint64(ih.biHeight));
    FUZZ_CHECK(r.BmpRowStride % 4 == 0);
    // Every row lies in the file; worked out in wide arithmetic so no size can wrap.
    const __int128 rowBytes = (__int128(r.BmpWidth) * r.BmpBitCount + 7) / 8;
    FUZZ_CHECK(r.BmpRowStride >= rowBytes && r.BmpRowStride < rowBytes + 4);
    const __int128 start = __int128(r.BmpFileHeader.bfOffBits);
    FUZZ_CHECK(start >= 14 + 40);
    const __int128 end = start + __int128(r.BmpRowStride) * (r.BmpHeight - 1) + rowBytes;
    FUZZ_CHECK(end <= file.size());
    FUZZ_CHECK(r.BmpDataPosition == r.BmpFileHeader.bfOffBits + 1);

    const bool readable = r.BmpBitCount == 1 || r.BmpBitCount == 4 || r.BmpBitCount == 8
                          || r.BmpBitCount == 24;
    const int w = std::min(r.BmpWidth, kSide);
    const int h = std::min(r.BmpHeight, kSide);
    const bool cancel = false;
    PixelRect whole;
    FUZZ_CHECK(ReadBmpRect(r, whole, 0, 0, w - 1, h - 1, cancel) == readable);
    FUZZ_CHECK(whole.width == w && whole.height == h
               && whole.values.size() == std::size_t(w) * std::size_t(h));
    if (!readable) {
        FUZZ_CHECK(std::all_of(whole.values.begin(), whole.values.end(),
                               [](ColourValue v) { return v == 0; }));
        return;
    }
    for (ColourValue v : whole.values)
        FUZZ_CHECK(r.BmpBitCount == 24 ? (v >= 0 && v <= kWhite) : InPalette(r, v));

    // The same pixels through a rectangle that starts inside the picture, a row at a time.
    const int x1 = int(std::uint8_t(file.at(file.size() - 1))) % w;
    const int y1 = int(std::uint8_t(file.at(file.size() / 2))) % h;
    for (int y = y1; y < h; y += 1 + (h - y1) / 4) {
        PixelRect row;
        FUZZ_CHECK(ReadBmpRect(r, row, x1, y, w - 1, y, cancel));
        for (int x = x1; x < w; ++x)
            FUZZ_CHECK(row.at(x - x1, 0) == whole.at(x, y));
    }
    // A rectangle past the picture or upside down is refused, not read.
    PixelRect outside;
    FUZZ_CHECK(!ReadBmpRect(r, outside, 0, 0, r.BmpWidth, 0, cancel));
    FUZZ_CHECK(!ReadBmpRect(r, outside, 0, 0, 0, r.BmpHeight, cancel));
    FUZZ_CHECK(!ReadBmpRect(r, outside, 1, 0, 0, 0, cancel));

    // Logo and picture data: the three picture parts together are the whole picture.
    if (r.BmpWidth == Bitmap::kLogoWidth && r.BmpHeight == Bitmap::kLogoHeight) {
        const QString logo = Bitmap::LogoToHex(r);
        FUZZ_CHECK(logo == WholeHex(whole) && logo.size() == 252);
    }
    if (r.BmpWidth == Bitmap::kLogoWidth && r.BmpHeight == Bitmap::kPictureHeight) {
        const QString parts = Bitmap::PictureToHex(r, 1) + Bitmap::PictureToHex(r, 2)
                              + Bitmap::PictureToHex(r, 3);
        FUZZ_CHECK(parts == WholeHex(whole) && parts.size() == 504);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("in.bmp"));
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(file) == file.size());
    }

    BmpReader reader;
    StruttureBMP::BITMAPFILEHEADER header;
    StruttureBMP::BITMAPINFO info;
    Palette palette{};
    palette.fill(-1);
    const bool ok = OpenBmp(reader, path, header, info, palette);
    if (size < 54) {
        // Too short for the headers: refused, and the caller's records stay as they were.
        FUZZ_CHECK(!ok && header.bfType == 0 && palette[0] == -1);
        return 0;
    }
    FUZZ_CHECK(header.bfOffBits == reader.BmpFileHeader.bfOffBits);
    FUZZ_CHECK(palette == reader.BmpPalette);
    FUZZ_CHECK(ok == reader.BmpReadable);
    if (ok) {
        CheckAccepted(reader, file);
        // Reading again gives the same answer: the open file is not used up.
        PixelRect first;
        PixelRect second;
        const bool cancel = false;
        const bool a = ReadBmpRect(reader, first, 0, 0, 0, 0, cancel);
        const bool b = ReadBmpRect(reader, second, 0, 0, 0, 0, cancel);
        FUZZ_CHECK(a == b && first.values == second.values);
    } else {
        PixelRect none;
        const bool cancel = false;
        FUZZ_CHECK(!ReadBmpRect(reader, none, 0, 0, 0, 0, cancel));
    }
    return 0;
}
