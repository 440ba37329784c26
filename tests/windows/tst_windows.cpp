// SPDX-License-Identifier: GPL-3.0-or-later
// The port settings window, the special-characters strip and the About window.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/seams.h"
#include "fakephoneport.h"
#include "windows/about.h"
#include "windows/form2.h"
#include "windows/form4.h"
#include "windows/portsettings.h"
#include "windows/versionline.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
QString u(const char *utf8) { return QString::fromUtf8(utf8); }

/// Runs `act` on the modal window once its exec() loop runs; the window is closed
/// afterwards whatever happened, so a failing check cannot hang the test.
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

/// The mouse moving over `w` with no button down. (The offscreen platform routes its
/// cursor to the first window under it whatever the stacking, so the event goes direct.)
void hover(QWidget *w)
{
    const QPointF at = QPointF(w->rect().center());
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

/// The port as the examples have it: COM3, 9600,n,8,1, RTS/CTS.
void setUp(FakePhonePort &port)
{
    QVERIFY(port.setCommPort(3) && port.setSettings(u("9600,n,8,1")) && port.setHandshaking(2));
}
} // namespace

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    // ---- port settings
    void speedPartOfSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("rewritten");
        QTest::newRow("9600-to-115200") << u("9600,n,8,1") << u("9600") << u("115200")
                                        << u("115200,n,8,1");
        QTest::newRow("115200-to-9600") << u("115200,e,7,2") << u("115200") << u("9600")
                                        << u("9600,e,7,2");
        QTest::newRow("comma-at-7") << u("123456,n,8,1") << u("123456") << u("9600")
                                    << u("9600,n,8,1");
        // No comma among the first seven characters: those seven are the speed.
        QTest::newRow("comma-past-7") << u("1234567,n") << u("1234567") << u("9600") << u("9600,n");
        QTest::newRow("empty") << QString() << QString() << u("57600") << u("57600");
    }
    void speedPartOfSettings()
    {
        QFETCH(QString, settings);
        QFETCH(QString, speed);
        QFETCH(QString, chosen);
        QFETCH(QString, rewritten);
        QCOMPARE(PortSettings::speedPart(settings), speed);
        QCOMPARE(PortSettings::replaceSpeed(settings, chosen), rewritten);
    }

    void applyTakesAllThreeOrNone_data()
    {
        QTest::addColumn<bool>("openBefore");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<bool>("applied");
        const QString good = u("19200,e,7,2");
        QTest::newRow("all-good") << false << u("5") << good << 1 << true;
        QTest::newRow("all-good-port-open") << true << u("12") << good << 3 << true;
        QTest::newRow("empty-number") << false << QString() << good << 1 << false;
        QTest::newRow("letter-number") << true << u("a") << good << 1 << false;
        QTest::newRow("digits-then-letter") << false << u("4x") << good << 1 << false;
        QTest::newRow("number-256") << false << u("256") << good << 1 << false;
        QTest::newRow("bad-parity") << true << u("5") << u("9600,q,8,1") << 1 << false;
        QTest::newRow("empty-settings") << false << u("5") << QString() << 1 << false;
        QTest::newRow("no-flow-choice") << true << u("5") << good << -1 << false;
    }
    void applyTakesAllThreeOrNone()
    {
        QFETCH(bool, openBefore);
        QFETCH(QString, number);
        QFETCH(QString, settings);
        QFETCH(int, handshaking);
        QFETCH(bool, applied);
        FakePhonePort port;
        setUp(port);
        if (openBefore)
            QVERIFY(port.setPortOpen(true));

        QCOMPARE(PortSettings::apply(port, number, settings, handshaking), applied);
        QVERIFY(!port.PortOpen());
        QCOMPARE(port.CommPort(), applied ? number.toInt() : 3);
        QCOMPARE(port.Settings(), applied ? settings : u("9600,n,8,1"));
        QCOMPARE(port.Handshaking(), applied ? handshaking : 2);
    }

    void form2ShowsThePortAndRewritesTheSpeed()
    {
        FakePhonePort port;
        setUp(port);
        Form2 form(port);
        QCOMPARE(form.windowTitle(), u("Settings communications"));
        const QStringList captions{form.Label1->text(), form.Label4->text(), form.Label2->text(),
                                   form.Label3->text(), form.Command1->text()};
        QCOMPARE(captions, (QStringList{u("Comm:"), u("Speed:"), u("Settings:"), u("Flux:"), u("Ok")}));
        QCOMPARE(form.findChild<QComboBox *>(u("Combo1")), form.Combo1);
        QStringList flows;
        for (int i = 0; i < form.Combo1->count(); ++i)
            flows << form.Combo1->itemText(i);
        QCOMPARE(flows, (QStringList{u("None"), u("Xon/Xoff"), u("RTS"), u("RTS Xon/Xoff")}));

        form.show();
        QCOMPARE(form.Text1->text(), u("3"));
        QCOMPARE(form.Text2->text(), u("9600,n,8,1"));
        QCOMPARE(form.Combo1->currentText(), u("RTS"));
        QCOMPARE(form.Combo2->currentText(), u("9600"));

        emit form.Combo2->activated(form.Combo2->findText(u("115200")));   // the user picks it
        QCOMPARE(form.Text2->text(), u("115200,n,8,1"));
        QCOMPARE(port.Settings(), u("9600,n,8,1"));   // nothing applied yet

        // A two-digit port survives showing and "Ok" unchanged.
        form.hide();
        port.setCommPort(12);
        form.show();
        QCOMPARE(form.Text1->text(), u("12"));
        form.Command1_Click();
        QCOMPARE(port.CommPort(), 12);
        QVERIFY(form.isHidden());
    }

    void okFromTheMenuAppliesOrRestores()
    {
        AppState state;
        FakePhonePort port;
        setUp(port);
        QVERIFY(port.setPortOpen(true));
        Form1 main(state, port);

        onModal([](QWidget *w) {
            auto *form = qobject_cast<Form2 *>(w);
            QVERIFY(form);
            form->Text1->setText(u("4"));
            emit form->Combo2->activated(form->Combo2->findText(u("57600")));
            form->Combo1->setCurrentIndex(1);
            click(form->Command1);
        });
        main.Mn_Comm_Click();
        QCOMPARE(port.CommPort(), 4);
        QCOMPARE(port.Settings(), u("57600,n,8,1"));
        QCOMPARE(port.Handshaking(), 1);
        QVERIFY(!port.PortOpen());

        // Refused settings: all three as before, the port still closed.
        QVERIFY(port.setPortOpen(true));
        onModal([](QWidget *w) {
            auto *form = qobject_cast<Form2 *>(w);
            QVERIFY(form);
            QCOMPARE(form->Text1->text(), u("4"));   // refilled on showing
            form->Text1->setText(u("7"));
            form->Text2->setText(u("9600,x,8,1"));
            form->Combo1->setCurrentIndex(3);
            click(form->Command1);
        });
        main.Mn_Comm_Click();
        QCOMPARE(port.CommPort(), 4);
        QCOMPARE(port.Settings(), u("57600,n,8,1"));
        QCOMPARE(port.Handshaking(), 1);
        QVERIFY(!port.PortOpen());

        // The close box applies nothing and leaves the port open.
        QVERIFY(port.setPortOpen(true));
        onModal([](QWidget *w) {
            qobject_cast<Form2 *>(w)->Text1->setText(u("9"));
            w->close();
        });
        main.Mn_Comm_Click();
        QCOMPARE(port.CommPort(), 4);
        QVERIFY(port.PortOpen());
        QCOMPARE(main.findChildren<Form2 *>().size(), 1);
    }

    // ---- special characters
    void stripLettersPlaceAndHighlight()
    {
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        main.setGeometry(100, 80, 760, 560);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        Form4 strip(main);
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));

        const QString letters = u("¥ØøÅåÆæßÉ¡ÄÖÑÜ¿äöñüàèìòù");
        QCOMPARE(letters.size(), qsizetype(Form4::kLetters));
        for (int i = 0; i < Form4::kLetters; ++i) {
            QCOMPARE(strip.Label1[size_t(i)]->text(), u("->  ") + letters[i]);
            if (i > 0)
                QVERIFY(strip.Label1[size_t(i)]->y() > strip.Label1[size_t(i - 1)]->y());
        }
        QCOMPARE(strip.Label2->text(), u("- Cancel -"));
        QVERIFY(strip.Label2->y() > strip.Label1.back()->geometry().bottom());
        QVERIFY(strip.rect().contains(strip.Label2->geometry()));

        // At the main window's right-hand side, near its top.
        const QRect m = main.geometry();
        const QRect s = strip.frameGeometry();
        QVERIFY2(s.right() <= m.right() && s.left() > m.center().x(), "right-hand side");
        QVERIFY2(s.top() >= m.top() && s.top() < m.top() + 60, "near the top");

        const auto visibleBars = [&] {
            QList<int> on;
            for (int i = 0; i < Form4::kLetters; ++i)
                if (strip.Shape1[size_t(i)]->isVisible())
                    on << i;
            return on;
        };
        QCOMPARE(visibleBars(), QList<int>());
        hover(strip.Label1[3]);
        QCOMPARE(visibleBars(), QList<int>{3});
        hover(strip.Label1[4]);
        QCOMPARE(visibleBars(), QList<int>{4});
        QVERIFY(strip.Shape1[4]->geometry().contains(strip.Label1[4]->geometry().center()));
        strip.hide();
        strip.show();   // a new showing starts without a highlight
        QCOMPARE(visibleBars(), QList<int>());
    }

    void clicksPickOrCancel_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("target");   // letter index, -1 Cancel, -2 background
        QTest::addColumn<QString>("after");
        QTest::newRow("pick-a-umlaut") << u("Ca") << 15 << u("Caä");
        QTest::newRow("pick-yen-into-empty") << QString() << 0 << u("¥");
        QTest::newRow("pick-after-line-break") << u("a\r\nb") << 23 << u("a\r\nbù");
        QTest::newRow("cancel") << u("Ca") << -1 << u("Ca");
        QTest::newRow("background") << u("Ca") << -2 << u("Ca");
        // A full message box takes no further character.
        QTest::newRow("full-box") << QString(760, u'x') << 15 << QString(760, u'x');
    }
    void clicksPickOrCancel()
    {
        QFETCH(QString, before);
        QFETCH(int, target);
        QFETCH(QString, after);
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        main.setText5Text(before);
        onModal([target](QWidget *w) {
            auto *strip = qobject_cast<Form4 *>(w);
            QVERIFY(strip);
            if (target >= 0)
                click(strip->Label1[size_t(target)]);
            else if (target == -1)
                click(strip->Label2);
            else
                click(strip, QPoint(2, 2));
            QVERIFY(strip->isHidden());
        });
        main.Mn_Special_Click();
        QCOMPARE(main.Text5Text(), after);
        QCOMPARE(main.findChildren<Form4 *>().size(), 1);
    }

    void caretStandsAtTheEndAfterPicking_data()
    {
        QTest::addColumn<bool>("stripTakesFocus");
        QTest::addColumn<bool>("backAtOnce");
        // The usual way: the strip becomes the active window, the message box loses the
        // focus and gets it back when the main window is activated again, later...
        QTest::newRow("strip-took-the-focus") << true << false;
        // ...or at once, while the strip's exec() is still winding down.
        QTest::newRow("focus-back-at-once") << true << true;
        // A click that closes the strip before the window system activated it.
        QTest::newRow("closed-before-activation") << false << false;
    }
    void caretStandsAtTheEndAfterPicking()
    {
        QFETCH(bool, stripTakesFocus);
        QFETCH(bool, backAtOnce);
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.setText5Text(u("Ca"));
        main.Text5->setFocus();

        onModal([&main, stripTakesFocus, backAtOnce](QWidget *w) {
            if (stripTakesFocus) {
                w->activateWindow();
                QTRY_COMPARE(QApplication::activeWindow(), w);
            }
            click(qobject_cast<Form4 *>(w)->Label1[15]);
            if (backAtOnce) {
                QApplication::setActiveWindow(&main);
                QVERIFY(main.Text5->hasFocus());
            }
        });
        main.Mn_Special_Click();
        // The window manager hands the activation back once the strip is gone.
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTRY_VERIFY(main.Text5->hasFocus());
        QCOMPARE(main.Text5Text(), u("Caä"));
        QCOMPARE(main.Text5->textCursor().position(), 3);
        QVERIFY(!main.Text5->textCursor().hasSelection());
        QVERIFY(!state.CaretToEnd);

        // The next time the box gets the focus, the whole text is selected again.
        main.Text4->setFocus();
        QTRY_VERIFY(main.Text4->hasFocus());
        main.Text5->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(main.Text5->hasFocus());
        QCOMPARE(main.Text5->textCursor().selectedText(), u("Caä"));
    }

    // ---- About
    void versionLine_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("line");
        QTest::newRow("2.0.3") << 2 << 0 << 3 << u("Ver. 2.0.3");
        QTest::newRow("10.0.12") << 10 << 0 << 12 << u("Ver. 10.0.12");
    }
    void versionLine()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, line);
        QCOMPARE(VersionLine(major, minor, revision), line);
    }

    void aboutShowsTheBuildAndOpensThePage()
    {
        QStringList opened;
        Seams::setOpenExternalHandler([&opened](const QString &url) {
            opened << url;
            return true;
        });
        About about;
        QCOMPARE(about.windowTitle(), u("About Corvina SMS"));
        const QStringList texts{about.Label1->text(), about.Label2->text(), about.Label3->text(),
                                about.Label4->text()};
        QCOMPARE(texts, (QStringList{u("Corvina SMS"), u("Ver. " SMS_PROJECT_VERSION),
                                     u("Developed by:"), u("Quillane")}));
        QVERIFY(about.Label5->font().underline());
        QVERIFY(about.windowFlags().testFlag(Qt::Tool));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        click(about.Label1);
        QCOMPARE(opened, QStringList());
        click(about.Label5);
        QCOMPARE(opened, QStringList{About::webPage()});
        Seams::setOpenExternalHandler({});

        // From the menu: one About window per main window, however often it is opened.
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        for (int i = 0; i < 2; ++i) {
            onModal([](QWidget *w) { QVERIFY(qobject_cast<About *>(w)); });
            main.Mn_About_Click();
        }
        QCOMPARE(main.findChildren<About *>().size(), 1);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
