// SPDX-License-Identifier: GPL-3.0-or-later
// The compose area of the main window driven through the real reply dispatcher, with a
// fake phone that takes messages: send, store, confirmation, log, counters, options.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/textfile.h"
#include "app/vbstrings.h"
#include "encoding/codice7.h"
#include "msgboxrecorder.h"
#include "smsphone.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

using Seams::MsgButtons;
using Seams::MsgIcon;
using Seams::MsgResult;

namespace {

const QString kCtrlZ(QChar(26));

QString letters(int n)
{
    QString t;
    for (int i = 0; i < n; ++i)
        t += QChar(u'a' + i % 26);
    return t;
}

} // namespace

class TstForm1Compose : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sendOnePart();
    void sendFlashWithStatusReport();
    void sendFiveParts();
    void errorAfterSecondOfThree();
    void storeTwoParts();
    void cancelSendsNothing();
    void withoutConfirmation();
    void pictureMessage();
    void closedPort_data();
    void closedPort();
    void missingServiceCentre();
    void missingBitmap();
    void serviceCentre_data();
    void serviceCentre();
    void counters_data();
    void counters();
    void deleteText();
    void text5Focus();
    void sentCountBox_data();
    void sentCountBox();
    void annulSent();
    void deleteLog();
    void viewLog();
    void optionMenus();

private:
    QString file(const QString &name) const { return QDir(m_dir->path()).filePath(name); }
    QString fileText(const QString &name) const
    {
        return TextFile::Read(file(name)).value_or(QStringLiteral("<missing>"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<SmsPhone> m_port;
    std::unique_ptr<Form1> m_form;
    QList<Seams::Pointer> m_pointers;
    QStringList m_opened;
};

void TstForm1Compose::initTestCase()
{
    Codice7::InitGsmTable();
    Seams::setClock([] { return QDateTime(QDate(2026, 5, 17), QTime(10, 20, 30)); });
    Seams::setPointerHandler([this](Seams::Pointer p) { m_pointers << p; });
    Seams::setOpenExternalHandler([this](const QString &path) {
        m_opened << path;
        return true;
    });
}

void TstForm1Compose::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    Seams::setProgramFolder(m_dir->path());
    m_boxes = std::make_unique<MsgBoxRecorder>();
    m_state = std::make_unique<AppState>();
    m_port = std::make_unique<SmsPhone>();
    m_port->setPortOpen(true);
    m_form = std::make_unique<Form1>(*m_state, *m_port);
    m_form->Timer1->stop();   // the status tick is not under test here
    m_form->Text2->setText(QStringLiteral("393359609600"));
    m_form->Text4->setText(QStringLiteral("+393471234567"));
    m_form->Text6->setText(QStringLiteral("7"));
    m_pointers.clear();
    m_opened.clear();
}

void TstForm1Compose::cleanup()
{
    m_form.reset();
    m_port.reset();
    m_state.reset();
    m_boxes.reset();
    Seams::setProgramFolder(QString());
    m_dir.reset();
}

void TstForm1Compose::sendOnePart()
{
    m_boxes->answers << MsgResult::OK;
    m_form->setText5Text(QStringLiteral("hello"));
    m_form->Command6_Click();
    QTRY_VERIFY(!m_state->SendActive && !m_state->WaitSentOk);

    QCOMPARE(m_boxes->shown.size(), 2);
    const Seams::MsgBoxCall &confirm = m_boxes->shown.at(0);
    QCOMPARE(confirm.text, QStringLiteral("Are you sure to send this SMS:\r\r     \"hello\"\r\r"
                                          "To: +393471234567?\r"));
    QCOMPARE(confirm.title, QStringLiteral("Conferma di invio"));
    QCOMPARE(confirm.buttons, MsgButtons::OKCancel);
    QCOMPARE(confirm.icon, MsgIcon::Question);
    QCOMPARE(confirm.defaultButton, MsgResult::Cancel);
    QCOMPARE(m_boxes->shown.at(1).text, QStringLiteral("Messagge sent"));
    QCOMPARE(m_boxes->shown.at(1).title, QStringLiteral("Information."));
    QCOMPARE(m_boxes->shown.at(1).icon, MsgIcon::Information);

    QCOMPARE(m_port->writes,
             QStringList({QStringLiteral("AT+CMGS=19\r"),
                          QStringLiteral("079193339506690011F30C91934317325476000"
                                         "0FF05E8329BFD06")
                              + kCtrlZ}));
    QCOMPARE(m_state->SentCount, 8);
    QCOMPARE(fileText(QStringLiteral("Sent.txt")), vb::NumberField(8) + QStringLiteral("\r\n"));
    QCOMPARE(fileText(QStringLiteral("LogSMS.txt")),
             QStringLiteral("CorvinaSMS By Quillane\r\nLog of sent SMS\r\n%1\r\n\r\n\r\n"
                            "Sms:        hello\r\nAt number:  +393471234567\r\n"
                            "Date and time: %2\r\nN.sms:  1\r\n\r\n")
                 .arg(QString(44, QLatin1Char('-')))
                 .arg(QLocale().toString(QDate(2026, 5, 17), QLocale::ShortFormat)
                      + QStringLiteral(" 10:20:30")));
    QCOMPARE(m_pointers, QList<Seams::Pointer>({Seams::Pointer::Hourglass, Seams::Pointer::Default}));
}

void TstForm1Compose::sendFlashWithStatusReport()
{
    m_boxes->answers << MsgResult::OK;
    m_form->Mn_Flash_Click();
    m_form->Mn_Ricevuta_Click();
    m_form->setText5Text(QStringLiteral("Ciao\r\nè"));
    m_form->Command6_Click();
    QTRY_VERIFY(!m_state->SendActive && !m_state->WaitSentOk);
    QCOMPARE(m_boxes->shown.at(0).text,
             QStringLiteral("Are you sure to send this SMS:\r\r     \"Ciao\r\n\u00E8\"\r\r"
                            "To: +393471234567?\r\r- Flash SMS\r- Status report"));
    QCOMPARE(m_port->writes.size(), 2);
    QVERIFY(m_port->writes.at(1).startsWith(
        QStringLiteral("079193339506690031F30C9193431732547600F0FF07")));
    // Flash goes back off after the send; the status report stays.
    QVERIFY(!m_state->FlashSms);
    QVERIFY(!m_form->Mn_Flash->isChecked());
    QVERIFY(m_state->StatusReport);
    QVERIFY(m_form->Mn_Ricevuta->isChecked());
    QCOMPARE(m_state->SentCount, 8);
}

void TstForm1Compose::sendFiveParts()
{
    m_boxes->answers << MsgResult::OK;
    m_form->setText5Text(letters(760));
    QCOMPARE(m_form->Label14->text(), QStringLiteral("5"));
    m_form->Command6_Click();
    QTRY_VERIFY(!m_state->SendActive && !m_state->WaitSentOk);
    const QString pdus[] = {m_state->Pdu1, m_state->Pdu2, m_state->Pdu3, m_state->Pdu4,
                            m_state->Pdu5};
    QStringList expected;
    for (const QString &p : pdus)
        expected << QStringLiteral("AT+CMGS=%1\r").arg((p.size() - 16) / 2) << p + kCtrlZ;
    QCOMPARE(m_port->writes, expected);
    QCOMPARE(m_boxes->texts().count(QStringLiteral("Messagge sent")), 1);
    QCOMPARE(m_state->SentCount, 12);
    QVERIFY(fileText(QStringLiteral("LogSMS.txt")).contains(QStringLiteral("N.sms:  5\r\n")));
}

void TstForm1Compose::errorAfterSecondOfThree()
{
    m_boxes->answers << MsgResult::OK;
    m_port->errorOnPdu = 2;
    m_form->setText5Text(letters(400));
    m_form->Command6_Click();
    QTRY_VERIFY(m_boxes->texts().contains(QStringLiteral("Command didn't accept by mobile")));
    QTest::qWait(50);
    QCOMPARE(m_port->writes.size(), 4);   // two announces, two PDUs; the third never goes
    QVERIFY(!m_state->SendActive && !m_state->WaitSentOk && !m_state->WaitSendPrompt3);
    QVERIFY(!m_boxes->texts().contains(QStringLiteral("Messagge sent")));
    QCOMPARE(m_state->SentCount, 7);   // as the sent-count box shows it: nothing counted
    QVERIFY(!QFile::exists(file(QStringLiteral("Sent.txt"))));
    QVERIFY(fileText(QStringLiteral("LogSMS.txt")).contains(QStringLiteral("N.sms:  3\r\n")));
    QCOMPARE(m_pointers.last(), Seams::Pointer::Default);
}

void TstForm1Compose::storeTwoParts()
{
    m_form->Mn_Flash_Click();
    m_form->setText5Text(letters(200));
    m_form->Command7_Click();
    QTRY_VERIFY(!m_state->StoreActive);
    QTest::qWait(20);
    QCOMPARE(m_port->writes,
             QStringList({QStringLiteral("AT+CMGW=%1\r").arg(m_state->PduLength1),
                          m_state->Pdu1 + kCtrlZ,
                          QStringLiteral("AT+CMGW=%1\r").arg(m_state->PduLength2),
                          m_state->Pdu2 + kCtrlZ}));
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(!QFile::exists(file(QStringLiteral("LogSMS.txt"))));
    QVERIFY(!QFile::exists(file(QStringLiteral("Sent.txt"))));
    QCOMPARE(m_state->SentCount, 7);
    QVERIFY(m_state->FlashSms);
    QVERIFY(m_pointers.isEmpty());
    QVERIFY(!m_state->WaitSentOk);
}

void TstForm1Compose::cancelSendsNothing()
{
    m_form->Mn_Flash_Click();
    m_boxes->answers << MsgResult::Cancel;
    m_form->setText5Text(QStringLiteral("x"));
    m_form->Command6_Click();
    QTest::qWait(20);
    QVERIFY(m_port->writes.isEmpty());
    QVERIFY(!QFile::exists(file(QStringLiteral("LogSMS.txt"))));
    QVERIFY(m_state->FlashSms);
    QVERIFY(!m_state->SendActive);
}

void TstForm1Compose::withoutConfirmation()
{
    m_form->Mn_Conferma_Click();
    QVERIFY(!m_state->ConfirmSend);
    QVERIFY(!m_form->Mn_Conferma->isChecked());
    m_form->setText5Text(QStringLiteral("x"));
    m_form->Mn_Invia_Click();
    QTRY_VERIFY(!m_state->SendActive && !m_state->WaitSentOk);
    QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("Messagge sent")});
}

void TstForm1Compose::pictureMessage()
{
    m_boxes->answers << MsgResult::OK;
    m_state->LogoMode = m_state->PictureMode = true;
    m_state->PictureData1 = QString(234, QLatin1Char('0'));
    m_state->PictureData2 = QString(256, QLatin1Char('0'));
    m_state->PictureData3 = QString(14, QLatin1Char('0'));
    m_form->Label14->setText(QStringLiteral("3"));
    m_form->Command6_Click();
    QTRY_VERIFY(!m_state->SendActive && !m_state->WaitSentOk);
    QVERIFY(m_boxes->shown.at(0).text.contains(QStringLiteral("\"Group Logo\"")));
    QCOMPARE(m_port->writes.size(), 6);
    QCOMPARE(m_state->SentCount, 10);
}

void TstForm1Compose::closedPort_data()
{
    QTest::addColumn<int>("action");
    QTest::newRow("send") << 0;
    QTest::newRow("store") << 1;
    QTest::newRow("service-centre") << 2;
}

void TstForm1Compose::closedPort()
{
    QFETCH(int, action);
    m_port->setPortOpen(false);
    m_form->setText5Text(QStringLiteral("x"));
    if (action == 0)
        m_form->Command6_Click();
    else if (action == 1)
        m_form->Command7_Click();
    else
        m_form->Mn_CSC_Click();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.at(0).icon, MsgIcon::Critical);
    QVERIFY(m_boxes->shown.at(0).text.contains(QStringLiteral("closed")));
    QCOMPARE(m_port->refusedWrites, 0);
    QVERIFY(!QFile::exists(file(QStringLiteral("LogSMS.txt"))));
    QVERIFY(!m_state->SendActive && !m_state->StoreActive && !m_state->WaitServiceCentre);
    QVERIFY(m_pointers.isEmpty());
}

void TstForm1Compose::missingServiceCentre()
{
    m_form->Text2->clear();
    m_form->Command6_Click();
    QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("Insert service centre !!!")});
    QCOMPARE(m_boxes->shown.at(0).title, QStringLiteral("Impossible to sent message."));
    QVERIFY(m_port->writes.isEmpty());
    QVERIFY(m_form->Text3->toPlainText().isEmpty());
}

void TstForm1Compose::missingBitmap()
{
    m_state->LogoMode = true;
    for (int i = 0; i < 3; ++i) {
        m_boxes->shown.clear();
        if (i == 0)
            m_form->Command5_Click();
        else if (i == 1)
            m_form->Command6_Click();
        else
            m_form->Command7_Click();
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("Select file !!!")});
        QCOMPARE(m_boxes->shown.at(0).title, QStringLiteral("Warninng."));
        QCOMPARE(m_boxes->shown.at(0).icon, MsgIcon::Information);
    }
    QVERIFY(m_port->writes.isEmpty());
    // The menu entry builds without looking for a bitmap.
    m_boxes->shown.clear();
    m_form->Mn_Elabora_Click();
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(!m_state->Pdu1.isEmpty());
    QCOMPARE(m_form->Text3->toPlainText(), m_state->Pdu1);
}

void TstForm1Compose::serviceCentre_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("text2");
    QTest::newRow("standard") << QStringLiteral("+CSCA: \"+447785016005\",145")
                              << QStringLiteral("447785016005");
    QTest::newRow("no-quotes-keeps-box") << QStringLiteral("+CSCA: ,145")
                                         << QStringLiteral("393359609600");
    QTest::newRow("empty-keeps-box") << QStringLiteral("+CSCA: \"\",129")
                                     << QStringLiteral("393359609600");
}

void TstForm1Compose::serviceCentre()
{
    QFETCH(QString, reply);
    QFETCH(QString, text2);
    m_port->cscaReply = reply;
    m_form->Command3_Click();
    QCOMPARE(m_port->writes, QStringList{QStringLiteral("AT+CSCA?\r")});
    QTRY_VERIFY(!m_state->WaitServiceCentre);
    QCOMPARE(m_form->Text2->text(), text2);
    QVERIFY(m_boxes->shown.isEmpty());
}

void TstForm1Compose::counters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("used");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("messages");
    QTest::addColumn<bool>("nonGsmNote");
    QTest::newRow("empty") << QString() << "0" << "760" << "0" << false;
    // The thresholds themselves are covered with the counter function; here the wiring.
    for (int n : {161, 760})
        QTest::addRow("%d", n) << letters(n) << QString::number(n) << QString::number(760 - n)
                               << QString::number(n <= 160 ? 1 : (n + 151) / 152) << false;
    QTest::newRow("two-lines-of-5") << QStringLiteral("abcde\r\nfghij") << "12" << "748" << "1"
                                    << false;
    QTest::newRow("euro") << QStringLiteral("5 \u20AC") << "3" << "757" << "1" << true;
}

void TstForm1Compose::counters()
{
    QFETCH(QString, text);
    QFETCH(QString, used);
    QFETCH(QString, left);
    QFETCH(QString, messages);
    QFETCH(bool, nonGsmNote);
    m_form->setText5Text(QStringLiteral("seed"));
    m_form->setText5Text(text);
    QCOMPARE(m_form->Label5->text(), used);
    QCOMPARE(m_form->Label12->text(), left);
    QCOMPARE(m_form->Label14->text(), messages);
    QCOMPARE(!m_form->NonGsmLabel->text().isEmpty(), nonGsmNote);
    if (nonGsmNote)
        QVERIFY(m_form->NonGsmLabel->text().startsWith(QStringLiteral("1 ")));
}

void TstForm1Compose::deleteText()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->setText5Text(letters(300));
    QCOMPARE(m_form->Label14->text(), QStringLiteral("2"));
    m_form->Command1_Click();
    QCOMPARE(m_form->Text5Text(), QString());
    QCOMPARE(m_form->Label5->text(), QStringLiteral("0"));
    QCOMPARE(m_form->Label12->text(), QStringLiteral("760"));
    QCOMPARE(m_form->Label14->text(), QStringLiteral("0"));
    QTRY_VERIFY(m_form->Text5->hasFocus());
    m_form->Text4->setFocus();
    m_form->setText5Text(QStringLiteral("abc"));
    m_form->Mn_Cancella_Click();
    QCOMPARE(m_form->Label5->text(), QStringLiteral("0"));
}

void TstForm1Compose::text5Focus()
{
    m_form->setText5Text(QStringLiteral("ab\r\ncd"));
    m_form->Text5_GotFocus();
    QCOMPARE(m_form->Text5->textCursor().selectedText().size(), 5);   // all of it
    m_state->CaretToEnd = true;
    m_form->Text5_GotFocus();
    QVERIFY(!m_form->Text5->textCursor().hasSelection());
    QVERIFY(m_form->Text5->textCursor().atEnd());
    QVERIFY(!m_state->CaretToEnd);
    m_form->Text5_GotFocus();
    QVERIFY(m_form->Text5->textCursor().hasSelection());
}

void TstForm1Compose::sentCountBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::newRow("number-then-letters") << QStringLiteral("12abc") << 12;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("leading-blanks") << QStringLiteral("  42") << 42;
    QTest::newRow("beyond-16-bits") << QStringLiteral("99999") << 32767;
}

void TstForm1Compose::sentCountBox()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    m_form->Text6->setText(QStringLiteral("5"));
    m_form->Text6->setText(text);
    QCOMPARE(int(m_state->SentCount), count);
    m_form->Text6_GotFocus();
    QCOMPARE(m_form->Text6->selectedText(), text);
}

void TstForm1Compose::annulSent()
{
    QVERIFY(TextFile::WriteAtomic(file(QStringLiteral("Sent.txt")), QStringLiteral(" 9 \r\n")));
    m_state->SentCount = 9;
    m_boxes->answers << MsgResult::No;
    m_form->Mn_Azzera_Click();
    QCOMPARE(m_state->SentCount, 9);
    QVERIFY(QFile::exists(file(QStringLiteral("Sent.txt"))));
    const Seams::MsgBoxCall ask = m_boxes->shown.at(0);
    QCOMPARE(ask.text, QStringLiteral("Are you sure to annul sents sms ?"));
    QCOMPARE(ask.title, QStringLiteral("Confirm annul."));
    QCOMPARE(ask.buttons, MsgButtons::YesNo);
    QCOMPARE(ask.icon, MsgIcon::Question);
    QCOMPARE(ask.defaultButton, MsgResult::No);
    m_boxes->answers << MsgResult::Yes;
    m_form->Mn_Azzera_Click();
    QCOMPARE(m_state->SentCount, 0);
    QVERIFY(!QFile::exists(file(QStringLiteral("Sent.txt"))));
    m_boxes->answers << MsgResult::Yes;
    m_form->Mn_Azzera_Click();   // nothing left to delete: still quiet
    QCOMPARE(m_boxes->shown.size(), 3);
}

void TstForm1Compose::deleteLog()
{
    QVERIFY(TextFile::WriteAtomic(file(QStringLiteral("LogSMS.txt")), QStringLiteral("x\r\n")));
    m_form->Mn_DeleteLog_Click();   // default answer: No
    QVERIFY(QFile::exists(file(QStringLiteral("LogSMS.txt"))));
    const Seams::MsgBoxCall ask = m_boxes->shown.at(0);
    QCOMPARE(ask.text, QStringLiteral("Are you sure to delete SMS Sent log file ?"));
    QCOMPARE(ask.title, QStringLiteral("Confirm deleting SMS Sent log file."));
    QCOMPARE(ask.defaultButton, MsgResult::No);
    m_boxes->answers << MsgResult::Yes;
    m_form->Mn_DeleteLog_Click();
    QVERIFY(!QFile::exists(file(QStringLiteral("LogSMS.txt"))));
}

void TstForm1Compose::viewLog()
{
    m_form->Mn_Log_Click();
    QCOMPARE(m_opened, QStringList{file(QStringLiteral("LogSMS.txt"))});
}

void TstForm1Compose::optionMenus()
{
    const struct { void (Form1::*click)(); QAction *Form1::*action; bool AppState::*flag; } rows[] = {
        {&Form1::Mn_Conferma_Click, &Form1::Mn_Conferma, &AppState::ConfirmSend},
        {&Form1::Mn_Flash_Click, &Form1::Mn_Flash, &AppState::FlashSms},
        {&Form1::Mn_Ricevuta_Click, &Form1::Mn_Ricevuta, &AppState::StatusReport},
    };
    for (const auto &r : rows) {
        const bool before = (*m_state).*r.flag;
        ((*m_form).*r.click)();
        QCOMPARE((*m_state).*r.flag, !before);
        QCOMPARE(((*m_form).*r.action)->isChecked(), !before);
        // Through the menu entry itself, as the user picks it.
        ((*m_form).*r.action)->trigger();
        QCOMPARE((*m_state).*r.flag, before);
        QCOMPARE(((*m_form).*r.action)->isChecked(), before);
    }
}

QTEST_MAIN(TstForm1Compose)
#include "tst_form1_compose.moc"
