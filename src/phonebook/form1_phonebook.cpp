// SPDX-License-Identifier: GPL-3.0-or-later
// The recipient list: Rubrica.txt, the choice of a recipient, and the phonebook download.
#include "app/form1.h"

#include "app/appstate.h"
#include "app/phoneport.h"
#include "app/replydispatcher.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "phonebook/phonebookdownload.h"
#include "phonebook/rubrica.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTimer>

namespace {

void GiveWindowLook(QComboBox *combo)
{
    combo->setEnabled(true);
    QPalette p = combo->palette();
    p.setColor(QPalette::Base, QPalette().color(QPalette::Base));
    combo->setPalette(p);
}

// Filling the list must not pick an entry: only the user's choice or typing sets the
// recipient. Whatever stands in the edit field stays there.
void AppendEntries(QComboBox *combo, const QStringList &entries)
{
    if (entries.isEmpty())
        return;
    const QSignalBlocker block(combo);
    const int current = combo->currentIndex();
    const QString typed = combo->currentText();
    combo->addItems(entries);
    if (current < 0) {
        combo->setCurrentIndex(-1);
        combo->setEditText(typed);
    }
}

void EmptyList(QComboBox *combo)
{
    const QSignalBlocker block(combo);
    combo->clear();
    combo->setEditText(QString());
}

// Interval 0 stops the timer, as a stopped timer has no interval.
void SetDownloadInterval(QTimer *timer, int ms)
{
    if (ms <= 0) {
        timer->stop();
        timer->setInterval(0);
        return;
    }
    // Paced to the millisecond: the coarse default may run every tick up to 5% late.
    timer->setTimerType(Qt::PreciseTimer);
    if (timer->interval() != ms || !timer->isActive())
        timer->start(ms);
}

void Apply(Form1 &f, const Phonebook::DownloadStep &step)
{
    AppendEntries(f.Combo2, step.entries);
    if (!step.command.isEmpty())
        f.Dispatcher().writeCommand(step.command);
    if (step.interval)
        SetDownloadInterval(f.Timer2, *step.interval);
    if (step.progress) {
        f.ProgressBar1->setRange(0, step.progress->maximum);
        f.ProgressBar1->setValue(step.progress->value);
    }
    if (!step.warning.isEmpty())
        Seams::MsgBox(step.warning, Seams::MsgButtons::OK, Seams::MsgIcon::Exclamation,
                      QStringLiteral("Warning."));
}

} // namespace

void Form1::Mn_Upload_Click()
{
    EmptyList(Combo2);
    GiveWindowLook(Combo2);
    ClearReceiveBuffer();
    Phonebook::StartUpload(m_state);
}

void Form1::Timer2_Timer()
{
    Apply(*this, Phonebook::DownloadTick(m_state, m_comm.PortOpen(), Timer2->interval()));
}

void Form1::PhonebookStageStep()
{
    Apply(*this, Phonebook::StageStep(m_state));
}

void Form1::Mn_Rub_Load_Click()
{
    EmptyList(Combo2);
    const auto entries = Rubrica::Load(Seams::ProgramFile(QStringLiteral("Rubrica.txt")));
    if (!entries)
        return;   // no list saved yet: an empty list, look unchanged
    AppendEntries(Combo2, *entries);
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
