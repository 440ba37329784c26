// SPDX-License-Identifier: GPL-3.0-or-later
// Installs the desktop implementations of the seams (real message boxes, dialogs, pointer).
#pragma once

namespace Seams {
void installWidgetSeams();
}
