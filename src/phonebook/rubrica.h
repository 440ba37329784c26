// SPDX-License-Identifier: GPL-3.0-or-later
// The recipient list file Rubrica.txt and the number inside a recipient line.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Rubrica {

/// The longest line read as an entry: a name, a label and a number fit many times over.
constexpr qsizetype kMaxEntryLength = 256;
/// The most entries read; phones hold a few thousand numbers at most.
constexpr qsizetype kMaxEntries = 10000;

/// The list entries in the text of Rubrica.txt: each line that is not blank, exactly as it
/// stands (commas and double quotes included). Lines end at CR LF, CR or LF. Lines longer
/// than kMaxEntryLength are not entries and are skipped; reading stops after kMaxEntries.
QStringList Parse(const QString &text);
/// Reads Rubrica.txt (Windows-1252) as Parse does, a block at a time, so that an oversized
/// file costs no more memory than the entries kept. Nothing when it cannot be opened.
std::optional<QStringList> Load(const QString &path);
/// One entry per line, each ended by CR LF; an empty list gives an empty text.
QString Format(const QStringList &entries);

/// The number in a recipient line such as "Anna (+3912345)": everything after the first
/// "(" except the last character of the line. Nothing (nullopt) without a "(" or without a
/// ")" after it.
std::optional<QString> ExtractRecipientNumber(const QString &line);

} // namespace Rubrica
