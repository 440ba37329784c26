// SPDX-License-Identifier: GPL-3.0-or-later
// Stored messages read from the phone: the PDU line of a read reply, the decoded record, the
// sender's name from the recipient list, concatenated parts, sorting and the saved file.
// The decoder gives what the octets hold and never more: a shorter piece of a PDU gives no
// longer text, text grows at most with the PDU, a sender named from the list is one of its
// entries, the file reads back as written.
//
// Input: 2 header octets, the entries' lengths, the entries, then the PDUs.
//   0     bit 0 the PDU comes as octets (written here as hex text), else as text, one PDU a
//         line (LF); bit 1 the text is a whole read reply, its PDU line taken out here;
//         bit 2 an entry naming the first message's sender joins the list, at bits 3-5;
//         bit 6 one part of a concatenated message is missing
//   1     bits 0-2 number of recipient entries, each of (next octets) mod 32 characters
#include "app/textfile.h"
#include "browser/lettura.h"
#include "encoding/codice7.h"
#include "fuzzcheck.h"

#include <QStringDecoder>

#include <cctype>
#include <cmath>

using Lettura::SmsRecord;

namespace {

QStringList Fields(const SmsRecord &r)
{
    return {QString::number(r.Id), r.ServiceCentreUsed, r.Sender, r.DateTime, r.MessageText,
            QString::number(r.SortKey, 'g', 17), r.SenderNumber, QString::number(int(r.Kind)),
            QString::number(r.SenderIsName), QString::number(r.MessageClass),
            QString::number(r.PartReference), QString::number(r.PartReference16),
            QString::number(r.PartCount), QString::number(r.PartNumber)};
}

bool IsHex(QChar c) { return std::isxdigit(c.unicode() < 0x80 ? char(c.unicode()) : 'x'); }

/// Texts the decoder writes itself instead of the message (binary data, delivery state).
bool IsDescription(const QString &text)
{
    for (const char *start : {"Binary data (", "Compressed data (", "Delivered ",
                              "Not delivered"})
        if (text.startsWith(QLatin1String(start)))
            return true;
    return false;
}

void CheckPduLine(const QString &reply, const QString &line)
{
    const qsizetype header = reply.indexOf(QLatin1String("\r\n+CMGR"));
    const qsizetype end = header < 0 ? -1 : reply.indexOf(QLatin1String("\r\n"), header + 7);
    if (end < 0) {
        FUZZ_CHECK(line.isEmpty());
        return;
    }
    // The line after the header line, up to its CR or the end: a piece of the reply as it
    // stands, empty only when nothing stands there.
    const qsizetype start = end + 2;
    FUZZ_CHECK(!line.contains(u'\r') && QStringView(reply).mid(start).startsWith(line));
    const qsizetype after = start + line.size();
    FUZZ_CHECK(after == reply.size() || reply.at(after) == u'\r');
}

void CheckRecord(const QString &pdu, const SmsRecord &r)
{
    const QString hex = pdu.trimmed();
    if (hex.size() < 2 || !IsHex(hex.at(0)) || !IsHex(hex.at(1))) {
        // No octet at all: the empty record.
        FUZZ_CHECK(Fields(r) == Fields(SmsRecord()));
        return;
    }
    FUZZ_CHECK(r.Id == 0);
    // Text grows with the PDU: at most eight characters for seven octets, or a description.
    FUZZ_CHECK(r.MessageText.size() <= pdu.size() + 64);
    FUZZ_CHECK(r.SenderNumber.size() <= pdu.size() + 1);
    FUZZ_CHECK(r.ServiceCentreUsed.size() <= pdu.size() + 1);
    FUZZ_CHECK(r.MessageClass >= -1 && r.MessageClass <= 3);
    FUZZ_CHECK(r.PartCount == 0 ? r.PartNumber == 0
                                : r.PartNumber >= 1 && r.PartNumber <= r.PartCount
                                      && r.PartCount <= 255);
    FUZZ_CHECK(r.PartReference >= 0 && r.PartReference <= (r.PartReference16 ? 65535 : 255));
    // "DD/MM/YY  hh.mm:ss" in semi-octet digits, and a finite key from it; none: key 0.
    FUZZ_CHECK(std::isfinite(r.SortKey) && r.SortKey >= 0 && r.SortKey < 110000);
    if (r.DateTime.isEmpty()) {
        FUZZ_CHECK(r.SortKey == 0);
    } else {
        FUZZ_CHECK(r.DateTime.size() == 18 && r.Kind != Lettura::SmsKind::Submit);
        const QString layout = QStringLiteral("##/##/##  ##.##:##");
        for (qsizetype i = 0; i < layout.size(); ++i)
            FUZZ_CHECK(layout.at(i) == u'#' ? IsHex(r.DateTime.at(i))
                                            : r.DateTime.at(i) == layout.at(i));
    }
    FUZZ_CHECK(r.Sender == r.SenderNumber);
}

/// Every shorter piece of the PDU gives what the whole gives, cut shorter, never more.
void CheckPrefixes(const QString &pdu, const SmsRecord &whole)
{
    const qsizetype n = pdu.size();
    const qsizetype step = std::max<qsizetype>(1, n / 48);
    for (qsizetype k = 0; k < n; k += (k + 8 >= n ? 1 : step)) {
        const SmsRecord part = Lettura::DecodeDeliverPdu(pdu.left(k));
        FUZZ_CHECK(whole.ServiceCentreUsed.startsWith(part.ServiceCentreUsed));
        FUZZ_CHECK(whole.SenderNumber.startsWith(part.SenderNumber));
        FUZZ_CHECK(part.DateTime.isEmpty() || part.DateTime == whole.DateTime);
        FUZZ_CHECK(IsDescription(whole.MessageText)
                   || part.MessageText.size() <= whole.MessageText.size());
    }
}

void CheckSender(const QString &pdu, const SmsRecord &alone, const QStringList &recipients,
                 qsizetype planted)
{
    const SmsRecord r = Lettura::DecodeDeliverPdu(pdu, recipients);
    // The list names the sender and changes nothing else.
    QStringList a = Fields(alone), b = Fields(r);
    a.removeAt(2);
    b.removeAt(2);
    FUZZ_CHECK(a == b);
    FUZZ_CHECK(r.Sender == Lettura::SenderLookup(r.SenderNumber, recipients));
    const qsizetype at = recipients.indexOf(r.Sender);
    if (r.Sender != r.SenderNumber)
        FUZZ_CHECK(at >= 0 && !r.SenderNumber.isEmpty());
    // An entry holding the whole number names it, or an earlier one does.
    if (planted >= 0 && !r.SenderNumber.isEmpty())
        FUZZ_CHECK(at >= 0 && at <= planted);
}

void CheckSaved(const QString &number, const QString &dateTime, const QString &text)
{
    const QByteArray bytes = Lettura::SavedMessage(number, dateTime, text);
    const QString content = number + u' ' + dateTime + QStringLiteral("\r\n") + text
                            + QStringLiteral("\r\n");
    const QByteArray bom("\xEF\xBB\xBF");
    if (!bytes.startsWith(bom)) {
        FUZZ_CHECK(TextFile::Decode(bytes) == content);
        return;
    }
    // UTF-8 only when Windows-1252 cannot hold the text.
    FUZZ_CHECK(TextFile::Decode(TextFile::Encode(content)) != content);
    QStringDecoder utf8(QStringDecoder::Utf8);
    FUZZ_CHECK(QString(utf8(bytes.mid(bom.size()))) == content && !utf8.hasError());
}

/// Parts of one message show the whole message once all are there, and only then.
void CheckParts(const std::vector<SmsRecord> &records, const SmsRecord &first, bool dropOne)
{
    for (const SmsRecord &r : records) {
        const QString shown = Lettura::ShownText(r, records);
        if (r.PartCount <= 1) {
            FUZZ_CHECK(shown == r.MessageText);
            continue;
        }
        const auto sameMessage = [&r](const SmsRecord &o) {
            return o.Kind == r.Kind && o.SenderNumber == r.SenderNumber
                   && o.PartReference == r.PartReference
                   && o.PartReference16 == r.PartReference16 && o.PartCount == r.PartCount;
        };
        QList<int> numbers;
        qsizetype total = 0;
        for (const SmsRecord &o : records) {
            if (sameMessage(o) && !o.MessageText.isEmpty()) {
                numbers << o.PartNumber;
                total += o.MessageText.size();
            }
        }
        bool all = true;
        for (int k = 1; k <= r.PartCount; ++k)
            all = all && numbers.contains(k);
        if (!all) {
            FUZZ_CHECK(shown == QStringLiteral("(part %1 of %2) ").arg(r.PartNumber)
                                    .arg(r.PartCount) + r.MessageText);
            continue;
        }
        // Every part shows the same whole, no longer than the parts together.
        FUZZ_CHECK(shown.size() <= total);
        for (const SmsRecord &o : records)
            FUZZ_CHECK(!sameMessage(o) || Lettura::ShownText(o, records) == shown);
    }
    // A message made of `first` and parts of known texts reads in part order.
    if (first.PartCount < 2 || first.PartCount > 16 || first.MessageText.isEmpty())
        return;
    std::vector<SmsRecord> parts{SmsRecord(), first};
    QString whole;
    for (int k = 1; k <= first.PartCount; ++k) {
        if (k == first.PartNumber) {
            whole += first.MessageText;
            continue;
        }
        SmsRecord p = first;
        p.PartNumber = k;
        p.MessageText = QStringLiteral("<%1>").arg(k);
        whole += p.MessageText;
        if (!(dropOne && k == first.PartCount - (first.PartNumber == first.PartCount)))
            parts.insert(parts.begin() + 1, p);
    }
    FUZZ_CHECK(Lettura::ShownText(first, parts)
               == (dropOne ? QStringLiteral("(part %1 of %2) ").arg(first.PartNumber)
                                     .arg(first.PartCount) + first.MessageText
                           : whole));
}

void CheckSort(std::vector<SmsRecord> records)
{
    for (size_t i = 0; i < records.size(); ++i)
        records[i].Id = std::int16_t(i);
    const double keep = records.front().SortKey;
    Lettura::Bouble_Sort(records);
    FUZZ_CHECK(records.front().Id == 0 && records.front().SortKey == keep);
    // Oldest first, undated last, equal keys in list order: each record once.
    for (size_t i = 2; i < records.size(); ++i) {
        const SmsRecord &a = records[i - 1], &b = records[i];
        FUZZ_CHECK(a.SortKey != 0 && b.SortKey != 0);
        FUZZ_CHECK(a.SortKey < b.SortKey || (a.SortKey == b.SortKey && a.Id < b.Id));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Codice7::InitGsmTable();
    fuzz::Input in(data, size);
    const std::uint8_t options = in.byte();
    const int entryCount = in.byte() & 7;
    QList<int> lengths;
    for (int i = 0; i < entryCount; ++i)
        lengths << in.byte() % 32;
    QByteArray rest = in.rest();
    QStringList recipients;
    for (int length : lengths) {
        recipients << QString::fromLatin1(rest.left(length));
        rest.remove(0, length);
    }

    QStringList pdus;
    if (options & 1) {
        pdus << QString::fromLatin1(rest.toHex().toUpper());
    } else {
        const QString text = QString::fromLatin1(rest);
        if (options & 2) {
            const QString line = Lettura::CmgrPduLine(text);
            CheckPduLine(text, line);
            pdus << line;
        } else {
            pdus = text.split(u'\n').mid(0, 8);
        }
    }

    std::vector<SmsRecord> records{SmsRecord()};
    for (const QString &pdu : pdus) {
        const SmsRecord r = Lettura::DecodeDeliverPdu(pdu);
        CheckRecord(pdu, r);
        CheckSaved(r.SenderNumber, r.DateTime, r.MessageText);
        records.push_back(r);
    }
    const QString &pdu = pdus.front();
    const SmsRecord &first = records[1];
    CheckPrefixes(pdu, first);
    qsizetype planted = -1;
    if ((options & 4) && !first.SenderNumber.isEmpty()) {
        planted = std::min<qsizetype>((options >> 3) & 7, recipients.size());
        recipients.insert(planted, QStringLiteral("Sender (") + first.SenderNumber + u')');
    }
    CheckSender(pdu, first, recipients, planted);
    if (!recipients.isEmpty())
        CheckSaved(first.SenderNumber, first.DateTime, recipients.front());
    CheckParts(records, first, options & 64);
    CheckSort(records);
    return 0;
}
