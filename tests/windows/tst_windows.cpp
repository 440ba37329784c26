// SPDX-License-Identifier: GPL-3.0-or-later
// The port settings window, the special-characters strip and the About window.
#include "app/appicon.h"
#include "app/appstate.h"
#include "app/form1.h"
#include "app/form6.h"
#include "app/portdevice.h"
#include "app/seams.h"
#include "browser/form5.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "windows/about.h"
#include "windows/form2.h"
#include "windows/form4.h"
#include "windows/portsettings.h"
#include "windows/versionline.h"

#include <QtWidgets>
#include <QTest>

namespace {
QString u(const char *utf8) { return QString::fromUtf8(utf8); }
// Runs `act` on the modal window, then closes it so a failing check cannot hang the test.
void onModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *w = QApplication::activeModalWidget();
        QVERIFY2(w, "no modal window is shown");
        act(w);
        if (QApplication::activeModalWidget() == w)
            w->close();
    });
}
void click(QWidget *w, QPoint at = {})
{
    QTest::mouseClick(w, Qt::LeftButton, {}, at.isNull() ? w->rect().center() : at);
}
// Port 3, "9600,n,8,1", RTS handshaking, closed.
void setUp(FakePhonePort &port)
{
    QVERIFY(port.setCommPort(3) && port.setSettings(u("9600,n,8,1")) && port.setHandshaking(2));
}
QString State(const FakePhonePort &port)
{
    return u("%1 %2 %3 %4").arg(port.CommPort()).arg(port.Settings()).arg(port.Handshaking())
        .arg(port.PortOpen() ? u("open") : u("closed"));
}
} // namespace

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    void speedPartOfSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("with115200");
        QTest::newRow("9600") << u("9600,e,7,2") << u("9600") << u("115200,e,7,2");
        QTest::newRow("comma-at-7") << u("123456,n,8,1") << u("123456") << u("115200,n,8,1");
        // No comma among the first seven characters: those seven are the speed.
        QTest::newRow("comma-past-7") << u("1234567,n") << u("1234567") << u("115200,n");
        QTest::newRow("empty") << QString() << QString() << u("115200");
    }
    void speedPartOfSettings()
    {
        QFETCH(QString, settings); QFETCH(QString, speed); QFETCH(QString, with115200);
        QCOMPARE(PortSettings::speedPart(settings), speed);
        QCOMPARE(PortSettings::replaceSpeed(settings, u("115200")), with115200);
    }

    void okTakesAllThreeOrNone_data()
    {
        QTest::addColumn<bool>("openBefore");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("flow");
        QTest::addColumn<bool>("applied");
        const QString good = u("19200,e,7,2");
        QTest::newRow("all-good-port-open") << true << u("12") << good << 3 << true;
        QTest::newRow("letter-number") << true << u("a") << good << 1 << false;
        QTest::newRow("digits-then-letter") << false << u("4x") << good << 1 << false;
        QTest::newRow("number-256") << false << u("256") << good << 1 << false;
        QTest::newRow("bad-parity") << true << u("5") << u("9600,q,8,1") << 1 << false;
        QTest::newRow("empty-settings") << false << u("5") << QString() << 1 << false;
        QTest::newRow("no-flow-choice") << true << u("5") << good << -1 << false;
    }
    void okTakesAllThreeOrNone()
    {
        QFETCH(bool, openBefore); QFETCH(QString, number); QFETCH(QString, settings);
        QFETCH(int, flow); QFETCH(bool, applied);
        FakePhonePort port;
        setUp(port);
        QVERIFY(!openBefore || port.setPortOpen(true));
        Form2 form(port);
        form.show();
        form.Text1->setText(number);
        form.Text2->setText(settings);
        form.Combo1->setCurrentIndex(flow);
        form.Command1_Click();
        QVERIFY(form.isHidden());
        QCOMPARE(State(port), applied ? u("%1 %2 %3 closed").arg(number, settings).arg(flow)
                                      : u("3 9600,n,8,1 2 closed"));
    }

    // Through the menu: filled from the port, Ok applies and closes it; the close box.
    void form2FromTheMenu()
    {
        AppState state;
        FakePhonePort port;
        setUp(port);
        QVERIFY(port.setPortOpen(true));
        Form1 main(state, port);
        const auto show = [&](QStringList filled, std::function<void(Form2 *)> act) {
            onModal([filled, act](QWidget *w) {
                auto *form = qobject_cast<Form2 *>(w);
                QVERIFY(form);
                QCOMPARE((QStringList{form->Text1->text(), form->Text2->text(),
                                      form->Combo1->currentText(), form->Combo2->currentText()}),
                         filled);
                act(form);
            });
            main.Mn_Comm_Click();
        };
        show({u("3"), u("9600,n,8,1"), u("RTS"), u("9600")}, [](Form2 *form) {
            form->Text1->setText(u("12"));
            emit form->Combo2->activated(form->Combo2->findText(u("115200")));  // the user picks it
            form->Combo1->setCurrentIndex(1);
            click(form->Command1);
        });
        QCOMPARE(State(port), u("12 115200,n,8,1 1 closed"));
        // Refilled on the next showing; the close box applies nothing.
        QVERIFY(port.setPortOpen(true));
        show({u("12"), u("115200,n,8,1"), u("Xon/Xoff"), u("115200")}, [](Form2 *form) {
            form->Text1->setText(u("9"));
            form->close();
        });
        QCOMPARE(State(port), u("12 115200,n,8,1 1 open"));
        QCOMPARE(main.findChildren<Form2 *>().size(), 1);
    }

    void pickingFromTheStrip_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("target");   // letter index, -1 Cancel, -2 background
        QTest::addColumn<QString>("after");
        // 0: closed before activation; 1: the strip took the focus; 2: it came back during exec().
        QTest::addColumn<int>("focus");
        QTest::newRow("pick-a-umlaut") << u("Ca") << 15 << u("Caä") << 1;
        QTest::newRow("pick-yen-into-empty") << QString() << 0 << u("¥") << 0;
        QTest::newRow("pick-after-line-break") << u("a\r\nb") << 23 << u("a\r\nbù") << 2;
        QTest::newRow("cancel") << u("Ca") << -1 << u("Ca") << 1;
        QTest::newRow("background") << u("Ca") << -2 << u("Ca") << 0;
        QTest::newRow("full-box") << QString(760, u'x') << 15 << QString(760, u'x') << 1;
    }
    void pickingFromTheStrip()
    {
        QFETCH(QString, before); QFETCH(int, target); QFETCH(QString, after); QFETCH(int, focus);
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.setText5Text(before);
        main.Text5->setFocus();
        onModal([&main, target, focus](QWidget *w) {
            auto *strip = qobject_cast<Form4 *>(w);
            QVERIFY(strip);
            const QString letters = u("¥ØøÅåÆæßÉ¡ÄÖÑÜ¿äöñüàèìòù");
            QCOMPARE(letters.size(), qsizetype(Form4::kLetters));
            const auto &labels = strip->Label1;
            for (size_t i = 0; i < labels.size(); ++i) {
                QCOMPARE(labels[i]->text(), u("->  ") + letters[qsizetype(i)]);
                QVERIFY(i == 0 || labels[i]->y() > labels[i - 1]->y());
            }
            QCOMPARE(strip->Label2->text(), u("- Cancel -"));
            if (focus > 0) {
                w->activateWindow();
                QTRY_COMPARE(QApplication::activeWindow(), w);
            }
            QWidget *label = target >= 0 ? strip->Label1[size_t(target)] : strip->Label2;
            click(target == -2 ? strip : label, target == -2 ? QPoint(2, 2) : QPoint());
            QVERIFY(strip->isHidden());
            if (focus == 2) {
                QApplication::setActiveWindow(&main);
                QVERIFY(main.Text5->hasFocus());
            }
        });
        main.Mn_Special_Click();
        QCOMPARE(main.Text5Text(), after);
        if (after == before)
            return;
        // After a pick the caret stands at the end, once, instead of the usual select-all.
        main.activateWindow();   // as the window manager does once the strip is gone
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTRY_VERIFY(main.Text5->hasFocus());
        QCOMPARE(main.Text5->textCursor().position(), main.Text5->toPlainText().size());
        QVERIFY(!main.Text5->textCursor().hasSelection());
        main.Text4->setFocus();
        QTRY_VERIFY(main.Text4->hasFocus());
        main.Text5->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(main.Text5->hasFocus());
        QCOMPARE(main.Text5->textCursor().selectedText().size(), main.Text5->toPlainText().size());
    }

    void aboutShowsTheBuildAndOpensThePage()
    {
        QCOMPARE(VersionLine(10, 0, 12), u("Ver. 10.0.12"));
        QStringList opened;
        Seams::setOpenExternalHandler([&](const QString &url) { return opened << url, true; });
        About about;
        const QStringList shown{about.windowTitle(), about.Label1->text(), about.Label2->text(),
                                about.Label3->text(), about.Label4->text()};
        QCOMPARE(shown, (QStringList{u("About Corvina SMS"), u("Corvina SMS"),
                                     u("Ver. " SMS_PROJECT_VERSION), u("Developed by:"),
                                     u("Quillane")}));
        about.show();
        click(about.Label5);
        QCOMPARE(opened, QStringList{About::webPage()});
        // The link from the keyboard: Tab reaches it, Enter, Return or Space opens it.
        about.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QTest::keyClick(&about, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), about.Label5);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_A})
            QTest::keyClick(about.Label5, key);
        QCOMPARE(opened.size(), 4);
        QVERIFY(about.isVisible() && ApplicationIcon().availableSizes().contains(QSize(48, 48)));
        Seams::setOpenExternalHandler({});
    }

    // Every field a screen reader may land on has a name: its own, or its caption's.
    void fieldsHaveAccessibleNames_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *w : {"Form1", "Form2", "Form4", "Form5", "Form6", "About"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void fieldsHaveAccessibleNames()
    {
        QFETCH(QString, window);
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        main.Timer1->stop();
        std::unique_ptr<QWidget> own;
        if (window == u("Form2"))
            own = std::make_unique<Form2>(port);
        else if (window == u("Form4"))
            own = std::make_unique<Form4>(main);
        else if (window == u("About"))
            own = std::make_unique<About>();
        QWidget *w = own ? own.get() : &main;
        if (window == u("Form5"))
            w = main.BrowserWindow();
        else if (window == u("Form6"))
            w = main.SearchWindow();
        QSet<QWidget *> captioned;
        for (QLabel *l : w->findChildren<QLabel *>())
            captioned << l->buddy();
        // The line edit and the list inside a combo or a spin box, the menu bar's overflow
        // button, a table's headers: parts of the toolkit's own controls.
        const auto toolkitPart = [w](QWidget *f) {
            for (QWidget *p = f->parentWidget(); p && p != w; p = p->parentWidget())
                if (qobject_cast<QComboBox *>(p) || qobject_cast<QAbstractSpinBox *>(p)
                    || qobject_cast<QMenuBar *>(p) || qobject_cast<QAbstractItemView *>(p))
                    return true;
            return false;
        };
        int fields = 0;
        QStringList unnamed;
        for (QWidget *f : w->findChildren<QWidget *>()) {
            auto *button = qobject_cast<QAbstractButton *>(f);
            if (toolkitPart(f) || !(button || qobject_cast<QLineEdit *>(f)
                                    || qobject_cast<QPlainTextEdit *>(f)
                                    || qobject_cast<QComboBox *>(f)
                                    || qobject_cast<QAbstractSpinBox *>(f)
                                    || qobject_cast<QAbstractItemView *>(f)))
                continue;
            ++fields;
            if (f->accessibleName().isEmpty() && !captioned.contains(f)
                && !(button && !button->text().isEmpty()))
                unnamed << f->objectName() + u(" (") + u(f->metaObject()->className()) + u(")");
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u(", "))));
        QVERIFY(window == u("Form4") || window == u("About") || fields > 0);
        if (window == u("Form1")) {
            QCOMPARE(main.Text7->accessibleName(), u("Country code"));
            QCOMPARE(main.Text8->accessibleName(), u("Operator code"));
        }
    }

    // The serial devices present, the one the number reaches, and a choice made a link.
    void form2ChoosesTheDevice_data()
    {
        QTest::addColumn<QString>("com3");      // what COM3 is before: dev0, dev1, file, none
        QTest::addColumn<int>("choose");        // row picked; -1 none
        // where COM3 leads after Ok; "file": untouched, and a box says why
        QTest::addColumn<QString>("after");
        QTest::newRow("relink") << u("dev0") << 1 << u("by-id/usb-Phone_1");
        QTest::newRow("new-link") << u("none") << 0 << u("dev0");
        QTest::newRow("unchanged") << u("dev1") << -1 << u("dev1");
        QTest::newRow("other-than-a-link") << u("file") << 0 << u("file");
    }
    void form2ChoosesTheDevice()
    {
        QFETCH(QString, com3); QFETCH(int, choose); QFETCH(QString, after);
        QTemporaryDir dir;
        const auto at = [&dir](const QString &name) { return dir.filePath(name); };
        const auto touch = [](const QString &file) { return QFile(file).open(QFile::WriteOnly); };
        Seams::setProgramFolder(dir.path());
        QVERIFY(QDir(dir.path()).mkdir(u("by-id")) && touch(at(u("dev0"))) && touch(at(u("dev1")))
                && QFile::link(at(u("dev1")), at(u("by-id/usb-Phone_1"))));
        PortDevice::setLister([&at] {
            return QList<PortDevice::DeviceInfo>{
                {at(u("dev0")), {}, u("ttyS"), {}, {}, {}},
                {at(u("dev1")), at(u("by-id/usb-Phone_1")), u("USB-Serial"), u("Prolific"),
                 u("067b:2303"), u("A1")}};
        });
        const QString link = at(u("COM3"));
        QVERIFY(com3 == u("none")
                || (com3 == u("file") ? touch(link) : QFile::link(at(com3), link)));
        MsgBoxRecorder recorder;
        FakePhonePort port;
        setUp(port);
        Form2 form(port);
        form.show();
        QCOMPARE(form.DeviceList->count(), 2);
        QCOMPARE(form.DeviceList->item(1)->text(),
                 at(u("dev1")) + u("  USB-Serial (Prolific)  USB 067b:2303"));
        QCOMPARE(form.DeviceList->currentRow(), com3 == u("dev0") ? 0 : com3 == u("dev1") ? 1 : -1);
        QVERIFY2(form.ReachLabel->text().startsWith(u("Port 3 reaches ") + link),
                 qPrintable(form.ReachLabel->text()));
        if (choose >= 0)
            form.DeviceList->setCurrentRow(choose);
        click(form.Command1);
        QVERIFY(form.isHidden());
        QCOMPARE(recorder.shown.size(), after == u("file") ? 1 : 0);
        const QFileInfo result(link);
        if (after == u("file"))
            QVERIFY(result.isFile() && !result.isSymLink());
        else
            QCOMPARE(result.symLinkTarget(), at(after));
        QVERIFY(!QFile::exists(link + u(".new")));
        PortDevice::setLister({});
        Seams::setProgramFolder(QString());
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
