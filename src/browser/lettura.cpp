// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/lettura.h"

#include "app/textfile.h"
#include "encoding/codice7.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace Lettura {

namespace {

// ---- octets -------------------------------------------------------------------------------

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// The octets of the hex text up to the first pair that is not hex; a lone last digit
// is no octet.
QByteArray Octets(const QString &hex)
{
    QByteArray out;
    out.reserve(hex.size() / 2);
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = HexDigit(hex.at(i));
        const int lo = HexDigit(hex.at(i + 1));
        if (hi < 0 || lo < 0)
            break;
        out.append(char(hi * 16 + lo));
    }
    return out;
}

// Walks the PDU with one offset; every read is checked against what is there.
class Reader
{
public:
    explicit Reader(const QByteArray &octets) : m_b(octets) {}

    bool has(qsizetype n) const { return n >= 0 && m_pos + n <= m_b.size(); }
    qsizetype remaining() const { return m_b.size() - m_pos; }
    /// The next octet, or -1 at the end.
    int octet() { return has(1) ? static_cast<unsigned char>(m_b.at(m_pos++)) : -1; }
    /// Up to `n` octets, fewer at the end.
    QByteArray take(qsizetype n)
    {
        const qsizetype k = std::clamp<qsizetype>(n, 0, remaining());
        const QByteArray out = m_b.mid(m_pos, k);
        m_pos += k;
        return out;
    }

private:
    const QByteArray &m_b;
    qsizetype m_pos = 0;
};

// ---- GSM 7-bit default alphabet (TS 23.038 §6.2.1) -----------------------------------------

constexpr int kEscape = 0x1B;

// The sending table with the codes it leaves empty filled in as the standard has them:
// Δ and the Greek capitals, and capital C with cedilla at 0x09.
const std::array<QChar, 128> &DecodeTable()
{
    static const std::array<QChar, 128> table = [] {
        std::array<QChar, 128> t{};
        for (int i = 0; i < 128; ++i)
            t[size_t(i)] = Codice7::GsmTable()[size_t(i)];
        t[0x09] = QChar(u'\u00C7');
        const char16_t greek[] = {u'\u0394', u'_', u'\u03A6', u'\u0393', u'\u039B', u'\u03A9',
                                  u'\u03A0', u'\u03A8', u'\u03A3', u'\u0398', u'\u039E'};
        for (int i = 0; i < int(std::size(greek)); ++i)
            t[size_t(0x10 + i)] = QChar(greek[i]);
        return t;
    }();
    return table;
}

// TS 23.038 §6.2.1.1 extension table, reached through the escape code.
QChar Extension(int code)
{
    switch (code) {
    case 0x0A: return QChar(u'\f');
    case 0x14: return QChar(u'^');
    case 0x28: return QChar(u'{');
    case 0x29: return QChar(u'}');
    case 0x2F: return QChar(u'\\');
    case 0x3C: return QChar(u'[');
    case 0x3D: return QChar(u'~');
    case 0x3E: return QChar(u']');
    case 0x40: return QChar(u'|');
    case 0x65: return QChar(u'\u20AC');
    default: return {};
    }
}

QString GsmText(const QByteArray &septets)
{
    const auto &table = DecodeTable();
    QString out;
    out.reserve(septets.size());
    for (qsizetype i = 0; i < septets.size(); ++i) {
        const int c = septets.at(i) & 0x7F;
        if (c != kEscape) {
            out += table[size_t(c)];
            continue;
        }
        if (++i >= septets.size())
            break;   // an escape with nothing behind it shows nothing
        const int e = septets.at(i) & 0x7F;
        const QChar ext = Extension(e);
        // Unknown extension codes show their base character; a second escape (a table not
        // yet defined) shows as a blank, as the standard asks.
        out += !ext.isNull() ? ext : e == kEscape ? QChar(u' ') : table[size_t(e)];
    }
    return out;
}

// Up to `count` septets that start `startBit` bits into `octets`, least significant bit
// first (TS 23.038 §6.1.2.1.1); only septets lying wholly inside the octets are taken.
QByteArray Unpack(const QByteArray &octets, qsizetype startBit, qsizetype count)
{
    const qsizetype bits = octets.size() * 8 - startBit;
    count = std::min(count, bits > 0 ? bits / 7 : 0);
    QByteArray out;
    out.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype bit = startBit + 7 * i;
        const int shift = int(bit % 8);
        const qsizetype at = bit / 8;
        int v = static_cast<unsigned char>(octets.at(at)) >> shift;
        if (shift > 1)
            v |= static_cast<unsigned char>(octets.at(at + 1)) << (8 - shift);
        out.append(char(v & 0x7F));
    }
    return out;
}

// ---- addresses (TS 23.040 §9.1.2.5) --------------------------------------------------------

// Semi-octets, low nibble first; the filler F is dropped wherever it stands.
QString SemiOctets(const QByteArray &octets, qsizetype digits)
{
    static constexpr char kDigit[] = "0123456789*#abc";
    QString out;
    for (qsizetype i = 0; i < digits && i / 2 < octets.size(); ++i) {
        const int v = static_cast<unsigned char>(octets.at(i / 2));
        const int nibble = i % 2 == 0 ? v & 0x0F : v >> 4;
        if (nibble != 0x0F)
            out += QLatin1Char(kDigit[nibble]);
    }
    return out;
}

struct Address
{
    QString text;
    bool name = false;
};

Address DecodeAddress(int typeOfAddress, const QByteArray &value, qsizetype semiOctets)
{
    const int ton = (typeOfAddress >> 4) & 0x07;
    if (ton == 0x5)   // alphanumeric: 7-bit text, length counted in semi-octets
        return {GsmText(Unpack(value, 0, semiOctets * 4 / 7)), true};
    QString digits = SemiOctets(value, semiOctets);
    if (ton == 0x1 && !digits.isEmpty())   // international, whatever the numbering plan
        digits.prepend(QLatin1Char('+'));
    return {digits, false};
}

// Originating, destination or recipient address: digit count, type, semi-octets.
Address ReadAddress(Reader &r)
{
    const int digits = r.octet();
    const int type = r.octet();
    if (type < 0)
        return {};
    return DecodeAddress(type, r.take((digits + 1) / 2), digits);
}

// ---- time stamps (TS 23.040 §9.2.3.11) ------------------------------------------------------

struct Stamp
{
    QString text;
    double key = 0;
};

// The digits of a semi-octet pair as written: low nibble, then high nibble.
QString Swapped(int octet)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const char digits[] = {kHex[octet & 0x0F], kHex[octet >> 4]};
    return QString::fromLatin1(digits, 2);
}

// The number the text starts with; 0 without a leading digit.
int LeadingNumber(const QString &s)
{
    int v = 0;
    for (QChar c : s) {
        if (!c.isDigit() || c.unicode() > 0x7F)
            break;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

// Seven octets; the time zone is not shown. A stamp cut short gives no text and key 0.
Stamp ReadStamp(Reader &r)
{
    const QByteArray o = r.take(7);
    if (o.size() < 6)
        return {};
    QString f[6];
    for (int i = 0; i < 6; ++i)
        f[i] = Swapped(static_cast<unsigned char>(o.at(i)));
    const QString &yy = f[0], &mm = f[1], &dd = f[2], &hh = f[3], &mi = f[4], &ss = f[5];
    Stamp s;
    s.text = dd + u'/' + mm + u'/' + yy + QStringLiteral("  ") + hh + u'.' + mi + u':' + ss;
    s.key = LeadingNumber(dd) + 31.0 * LeadingNumber(mm) + 1000.0 * LeadingNumber(yy)
            + (3600.0 * LeadingNumber(hh) + 60.0 * LeadingNumber(mi) + LeadingNumber(ss))
                  / 100000.0;
    return s;
}

// ---- data coding scheme (TS 23.038 §4) ------------------------------------------------------

enum class Alphabet { Gsm7, EightBit, Ucs2 };

struct Coding
{
    Alphabet alphabet = Alphabet::Gsm7;
    int messageClass = -1;
    bool compressed = false;
};

Coding ReadCoding(int dcs)
{
    Coding c;
    const int group = dcs >> 4;
    if (group <= 0x7) {   // general data coding, and the same marked for automatic deletion
        c.compressed = dcs & 0x20;
        if (dcs & 0x10)
            c.messageClass = dcs & 0x03;
        const int alphabet = (dcs >> 2) & 0x03;   // 3 is reserved: read as 7-bit
        c.alphabet = alphabet == 1 ? Alphabet::EightBit
                     : alphabet == 2 ? Alphabet::Ucs2 : Alphabet::Gsm7;
    } else if (group == 0xE) {   // message waiting, stored, UCS2
        c.alphabet = Alphabet::Ucs2;
    } else if (group == 0xF) {   // data coding and message class
        c.alphabet = dcs & 0x04 ? Alphabet::EightBit : Alphabet::Gsm7;
        c.messageClass = dcs & 0x03;
    }
    // Reserved groups and message waiting (discard or store) use the 7-bit alphabet.
    return c;
}

// ---- user data --------------------------------------------------------------------------

QString Ucs2Text(const QByteArray &data)
{
    QString out;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
        out += QChar(char16_t((static_cast<unsigned char>(data.at(i)) << 8)
                              | static_cast<unsigned char>(data.at(i + 1))));
    // A surrogate without its partner is no character: show the replacement mark.
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out.at(i).isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            ++i;
        else if (out.at(i).isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

bool Printable(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isPrint() || c == u'\r' || c == u'\n' || c == u'\t';
    });
}

// 8-bit data is text when it reads as printable UTF-8 (ASCII included) or Latin-1, as
// business cards and calendar entries do; anything else is only described. Data cut short
// may end inside a UTF-8 character: that character is left out, so the rest still reads
// as the UTF-8 it is.
QString EightBitText(const QByteArray &data, int port, bool cut)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        cut ? QStringDecoder::Flag::Default : QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8(data);
    if (!utf8.hasError() && Printable(asUtf8))
        return asUtf8;
    const QString asLatin1 = QString::fromLatin1(data);
    if (Printable(asLatin1))
        return asLatin1;
    return port >= 0 ? QStringLiteral("Binary data (%1 octets, port %2)").arg(data.size()).arg(port)
                     : QStringLiteral("Binary data (%1 octets)").arg(data.size());
}

// TS 23.040 §9.2.3.24: concatenation (8- and 16-bit reference) and application ports.
int ReadHeader(const QByteArray &h, SmsRecord &rec)
{
    int port = -1;
    for (qsizetype p = 0; p + 2 <= h.size();) {
        const int iei = static_cast<unsigned char>(h.at(p));
        const int len = static_cast<unsigned char>(h.at(p + 1));
        if (p + 2 + len > h.size())
            break;
        const auto v = [&](int i) { return static_cast<unsigned char>(h.at(p + 2 + i)); };
        if ((iei == 0x00 && len == 3) || (iei == 0x08 && len == 4)) {
            const bool wide = iei == 0x08;
            const int reference = wide ? v(0) * 256 + v(1) : v(0);
            const int count = v(wide ? 2 : 1);
            const int number = v(wide ? 3 : 2);
            if (count > 0 && number >= 1 && number <= count) {
                rec.PartReference = reference;
                rec.PartReference16 = wide;
                rec.PartCount = count;
                rec.PartNumber = number;
            }
        } else if (iei == 0x04 && len == 2) {
            port = v(0);
        } else if (iei == 0x05 && len == 4) {
            port = v(0) * 256 + v(1);
        }
        p += 2 + len;
    }
    return port;
}

// TP-UDL and TP-UD: the length counts septets for 7-bit data, octets otherwise, header
// included either way; a header cut short leaves the text empty.
void ReadUserData(Reader &r, bool headerPresent, const Coding &coding, SmsRecord &rec)
{
    const int udl = r.octet();
    if (udl < 0)
        return;
    const QByteArray ud = r.take(r.remaining());
    qsizetype headerOctets = 0;
    int port = -1;
    if (headerPresent) {
        if (ud.isEmpty())
            return;
        headerOctets = 1 + static_cast<unsigned char>(ud.at(0));
        if (headerOctets > ud.size())
            return;
        port = ReadHeader(ud.mid(1, headerOctets - 1), rec);
    }
    if (coding.alphabet == Alphabet::Gsm7 && !coding.compressed) {
        // The text starts at the next septet boundary after the header (fill bits).
        const qsizetype skip = (headerOctets * 8 + 6) / 7;
        if (udl > skip)
            rec.MessageText = GsmText(Unpack(ud, skip * 7, udl - skip));
        return;
    }
    const qsizetype n = std::min<qsizetype>(udl, ud.size()) - headerOctets;
    if (n <= 0)
        return;
    const QByteArray data = ud.mid(headerOctets, n);
    if (coding.compressed)
        rec.MessageText = QStringLiteral("Compressed data (%1 octets)").arg(n);
    else if (coding.alphabet == Alphabet::Ucs2)
        rec.MessageText = Ucs2Text(data);
    else
        rec.MessageText = EightBitText(data, port, ud.size() < udl);
}

// TS 23.040 §9.2.3.15 status: completed, still trying, or given up.
QString DeliveryText(int status, const QString &discharge)
{
    if (status < 0x20)
        return QStringLiteral("Delivered ") + discharge;
    if (status < 0x40)
        return QStringLiteral("Not delivered yet, still trying (status %1)").arg(status);
    return QStringLiteral("Not delivered (status %1)").arg(status);
}

void ReadDeliver(Reader &r, bool udhi, SmsRecord &rec)
{
    const Address from = ReadAddress(r);
    rec.SenderNumber = from.text;
    rec.SenderIsName = from.name;
    r.octet();   // TP-PID
    const int dcs = r.octet();
    const Stamp stamp = ReadStamp(r);
    rec.DateTime = stamp.text;
    rec.SortKey = stamp.key;
    if (dcs < 0 || stamp.text.isEmpty())
        return;
    const Coding coding = ReadCoding(dcs);
    rec.MessageClass = coding.messageClass;
    ReadUserData(r, udhi, coding, rec);
}

// A stored SMS-SUBMIT: the recipient and the text; no time stamp, so no date.
void ReadSubmit(Reader &r, int firstOctet, bool udhi, SmsRecord &rec)
{
    r.octet();   // TP-MR
    const Address to = ReadAddress(r);
    rec.SenderNumber = to.text;
    rec.SenderIsName = to.name;
    r.octet();   // TP-PID
    const int dcs = r.octet();
    // TP-VPF: none, enhanced (7 octets), relative (1 octet), absolute (7 octets).
    static constexpr int kValidityOctets[] = {0, 7, 1, 7};
    const int vp = kValidityOctets[(firstOctet >> 3) & 0x03];
    if (dcs < 0 || r.take(vp).size() < vp)
        return;
    const Coding coding = ReadCoding(dcs);
    rec.MessageClass = coding.messageClass;
    ReadUserData(r, udhi, coding, rec);
}

void ReadStatusReport(Reader &r, SmsRecord &rec)
{
    r.octet();   // TP-MR
    const Address to = ReadAddress(r);
    rec.SenderNumber = to.text;
    rec.SenderIsName = to.name;
    const Stamp sent = ReadStamp(r);
    rec.DateTime = sent.text;
    rec.SortKey = sent.key;
    const Stamp discharge = ReadStamp(r);
    const int status = r.octet();
    if (status >= 0 && !discharge.text.isEmpty())
        rec.MessageText = DeliveryText(status, discharge.text);
}

} // namespace

QString CmgrPduLine(const QString &reply)
{
    const qsizetype i = reply.indexOf(QLatin1String("\r\n+CMGR"));
    if (i < 0)
        return {};
    const qsizetype j = reply.indexOf(QLatin1String("\r\n"), i + 7);
    if (j < 0)
        return {};
    const qsizetype end = reply.indexOf(QLatin1Char('\r'), j + 2);
    return reply.mid(j + 2, end < 0 ? -1 : end - j - 2);
}

SmsRecord DecodeDeliverPdu(const QString &pdu, const QStringList &recipients)
{
    SmsRecord rec;
    const QByteArray octets = Octets(pdu.trimmed());
    if (octets.isEmpty())
        return rec;
    Reader r(octets);

    // Service-centre address (TS 27.005 §3.3.1): octet count, type, digits; 0 when the
    // phone leaves it out.
    const int scLength = r.octet();
    if (scLength > 0) {
        const int type = r.octet();
        const QByteArray digits = r.take(scLength - 1);
        if (type >= 0)
            rec.ServiceCentreUsed = DecodeAddress(type, digits, digits.size() * 2).text;
    }

    // First octet: TP-MTI in bits 1..0, TP-UDHI in bit 6 (TS 23.040 §9.2.3.1, .23).
    const int firstOctet = r.octet();
    if (firstOctet >= 0) {
        const bool udhi = firstOctet & 0x40;
        switch (firstOctet & 0x03) {
        case 1:
            rec.Kind = SmsKind::Submit;
            ReadSubmit(r, firstOctet, udhi, rec);
            break;
        case 2:
            rec.Kind = SmsKind::StatusReport;
            ReadStatusReport(r, rec);
            break;
        default:   // 3 is reserved: read as the message a phone receives most
            ReadDeliver(r, udhi, rec);
            break;
        }
    }
    rec.Sender = SenderLookup(rec.SenderNumber, recipients);
    return rec;
}

QString SenderLookup(const QString &number, const QStringList &recipients)
{
    // An empty number is in every entry; it names nobody.
    if (number.isEmpty())
        return number;
    // A "+" and a three-character country prefix are left out, so that an entry written
    // in the national form matches too.
    const QString key = number.startsWith(QLatin1Char('+')) && number.size() > 5 ? number.mid(4)
                                                                                 : number;
    for (const QString &entry : recipients)
        if (entry.contains(key, Qt::CaseInsensitive))
            return entry;
    return number;
}

QString ShownText(const SmsRecord &chosen, const std::vector<SmsRecord> &records)
{
    if (chosen.PartCount <= 1)
        return chosen.MessageText;
    QStringList parts(chosen.PartCount);
    int found = 0;
    for (const SmsRecord &r : records) {
        if (r.MessageText.isEmpty() || r.Kind != chosen.Kind
            || r.SenderNumber != chosen.SenderNumber || r.PartReference != chosen.PartReference
            || r.PartReference16 != chosen.PartReference16 || r.PartCount != chosen.PartCount
            || r.PartNumber < 1 || r.PartNumber > chosen.PartCount)
            continue;
        QString &slot = parts[r.PartNumber - 1];
        if (slot.isNull()) {
            slot = r.MessageText;
            ++found;
        }
    }
    if (found == chosen.PartCount)
        return parts.join(QString());
    return QStringLiteral("(part %1 of %2) ").arg(chosen.PartNumber).arg(chosen.PartCount)
           + chosen.MessageText;
}

void Bouble_Sort(std::vector<SmsRecord> &records)
{
    if (records.size() < 2)
        return;
    for (auto it = records.begin() + 1; it != records.end(); ++it)
        if (it->SortKey == 0)
            it->SortKey = 99999;
    std::stable_sort(records.begin() + 1, records.end(),
                     [](const SmsRecord &a, const SmsRecord &b) { return a.SortKey < b.SortKey; });
}

QByteArray SavedMessage(const QString &number, const QString &dateTime, const QString &text)
{
    const QString content = TextFile::JoinLines({number + u' ' + dateTime, text});
    const QByteArray cp1252 = TextFile::Encode(content);
    if (TextFile::Decode(cp1252) == content)
        return cp1252;
    return QByteArray("\xEF\xBB\xBF") + content.toUtf8();
}

} // namespace Lettura
