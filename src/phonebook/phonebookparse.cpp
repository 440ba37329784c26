// SPDX-License-Identifier: GPL-3.0-or-later
// The phone's phonebook replies (+CPBR, ^SDBR) turned into recipient-list entries.
#include "phonebook/phonebookparse.h"

namespace Phonebook {

namespace {

// The index (at most five digits, maybe blanks) stands between the prefix and the first
// comma; a line with no comma that close is not an entry.
constexpr qsizetype kIndexWindow = 10;

bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

/// The lines of a reply (CR and LF both end a line; empty lines are dropped).
QList<QStringView> lines(const QString &text)
{
    QList<QStringView> out;
    const QStringView all(text);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= all.size(); ++i) {
        if (i < all.size() && !isLineEnd(all[i]))
            continue;
        if (i > start)
            out << all.mid(start, i - start);
        start = i + 1;
    }
    return out;
}

/// Number and name of a response line, from just after its prefix: `index`, a comma,
/// the quoted number, fields without quotes, the quoted name. Nothing when the comma or a
/// quote is missing.
struct Fields
{
    QStringView first;   // the text before the comma (index or category)
    QStringView number;
    QStringView name;
};

std::optional<Fields> splitFields(QStringView line, qsizetype commaWindow)
{
    const qsizetype comma = line.indexOf(u',');
    if (comma < 0 || comma > commaWindow)
        return std::nullopt;
    qsizetype p = comma + 1;
    while (p < line.size() && line[p] == u' ')
        ++p;
    if (p >= line.size() || line[p] != u'"')
        return std::nullopt;
    const qsizetype numberEnd = line.indexOf(u'"', p + 1);
    if (numberEnd < 0)
        return std::nullopt;
    // The fields between number and name (the number type) hold no quotes.
    const qsizetype nameStart = line.indexOf(u'"', numberEnd + 1);
    if (nameStart < 0)
        return std::nullopt;
    const qsizetype nameEnd = line.indexOf(u'"', nameStart + 1);
    if (nameEnd < 0)
        return std::nullopt;
    return Fields{line.left(comma), line.mid(p + 1, numberEnd - p - 1),
                  line.mid(nameStart + 1, nameEnd - nameStart - 1)};
}

QString categoryLabel(QStringView text)
{
    static const char *const kLabels[] = {"-Home- (", "-Office- (", "-Mobile- (", "-Fax- ("};
    const QStringView digits = text.trimmed();
    bool ok = !digits.isEmpty();
    for (QChar c : digits)
        ok = ok && c >= u'0' && c <= u'9';
    const int category = ok && digits.size() <= 2 ? digits.toInt() : -1;
    // Any other category still ends in " (" so that the number can be picked.
    if (category < 0 || category > 3)
        return QStringLiteral("-Other- (");
    return QLatin1String(kLabels[category]);
}

bool isFinalResult(QStringView line)
{
    return line == u"OK" || line == u"ERROR" || line.startsWith(u"+CME ERROR:")
           || line.startsWith(u"+CMS ERROR:");
}

} // namespace

std::optional<QString> ParsePhonebookEntry(const QString &reply)
{
    static const QString prefix = QStringLiteral("+CPBR:");
    for (QStringView line : lines(reply)) {
        if (!line.startsWith(prefix))
            continue;
        const auto f = splitFields(line.mid(prefix.size()), kIndexWindow);
        if (!f)
            return std::nullopt;
        return f->name.toString() + QStringLiteral(" (") + f->number.toString()
               + QLatin1Char(')');
    }
    return std::nullopt;
}

QStringList ParseAddressBookEntries(const QString &reply)
{
    static const QString prefix = QStringLiteral("^SDBR:");
    QStringList entries;
    for (QStringView line : lines(reply)) {
        if (!line.startsWith(prefix))
            continue;
        const QStringView rest = line.mid(prefix.size());
        const auto f = splitFields(rest, rest.size());
        if (!f)
            break;
        entries << f->name.toString() + QLatin1Char(' ') + categoryLabel(f->first)
                       + f->number.toString() + QLatin1Char(')');
    }
    return entries;
}

QStringList SplitReplies(const QString &text)
{
    QStringList replies;
    qsizetype start = 0;
    qsizetype lineStart = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!isLineEnd(text[i]))
            continue;
        const QStringView line = QStringView(text).mid(lineStart, i - lineStart);
        qsizetype next = i + 1;
        if (text[i] == u'\r' && next < n && text[next] == u'\n')
            ++next;
        if (isFinalResult(line)) {
            replies << text.mid(start, next - start);
            start = next;
        }
        lineStart = next;
        i = next - 1;
    }
    return replies;
}

bool AnswersCommand(const QString &reply, const QString &command)
{
    // The echo of a command the phone never answered may stand in front of it.
    const QList<QStringView> all = lines(reply);
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->startsWith(u"AT", Qt::CaseInsensitive))
            return *it == command;
    }
    return true;
}

} // namespace Phonebook
