// SPDX-License-Identifier: GPL-3.0-or-later
// Messages read from the phone: the PDU line of an AT+CMGR reply, the stored PDU decoded
// into a record, the sender's name from the recipient list, sorting and the saved file.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace Lettura {

/// What kind of PDU a record was read from (TS 23.040 TP-MTI of a stored message).
enum class SmsKind { Deliver, Submit, StatusReport };

/// One message read from the phone.
struct SmsRecord
{
    std::int16_t Id = 0;         ///< storage index in the phone; filled by the caller
    QString ServiceCentreUsed;   ///< "+" and digits for an international centre
    QString Sender;              ///< first matching recipient-list entry, else SenderNumber
    QString DateTime;            ///< "DD/MM/YY  hh.mm:ss"; empty for a stored SUBMIT
    QString MessageText;         ///< the text as shown; empty marks an empty position
    double SortKey = 0;          ///< DD + 31 MM + 1000 YY + seconds of the day / 100000
    QString SenderNumber;        ///< originator (recipient for SUBMIT and status report)

    SmsKind Kind = SmsKind::Deliver;
    bool SenderIsName = false;   ///< alphanumeric address: a name that cannot be answered
    int MessageClass = -1;       ///< 0..3 from the data coding scheme, -1 when none given
    /// Concatenation (TS 23.040 §9.2.3.24.1 and .8): reference, its width, part count
    /// and this part's number (1-based). PartCount 0: not a part.
    int PartReference = 0;
    bool PartReference16 = false;
    int PartCount = 0;
    int PartNumber = 0;
};

/// The PDU line of a whole AT+CMGR reply (echo, "+CMGR" header line, PDU line, "OK"): the
/// characters after the first CR LF "+CMGR" line up to the next CR (or the end). Empty
/// when there is no "+CMGR" header line or it does not end (an empty position, an error).
QString CmgrPduLine(const QString &reply);

/// Decodes a stored PDU given as hex text, service-centre field first, as SMS-DELIVER,
/// SMS-SUBMIT or SMS-STATUS-REPORT by its first octet. Never reads past the end: a short or
/// malformed PDU gives a record holding what could be read (an empty text when the user
/// data is missing), and a PDU with no octet at all gives the empty record. `recipients`
/// are the recipient-list entries, looked through in order for the sender's name.
SmsRecord DecodeDeliverPdu(const QString &pdu, const QStringList &recipients = {});

/// The entry of `recipients` that names `number`: the first, in list order, that contains
/// the number (case ignored), or from its 5th character on when it is "+" and more than
/// four characters behind it. `number` itself when none does or when it is empty.
QString SenderLookup(const QString &number, const QStringList &recipients);

/// The text to show for `chosen`: for one part of a concatenated message the whole
/// message, parts in order, when every part is among `records` (entries with a text);
/// otherwise the part's own text marked "(part k of n)".
QString ShownText(const SmsRecord &chosen, const std::vector<SmsRecord> &records);

/// Sorts entries 1 onwards (entry 0 stays) by SortKey, oldest first, keeping the order
/// of equal keys; a key of 0 (an empty position or an undated message) becomes 99999 so
/// that those come after every dated message.
void Bouble_Sort(std::vector<SmsRecord> &records);

/// The saved-message file: the number, a blank and the time stamp, then the text, each
/// line ended by CR LF (line breaks inside the text kept as they are). Windows-1252 when
/// every character has an octet there, else UTF-8 behind a byte-order mark.
QByteArray SavedMessage(const QString &number, const QString &dateTime, const QString &text);

} // namespace Lettura
