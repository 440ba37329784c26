// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon, built into the executable, for its windows.
#pragma once

#include <QIcon>

/// The icon in every size the program carries (16 to 256 pixels).
QIcon ApplicationIcon();
