// SPDX-License-Identifier: GPL-3.0-or-later
// The recipient list: Rubrica.txt, the choice of a recipient, and the phonebook download.
#include "app/form1.h"

#include "app/appstate.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "phonebook/rubrica.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPalette>

namespace {
void GiveWindowLook(QComboBox *combo)
{
    combo->setEnabled(true);
    QPalette p = combo->palette();
    p.setColor(QPalette::Base, QPalette().color(QPalette::Base));
    combo->setPalette(p);
}
} // namespace

// The download itself (stages and the download timer) is not written yet: the menu entry
// and the two timers call these and nothing happens.
void Form1::Mn_Upload_Click() {}
void Form1::Timer2_Timer() {}
void Form1::PhonebookStageStep() {}

void Form1::Mn_Rub_Load_Click()
{
    Combo2->clear();
    const auto text = TextFile::Read(Seams::ProgramFile(QStringLiteral("Rubrica.txt")));
    if (!text)
        return;   // no list saved yet: an empty list, look unchanged
    Combo2->addItems(Rubrica::Parse(*text));
    GiveWindowLook(Combo2);
}

void Form1::Mn_Rub_Save_Click()
{
    QStringList entries;
    for (int i = 0; i < Combo2->count(); ++i)
        entries << Combo2->itemText(i);
    QString error;
    if (!TextFile::WriteAtomic(Seams::ProgramFile(QStringLiteral("Rubrica.txt")),
                               Rubrica::Format(entries), &error))
        Seams::MsgBox(QStringLiteral("Unable to save the phonebook in Rubrica.txt:\n") + error,
                      Seams::MsgButtons::OK, Seams::MsgIcon::Critical, QStringLiteral("Error."));
}

bool Form1::RefuseDuringDownload()
{
    if (!m_state.PhonebookDownload)
        return false;
    Seams::MsgBox(QStringLiteral("The phonebook is being downloaded: please wait for the "
                                 "download to finish."),
                  Seams::MsgButtons::OK, Seams::MsgIcon::Exclamation, QStringLiteral("Warning."));
    return true;
}

void Form1::Combo2_Click() { ExtractRecipientNumber(); }
void Form1::Combo2_Change() { ExtractRecipientNumber(); }

void Form1::ExtractRecipientNumber()
{
    if (const auto number = Rubrica::ExtractRecipientNumber(Combo2->currentText()))
        Text4->setText(*number);
}
