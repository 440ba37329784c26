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
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using Seams::MsgResult;

namespace {
const QString kError = u"Error.|%1|%2"_s.arg(int(Seams::MsgIcon::Critical))
                           .arg(int(Seams::MsgButtons::OK));
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
        QString file(const QString &name) const { return dir.filePath(name); }
        QString setting() const
        {
            return TextFile::Read(file(u"Setting.sms"_s)).value_or(u"-"_s);
        }
        /// Every box shown as "text|title|icon|buttons", one per line.
        QString shown() const
        {
            QStringList out;
            for (const auto &c : boxes.shown)
                out << u"%1|%2|%3|%4"_s.arg(c.text, c.title).arg(int(c.icon)).arg(int(c.buttons));
            return out.join(u'\n');
        }
    };

private slots:
    void statusPanels()
    {
        Rig r;
        QVERIFY(r.port.setCommPort(4) && r.port.setSettings(u"19200,e,7,2"_s));
        r.state.SentCount = 321;
        const char *flows[] = {"None", "Xon/Xoff", "RTS", "RTS Xon/Xoff"};
        for (int h = 0; h < 4; ++h) {
            QVERIFY(r.port.setHandshaking(h));
            r.form.Timer1_Timer();
            QStringList panels;
            for (QLabel *p : r.form.StatusBar1Panel)
                panels << p->text();
            QCOMPARE(panels.join(u'|'), u"Comm: 4|Settings: 19200,e,7,2|Flusso: %1|Status: "
                                        "Disconnected|By Quillane"_s.arg(QLatin1String(flows[h])));
        }
        QCOMPARE(r.form.Text6->text(), u"321"_s);
    }

    void startUpReadsTheFiles_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected");   // port|centre|confirm,report,autosave|sizes
        QTest::newRow("full")   // a 0 keeps the default
            << u" 4 \r\n19200,e,7,2\r\n 2 \r\n393359609600\r\nFalse\r\nTrue\r\n"
               "\r\n 180 \r\n 0 \r\n 33 \r\nFalse\r\n"_s
            << u"4 19200,e,7,2 2|393359609600|010|180,50,33"_s;
        // Values the port refuses are skipped; the lines after them are still read.
        QTest::newRow("refused-seven-lines")
            << u" 999 \r\n9600,x,8,1\r\n 7 \r\n123\r\nTrue\r\nFalse\r\n\r\n"_s
            << u"1 9600,n,8,1 0|123|101|200,50,20"_s;
    }
    void startUpReadsTheFiles()
    {
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        Rig r;
        QVERIFY(TextFile::WriteAtomic(r.file(u"Setting.sms"_s), setting)
                && TextFile::WriteAtomic(r.file(u"Sent.txt"_s), u" 17 \r\n"_s)
                && TextFile::WriteAtomic(r.file(u"Rubrica.txt"_s), u"Anna (1)\r\nBob (2)\r\n"_s));
        r.form.Form_Load();
        const auto on = [](bool b) { return QString::number(int(b)); };
        QCOMPARE(u"%1 %2 %3|%4|"_s.arg(r.port.CommPort()).arg(r.port.Settings())
                         .arg(r.port.Handshaking()).arg(r.form.Text2->text())
                     + on(r.form.Mn_Conferma->isChecked()) + on(r.form.Mn_Ricevuta->isChecked())
                     + on(r.form.Mn_AutoSave->isChecked()) + u"|%1,%2,%3"_s
                         .arg(r.state.SimPhonebookSize).arg(r.state.PhonePhonebookSize)
                         .arg(r.state.SmsCapacity),
                 expected);
        QCOMPARE(on(r.state.ConfirmSend) + on(r.state.StatusReport)
                     + u" %1 %2"_s.arg(r.state.SentCount).arg(r.form.Combo2->count()),
                 expected.section(u'|', 2, 2).left(2) + u" 17 2"_s);
        QVERIFY(r.form.PendingAutoConnect() && r.boxes.shown.isEmpty());
        QVERIFY(!r.port.PortOpen());   // the search opens it, not the loading
    }

    // Saving writes the whole file; a failed write keeps the old file and says so.
    void saveSettings()
    {
        Rig r;
        QVERIFY(r.port.setCommPort(2) && r.port.setSettings(u"4800,o,8,1.5"_s)
                && r.port.setHandshaking(1));
        r.form.Text2->setText(u"3912"_s);
        r.state.SimPhonebookSize = 250;
        r.form.Mn_AutoSave->setChecked(false);
        r.form.Mn_Salva_Imp_Click();
        const QString written = u" 2 \r\n4800,o,8,1.5\r\n 1 \r\n3912\r\nTrue\r\nFalse\r\n\r\n"
                                " 250 \r\n 50 \r\n 20 \r\nFalse\r\n"_s;
        QCOMPARE(r.setting(), written);
        Seams::setProgramFolder(r.file(u"no/such/folder"_s));
        r.form.Mn_Salva_Imp_Click();
        Seams::setProgramFolder(r.dir.path());
        QVERIFY(r.shown().startsWith(u"Unable to save the settings in Setting.sms:\n"_s));
        QVERIFY(r.shown().endsWith(u'|' + kError) && r.boxes.shown.size() == 1);

        // No room for the new file (the size limit holds for root too).
        r.form.Text2->setText(u"4455"_s);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit tiny{10, old.rlim_max};
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &tiny);
        r.form.Mn_Salva_Imp_Click();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(r.setting(), written);
        QCOMPARE(r.boxes.shown.size(), 2);
    }

    // The Exit button asks Yes/No when Autosave is on; closing the window asks Yes/No/Cancel.
    void shutdownQuestion_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");   // -1: no question expected
        const struct { const char *name, *how; int answer; } rows[] = {
            {"button-yes", "button", int(MsgResult::Yes)},
            {"button-no", "button", int(MsgResult::No)},
            {"button-no-autosave", "button-no-autosave", -1},
            {"close-yes", "close", int(MsgResult::Yes)}, {"close-no", "close", int(MsgResult::No)},
            {"close-cancel", "close", int(MsgResult::Cancel)}};
        for (const auto &row : rows)
            QTest::newRow(row.name) << QString::fromLatin1(row.how) << row.answer;
    }
    void shutdownQuestion()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        const bool closeWindow = how == u"close"_s, ends = answer != int(MsgResult::Cancel);
        Rig r;
        if (answer >= 0)
            r.boxes.answers << MsgResult(answer);
        r.port.setPortOpen(true);
        // The mark is the handler's business: it must toggle once. The window asks all the same.
        if (how != u"button"_s)
            r.form.Mn_AutoSave->trigger();
        if (closeWindow) {
            r.form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&r.form));
            QCOMPARE(r.form.close(), ends);
            QCOMPARE(r.form.isVisible(), !ends);
        } else {
            r.form.Command8->click();
        }
        const auto buttons = closeWindow ? Seams::MsgButtons::YesNoCancel
                                         : Seams::MsgButtons::YesNo;
        QCOMPARE(r.shown(), answer < 0 ? QString()
                                       : u"Do you want save settings ?|Automatic save.|%1|%2"_s
                                             .arg(int(Seams::MsgIcon::Information))
                                             .arg(int(buttons)));
        QCOMPARE(QFile::exists(r.file(u"Setting.sms"_s)), answer == int(MsgResult::Yes));
        QCOMPARE(r.port.PortOpen(), !ends);
    }

    // A phone that answers only after a while: "AT" every 250 ms, the port reopened each time.
    // A phone slower than a tick is waited for: each command goes once.
    void searchFindsThePhone_data()
    {
        QTest::addColumn<int>("replyMs");
        QTest::newRow("quick") << 20;
        QTest::newRow("slower-than-a-tick") << 600;
    }
    void searchFindsThePhone()
    {
        QFETCH(int, replyMs);
        Rig r;
        r.port.answerAfterMs = 1500;
        r.port.replyMs = replyMs;
        QList<int> progress;
        connect(r.form.ProgressBar1, &QProgressBar::valueChanged, this,
                [&](int v) { progress << v; });
        r.form.Mn_Apri_Click();
        QVERIFY(r.boxes.shown.isEmpty() && r.port.PortOpen());
        QStringList info;   // each reply in two pieces, as the phone here sends them
        for (QLabel *l : {r.form.Label16, r.form.Label17, r.form.Label18, r.form.Label21,
                          r.form.Label23, r.form.Label26, r.form.Label22, r.form.Label29})
            info << l->text();
        QCOMPARE(info.join(u'|'), u"ACME X1 |21|351234567890123|222011234567890|Yes|Yes, From "
                                  "position 1 To 100|From position 1 To 250|From position 1 "
                                  "To 500"_s);
        QCOMPARE(u"%1-%2 %3 %4"_s.arg(r.state.AddressBookFirst).arg(r.state.AddressBookLast)
                     .arg(r.state.SimPhonebookSize).arg(r.state.PhonePhonebookSize),
                 u"1-100 250 500"_s);
        QCOMPARE(progress << r.form.ProgressBar1->maximum(),
                 (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 10}));
        const int ats = r.port.commands.count(u"AT"_s);
        QVERIFY2(ats >= 3 && r.port.openCount == ats, qPrintable(QString::number(ats)));
        QCOMPARE(r.port.commands.join(u'|'),
                 QStringList(ats, u"AT"_s).join(u'|') + u"|AT+CGMI|AT+CGMM|AT+CGMR|AT+GSN|AT+CIMI|"
                                                        "AT+CPMS=MT|AT^SDBR=?|AT+CPBS=SM|AT+CPBR=?|"
                                                        "AT+CPBS=ME|AT+CPBR=?"_s);
        QVERIFY(!r.form.SearchWindow()->isVisible());
        r.form.Timer1_Timer();
        QCOMPARE(r.form.StatusBar1Panel[3]->text(), u"Status: Connected"_s);
        QVERIFY(r.form.Command6->isEnabled() && r.form.Mn_Rubrica->isEnabled()
                && !r.form.Mn_Apri->isEnabled());
        // The Test entry asks for the model again, on a clean buffer.
        r.form.Dispatcher().setBuffer(u"junk"_s);
        r.form.Mn_Test->trigger();
        QVERIFY(r.port.commands.last() == u"AT+CGMM"_s && r.form.ReceiveBuffer().isEmpty());
    }

    // Cancel: one box, the search ends. Time-outs, dropped lines, refusals and a port that
    // cannot be opened are run at every step in the end-to-end fault tests.
    void cancelEndsTheSearch()
    {
        Rig r;
        Form6 *f = r.form.SearchWindow();
        QCOMPARE(f->Timer1->interval() + f->Timer2->interval(), 250 + 20000);
        r.port.replies[u"AT+GSN"_s] = QString();   // the phone stops at the IMEI
        QTimer watch;
        connect(&watch, &QTimer::timeout, f, [&] {
            if (r.port.commands.contains(u"AT+GSN"_s))
                f->Command1->click();
        });
        watch.start(300);
        r.form.Mn_Apri_Click();
        QCOMPARE(r.shown(), u"Interrupted by user!|"_s + kError);
        QVERIFY(!r.port.PortOpen() && !f->isVisible() && r.form.ProgressBar1->value() == 0);
        QCOMPARE(r.port.refusedWrites, 0);
        r.form.Timer1_Timer();
        QCOMPARE(r.form.Label16->text(), u"???"_s);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
