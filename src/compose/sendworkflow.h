// SPDX-License-Identifier: GPL-3.0-or-later
// Starting the send (AT+CMGS) and store (AT+CMGW) chains, the confirmation text, the
// service-centre query and its reply, the sent log LogSMS.txt and the compose counters.
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

struct AppState;
class PhonePort;

namespace Compose {

/// False when a logo or picture message is chosen but its bitmap has not been loaded.
bool BitmapCheck(const AppState &state);

/// The question asked before sending, lines separated by CR (character 13) only. It quotes
/// `messageText`, or "Operator Logo"/"Group Logo" in smart-messaging mode, names the
/// recipient and lists the flash and status-report options that are on.
QString ConfirmationText(const AppState &state, const QString &messageText,
                         const QString &recipient);

/// Raises the first step of the send chain and writes "AT+CMGS=" + PduLength1 + CR.
/// The caller has cleared the receive buffer. A chain left waiting before (a phone that
/// fell silent) is taken over: every step of both chains is lowered first.
void StartSend(AppState &state, PhonePort &port);
/// Raises the first step of the store chain and writes "AT+CMGW=" + PduLength1 + CR,
/// taking over a waiting chain as StartSend does.
void StartStore(AppState &state, PhonePort &port);

/// What to tell the user when the line to the phone is lost while the send or store chain
/// (or the service-centre query) runs: which message was not sent or stored, and for a
/// message of several parts, from which part on. Empty when nothing was running.
QString LineLostText(const AppState &state);
/// Raises WaitServiceCentre and writes "AT+CSCA?" + CR.
void StartServiceCentreQuery(AppState &state, PhonePort &port);

/// The number between the first two double quotes of a +CSCA reply, without the
/// character right after the first quote (normally "+"). nullopt when there are not two
/// quotes or nothing is left between them.
std::optional<QString> ParseServiceCentreReply(const QString &buffer);

/// Date and time as the system writes them in its general format (short date, time
/// with seconds), using the default locale.
QString GeneralDate(const QDateTime &when);

/// The five lines that open a new sent log, and the five lines of one entry, CR LF ended.
QString LogHeader();
QString LogEntry(const QString &messageText, const QString &recipient, const QDateTime &when,
                 const QString &parts);
/// Appends one entry to the log at `path`, creating it with the header first when it does
/// not exist (the file is not read). Returns false, with the reason in `error` when given,
/// when the log cannot be written; the caller reports it, and the send goes on.
bool AppendSentLog(const QString &path, const QString &messageText, const QString &recipient,
                   const QDateTime &when, const QString &parts, QString *error = nullptr);

/// The three compose counters for a text of `chars` characters (a line break counts 2).
struct Counters
{
    int used = 0;
    int left = 0;
    int messages = 0;
};
Counters ComposeCounters(qsizetype chars);

/// The note beside the counters: empty when every character is in the GSM alphabet,
/// otherwise how many will arrive as "@".
QString NonGsmNote(const QString &text);

} // namespace Compose
