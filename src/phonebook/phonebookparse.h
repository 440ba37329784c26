// SPDX-License-Identifier: GPL-3.0-or-later
// The phone's phonebook replies (+CPBR, ^SDBR) turned into recipient-list entries.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Phonebook {

/// The entry in a reply to "AT+CPBR=n": the first line that begins with "+CPBR:" gives
/// name, blank, "(", number, ")" (for example "Anna (+3912345)"). The index is not used.
/// Nothing when the reply holds no such line (an empty position), when the index is not
/// followed by a comma within a few characters, or when one of the four double quotes of
/// number and name is missing from that line. Never reads past the end.
std::optional<QString> ParsePhonebookEntry(const QString &reply);

/// The entries in a reply to "AT^SDBR=n", one per line that begins with "^SDBR:", in reply
/// order: name, blank, category label, number, ")". Categories 0 to 3 are "-Home- (",
/// "-Office- (", "-Mobile- (", "-Fax- ("; any other category text gives "-Other- (".
/// A line without its comma or one of its four double quotes ends the parse: the entries of
/// the lines before it are returned. A reply without such lines gives none.
QStringList ParseAddressBookEntries(const QString &reply);

/// Cuts text that may hold several replies into single replies, each running up to and
/// including its final result line ("OK", "ERROR", "+CME ERROR: ...", "+CMS ERROR: ...")
/// and the line end after it. Text after the last final result is dropped.
QStringList SplitReplies(const QString &text);

/// True when `reply` answers `command`: its last line that begins with "AT" (the phone's
/// echo) is exactly the command line. A reply without an echo line answers any command.
bool AnswersCommand(const QString &reply, const QString &command);

} // namespace Phonebook
