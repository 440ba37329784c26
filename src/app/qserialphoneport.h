// SPDX-License-Identifier: GPL-3.0-or-later
// The serial control on a real (or pseudo-terminal) serial port.
#pragma once

#include "app/phoneport.h"

class QSerialPort;

/// PhonePort on QSerialPort. Port number N names the entry "COMN" in the program's folder
/// (normally a symbolic link to a device or a pseudo-terminal), else the first existing of
/// /dev/ttyUSB(N-1), /dev/ttyACM(N-1), /dev/ttyS(N-1); on Windows it is COMN itself.
/// One character is one octet on the wire (Latin-1) both ways. A port that vanishes while
/// open (cable pulled) is closed and reported with one OnComm.
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

    /// The device path port number `n` stands for (see the class comment).
    static QString DeviceFor(int n);
    /// Why the last opening failed (empty after a successful one).
    QString lastError() const { return m_lastError; }

private:
    void onError(int error);

    QSerialPort *m_port = nullptr;
    QString m_lastError;
};
