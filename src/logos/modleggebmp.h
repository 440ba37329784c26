// SPDX-License-Identifier: GPL-3.0-or-later
// Reads Windows BMP files with plain file reads: headers, colour table, rectangles of pixels
// as colour values (red + 256 * green + 65536 * blue; black is 0).
#pragma once

#include "logos/strutturebmp.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QFile;

namespace modLeggeBMP {

/// red + 256 * green + 65536 * blue; black 0, white 16777215.
using ColourValue = std::int32_t;
/// Colour values by colour-table index; entries the file does not define are 0.
using Palette = std::array<ColourValue, 256>;

constexpr ColourValue kBlack = 0;
constexpr ColourValue kWhite = 16777215;
/// The largest rectangle ReadBmpRect fills (pixels), so a hostile size cannot exhaust memory.
constexpr std::int64_t kMaxRectPixels = 16 * 1024 * 1024;

/// A rectangle of colour values; column 0 is the leftmost, row 0 the top row.
struct PixelRect
{
    int width = 0;
    int height = 0;
    std::vector<ColourValue> values;   ///< row by row from the top

    ColourValue at(int column, int row) const { return values[std::size_t(row) * width + column]; }
    void reset(int w, int h);
};

/// The reader's state between calls: the file opened last stays open until the next
/// OpenBmp, so that ReadBmpRect can read its pixels any number of times.
struct BmpReader
{
    BmpReader();
    ~BmpReader();
    BmpReader(const BmpReader &) = delete;
    BmpReader &operator=(const BmpReader &) = delete;

    std::unique_ptr<QFile> BmpFile;            ///< the open file (none before the first open)
    StruttureBMP::BITMAPFILEHEADER BmpFileHeader;
    StruttureBMP::BITMAPINFO BmpInfo;
    Palette BmpPalette{};
    std::int64_t BmpDataPosition = 0;          ///< bfOffBits + 1 (1-based)
    std::int32_t BmpWidth = 0;
    std::int32_t BmpHeight = 0;                ///< rows in the picture (|biHeight|)
    std::int32_t BmpBitCount = 0;
    std::int64_t BmpRowStride = 0;             ///< octets per stored row, a multiple of 4
    bool BmpTopDown = false;                   ///< rows stored from the top (negative biHeight)
    bool BmpReadable = false;                  ///< the last OpenBmp accepted the file
    std::int64_t BmpFileSize = 0;
    std::uint64_t BmpGeneration = 0;           ///< grows with every OpenBmp
};

/// Opens `path`, reads the file header, the info header and the colour table, and keeps the
/// file open for ReadBmpRect (closing the one opened before).
/// True only for an uncompressed "BM" file whose headers, colour table and pixel rows lie
/// wholly inside the file. A file that cannot be opened or is shorter than the two headers
/// leaves the outputs untouched; for any other refusal they receive what was read.
/// Honours biSize (V4/V5 headers), negative biHeight (top-down rows) and biClrUsed.
bool OpenBmp(BmpReader &reader, const QString &path, StruttureBMP::BITMAPFILEHEADER &fileHeader,
             StruttureBMP::BITMAPINFO &info, Palette &palette);

/// Reads columns x1..x2 and rows y1..y2 (inclusive, 0-based, row 0 at the top) of the file
/// opened last into `pixels`. Reads 1, 4, 8 and 24 bits per pixel; any other depth gives
/// false with an all-zero rectangle. A rectangle outside the picture or larger than
/// kMaxRectPixels gives false and an empty rectangle. After every row `pumpEvents` runs (when
/// given) and `cancel` is looked at; a raised cancel stops the read with false.
bool ReadBmpRect(BmpReader &reader, PixelRect &pixels, std::int32_t x1, std::int32_t y1,
                 std::int32_t x2, std::int32_t y2, const bool &cancel,
                 const std::function<void()> &pumpEvents = {});

/// Fills the reader's palette from the first `n` colour-table entries (0..256).
void BuildBmpPalette(BmpReader &reader, int n);

/// `n` rounded up to a multiple of 4.
constexpr std::int64_t AlignToLong(std::int64_t n) { return (n + 3) & ~std::int64_t(3); }

/// Octets per stored row: width * bitCount bits in whole octets, then AlignToLong.
constexpr std::int64_t RowStride(std::int64_t width, std::int64_t bitCount)
{
    return AlignToLong((width * bitCount + 7) / 8);
}

/// True when `height` rows of `width` pixels at `bitCount` bits, stored from `dataOffset`
/// with rows padded to RowStride, lie inside a file of `fileSize` octets (the last row up to
/// its last pixel octet). All arithmetic is 64-bit with every operand bounded first, so any
/// header values, however large, give a plain answer.
bool RowsFit(std::int64_t dataOffset, std::int64_t width, std::int64_t height, int bitCount,
             std::int64_t fileSize);

/// The colour value of a colour-table entry.
constexpr ColourValue ColourOf(const StruttureBMP::RGBQUAD &q)
{
    return ColourValue(q.rgbRed) + 256 * ColourValue(q.rgbGreen) + 65536 * ColourValue(q.rgbBlue);
}

} // namespace modLeggeBMP
