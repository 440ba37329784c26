// SPDX-License-Identifier: GPL-3.0-or-later
// The program's text files: Windows-1252 text with CR LF line ends, rewritten atomically,
// so files move unchanged between this program on any system and files written on Windows.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace TextFile {

/// Windows-1252 octets to text (the five unassigned octets map to the same code points).
QString Decode(const QByteArray &bytes);
/// Text to Windows-1252 octets; a character with no octet becomes "?".
QByteArray Encode(const QString &text);

/// Whole file as text; nullopt when it cannot be opened.
std::optional<QString> Read(const QString &path);

/// Replaces the file with `text` (line ends as given), atomically: a failed write leaves
/// the old file whole. Returns false on failure, with a reason in `error` when given.
bool WriteAtomic(const QString &path, const QString &text, QString *error = nullptr);
/// The same for octets written exactly as given (a file in another encoding).
bool WriteAtomicBytes(const QString &path, const QByteArray &bytes, QString *error = nullptr);

/// Appends `text` to the file, creating it when missing. Returns false on failure.
bool Append(const QString &path, const QString &text);

/// Joins lines, each ended by CR LF.
QString JoinLines(const QStringList &lines);

} // namespace TextFile
