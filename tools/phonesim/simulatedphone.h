// SPDX-License-Identifier: GPL-3.0-or-later
// A GSM phone in PDU mode as seen from its serial line: bytes in, echo and replies out.
#pragma once

#include "scenario.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QRandomGenerator>

#include <functional>

namespace phonesim {

/// A piece of output and how long after the previous piece it goes on the line.
struct OutputChunk
{
    QByteArray data;
    int delayMs = 0;
};

/// The phone's logic, with no I/O of its own: the pty bridge and the tests feed it the
/// bytes a client writes and put the returned chunks on the line after their delays.
/// Framing follows V.250 with verbose result codes: the command line is echoed as
/// received (echo on), information text and final result codes are framed CR LF ... CR LF.
class SimulatedPhone
{
public:
    explicit SimulatedPhone(Scenario scenario);

    /// Milliseconds since the phone was switched on; tests install their own clock.
    void setClock(std::function<qint64()> clock);
    /// Receives every transcript event (a command, a reply, a PDU, an ignored input...).
    void setEventSink(std::function<void(const QJsonObject &)> sink);

    /// Bytes written by the client. Returns what the phone sends back, in order.
    QList<OutputChunk> receive(const QByteArray &bytes);

    /// True once the line has dropped (after the scenario's command count).
    bool lineDropped() const { return m_dropped; }

    const Scenario &state() const { return m_s; }
    int commandCount() const { return m_commandCount; }

private:
    enum class Final { Ok, Error, CmeError, CmsError, Prompt, Raw };
    struct Result
    {
        QList<QByteArray> lines; ///< information text lines
        Final final = Final::Ok;
        int code = 0;
        QByteArray raw;          ///< Final::Raw: an injected final result
    };

    Result execute(const QByteArray &name, const QByteArray &args, const QByteArray &full);
    void runLine(const QByteArray &line, QList<OutputChunk> &out);
    void finishPdu(bool cancelled, QList<OutputChunk> &out);
    void emitReply(const QByteArray &command, const QByteArray &reply, QList<OutputChunk> &out,
                   bool injected = false);
    QByteArray finalText(const Result &r) const;
    void reset();
    void emitEvent(QJsonObject o);

    // Commands
    Result cmdCpms(const QByteArray &args);
    Result cmdCmgl(const QByteArray &args);
    Result cmdCmgr(const QByteArray &args);
    Result cmdCmgd(const QByteArray &args);
    Result cmdCpbs(const QByteArray &args);
    Result cmdCpbr(const QByteArray &args);
    Result cmdSdbr(const QByteArray &args);
    Result cmdCscs(const QByteArray &args);

    // Message memories: "ME", "SM" and the combined "MT" (ME positions first, then SM).
    struct Slot
    {
        MessageStore *store = nullptr;
        int index = 0;
    };
    Slot resolve(const QString &memory, int index);
    int capacity(const QString &memory) const;
    int used(const QString &memory) const;
    QList<QPair<int, StoredMessage *>> listed(const QString &memory);
    int firstFree(const QString &memory);
    bool knownMemory(const QString &memory) const;

    QByteArray encodeText(const QString &text) const;
    Phonebook &currentPhonebook();

    Scenario m_s;
    std::function<qint64()> m_clock;
    std::function<void(const QJsonObject &)> m_sink;
    QElapsedTimer m_started;
    QRandomGenerator m_random;

    enum class Mode { Command, Pdu };
    Mode m_mode = Mode::Command;
    QByteArray m_line;
    QByteArray m_pdu;
    QByteArray m_pduCommand;  ///< "AT+CMGS" or "AT+CMGW"
    int m_pduLength = 0;
    int m_pduStatus = 2;

    bool m_echo = true;
    int m_cmee = 1;
    QString m_charset = QStringLiteral("GSM");
    QString m_mem1 = QStringLiteral("ME");
    QString m_mem2 = QStringLiteral("ME");
    QString m_mem3 = QStringLiteral("ME");
    QString m_phonebook = QStringLiteral("SM");
    int m_messageReference = 0;

    int m_commandCount = 0;
    bool m_dropped = false;
    QHash<int, int> m_injectionSeen; ///< injection rule -> commands matched so far
};

} // namespace phonesim
