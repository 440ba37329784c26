// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

void Form1::Command4_Click() {}

// The message browser is not written yet: a complete AT+CMGR reply goes nowhere.
void Form1::BrowserReadReply(const QString &) {}
