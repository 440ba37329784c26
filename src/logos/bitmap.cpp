// SPDX-License-Identifier: GPL-3.0-or-later
#include "logos/bitmap.h"

#include "app/textfile.h"
#include "app/vbstrings.h"

#include <QRegularExpression>

#include <cmath>

namespace Bitmap {

using modLeggeBMP::PixelRect;

QString LogoSizeError(const StruttureBMP::BITMAPINFO &info, bool pictureMode)
{
    const auto &h = info.bmiHeader;
    const int required = pictureMode ? kPictureHeight : kLogoHeight;
    // A negative height is the same picture stored top-down.
    const bool heightOk = h.biHeight == required || h.biHeight == -required;
    if (h.biWidth == kLogoWidth && heightOk && h.biBitCount == 1)
        return {};
    return pictureMode ? QStringLiteral("Bitmap must be 72x28x2 !!!")
                       : QStringLiteral("Bitmap must be 72x14x2 !!!");
}

QString PixelsToHex(const PixelRect &pixels, int firstRow, int lastRow, int skipFirst,
                    int lastRowEnd)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    int octet = 0;
    int bits = 0;
    for (int row = firstRow; row <= lastRow; ++row) {
        const int from = row == firstRow ? skipFirst : 0;
        const int to = (row == lastRow && lastRowEnd >= 0) ? lastRowEnd : pixels.width;
        for (int column = from; column < to; ++column) {
            octet = (octet << 1) | (pixels.at(column, row) == modLeggeBMP::kBlack ? 1 : 0);
            if (++bits == 8) {
                out += QLatin1Char(digits[octet >> 4]);
                out += QLatin1Char(digits[octet & 0x0F]);
                octet = 0;
                bits = 0;
            }
        }
    }
    return out;
}

namespace {

bool readWholePicture(modLeggeBMP::BmpReader &reader, PixelRect &pixels, int height,
                      const std::function<void()> &pumpEvents)
{
    const bool cancel = false;
    return modLeggeBMP::ReadBmpRect(reader, pixels, 0, 0, kLogoWidth - 1, height - 1, cancel,
                                    pumpEvents);
}

QChar digitOrZero(QChar c)
{
    return (c >= u'0' && c <= u'9') ? c : QLatin1Char('0');
}

} // namespace

QString LogoToHex(modLeggeBMP::BmpReader &reader, const std::function<void()> &pumpEvents)
{
    PixelRect pixels;
    if (!readWholePicture(reader, pixels, kLogoHeight, pumpEvents))
        return {};
    return PixelsToHex(pixels, 0, kLogoHeight - 1);
}

QString PictureToHex(modLeggeBMP::BmpReader &reader, int part,
                     const std::function<void()> &pumpEvents)
{
    if (part < 1 || part > 3)
        return {};
    PixelRect pixels;
    if (!readWholePicture(reader, pixels, kPictureHeight, pumpEvents))
        return {};
    switch (part) {
    case 1:
        return PixelsToHex(pixels, 0, 12);
    case 2:
        return PixelsToHex(pixels, 13, 27, 0, 16);
    default:
        return PixelsToHex(pixels, 27, 27, 16);
    }
}

QString CountryCodeToMcc(const QString &text, const QString &current)
{
    switch (text.size()) {
    case 0:
        return QStringLiteral("FFFF");
    case 1:
        return QStringLiteral("00F") + digitOrZero(text[0]);
    case 2:
        return QStringLiteral("00") + digitOrZero(text[1]) + digitOrZero(text[0]);
    case 3:
        return QString(digitOrZero(text[1])) + digitOrZero(text[0]) + QLatin1Char('F')
               + digitOrZero(text[2]);
    default:
        return current;
    }
}

QString OperatorCodeToMnc(const QString &text, const QString &current)
{
    switch (text.size()) {
    case 0:
        return QStringLiteral("FF");
    case 1:
        return QString(digitOrZero(text[0])) + QLatin1Char('0');
    case 2:
        return QString(digitOrZero(text[1])) + digitOrZero(text[0]);
    default:
        return current;
    }
}

QString FieldAsValue(const QString &field)
{
    static const QRegularExpression numeric(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    if (!numeric.match(field).hasMatch())
        return field;
    const double value = vb::Val(field);
    if (!std::isfinite(value))
        return field;   // too many digits for a number: "inf" is no code
    return QString::number(value == 0.0 ? 0.0 : value, 'g', 15);
}

std::optional<OperatorCodes> ReadOperatorFile(const QString &path)
{
    // The two codes lie on the first two lines at most; a line longer than any code could
    // be makes the file no operator file at all.
    const auto lines = TextFile::ReadLines(path, 2, kMaxOperatorLine);
    if (!lines)
        return std::nullopt;
    for (const QString &line : *lines)
        if (TextFile::LineTooLong(line, kMaxOperatorLine))
            return std::nullopt;
    const QStringList fields = vb::ReadFields(lines->join(QStringLiteral("\r\n")));
    OperatorCodes codes;
    // A code longer than the boxes take is not a code: the box keeps its text.
    if (!fields.isEmpty())
        codes.countryCode = FieldAsValue(fields.at(0));
    if (codes.countryCode.size() > kMaxCodeLength)
        codes.countryCode.clear();
    if (fields.size() > 1 && fields.at(1).size() <= kMaxCodeLength)
        codes.operatorCode = fields.at(1);
    return codes;
}

bool WriteOperatorFile(const QString &path, const OperatorCodes &codes, QString *error)
{
    return TextFile::WriteAtomic(path, TextFile::JoinLines({codes.countryCode, codes.operatorCode}),
                                 error);
}

} // namespace Bitmap
