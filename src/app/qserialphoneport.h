// SPDX-License-Identifier: GPL-3.0-or-later
// The serial control on a real (or pseudo-terminal) serial port.
#pragma once

#include "app/phoneport.h"

class QSerialPort;

class QSerialPhonePort : public PhonePort
{
    Q_OBJECT
public:
    explicit QSerialPhonePort(QObject *parent = nullptr);
    ~QSerialPhonePort() override;

    bool PortOpen() const override;
    bool setPortOpen(bool open) override;
    bool Output(const QString &text) override;
    QString Input() override;

private:
    QSerialPort *m_port = nullptr;
};
