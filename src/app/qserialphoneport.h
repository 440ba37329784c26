// SPDX-License-Identifier: GPL-3.0-or-later
// The serial control on a real (or pseudo-terminal) serial port.
#pragma once

#include "app/phoneport.h"

class PortTrace;
class QSerialPort;

/// PhonePort on QSerialPort. Port number N names a device as PortDevice::DeviceFor says (the
/// entry "COMN" in the program's folder, else the system's devices). One character is one
/// octet on the wire (Latin-1) both ways. A port that vanishes while open (cable pulled) is
/// closed and reported with one OnComm.
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
    QString DeviceName() const override;

    /// The device path port number `n` stands for.
    static QString DeviceFor(int n);
    /// The serial devices the system has, for the port settings window.
    static QList<PortDevice::DeviceInfo> AvailableDevices();
    /// Why the last opening failed (empty after a successful one).
    QString lastError() const { return m_lastError; }
    /// Writes a transcript of the line to `trace` from now on (nullptr: none).
    void setTrace(PortTrace *trace) { m_trace = trace; }

private:
    void onError(int error);
    void close(const QString &why);

    QSerialPort *m_port = nullptr;
    PortTrace *m_trace = nullptr;
    QString m_lastError;
};
