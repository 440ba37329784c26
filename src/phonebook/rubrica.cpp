// SPDX-License-Identifier: GPL-3.0-or-later
// The recipient list file Rubrica.txt and the number inside a recipient line.
#include "phonebook/rubrica.h"

#include "app/textfile.h"
#include "app/vbstrings.h"

#include <QFile>

namespace Rubrica {

namespace {

/// Adds a finished line when it is an entry; false once the list is full.
bool accept(const QString &line, bool overlong, QStringList &entries)
{
    if (!overlong && !line.trimmed().isEmpty())
        entries << line;
    return entries.size() < kMaxEntries;
}

} // namespace

QStringList Parse(const QString &text)
{
    QStringList entries;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r' && text[i] != u'\n')
            continue;
        const qsizetype length = i - start;
        if (!accept(text.mid(start, std::min(length, kMaxEntryLength)), length > kMaxEntryLength,
                    entries))
            break;
        start = i + 1;
    }
    return entries;
}

std::optional<QStringList> Load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringList entries;
    QByteArray line;
    bool overlong = false;
    char block[65536];
    qint64 n = 0;
    while ((n = f.read(block, sizeof block)) > 0) {
        for (qint64 i = 0; i < n; ++i) {
            const char c = block[i];
            if (c != '\r' && c != '\n') {
                // One octet is one character; a line past the limit is dropped whole.
                if (line.size() < kMaxEntryLength)
                    line += c;
                else
                    overlong = true;
                continue;
            }
            if (!accept(TextFile::Decode(line), overlong, entries))
                return entries;
            line.clear();
            overlong = false;
        }
    }
    accept(TextFile::Decode(line), overlong, entries);
    return entries;
}

QString Format(const QStringList &entries)
{
    return TextFile::JoinLines(entries);
}

std::optional<QString> ExtractRecipientNumber(const QString &line)
{
    const qsizetype open = vb::InStr(1, line, QStringLiteral("("));
    if (open == 0)
        return std::nullopt;
    if (vb::InStr(open + 1, line, QStringLiteral(")")) == 0)
        return std::nullopt;
    // The length comes from the end of the line, not from the ")" found.
    return vb::Mid(line, open + 1, line.size() - open - 1);
}

} // namespace Rubrica
