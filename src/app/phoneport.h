// SPDX-License-Identifier: GPL-3.0-or-later
// The serial control the program talks to the phone through, with the members it uses.
#pragma once

#include "app/portdevice.h"

#include <QObject>
#include <QString>

#include <optional>

/// A settings string "speed,parity,data,stop" taken apart. Parity is one of n e o m s,
/// data bits 5..8, stop bits 1, 1.5 or 2.
struct SerialSettings
{
    int baud = 9600;
    char parity = 'n';
    int dataBits = 8;
    QString stopBits = QStringLiteral("1");
};

/// Parses a settings string; nullopt when any part is out of range (the control refuses it).
std::optional<SerialSettings> ParseSerialSettings(const QString &text);

/// The serial port as the program uses it: port number, settings string, handshaking,
/// open state, output, input, and a signal on every arrival. Values are checked here;
/// opening, closing and the transfer are left to the implementation.
///
/// Handshaking: 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 RTS/CTS and XON/XOFF.
class PhonePort : public QObject
{
    Q_OBJECT
public:
    explicit PhonePort(QObject *parent = nullptr);
    ~PhonePort() override;

    int CommPort() const { return m_commPort; }
    /// Refused (false, value kept) when outside 1..255 or while the port is open.
    bool setCommPort(int port);

    QString Settings() const { return m_settings; }
    /// Refused (false, value kept) when ParseSerialSettings refuses the text.
    bool setSettings(const QString &settings);

    int Handshaking() const { return m_handshaking; }
    /// Refused (false, value kept) outside 0..3.
    bool setHandshaking(int mode);

    virtual bool PortOpen() const = 0;
    /// True opens with the current number, settings and handshaking; false closes.
    /// Returns false when the port could not be opened (or was already closed).
    virtual bool setPortOpen(bool open) = 0;

    /// Sends the characters as they stand, one octet each (Latin-1). Nothing is sent
    /// (and false returned) while the port is closed.
    virtual bool Output(const QString &text) = 0;
    /// All characters received and not read yet; the port's buffer is left empty.
    virtual QString Input() = 0;

    /// The device the port number reaches, as the user should see it; empty when unknown.
    virtual QString DeviceName() const { return {}; }
    /// Why the last opening failed; an empty device when nothing is known.
    const PortDevice::OpenFailure &LastOpenFailure() const { return m_openFailure; }

signals:
    /// Something happened on the port (characters arrived, or the line was lost).
    void OnComm();
    /// The line went away while the port was open (a device pulled out, the other end hung
    /// up, a port error). The port is closed already; OnComm follows.
    void LineLost();

protected:
    void setLastOpenFailure(const PortDevice::OpenFailure &failure) { m_openFailure = failure; }

private:
    PortDevice::OpenFailure m_openFailure;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    int m_handshaking = 0;
};
