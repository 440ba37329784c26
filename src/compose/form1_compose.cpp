// SPDX-License-Identifier: GPL-3.0-or-later
// Main window handlers of the compose area: building, sending and storing messages,
// their options, the sent log, the counters and the service-centre query.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/phoneport.h"
#include "app/seams.h"
#include "app/vbstrings.h"
#include "compose/elabora.h"
#include "compose/sendworkflow.h"
#include "encoding/codice7.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace {

using Seams::MsgButtons;
using Seams::MsgIcon;
using Seams::MsgResult;

const QString kLogFile = QStringLiteral("LogSMS.txt");
const QString kSentFile = QStringLiteral("Sent.txt");

// Writing to a closed port would silently lose the command and leave the chain waiting
// with the hourglass on: say so instead, before anything is logged or counted.
bool portIsOpen(PhonePort &port)
{
    if (port.PortOpen())
        return true;
    Seams::MsgBox(QStringLiteral("The serial port is closed: connect to the phone first "
                                 "(Connection > Open)."),
                  MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Error."));
    return false;
}

bool bitmapLoaded(const AppState &state)
{
    if (Compose::BitmapCheck(state))
        return true;
    Seams::MsgBox(QStringLiteral("Select file !!!"), MsgButtons::OK, MsgIcon::Information,
                  QStringLiteral("Warninng."));
    return false;
}

} // namespace

void Form1::Elabora()
{
    const auto result = Compose::Elabora(m_state, {Text2->text(), Text4->text(), Text5Text()});
    if (result.text3)
        Text3->setPlainText(*result.text3);
    if (result.failure)
        Seams::MsgBox(result.failure->text, MsgButtons::OK, result.failure->icon,
                      result.failure->title);
}

void Form1::Command5_Click()
{
    if (bitmapLoaded(m_state))
        Elabora();
}

void Form1::Mn_Elabora_Click()
{
    Elabora();
}

void Form1::Command6_Click()
{
    if (RefuseDuringDownload())
        return;
    if (!portIsOpen(m_comm) || !bitmapLoaded(m_state))
        return;
    Elabora();
    if (m_state.Pdu1.isEmpty())
        return;   // Elabora has told the user why
    if (m_state.ConfirmSend) {
        const QString question =
            Compose::ConfirmationText(m_state, Text5Text(), Text4->text());
        if (Seams::MsgBox(question, MsgButtons::OKCancel, MsgIcon::Question,
                          QStringLiteral("Conferma di invio"), MsgResult::Cancel)
            != MsgResult::OK)
            return;
        if (!portIsOpen(m_comm))   // the line may have gone while the question was open
            return;
    }
    // A flash message is a one-off: the option goes back off after every confirmed send.
    m_state.FlashSms = false;
    Mn_Flash->setChecked(false);
    ClearReceiveBuffer();
    QString logError;
    if (!Compose::AppendSentLog(Seams::ProgramFile(kLogFile), Text5Text(), Text4->text(),
                                Seams::Now(), Label14->text(), &logError)) {
        // Said like the other file errors; the message itself still goes out.
        Seams::MsgBox(QStringLiteral("Unable to write the sent log LogSMS.txt:\n") + logError,
                      MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Error."));
        if (!portIsOpen(m_comm))   // the line may have gone while the box was open
            return;
    }
    Seams::SetPointer(Seams::Pointer::Hourglass);
    Compose::StartSend(m_state, m_comm);
}

void Form1::Mn_Invia_Click()
{
    Command6_Click();
}

void Form1::Command7_Click()
{
    if (RefuseDuringDownload())
        return;
    if (!portIsOpen(m_comm) || !bitmapLoaded(m_state))
        return;
    Elabora();
    if (m_state.Pdu1.isEmpty())
        return;
    // Storing asks nothing, logs nothing and keeps the normal pointer.
    ClearReceiveBuffer();
    Compose::StartStore(m_state, m_comm);
}

void Form1::Mn_Salva_Click()
{
    Command7_Click();
}

void Form1::Mn_Conferma_Click()
{
    m_state.ConfirmSend = !m_state.ConfirmSend;
    Mn_Conferma->setChecked(m_state.ConfirmSend);
}

void Form1::Mn_Flash_Click()
{
    m_state.FlashSms = !m_state.FlashSms;
    Mn_Flash->setChecked(m_state.FlashSms);
}

void Form1::Mn_Ricevuta_Click()
{
    m_state.StatusReport = !m_state.StatusReport;
    Mn_Ricevuta->setChecked(m_state.StatusReport);
}

void Form1::Mn_Log_Click()
{
    Seams::OpenExternal(Seams::ProgramFile(kLogFile));
}

void Form1::Mn_DeleteLog_Click()
{
    if (Seams::MsgBox(QStringLiteral("Are you sure to delete SMS Sent log file ?"),
                      MsgButtons::YesNo, MsgIcon::Question,
                      QStringLiteral("Confirm deleting SMS Sent log file."), MsgResult::No)
        != MsgResult::Yes)
        return;
    QFile::remove(Seams::ProgramFile(kLogFile));   // a missing file is fine
}

void Form1::Mn_Azzera_Click()
{
    if (Seams::MsgBox(QStringLiteral("Are you sure to annul sents sms ?"), MsgButtons::YesNo,
                      MsgIcon::Question, QStringLiteral("Confirm annul."), MsgResult::No)
        != MsgResult::Yes)
        return;
    // The sent-count box follows at the next status tick.
    m_state.SentCount = 0;
    QFile::remove(Seams::ProgramFile(kSentFile));   // a missing file is fine
}

void Form1::Mn_Cancella_Click()
{
    setText5Text(QString());
    Text5->setFocus();
}

void Form1::Command1_Click()
{
    Mn_Cancella_Click();
}

void Form1::Command3_Click()
{
    if (RefuseDuringDownload())
        return;
    if (!portIsOpen(m_comm))
        return;
    ClearReceiveBuffer();
    Compose::StartServiceCentreQuery(m_state, m_comm);
}

void Form1::Mn_CSC_Click()
{
    Command3_Click();
}

void Form1::Text5_Change()
{
    const QString text = Text5Text();
    const Compose::Counters c = Compose::ComposeCounters(Codice7::CharacterCount(text));
    Label12->setText(QString::number(c.left));
    Label5->setText(QString::number(c.used));
    Label14->setText(QString::number(c.messages));
    NonGsmLabel->setText(Compose::NonGsmNote(text));
}

void Form1::Text5_GotFocus()
{
    QTextCursor cursor = Text5->textCursor();
    if (m_state.CaretToEnd) {
        // After the special-characters picker, which appends at the end.
        cursor.movePosition(QTextCursor::End);
        m_state.CaretToEnd = false;
    } else {
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    Text5->setTextCursor(cursor);
}

void Form1::Text6_Change()
{
    m_state.SentCount = vb::ValInt16(Text6->text());
}

void Form1::Text6_GotFocus()
{
    Text6->selectAll();
}
