// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

void Form1::Command4_Click() {}
