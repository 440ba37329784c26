// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

void Form1::Mn_Upload_Click() {}
void Form1::Timer2_Timer() {}
void Form1::Mn_Rub_Load_Click() {}
void Form1::Mn_Rub_Save_Click() {}
void Form1::Combo2_Click() {}
void Form1::Combo2_Change() {}
void Form1::ExtractRecipientNumber() {}
