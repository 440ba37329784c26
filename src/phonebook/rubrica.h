// SPDX-License-Identifier: GPL-3.0-or-later
// The recipient list file Rubrica.txt and the number inside a recipient line.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Rubrica {

/// The list entries in the text of Rubrica.txt: comma-delimited fields, leading blanks
/// dropped, quoted fields unquoted, empty fields skipped. A line holding a comma therefore
/// comes back as two entries.
QStringList Parse(const QString &text);
/// One entry per line, each ended by CR LF; an empty list gives an empty text.
QString Format(const QStringList &entries);

/// The number in a recipient line such as "Anna (+3912345)": everything after the first
/// "(" except the last character of the line. Nothing (nullopt) without a "(" or without a
/// ")" after it.
std::optional<QString> ExtractRecipientNumber(const QString &line);

} // namespace Rubrica
