// SPDX-License-Identifier: GPL-3.0-or-later
#include "compose/elabora.h"

#include "app/appstate.h"
#include "encoding/codice7.h"
#include "encoding/module1.h"

#include <array>

namespace Compose {

namespace {

// Concatenation headers written as 8 characters of text: packed as septets they give
// exactly the 7 octets of a TS 23.040 §9.2.3.24.1 header (06 08 04 ref-hi ref-lo total
// part), so each part's own text starts on a septet boundary without fill bits. The
// reference (0x0024, 0x0029, 0x0027, 0x0026) is fixed by the number of parts.
const std::array<std::array<const char16_t *, 5>, 4> kConcatHeaders = {{
    {u"\u00F9\u00B3\u00B3@\u00A1D\u00A1@", u"\u00F9\u00B3\u00B3@\u00A1D@\u00A3"},
    {u"\u00F9\u00B3\u00B3@\u00B3e\u00A1@", u"\u00F9\u00B3\u00B3@\u00B3e@\u00A3",
     u"\u00F9\u00B3\u00B3@\u00B3e\u00A1\u00A3"},
    {u"\u00F9\u00B3\u00B3@p\u00E8A@", u"\u00F9\u00B3\u00B3@p\u00E8\u00A3\u00A3",
     u"\u00F9\u00B3\u00B3@p\u00E8A\u00A3", u"\u00F9\u00B3\u00B3@p\u00E8\u00A3$"},
    {u"\u00F9\u00B3\u00B3@\u00BF\u00A4A@", u"\u00F9\u00B3\u00B3@\u00BF\u00A4\u00A3\u00A3",
     u"\u00F9\u00B3\u00B3@\u00BF\u00A4A\u00A3", u"\u00F9\u00B3\u00B3@\u00BF\u00A4\u00A3$",
     u"\u00F9\u00B3\u00B3@\u00BF\u00A4A$"},
}};

// Nokia Smart Messaging user data (8-bit). Headers per TS 23.040 §9.2.3.24.4
// (element 05, 16-bit application ports) and, for the picture, §9.2.3.24.1 (element 00,
// 8-bit concatenation reference 4, 3 parts).
//   port 5506 (0x1582) operator logo, 5507 (0x1583) group logo, 5514 (0x158A) picture
const QLatin1String kOperatorLogoUdl("8C");
const QLatin1String kOperatorLogoHeader("06050415821582");
const QLatin1String kOperatorLogoBitmapHeader("01480E01");   // after MCC and MNC: 72 x 14, depth 1
const QLatin1String kGroupLogoUdl("89");
const QLatin1String kGroupLogoHeader("06050415831583");
const QLatin1String kGroupLogoBitmapHeader("00480E01");      // "00" then 72 x 14, depth 1
// Picture part 1: header, version 30, empty text item, bitmap item of 256 octets,
// bitmap header 72 x 28 depth 1.
const QLatin1String kPicture1("8C0B0504158A158A00030403013000000002010000481C01");
const QLatin1String kPicture2("8C0B0504158A158A0003040302");
const QLatin1String kPicture3("130B0504158A158A0003040303");

struct Slot
{
    QString AppState::*userData;
    QString AppState::*pdu;
    int AppState::*length;
};

const std::array<Slot, 5> kSlots = {{
    {&AppState::UserData1, &AppState::Pdu1, &AppState::PduLength1},
    {&AppState::UserData2, &AppState::Pdu2, &AppState::PduLength2},
    {&AppState::UserData3, &AppState::Pdu3, &AppState::PduLength3},
    {&AppState::UserData4, &AppState::Pdu4, &AppState::PduLength4},
    {&AppState::UserData5, &AppState::Pdu5, &AppState::PduLength5},
}};

void clearPdus(AppState &s)
{
    for (const Slot &slot : kSlots)
        (s.*slot.pdu).clear();
}

QString joinPdus(const AppState &s, int count)
{
    QString out;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out += QLatin1Char('\r');
        out += s.*kSlots[i].pdu;
    }
    return out;
}

} // namespace

QString ConcatHeaderText(int parts, int part)
{
    if (parts < 2 || parts > kMaxParts || part < 1 || part > parts)
        return {};
    return QString::fromUtf16(kConcatHeaders[parts - 2][part - 1]);
}

int PartsNeeded(qsizetype chars)
{
    if (chars <= 0)
        return 0;
    if (chars <= kSingleChars)
        return 1;
    return int((chars + kPartChars - 1) / kPartChars);
}

QString FirstOctetFor(bool logoMode, bool statusReport, qsizetype chars)
{
    // TS 23.040 §9.2.3: SUBMIT, relative VP; bit 5 status report, bit 6 UDH present.
    if (logoMode)
        return QStringLiteral("51");
    const bool concatenated = chars > kSingleChars;
    if (statusReport)
        return concatenated ? QStringLiteral("71") : QStringLiteral("31");
    return concatenated ? QStringLiteral("51") : QStringLiteral("11");
}

QString DataCodingFor(bool logoMode, bool flash)
{
    // TS 23.038 §4: coding group 1111, F5 = 8-bit class 1, F0 = default alphabet class 0.
    if (logoMode)
        return QStringLiteral("F5");
    return flash ? QStringLiteral("F0") : QStringLiteral("00");
}

QString NumberProblemText(const QString &what, const Module1::TypedNumber &number)
{
    using Problem = Module1::TypedNumber::Problem;
    switch (number.problem) {
    case Problem::None:
        return {};
    case Problem::Empty:
        return QStringLiteral("Insert %1 !!!").arg(what.toLower());
    case Problem::BadCharacter:
        return QStringLiteral("%1: \"%2\" is not allowed. Type digits, with \"+\" only in "
                              "front; blanks, dashes, dots and brackets are left out.")
            .arg(what, QString(number.bad));
    case Problem::TooManyDigits:
        return QStringLiteral("%1: %2 digits are too many (at most %3).")
            .arg(what)
            .arg(number.digits)
            .arg(Module1::kMaxAddressDigits);
    }
    return {};
}

ElaboraResult Elabora(AppState &s, const ElaboraInput &in)
{
    ElaboraResult result;
    const auto refuse = [&](const QString &text) {
        clearPdus(s);
        result.text3 = QString();
        result.failure = ElaboraFailure{text, QStringLiteral("Impossible to sent message."),
                                        Seams::MsgIcon::Critical};
        return result;
    };
    // Numbers as people type them; what cannot be a number never reaches a PDU.
    const Module1::TypedNumber centre = Module1::CleanNumber(in.serviceCentre);
    if (centre.problem == Module1::TypedNumber::Problem::Empty)
        return refuse(QStringLiteral("Insert service centre !!!"));
    if (const QString why = NumberProblemText(QStringLiteral("Service centre number"), centre);
        !why.isEmpty())
        return refuse(why);
    const Module1::TypedNumber recipient = Module1::CleanNumber(in.recipient);
    if (const QString why = NumberProblemText(QStringLiteral("Recipient number"), recipient);
        !why.isEmpty())
        return refuse(why);

    // The box accepts no more than 760 characters; anything beyond could not be split.
    // Each character the user sees is one unit here, so an emoji counts and goes out once.
    const QString text = Codice7::OneUnitPerCharacter(in.text).left(kMaxChars);
    const qsizetype chars = text.size();

    // The service centre is always international: a "+" typed in front adds nothing.
    QString centreDigits = centre.number;
    if (centreDigits.startsWith(QLatin1Char('+')))
        centreDigits.remove(0, 1);
    s.ServiceCentreField = Module1::EncodeServiceCentre(centreDigits);
    s.FirstOctet = FirstOctetFor(s.LogoMode, s.StatusReport, chars);
    s.MessageRef = QStringLiteral("F3");
    s.DestAddress = Module1::EncodeAddress(recipient.number);
    s.ProtocolId = QStringLiteral("00");
    s.DataCoding = DataCodingFor(s.LogoMode, s.FlashSms);
    s.ValidityPeriod = QStringLiteral("FF");   // relative, the longest (63 weeks)
    const QString h = s.FirstOctet + s.MessageRef + s.DestAddress + s.ProtocolId
        + s.DataCoding + s.ValidityPeriod;

    // Text user data, one slot per part.
    for (const Slot &slot : kSlots) {
        (s.*slot.userData).clear();
        (s.*slot.pdu).clear();   // no PDU of an earlier message may linger in a free slot
    }
    if (chars <= kSingleChars) {
        s.UserData1 = Codice7::PackSeptets(text);
    } else {
        const int parts = PartsNeeded(chars);
        for (int i = 1; i <= parts; ++i)
            s.*kSlots[i - 1].userData = Codice7::PackSeptets(
                ConcatHeaderText(parts, i) + text.mid((i - 1) * kPartChars, kPartChars));
    }
    for (const Slot &slot : kSlots)
        s.*slot.length = int((h + s.*slot.userData).size() / 2);

    if (!s.LogoMode) {
        for (const Slot &slot : kSlots)
            if (&slot == &kSlots[0] || !(s.*slot.userData).isEmpty())
                s.*slot.pdu = s.ServiceCentreField + h + s.*slot.userData;
        result.text3 = joinPdus(s, 5);
        return result;
    }

    const QString head = s.ServiceCentreField + h;
    int pdus = 1;
    if (s.OperatorLogoMode) {
        if (s.OperatorMcc.isEmpty() || s.OperatorMnc.isEmpty()) {
            clearPdus(s);
            result.failure = ElaboraFailure{QStringLiteral("Select country and operator!"),
                                            QStringLiteral("Warning."),
                                            Seams::MsgIcon::Exclamation};
            return result;
        }
        s.Pdu1 = head + kOperatorLogoUdl + kOperatorLogoHeader + s.OperatorMcc + s.OperatorMnc
            + kOperatorLogoBitmapHeader + s.LogoData;
    } else if (s.PictureMode) {
        s.Pdu1 = head + kPicture1 + s.PictureData1;
        s.Pdu2 = head + kPicture2 + s.PictureData2;
        s.Pdu3 = head + kPicture3 + s.PictureData3;
        // The chains send each further slot whose user data is not empty.
        s.UserData2 = QStringLiteral("pic2");
        s.UserData3 = QStringLiteral("pic3");
        s.UserData4.clear();
        s.UserData5.clear();
        pdus = 3;
    } else {
        s.Pdu1 = head + kGroupLogoUdl + kGroupLogoHeader + kGroupLogoBitmapHeader + s.LogoData;
    }
    if (!s.PictureMode || s.OperatorLogoMode) {
        for (int i = 1; i < 5; ++i)
            (s.*kSlots[i].userData).clear();
    }
    for (int i = 0; i < pdus; ++i)
        s.*kSlots[i].length = int((s.*kSlots[i].pdu).size() - s.ServiceCentreField.size()) / 2;
    result.text3 = joinPdus(s, pdus);
    return result;
}

} // namespace Compose
