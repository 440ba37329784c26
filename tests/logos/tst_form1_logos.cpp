// SPDX-License-Identifier: GPL-3.0-or-later
// The logo frame of the main window: the "Nokia Logo" box, the three kinds, loading a BMP,
// the preview, the operator codes and Operator.sms. What is sent from a loaded file, and how
// python-gammu reads it, is checked end to end in tst_logo_e2e.
#include "app/appstate.h"
#include "app/form1.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

static QString fixture(const char *name)
{
    return QStringLiteral(SMS_BMP_DATA "/") + QLatin1String(name);
}

class TestForm1Logos : public QObject
{
    Q_OBJECT

    struct Window
    {
        QTemporaryDir dir;
        MsgBoxRecorder boxes;
        AppState state;
        FakePhonePort port;
        Form1 form{state, port};
        QString nextFile;
    };
    std::unique_ptr<Window> m_w;

    Form1 &f() { return m_w->form; }
    AppState &s() { return m_w->state; }
    QImage preview() { return f().Image1->pixmap().toImage(); }

    void load(const QString &path)
    {
        m_w->nextFile = path;
        f().Command9->click();
    }

private slots:
    void init()
    {
        m_w = std::make_unique<Window>();
        Seams::setProgramFolder(m_w->dir.path());
        Seams::setOpenFileDialogHandler([w = m_w.get()](const Seams::FileDialogCall &) {
            return w->nextFile;
        });
        f().Form_Load();
        f().Timer1->stop();   // no automatic phone search in these tests
    }

    void cleanup()
    {
        Seams::setOpenFileDialogHandler({});
        m_w.reset();
        Seams::setProgramFolder(QString());
    }

    // Ticking reads Operator.sms (the first field as a number) and switches the text box off;
    // the file is written at shutdown when both codes are there.
    void tickingTheBoxAndOperatorFile()
    {
        f().Text7->setText(u"262"_s);
        f().Check1->click();   // no Operator.sms yet: the boxes keep what they hold
        QCOMPARE(f().Text7->text() + f().Text8->text(), u"262"_s);
        f().SaveOperatorFile();
        QFile file(Seams::ProgramFile(u"Operator.sms"_s));
        QVERIFY(!file.exists());
        f().Check1->click();
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("001\r\n01\r\n") == 9);
        file.close();
        f().setText5Text(u"some text"_s);
        f().Check1->click();
        QVERIFY(s().LogoMode);
        QCOMPARE(f().Text7->text() + u'|' + f().Text8->text(), u"1|01"_s);
        QCOMPARE(s().OperatorMcc + s().OperatorMnc, u"00F110"_s);
        QVERIFY(f().Frame1->isEnabled() && f().Command9->isEnabled() && !f().Text5->isEnabled());
        QVERIFY(f().Text5->toPlainText().isEmpty());

        load(fixture("pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData;
        f().setText5Text(u"x"_s);
        f().Check1->click();
        QVERIFY(!s().LogoMode && !f().Frame1->isEnabled() && !f().Command9->isEnabled());
        QVERIFY(f().Text5->isEnabled() && f().Text5->toPlainText().isEmpty() && preview().isNull());
        f().Check1->click();
        QCOMPARE(s().LogoData, logo);   // the loaded logo survives unticking

        f().Text7->setText(u"262"_s);
        f().Text8->setText(u"02"_s);
        m_w->boxes.answers << Seams::MsgResult::No;
        f().Command8_Click();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("262\r\n02\r\n"));
        QCOMPARE(m_w->boxes.shown.size(), 1);   // only the closing question
    }

    // A refused file leaves the earlier picture, its data and the message count alone.
    void refusals_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");   // empty: nothing shown
        const QString logo = u"Bitmap must be 72x14x2 !!!"_s;
        QTest::newRow("72x14-as-picture") << true << fixture("pil_72x14_topleft.bmp")
                                          << u"Bitmap must be 72x28x2 !!!"_s;
        QTest::newRow("4bit-logo") << false << fixture("im_72x14_palette.bmp") << logo;
        QTest::newRow("24bit-logo") << false << fixture("im_72x14_24bit.bmp") << logo;
        QTest::newRow("72x28-as-logo") << false << fixture("pil_72x28_bottomright.bmp") << logo;
        QTest::newRow("compressed") << false << fixture("im_72x14_bitfields.bmp") << QString();
        QTest::newRow("missing") << false << fixture("none.bmp") << QString();
        QTest::newRow("cancelled") << false << QString() << QString();
        QTest::newRow("text-file") << false << fixture("README") << QString();
    }
    void refusals()
    {
        QFETCH(bool, picture);
        QFETCH(QString, file);
        QFETCH(QString, message);
        f().Check1->click();
        (picture ? f().Option3 : f().Option2)->click();
        load(fixture(picture ? "pil_72x28_bottomright.bmp" : "pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData, pic3 = s().PictureData3;
        QVERIFY(!(picture ? pic3 : logo).isEmpty());
        const QImage before = preview();
        f().Label14->setText(u"7"_s);
        load(file);
        QCOMPARE(m_w->boxes.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(m_w->boxes.shown.first().title, u"Error."_s);
            QCOMPARE(m_w->boxes.shown.first().icon, Seams::MsgIcon::Exclamation);
        }
        QCOMPARE(s().LogoData + s().PictureData3, logo + pic3);
        QCOMPARE(preview(), before);
        QCOMPARE(f().Label14->text(), u"7"_s);
    }

    // Between the two 72 x 14 kinds the logo stays; crossing to or from the picture message
    // drops the picture and the messages built from it. Only the operator logo takes codes,
    // and the code boxes feed the codes as typed (encodings: tst_modleggebmp).
    void optionsAndCodeBoxes()
    {
        f().Check1->click();
        f().Option2->click();
        load(fixture("pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData;
        QString *built[] = {&s().Pdu1, &s().Pdu2, &s().Pdu3, &s().UserData1, &s().UserData2,
                            &s().UserData3};
        for (QString *field : built)
            *field = u"built"_s;
        f().Option1->click();
        QVERIFY(s().OperatorLogoMode && !s().PictureMode && f().Text7->isEnabled()
                && f().Text8->isEnabled());
        const QColor on = f().Text7->palette().color(QPalette::Base);
        f().Option2->click();
        QVERIFY(!f().Text7->isEnabled() && !f().Text8->isEnabled());
        QVERIFY(f().Text7->palette().color(QPalette::Base) != on);
        QVERIFY(s().LogoData == logo && !preview().isNull() && s().Pdu1 == u"built"_s);
        f().Option3->click();
        QVERIFY(s().PictureMode && !s().OperatorLogoMode && !f().Text7->isEnabled());
        QVERIFY(s().LogoData.isEmpty() && preview().isNull());
        for (QString *field : built)
            QVERIFY(field->isEmpty());
        load(fixture("pil_72x28_bottomright.bmp"));
        f().Option3->click();   // the same kind again keeps it
        QVERIFY(!s().PictureData1.isEmpty());
        f().Option1->click();
        QVERIFY((s().PictureData1 + s().PictureData2 + s().PictureData3).isEmpty());

        QTest::keyClick(f().Text7, Qt::Key_2);
        QCOMPARE(s().OperatorMcc, u"00F2"_s);
        QTest::keyClicks(f().Text7, u"222"_s);   // the box takes three characters
        QCOMPARE(f().Text7->text() + u'|' + s().OperatorMcc, u"222|22F2"_s);
        QTest::keyClicks(f().Text8, u"01"_s);
        QCOMPARE(s().OperatorMnc, u"10"_s);
        f().Text8->clear();
        QCOMPARE(s().OperatorMnc, u"FF"_s);
    }
};

QTEST_MAIN(TestForm1Logos)
#include "tst_form1_logos.moc"
