// SPDX-License-Identifier: GPL-3.0-or-later
// The compose area of the main window driven through the real reply dispatcher, with a
// fake phone that takes messages: send, store, confirmation, log, counters, options.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/textfile.h"
#include "browser/form5.h"
#include "encoding/codice7.h"
#include "fakephoneport.h"
#include "messagetext.h"
#include "msgboxrecorder.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Seams::MsgResult;

namespace {

// Answers AT+CMGS and AT+CMGW with the prompt and a PDU with its reference and OK, a moment
// later and in two pieces. Longer chains run against the simulated phone (tst_e2e_messages).
class SmsPhone : public FakePhonePort
{
public:
    int dropAtWrite = 0;   ///< the line drops after this many writes, unanswered (0: never)

    bool Output(const QString &text) override
    {
        if (!FakePhonePort::Output(text))
            return false;
        if (writes.size() == dropAtWrite)
            QTimer::singleShot(2, this, [this] { dropLine(); });
        else if (text.endsWith(kCtrlZ))
            send(text + u"\r\n+CMGS: %1\r\n\r\nOK\r\n"_s.arg(writes.size()));
        else if (text.startsWith("AT+CMGS="_L1) || text.startsWith("AT+CMGW="_L1))
            send(text + u"\r\n> "_s);
        return true;
    }
    void send(const QString &text)
    {
        const QString a = text.left(text.size() / 2), b = text.mid(text.size() / 2);
        QTimer::singleShot(2, this, [this, a] { if (PortOpen()) deliver(a); });
        QTimer::singleShot(4, this, [this, b] { if (PortOpen()) deliver(b); });
    }
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
    bool chainsIdle() const
    {
        return !m_state->SendActive && !m_state->StoreActive && !m_state->WaitSentOk
               && !m_state->WaitServiceCentre && !m_state->WaitReadReply;
    }

private slots:
    void initTestCase()
    {
        Codice7::InitGsmTable();
        Seams::setClock([] { return QDateTime(QDate(2026, 5, 17), QTime(10, 20, 30)); });
        Seams::setPointerHandler([this](Seams::Pointer p) { m_pointers << p; });
        Seams::setOpenExternalHandler([this](const QString &p) { m_opened << p; return true; });
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

    // The question before a send (Cancel sends nothing), no question when it is turned off,
    // and a log that cannot be written: reported, and the message goes out all the same.
    // The bytes on the wire and in the files: tst_e2e_messages, tst_e2e_faults, tst_sendstep.
    void send_data()
    {
        QTest::addColumn<int>("how");   // 0 confirmed, 1 cancelled, 2 unconfirmed, 3 no log
        QTest::addColumn<QStringList>("boxes");   // how each box begins
        const QString ask = u"Are you sure to send this SMS:\r\r     \"hello\"\r\r"
                            "To: +393471234567?\r\r- Flash SMS"_s, sent = u"Messagge sent"_s;
        QTest::newRow("confirmed") << 0 << QStringList{ask, sent};
        QTest::newRow("cancelled") << 1 << QStringList{ask};
        QTest::newRow("unconfirmed") << 2 << QStringList{sent};
        QTest::newRow("log-unwritable")
            << 3 << QStringList{ask, u"Unable to write the sent log LogSMS.txt:\n"_s, sent};
    }
    void send()
    {
        QFETCH(int, how);
        QFETCH(QStringList, boxes);
        if (how == 2) {
            m_form->Mn_Conferma_Click();
            QVERIFY(!m_state->ConfirmSend && !m_form->Mn_Conferma->isChecked());
        }
        if (how == 3)
            QVERIFY(QDir().mkpath(file(u"LogSMS.txt"_s)));   // a folder where the log should be
        m_form->Mn_Flash_Click();
        m_boxes->answers << (how == 1 ? MsgResult::Cancel : MsgResult::OK);
        m_form->setText5Text(u"hello"_s);
        m_form->Mn_Invia_Click();
        QTRY_VERIFY(chainsIdle());
        QTest::qWait(20);
        const auto &shown = m_boxes->shown;
        QCOMPARE(shown.size(), boxes.size());
        for (int i = 0; i < boxes.size(); ++i)
            QVERIFY2(shown.at(i).text.startsWith(boxes.at(i)), qPrintable(shown.at(i).text));
        if (how != 2)
            QVERIFY(shown.at(0).title == u"Conferma di invio"_s
                    && shown.at(0).icon == Seams::MsgIcon::Question
                    && shown.at(0).buttons == Seams::MsgButtons::OKCancel
                    && shown.at(0).defaultButton == MsgResult::Cancel);
        if (how == 3)
            QVERIFY(shown.at(1).title == u"Error."_s && shown.at(1).icon == Seams::MsgIcon::Critical
                    && shown.at(1).text.size() > boxes.at(1).size());   // and the reason
        const bool sent = how != 1;
        QCOMPARE(m_port->writes.size(), sent ? 2 : 0);
        QCOMPARE(m_state->SentCount, sent ? 8 : 7);
        QCOMPARE(QFileInfo(file(u"LogSMS.txt"_s)).isFile(), how == 0 || how == 2);
        QCOMPARE(m_state->FlashSms, !sent);   // a one-off, cleared by a send only
        using P = Seams::Pointer;
        QCOMPARE(m_pointers, sent ? QList<P>({P::Hourglass, P::Default}) : QList<P>());
    }

    // A dropped line used to leave the browser's read waiting for ever: it ends at once and
    // says so, and the next send on a line that is back goes through. The send and store
    // chains at every step: tst_e2e_faults.
    void lineDropEndsTheBrowserRead()
    {
        m_port->dropAtWrite = 1;
        m_form->BrowserWindow()->Command1_Click();
        QTRY_COMPARE(m_boxes->texts(), QStringList{u"The line to the phone was lost while "
                                                   "reading position 1 of 20: the list is not "
                                                   "complete."_s});
        QCOMPARE(m_boxes->shown.at(0).title, u"Error."_s);
        QCOMPARE(m_boxes->shown.at(0).icon, Seams::MsgIcon::Critical);
        QCOMPARE(m_port->writes.size(), 1);
        QVERIFY(!m_port->PortOpen() && chainsIdle());
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
        QTest::qWait(20);
        m_port->dropAtWrite = 0;
        m_port->setPortOpen(true);
        m_state->ConfirmSend = false;
        m_form->setText5Text(u"again"_s);
        m_form->Command6_Click();
        QTRY_COMPARE(m_boxes->texts().last(), u"Messagge sent"_s);
        QCOMPARE(m_state->SentCount, 8);
    }

    // Each refusal shows one box and writes, logs and shows nothing.
    void refused_data()
    {
        QTest::addColumn<int>("action");   // 0 send, 1 store, 2 service centre, 3 elaborate
        QTest::addColumn<int>("cause");    // 0 port closed, 1 no service centre, 2 no bitmap,
                                           // 3 letters in the recipient, 4 in the centre
        QTest::addColumn<QString>("box");
        for (int a : {0, 1, 2})
            QTest::addRow("closed-%d", a) << a << 0 << "The serial port is closed";
        QTest::newRow("no-service-centre") << 0 << 1 << "Insert service centre !!!";
        for (int a : {3, 0, 1})
            QTest::addRow("no-bitmap-%d", a) << a << 2 << "Select file !!!";
        for (int a : {0, 1, 3})
            QTest::addRow("recipient-with-letters-%d", a)
                << a << 3 << "Recipient number: \"x\" is not allowed.";
        QTest::newRow("centre-with-letters")
            << 0 << 4 << "Service centre number: \"A\" is not allowed.";
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
        const QString titles[] = {u"Error."_s, u"Impossible to sent message."_s, u"Warninng."_s};
        QCOMPARE(m_boxes->shown.at(0).title, titles[cause == 0 ? 0 : cause == 2 ? 2 : 1]);
        QCOMPARE(m_boxes->shown.at(0).icon,
                 cause == 2 ? Seams::MsgIcon::Information : Seams::MsgIcon::Critical);
        QVERIFY(m_port->writes.isEmpty() && m_port->refusedWrites == 0 && chainsIdle());
        QVERIFY(!QFile::exists(file(u"LogSMS.txt"_s)));
        QVERIFY(m_pointers.isEmpty() && m_form->Text3->toPlainText().isEmpty());
    }

    void elaborateMenuSkipsBitmapCheck()
    {
        m_state->LogoMode = true;
        m_form->Mn_Elabora_Click();
        QVERIFY(m_boxes->shown.isEmpty() && !m_state->Pdu1.isEmpty());
        QCOMPARE(m_form->Text3->toPlainText(), m_state->Pdu1);
    }

    void counters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("labels");   // used, left, messages, the note's first words
        const QString smile = u"\U0001F600"_s;
        const struct { const char *name; QString text; const char *labels; } rows[] = {
            {"empty", QString(), "0 760 0"},
            {"160", letters(160), "160 600 1"},
            {"161", letters(161), "161 599 2"},
            {"305", letters(305), "305 455 3"},
            {"760", letters(760), "760 0 5"},
            {"line-break-counts-2", u"abcde\r\nfghij"_s, "12 748 1"},
            {"euro", u"5 €"_s, "3 757 1 1 character"},
            {"not-in-the-table", u"Ç{}"_s, "3 757 1 3 characters"},
            // An emoji is one character and one "@"; the box holds 760 characters, not units.
            {"emoji", u"a"_s + smile, "2 758 1 1 character"},
            {"160-with-emoji", letters(150) + smile.repeated(10), "160 600 1 10 characters"},
            {"760-with-emoji", letters(700) + smile.repeated(60), "760 0 5 60 characters"},
            {"over-760-keeps-pairs", letters(700) + smile.repeated(61), "760 0 5 60 characters"}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.text << QString::fromLatin1(r.labels);
    }
    void counters()
    {
        QFETCH(QString, text);
        QFETCH(QString, labels);
        m_form->setText5Text(u"seed"_s);
        m_form->setText5Text(text);
        QCOMPARE(QStringList({m_form->Label5->text(), m_form->Label12->text(),
                              m_form->Label14->text(), m_form->NonGsmLabel->text()})
                     .join(u' ').section(u' ', 0, 4).trimmed(),
                 labels);
    }

    void deleteAndFocus()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->setText5Text(letters(300));
        m_form->Command1_Click();
        QCOMPARE(m_form->Text5Text(), QString());
        QCOMPARE(m_form->Label5->text() + m_form->Label12->text() + m_form->Label14->text(),
                 u"07600"_s);
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
            {u"12abc"_s, 12}, {QString(), 0}, {u"  42"_s, 42}, {u"99999"_s, 32767}};   // 16 bits
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
        const auto files = [this] {
            return QFile::exists(file(u"Sent.txt"_s)) + QFile::exists(file(u"LogSMS.txt"_s));
        };
        m_form->Mn_Azzera_Click();   // the default answer: No
        m_form->Mn_DeleteLog_Click();
        QVERIFY(m_state->SentCount == 9 && files() == 2);
        const auto ask = m_boxes->shown;
        QCOMPARE(m_boxes->texts(), QStringList({u"Are you sure to annul sents sms ?"_s,
                                                u"Are you sure to delete SMS Sent log file ?"_s}));
        QCOMPARE(ask.at(0).title + u'|' + ask.at(1).title,
                 u"Confirm annul.|Confirm deleting SMS Sent log file."_s);
        for (const Seams::MsgBoxCall &b : ask)
            QVERIFY(b.buttons == Seams::MsgButtons::YesNo && b.icon == Seams::MsgIcon::Question
                    && b.defaultButton == MsgResult::No);
        m_boxes->answers = {MsgResult::Yes, MsgResult::Yes, MsgResult::Yes};
        m_form->Mn_Azzera_Click();
        m_form->Mn_DeleteLog_Click();
        QVERIFY(m_state->SentCount == 0 && files() == 0);
        m_form->Mn_Azzera_Click();   // nothing left to delete: still quiet
        QCOMPARE(m_boxes->shown.size(), 5);
        m_form->Mn_Log_Click();
        QCOMPARE(m_opened, QStringList{file(u"LogSMS.txt"_s)});
    }
};

QTEST_MAIN(TstForm1Compose)
#include "tst_form1_compose.moc"
