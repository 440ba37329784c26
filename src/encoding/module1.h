// SPDX-License-Identifier: GPL-3.0-or-later
// Address fields of the SMS-SUBMIT PDU (TS 23.040 §9.1.2.5) and the service-centre
// address of the PDU-mode frame (TS 27.005 §3.3.1).
#pragma once

#include <QString>

namespace Module1 {

/// TP-DA as upper-case hex text, for a recipient number as typed. A leading "+" marks
/// the number international (type 91, the "+" dropped), otherwise the type is 81. The
/// first octet counts the digits (not the "F" that pads an odd count); the digits follow
/// in swapped pairs. Nothing is checked or removed: blanks and letters go in unchanged.
/// "0123456789" gives "0A811032547698", "+123456789012" gives "0C91214365870921".
QString EncodeAddress(const QString &number);

/// Service-centre address field as upper-case hex text, for a number typed without "+":
/// the octet count (type included), type 91 (always international), the digits in
/// swapped pairs, "F"-padded when odd. "123456789012" gives "0791214365870921".
QString EncodeServiceCentre(const QString &number);

/// The digits in swapped pairs (semi-octets), "F" appended to an odd count.
QString SwapPairs(const QString &digits);

/// Most digits an address field carries (TS 23.040 §9.1.2.5).
constexpr int kMaxAddressDigits = 20;

/// A phone number as typed, made fit for the encoders.
struct TypedNumber
{
    enum class Problem { None, Empty, BadCharacter, TooManyDigits };
    QString number;            ///< the digits, "+" in front when one was typed there
    Problem problem = Problem::None;
    QChar bad;                 ///< BadCharacter: the first character refused
    int digits = 0;            ///< how many digits were typed
};

/// Takes a number as people type it ("+39 (333) 123-45.67"): blanks, dashes, dots and
/// brackets are dropped; what is left must be a "+" in front (optional) and 1 to
/// kMaxAddressDigits digits 0-9. Anything else is reported, not encoded. Plain digits come
/// back unchanged.
TypedNumber CleanNumber(const QString &typed);

} // namespace Module1
