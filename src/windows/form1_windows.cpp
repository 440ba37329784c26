// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

void Form1::Mn_Comm_Click() {}
void Form1::Mn_About_Click() {}
void Form1::Mn_Special_Click() {}
