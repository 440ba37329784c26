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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
/// Runs `act` on the modal window once the event loop of its exec() runs; whatever
/// happens, the window is closed afterwards so a failing check cannot hang the test.
void onModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w) {
            QFAIL("no modal window is shown");
            return;
        }
        act(w);
        if (QApplication::activeModalWidget() == w)
            w->close();
    });
}

QPoint centreOf(const QWidget *w) { return w->rect().center(); }
} // namespace

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    // ---- port settings rules
    void speedPartOfSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("rewritten");
        QTest::newRow("9600-to-115200") << QStringLiteral("9600,n,8,1") << QStringLiteral("9600")
                                        << QStringLiteral("115200") << QStringLiteral("115200,n,8,1");
        QTest::newRow("9600-to-19200") << QStringLiteral("9600,n,8,1") << QStringLiteral("9600")
                                       << QStringLiteral("19200") << QStringLiteral("19200,n,8,1");
        QTest::newRow("115200-down-to-9600")
            << QStringLiteral("115200,e,7,2") << QStringLiteral("115200")
            << QStringLiteral("9600") << QStringLiteral("9600,e,7,2");
        QTest::newRow("comma-at-position-7")
            << QStringLiteral("123456,n,8,1") << QStringLiteral("123456")
            << QStringLiteral("9600") << QStringLiteral("9600,n,8,1");
        // No comma among the first seven characters: those seven are the speed.
        QTest::newRow("comma-past-position-7")
            << QStringLiteral("1234567,n") << QStringLiteral("1234567")
            << QStringLiteral("9600") << QStringLiteral("9600,n");
        QTest::newRow("no-comma-long") << QStringLiteral("abcdefghij") << QStringLiteral("abcdefg")
                                       << QStringLiteral("9600") << QStringLiteral("9600hij");
        QTest::newRow("empty") << QString() << QString() << QStringLiteral("57600")
                               << QStringLiteral("57600");
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
        const QString good = QStringLiteral("19200,e,7,2");
        QTest::newRow("all-good") << false << QStringLiteral("5") << good << 1 << true;
        QTest::newRow("all-good-port-open") << true << QStringLiteral("12") << good << 3 << true;
        QTest::newRow("empty-number") << false << QString() << good << 1 << false;
        QTest::newRow("letter-number") << true << QStringLiteral("a") << good << 1 << false;
        QTest::newRow("digits-then-letter") << false << QStringLiteral("4x") << good << 1 << false;
        QTest::newRow("number-0") << false << QStringLiteral("0") << good << 1 << false;
        QTest::newRow("number-256") << false << QStringLiteral("256") << good << 1 << false;
        QTest::newRow("negative-number") << false << QStringLiteral("-5") << good << 1 << false;
        QTest::newRow("bad-parity") << true << QStringLiteral("5") << QStringLiteral("9600,q,8,1")
                                    << 1 << false;
        QTest::newRow("settings-missing-stop") << false << QStringLiteral("5")
                                               << QStringLiteral("9600,n,8") << 1 << false;
        QTest::newRow("empty-settings") << false << QStringLiteral("5") << QString() << 1 << false;
        QTest::newRow("no-flow-choice") << true << QStringLiteral("5") << good << -1 << false;
    }
    void applyTakesAllThreeOrNone()
    {
        QFETCH(bool, openBefore);
        QFETCH(QString, number);
        QFETCH(QString, settings);
        QFETCH(int, handshaking);
        QFETCH(bool, applied);

        FakePhonePort port;
        QVERIFY(port.setCommPort(3));
        QVERIFY(port.setSettings(QStringLiteral("9600,n,8,1")));
        QVERIFY(port.setHandshaking(2));
        if (openBefore)
            QVERIFY(port.setPortOpen(true));

        QCOMPARE(PortSettings::apply(port, number, settings, handshaking), applied);
        QVERIFY(!port.PortOpen());
        if (applied) {
            QCOMPARE(port.CommPort(), number.toInt());
            QCOMPARE(port.Settings(), settings);
            QCOMPARE(port.Handshaking(), handshaking);
        } else {
            QCOMPARE(port.CommPort(), 3);
            QCOMPARE(port.Settings(), QStringLiteral("9600,n,8,1"));
            QCOMPARE(port.Handshaking(), 2);
        }
    }

    // ---- port settings window
    void form2ShowsThePortAndRewritesTheSpeed()
    {
        FakePhonePort port;
        port.setCommPort(3);
        port.setSettings(QStringLiteral("9600,n,8,1"));
        port.setHandshaking(2);
        Form2 form(port);
        QCOMPARE(form.windowTitle(), QStringLiteral("Settings communications"));
        QCOMPARE(form.Label1->text(), QStringLiteral("Comm:"));
        QCOMPARE(form.Label4->text(), QStringLiteral("Speed:"));
        QCOMPARE(form.Label2->text(), QStringLiteral("Settings:"));
        QCOMPARE(form.Label3->text(), QStringLiteral("Flux:"));
        QCOMPARE(form.Command1->text(), QStringLiteral("Ok"));
        QCOMPARE(form.findChild<QComboBox *>(QStringLiteral("Combo1")), form.Combo1);
        QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Text2")), form.Text2);

        form.show();
        QCOMPARE(form.Text1->text(), QStringLiteral("3"));
        QCOMPARE(form.Text2->text(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(form.Combo1->currentText(), QStringLiteral("RTS"));
        QCOMPARE(form.Combo2->currentText(), QStringLiteral("9600"));
        QStringList flows;
        for (int i = 0; i < form.Combo1->count(); ++i)
            flows << form.Combo1->itemText(i);
        QCOMPARE(flows, (QStringList{QStringLiteral("None"), QStringLiteral("Xon/Xoff"),
                                     QStringLiteral("RTS"), QStringLiteral("RTS Xon/Xoff")}));

        // Picking from the list, as the user does.
        const int fastest = form.Combo2->findText(QStringLiteral("115200"));
        QVERIFY(fastest >= 0);
        emit form.Combo2->activated(fastest);
        QCOMPARE(form.Text2->text(), QStringLiteral("115200,n,8,1"));
        QCOMPARE(port.Settings(), QStringLiteral("9600,n,8,1"));   // nothing applied yet

        // A two-digit port survives showing and "Ok" unchanged.
        form.hide();
        port.setCommPort(12);
        form.show();
        QCOMPARE(form.Text1->text(), QStringLiteral("12"));
        form.Command1_Click();
        QCOMPARE(port.CommPort(), 12);
        QVERIFY(form.isHidden());
    }

    void okAppliesAllThreeAndLeavesThePortClosed()
    {
        AppState state;
        FakePhonePort port;
        port.setCommPort(3);
        port.setHandshaking(2);
        QVERIFY(port.setPortOpen(true));
        Form1 main(state, port);

        onModal([](QWidget *w) {
            auto *form = qobject_cast<Form2 *>(w);
            QVERIFY(form);
            form->Text1->setText(QStringLiteral("4"));
            emit form->Combo2->activated(form->Combo2->findText(QStringLiteral("57600")));
            form->Combo1->setCurrentIndex(1);
            QTest::mouseClick(form->Command1, Qt::LeftButton);
        });
        main.Mn_Comm_Click();
        QCOMPARE(port.CommPort(), 4);
        QCOMPARE(port.Settings(), QStringLiteral("57600,n,8,1"));
        QCOMPARE(port.Handshaking(), 1);
        QVERIFY(!port.PortOpen());

        // Refused settings: everything as before, the port still closed.
        QVERIFY(port.setPortOpen(true));
        onModal([](QWidget *w) {
            auto *form = qobject_cast<Form2 *>(w);
            QVERIFY(form);
            QCOMPARE(form->Text1->text(), QStringLiteral("4"));   // refilled on showing
            form->Text1->setText(QStringLiteral("7"));
            form->Text2->setText(QStringLiteral("9600,x,8,1"));
            form->Combo1->setCurrentIndex(3);
            QTest::mouseClick(form->Command1, Qt::LeftButton);
        });
        main.Mn_Comm_Click();
        QCOMPARE(port.CommPort(), 4);
        QCOMPARE(port.Settings(), QStringLiteral("57600,n,8,1"));
        QCOMPARE(port.Handshaking(), 1);
        QVERIFY(!port.PortOpen());

        // The close box applies nothing and leaves the port as it was.
        QVERIFY(port.setPortOpen(true));
        onModal([](QWidget *w) {
            auto *form = qobject_cast<Form2 *>(w);
            QVERIFY(form);
            form->Text1->setText(QStringLiteral("9"));
            form->Combo1->setCurrentIndex(0);
            form->close();
        });
        main.Mn_Comm_Click();
        QCOMPARE(port.CommPort(), 4);
        QCOMPARE(port.Handshaking(), 1);
        QVERIFY(port.PortOpen());

        QCOMPARE(main.findChildren<Form2 *>().size(), 1);
    }

    // ---- special characters
    void stripOffersTheLettersInOrder()
    {
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        Form4 strip(main);
        strip.Form_Activate();
        const QString letters = QString::fromUtf16(
            u"\u00A5\u00D8\u00F8\u00C5\u00E5\u00C6\u00E6\u00DF\u00C9\u00A1\u00C4\u00D6"
            u"\u00D1\u00DC\u00BF\u00E4\u00F6\u00F1\u00FC\u00E0\u00E8\u00EC\u00F2\u00F9");
        QCOMPARE(letters.size(), qsizetype(Form4::kLetters));
        for (int i = 0; i < Form4::kLetters; ++i)
            QCOMPARE(strip.Label1[size_t(i)]->text(), QStringLiteral("->  ") + letters[i]);
        QCOMPARE(strip.Label2->text(), QStringLiteral("- Cancel -"));
        // Stacked top to bottom in index order, Cancel last, all inside the strip.
        for (int i = 1; i < Form4::kLetters; ++i)
            QVERIFY(strip.Label1[size_t(i)]->y() > strip.Label1[size_t(i - 1)]->y());
        QVERIFY(strip.Label2->y() > strip.Label1.back()->geometry().bottom());
        QVERIFY(strip.rect().contains(strip.Label2->geometry()));
        QVERIFY(strip.windowFlags() & Qt::FramelessWindowHint);
    }

    void highlightFollowsTheMouse()
    {
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        Form4 strip(main);
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        const auto visibleBars = [&] {
            QList<int> on;
            for (int i = 0; i < Form4::kLetters; ++i)
                if (strip.Shape1[size_t(i)]->isVisible())
                    on << i;
            return on;
        };
        QCOMPARE(visibleBars(), QList<int>());
        QTest::mouseMove(strip.Label1[3], centreOf(strip.Label1[3]));
        QTRY_COMPARE(visibleBars(), QList<int>{3});
        QTest::mouseMove(strip.Label1[4], centreOf(strip.Label1[4]));
        QTRY_COMPARE(visibleBars(), QList<int>{4});
        // The bar stands behind its label.
        QVERIFY(strip.Shape1[4]->geometry().contains(strip.Label1[4]->geometry().center()));
        // Showing the strip again starts without a highlight.
        strip.hide();
        strip.show();
        QCOMPARE(visibleBars(), QList<int>());
    }

    void clicksPickOrCancel_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("target");   // letter index, -1 Cancel, -2 background
        QTest::addColumn<QString>("after");
        QTest::newRow("pick-a-umlaut") << QStringLiteral("Ca") << 15
                                       << QString(QStringLiteral("Ca") + QChar(0x00E4));
        QTest::newRow("pick-yen-into-empty") << QString() << 0 << QString(QChar(0x00A5));
        QTest::newRow("pick-after-line-break") << QStringLiteral("a\r\nb") << 23
                                               << QString(QStringLiteral("a\r\nb") + QChar(0x00F9));
        QTest::newRow("cancel") << QStringLiteral("Ca") << -1 << QStringLiteral("Ca");
        QTest::newRow("background") << QStringLiteral("Ca") << -2 << QStringLiteral("Ca");
        // A full message box takes no further character.
        QTest::newRow("full-box") << QString(760, QLatin1Char('x')) << 15
                                  << QString(760, QLatin1Char('x'));
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
                QTest::mouseClick(strip->Label1[size_t(target)], Qt::LeftButton, {},
                                  centreOf(strip->Label1[size_t(target)]));
            else if (target == -1)
                QTest::mouseClick(strip->Label2, Qt::LeftButton, {}, centreOf(strip->Label2));
            else
                QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(2, 2));
            QVERIFY(strip->isHidden());
        });
        main.Mn_Special_Click();
        QCOMPARE(main.Text5Text(), after);
        QCOMPARE(main.findChildren<Form4 *>().size(), 1);
    }

    void stripStandsAtTheMainWindowsTopRight()
    {
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        main.setGeometry(100, 80, 760, 560);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        Form4 strip(main);
        strip.show();
        const QRect m = main.geometry();
        const QRect s = strip.frameGeometry();
        QVERIFY2(s.right() <= m.right() && s.left() > m.center().x(), "right-hand side");
        QVERIFY2(s.top() >= m.top() && s.top() < m.top() + 60, "near the top");
    }

    void caretStandsAtTheEndAfterPicking()
    {
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        auto *other = new QLineEdit(&main);   // somewhere else to put the focus
        other->setObjectName(QStringLiteral("elsewhere"));
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.setText5Text(QStringLiteral("Ca"));
        main.Text5->setFocus();

        onModal([](QWidget *w) {
            auto *strip = qobject_cast<Form4 *>(w);
            QVERIFY(strip);
            QTest::mouseClick(strip->Label1[15], Qt::LeftButton, {}, centreOf(strip->Label1[15]));
        });
        main.Mn_Special_Click();
        // The window manager hands activation back once the strip is gone.
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTRY_VERIFY(main.Text5->hasFocus());
        QCoreApplication::processEvents();
        QCOMPARE(main.Text5Text(), QString(QStringLiteral("Ca") + QChar(0x00E4)));
        QCOMPARE(main.Text5->textCursor().position(), 3);
        QVERIFY(!main.Text5->textCursor().hasSelection());
        QVERIFY(!state.CaretToEnd);

        // The next time the box gets the focus, the whole text is selected again.
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        main.Text5->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(main.Text5->hasFocus());
        QCOMPARE(main.Text5->textCursor().selectedText(), QString(QStringLiteral("Ca") + QChar(0x00E4)));

        // Cancelling leaves the caret at the end too.
        onModal([](QWidget *w) {
            auto *strip = qobject_cast<Form4 *>(w);
            QVERIFY(strip);
            QTest::mouseClick(strip->Label2, Qt::LeftButton, {}, centreOf(strip->Label2));
        });
        main.Mn_Special_Click();
        // The window manager hands activation back once the strip is gone.
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTRY_VERIFY(main.Text5->hasFocus());
        QCoreApplication::processEvents();
        QCOMPARE(main.Text5->textCursor().position(), 3);
        QVERIFY(!main.Text5->textCursor().hasSelection());
        QVERIFY(!state.CaretToEnd);
    }

    // ---- About
    void versionLine_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("line");
        QTest::newRow("2.0.3") << 2 << 0 << 3 << QStringLiteral("Ver. 2.0.3");
        QTest::newRow("10.0.12") << 10 << 0 << 12 << QStringLiteral("Ver. 10.0.12");
        QTest::newRow("zeros") << 0 << 0 << 0 << QStringLiteral("Ver. 0.0.0");
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
        QCOMPARE(about.windowTitle(), QStringLiteral("About Corvina SMS"));
        QCOMPARE(about.Label1->text(), QStringLiteral("Corvina SMS"));
        QCOMPARE(about.Label2->text(), QStringLiteral("Ver. " SMS_PROJECT_VERSION));
        QCOMPARE(about.Label3->text(), QStringLiteral("Developed by:"));
        QCOMPARE(about.Label4->text(), QStringLiteral("Quillane"));
        QVERIFY(!about.Label6->text().isEmpty());
        QVERIFY(about.Label5->font().underline());
        QVERIFY(about.windowFlags().testFlag(Qt::Tool));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.Label1, Qt::LeftButton);
        QCOMPARE(opened, QStringList());
        QTest::mouseClick(about.Label5, Qt::LeftButton, {}, centreOf(about.Label5));
        QCOMPARE(opened, QStringList{About::webPage()});
        QVERIFY(QUrl(opened.first()).isValid());
        Seams::setOpenExternalHandler({});
    }

    void aboutIsOneWindowOfTheMainWindow()
    {
        AppState state;
        FakePhonePort port;
        Form1 main(state, port);
        for (int i = 0; i < 2; ++i) {
            onModal([](QWidget *w) {
                QVERIFY(qobject_cast<About *>(w));
                QVERIFY(w->isVisible());
            });
            main.Mn_About_Click();
        }
        QCOMPARE(main.findChildren<About *>().size(), 1);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
