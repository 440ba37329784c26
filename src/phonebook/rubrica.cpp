// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonebook/rubrica.h"

#include "app/textfile.h"
#include "app/vbstrings.h"

namespace Rubrica {

QStringList Parse(const QString &text)
{
    QStringList entries;
    for (const QString &field : vb::ReadFields(text)) {
        if (!field.isEmpty())
            entries << field;
    }
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
