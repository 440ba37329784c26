// SPDX-License-Identifier: GPL-3.0-or-later
// A serial port for benchmarks whose far end is the simulated phone behind a modelled line:
// 10 bits per octet at the chosen speed, each direction busy while an octet string is on it.
#pragma once

#include "app/phoneport.h"
#include "simulatedphone.h"

#include <QElapsedTimer>

#include <deque>

/// A serial port whose far end is the simulated phone behind a line of `baud` bits/s.
class ModelledLinePort : public PhonePort
{
public:
    ModelledLinePort(phonesim::SimulatedPhone &phone, int baud) : m_phone(phone), m_baud(baud)
    {
        m_clock.start();
        m_phone.setClock([this] { return m_clock.elapsed(); });
    }

    bool PortOpen() const override { return true; }
    bool setPortOpen(bool) override { return true; }
    bool Output(const QString &text) override
    {
        const QByteArray bytes = text.toLatin1();
        m_octets += bytes.size();
        const qint64 start = qMax(now(), m_upFree);
        m_upFree = start + wireNs(bytes.size());
        m_toPhone.push_back({m_upFree, bytes});
        return true;
    }
    QString Input() override
    {
        QString out = QString::fromLatin1(m_pending);
        m_pending.clear();
        return out;
    }

    /// Moves what is due: written octets reach the phone, its answers reach the program.
    void pump()
    {
        const qint64 t = now();
        while (!m_toPhone.empty() && m_toPhone.front().due <= t) {
            const Transfer in = m_toPhone.front();
            m_toPhone.pop_front();
            qint64 at = in.due;
            for (const phonesim::OutputChunk &c : m_phone.receive(in.bytes)) {
                at = qMax(at + qint64(c.delayMs) * 1000000, m_downFree);
                at += wireNs(c.data.size());
                m_downFree = at;
                m_octets += c.data.size();
                m_toProgram.push_back({at, c.data});
            }
        }
        if (!m_toProgram.empty() && m_toProgram.front().due <= t) {
            while (!m_toProgram.empty() && m_toProgram.front().due <= t) {
                m_pending += m_toProgram.front().bytes;
                m_toProgram.pop_front();
            }
            emit OnComm();
        }
    }

    qint64 now() const { return m_clock.nsecsElapsed(); }
    qint64 octets() const { return m_octets; }
    void resetCount() { m_octets = 0; }

private:
    struct Transfer
    {
        qint64 due;
        QByteArray bytes;
    };
    qint64 wireNs(qsizetype octets) const { return qint64(octets) * 10 * 1000000000LL / m_baud; }

    phonesim::SimulatedPhone &m_phone;
    int m_baud;
    QElapsedTimer m_clock;
    qint64 m_upFree = 0;
    qint64 m_downFree = 0;
    qint64 m_octets = 0;
    std::deque<Transfer> m_toPhone;
    std::deque<Transfer> m_toProgram;
    QByteArray m_pending;
};
