// SPDX-License-Identifier: GPL-3.0-or-later
// A serial port for tests: records what the program writes and delivers scripted input.
#pragma once

#include "app/phoneport.h"

#include <QStringList>

#include <utility>

class FakePhonePort : public PhonePort
{
    Q_OBJECT
public:
    using PhonePort::PhonePort;

    bool PortOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    bool Output(const QString &text) override;
    QString Input() override { return std::exchange(m_pending, QString()); }

    /// Queues `text` as received and raises OnComm once (one receive event).
    void deliver(const QString &text) { m_pending += text, emit OnComm(); }
    /// Raises OnComm without new characters.
    void emptyEvent() { emit OnComm(); }
    /// The line drops while open: the port closes, LineLost and OnComm follow.
    void dropLine();

    QStringList writes;          ///< every Output call, in order, while open
    QString written() const { return writes.join(QString()); }
    int openCount = 0;           ///< successful openings
    int refusedWrites = 0;       ///< Output calls while closed
    bool failOpen = false;       ///< make the next openings fail

private:
    bool m_open = false;
    QString m_pending;
};
