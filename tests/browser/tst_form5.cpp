// SPDX-License-Identifier: GPL-3.0-or-later
// The message browser window on a fake port: its layout, opening it, and the capacity box.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/textfile.h"
#include "browser/form5.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"

#include <QtWidgets>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString S(const char *s) { return QString::fromUtf8(s); }

QString Geometry(const QWidget *w)
{
    const QRect g = w->geometry();
    return S("%1 %2 %3 %4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
}
} // namespace

class TestForm5 : public QObject
{
    Q_OBJECT

    struct Rig
    {
        QTemporaryDir dir;   // the program folder
        MsgBoxRecorder boxes;
        AppState state;
        FakePhonePort port;
        Form1 main{state, port};
        Form5 *form = main.BrowserWindow();
        Rig()
        {
            Seams::setProgramFolder(dir.path());
            main.Timer1->stop();
            port.setPortOpen(true);
        }
    };

private slots:
    // Twips at 15 to the pixel; labels only where they start.
    void laidOut_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("geometry");
        QTest::addColumn<QString>("caption");
        const char *rows[][3] = {
            {"Grid1", "8 16 545 257", ""}, {"Command1", "8 280 73 25", "Read SMS"},
            {"Command4", "88 280 73 25", "Update"}, {"Command5", "320 280 73 25", "Save as.."},
            {"Command3", "400 280 73 25", "Reply"}, {"Command7", "480 280 73 25", "Delete"},
            {"Command2", "480 432 73 25", "Exit"}, {"Text2", "8 336 337 81", ""},
            {"Text3", "72 421 49 19", ""}, {"Check1", "8 448 185 17", "Delete SMS after saving"},
            {"ProgressBar1", "8 472 545 17", ""}, {"Label1", "8 320", "Text of message:"},
            {"Label3", "360 328", "Sender:"}, {"Label5", "384 352", ""},
            {"Label4", "360 376", "Date and Time: (DD/MM/YY)"}, {"Label6", "384 400", ""},
            {"Label2", "8 424", "Capacity:"}};
        for (const auto &r : rows)
            QTest::newRow(r[0]) << S(r[0]) << S(r[1]) << S(r[2]);
    }
    void laidOut()
    {
        QFETCH(QString, name);
        QFETCH(QString, geometry);
        QFETCH(QString, caption);
        Rig r;
        const QWidget *w = r.form->findChild<QWidget *>(name);
        QVERIFY(w);
        QCOMPARE(Geometry(w).left(geometry.size()), geometry);
        const QVariant text = w->property("text");
        QCOMPARE(text.isValid() ? text.toString() : QString(), caption);
    }

    void createdAsSpecified()
    {
        Rig r;
        Form5 &f = *r.form;
        QCOMPARE(f.parent(), &r.main);
        QCOMPARE(r.main.BrowserWindow(), &f);   // one window for the whole session
        QVERIFY(f.isModal());
        QCOMPARE(f.windowTitle(), S("Browser SMS"));
        QCOMPARE(f.minimumSize(), QSize(563, 501));
        QCOMPARE(f.maximumSize(), QSize(563, 501));
        QStringList columns;
        for (int c = 0; c < f.Grid1->columnCount(); ++c) {
            const QTableWidgetItem *h = f.Grid1->horizontalHeaderItem(c);
            columns << S("%1 %2 %3").arg(h->text()).arg(f.Grid1->columnWidth(c))
                           .arg(h->textAlignment() == Qt::AlignCenter);
        }
        QCOMPARE(columns, S("Progr. 47 1|Id 47 1|Sender 187 1|Date and Time 187 1|"
                            "Service C. used 120 1").split(u'|'));
        QVERIFY(f.Check1->isChecked() && f.Command1->isEnabled() && f.Command5->isEnabled());
        QVERIFY(!f.Command4->isEnabled() && !f.Command3->isEnabled() && !f.Command7->isEnabled());
        QVERIFY(!f.Text1->isVisible());
    }

    // "Browse SMS" opens the browser modally and shows the capacity; not during a download.
    void browseButton()
    {
        Rig r;
        r.state.SmsCapacity = 7;
        r.main.ClearReceiveBuffer();
        QString shown;
        QTimer::singleShot(0, r.form, [&] {
            QWidget *w = QApplication::activeModalWidget();
            shown = w ? w->objectName() + u' ' + r.form->Text3->text() : S("none");
            r.form->Command2->click();
        });
        r.main.Command4->click();
        QCOMPARE(shown, S("Form5 7"));
        QVERIFY(r.form->isHidden() && r.boxes.shown.isEmpty());

        r.state.PhonebookDownload = true;
        QTimer::singleShot(0, r.form, [&] {
            if (QApplication::activeModalWidget() == r.form)
                r.form->Command2->click();
        });
        r.main.Command4_Click();
        QVERIFY(r.form->isHidden());
        QCOMPARE(r.boxes.shown.size(), 1);
        QVERIFY(r.port.writes.isEmpty());
    }

    // Any whole number from 1 to 999 is taken at once; anything else is refused when the
    // typing is over, and the previous value comes back.
    void capacity_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<bool>("refused");
        QTest::newRow("twelve") << S("12") << 12 << false;
        QTest::newRow("one") << S("1") << 1 << false;
        QTest::newRow("top") << S("999") << 999 << false;
        QTest::newRow("rounded") << S("7.6") << 8 << false;
        QTest::newRow("leading-number") << S("30 sms") << 30 << false;
        QTest::newRow("zero") << S("0") << 20 << true;
        QTest::newRow("above") << S("1000") << 20 << true;
        QTest::newRow("negative") << S("-5") << 20 << true;
        QTest::newRow("letters") << S("abc") << 20 << true;
        QTest::newRow("empty") << QString() << 20 << true;
    }
    void capacity()
    {
        QFETCH(QString, typed);
        QFETCH(int, capacity);
        QFETCH(bool, refused);
        Rig r;
        r.form->show();
        QCOMPARE(r.form->Text3->text(), S("20"));
        r.form->Text3->setFocus();
        r.form->Text3->selectAll();
        QTest::keyClicks(r.form->Text3, typed);
        if (typed.isEmpty())
            QTest::keyClick(r.form->Text3, Qt::Key_Delete);
        QTest::keyClick(r.form->Text3, Qt::Key_Return);
        QCOMPARE(int(r.state.SmsCapacity), capacity);
        QCOMPARE(r.form->ProgressBar1->maximum(), capacity);
        QCOMPARE(r.boxes.shown.size(), refused ? 1 : 0);
        if (refused) {
            QVERIFY(r.boxes.shown[0].text.contains(S("from 1 to 999")));
            QCOMPARE(r.form->Text3->text(), S("20"));
        }
        // Kept with the other settings.
        r.main.Mn_Salva_Imp_Click();
        const QStringList lines = TextFile::Read(r.dir.filePath(S("Setting.sms")))
                                      .value_or(QString()).split(S("\r\n"));
        QCOMPARE(lines.value(9), S(" %1 ").arg(capacity));
    }
};

QTEST_MAIN(TestForm5)
#include "tst_form5.moc"
