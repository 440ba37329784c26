// SPDX-License-Identifier: GPL-3.0-or-later
// Checks shared by the simulated-phone harnesses: a phone fed bytes answers in bounded,
// well-framed output, and the same bytes in other pieces give the same output.
#pragma once

#include "fuzzcheck.h"
#include "scenario.h"
#include "simulatedphone.h"

#include <QJsonObject>

#include <memory>

namespace fuzz {

/// One simulated phone on a frozen clock, with every transcript event checked.
struct CheckedPhone
{
    explicit CheckedPhone(const phonesim::Scenario &s)
        : phone(std::make_unique<phonesim::SimulatedPhone>(s))
        , maxDelay(qint64(s.latencyMs) + s.jitterMs + s.chunkGapMs)
    {
        // Past any silent start-up time, and never moving: the output cannot depend on it.
        const qint64 now = qint64(s.silentMs) + 1;
        phone->setClock([now] { return now; });
        phone->setEventSink([](const QJsonObject &o) {
            const QString type = o.value(u"type").toString();
            FUZZ_CHECK(!type.isEmpty());
            if (type == QLatin1String("reply")) {
                // V.250 framing: a reply opens with CR LF and ends with CR LF or the prompt.
                const QString data = o.value(u"data").toString();
                FUZZ_CHECK(data.startsWith(QLatin1String("\r\n")));
                FUZZ_CHECK(data.endsWith(QLatin1String("\r\n"))
                           || data.endsWith(QLatin1String("\r\n> ")));
            }
        });
    }

    /// Feeds `bytes`, checks the chunks and returns them joined.
    QByteArray feed(const QByteArray &bytes)
    {
        QByteArray joined;
        for (const phonesim::OutputChunk &c : phone->receive(bytes)) {
            FUZZ_CHECK(!c.data.isEmpty());
            FUZZ_CHECK(c.delayMs >= 0 && c.delayMs <= maxDelay);
            joined += c.data;
        }
        return joined;
    }

    std::unique_ptr<phonesim::SimulatedPhone> phone;
    qint64 maxDelay;
};

/// Input octets that can start a command (line ends, PDU ends, command separators and the
/// letters of basic commands): no command can be answered more often than these occur.
inline qsizetype CommandStarts(const QByteArray &bytes)
{
    qsizetype n = 1;
    for (char c : bytes)
        n += c == '\r' || c == 0x1A || c == 0x1B || c == ';' || (c >= 'A' && c <= 'Z')
             || (c >= 'a' && c <= 'z');
    return n;
}

} // namespace fuzz
