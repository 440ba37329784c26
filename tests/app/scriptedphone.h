// SPDX-License-Identifier: GPL-3.0-or-later
// A fake port with a scripted phone behind it: each command line written gets the phone's
// echo at once and its reply a little later, in two pieces.
#pragma once

#include "fakephoneport.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTimer>

class ScriptedPhone : public FakePhonePort
{
    Q_OBJECT
public:
    ScriptedPhone()
    {
        const char *script[][2] = {{"AT", ""}, {"AT+CGMI", "ACME"}, {"AT+CGMM", "X1"},
            {"AT+CGMR", "21.07"}, {"AT+GSN", "351234567890123"}, {"AT+CIMI", "222011234567890"},
            {"AT+CPMS=MT", "+CPMS: 3,50,3,50,3,50"}, {"AT^SDBR=?", "^SDBR: (1-100),20,14"},
            {"AT+CPBS=SM", ""}, {"AT+CPBS=ME", ""}, {"SM", "+CPBR: (1-250),40,14"},
            {"ME", "+CPBR: (1-500),40,14"}};
        for (const auto &s : script)
            replies[QLatin1String(s[0])] = QLatin1String(s[1]) + QLatin1String(*s[1] ? "\r\n" : "")
                + QLatin1String(*s[1] ? "\r\nOK\r\n" : "OK\r\n");
        m_clock.start();
    }

    bool Output(const QString &text) override
    {
        if (!FakePhonePort::Output(text))
            return false;
        m_line += text;
        for (qsizetype cr; (cr = m_line.indexOf(u'\r')) >= 0; m_line.remove(0, cr + 1)) {
            const QString command = m_line.left(cr);
            commands << command;
            if (command.startsWith(QLatin1String("AT+CPBS=")))
                m_book = command.mid(8);   // the range reply depends on the selected book
            if (m_clock.elapsed() < answerAfterMs)
                continue;
            const QString reply = command + QStringLiteral("\r\r\n")
                + replies.value(command == QLatin1String("AT+CPBR=?") ? m_book : command,
                                QStringLiteral("ERROR\r\n"));
            // The echo comes at once, as a phone echoes what it receives; the rest, in two
            // pieces, when the phone has worked out its answer.
            const qsizetype echo = command.size() + 1, half = (reply.size() + echo) / 2;
            QTimer::singleShot(5, this, [this, a = reply.left(echo)] { deliverIfOpen(a); });
            QTimer::singleShot(replyMs, this,
                               [this, b = reply.mid(echo, half - echo)] { deliverIfOpen(b); });
            QTimer::singleShot(replyMs + 5, this,
                               [this, c = reply.mid(half)] { deliverIfOpen(c); });
        }
        return true;
    }

    QMap<QString, QString> replies;   ///< command (book, for AT+CPBR=?) → what follows the echo
    QStringList commands;             ///< every command line the program wrote
    qint64 answerAfterMs = 0;         ///< mute until this long after creation
    int replyMs = 20;                 ///< how long the phone takes to answer a command

private:
    void deliverIfOpen(const QString &piece)
    {
        if (PortOpen())
            deliver(piece);
    }

    QString m_line, m_book;
    QElapsedTimer m_clock;
};
