// SPDX-License-Identifier: GPL-3.0-or-later
// Builds BMP files byte by byte for the reader tests, independently of the reader's code.
#pragma once

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>

struct BmpLayout
{
    int width = 72;
    int height = 14;
    int bitCount = 1;
    bool topDown = false;
    QList<std::uint32_t> table{0x000000, 0xFFFFFF};   ///< 0xRRGGBB, stored blue, green, red, 0
    /// Palette index (up to 8 bits) or the stored value (16/24/32 bits) of pixel x, y (0 = top).
    std::function<std::uint32_t(int x, int y)> pixel = [](int, int) { return 1u; };
    std::uint32_t infoSize = 40;
    std::uint32_t compression = 0;
    std::optional<std::uint32_t> offBits;   ///< default: right after the colour table
    int chopEnd = 0;                        ///< octets cut from the end of the file
    QByteArray magic = "BM";
};

inline void putLe(QByteArray &b, int at, std::uint64_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

inline QByteArray buildBmp(const BmpLayout &l)
{
    const int stride = ((l.width * l.bitCount + 31) / 32) * 4;
    const int tableAt = 14 + int(l.infoSize);
    const int dataAt = l.offBits ? int(*l.offBits) : tableAt + int(l.table.size()) * 4;
    const int dataEnd = dataAt + stride * l.height;
    QByteArray b(std::max({dataEnd, tableAt + int(l.table.size()) * 4, 54}), '\0');
    b.replace(0, 2, l.magic);
    putLe(b, 2, b.size(), 4);
    putLe(b, 10, std::uint32_t(dataAt), 4);
    putLe(b, 14, l.infoSize, 4);
    putLe(b, 18, std::uint32_t(l.width), 4);
    putLe(b, 22, std::uint32_t(l.topDown ? -l.height : l.height), 4);
    putLe(b, 26, 1, 2);
    putLe(b, 28, std::uint32_t(l.bitCount), 2);
    putLe(b, 30, l.compression, 4);
    putLe(b, 34, std::uint32_t(stride * l.height), 4);
    for (int i = 0; i < l.table.size(); ++i)
        putLe(b, tableAt + 4 * i, l.table.at(i) & 0xFFFFFF, 3);   // little end first: blue
    for (int r = 0; r < l.height && dataEnd <= b.size(); ++r) {
        const int rowAt = dataAt + r * stride, y = l.topDown ? r : l.height - 1 - r;
        for (int x = 0; x < l.width; ++x) {
            const std::uint32_t v = l.pixel(x, y);
            const int bit = x * l.bitCount, at = rowAt + bit / 8;
            if (l.bitCount >= 16)
                putLe(b, at, v, l.bitCount / 8);   // 24 bits: blue, green, red
            else
                b[at] = char(std::uint8_t(b[at]) | std::uint8_t(v << (8 - l.bitCount - bit % 8)));
        }
    }
    b.chop(l.chopEnd);
    return b;
}
