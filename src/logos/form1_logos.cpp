// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

void Form1::Check1_Click() {}
void Form1::Option1_Click() {}
void Form1::Option2_Click() {}
void Form1::Option3_Click() {}
void Form1::Command9_Click() {}
void Form1::Text7_Change() {}
void Form1::Text8_Change() {}
bool Form1::LoadLogoBitmap(const QString &) { return false; }
void Form1::SaveOperatorFile() {}
