// SPDX-License-Identifier: GPL-3.0-or-later
// A fake port with a scripted phone behind it: each command line written gets the phone's
// echo and reply, delivered a little later and in pieces.
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
        auto ok = [](const QString &info) {
            return info.isEmpty() ? QStringLiteral("OK\r\n")
                                  : info + QStringLiteral("\r\n\r\nOK\r\n");
        };
        replies[QStringLiteral("AT")] = ok({});
        replies[QStringLiteral("AT+CGMI")] = ok(QStringLiteral("ACME"));
        replies[QStringLiteral("AT+CGMM")] = ok(QStringLiteral("X1"));
        replies[QStringLiteral("AT+CGMR")] = ok(QStringLiteral("21.07"));
        replies[QStringLiteral("AT+GSN")] = ok(QStringLiteral("351234567890123"));
        replies[QStringLiteral("AT+CIMI")] = ok(QStringLiteral("222011234567890"));
        replies[QStringLiteral("AT+CPMS=MT")] = ok(QStringLiteral("+CPMS: 3,50,3,50,3,50"));
        replies[QStringLiteral("AT^SDBR=?")] = ok(QStringLiteral("^SDBR: (1-100),20,14"));
        replies[QStringLiteral("AT+CPBS=SM")] = ok({});
        replies[QStringLiteral("AT+CPBS=ME")] = ok({});
        m_clock.start();
    }

    bool Output(const QString &text) override
    {
        if (!FakePhonePort::Output(text))
            return false;
        m_line += text;
        qsizetype cr;
        while ((cr = m_line.indexOf(QLatin1Char('\r'))) >= 0) {
            const QString command = m_line.left(cr);
            m_line.remove(0, cr + 1);
            commands << command;
            if (silent || m_clock.elapsed() < answerAfterMs)
                continue;
            QString reply = replies.value(command, QStringLiteral("ERROR\r\n"));
            if (command == QLatin1String("AT+CPBR=?"))
                reply = lastBook == QLatin1String("SM")
                            ? QStringLiteral("+CPBR: (1-250),40,14\r\n\r\nOK\r\n")
                            : QStringLiteral("+CPBR: (1-500),40,14\r\n\r\nOK\r\n");
            if (command.startsWith(QLatin1String("AT+CPBS=")))
                lastBook = command.mid(8);
            send(command + QStringLiteral("\r\r\n") + reply);
        }
        return true;
    }

    /// Delivers `text` after `delayMs`, in two pieces, when the port is still open.
    void send(const QString &text)
    {
        const qsizetype half = text.size() / 2;
        const QString a = text.left(half), b = text.mid(half);
        QTimer::singleShot(delayMs, this, [this, a] { if (PortOpen()) deliver(a); });
        QTimer::singleShot(delayMs + 5, this, [this, b] { if (PortOpen()) deliver(b); });
    }

    QMap<QString, QString> replies;   ///< command → what follows the echo
    QStringList commands;             ///< every command line the program wrote
    int delayMs = 20;
    qint64 answerAfterMs = 0;         ///< stays mute until this long after creation
    bool silent = false;
    QString lastBook;

private:
    QString m_line;
    QElapsedTimer m_clock;
};
