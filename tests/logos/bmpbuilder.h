// SPDX-License-Identifier: GPL-3.0-or-later
// Builds BMP files byte by byte for the reader tests, independently of the reader's code.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

struct BmpSpec
{
    int width = 72;
    int height = 14;                 ///< picture rows; stored top-down when topDown
    int bitCount = 1;
    bool topDown = false;
    /// Colour-table entries as 0xRRGGBB; written as blue, green, red, 0.
    QList<std::uint32_t> table{0x000000, 0xFFFFFF};
    /// Palette index (depth up to 8) or 0xRRGGBB (24 bits) of pixel (x, y), y = 0 at the top.
    std::function<std::uint32_t(int x, int y)> pixel = [](int, int) { return 1u; };
    std::uint32_t infoSize = 40;     ///< biSize; the header is padded with zeros to this size
    std::uint32_t clrUsed = 0;
    std::uint32_t compression = 0;
    std::optional<std::uint32_t> offBits;   ///< default: right after the colour table
    int chopEnd = 0;                 ///< octets cut from the end of the file
    QByteArray magic = "BM";
};

inline void putLe(QByteArray &b, int at, std::uint64_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

inline QByteArray buildBmp(const BmpSpec &s)
{
    const int stride = ((s.width * s.bitCount + 31) / 32) * 4;
    const int tableBytes = int(s.table.size()) * 4;
    const int tableAt = 14 + int(s.infoSize);
    const int dataAt = s.offBits ? int(*s.offBits) : tableAt + tableBytes;
    const int dataEnd = dataAt + stride * s.height;
    QByteArray b(std::max(std::max(dataEnd, tableAt + tableBytes), 54), '\0');
    b[0] = s.magic.at(0);
    b[1] = s.magic.at(1);
    putLe(b, 2, b.size(), 4);
    putLe(b, 10, std::uint32_t(dataAt), 4);
    putLe(b, 14, s.infoSize, 4);
    putLe(b, 18, std::uint32_t(s.width), 4);
    putLe(b, 22, std::uint32_t(s.topDown ? -s.height : s.height), 4);
    putLe(b, 26, 1, 2);
    putLe(b, 28, std::uint32_t(s.bitCount), 2);
    putLe(b, 30, s.compression, 4);
    putLe(b, 34, std::uint32_t(stride * s.height), 4);
    putLe(b, 46, s.clrUsed, 4);
    for (int i = 0; i < s.table.size(); ++i) {
        const std::uint32_t c = s.table.at(i);
        b[tableAt + 4 * i] = char(c & 0xFF);
        b[tableAt + 4 * i + 1] = char((c >> 8) & 0xFF);
        b[tableAt + 4 * i + 2] = char((c >> 16) & 0xFF);
    }
    if (dataEnd <= b.size()) {
        for (int r = 0; r < s.height; ++r) {
            const int y = s.topDown ? r : s.height - 1 - r;
            const int rowAt = dataAt + r * stride;
            for (int x = 0; x < s.width; ++x) {
                const std::uint32_t v = s.pixel(x, y);
                const int bit = x * s.bitCount;
                switch (s.bitCount) {
                case 24:
                    b[rowAt + bit / 8] = char(v & 0xFF);            // blue
                    b[rowAt + bit / 8 + 1] = char((v >> 8) & 0xFF); // green
                    b[rowAt + bit / 8 + 2] = char((v >> 16) & 0xFF);// red
                    break;
                case 16: case 32:
                    putLe(b, rowAt + bit / 8, v, s.bitCount / 8);
                    break;
                default: {
                    const int shift = 8 - s.bitCount - bit % 8;
                    b[rowAt + bit / 8] = char(std::uint8_t(b[rowAt + bit / 8])
                                              | std::uint8_t(v << shift));
                }
                }
            }
        }
    }
    b.chop(s.chopEnd);
    return b;
}
