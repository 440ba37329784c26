// SPDX-License-Identifier: GPL-3.0-or-later
#include "logos/modleggebmp.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <limits>

namespace modLeggeBMP {

using namespace StruttureBMP;

namespace {

std::uint16_t u16(const unsigned char *p) { return std::uint16_t(p[0] | (p[1] << 8)); }

std::uint32_t u32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
           | (std::uint32_t(p[3]) << 24);
}

std::int32_t s32(const unsigned char *p)
{
    const std::uint32_t v = u32(p);
    std::int32_t r;
    std::memcpy(&r, &v, sizeof r);
    return r;
}

BITMAPFILEHEADER parseFileHeader(const unsigned char *p)
{
    BITMAPFILEHEADER h;
    h.bfType = u16(p);
    h.bfSize = u32(p + 2);
    h.bfReserved1 = u16(p + 6);
    h.bfReserved2 = u16(p + 8);
    h.bfOffBits = u32(p + 10);
    return h;
}

BITMAPINFOHEADER parseInfoHeader(const unsigned char *p)
{
    BITMAPINFOHEADER h;
    h.biSize = u32(p);
    h.biWidth = s32(p + 4);
    h.biHeight = s32(p + 8);
    h.biPlanes = u16(p + 12);
    h.biBitCount = u16(p + 14);
    h.biCompression = u32(p + 16);
    h.biSizeImage = u32(p + 20);
    h.biXPelsPerMeter = s32(p + 24);
    h.biYPelsPerMeter = s32(p + 28);
    h.biClrUsed = u32(p + 32);
    h.biClrImportant = u32(p + 36);
    return h;
}

bool knownBitCount(int bitCount)
{
    switch (bitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32:
        return true;
    default:
        return false;
    }
}

// Reads `count` octets from `offset`; octets past the end of the file read as zero.
QByteArray readZeroPadded(QFile &file, std::int64_t offset, std::int64_t count)
{
    QByteArray out(qsizetype(count), '\0');
    if (offset < 0 || !file.seek(offset))
        return out;
    const qint64 got = file.read(out.data(), count);
    if (got < count)
        std::fill(out.begin() + std::max<qint64>(got, 0), out.end(), '\0');
    return out;
}

} // namespace

bool RowsFit(std::int64_t dataOffset, std::int64_t width, std::int64_t height, int bitCount,
             std::int64_t fileSize)
{
    // Every operand is bounded before it is multiplied, so nothing here can overflow:
    // width and height below 2^31, a depth of at most 32 bits, a file below 2^62 octets.
    if (dataOffset < 0 || width <= 0 || height <= 0 || bitCount <= 0 || bitCount > 32
        || width > std::numeric_limits<std::int32_t>::max()
        || height > std::numeric_limits<std::int32_t>::max() || fileSize < 0
        || fileSize > (std::int64_t(1) << 62) || dataOffset > fileSize)
        return false;
    // The last row needs its pixel octets only (its padding may be missing); the rows
    // before it need their whole stride.
    const std::int64_t rowBytes = (width * bitCount + 7) / 8;
    const std::int64_t stride = RowStride(width, bitCount);
    const std::int64_t room = fileSize - dataOffset;
    if (rowBytes > room)
        return false;
    return height - 1 <= (room - rowBytes) / stride;
}

void PixelRect::reset(int w, int h)
{
    width = w;
    height = h;
    values.assign(std::size_t(w) * std::size_t(h), 0);
}

BmpReader::BmpReader() = default;
BmpReader::~BmpReader() = default;

void BuildBmpPalette(BmpReader &reader, int n)
{
    n = std::clamp(n, 0, 256);
    for (int i = 0; i < n; ++i)
        reader.BmpPalette[std::size_t(i)] = ColourOf(reader.BmpInfo.bmiColors[std::size_t(i)]);
}

bool OpenBmp(BmpReader &reader, const QString &path, BITMAPFILEHEADER &fileHeader,
             BITMAPINFO &info, Palette &palette)
{
    // A new open always forgets the previous file, whatever happens next.
    reader.BmpFile.reset();
    reader.BmpReadable = false;
    ++reader.BmpGeneration;

    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return false;
    const std::int64_t fileSize = file->size();

    unsigned char head[kFileHeaderSize + kInfoHeaderSize];
    if (file->read(reinterpret_cast<char *>(head), sizeof head) != qint64(sizeof head))
        return false;

    reader.BmpFileHeader = parseFileHeader(head);
    reader.BmpInfo = BITMAPINFO{};
    reader.BmpInfo.bmiHeader = parseInfoHeader(head + kFileHeaderSize);
    reader.BmpPalette.fill(0);
    reader.BmpFile = std::move(file);
    reader.BmpFileSize = fileSize;

    const BITMAPFILEHEADER &fh = reader.BmpFileHeader;
    const BITMAPINFOHEADER &ih = reader.BmpInfo.bmiHeader;
    const int bitCount = ih.biBitCount;
    const std::int64_t headerEnd = std::int64_t(kFileHeaderSize) + ih.biSize;

    bool ok = fh.bfType == kBmpType
              // Shorter (OS/2) headers have another layout; a header cannot pass the file's end.
              && ih.biSize >= std::uint32_t(kInfoHeaderSize) && headerEnd <= fileSize
              && ih.biCompression == kBiRgb && knownBitCount(bitCount)
              && ih.biWidth > 0 && ih.biHeight != 0
              && ih.biHeight != std::numeric_limits<std::int32_t>::min();

    // The colour table follows the info header, however long that is, and has biClrUsed
    // entries when given (never more than the depth can index).
    int tableEntries = 0;
    if (ok && bitCount <= 8) {
        const std::uint32_t full = 1u << bitCount;
        tableEntries = int(ih.biClrUsed == 0 ? full : std::min(ih.biClrUsed, full));
        const std::int64_t tableBytes = std::int64_t(tableEntries) * 4;
        if (headerEnd + tableBytes > fileSize) {
            ok = false;
        } else {
            const QByteArray table = readZeroPadded(*reader.BmpFile, headerEnd, tableBytes);
            const auto *t = reinterpret_cast<const unsigned char *>(table.constData());
            for (int i = 0; i < tableEntries; ++i) {
                RGBQUAD &q = reader.BmpInfo.bmiColors[std::size_t(i)];
                q.rgbBlue = t[4 * i];
                q.rgbGreen = t[4 * i + 1];
                q.rgbRed = t[4 * i + 2];
                q.rgbReserved = t[4 * i + 3];
            }
            BuildBmpPalette(reader, tableEntries);
        }
    }

    if (ok) {
        reader.BmpWidth = ih.biWidth;
        reader.BmpHeight = ih.biHeight < 0 ? -ih.biHeight : ih.biHeight;
        reader.BmpTopDown = ih.biHeight < 0;
        reader.BmpBitCount = bitCount;
        reader.BmpRowStride = RowStride(reader.BmpWidth, bitCount);
        reader.BmpDataPosition = std::int64_t(fh.bfOffBits) + 1;
        ok = std::int64_t(fh.bfOffBits) >= headerEnd
             && RowsFit(fh.bfOffBits, reader.BmpWidth, reader.BmpHeight, bitCount, fileSize);
    }

    fileHeader = reader.BmpFileHeader;
    info = reader.BmpInfo;
    palette = reader.BmpPalette;
    reader.BmpReadable = ok;
    return ok;
}

bool ReadBmpRect(BmpReader &reader, PixelRect &pixels, std::int32_t x1, std::int32_t y1,
                 std::int32_t x2, std::int32_t y2, const bool &cancel,
                 const std::function<void()> &pumpEvents)
{
    pixels.reset(0, 0);
    if (!reader.BmpReadable || !reader.BmpFile)
        return false;
    if (x1 < 0 || y1 < 0 || x1 > x2 || y1 > y2 || x2 >= reader.BmpWidth
        || y2 >= reader.BmpHeight)
        return false;
    const std::int64_t columns = std::int64_t(x2) - x1 + 1;
    const std::int64_t rows = std::int64_t(y2) - y1 + 1;
    if (columns * rows > kMaxRectPixels)
        return false;
    pixels.reset(int(columns), int(rows));

    const int bitCount = reader.BmpBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        return false;

    // The values of this file: an event handler run between rows may open another one.
    const std::uint64_t generation = reader.BmpGeneration;
    QFile &file = *reader.BmpFile;
    const std::int64_t dataStart = reader.BmpDataPosition - 1;
    const std::int64_t stride = reader.BmpRowStride;
    const std::int64_t height = reader.BmpHeight;
    const bool topDown = reader.BmpTopDown;
    const Palette palette = reader.BmpPalette;

    const std::int64_t firstOctet = std::int64_t(x1) * bitCount / 8;
    const std::int64_t lastOctet = (std::int64_t(x2) * bitCount + bitCount - 1) / 8;
    const std::int64_t octets = lastOctet - firstOctet + 1;

    for (std::int64_t row = 0; row < rows; ++row) {
        const std::int64_t y = y1 + row;
        const std::int64_t storedRow = topDown ? y : height - 1 - y;
        const QByteArray data =
            readZeroPadded(file, dataStart + stride * storedRow + firstOctet, octets);
        const auto *d = reinterpret_cast<const unsigned char *>(data.constData());
        ColourValue *out = pixels.values.data() + row * columns;
        for (std::int64_t c = 0; c < columns; ++c) {
            const std::int64_t bit = (std::int64_t(x1) + c) * bitCount - firstOctet * 8;
            const unsigned char octet = d[bit / 8];
            switch (bitCount) {
            case 1:
                out[c] = palette[(octet >> (7 - bit % 8)) & 1];
                break;
            case 4:
                out[c] = palette[bit % 8 == 0 ? octet >> 4 : octet & 0x0F];
                break;
            case 8:
                out[c] = palette[octet];
                break;
            default: // 24 bits: blue, green, red
                out[c] = ColourValue(d[bit / 8 + 2]) + 256 * ColourValue(d[bit / 8 + 1])
                         + 65536 * ColourValue(octet);
                break;
            }
        }
        if (pumpEvents) {
            pumpEvents();
            if (reader.BmpGeneration != generation)
                return false;
        }
        if (cancel)
            return false;
    }
    return true;
}

} // namespace modLeggeBMP
