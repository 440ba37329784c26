// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of the port settings window that do not need the window: the speed part of a
// settings text and applying number, settings and handshaking to the serial control.
#pragma once

#include <QString>
#include <QStringList>

class PhonePort;

namespace PortSettings {

/// 1-based position of the first comma among the first 7 characters of `settings`,
/// or 8 when there is none there. The speed is what stands before it.
int speedEnd(const QString &settings);

/// The speed part of a settings text: "9600,n,8,1" gives "9600". Without a comma in the
/// first 7 characters, the first 7 characters.
QString speedPart(const QString &settings);

/// `settings` with its speed part replaced by `speed`: ("9600,n,8,1", "19200") gives
/// "19200,n,8,1". Without a comma in the first 7 characters, `speed` replaces them.
QString replaceSpeed(const QString &settings, const QString &speed);

/// The flow-control choices, in handshaking order (list position = handshaking value).
QStringList flowNames();
/// The speeds offered for choice.
QStringList speedNames();

/// Closes the port, then sets the port number from `number` (decimal digits), the
/// settings text and the handshaking value (-1 = no choice). When any of the three is
/// refused, all three go back to what the port had before and false is returned.
/// The port is left closed in every case.
bool apply(PhonePort &port, const QString &number, const QString &settings, int handshaking);

} // namespace PortSettings
