// SPDX-License-Identifier: GPL-3.0-or-later
// The compose area of the main window driven through the real reply dispatcher, with a
// fake phone that takes messages: send, store, confirmation, log, counters, options.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/textfile.h"
#include "app/vbstrings.h"
#include "browser/form5.h"
#include "encoding/codice7.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include "messagetext.h"

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Seams::MsgResult;

namespace {

// Answers AT+CMGS with the prompt, a PDU with its reference and OK, and AT+CSCA? with a
// service centre; a moment later and in two pieces. Longer chains run against the
// simulated phone (tst_e2e_messages).
class SmsPhone : public FakePhonePort
{
public:
    int pdus = 0;
    int dropAtWrite = 0;   ///< the line drops after this many writes, unanswered (0: never)
    QString cscaReply = u"+CSCA: \"+393359609600\",145"_s;

    bool Output(const QString &text) override
    {
        if (!FakePhonePort::Output(text))
            return false;
        if (writes.size() == dropAtWrite) {
            QTimer::singleShot(2, this, [this] { dropLine(); });
            return true;
        }
        if (text.endsWith(kCtrlZ))
            send(text + u"\r\n+%1: %2\r\n\r\nOK\r\n"_s.arg(m_storing ? u"CMGW"_s : u"CMGS"_s).arg(++pdus));
        else if (text.startsWith("AT+CMGS="_L1) || text.startsWith("AT+CMGW="_L1))
            send(text + u"\r\n> "_s), m_storing = text.startsWith("AT+CMGW="_L1);
        else if (text == "AT+CSCA?\r"_L1)
            send(text + u"\r\n"_s + cscaReply + u"\r\n\r\nOK\r\n"_s);
        return true;
    }
    void send(const QString &text)
    {
        const QString a = text.left(text.size() / 2), b = text.mid(text.size() / 2);
        QTimer::singleShot(2, this, [this, a] { if (PortOpen()) deliver(a); });
        QTimer::singleShot(4, this, [this, b] { if (PortOpen()) deliver(b); });
    }

private:
    bool m_storing = false;
};

} // namespace

class TstForm1Compose : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<SmsPhone> m_port;
    std::unique_ptr<Form1> m_form;
    QList<Seams::Pointer> m_pointers;
    QStringList m_opened;

    QString file(const QString &name) const { return m_dir->filePath(name); }
    QString fileText(const QString &name) const { return TextFile::Read(file(name)).value_or(u"<missing>"_s); }
    void nothingSent()
    {
        QVERIFY(m_port->writes.isEmpty());
        QVERIFY(!QFile::exists(file(u"LogSMS.txt"_s)));
        QVERIFY(!m_state->SendActive && !m_state->StoreActive && !m_state->WaitServiceCentre);
    }

private slots:
    void initTestCase()
    {
        Codice7::InitGsmTable();
        Seams::setClock([] { return QDateTime(QDate(2026, 5, 17), QTime(10, 20, 30)); });
        Seams::setPointerHandler([this](Seams::Pointer p) { m_pointers << p; });
        Seams::setOpenExternalHandler([this](const QString &path) { m_opened << path; return true; });
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        Seams::setProgramFolder(m_dir->path());
        m_boxes = std::make_unique<MsgBoxRecorder>();
        m_state = std::make_unique<AppState>();
        m_port = std::make_unique<SmsPhone>();
        m_port->setPortOpen(true);
        m_form = std::make_unique<Form1>(*m_state, *m_port);
        m_form->Timer1->stop();   // the status tick is not under test here
        m_form->Text2->setText(u"393359609600"_s);
        m_form->Text4->setText(u"+393471234567"_s);
        m_form->Text6->setText(u"7"_s);
        m_pointers.clear();
    }
    void cleanup()
    {
        m_form.reset();
        m_port.reset();
        m_boxes.reset();   // before the next recorder, or its destructor unhooks that one
        Seams::setProgramFolder(QString());
        m_dir.reset();
    }

    void sendOnePart()
    {
        m_boxes->answers << MsgResult::OK;
        m_form->setText5Text(u"hello"_s);
        m_form->Command6_Click();
        QTRY_VERIFY(!m_state->SendActive && !m_state->WaitSentOk);
        QCOMPARE(m_boxes->texts(),
                 QStringList({u"Are you sure to send this SMS:\r\r     \"hello\"\r\rTo: +393471234567?\r"_s,
                              u"Messagge sent"_s}));
        const Seams::MsgBoxCall &ask = m_boxes->shown.at(0), &done = m_boxes->shown.at(1);
        QCOMPARE(ask.title, u"Conferma di invio"_s);
        QVERIFY(ask.buttons == Seams::MsgButtons::OKCancel && ask.icon == Seams::MsgIcon::Question
                && ask.defaultButton == MsgResult::Cancel);
        QVERIFY(done.title == u"Information."_s && done.icon == Seams::MsgIcon::Information);
        QCOMPARE(m_port->writes, QStringList({u"AT+CMGS=19\r"_s,
                                              u"079193339506690011F30C919343173254760000FF05E8329BFD06"_s + kCtrlZ}));
        QCOMPARE(m_state->SentCount, 8);
        QCOMPARE(fileText(u"Sent.txt"_s), vb::NumberField(8) + u"\r\n"_s);
        const QString date = QLocale().toString(QDate(2026, 5, 17), QLocale::ShortFormat);
        QCOMPARE(fileText(u"LogSMS.txt"_s),
                 u"CorvinaSMS By Quillane\r\nLog of sent SMS\r\n%1\r\n\r\n\r\nSms:        hello\r\n"
                 "At number:  +393471234567\r\nDate and time: %2 10:20:30\r\nN.sms:  1\r\n\r\n"_s
                     .arg(QString(44, u'-'), date));
        QCOMPARE(m_pointers, QList<Seams::Pointer>({Seams::Pointer::Hourglass, Seams::Pointer::Default}));
    }

    // A log that cannot be written is reported, and the message goes out all the same.
    void logFailureIsReported()
    {
        QVERIFY(QDir().mkpath(file(u"LogSMS.txt"_s)));   // a folder where the log should be
        m_boxes->answers << MsgResult::OK;
        m_form->setText5Text(u"hello"_s);
        m_form->Command6_Click();
        QTRY_VERIFY(!m_state->SendActive && !m_state->WaitSentOk);
        QCOMPARE(m_boxes->texts().size(), 3);
        const Seams::MsgBoxCall &failed = m_boxes->shown.at(1);
        QVERIFY2(failed.text.startsWith(u"Unable to write the sent log LogSMS.txt:\n"_s)
                     && failed.text.size() > 42, qPrintable(failed.text));
        QVERIFY(failed.title == u"Error."_s && failed.icon == Seams::MsgIcon::Critical);
        QCOMPARE(m_boxes->texts().last(), u"Messagge sent"_s);
        QCOMPARE(m_port->writes.size(), 2);
        QCOMPARE(m_state->SentCount, 8);
    }

    // The line drops after the Nth line written: the chain ends at once, flags down and
    // pointer back, with a box naming what did not go out; nothing is counted.
    void lineDropEndsTheChain_data()
    {
        QTest::addColumn<int>("action");   // 0 send, 1 store, 2 service centre, 3 browser read
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("dropAt");
        QTest::addColumn<QString>("box");
        const QString lost = u"The line to the phone was lost: "_s;
        QTest::newRow("send-1-announce") << 0 << 5 << 1 << lost + u"the message was not sent."_s;
        QTest::newRow("send-1-pdu") << 0 << 5 << 2 << lost + u"the message was not sent."_s;
        for (int w = 1; w <= 6; ++w) {
            const int part = (w + 1) / 2;
            QTest::addRow("send-3-write-%d", w)
                << 0 << 400 << w
                << lost + (part == 3 ? u"part 3 of 3 of the message was not sent."_s
                                     : u"parts %1 to 3 of 3 of the message were not sent."_s.arg(part));
        }
        for (int w = 1; w <= 4; ++w)
            QTest::addRow("store-2-write-%d", w)
                << 1 << 200 << w
                << lost + (w <= 2 ? u"parts 1 to 2 of 2 of the message were not stored."_s
                                  : u"part 2 of 2 of the message was not stored."_s);
        QTest::newRow("service-centre") << 2 << 5 << 1 << lost + u"the service centre was not read."_s;
        QTest::newRow("browser-read") << 3 << 5 << 1
                                      << u"The line to the phone was lost while reading position "
                                         "1 of 20: the list is not complete."_s;
    }
    void lineDropEndsTheChain()
    {
        QFETCH(int, action);
        QFETCH(int, chars);
        QFETCH(int, dropAt);
        QFETCH(QString, box);
        m_state->ConfirmSend = false;
        m_port->dropAtWrite = dropAt;
        m_form->setText5Text(letters(chars));
        void (Form1::*clicks[])() = {&Form1::Command6_Click, &Form1::Command7_Click,
                                     &Form1::Command3_Click};
        if (action == 3)
            m_form->BrowserWindow()->Command1_Click();
        else
            ((*m_form).*clicks[action])();
        QTRY_VERIFY(!m_port->PortOpen());
        QTRY_COMPARE(m_boxes->texts(), QStringList{box});
        QCOMPARE(m_boxes->shown.at(0).title, u"Error."_s);
        QCOMPARE(m_boxes->shown.at(0).icon, Seams::MsgIcon::Critical);
        QCOMPARE(m_port->writes.size(), dropAt);
        QVERIFY(!m_state->SendActive && !m_state->StoreActive && !m_state->WaitSentOk
                && !m_state->WaitServiceCentre && !m_state->WaitSendOk1 && !m_state->WaitStorePrompt2
                && !m_state->WaitReadReply);
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
        QCOMPARE(m_state->SentCount, 7);
        QVERIFY(!QFile::exists(file(u"Sent.txt"_s)));
        // The next send on a line that is back goes through.
        QTest::qWait(20);
        m_port->dropAtWrite = 0;
        m_port->setPortOpen(true);
        m_form->setText5Text(u"again"_s);
        m_form->Command6_Click();
        QTRY_COMPARE(m_boxes->texts().last(), u"Messagge sent"_s);
        QCOMPARE(m_state->SentCount, 8);
    }

    void confirmation()
    {
        m_form->Mn_Flash_Click();
        m_boxes->answers << MsgResult::Cancel;
        m_form->setText5Text(u"x"_s);
        m_form->Command6_Click();
        QTest::qWait(20);
        nothingSent();
        QVERIFY(m_state->FlashSms);
        // With the confirmation off the message goes at once.
        m_form->Mn_Conferma_Click();
        QVERIFY(!m_state->ConfirmSend && !m_form->Mn_Conferma->isChecked());
        m_boxes->shown.clear();
        m_form->Mn_Invia_Click();
        QTRY_VERIFY(!m_state->SendActive && !m_state->WaitSentOk);
        QCOMPARE(m_boxes->texts(), QStringList{u"Messagge sent"_s});
    }

    void refused_data()
    {
        QTest::addColumn<int>("action");   // 0 send, 1 store, 2 service centre, 3 browser read, 3 elaborate
        QTest::addColumn<int>("cause");    // 0 port closed, 1 no service centre, 2 no bitmap,
                                           // 3 a recipient no number, 4 a service centre no number
        QTest::addColumn<QString>("box");
        for (int a : {0, 1, 2})
            QTest::addRow("closed-%d", a) << a << 0 << "closed";
        QTest::newRow("no-service-centre") << 0 << 1 << "Insert service centre !!!";
        for (int a : {3, 0, 1})
            QTest::addRow("no-bitmap-%d", a) << a << 2 << "Select file !!!";
        for (int a : {0, 1, 3})
            QTest::addRow("recipient-with-letters-%d", a) << a << 3 << "Recipient number: \"x\" is not allowed.";
        QTest::newRow("centre-with-letters") << 0 << 4 << "Service centre number: \"A\" is not allowed.";
    }
    void refused()
    {
        QFETCH(int, action);
        QFETCH(int, cause);
        QFETCH(QString, box);
        m_port->setPortOpen(cause != 0);
        if (cause == 1)
            m_form->Text2->clear();
        if (cause == 3)
            m_form->Text4->setText(u"+39 347 123x"_s);
        if (cause == 4)
            m_form->Text2->setText(u"39A"_s);
        m_state->LogoMode = cause == 2;
        m_form->setText5Text(u"x"_s);
        void (Form1::*clicks[])() = {&Form1::Command6_Click, &Form1::Command7_Click,
                                     &Form1::Mn_CSC_Click, &Form1::Command5_Click};
        ((*m_form).*clicks[action])();
        QCOMPARE(m_boxes->shown.size(), 1);
        QVERIFY(m_boxes->shown.at(0).text.contains(box));
        const QString titles[] = {QString(), u"Impossible to sent message."_s, u"Warninng."_s,
                                  u"Impossible to sent message."_s, u"Impossible to sent message."_s};
        if (cause > 0)
            QCOMPARE(m_boxes->shown.at(0).title, titles[cause]);
        QCOMPARE(m_boxes->shown.at(0).icon, cause == 2 ? Seams::MsgIcon::Information : Seams::MsgIcon::Critical);
        QCOMPARE(m_port->refusedWrites, 0);
        nothingSent();
        QVERIFY(m_pointers.isEmpty() && m_form->Text3->toPlainText().isEmpty());
    }

    void elaborateMenuSkipsBitmapCheck()
    {
        m_state->LogoMode = true;
        m_form->Mn_Elabora_Click();
        QVERIFY(m_boxes->shown.isEmpty() && !m_state->Pdu1.isEmpty());
        QCOMPARE(m_form->Text3->toPlainText(), m_state->Pdu1);
    }

    void serviceCentre_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("text2");
        QTest::newRow("standard") << u"+CSCA: \"+447785016005\",145"_s << u"447785016005"_s;
        QTest::newRow("no-quotes-keeps-box") << u"+CSCA: ,145"_s << u"393359609600"_s;
        QTest::newRow("empty-keeps-box") << u"+CSCA: \"\",129"_s << u"393359609600"_s;
    }
    void serviceCentre()
    {
        QFETCH(QString, reply);
        QFETCH(QString, text2);
        m_port->cscaReply = reply;
        m_form->Command3_Click();
        QCOMPARE(m_port->writes, QStringList{u"AT+CSCA?\r"_s});
        QTRY_VERIFY(!m_state->WaitServiceCentre);
        QCOMPARE(m_form->Text2->text(), text2);
        QVERIFY(m_boxes->shown.isEmpty());
    }

    void counters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("labels");   // used, left, messages, the note's first word
        QTest::newRow("empty") << QString() << "0 760 0 ";
        QTest::newRow("161") << letters(161) << "161 599 2 ";
        QTest::newRow("760") << letters(760) << "760 0 5 ";
        QTest::newRow("line-break-counts-2") << u"abcde\r\nfghij"_s << "12 748 1 ";
        QTest::newRow("euro") << u"5 €"_s << "3 757 1 1";
        // An emoji is one character and one "@"; the box holds 760 characters, not units.
        const QString smile = u"\U0001F600"_s;
        QTest::newRow("emoji") << u"a"_s + smile << "2 758 1 1";
        QTest::newRow("160-with-emoji") << letters(150) + smile.repeated(10) << "160 600 1 10";
        QTest::newRow("760-with-emoji") << letters(700) + smile.repeated(60) << "760 0 5 60";
        QTest::newRow("over-760-keeps-pairs") << letters(700) + smile.repeated(61) << "760 0 5 60";
    }
    void counters()
    {
        QFETCH(QString, text);
        QFETCH(QString, labels);
        m_form->setText5Text(u"seed"_s);
        m_form->setText5Text(text);
        QCOMPARE(QStringList({m_form->Label5->text(), m_form->Label12->text(), m_form->Label14->text(),
                              m_form->NonGsmLabel->text().section(u' ', 0, 0)}).join(u' '), labels);
    }

    void deleteAndFocus()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->setText5Text(letters(300));
        m_form->Command1_Click();
        QCOMPARE(m_form->Text5Text(), QString());
        QCOMPARE(m_form->Label5->text() + m_form->Label12->text() + m_form->Label14->text(), u"07600"_s);
        QTRY_VERIFY(m_form->Text5->hasFocus());
        m_form->setText5Text(u"abc"_s);
        m_form->Mn_Cancella_Click();
        QCOMPARE(m_form->Label5->text(), u"0"_s);
        // Focus selects all of the text, unless the caret was asked to go to the end (once).
        m_form->setText5Text(u"ab\r\ncd"_s);
        m_form->Text5_GotFocus();
        QCOMPARE(m_form->Text5->textCursor().selectedText().size(), 5);
        m_state->CaretToEnd = true;
        m_form->Text5_GotFocus();
        QVERIFY(!m_form->Text5->textCursor().hasSelection() && m_form->Text5->textCursor().atEnd());
        QVERIFY(!m_state->CaretToEnd);
        m_form->Text5_GotFocus();
        QVERIFY(m_form->Text5->textCursor().hasSelection());
    }

    void sentCountBox()
    {
        const struct { QString text; int count; } rows[] = {
            {u"12abc"_s, 12}, {QString(), 0}, {u"  42"_s, 42}, {u"99999"_s, 32767}};   // 16 bits at most
        for (const auto &r : rows) {
            m_form->Text6->setText(u"5"_s);
            m_form->Text6->setText(r.text);
            QCOMPARE(int(m_state->SentCount), r.count);
            m_form->Text6_GotFocus();
            QCOMPARE(m_form->Text6->selectedText(), r.text);
        }
    }

    void annulAndDeleteLog()
    {
        QVERIFY(TextFile::WriteAtomic(file(u"Sent.txt"_s), u" 9 \r\n"_s));
        QVERIFY(TextFile::WriteAtomic(file(u"LogSMS.txt"_s), u"x\r\n"_s));
        m_state->SentCount = 9;
        m_form->Mn_Azzera_Click();     // the default answer: No
        m_form->Mn_DeleteLog_Click();
        QVERIFY(m_state->SentCount == 9 && QFile::exists(file(u"Sent.txt"_s))
                && QFile::exists(file(u"LogSMS.txt"_s)));
        const auto ask = m_boxes->shown;
        QCOMPARE(m_boxes->texts(), QStringList({u"Are you sure to annul sents sms ?"_s,
                                                u"Are you sure to delete SMS Sent log file ?"_s}));
        QCOMPARE(ask.at(0).title + u'|' + ask.at(1).title,
                 u"Confirm annul.|Confirm deleting SMS Sent log file."_s);
        QVERIFY(ask.at(0).buttons == Seams::MsgButtons::YesNo && ask.at(0).icon == Seams::MsgIcon::Question);
        QVERIFY(ask.at(0).defaultButton == MsgResult::No && ask.at(1).defaultButton == MsgResult::No);
        m_boxes->answers = {MsgResult::Yes, MsgResult::Yes, MsgResult::Yes};
        m_form->Mn_Azzera_Click();
        m_form->Mn_DeleteLog_Click();
        QVERIFY(m_state->SentCount == 0 && !QFile::exists(file(u"Sent.txt"_s))
                && !QFile::exists(file(u"LogSMS.txt"_s)));
        m_form->Mn_Azzera_Click();     // nothing left to delete: still quiet
        QCOMPARE(m_boxes->shown.size(), 5);
        m_form->Mn_Log_Click();
        QCOMPARE(m_opened, QStringList{file(u"LogSMS.txt"_s)});
    }
};

QTEST_MAIN(TstForm1Compose)
#include "tst_form1_compose.moc"
