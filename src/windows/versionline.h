// SPDX-License-Identifier: GPL-3.0-or-later
// The version line of the About window.
#pragma once

#include <QString>

/// "Ver. " and the three numbers joined by dots, in plain decimal: (2, 0, 3) gives
/// "Ver. 2.0.3".
QString VersionLine(int major, int minor, int revision);

/// The version line of this build (the project version CMake was given).
QString BuildVersionLine();
