// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/vbstrings.h"

#include <cmath>
#include <limits>

namespace vb {

QString Mid(const QString &s, qsizetype start, qsizetype length)
{
    if (start < 1 || start > s.size() || length == 0)
        return {};
    return s.mid(start - 1, length < 0 ? -1 : length);
}

QString Left(const QString &s, qsizetype length)
{
    return length <= 0 ? QString() : s.left(length);
}

QString Right(const QString &s, qsizetype length)
{
    return length <= 0 ? QString() : s.right(length);
}

qsizetype InStr(qsizetype start, const QString &s, const QString &what)
{
    if (start < 1)
        start = 1;
    if (start > s.size() + 1)
        return 0;
    const qsizetype at = s.indexOf(what, start - 1);
    return at < 0 ? 0 : at + 1;
}

double Val(const QString &s)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    double sign = 1.0;
    if (i < n && (s[i] == u'-' || s[i] == u'+')) {
        if (s[i] == u'-')
            sign = -1.0;
        ++i;
    }
    double value = 0.0;
    bool any = false;
    while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
        value = value * 10.0 + (s[i].unicode() - u'0');
        any = true;
        ++i;
    }
    if (i < n && s[i] == u'.') {
        ++i;
        double scale = 0.1;
        while (i < n && s[i].unicode() >= u'0' && s[i].unicode() <= u'9') {
            value += (s[i].unicode() - u'0') * scale;
            scale /= 10.0;
            any = true;
            ++i;
        }
    }
    return any ? sign * value : 0.0;
}

std::int16_t ValInt16(const QString &s)
{
    const double v = std::round(Val(s));
    if (v > std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    if (v < std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(v);
}

QString NumberField(long long n)
{
    return (n < 0 ? QString() : QStringLiteral(" ")) + QString::number(n) + QLatin1Char(' ');
}

QStringList ReadFields(const QString &text)
{
    QStringList fields;
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normalised.split(QLatin1Char('\n'));
    // A line end closes the last line; it does not start another one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    for (const QString &line : lines) {
        qsizetype i = 0;
        const qsizetype n = line.size();
        while (true) {
            while (i < n && line[i] == u' ')
                ++i;
            QString field;
            if (i < n && line[i] == u'"') {
                const qsizetype close = line.indexOf(u'"', i + 1);
                field = line.mid(i + 1, close < 0 ? -1 : close - i - 1);
                i = close < 0 ? n : close + 1;
                // Whatever stands between the closing quote and the next comma is dropped.
                const qsizetype comma = line.indexOf(u',', i);
                i = comma < 0 ? n + 1 : comma + 1;
            } else {
                const qsizetype comma = line.indexOf(u',', i);
                field = line.mid(i, comma < 0 ? -1 : comma - i).trimmed();
                i = comma < 0 ? n + 1 : comma + 1;
            }
            fields << field;
            if (i > n)
                break;
        }
    }
    return fields;
}

} // namespace vb
