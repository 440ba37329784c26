// SPDX-License-Identifier: GPL-3.0-or-later
#include "compose/sendworkflow.h"

#include "app/appstate.h"
#include "app/phoneport.h"
#include "app/textfile.h"
#include "compose/elabora.h"
#include "encoding/codice7.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace Compose {

namespace {

constexpr QChar kCr(u'\r');

// Every step flag of both chains, and the completion they lead to.
void lowerChains(AppState &s)
{
    for (bool *f : {&s.StoreActive, &s.SendActive, &s.WaitSentOk, &s.WaitStorePrompt1,
                    &s.WaitStorePrompt2, &s.WaitStorePrompt3, &s.WaitStorePrompt4,
                    &s.WaitStorePrompt5, &s.WaitStoreOk1, &s.WaitStoreOk2, &s.WaitStoreOk3,
                    &s.WaitStoreOk4, &s.WaitSendPrompt1, &s.WaitSendPrompt2, &s.WaitSendPrompt3,
                    &s.WaitSendPrompt4, &s.WaitSendPrompt5, &s.WaitSendOk1, &s.WaitSendOk2,
                    &s.WaitSendOk3, &s.WaitSendOk4})
        *f = false;
}

void raiseFirst(bool &active, std::initializer_list<bool *> prompts)
{
    active = true;
    bool first = true;
    for (bool *p : prompts) {
        *p = first;
        first = false;
    }
}

} // namespace

bool BitmapCheck(const AppState &s)
{
    if (!s.LogoMode)
        return true;
    return s.PictureMode ? !s.PictureData1.isEmpty() : !s.LogoData.isEmpty();
}

QString ConfirmationText(const AppState &s, const QString &messageText, const QString &recipient)
{
    QString body = messageText;
    if (s.LogoMode)
        body = s.OperatorLogoMode ? QStringLiteral("Operator Logo") : QStringLiteral("Group Logo");
    QString out = QStringLiteral("Are you sure to send this SMS:") + kCr + kCr
        + QStringLiteral("     \"") + body + QLatin1Char('"') + kCr + kCr
        + QStringLiteral("To: ") + recipient + QLatin1Char('?') + kCr;
    if (s.FlashSms)
        out += kCr + QStringLiteral("- Flash SMS");
    if (s.StatusReport)
        out += kCr + QStringLiteral("- Status report");
    return out;
}

void StartSend(AppState &s, PhonePort &port)
{
    // A step still raised from a chain the phone never answered would take this chain's
    // replies (and an old completion would count this message early).
    lowerChains(s);
    raiseFirst(s.SendActive, {&s.WaitSendPrompt1, &s.WaitSendPrompt2, &s.WaitSendPrompt3,
                              &s.WaitSendPrompt4, &s.WaitSendPrompt5});
    port.Output(QStringLiteral("AT+CMGS=") + QString::number(s.PduLength1) + kCr);
}

void StartStore(AppState &s, PhonePort &port)
{
    lowerChains(s);
    raiseFirst(s.StoreActive, {&s.WaitStorePrompt1, &s.WaitStorePrompt2, &s.WaitStorePrompt3,
                               &s.WaitStorePrompt4, &s.WaitStorePrompt5});
    port.Output(QStringLiteral("AT+CMGW=") + QString::number(s.PduLength1) + kCr);
}

QString LineLostText(const AppState &s)
{
    const QString lost = QStringLiteral("The line to the phone was lost: ");
    const bool sending = s.SendActive || s.WaitSentOk;
    if (!sending && !s.StoreActive)
        return s.WaitServiceCentre ? lost + QStringLiteral("the service centre was not read.")
                                   : QString();
    const QString userData[] = {s.UserData1, s.UserData2, s.UserData3, s.UserData4,
                                s.UserData5};
    int parts = 1;
    while (parts < 5 && !userData[parts].isEmpty())
        ++parts;
    // The first part the phone has not confirmed: the one whose prompt or OK is awaited.
    using Flag = bool AppState::*;
    static constexpr Flag kSend[] = {
        &AppState::WaitSendPrompt1, &AppState::WaitSendOk1, &AppState::WaitSendPrompt2,
        &AppState::WaitSendOk2,     &AppState::WaitSendPrompt3, &AppState::WaitSendOk3,
        &AppState::WaitSendPrompt4, &AppState::WaitSendOk4, &AppState::WaitSendPrompt5};
    static constexpr Flag kStore[] = {
        &AppState::WaitStorePrompt1, &AppState::WaitStoreOk1, &AppState::WaitStorePrompt2,
        &AppState::WaitStoreOk2,     &AppState::WaitStorePrompt3, &AppState::WaitStoreOk3,
        &AppState::WaitStorePrompt4, &AppState::WaitStoreOk4, &AppState::WaitStorePrompt5};
    const Flag *steps = sending ? kSend : kStore;
    int part = parts;
    for (int i = 0; i < 9; ++i) {
        if (s.*steps[i]) {
            part = std::min(i / 2 + 1, parts);
            break;
        }
    }
    const QString done = sending ? QStringLiteral("sent") : QStringLiteral("stored");
    if (parts == 1)
        return lost + QStringLiteral("the message was not %1.").arg(done);
    if (part == parts)
        return lost + QStringLiteral("part %1 of %2 of the message was not %3.")
                          .arg(part).arg(parts).arg(done);
    return lost + QStringLiteral("parts %1 to %2 of %2 of the message were not %3.")
                      .arg(part).arg(parts).arg(done);
}

void StartServiceCentreQuery(AppState &s, PhonePort &port)
{
    s.WaitServiceCentre = true;
    port.Output(QStringLiteral("AT+CSCA?") + kCr);
}

std::optional<QString> ParseServiceCentreReply(const QString &buffer)
{
    // +CSCA: "+393359609600",145 — the number starts after the quote and the "+".
    const qsizetype first = buffer.indexOf(QLatin1Char('"'));
    if (first < 0)
        return std::nullopt;
    const qsizetype second = buffer.indexOf(QLatin1Char('"'), first + 1);
    if (second < 0)
        return std::nullopt;
    const qsizetype start = first + 2;
    if (second - start <= 0)
        return std::nullopt;
    return buffer.mid(start, second - start);
}

QString GeneralDate(const QDateTime &when)
{
    const QLocale locale;
    // The long time format carries the seconds; drop the time zone it may add.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    timeFormat.replace(zone, QString());
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(when.time(), timeFormat.trimmed());
}

QString LogHeader()
{
    return TextFile::JoinLines({QStringLiteral("CorvinaSMS By Quillane"),
                                QStringLiteral("Log of sent SMS"),
                                QString(44, QLatin1Char('-')), QString(), QString()});
}

QString LogEntry(const QString &messageText, const QString &recipient, const QDateTime &when,
                 const QString &parts)
{
    return TextFile::JoinLines({QStringLiteral("Sms:        ") + messageText,
                                QStringLiteral("At number:  ") + recipient,
                                QStringLiteral("Date and time: ") + GeneralDate(when),
                                QStringLiteral("N.sms:  ") + parts, QString()});
}

bool AppendSentLog(const QString &path, const QString &messageText, const QString &recipient,
                   const QDateTime &when, const QString &parts, QString *error)
{
    // Only whether the log exists matters here: reading a log of many sends just to find
    // that out would delay every send. One that exists but cannot be read is appended to.
    if (!QFileInfo::exists(path) && !TextFile::Append(path, LogHeader(), error))
        return false;
    return TextFile::Append(path, LogEntry(messageText, recipient, when, parts), error);
}

Counters ComposeCounters(qsizetype chars)
{
    Counters c;
    c.used = int(chars);
    c.left = kMaxChars - int(chars);
    c.messages = PartsNeeded(chars);
    return c;
}

QString NonGsmNote(const QString &text)
{
    const int n = Codice7::CountOutsideAlphabet(text);
    if (n == 0)
        return {};
    if (n == 1)
        return QStringLiteral("1 character is not in the GSM alphabet and will arrive as \"@\"");
    return QStringLiteral("%1 characters are not in the GSM alphabet and will arrive as \"@\"")
        .arg(n);
}

} // namespace Compose
