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

namespace Compose {

namespace {

constexpr QChar kCr(u'\r');

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
    raiseFirst(s.SendActive, {&s.WaitSendPrompt1, &s.WaitSendPrompt2, &s.WaitSendPrompt3,
                              &s.WaitSendPrompt4, &s.WaitSendPrompt5});
    port.Output(QStringLiteral("AT+CMGS=") + QString::number(s.PduLength1) + kCr);
}

void StartStore(AppState &s, PhonePort &port)
{
    raiseFirst(s.StoreActive, {&s.WaitStorePrompt1, &s.WaitStorePrompt2, &s.WaitStorePrompt3,
                               &s.WaitStorePrompt4, &s.WaitStorePrompt5});
    port.Output(QStringLiteral("AT+CMGW=") + QString::number(s.PduLength1) + kCr);
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
