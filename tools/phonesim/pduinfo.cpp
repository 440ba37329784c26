// SPDX-License-Identifier: GPL-3.0-or-later
#include "pduinfo.h"

#include <QJsonArray>

namespace phonesim {

namespace {

// TS 23.038 §6.2.1 default alphabet; index = septet. 0x1B is the escape to the extension table.
const char16_t kGsmBase[129] =
    u"@\u00A3$\u00A5\u00E8\u00E9\u00F9\u00EC\u00F2\u00C7\n\u00D8\u00F8\r\u00C5\u00E5"
    u"\u0394_\u03A6\u0393\u039B\u03A9\u03A0\u03A8\u03A3\u0398\u039E\u001B\u00C6\u00E6\u00DF\u00C9"
    u" !\"#\u00A4%&'()*+,-./0123456789:;<=>?"
    u"\u00A1ABCDEFGHIJKLMNOPQRSTUVWXYZ\u00C4\u00D6\u00D1\u00DC\u00A7"
    u"\u00BFabcdefghijklmnopqrstuvwxyz\u00E4\u00F6\u00F1\u00FC\u00E0";

// TS 23.038 §6.2.1.1 extension table: septet after the escape, character.
struct Extension
{
    int code;
    char16_t ch;
};
const Extension kGsmExtension[] = {{0x0A, u'\f'}, {0x14, u'^'}, {0x28, u'{'}, {0x29, u'}'},
                                   {0x2F, u'\\'}, {0x3C, u'['}, {0x3D, u'~'}, {0x3E, u']'},
                                   {0x40, u'|'},  {0x65, u'\u20AC'}};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Semi-octet digits of an address or service-centre number (TS 23.040 §9.1.2.3).
QString SwappedDigits(const QByteArray &octets, int digits)
{
    static const char kDigit[] = "0123456789*#abc";
    QString out;
    for (int i = 0; i < digits; ++i) {
        const int v = (i % 2 == 0) ? (octets.at(i / 2) & 0x0F) : ((octets.at(i / 2) >> 4) & 0x0F);
        if (v == 0x0F)
            break;
        out += QLatin1Char(kDigit[v]);
    }
    return out;
}

class Reader
{
public:
    explicit Reader(const QByteArray &octets) : m_octets(octets) {}
    bool has(int n) const { return m_pos + n <= m_octets.size(); }
    int pos() const { return m_pos; }
    int remaining() const { return int(m_octets.size()) - m_pos; }
    int octet() { return quint8(m_octets.at(m_pos++)); }
    QByteArray take(int n)
    {
        const QByteArray r = m_octets.mid(m_pos, n);
        m_pos += n;
        return r;
    }

private:
    QByteArray m_octets;
    int m_pos = 0;
};

QString Hex(const QByteArray &a)
{
    return QString::fromLatin1(a.toHex().toUpper());
}

} // namespace

QString GsmToUnicode(const QByteArray &septets)
{
    QString out;
    for (int i = 0; i < septets.size(); ++i) {
        const int c = septets.at(i) & 0x7F;
        if (c == 0x1B && i + 1 < septets.size()) {
            const int next = septets.at(++i) & 0x7F;
            char16_t ch = kGsmBase[next];
            for (const Extension &e : kGsmExtension) {
                if (e.code == next)
                    ch = e.ch;
            }
            out += QChar(ch);
            continue;
        }
        out += QChar(kGsmBase[c]);
    }
    return out;
}

QByteArray UnicodeToGsm(const QString &text)
{
    QByteArray out;
    for (const QChar qc : text) {
        const char16_t ch = qc.unicode();
        int code = -1;
        for (int i = 0; i < 128; ++i) {
            if (kGsmBase[i] == ch && i != 0x1B) {
                code = i;
                break;
            }
        }
        if (code >= 0) {
            out += char(code);
            continue;
        }
        bool extended = false;
        for (const Extension &e : kGsmExtension) {
            if (e.ch == ch) {
                out += char(0x1B);
                out += char(e.code);
                extended = true;
                break;
            }
        }
        if (!extended)
            out += char(0x3F);
    }
    return out;
}

QByteArray UnpackSeptets(const QByteArray &octets, int count, int fillBits)
{
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        const int bit = fillBits + i * 7;
        const int index = bit / 8;
        const int shift = bit % 8;
        int v = index < octets.size() ? quint8(octets.at(index)) >> shift : 0;
        if (shift > 1 && index + 1 < octets.size())
            v |= quint8(octets.at(index + 1)) << (8 - shift);
        out += char(v & 0x7F);
    }
    return out;
}

PduInfo DecodePdu(const QByteArray &hex)
{
    PduInfo p;
    auto fail = [&p](const char *why) {
        p.ok = false;
        p.error = QString::fromLatin1(why);
        return p;
    };

    if (hex.isEmpty() || hex.size() % 2 != 0)
        return fail("PDU is not a whole number of hex octets");
    QByteArray octets;
    for (int i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex.at(i));
        const int lo = HexDigit(hex.at(i + 1));
        if (hi < 0 || lo < 0)
            return fail("PDU holds a character that is not a hex digit");
        octets += char(hi * 16 + lo);
    }
    Reader r(octets);

    // Service-centre address: length in octets (type octet included), type, digits.
    const int scaLength = r.octet();
    if (!r.has(scaLength))
        return fail("service-centre field longer than the PDU");
    if (scaLength > 0) {
        if (scaLength > 11)
            return fail("service-centre field longer than 11 octets");
        const int type = r.octet();
        const QString digits = SwappedDigits(r.take(scaLength - 1), (scaLength - 1) * 2);
        p.serviceCentre = ((type & 0x70) == 0x10 ? QStringLiteral("+") : QString()) + digits;
    }
    p.serviceCentreOctets = 1 + scaLength;
    p.tpduOctets = r.remaining();

    if (!r.has(1))
        return fail("no first octet");
    p.firstOctet = r.octet();
    p.mti = p.firstOctet & 0x03;
    p.moreMessagesToSend = p.mti == 0 && !(p.firstOctet & 0x04);
    p.rejectDuplicates = p.mti == 1 && (p.firstOctet & 0x04);
    p.validityFormat = p.mti == 1 ? (p.firstOctet >> 3) & 0x03 : 0;
    p.statusReportRequest = p.firstOctet & 0x20;
    p.udhi = p.firstOctet & 0x40;
    p.replyPath = p.firstOctet & 0x80;
    if (p.mti == 3)
        return fail("reserved message type");

    if (p.mti != 0) {
        if (!r.has(1))
            return fail("no message reference");
        p.messageReference = r.octet();
    }

    // TP-DA / TP-OA: length in semi-octets, type of address, digits (TS 23.040 §9.1.2.5).
    if (!r.has(2))
        return fail("address field missing");
    const int addressDigits = r.octet();
    p.addressType = r.octet();
    if (addressDigits > 20)
        return fail("address longer than 20 digits");
    const int addressOctets = (addressDigits + 1) / 2;
    if (!r.has(addressOctets))
        return fail("address field longer than the PDU");
    const QByteArray addr = r.take(addressOctets);
    if ((p.addressType & 0x70) == 0x50) {
        p.alphanumericAddress = true;
        p.address = GsmToUnicode(UnpackSeptets(addr, addressDigits * 4 / 7));
    } else {
        p.address = ((p.addressType & 0x70) == 0x10 ? QStringLiteral("+") : QString())
            + SwappedDigits(addr, addressDigits);
    }

    // A status report the phone keeps (TS 23.040 §9.2.2.3): two time stamps and the status;
    // the optional fields behind them are not read.
    auto stamp = [](const QByteArray &ts) {
        auto bcd = [](char o) { return QStringLiteral("%1%2").arg(o & 0x0F).arg((o >> 4) & 0x0F); };
        return bcd(ts[0]) + u'/' + bcd(ts[1]) + u'/' + bcd(ts[2]) + u' ' + bcd(ts[3]) + u':'
            + bcd(ts[4]) + u':' + bcd(ts[5]) + QStringLiteral("+") + bcd(ts[6]);
    };
    if (p.mti == 2) {
        if (!r.has(15))
            return fail("time stamps or status missing");
        p.timestamp = stamp(r.take(7));
        p.dischargeTime = stamp(r.take(7));
        p.status = r.octet();
        p.ok = true;
        return p;
    }

    if (!r.has(2))
        return fail("protocol identifier or coding scheme missing");
    p.pid = r.octet();
    p.dcs = r.octet();

    // TS 23.038 §4: coding groups. Only the general group and group F are told apart here;
    // the message-waiting groups carry 7-bit or UCS2 text as their bits say.
    const int group = p.dcs >> 4;
    p.alphabet = QStringLiteral("gsm7");
    if (group <= 0x3) {
        const int alphabet = (p.dcs >> 2) & 0x03;
        if (alphabet == 1)
            p.alphabet = QStringLiteral("8bit");
        else if (alphabet == 2)
            p.alphabet = QStringLiteral("ucs2");
        if (p.dcs & 0x10)
            p.messageClass = p.dcs & 0x03;
    } else if (group == 0xF) {
        if (p.dcs & 0x04)
            p.alphabet = QStringLiteral("8bit");
        p.messageClass = p.dcs & 0x03;
    } else if (group == 0xE) {
        p.alphabet = QStringLiteral("ucs2");
    } else if (group >= 0x4 && group <= 0xB) {
        return fail("reserved data coding scheme");
    }

    if (p.mti == 1) {
        const int vpOctets = p.validityFormat == 2 ? 1 : (p.validityFormat == 0 ? 0 : 7);
        if (!r.has(vpOctets))
            return fail("validity period longer than the PDU");
        p.validity = Hex(r.take(vpOctets));
    } else {
        if (!r.has(7))
            return fail("time stamp missing");
        p.timestamp = stamp(r.take(7));
    }

    if (!r.has(1))
        return fail("user data length missing");
    p.userDataLength = r.octet();
    const bool sevenBit = p.alphabet == QStringLiteral("gsm7");
    const int udOctets = sevenBit ? (p.userDataLength * 7 + 7) / 8 : p.userDataLength;
    if (p.userDataLength > (sevenBit ? 160 : 140))
        return fail("user data length above the maximum");
    if (r.remaining() != udOctets)
        return fail("user data length does not match the octets that follow");
    const QByteArray ud = r.take(udOctets);

    int headerOctets = 0;
    if (p.udhi) {
        if (ud.isEmpty())
            return fail("header flag set without user data");
        const int udhl = quint8(ud.at(0));
        headerOctets = 1 + udhl;
        if (headerOctets > ud.size())
            return fail("user-data header longer than the user data");
        int i = 1;
        while (i < headerOctets) {
            if (i + 2 > headerOctets)
                return fail("truncated header element");
            const int iei = quint8(ud.at(i));
            const int len = quint8(ud.at(i + 1));
            if (i + 2 + len > headerOctets)
                return fail("header element longer than the header");
            p.udh.append({iei, ud.mid(i + 2, len)});
            i += 2 + len;
        }
    }

    if (sevenBit) {
        const int headerSeptets = (headerOctets * 8 + 6) / 7;
        if (headerSeptets > p.userDataLength)
            return fail("user-data header longer than the user data");
        const int fill = headerSeptets * 7 - headerOctets * 8;
        p.text = GsmToUnicode(
            UnpackSeptets(ud.mid(headerOctets), p.userDataLength - headerSeptets, fill));
    } else if (p.alphabet == QStringLiteral("ucs2")) {
        const QByteArray body = ud.mid(headerOctets);
        if (body.size() % 2 != 0)
            return fail("UCS2 text of an odd number of octets");
        for (int i = 0; i + 1 < body.size(); i += 2)
            p.text += QChar(char16_t(quint8(body.at(i)) << 8 | quint8(body.at(i + 1))));
    } else {
        p.data = ud.mid(headerOctets);
    }

    p.ok = true;
    return p;
}

QJsonObject PduInfo::toJson() const
{
    QJsonObject o;
    if (!ok) {
        o[u"error"] = error;
        return o;
    }
    o[u"type"] = mti == 1   ? QStringLiteral("SMS-SUBMIT")
                : mti == 2 ? QStringLiteral("SMS-STATUS-REPORT") : QStringLiteral("SMS-DELIVER");
    o[u"serviceCentre"] = serviceCentre;
    o[u"tpduOctets"] = tpduOctets;
    if (mti == 2) {
        o[u"messageReference"] = messageReference;
        o[u"recipient"] = address;
        o[u"timestamp"] = timestamp;
        o[u"dischargeTime"] = dischargeTime;
        o[u"status"] = status;
        return o;
    }
    QJsonObject flags;
    flags[u"firstOctet"] = QStringLiteral("%1").arg(firstOctet, 2, 16, QLatin1Char('0')).toUpper();
    if (mti == 1) {
        flags[u"rejectDuplicates"] = rejectDuplicates;
        flags[u"validityFormat"] = validityFormat;
    } else {
        flags[u"moreMessagesToSend"] = moreMessagesToSend;
    }
    flags[u"statusReportRequest"] = statusReportRequest;
    flags[u"udhi"] = udhi;
    flags[u"replyPath"] = replyPath;
    o[u"flags"] = flags;
    if (mti == 1)
        o[u"messageReference"] = messageReference;
    o[mti == 1 ? u"recipient" : u"sender"] = address;
    o[u"addressType"] = addressType;
    o[u"pid"] = pid;
    QJsonObject scheme;
    scheme[u"value"] = QStringLiteral("%1").arg(dcs, 2, 16, QLatin1Char('0')).toUpper();
    scheme[u"alphabet"] = alphabet;
    if (messageClass >= 0)
        scheme[u"class"] = messageClass;
    scheme[u"flash"] = messageClass == 0;
    o[u"dcs"] = scheme;
    if (mti == 1 && validityFormat != 0)
        o[u"validity"] = validity;
    if (mti == 0)
        o[u"timestamp"] = timestamp;
    o[u"userDataLength"] = userDataLength;
    if (!udh.isEmpty()) {
        QJsonArray elements;
        for (const UdhElement &e : udh) {
            QJsonObject el;
            el[u"iei"] = e.iei;
            el[u"data"] = Hex(e.data);
            if (e.iei == 0x00 && e.data.size() == 3) {
                el[u"kind"] = QStringLiteral("concatenation");
                el[u"reference"] = quint8(e.data[0]);
                el[u"parts"] = quint8(e.data[1]);
                el[u"part"] = quint8(e.data[2]);
            } else if (e.iei == 0x08 && e.data.size() == 4) {
                el[u"kind"] = QStringLiteral("concatenation16");
                el[u"reference"] = quint8(e.data[0]) << 8 | quint8(e.data[1]);
                el[u"parts"] = quint8(e.data[2]);
                el[u"part"] = quint8(e.data[3]);
            } else if (e.iei == 0x05 && e.data.size() == 4) {
                el[u"kind"] = QStringLiteral("ports16");
                el[u"destination"] = quint8(e.data[0]) << 8 | quint8(e.data[1]);
                el[u"source"] = quint8(e.data[2]) << 8 | quint8(e.data[3]);
            } else if (e.iei == 0x04 && e.data.size() == 2) {
                el[u"kind"] = QStringLiteral("ports8");
                el[u"destination"] = quint8(e.data[0]);
                el[u"source"] = quint8(e.data[1]);
            }
            elements.append(el);
        }
        o[u"udh"] = elements;
    }
    if (alphabet == QStringLiteral("8bit"))
        o[u"data"] = Hex(data);
    else
        o[u"text"] = text;
    return o;
}

} // namespace phonesim
