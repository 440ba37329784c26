// SPDX-License-Identifier: GPL-3.0-or-later
// Nokia Smart Messaging bitmaps from BMP files, the operator-code encodings and the
// operator file (Operator.sms).
#pragma once

#include "logos/modleggebmp.h"
#include "logos/strutturebmp.h"

#include <QString>

#include <functional>
#include <optional>

namespace Bitmap {

constexpr int kLogoWidth = 72;
constexpr int kLogoHeight = 14;      ///< operator and group logos
constexpr int kPictureHeight = 28;   ///< picture messages

/// What the logo loader keeps between a load and the conversions that follow it.
struct LogoState
{
    modLeggeBMP::BmpReader reader;                  ///< the file loaded last, still open
    StruttureBMP::BITMAPFILEHEADER LogoFileHeader;  ///< copies handed back by OpenBmp
    StruttureBMP::BITMAPINFO LogoInfo;
    modLeggeBMP::Palette LogoPalette{};
    bool loading = false;                           ///< a load is running (no re-entry)
};

/// Empty when the header describes an acceptable logo (72 x 14, or 72 x 28 for a picture
/// message, 1 bit per pixel, rows in either order); otherwise the text to show the user.
QString LogoSizeError(const StruttureBMP::BITMAPINFO &info, bool pictureMode);

/// Bitmap data of rows firstRow..lastRow of a pixel rectangle: one bit per pixel, 1 for pure
/// black (colour value 0), row by row from the top, first pixel in the most significant bit,
/// two upper-case hex digits per octet. `skipFirst` pixels of the first row and all pixels of
/// the last row from column `lastRowEnd` on are left out (-1: whole row).
QString PixelsToHex(const modLeggeBMP::PixelRect &pixels, int firstRow, int lastRow,
                    int skipFirst = 0, int lastRowEnd = -1);

/// The 72 x 14 logo of the file opened last as 252 hex digits; empty when it cannot be read.
QString LogoToHex(modLeggeBMP::BmpReader &reader, const std::function<void()> &pumpEvents = {});

/// Part 1 (rows 0-12, 234 digits), 2 (rows 13-26 and row 27 columns 0-15, 256 digits) or
/// 3 (row 27 columns 16-71, 14 digits) of the 72 x 28 picture of the file opened last;
/// empty when it cannot be read or `part` is not 1, 2 or 3.
QString PictureToHex(modLeggeBMP::BmpReader &reader, int part,
                     const std::function<void()> &pumpEvents = {});

/// Country code for the operator-logo header (nibble-swapped BCD, TS 24.008 style):
/// "" -> "FFFF", "2" -> "00F2", "22" -> "0022", "222" -> "22F2"; four or more characters
/// leave `current` as it is. A character that is not a digit counts as 0.
QString CountryCodeToMcc(const QString &text, const QString &current);

/// Operator code: "" -> "FF", "1" -> "10", "01" -> "10"; three or more characters leave
/// `current` as it is. A character that is not a digit counts as 0.
QString OperatorCodeToMnc(const QString &text, const QString &current);

/// The two codes kept in Operator.sms.
struct OperatorCodes
{
    QString countryCode;    ///< first field, read as a value ("001" gives "1")
    QString operatorCode;   ///< second field, read as text
};

/// Operator codes are at most three digits; a field longer than that is no code.
constexpr int kMaxCodeLength = 3;
/// The longest line of Operator.sms that is read (characters).
constexpr int kMaxOperatorLine = 255;

/// Reads the first two lines of Operator.sms; nullopt when it cannot be read or a line is
/// longer than kMaxOperatorLine. Fields missing from the file, and fields longer than
/// kMaxCodeLength (the country code once read as a value), are empty.
std::optional<OperatorCodes> ReadOperatorFile(const QString &path);

/// Writes the two codes as two CR LF lines, replacing the file atomically.
bool WriteOperatorFile(const QString &path, const OperatorCodes &codes, QString *error = nullptr);

/// A field read as a value: a purely numeric text becomes that number written back in
/// decimal ("001" -> "1", "2.50" -> "2.5"); any other text stays as it is.
QString FieldAsValue(const QString &field);

} // namespace Bitmap
