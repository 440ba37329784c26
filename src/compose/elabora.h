// SPDX-License-Identifier: GPL-3.0-or-later
// Building the PDUs of a message: one for a short text, two to five concatenated parts
// for a long one, one for an operator or group logo, three for a picture message.
#pragma once

#include "app/seams.h"
#include "encoding/module1.h"

#include <QString>

#include <optional>

struct AppState;

namespace Compose {

/// What the user has typed into the compose area.
struct ElaboraInput
{
    QString serviceCentre;   ///< Text2: digits without "+"
    QString recipient;       ///< Text4: a leading "+" marks it international
    QString text;            ///< Text5, line breaks as CR LF
};

/// A message box the window has to show; the PDUs are empty afterwards.
struct ElaboraFailure
{
    QString text;
    QString title;
    Seams::MsgIcon icon = Seams::MsgIcon::None;
};

struct ElaboraResult
{
    /// The new content of the PDU list (Text3); nullopt leaves it as it was.
    std::optional<QString> text3;
    std::optional<ElaboraFailure> failure;
};

/// Longest text one message carries; longer texts go in parts of kPartChars.
constexpr int kSingleChars = 160;
constexpr int kPartChars = 152;
constexpr int kMaxParts = 5;
constexpr int kMaxChars = kPartChars * kMaxParts;   // 760

/// The 8-character text that, packed as septets, gives the 7-octet user data header
/// of part `part` (1-based) of a message of `parts` parts (2..5); empty otherwise.
QString ConcatHeaderText(int parts, int part);

/// Number of messages a text of `chars` characters needs: 0 for none, 1 up to 160,
/// otherwise parts of 152 (at most 5 for the 760 characters the box accepts).
int PartsNeeded(qsizetype chars);

/// TP first octet: "51" in smart-messaging mode; otherwise "31"/"71" with a status
/// report and "11"/"51" without, the latter of each pair for texts over 160 characters.
QString FirstOctetFor(bool logoMode, bool statusReport, qsizetype chars);
/// TP-DCS: "F5" (8-bit, class 1) in smart-messaging mode, "F0" (class 0) for a flash
/// text, else "00".
QString DataCodingFor(bool logoMode, bool flash);

/// The message for a number that cannot be used ("Recipient number: "/" is not allowed...",
/// "Insert recipient number !!!"); empty when it can. `what` names the box.
QString NumberProblemText(const QString &what, const Module1::TypedNumber &number);

/// Fills the PDU fields and the five message slots of `state` (UserDataN, PduN,
/// PduLengthN) from `in` and from the flags and logo data already in `state`.
/// The numbers are taken as people type them (Module1::CleanNumber); one that is empty or
/// holds anything but digits, a "+" in front and separators is refused. The text is
/// counted and cut per character as the user sees it (an emoji is one, sent as "@").
/// Returns the new PDU list text, or a failure with `Pdu1`..`Pdu5` empty.
ElaboraResult Elabora(AppState &state, const ElaboraInput &in);

} // namespace Compose
