// SPDX-License-Identifier: GPL-3.0-or-later
// A fake port with a phone behind it that takes messages: it answers AT+CMGS / AT+CMGW
// with the prompt, a PDU with its reference and OK (or ERROR for a chosen part), and
// AT+CSCA? with a service centre. Replies come a moment later, in two pieces.
#pragma once

#include "fakephoneport.h"

#include <QTimer>

class SmsPhone : public FakePhonePort
{
    Q_OBJECT
public:
    bool Output(const QString &text) override
    {
        if (!FakePhonePort::Output(text))
            return false;
        if (text.endsWith(QChar(26))) {
            ++pdus;
            send(text + (pdus == errorOnPdu ? QStringLiteral("\r\nERROR\r\n")
                                            : QStringLiteral("\r\n+CMGS: %1\r\n\r\nOK\r\n").arg(pdus)));
        } else if (text.startsWith(QLatin1String("AT+CMGS=")) || text.startsWith(QLatin1String("AT+CMGW="))) {
            send(text + QStringLiteral("\r\n> "));
        } else if (text == QLatin1String("AT+CSCA?\r")) {
            send(text + QStringLiteral("\r\n") + cscaReply + QStringLiteral("\r\n\r\nOK\r\n"));
        }
        return true;
    }

    void send(const QString &text)
    {
        const qsizetype half = text.size() / 2;
        const QString a = text.left(half), b = text.mid(half);
        QTimer::singleShot(2, this, [this, a] { if (PortOpen()) deliver(a); });
        QTimer::singleShot(4, this, [this, b] { if (PortOpen()) deliver(b); });
    }

    int pdus = 0;
    int errorOnPdu = 0;   ///< answer ERROR to this PDU (1-based); 0 never
    QString cscaReply = QStringLiteral("+CSCA: \"+393359609600\",145");
};
