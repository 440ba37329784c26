// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

#include "app/appstate.h"
#include "app/phoneport.h"

#include <QPlainTextEdit>

Form1::Form1(AppState &state, PhonePort &comm, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_comm(comm)
{
    setWindowTitle(QStringLiteral("SMS - Corvina"));
    Text5 = new QPlainTextEdit(this);
    setCentralWidget(Text5);
}

Form1::~Form1() = default;

QString Form1::Text5Text() const
{
    QString t = Text5->toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

void Form1::setText5Text(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text5->setPlainText(t);
}

void Form1::Form_Load() {}
bool Form1::Form_QueryUnload() { return true; }
void Form1::Command8_Click() {}
void Form1::Mn_Esci_Click() {}
void Form1::Mn_Apri_Click() {}
void Form1::Mn_Chiudi_Click() {}
void Form1::Mn_Test_Click() {}
void Form1::Mn_Salva_Imp_Click() {}
void Form1::Mn_AutoSave_Click() {}
void Form1::Timer1_Timer() {}
void Form1::Comm1_OnComm() {}
