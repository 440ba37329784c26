// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against a scripted phone: start-up, settings, shutdown, status, search.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/form6.h"
#include "app/replydispatcher.h"
#include "app/textfile.h"
#include "msgboxrecorder.h"
#include "scriptedphone.h"

#include <QtWidgets>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {
QString S(const char *s) { return QString::fromUtf8(s); }
const QString kError = S("Error.|%1|%2").arg(int(Seams::MsgIcon::Critical)).arg(int(Seams::MsgButtons::OK));
const QStringList kInfoLabels =
    S("Label16|Label17|Label18|Label21|Label23|Label26|Label22|Label29").split(u'|');
} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

    struct Rig
    {
        QTemporaryDir dir;   // the program folder
        MsgBoxRecorder boxes;
        AppState state;
        ScriptedPhone port;
        Form1 form{state, port};
        Rig() { Seams::setProgramFolder(dir.path()), form.Timer1->stop(); }
        QString file(const char *name) const { return dir.filePath(QLatin1String(name)); }
        /// Every box shown as "text|title|icon|buttons", one per line.
        QString shown() const
        {
            QStringList out;
            for (const auto &c : boxes.shown)
                out << S("%1|%2|%3|%4").arg(c.text, c.title).arg(int(c.icon)).arg(int(c.buttons));
            return out.join(u'\n');
        }
        QString info() const
        {
            QStringList out;
            for (const QString &l : kInfoLabels)
                out << form.findChild<QLabel *>(l)->text();
            return out.join(u'|');
        }
    };

private slots:
    void statusPanels()
    {
        Rig r;
        QVERIFY(r.port.setCommPort(4) && r.port.setSettings(S("19200,e,7,2")));
        r.state.SentCount = 321;
        const char *flows[] = {"None", "Xon/Xoff", "RTS", "RTS Xon/Xoff"};
        for (int h = 0; h < 4; ++h) {
            QVERIFY(r.port.setHandshaking(h));
            r.form.Timer1_Timer();
            QStringList panels;
            for (QLabel *p : r.form.StatusBar1Panel)
                panels << p->text();
            QCOMPARE(panels.join(u'|'), S("Comm: 4|Settings: 19200,e,7,2|Flusso: %1|Status: Disconnected|"
                                          "By Quillane").arg(S(flows[h])));
        }
        QCOMPARE(r.form.Text6->text(), S("321"));
    }

    void startUpReadsTheFiles_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected");   // port|centre|confirm,report,autosave|sim,phone,sms
        QTest::newRow("full") << S(" 4 \r\n19200,e,7,2\r\n 2 \r\n393359609600\r\nFalse\r\nTrue\r\n\r\n"
                                   " 180 \r\n 0 \r\n 33 \r\nFalse\r\n")   // a 0 keeps the default
                              << S("4 19200,e,7,2 2|393359609600|010|180,50,33");
        // Values the port refuses are skipped; the lines after them are still read.
        QTest::newRow("refused-seven-lines") << S(" 999 \r\n9600,x,8,1\r\n 7 \r\n123\r\nTrue\r\nFalse\r\n\r\n")
                                             << S("1 9600,n,8,1 0|123|101|200,50,20");
    }
    void startUpReadsTheFiles()
    {
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        Rig r;
        QVERIFY(TextFile::WriteAtomic(r.file("Setting.sms"), setting) && TextFile::WriteAtomic(r.file("Sent.txt"), S(" 17 \r\n"))
                    && TextFile::WriteAtomic(r.file("Rubrica.txt"), S("Anna (+3912345)\r\nBob (0612345)\r\n")));
        r.form.Form_Load();
        QCOMPARE(S("%1 %2 %3|%4|%5%6%7|%8,%9,%10").arg(r.port.CommPort()).arg(r.port.Settings())
                     .arg(r.port.Handshaking()).arg(r.form.Text2->text())
                     .arg(int(r.form.Mn_Conferma->isChecked())).arg(int(r.form.Mn_Ricevuta->isChecked()))
                     .arg(int(r.form.Mn_AutoSave->isChecked())).arg(r.state.SimPhonebookSize)
                     .arg(r.state.PhonePhonebookSize).arg(r.state.SmsCapacity),
                 expected);
        QCOMPARE(S("%1%2 %3 %4").arg(int(r.state.ConfirmSend)).arg(int(r.state.StatusReport))
                     .arg(r.state.SentCount).arg(r.form.Combo2->count()), expected.section(u'|', 2, 2).left(2) + S(" 17 2"));
        QVERIFY(r.form.PendingAutoConnect() && r.boxes.shown.isEmpty());
        QVERIFY(!r.port.PortOpen());   // the search opens it, not the loading
    }

    // Saving writes the whole file; a failed write keeps the old file and says so.
    void saveSettings()
    {
        Rig r;
        QVERIFY(r.port.setCommPort(2) && r.port.setSettings(S("4800,o,8,1.5")) && r.port.setHandshaking(1));
        r.form.Text2->setText(S("3912"));
        r.state.SimPhonebookSize = 250;
        r.form.Mn_AutoSave->setChecked(false);
        r.form.Mn_Salva_Imp_Click();
        const QString written = S(" 2 \r\n4800,o,8,1.5\r\n 1 \r\n3912\r\nTrue\r\nFalse\r\n\r\n 250 \r\n 50 \r\n 20 \r\nFalse\r\n");
        QCOMPARE(TextFile::Read(r.file("Setting.sms")).value_or(S("<none>")), written);
        Seams::setProgramFolder(r.file("no/such/folder"));
        r.form.Mn_Salva_Imp_Click();
        Seams::setProgramFolder(r.dir.path());
        QVERIFY(r.shown().startsWith(S("Unable to save the settings in Setting.sms:\n")));
        QVERIFY(r.shown().endsWith(u'|' + kError) && r.boxes.shown.size() == 1);

        // No room for the new file (the size limit holds for root too).
        r.form.Text2->setText(S("4455"));
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit tiny{10, old.rlim_max};
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &tiny);
        r.form.Mn_Salva_Imp_Click();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(TextFile::Read(r.file("Setting.sms")).value_or(S("<none>")), written);
        QCOMPARE(r.boxes.shown.size(), 2);
    }

    // The Exit button asks Yes/No when Autosave is on; closing the window asks Yes/No/Cancel.
    void shutdownQuestion_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");    // -1: no question expected
        QTest::newRow("button-yes") << S("button") << int(Seams::MsgResult::Yes);
        QTest::newRow("button-no") << S("button") << int(Seams::MsgResult::No);
        QTest::newRow("button-no-autosave") << S("button-no-autosave") << -1;
        QTest::newRow("close-yes") << S("close") << int(Seams::MsgResult::Yes);
        QTest::newRow("close-no") << S("close") << int(Seams::MsgResult::No);
        QTest::newRow("close-cancel") << S("close") << int(Seams::MsgResult::Cancel);
    }
    void shutdownQuestion()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        const bool closeWindow = how == S("close"), ends = answer != int(Seams::MsgResult::Cancel);
        Rig r;
        if (answer >= 0)
            r.boxes.answers << Seams::MsgResult(answer);
        r.port.setPortOpen(true);
        // The mark is the handler's business: it must toggle once. The window asks all the same.
        if (how != S("button"))
            r.form.Mn_AutoSave->trigger();
        if (closeWindow) {
            r.form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&r.form));
            QCOMPARE(r.form.close(), ends);
            QCOMPARE(r.form.isVisible(), !ends);
        } else {
            r.form.Command8->click();
        }
        const auto buttons = closeWindow ? Seams::MsgButtons::YesNoCancel : Seams::MsgButtons::YesNo;
        QCOMPARE(r.shown(), answer < 0 ? QString() : S("Do you want save settings ?|Automatic save.|%1|%2")
                                                         .arg(int(Seams::MsgIcon::Information)).arg(int(buttons)));
        QCOMPARE(QFile::exists(r.file("Setting.sms")), answer == int(Seams::MsgResult::Yes));
        QCOMPARE(r.port.PortOpen(), !ends);
    }

    // A phone that answers only after a while: "AT" every 250 ms, the port reopened each time.
    void searchFindsThePhone()
    {
        Rig r;
        r.port.answerAfterMs = 1500;
        QList<int> progress;
        connect(r.form.ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { progress << v; });
        r.form.Mn_Apri_Click();
        QVERIFY(r.boxes.shown.isEmpty() && r.port.PortOpen());
        QCOMPARE(r.info(), S("ACME X1 |21|351234567890123|222011234567890|Yes|Yes, From position 1 To 100|"
                             "From position 1 To 250|From position 1 To 500"));
        QCOMPARE(S("%1-%2 %3 %4").arg(r.state.AddressBookFirst).arg(r.state.AddressBookLast)
                     .arg(r.state.SimPhonebookSize).arg(r.state.PhonePhonebookSize), S("1-100 250 500"));
        QCOMPARE(progress << r.form.ProgressBar1->maximum(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 10}));
        const int ats = r.port.commands.count(S("AT"));
        QVERIFY2(ats >= 3 && r.port.openCount == ats, qPrintable(QString::number(ats)));
        QCOMPARE(r.port.commands.join(u'|'), QStringList(ats, S("AT")).join(u'|') + S("|AT+CGMI|AT+CGMM|AT+CGMR|AT+GSN|AT+CIMI|AT+CPMS=MT|"
                                               "AT^SDBR=?|AT+CPBS=SM|AT+CPBR=?|AT+CPBS=ME|AT+CPBR=?"));
        QVERIFY(!r.form.SearchWindow()->isVisible());
        r.form.Timer1_Timer();
        QCOMPARE(r.form.StatusBar1Panel[3]->text(), S("Status: Connected"));
        QVERIFY(r.form.Command6->isEnabled() && r.form.Mn_Rubrica->isEnabled() && !r.form.Mn_Apri->isEnabled());
    }

    void errorToModelEndsTheSearch()
    {
        Rig r;
        r.port.replies[S("AT+CGMM")] = S("ERROR\r\n");
        r.form.Mn_Apri_Click();
        QCOMPARE(r.boxes.texts(), QStringList{S("Command didn't accept by mobile")});
        QVERIFY(r.port.PortOpen() && r.info() == S("ACME |???|???|???|???|???|???|???"));
        QVERIFY(!r.port.commands.contains(S("AT+CGMR")));
        r.form.Dispatcher().setBuffer(S("junk"));   // the Test entry asks again, on a clean buffer
        r.form.Mn_Test->trigger();
        QVERIFY(r.port.commands.last() == S("AT+CGMM") && r.form.ReceiveBuffer().isEmpty());
    }

    // Time-out, Cancel, and a port that cannot be opened: one box each, the search ends.
    void searchEndsWithABox_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("text");
        QTest::newRow("time-out") << S("silent") << S("Didn't find any mobile");
        QTest::newRow("cancel") << S("cancel") << S("Interrupted by user!");
        QTest::newRow("cannot-open") << S("failOpen") << S("Unable to open the communication port");
        // A line that drops ends the search at once, not after the time-out.
        QTest::newRow("line-dropped") << S("drop") << S("Didn't find any mobile");
    }
    void searchEndsWithABox()
    {
        QFETCH(QString, how);
        QFETCH(QString, text);
        Rig r;
        Form6 *f = r.form.SearchWindow();
        QCOMPARE(f->Timer1->interval() + f->Timer2->interval(), 250 + 20000);
        r.port.silent = how == S("silent");
        r.port.failOpen = how == S("failOpen");
        r.port.replies[S("AT+GSN")] = QString();   // the phone stops at the IMEI
        QTimer watch;   // Twenty seconds are not waited for: the time-out's handler is run early.
        connect(&watch, &QTimer::timeout, f, [&] {
            if (r.port.silent)
                f->Timer2_Timer();
            else if (how == S("cancel") && r.port.commands.contains(S("AT+GSN")))
                f->Command1->click();
            else if (how == S("drop") && r.port.commands.contains(S("AT+GSN")))
                r.port.dropLine();
        });
        watch.start(300);
        QElapsedTimer t;
        t.start();
        r.form.Mn_Apri_Click();
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(r.shown(), text + u'|' + kError);
        QVERIFY(!r.port.PortOpen() && !f->isVisible() && r.form.ProgressBar1->value() == 0);
        QVERIFY(r.port.refusedWrites == 0 && (!r.port.failOpen || r.port.writes.isEmpty()));
        if (how == S("drop"))
            QVERIFY(!r.state.WaitImei && !r.state.WaitAtReply);   // nothing left waiting
        r.form.Timer1_Timer();
        QCOMPARE(r.form.Label16->text(), S("???"));
    }

    // The first tick runs the search inside itself; ticks meanwhile are dropped.
    void firstTickSearchesOnce()
    {
        Rig r;
        r.form.Form_Load();
        r.port.answerAfterMs = 2500;   // long enough for two more ticks during the search
        QSignalSpy finished(r.form.SearchWindow(), &QDialog::finished);
        r.form.Timer1->start();
        QTRY_VERIFY_WITH_TIMEOUT(!r.form.PendingAutoConnect(), 15000);
        QVERIFY(finished.count() == 1 && r.boxes.shown.isEmpty());
        QCOMPARE(r.form.StatusBar1Panel[3]->text(), S("Status: Connected"));
        QTest::qWait(1200);
        QCOMPARE(finished.count(), 1);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
