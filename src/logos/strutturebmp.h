// SPDX-License-Identifier: GPL-3.0-or-later
// Record layouts of a Windows BMP file (all fields little-endian in the file).
#pragma once

#include <array>
#include <cstdint>

namespace StruttureBMP {

/// The 14-octet file header at offset 0.
struct BITMAPFILEHEADER
{
    std::uint16_t bfType = 0;        ///< "BM" as the octets 0x42 0x4D
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;     ///< 0-based file offset of the first pixel octet
};

/// The first 40 octets of the info header at offset 14. Longer headers (V4: 108, V5: 124)
/// start the same way; biSize tells how long the header really is.
struct BITMAPINFOHEADER
{
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;       ///< negative: rows stored top-down
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0; ///< 0 = BI_RGB, uncompressed
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;     ///< colour-table entries; 0 means 2^biBitCount
    std::uint32_t biClrImportant = 0;
};

/// One colour-table entry, in file order.
struct RGBQUAD
{
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

/// The info header and a colour table of up to 256 entries.
struct BITMAPINFO
{
    BITMAPINFOHEADER bmiHeader;
    std::array<RGBQUAD, 256> bmiColors{};
};

constexpr std::uint16_t kBmpType = 0x4D42;        ///< "BM" read little-endian
constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;               ///< the only compression read

} // namespace StruttureBMP
