// SPDX-License-Identifier: GPL-3.0-or-later
// Names for the main window's fields, for screen readers and other assistive tools.
#pragma once

class Form1;

namespace Accessibility {
/// Ties each field of the main window to its caption (as the caption's buddy) and names the
/// fields without one. Captions keep their text: no mnemonic is added.
void NameForm1Fields(Form1 &form);
}
