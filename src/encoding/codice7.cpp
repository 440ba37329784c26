// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/codice7.h"

#include <algorithm>

namespace Codice7 {

namespace {

std::array<QChar, kGsmTableSize> buildTable()
{
    std::array<QChar, kGsmTableSize> t{};
    // TS 23.038 default alphabet as this program types it: 0x10 is entered as "³",
    // 0x12..0x1B (Greek capitals, escape) carry nothing, so they are never produced.
    const char16_t low[] = {
        u'@',    u'\u00A3', u'$',     u'\u00A5', u'\u00E8', u'\u00E9', u'\u00F9', u'\u00EC',
        u'\u00F2', u'\u00E7', u'\n',  u'\u00D8', u'\u00F8', u'\r',     u'\u00C5', u'\u00E5',
        u'\u00B3', u'_',
    };
    for (int i = 0; i < int(std::size(low)); ++i)
        t[i] = QChar(low[i]);
    t[0x1C] = QChar(u'\u00C6');
    t[0x1D] = QChar(u'\u00E6');
    t[0x1E] = QChar(u'\u00DF');
    t[0x1F] = QChar(u'\u00C9');
    for (int i = 0x20; i <= 0x5A; ++i)
        t[i] = QChar(char16_t(i));
    t[0x24] = QChar(u'\u00A4');
    t[0x40] = QChar(u'\u00A1');
    t[0x5B] = QChar(u'\u00C4');
    t[0x5C] = QChar(u'\u00D6');
    t[0x5D] = QChar(u'\u00D1');
    t[0x5E] = QChar(u'\u00DC');
    t[0x5F] = QChar(u'\u00A7');
    t[0x60] = QChar(u'\u00BF');
    for (int i = 0x61; i <= 0x7A; ++i)
        t[i] = QChar(char16_t(i));
    t[0x7B] = QChar(u'\u00E4');
    t[0x7C] = QChar(u'\u00F6');
    t[0x7D] = QChar(u'\u00F1');
    t[0x7E] = QChar(u'\u00FC');
    t[0x7F] = QChar(u'\u00E0');
    return t;
}

// Reverse lookup for the characters up to U+00FF (every table character lies there):
// code + 1, or 0 for "not in the table". Built from the table in code order so that the
// first matching entry wins, as a linear search would.
struct Reverse
{
    std::array<unsigned char, 256> codePlusOne{};
};

Reverse buildReverse(const std::array<QChar, kGsmTableSize> &table)
{
    Reverse r;
    for (int code = 0; code < 128; ++code) {
        const QChar c = table[code];
        if (c.isNull() || c.unicode() > 0xFF)
            continue;
        if (r.codePlusOne[c.unicode()] == 0)
            r.codePlusOne[c.unicode()] = static_cast<unsigned char>(code + 1);
    }
    return r;
}

const Reverse &reverse()
{
    static const Reverse r = buildReverse(GsmTable());
    return r;
}

int codeOrMinusOne(QChar c)
{
    const char16_t u = c.unicode();
    if (u > 0xFF)
        return -1;
    return int(reverse().codePlusOne[u]) - 1;
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return 0;   // lower case and anything else count as 0, as the readers expect
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// True when a surrogate pair (one character beyond U+FFFF) starts at `i`.
bool pairAt(const QString &s, qsizetype i)
{
    return i + 1 < s.size() && s.at(i).isHighSurrogate() && s.at(i + 1).isLowSurrogate();
}

void appendHexOctet(QString &out, int value)
{
    out += QLatin1Char(kHexDigits[(value >> 4) & 0xF]);
    out += QLatin1Char(kHexDigits[value & 0xF]);
}

} // namespace

const std::array<QChar, kGsmTableSize> &GsmTable()
{
    static const std::array<QChar, kGsmTableSize> table = buildTable();
    return table;
}

void InitGsmTable()
{
    (void)reverse();
}

int GsmCode(QChar c)
{
    const int code = codeOrMinusOne(c);
    return code < 0 ? 0 : code;
}

bool InGsmAlphabet(QChar c)
{
    return codeOrMinusOne(c) >= 0;
}

qsizetype CharacterCount(const QString &text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); i += pairAt(text, i) ? 2 : 1)
        ++n;
    return n;
}

QString OneUnitPerCharacter(const QString &in)
{
    // Most texts hold no surrogate at all: they are returned as they are, without a copy.
    if (std::none_of(in.cbegin(), in.cend(), [](QChar c) { return c.isSurrogate(); }))
        return in;
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); i += pairAt(in, i) ? 2 : 1)
        out += pairAt(in, i) ? QChar(QChar::ReplacementCharacter) : in.at(i);
    return out;
}

int CountOutsideAlphabet(const QString &text)
{
    int n = 0;
    for (QChar c : OneUnitPerCharacter(text))
        if (!InGsmAlphabet(c))
            ++n;
    return n;
}

QString PackSeptets(const QString &typed)
{
    constexpr int kMaxOctets = 140;   // TS 23.040: TP-UD holds at most 140 octets
    const QString text = OneUnitPerCharacter(typed);
    QString out;
    const qsizetype chars = text.size();
    out.reserve(2 + 2 * kMaxOctets + 2);
    // TP-UDL in septets, two digits at least (callers never pass more than 160).
    QString udl = QString::number(chars, 16).toUpper();
    if (udl.size() < 2)
        udl.prepend(QLatin1Char('0'));
    out += udl;

    // TS 23.038 §6.1.2.1.1: septet i starts at bit 7*i, bits fill each octet from its
    // least significant end.
    unsigned acc = 0;
    int bits = 0;
    int octets = 0;
    for (QChar c : text) {
        acc |= unsigned(GsmCode(c) & 0x7F) << bits;
        bits += 7;
        if (bits >= 8) {
            if (octets < kMaxOctets)
                appendHexOctet(out, int(acc & 0xFF));
            ++octets;
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0 && octets < kMaxOctets)
        appendHexOctet(out, int(acc & 0xFF));
    return out;
}

QString HexToBits7(const QString &hex)
{
    const QString two = hex.size() < 2 ? QString(2 - hex.size(), QLatin1Char('0')) + hex
                                       : hex.left(2);
    const int value = hexDigitValue(two.at(0)) * 16 + hexDigitValue(two.at(1));
    QString out(7, QLatin1Char('0'));
    for (int b = 0; b < 7; ++b)
        if (value & (1 << (6 - b)))
            out[b] = QLatin1Char('1');
    return out;
}

QString BitsToHex(const QString &bits)
{
    int value = 0;
    for (QChar c : bits)
        value = value * 2 + (c == QLatin1Char('1') ? 1 : 0);
    QString out;
    appendHexOctet(out, value & 0xFF);
    return out;
}

int HexToByte(const QString &hex)
{
    const int hi = hex.size() > 0 ? hexDigitValue(hex.at(0)) : 0;
    const int lo = hex.size() > 1 ? hexDigitValue(hex.at(1)) : 0;
    return hi * 16 + lo;
}

} // namespace Codice7
