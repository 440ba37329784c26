// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/phoneport.h"

std::optional<SerialSettings> ParseSerialSettings(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    SerialSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QString parity = parts[1].trimmed().toLower();
    if (parity.size() != 1 || !QStringLiteral("neoms").contains(parity))
        return std::nullopt;
    s.parity = parity[0].toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;
    s.stopBits = parts[3].trimmed();
    if (s.stopBits != QLatin1String("1") && s.stopBits != QLatin1String("1.5")
        && s.stopBits != QLatin1String("2"))
        return std::nullopt;
    return s;
}

PhonePort::PhonePort(QObject *parent)
    : QObject(parent)
{
}

PhonePort::~PhonePort() = default;

bool PhonePort::setCommPort(int port)
{
    if (port < 1 || port > 255 || PortOpen())
        return false;
    m_commPort = port;
    return true;
}

bool PhonePort::setSettings(const QString &settings)
{
    if (!ParseSerialSettings(settings))
        return false;
    m_settings = settings;
    return true;
}

bool PhonePort::setHandshaking(int mode)
{
    if (mode < 0 || mode > 3)
        return false;
    m_handshaking = mode;
    return true;
}
