// SPDX-License-Identifier: GPL-3.0-or-later
// Reads SMS PDUs (TS 23.040) the way a phone checks them, and describes them for people.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace phonesim {

/// One information element of a user-data header (TS 23.040 §9.2.3.24).
struct UdhElement
{
    int iei = 0;
    QByteArray data;
};

/// What a PDU says, field by field. `ok` is false when the PDU is malformed; `error`
/// then tells why (for the transcript; the phone itself only answers +CMS ERROR).
struct PduInfo
{
    bool ok = false;
    QString error;

    QString serviceCentre;    ///< "+" and digits for international numbers; empty when absent
    int serviceCentreOctets = 0; ///< octets of the service-centre field, length octet included
    int tpduOctets = 0;       ///< octets after the service-centre field

    int firstOctet = 0;
    int mti = 0;              ///< 0 SMS-DELIVER, 1 SMS-SUBMIT, 2 command / status report
    bool rejectDuplicates = false;
    bool moreMessagesToSend = false;
    int validityFormat = 0;   ///< TP-VPF: 0 none, 2 relative, 1 enhanced, 3 absolute
    bool statusReportRequest = false;
    bool udhi = false;
    bool replyPath = false;
    int messageReference = -1;

    QString address;          ///< destination (SUBMIT, status report) or originator
    int addressType = 0;
    bool alphanumericAddress = false;

    int pid = 0;
    int dcs = 0;
    QString alphabet;         ///< "gsm7", "8bit" or "ucs2"
    int messageClass = -1;    ///< 0..3, -1 when the scheme gives none
    QString validity;         ///< hex of the validity-period field
    QString timestamp;        ///< service-centre time stamp, "YY/MM/DD hh:mm:ss+zz"
    QString dischargeTime;    ///< status report: when the message reached its recipient
    int status = -1;          ///< status report: TP-ST

    int userDataLength = 0;   ///< TP-UDL as sent: septets for 7-bit data, octets otherwise
    QList<UdhElement> udh;
    QString text;             ///< decoded text of 7-bit and UCS2 messages
    QByteArray data;          ///< user data after the header (raw octets) for 8-bit messages

    /// The readable form written to the transcript.
    QJsonObject toJson() const;
};

/// Decodes a hex PDU as a phone in PDU mode receives it: service-centre field first.
/// Every length field is checked against what follows; nothing is read past the end.
PduInfo DecodePdu(const QByteArray &hex);

/// GSM 7-bit default alphabet (TS 23.038) with its extension table, to Unicode.
/// `septets` holds one septet per element; an escape followed by an unknown code gives
/// the base character, as the standard asks.
QString GsmToUnicode(const QByteArray &septets);
/// Unicode to unpacked GSM septets; characters without a code become "?".
QByteArray UnicodeToGsm(const QString &text);

/// Unpacks `count` septets that start `fillBits` bits into `octets`.
QByteArray UnpackSeptets(const QByteArray &octets, int count, int fillBits = 0);

} // namespace phonesim
