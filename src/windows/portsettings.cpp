// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/portsettings.h"

#include "app/phoneport.h"
#include "app/vbstrings.h"

#include <QStringList>

namespace PortSettings {

int speedEnd(const QString &settings)
{
    const qsizetype comma = vb::InStr(1, vb::Left(settings, 7), QStringLiteral(","));
    return comma > 0 ? int(comma) : 8;
}

QString speedPart(const QString &settings)
{
    return vb::Left(settings, speedEnd(settings) - 1);
}

QString replaceSpeed(const QString &settings, const QString &speed)
{
    return speed + vb::Mid(settings, speedEnd(settings));
}

QStringList flowNames()
{
    return {QStringLiteral("None"), QStringLiteral("Xon/Xoff"), QStringLiteral("RTS"),
            QStringLiteral("RTS Xon/Xoff")};
}

QStringList speedNames()
{
    return {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
            QStringLiteral("57600"), QStringLiteral("115200")};
}

namespace {
/// A port number typed by the user: decimal digits only, blanks around them allowed.
bool parsePortNumber(const QString &text, int &number)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 3)
        return false;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    number = digits.toInt();
    return true;
}
} // namespace

bool apply(PhonePort &port, const QString &number, const QString &settings, int handshaking)
{
    const int oldNumber = port.CommPort();
    const QString oldSettings = port.Settings();
    const int oldHandshaking = port.Handshaking();

    // The control takes a new number only while closed; the user reopens the port.
    if (port.PortOpen())
        port.setPortOpen(false);

    // Every assignment is tried, as the user expects all three to be checked at once.
    int value = 0;
    bool ok = parsePortNumber(number, value) && port.setCommPort(value);
    ok = port.setSettings(settings) && ok;
    ok = port.setHandshaking(handshaking) && ok;
    if (ok)
        return true;

    port.setCommPort(oldNumber);
    port.setSettings(oldSettings);
    port.setHandshaking(oldHandshaking);
    return false;
}

} // namespace PortSettings
