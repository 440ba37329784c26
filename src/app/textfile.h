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

/// The first `maxLines` lines of a file, read a piece at a time, so an oversized file costs
/// neither memory nor much time. CR LF, CR or LF end a line; the line end of the last line
/// starts no new one. A line longer than `maxLength` characters comes back cut to
/// `maxLength` + 1 characters (see LineTooLong), the rest of it is skipped unread into
/// memory. nullopt when the file cannot be opened or read.
std::optional<QStringList> ReadLines(const QString &path, int maxLines, int maxLength);
/// The same for text already in memory.
QStringList SplitLines(const QString &text, int maxLines, int maxLength);
/// True for a line that ReadLines or SplitLines cut because it was longer than `maxLength`.
inline bool LineTooLong(const QString &line, int maxLength) { return line.size() > maxLength; }

/// Replaces the file with `text` (line ends as given), atomically: a failed write leaves
/// the old file whole. Returns false on failure, with a reason in `error` when given.
bool WriteAtomic(const QString &path, const QString &text, QString *error = nullptr);
/// The same for octets written exactly as given (a file in another encoding).
bool WriteAtomicBytes(const QString &path, const QByteArray &bytes, QString *error = nullptr);

/// Appends `text` to the file, creating it when missing. Returns false on failure, with a
/// reason in `error` when given.
bool Append(const QString &path, const QString &text, QString *error = nullptr);

/// Joins lines, each ended by CR LF.
QString JoinLines(const QStringList &lines);

} // namespace TextFile
