// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/module1.h"

namespace Module1 {

namespace {

QString hex2(qsizetype value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString SwapPairs(const QString &digits)
{
    QString d = digits;
    if (d.size() % 2 != 0)
        d += QLatin1Char('F');
    for (qsizetype i = 0; i + 1 < d.size(); i += 2)
        std::swap(d[i], d[i + 1]);
    return d;
}

TypedNumber CleanNumber(const QString &typed)
{
    TypedNumber out;
    for (const QChar c : typed) {
        // The separators people put in numbers, in their ASCII and typographic forms.
        if (c.isSpace() || c == u'-' || c == u'.' || c == u'(' || c == u')' || c == u'['
            || c == u']' || (c >= u'\u2010' && c <= u'\u2015') || c == u'\u2212')
            continue;
        if (c >= u'0' && c <= u'9') {
            ++out.digits;
        } else if (!(c == u'+' && out.number.isEmpty()) && out.bad.isNull()) {
            out.bad = c;
        }
        out.number += c;
    }
    if (!out.bad.isNull())
        out.problem = TypedNumber::Problem::BadCharacter;
    else if (out.digits == 0)
        out.problem = TypedNumber::Problem::Empty;
    else if (out.digits > kMaxAddressDigits)
        out.problem = TypedNumber::Problem::TooManyDigits;
    return out;
}

QString EncodeAddress(const QString &number)
{
    const bool international = number.startsWith(QLatin1Char('+'));
    const QString d = international ? number.mid(1) : number;
    // TS 23.040 §9.1.2.5: address length in useful semi-octets, then type of address.
    return hex2(d.size()) + (international ? QStringLiteral("91") : QStringLiteral("81"))
        + SwapPairs(d);
}

QString EncodeServiceCentre(const QString &number)
{
    // TS 27.005: the SMSC field counts octets, type of address included.
    const QString body = QStringLiteral("91") + SwapPairs(number);
    return hex2(body.size() / 2) + body;
}

} // namespace Module1
