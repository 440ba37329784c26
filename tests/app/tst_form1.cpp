// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: controls and menus, start-up from the files, settings, shutdown
// questions, the status timer and the phone search against a scripted phone.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/form6.h"
#include "app/replydispatcher.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "msgboxrecorder.h"
#include "scriptedphone.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
QString Text(const QString &path)
{
    return TextFile::Read(path).value_or(QStringLiteral("<missing>"));
}
} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

    struct Rig
    {
        AppState state;
        ScriptedPhone port;
        Form1 form{state, port};
        Rig() { form.Timer1->stop(); }
    };

    std::unique_ptr<QTemporaryDir> m_dir;
    QString file(const char *name) const { return m_dir->filePath(QLatin1String(name)); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Seams::setProgramFolder(m_dir->path());
    }
    void cleanup() { Seams::setProgramFolder(QString()); }

    void controlsExist_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        auto row = [](const char *n, const char *t, const QString &text) {
            QTest::newRow(n) << QString::fromLatin1(n) << QString::fromLatin1(t) << text;
        };
        row("Frame2", "QGroupBox", QStringLiteral("Information about mobile and SIM card:"));
        row("Label3", "QLabel", QStringLiteral("Model:"));
        row("Label4", "QLabel", QStringLiteral("Firmware:"));
        row("Label19", "QLabel", QStringLiteral("IMEI:"));
        row("Label20", "QLabel", QStringLiteral("IMSI:"));
        row("Label24", "QLabel", QStringLiteral("Mobile Equipment message storage:"));
        row("Label25", "QLabel", QStringLiteral("Address Book:"));
        row("Label28", "QLabel", QStringLiteral("SIM Phone Book:"));
        row("Label27", "QLabel", QStringLiteral("Mobile Phone Book:"));
        for (const char *v : {"Label16", "Label17", "Label18", "Label21", "Label23", "Label26",
                              "Label22", "Label29"})
            row(v, "QLabel", QStringLiteral("???"));
        row("Label1", "QLabel", QStringLiteral("Service Centre:"));
        row("Label2", "QLabel", QStringLiteral("+"));
        row("Label6", "QLabel", QStringLiteral("Recipient:"));
        row("Label7", "QLabel", QStringLiteral("Used chars:"));
        row("Label5", "QLabel", QStringLiteral("0"));
        row("Label11", "QLabel", QStringLiteral("Chars left:"));
        row("Label12", "QLabel", QStringLiteral("760"));
        row("Label13", "QLabel", QStringLiteral("SMS necessary:"));
        row("Label14", "QLabel", QStringLiteral("0"));
        row("Label9", "QLabel", QStringLiteral("Sent SMS:"));
        row("SelectNameLabel", "QLabel", QStringLiteral("Select name:"));
        row("NonGsmLabel", "QLabel", QString());
        row("Command1", "QPushButton", QStringLiteral("Delete"));
        row("Command3", "QPushButton", QStringLiteral("Upload"));
        row("Command4", "QPushButton", QStringLiteral("Browse SMS"));
        row("Command5", "QPushButton", QStringLiteral("Elaborate"));
        row("Command6", "QPushButton", QStringLiteral("Send"));
        row("Command7", "QPushButton", QStringLiteral("Store"));
        row("Command8", "QPushButton", QStringLiteral("Exit"));
        row("Command9", "QPushButton", QStringLiteral("Logo..."));
        row("Check1", "QCheckBox", QStringLiteral("Nokia Logo"));
        row("Frame1", "QGroupBox", QStringLiteral("Frame1"));
        row("Option1", "QRadioButton", QStringLiteral("Operator"));
        row("Option2", "QRadioButton", QStringLiteral("Group"));
        row("Option3", "QRadioButton", QStringLiteral("Picture Mess."));
        row("Label10", "QLabel", QStringLiteral("Country code:"));
        row("Label15", "QLabel", QStringLiteral("Operator code:"));
        row("Image1", "QLabel", QString());
        row("Text2", "QLineEdit", QString());
        row("Text4", "QLineEdit", QString());
        row("Text6", "QLineEdit", QString());
        row("Text7", "QLineEdit", QString());
        row("Text8", "QLineEdit", QString());
        row("Text5", "QPlainTextEdit", QString());
        row("Text3", "QPlainTextEdit", QString());
        row("Combo2", "QComboBox", QString());
        row("ProgressBar1", "QProgressBar", QString());
        row("Timer1", "QTimer", QString());
        row("Timer2", "QTimer", QString());
    }
    void controlsExist()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, text);
        Rig r;
        QObject *o = r.form.findChild<QObject *>(name);
        QVERIFY2(o, qPrintable(name));
        QCOMPARE(QLatin1String(o->metaObject()->className()), type);
        if (auto *l = qobject_cast<QLabel *>(o))
            QCOMPARE(l->text(), text);
        else if (auto *b = qobject_cast<QAbstractButton *>(o))
            QCOMPARE(b->text(), text);
        else if (auto *g = qobject_cast<QGroupBox *>(o))
            QCOMPARE(g->title(), text);
    }

    void layoutDetails()
    {
        Rig r;
        QCOMPARE(r.form.windowTitle(), QStringLiteral("SMS - Corvina"));
        QVERIFY(r.form.Combo2->isEditable());
        QCOMPARE(r.form.Text7->maxLength(), 3);
        QCOMPARE(r.form.Text8->maxLength(), 2);
        QVERIFY(!r.form.Text3->isVisibleTo(&r.form));
        QCOMPARE(r.form.Timer1->interval(), 1000);
        QVERIFY(r.form.Image1->width() >= 72 && r.form.Image1->height() >= 28);
        for (int i = 0; i < 5; ++i)
            QVERIFY(r.form.StatusBar1Panel[i]);
    }

    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("entries");   // name|caption|shortcut|check, "-" separators
        QTest::newRow("Connection") << "Mn_Connessione|&Connection"
            << "Mn_Apri|&Open|Shift+F1|;Mn_Chiudi|&Close|Shift+F2|;-;Mn_Test|&Test|Shift+F3|;-;Mn_Esci|&Exit||";
        QTest::newRow("Phonebook") << "Mn_Rubrica|&Phonebook"
            << "Mn_CSC|&Get service centre|Shift+F4|;-;Mn_Upload|&Upload|Shift+F5|;-;Mn_Rub_Load|&Load||;Mn_Rub_Save|&Save||";
        QTest::newRow("Text") << "Mn_Testo|&Text"
            << "Mn_Cancella|&Delete||;Mn_Special|&Special chars...|Shift+F7|;-;Mn_Log|&View Log|Shift+F8|;Mn_DeleteLog|D&elete Log||";
        QTest::newRow("SMS") << "Mn_SMS|S&MS"
            << "Mn_Elabora|&Elaborate|Shift+F9|;Mn_Invia|&Save|Shift+F11|;Mn_Salva|S&tore in SIM|Shift+F12|";
        QTest::newRow("Settings") << "Mn_Set|&Settings"
            << "Mn_Comm|&Comm...||;Mn_Conferma|Confirm &Send||on;Mn_Azzera|&Annul sent||;-;"
               "Mn_Flash|SMS &Flash|Ctrl+F|off;Mn_Ricevuta|Status &Report|Ctrl+R|off;-;"
               "Mn_AutoSave|A&utosave||on;Mn_Salva_Imp|Sa&ve settings||";
    }
    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(QString, entries);
        Rig r;
        const QStringList m = menu.split(QLatin1Char('|'));
        auto *qm = r.form.findChild<QMenu *>(m[0]);
        QVERIFY(qm);
        QCOMPARE(qm->title(), m[1]);
        QVERIFY(r.form.menuBar()->actions().contains(qm->menuAction()));
        const QList<QAction *> actions = qm->actions();
        const QStringList want = entries.split(QLatin1Char(';'));
        QCOMPARE(actions.size(), want.size());
        for (int i = 0; i < want.size(); ++i) {
            if (want[i] == QLatin1String("-")) {
                QVERIFY(actions[i]->isSeparator());
                continue;
            }
            const QStringList f = want[i].split(QLatin1Char('|'));
            QCOMPARE(actions[i]->objectName(), f[0]);
            QCOMPARE(actions[i]->text(), f[1]);
            QCOMPARE(actions[i]->shortcut().toString(), f[2]);
            QCOMPARE(actions[i]->isCheckable(), !f[3].isEmpty());
            if (!f[3].isEmpty())
                QCOMPARE(actions[i]->isChecked(), f[3] == QLatin1String("on"));
        }
    }

    void aboutIsATopLevelEntry()
    {
        Rig r;
        QCOMPARE(r.form.Mn_About->text(), QStringLiteral("&?"));
        QVERIFY(r.form.menuBar()->actions().contains(r.form.Mn_About));
        QCOMPARE(r.form.menuBar()->actions().size(), 6);
    }

    // A checkable entry's mark is its handler's business: Autosave toggles exactly once.
    void autosaveTogglesOnce()
    {
        Rig r;
        QVERIFY(r.form.Mn_AutoSave->isChecked());
        r.form.Mn_AutoSave->trigger();
        QVERIFY(!r.form.Mn_AutoSave->isChecked());
        r.form.Mn_AutoSave_Click();
        QVERIFY(r.form.Mn_AutoSave->isChecked());
    }

    // The controls reach their handlers: a few whose effect can be seen from here.
    void controlsReachTheirHandlers()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.port.setPortOpen(true);
        r.form.Mn_Test->trigger();
        QCOMPARE(r.port.writes, QStringList{QStringLiteral("AT+CGMM\r")});
        r.form.Mn_Chiudi->trigger();
        QVERIFY(!r.port.PortOpen());

        QTest::keyClicks(r.form.Text5, QStringLiteral("hello"));
        QCOMPARE(r.form.Label5->text(), QStringLiteral("5"));
        QCOMPARE(r.form.Label12->text(), QStringLiteral("755"));

        r.form.Text6->setText(QStringLiteral("12"));
        QCOMPARE(r.state.SentCount, std::int16_t(12));
        QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(r.form.Text6, &focus);
        QCOMPARE(r.form.Text6->selectedText(), QStringLiteral("12"));

        QVERIFY(!r.form.Frame1->isEnabled());
        r.form.Check1->click();
        QVERIFY(r.form.Frame1->isEnabled());

        r.form.Combo2->addItem(QStringLiteral("Anna (+3912345)"));
        r.form.Combo2->activated(0);
        QCOMPARE(r.form.Text4->text(), QStringLiteral("+3912345"));

        r.form.Mn_AutoSave->setChecked(true);
        r.form.Command8->click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Do you want save settings ?")});
    }

    void statusPanels_data()
    {
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<QString>("flow");
        QTest::newRow("0") << 0 << QStringLiteral("Flusso: None");
        QTest::newRow("1") << 1 << QStringLiteral("Flusso: Xon/Xoff");
        QTest::newRow("2") << 2 << QStringLiteral("Flusso: RTS");
        QTest::newRow("3") << 3 << QStringLiteral("Flusso: RTS Xon/Xoff");
    }
    void statusPanels()
    {
        QFETCH(int, handshaking);
        QFETCH(QString, flow);
        Rig r;
        QVERIFY(r.port.setCommPort(4));
        QVERIFY(r.port.setSettings(QStringLiteral("19200,e,7,2")));
        QVERIFY(r.port.setHandshaking(handshaking));
        r.state.SentCount = 321;
        r.form.Timer1_Timer();
        QCOMPARE(r.form.StatusBar1Panel[0]->text(), QStringLiteral("Comm: 4"));
        QCOMPARE(r.form.StatusBar1Panel[1]->text(), QStringLiteral("Settings: 19200,e,7,2"));
        QCOMPARE(r.form.StatusBar1Panel[2]->text(), flow);
        QCOMPARE(r.form.StatusBar1Panel[3]->text(), QStringLiteral("Status: Disconnected"));
        QCOMPARE(r.form.StatusBar1Panel[4]->text(), QStringLiteral("By Quillane"));
        QCOMPARE(r.form.Text6->text(), QStringLiteral("321"));
    }

    void controlStatesFollowThePort()
    {
        Rig r;
        r.port.setPortOpen(true);
        r.form.Label16->setText(QStringLiteral("ACME X1 "));
        r.form.Timer1_Timer();
        QCOMPARE(r.form.StatusBar1Panel[3]->text(), QStringLiteral("Status: Connected"));
        QCOMPARE(r.form.Label16->text(), QStringLiteral("ACME X1 "));
        for (QPushButton *b : {r.form.Command6, r.form.Command7, r.form.Command4, r.form.Command3})
            QVERIFY(b->isEnabled());
        for (QAction *a : {r.form.Mn_Chiudi, r.form.Mn_Test, r.form.Mn_Invia, r.form.Mn_Salva,
                           r.form.Mn_Rubrica->menuAction()})
            QVERIFY(a->isEnabled());
        QVERIFY(!r.form.Mn_Apri->isEnabled());

        r.form.Mn_Chiudi_Click();
        r.form.Timer1_Timer();
        QCOMPARE(r.form.StatusBar1Panel[3]->text(), QStringLiteral("Status: Disconnected"));
        for (QLabel *l : {r.form.Label16, r.form.Label17, r.form.Label18, r.form.Label21,
                          r.form.Label23, r.form.Label26, r.form.Label22, r.form.Label29})
            QCOMPARE(l->text(), QStringLiteral("???"));
        for (QPushButton *b : {r.form.Command6, r.form.Command7, r.form.Command4, r.form.Command3})
            QVERIFY(!b->isEnabled());
        for (QAction *a : {r.form.Mn_Chiudi, r.form.Mn_Test, r.form.Mn_Invia, r.form.Mn_Salva,
                           r.form.Mn_Rubrica->menuAction()})
            QVERIFY(!a->isEnabled());
        QVERIFY(r.form.Mn_Apri->isEnabled());
    }

    void startUpReadsTheFiles()
    {
        QVERIFY(TextFile::WriteAtomic(file("Setting.sms"),
            QStringLiteral(" 4 \r\n19200,e,7,2\r\n 2 \r\n393359609600\r\nFalse\r\nTrue\r\n\r\n"
                           " 180 \r\n 0 \r\n 33 \r\nFalse\r\n")));
        QVERIFY(TextFile::WriteAtomic(file("Sent.txt"), QStringLiteral(" 17 \r\n")));
        QVERIFY(TextFile::WriteAtomic(file("Rubrica.txt"),
                                      QStringLiteral("Anna (+3912345)\r\nBob -Office- (0612345)\r\n")));
        MsgBoxRecorder boxes;
        Rig r;
        r.form.Form_Load();
        QCOMPARE(r.port.CommPort(), 4);
        QCOMPARE(r.port.Settings(), QStringLiteral("19200,e,7,2"));
        QCOMPARE(r.port.Handshaking(), 2);
        QCOMPARE(r.form.Text2->text(), QStringLiteral("393359609600"));
        QVERIFY(!r.state.ConfirmSend);
        QVERIFY(!r.form.Mn_Conferma->isChecked());
        QVERIFY(r.state.StatusReport);
        QVERIFY(r.form.Mn_Ricevuta->isChecked());
        QCOMPARE(r.state.SimPhonebookSize, std::int16_t(180));
        QCOMPARE(r.state.PhonePhonebookSize, std::int16_t(50));
        QCOMPARE(r.state.SmsCapacity, std::int16_t(33));
        QVERIFY(!r.form.Mn_AutoSave->isChecked());
        QCOMPARE(r.state.SentCount, std::int16_t(17));
        QCOMPARE(r.form.Combo2->count(), 2);
        QVERIFY(r.form.Combo2->isEnabled());
        QVERIFY(r.form.Option2->isChecked());
        QVERIFY(!r.form.Option1->isChecked());
        QVERIFY(!r.form.Text7->isEnabled() && !r.form.Text8->isEnabled());
        QVERIFY(r.form.PendingAutoConnect());
        QVERIFY(!r.port.PortOpen());   // the search opens it, not the loading
        QVERIFY(boxes.shown.isEmpty());
    }

    void startUpWithoutFilesKeepsDefaults()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.form.Form_Load();
        QCOMPARE(r.port.CommPort(), 1);
        QCOMPARE(r.port.Settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(r.port.Handshaking(), 0);
        QVERIFY(r.state.ConfirmSend);
        QVERIFY(r.form.Mn_AutoSave->isChecked());
        QCOMPARE(r.state.SentCount, std::int16_t(0));
        QCOMPARE(r.state.SimPhonebookSize, std::int16_t(200));
        QCOMPARE(r.form.Combo2->count(), 0);
        QVERIFY(boxes.shown.isEmpty());
    }

    // A value the port refuses is skipped; the lines after it are still read.
    void refusedValuesAreSkipped()
    {
        QVERIFY(TextFile::WriteAtomic(file("Setting.sms"),
            QStringLiteral(" 999 \r\n9600,x,8,1\r\n 7 \r\n123\r\nTrue\r\nFalse\r\n\r\n")));
        Rig r;
        r.form.Form_Load();
        QCOMPARE(r.port.CommPort(), 1);
        QCOMPARE(r.port.Settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(r.port.Handshaking(), 0);
        QCOMPARE(r.form.Text2->text(), QStringLiteral("123"));
        QVERIFY(r.form.Mn_AutoSave->isChecked());   // seven lines: an older layout
    }

    void saveSettingsWritesTheFile()
    {
        Rig r;
        r.port.setCommPort(2);
        r.port.setSettings(QStringLiteral("4800,o,8,1.5"));
        r.port.setHandshaking(1);
        r.form.Text2->setText(QStringLiteral("3912"));
        r.state.ConfirmSend = true;
        r.state.StatusReport = false;
        r.state.SimPhonebookSize = 250;
        r.form.Mn_AutoSave->setChecked(false);
        r.form.Mn_Salva_Imp_Click();
        QCOMPARE(Text(file("Setting.sms")),
                 QStringLiteral(" 2 \r\n4800,o,8,1.5\r\n 1 \r\n3912\r\nTrue\r\nFalse\r\n\r\n"
                                " 250 \r\n 50 \r\n 20 \r\nFalse\r\n"));
    }

    void failedSaveIsReported()
    {
        MsgBoxRecorder boxes;
        Rig r;
        Seams::setProgramFolder(m_dir->filePath(QStringLiteral("no/such/folder")));
        r.form.Mn_Salva_Imp_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].text.contains(QStringLiteral("Setting.sms")));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error."));
        QCOMPARE(boxes.shown[0].icon, Seams::MsgIcon::Critical);
    }

    void exitButtonQuestion_data()
    {
        QTest::addColumn<bool>("autoSave");
        QTest::addColumn<int>("answer");   // -1: no question expected
        QTest::addColumn<bool>("saved");
        QTest::newRow("autosave-yes") << true << int(Seams::MsgResult::Yes) << true;
        QTest::newRow("autosave-no") << true << int(Seams::MsgResult::No) << false;
        QTest::newRow("no-autosave") << false << -1 << false;
    }
    void exitButtonQuestion()
    {
        QFETCH(bool, autoSave);
        QFETCH(int, answer);
        QFETCH(bool, saved);
        MsgBoxRecorder boxes;
        if (answer >= 0)
            boxes.answers << Seams::MsgResult(answer);
        Rig r;
        r.port.setPortOpen(true);
        r.form.Mn_AutoSave->setChecked(autoSave);
        r.form.Command8_Click();
        if (answer >= 0) {
            QCOMPARE(boxes.shown.size(), 1);
            QCOMPARE(boxes.shown[0].text, QStringLiteral("Do you want save settings ?"));
            QCOMPARE(boxes.shown[0].title, QStringLiteral("Automatic save."));
            QCOMPARE(boxes.shown[0].buttons, Seams::MsgButtons::YesNo);
            QCOMPARE(boxes.shown[0].icon, Seams::MsgIcon::Information);
        } else {
            QVERIFY(boxes.shown.isEmpty());
        }
        QCOMPARE(QFile::exists(file("Setting.sms")), saved);
        QVERIFY(!r.port.PortOpen());
    }

    void closingTheWindow_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes") << int(Seams::MsgResult::Yes) << true << true;
        QTest::newRow("no") << int(Seams::MsgResult::No) << true << false;
        QTest::newRow("cancel") << int(Seams::MsgResult::Cancel) << false << false;
    }
    void closingTheWindow()
    {
        QFETCH(int, answer);
        QFETCH(bool, ends);
        QFETCH(bool, saved);
        MsgBoxRecorder boxes;
        boxes.answers << Seams::MsgResult(answer);
        Rig r;
        r.form.Mn_AutoSave->setChecked(false);   // asked all the same
        r.port.setPortOpen(true);
        r.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r.form));
        QCOMPARE(r.form.close(), ends);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Do you want save settings ?"));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Automatic save."));
        QCOMPARE(boxes.shown[0].buttons, Seams::MsgButtons::YesNoCancel);
        QCOMPARE(boxes.shown[0].icon, Seams::MsgIcon::Information);
        QCOMPARE(QFile::exists(file("Setting.sms")), saved);
        QCOMPARE(r.port.PortOpen(), !ends);
        QCOMPARE(r.form.isVisible(), !ends);
    }

    void messageTextStopsAt760()
    {
        Rig r;
        r.form.setText5Text(QString(800, QLatin1Char('a')));
        QCOMPARE(r.form.Text5Text().size(), 760);
        r.form.setText5Text(QString(759, QLatin1Char('b')));
        QTextCursor c = r.form.Text5->textCursor();
        c.movePosition(QTextCursor::End);
        r.form.Text5->setTextCursor(c);
        // A line break costs two characters: it does not fit in the last place.
        QTest::keyClick(r.form.Text5, Qt::Key_Return);
        QCOMPARE(r.form.Text5Text().size(), 759);
        QTest::keyClicks(r.form.Text5, QStringLiteral("xyz"));
        QCOMPARE(r.form.Text5Text().size(), 760);
        QVERIFY(r.form.Text5Text().endsWith(QStringLiteral("bx")));
        // Text pasted in the middle loses its own end, not the text after it.
        r.form.setText5Text(QStringLiteral("head\r\ntail"));
        c.setPosition(4);
        c.insertText(QString(800, QLatin1Char('p')));
        QCOMPARE(r.form.Text5Text().size(), 760);
        QVERIFY(r.form.Text5Text().endsWith(QStringLiteral("p\r\ntail")));
    }

    // ---- phone search against the scripted phone

    void searchFindsThePhone()
    {
        MsgBoxRecorder boxes;
        Rig r;
        QList<int> progress;
        connect(r.form.ProgressBar1, &QProgressBar::valueChanged, this,
                [&](int v) { progress << v; });
        QElapsedTimer t;
        t.start();
        r.form.Mn_Apri_Click();
        QVERIFY(t.elapsed() < 10000);
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(r.port.PortOpen());
        QCOMPARE(r.form.Label16->text(), QStringLiteral("ACME X1 "));
        QCOMPARE(r.form.Label17->text(), QStringLiteral("21"));
        QCOMPARE(r.form.Label18->text(), QStringLiteral("351234567890123"));
        QCOMPARE(r.form.Label21->text(), QStringLiteral("222011234567890"));
        QCOMPARE(r.form.Label23->text(), QStringLiteral("Yes"));
        QCOMPARE(r.form.Label26->text(), QStringLiteral("Yes, From position 1 To 100"));
        QCOMPARE(r.form.Label22->text(), QStringLiteral("From position 1 To 250"));
        QCOMPARE(r.form.Label29->text(), QStringLiteral("From position 1 To 500"));
        QCOMPARE(r.state.AddressBookFirst, std::int16_t(1));
        QCOMPARE(r.state.AddressBookLast, std::int16_t(100));
        QCOMPARE(r.state.SimPhonebookSize, std::int16_t(250));
        QCOMPARE(r.state.PhonePhonebookSize, std::int16_t(500));
        QVERIFY(r.state.AddressBookAvailable && r.state.MessageStorageAvailable);
        QCOMPARE(progress, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
        QCOMPARE(r.form.ProgressBar1->maximum(), 10);
        QCOMPARE(r.port.commands,
                 QStringLiteral("AT|AT+CGMI|AT+CGMM|AT+CGMR|AT+GSN|AT+CIMI|AT+CPMS=MT|AT^SDBR=?|"
                                "AT+CPBS=SM|AT+CPBR=?|AT+CPBS=ME|AT+CPBR=?")
                     .split(QLatin1Char('|')));
        QVERIFY(!r.form.SearchWindow()->isVisible());
        r.form.Timer1_Timer();
        QCOMPARE(r.form.StatusBar1Panel[3]->text(), QStringLiteral("Status: Connected"));
    }

    void slowPhoneIsRetried()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.port.answerAfterMs = 1500;
        r.form.Mn_Apri_Click();
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(r.port.PortOpen());
        // "AT" every 250 ms with the port reopened each time, until the phone answers.
        const int ats = r.port.commands.count(QStringLiteral("AT"));
        QVERIFY2(ats >= 3, qPrintable(QString::number(ats)));
        QCOMPARE(r.port.openCount, ats);
        QCOMPARE(r.form.Label29->text(), QStringLiteral("From position 1 To 500"));
    }

    void errorToModelEndsTheSearch()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.port.replies[QStringLiteral("AT+CGMM")] = QStringLiteral("ERROR\r\n");
        r.form.Mn_Apri_Click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Command didn't accept by mobile")});
        QVERIFY(r.port.PortOpen());
        QCOMPARE(r.form.Label16->text(), QStringLiteral("ACME "));
        QCOMPARE(r.form.Label17->text(), QStringLiteral("???"));
        QVERIFY(!r.port.commands.contains(QStringLiteral("AT+CGMR")));
    }

    void noPhoneTimesOut()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.port.silent = true;
        Form6 *f = r.form.SearchWindow();
        QCOMPARE(f->Timer1->interval(), 250);
        QCOMPARE(f->Timer2->interval(), 20000);
        // Twenty seconds are not waited for here: the time-out's handler is run early.
        QTimer::singleShot(700, f, [f] { f->Timer2_Timer(); });
        r.form.Mn_Apri_Click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Didn't find any mobile")});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error."));
        QCOMPARE(boxes.shown[0].icon, Seams::MsgIcon::Critical);
        QVERIFY(!r.port.PortOpen());
        QVERIFY(!f->isVisible());
        QCOMPARE(r.form.ProgressBar1->value(), 0);
    }

    void cancelDuringTheSearch()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.port.replies[QStringLiteral("AT+GSN")] = QString();   // the phone stops at the IMEI
        Form6 *f = r.form.SearchWindow();
        QTimer watch;
        connect(&watch, &QTimer::timeout, f, [&] {
            if (r.port.commands.contains(QStringLiteral("AT+GSN"))) {
                watch.stop();
                f->Command1->click();
            }
        });
        watch.start(20);
        r.form.Mn_Apri_Click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Interrupted by user!")});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error."));
        QVERIFY(!r.port.PortOpen());
        QCOMPARE(r.form.Label16->text(), QStringLiteral("ACME X1 "));
        r.form.Timer1_Timer();
        QCOMPARE(r.form.Label16->text(), QStringLiteral("???"));
    }

    void portThatCannotOpen()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.port.failOpen = true;
        QElapsedTimer t;
        t.start();
        r.form.Mn_Apri_Click();
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Unable to open the communication port")});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error."));
        QCOMPARE(boxes.shown[0].icon, Seams::MsgIcon::Critical);
        QVERIFY(r.port.writes.isEmpty());
        QCOMPARE(r.port.refusedWrites, 0);
        QVERIFY(!r.form.SearchWindow()->isVisible());
    }

    // The first tick runs the search inside itself; ticks meanwhile are dropped.
    void firstTickSearchesOnce()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.form.Form_Load();
        r.port.answerAfterMs = 2500;   // long enough for two more ticks during the search
        QSignalSpy finished(r.form.SearchWindow(), &QDialog::finished);
        r.form.Timer1->start();
        QTRY_VERIFY_WITH_TIMEOUT(!r.form.PendingAutoConnect(), 15000);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(r.form.StatusBar1Panel[3]->text(), QStringLiteral("Status: Connected"));
        QCOMPARE(r.form.Label16->text(), QStringLiteral("ACME X1 "));
        QVERIFY(boxes.shown.isEmpty());
        QTest::qWait(1200);
        QCOMPARE(finished.count(), 1);
    }

    void testMenuWritesModelQuery()
    {
        Rig r;
        r.port.setPortOpen(true);
        r.form.Dispatcher().setBuffer(QStringLiteral("junk"));
        r.form.Mn_Test_Click();
        QCOMPARE(r.port.writes, QStringList{QStringLiteral("AT+CGMM\r")});
        QVERIFY(r.form.ReceiveBuffer().isEmpty());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
