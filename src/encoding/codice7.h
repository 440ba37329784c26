// SPDX-License-Identifier: GPL-3.0-or-later
// GSM 7-bit default alphabet (TS 23.038 §6.2.1), septet packing and the small hex/bit
// conversions shared by the message builder, the logo converter and the DELIVER decoder.
#pragma once

#include <QChar>
#include <QString>

#include <array>

namespace Codice7 {

/// Number of entries of the alphabet table: codes 0 to 128 (128 is always empty).
constexpr int kGsmTableSize = 129;

/// The alphabet table: entry i is the character whose 7-bit code is i, or a null QChar
/// for the codes that carry no character (0x12 to 0x1B: Greek capitals and the escape
/// to the extension table, and 128). The table is constant: it is built once, on first
/// use, and never changes afterwards.
const std::array<QChar, kGsmTableSize> &GsmTable();

/// Builds the alphabet table if it has not been built yet. Start-up calls it so that the
/// table exists before any message is built; calling it again does nothing.
void InitGsmTable();

/// The 7-bit code of a character: the first table entry (0..127) equal to it, with case.
/// A character in no entry gets 0, so it goes out as "@"; no other substitution is made.
int GsmCode(QChar c);

/// True when the character stands in the table (it does not go out as "@" by accident).
bool InGsmAlphabet(QChar c);

/// Characters are counted as the user sees them: one per Unicode code point. A character
/// beyond U+FFFF (an emoji) is held in a QString as a surrogate pair of two units.

/// Number of characters (code points) of `text`: a surrogate pair counts 1.
qsizetype CharacterCount(const QString &text);

/// `text` with one unit per character: every surrogate pair becomes U+FFFD, which stands in
/// no table entry and so goes out as one "@", as the pair's character would. Counting,
/// cutting and packing the result go character by character.
QString OneUnitPerCharacter(const QString &text);

/// How many characters of `text` stand in no table entry and will be sent as "@".
int CountOutsideAlphabet(const QString &text);

/// TP-UDL and TP-UD of a 7-bit message as upper-case hex text: the number of characters
/// as two hex digits, then the packed septets (TS 23.038 §6.1.2.1.1: least significant
/// bit first, no fill after the last septet beyond the end of its octet). A surrogate pair
/// is one character ("@"). At most 140 octets are produced (160 characters); callers split
/// longer texts.
QString PackSeptets(const QString &text);

/// One or two upper-case hex digits to the 7-bit text of their value's low seven bits
/// ("41" gives "1000001", "A" gives "0001010"). A character that is no upper-case hex
/// digit counts as 0000.
QString HexToBits7(const QString &hex);

/// An 8-character text of "0" and "1" (most significant first) to two upper-case hex
/// digits ("00000000" gives "00", "11111111" gives "FF"). Any character other than "1"
/// counts as 0.
QString BitsToHex(const QString &bits);

/// Two hex digits to an octet value: 16 x the first + the second, where "A".."F" count
/// 10..15, "0".."9" their value and every other character 0 (lower-case "a".."f"
/// included: "8c" gives 128). Missing characters count 0.
int HexToByte(const QString &hex);

} // namespace Codice7
