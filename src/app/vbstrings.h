// SPDX-License-Identifier: GPL-3.0-or-later
// Classic BASIC string and file conventions the program's files and reply parsers rely on.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

/// 1-based string helpers that return empty (never fail) past the end, so reply
/// parsers that count positions in what the phone sent cannot read out of bounds.
namespace vb {

/// Characters from 1-based position `start`, at most `length` of them (all when negative).
QString Mid(const QString &s, qsizetype start, qsizetype length = -1);
QString Left(const QString &s, qsizetype length);
QString Right(const QString &s, qsizetype length);
/// 1-based position of `what` in `s` at or after `start`; 0 when absent.
qsizetype InStr(qsizetype start, const QString &s, const QString &what);

/// The number at the start of the text (leading blanks skipped, optional sign, digits,
/// optional fraction); 0 when there is none. "12abc" gives 12, "" gives 0.
double Val(const QString &s);
/// Val clamped and rounded into a 16-bit signed integer (no overflow).
std::int16_t ValInt16(const QString &s);

/// A number as BASIC's Print/Write put it in files: leading blank (or "-"), digits,
/// trailing blank. 200 gives " 200 ", -3 gives "-3 ".
QString NumberField(long long n);

/// Splits text into comma-delimited fields the way BASIC's Input # reads them:
/// fields end at a comma or a line end, leading and trailing blanks are dropped, and a
/// field that begins with a double quote runs to the next double quote (quotes dropped).
/// Empty lines give one empty field each.
QStringList ReadFields(const QString &text);

} // namespace vb
