// SPDX-License-Identifier: GPL-3.0-or-later
// The compose area of the main window driven through the real reply dispatcher, with a
// fake phone that takes messages: send, store, confirmation, log, counters, options. The
// chains at every step against the simulated phone: tst_e2e_faults.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/textfile.h"
#include "browser/form5.h"
#include "encoding/codice7.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Seams::MsgResult;
using P = Seams::Pointer;

namespace {

const QChar kCtrlZ(26);

// Answers AT+CMGS and AT+CMGW with the prompt, a PDU with its reference and OK, and
// AT+CSCA? with a service centre, a moment later and in two pieces; or drops the line after
// its Nth write.
class SmsPhone : public FakePhonePort
{
public:
    int dropAtWrite = 0;   ///< 0: never
    QString cscaReply;

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
        else if (text == "AT+CSCA?\r"_L1)
            send(text + u"\r\n+CSCA: %1\r\n\r\nOK\r\n"_s.arg(cscaReply));
        return true;
    }
    void send(const QString &text)
    {
        const QString a = text.left(text.size() / 2), b = text.mid(text.size() / 2);
        QTimer::singleShot(2, this, [this, a] { if (PortOpen()) deliver(a); });
        QTimer::singleShot(4, this, [this, b] { if (PortOpen()) deliver(b); });
    }
};

/// The window on the fake phone in a program folder of its own, ready to send.
struct Rig
{
    QTemporaryDir dir;
    MsgBoxRecorder boxes;
    AppState state;
    SmsPhone port;
    Form1 form{state, port};
    QList<P> pointers;
    QStringList opened;

    Rig()
    {
        Seams::setProgramFolder(dir.path());
        Seams::setPointerHandler([this](P p) { pointers << p; });
        Seams::setOpenExternalHandler([this](const QString &f) { return opened << f, true; });
        port.setPortOpen(true);
        form.Timer1->stop();   // the status tick is not under test here
        form.Text2->setText(u"393359609600"_s);
        form.Text4->setText(u"+393471234567"_s);
        form.Text6->setText(u"7"_s);
    }
    ~Rig()
    {
        Seams::setPointerHandler({});
        Seams::setOpenExternalHandler({});
        Seams::setProgramFolder(QString());
    }
    QString file(const QString &name) const { return dir.filePath(name); }
    bool idle() const
    {
        return !state.SendActive && !state.StoreActive && !state.WaitSentOk
               && !state.WaitServiceCentre && !state.WaitReadReply;
    }
};

} // namespace

class TstForm1Compose : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Codice7::InitGsmTable(); }

    // The question before a send (Cancel sends nothing), no question when it is turned off,
    // and a log that cannot be written: reported, and the message goes out all the same. The
    // flash option goes off after a send, the status report stays.
    void send_data()
    {
        QTest::addColumn<int>("how");   // 0 confirmed, 1 cancelled, 2 unconfirmed, 3 no log
        QTest::addColumn<QStringList>("boxes");   // how each box begins
        const QString ask = u"Are you sure to send this SMS:\r\r     \"hello\"\r\r"
                            "To: +393471234567?\r\r- Flash SMS\r- Status report"_s;
        const QString sent = u"Messagge sent"_s;
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
        Rig r;
        if (how == 2) {
            r.form.Mn_Conferma_Click();
            QVERIFY(!r.state.ConfirmSend && !r.form.Mn_Conferma->isChecked());
        }
        if (how == 3)
            QVERIFY(QDir().mkpath(r.file(u"LogSMS.txt"_s)));   // a folder in the log's place
        r.form.Mn_Flash_Click();
        r.form.Mn_Ricevuta_Click();
        r.boxes.answers << (how == 1 ? MsgResult::Cancel : MsgResult::OK);
        r.form.setText5Text(u"hello"_s);
        r.form.Mn_Invia_Click();
        QTRY_VERIFY(r.idle());
        QTest::qWait(20);
        const auto &shown = r.boxes.shown;
        QCOMPARE(shown.size(), boxes.size());
        for (int i = 0; i < boxes.size(); ++i)
            QVERIFY2(shown.at(i).text.startsWith(boxes.at(i)), qPrintable(shown.at(i).text));
        if (how != 2)
            QVERIFY(shown.at(0).title == u"Conferma di invio"_s
                    && shown.at(0).icon == Seams::MsgIcon::Question
                    && shown.at(0).buttons == Seams::MsgButtons::OKCancel
                    && shown.at(0).defaultButton == MsgResult::Cancel);
        if (how == 3)   // with the system's reason
            QVERIFY(shown.at(1).title == u"Error."_s && shown.at(1).icon == Seams::MsgIcon::Critical
                    && shown.at(1).text.size() > boxes.at(1).size());
        const bool sent = how != 1;
        QCOMPARE(r.port.writes.size(), sent ? 2 : 0);
        QCOMPARE(r.state.SentCount, sent ? 8 : 7);
        QCOMPARE(QFileInfo(r.file(u"LogSMS.txt"_s)).isFile(), how == 0 || how == 2);
        QCOMPARE(r.state.FlashSms, !sent);   // a one-off, cleared by a send only
        QCOMPARE(r.form.Mn_Flash->isChecked(), !sent);
        QVERIFY(r.state.StatusReport && r.form.Mn_Ricevuta->isChecked());
        QCOMPARE(r.pointers, sent ? QList<P>({P::Hourglass, P::Default}) : QList<P>());
    }

    // A dropped line used to leave the browser's read waiting for ever: it ends at once and
    // says so, and the next send on a line that is back goes through.
    void lineDropEndsTheBrowserRead()
    {
        Rig r;
        r.port.dropAtWrite = 1;
        r.form.BrowserWindow()->Command1_Click();
        QTRY_COMPARE(r.boxes.texts(), QStringList{u"The line to the phone was lost while reading "
                                                  "position 1 of 20: the list is not complete."_s});
        QCOMPARE(r.boxes.shown.at(0).title, u"Error."_s);
        QCOMPARE(r.boxes.shown.at(0).icon, Seams::MsgIcon::Critical);
        QVERIFY(r.port.writes.size() == 1 && !r.port.PortOpen() && r.idle());
        QCOMPARE(Seams::CurrentPointer(), P::Default);
        QTest::qWait(20);
        r.port.dropAtWrite = 0;
        r.port.setPortOpen(true);
        r.state.ConfirmSend = false;
        r.form.Command6_Click();
        QTRY_COMPARE(r.boxes.texts().last(), u"Messagge sent"_s);
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
        Rig r;
        r.port.setPortOpen(cause != 0);
        if (cause == 1 || cause == 4)
            r.form.Text2->setText(cause == 1 ? QString() : u"39A"_s);
        if (cause == 3)
            r.form.Text4->setText(u"+39 347 123x"_s);
        r.state.LogoMode = cause == 2;
        r.form.setText5Text(u"x"_s);
        void (Form1::*clicks[])() = {&Form1::Command6_Click, &Form1::Command7_Click,
                                     &Form1::Mn_CSC_Click, &Form1::Command5_Click};
        (r.form.*clicks[action])();
        QCOMPARE(r.boxes.shown.size(), 1);
        QVERIFY(r.boxes.shown.at(0).text.contains(box));
        const QString titles[] = {u"Error."_s, u"Impossible to sent message."_s, u"Warninng."_s};
        QCOMPARE(r.boxes.shown.at(0).title, titles[cause == 0 ? 0 : cause == 2 ? 2 : 1]);
        QCOMPARE(r.boxes.shown.at(0).icon,
                 cause == 2 ? Seams::MsgIcon::Information : Seams::MsgIcon::Critical);
        QVERIFY(r.port.writes.isEmpty() && r.port.refusedWrites == 0 && r.idle());
        QVERIFY(!QFile::exists(r.file(u"LogSMS.txt"_s)));
        QVERIFY(r.pointers.isEmpty() && r.form.Text3->toPlainText().isEmpty());
        // The Build menu entry skips the bitmap check that the Build button makes.
        if (cause == 2 && action == 3) {
            r.form.Mn_Elabora_Click();
            QVERIFY(r.boxes.shown.size() == 1 && !r.state.Pdu1.isEmpty());
            QCOMPARE(r.form.Text3->toPlainText(), r.state.Pdu1);
        }
    }

    // The service centre the phone reports lands in its box; a reply without one keeps it.
    void serviceCentre_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("box");
        QTest::newRow("standard") << u"\"+447785016005\",145"_s << u"447785016005"_s;
        QTest::newRow("no-quotes-keeps-box") << u",145"_s << u"393359609600"_s;
        QTest::newRow("empty-keeps-box") << u"\"\",129"_s << u"393359609600"_s;
    }
    void serviceCentre()
    {
        QFETCH(QString, reply);
        QFETCH(QString, box);
        Rig r;
        r.port.cscaReply = reply;
        r.form.Command3_Click();
        QCOMPARE(r.port.writes, QStringList{u"AT+CSCA?\r"_s});
        QTRY_VERIFY(r.idle());
        QTest::qWait(20);
        QCOMPARE(r.form.Text2->text(), box);
        QVERIFY(r.boxes.shown.isEmpty());
    }

    void counters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("labels");   // used, left, messages, the note's first words
        const QString smile = u"\U0001F600"_s;
        const auto a = [](int n) { return QString(n, u'a'); };
        const struct { const char *name; QString text; const char *labels; } rows[] = {
            {"empty", QString(), "0 760 0"}, {"160", a(160), "160 600 1"},
            {"161", a(161), "161 599 2"}, {"305", a(305), "305 455 3"}, {"760", a(760), "760 0 5"},
            {"line-break-counts-2", u"ab\r\nfg"_s, "6 754 1"},
            {"euro", u"5 €"_s, "3 757 1 1 character"},
            {"not-in-the-table", u"Ç{}"_s, "3 757 1 3 characters"},
            // An emoji is one character and one "@"; the box holds 760 characters, not units.
            {"emoji", u"a"_s + smile, "2 758 1 1 character"},
            {"160-with-emoji", a(150) + smile.repeated(10), "160 600 1 10 characters"},
            {"760-with-emoji", a(700) + smile.repeated(60), "760 0 5 60 characters"},
            {"over-760-keeps-pairs", a(700) + smile.repeated(61), "760 0 5 60 characters"}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.text << QString::fromLatin1(r.labels);
    }
    void counters()
    {
        QFETCH(QString, text);
        QFETCH(QString, labels);
        Rig r;
        r.form.setText5Text(u"seed"_s);
        r.form.setText5Text(text);
        QCOMPARE(QStringList({r.form.Label5->text(), r.form.Label12->text(),
                              r.form.Label14->text(), r.form.NonGsmLabel->text()})
                     .join(u' ').section(u' ', 0, 4).trimmed(), labels);
    }

    void deleteFocusAndSentCount()
    {
        Rig r;
        r.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r.form));
        r.form.setText5Text(QString(300, u'a'));
        r.form.Command1_Click();
        QCOMPARE(r.form.Text5Text() + r.form.Label5->text() + r.form.Label12->text()
                     + r.form.Label14->text(), u"07600"_s);
        QTRY_VERIFY(r.form.Text5->hasFocus());
        r.form.setText5Text(u"abc"_s);
        r.form.Mn_Cancella_Click();
        QCOMPARE(r.form.Label5->text(), u"0"_s);
        // Focus selects all of the text, unless the caret was asked to go to the end (once).
        r.form.setText5Text(u"ab\r\ncd"_s);
        r.form.Text5_GotFocus();
        QCOMPARE(r.form.Text5->textCursor().selectedText().size(), 5);
        r.state.CaretToEnd = true;
        r.form.Text5_GotFocus();
        QVERIFY(!r.form.Text5->textCursor().hasSelection() && r.form.Text5->textCursor().atEnd());
        QVERIFY(!r.state.CaretToEnd);
        r.form.Text5_GotFocus();
        QVERIFY(r.form.Text5->textCursor().hasSelection());
        // The sent-count box: the number it begins with, in 16 bits; focus selects it all.
        const struct { QString text; int count; } rows[] = {
            {u"12abc"_s, 12}, {QString(), 0}, {u"  42"_s, 42}, {u"99999"_s, 32767}};
        for (const auto &row : rows) {
            r.form.Text6->setText(u"5"_s);
            r.form.Text6->setText(row.text);
            QCOMPARE(int(r.state.SentCount), row.count);
            r.form.Text6_GotFocus();
            QCOMPARE(r.form.Text6->selectedText(), row.text);
        }
    }

    void annulAndDeleteLog()
    {
        Rig r;
        QVERIFY(TextFile::WriteAtomic(r.file(u"Sent.txt"_s), u" 9 \r\n"_s));
        QVERIFY(TextFile::WriteAtomic(r.file(u"LogSMS.txt"_s), u"x\r\n"_s));
        r.state.SentCount = 9;
        const auto files = [&] {
            return QFile::exists(r.file(u"Sent.txt"_s)) + QFile::exists(r.file(u"LogSMS.txt"_s));
        };
        r.form.Mn_Azzera_Click();   // the default answer: No
        r.form.Mn_DeleteLog_Click();
        QVERIFY(r.state.SentCount == 9 && files() == 2);
        QCOMPARE(r.boxes.texts(), QStringList({u"Are you sure to annul sents sms ?"_s,
                                               u"Are you sure to delete SMS Sent log file ?"_s}));
        QCOMPARE(r.boxes.shown.at(0).title + u'|' + r.boxes.shown.at(1).title,
                 u"Confirm annul.|Confirm deleting SMS Sent log file."_s);
        for (const Seams::MsgBoxCall &b : r.boxes.shown)
            QVERIFY(b.buttons == Seams::MsgButtons::YesNo && b.icon == Seams::MsgIcon::Question
                    && b.defaultButton == MsgResult::No);
        r.boxes.answers = {MsgResult::Yes, MsgResult::Yes, MsgResult::Yes};
        r.form.Mn_Azzera_Click();
        r.form.Mn_DeleteLog_Click();
        QVERIFY(r.state.SentCount == 0 && files() == 0);
        r.form.Mn_Azzera_Click();   // nothing left to delete: still quiet
        QCOMPARE(r.boxes.shown.size(), 5);
        r.form.Mn_Log_Click();
        QCOMPARE(r.opened, QStringList{r.file(u"LogSMS.txt"_s)});
    }
};

QTEST_MAIN(TstForm1Compose)
#include "tst_form1_compose.moc"
