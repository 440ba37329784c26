// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

void Form1::Elabora() {}
void Form1::Command5_Click() {}
void Form1::Mn_Elabora_Click() {}
void Form1::Command6_Click() {}
void Form1::Mn_Invia_Click() {}
void Form1::Command7_Click() {}
void Form1::Mn_Salva_Click() {}
void Form1::Mn_Conferma_Click() {}
void Form1::Mn_Flash_Click() {}
void Form1::Mn_Ricevuta_Click() {}
void Form1::Mn_Log_Click() {}
void Form1::Mn_DeleteLog_Click() {}
void Form1::Mn_Azzera_Click() {}
void Form1::Mn_Cancella_Click() {}
void Form1::Command1_Click() {}
void Form1::Command3_Click() {}
void Form1::Mn_CSC_Click() {}
void Form1::Text5_Change() {}
void Form1::Text5_GotFocus() {}
void Form1::Text6_Change() {}
void Form1::Text6_GotFocus() {}
