// SPDX-License-Identifier: GPL-3.0-or-later
// The logo frame of the main window: the "Nokia Logo" box, the three kinds, loading a BMP,
// the preview, the operator codes and Operator.sms.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/seams.h"
#include "fakephoneport.h"
#include "logos/form1_logos.h"
#include "msgboxrecorder.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(SMS_BMP_DATA "/") + QString::fromLatin1(name);
}

QString zeros(int n) { return QString(n, QLatin1Char('0')); }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestForm1Logos : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<FakePhonePort> m_port;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    QList<Seams::FileDialogCall> m_dialogs;
    QString m_nextFile;

    Form1 &f() { return *m_form; }
    AppState &s() { return *m_state; }

    void load(const QString &path)
    {
        m_nextFile = path;
        f().Command9->click();
    }

    QImage preview() { return f().Image1->pixmap().toImage(); }

    void writeOperatorFile(const QByteArray &bytes)
    {
        QFile file(Seams::ProgramFile(QStringLiteral("Operator.sms")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Seams::setProgramFolder(m_dir->path());
        m_boxes = std::make_unique<MsgBoxRecorder>();
        m_dialogs.clear();
        m_nextFile.clear();
        Seams::setOpenFileDialogHandler([this](const Seams::FileDialogCall &call) {
            m_dialogs << call;
            return m_nextFile;
        });
        m_state = std::make_unique<AppState>();
        m_port = std::make_unique<FakePhonePort>();
        m_form = std::make_unique<Form1>(*m_state, *m_port);
        f().Form_Load();
        f().Timer1->stop();   // no automatic phone search in these tests
    }

    void cleanup()
    {
        m_form.reset();
        m_port.reset();
        m_state.reset();
        m_boxes.reset();
        Seams::setOpenFileDialogHandler({});
        Seams::setProgramFolder(QString());
        m_dir.reset();
    }

    // Ticking reads Operator.sms; the first field is read as a number.
    void tickingReadsOperatorFileAndSwitchesMode()
    {
        writeOperatorFile("001\r\n01\r\n");
        f().setText5Text(QStringLiteral("some text"));
        f().Check1->click();
        QVERIFY(s().LogoMode);
        QCOMPARE(f().Text7->text(), QStringLiteral("1"));
        QCOMPARE(f().Text8->text(), QStringLiteral("01"));
        QCOMPARE(s().OperatorMcc, QStringLiteral("00F1"));
        QCOMPARE(s().OperatorMnc, QStringLiteral("10"));
        QVERIFY(f().Frame1->isEnabled());
        QVERIFY(f().Command9->isEnabled());
        QVERIFY(!f().Text5->isEnabled());
        QVERIFY(f().Text5->toPlainText().isEmpty());
        QVERIFY(m_boxes->shown.isEmpty());

        f().setText5Text(QStringLiteral("x"));
        f().Check1->click();
        QVERIFY(!s().LogoMode);
        QVERIFY(!f().Frame1->isEnabled());
        QVERIFY(!f().Command9->isEnabled());
        QVERIFY(f().Text5->isEnabled());
        QVERIFY(f().Text5->toPlainText().isEmpty());
    }

    void missingOperatorFileKeepsBoxes()
    {
        f().Text7->setText(QStringLiteral("262"));
        f().Check1->click();
        QCOMPARE(f().Text7->text(), QStringLiteral("262"));
        QVERIFY(f().Text8->text().isEmpty());
        QVERIFY(m_boxes->shown.isEmpty());
    }

    void loadsGroupLogoAndPreview()
    {
        f().Check1->click();
        load(fixture("pil_72x14_topleft.bmp"));
        QCOMPARE(m_dialogs.size(), 1);
        QCOMPARE(m_dialogs.first().title, QStringLiteral(" Legge un file BMP"));
        QCOMPARE(m_dialogs.first().fileName, QStringLiteral("*.Bmp"));
        QCOMPARE(s().LogoData, QStringLiteral("80") + zeros(250));
        QCOMPARE(f().Label14->text(), QStringLiteral("1"));
        const QImage img = preview();
        QCOMPARE(img.size(), QSize(72, 14));
        QCOMPARE(img.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(1, 0), qRgb(255, 255, 255));
        QCOMPARE(img.pixel(71, 13), qRgb(255, 255, 255));
        QCOMPARE(LogoStateOf(f()).LogoInfo.bmiHeader.biWidth, 72);
        QVERIFY(m_boxes->shown.isEmpty());
    }

    // The preview shows what is sent: a dark grey pixel is white there.
    void previewShowsOnlyPureBlack()
    {
        f().Check1->click();
        load(fixture("td_v5_72x14_topleft.bmp"));
        QCOMPARE(s().LogoData, QStringLiteral("80") + zeros(250));
        QCOMPARE(preview().pixel(0, 0), qRgb(0, 0, 0));
        load(fixture("pil_72x14_black.bmp"));
        QCOMPARE(s().LogoData, QString(252, QLatin1Char('F')));
        QCOMPARE(preview().pixel(40, 7), qRgb(0, 0, 0));
    }

    void loadsPictureMessage()
    {
        f().Check1->click();
        f().Option3->click();
        QVERIFY(s().PictureMode && !s().OperatorLogoMode);
        load(fixture("im_bmp3_72x28_bottomright.bmp"));
        QCOMPARE(s().PictureData1, zeros(234));
        QCOMPARE(s().PictureData2, zeros(256));
        QCOMPARE(s().PictureData3, QStringLiteral("00000000000001"));
        QCOMPARE(f().Label14->text(), QStringLiteral("3"));
        const QImage img = preview();
        QCOMPARE(img.size(), QSize(72, 28));
        QCOMPARE(img.pixel(71, 27), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(70, 27), qRgb(255, 255, 255));
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");   // empty: nothing shown
        QTest::newRow("72x14-as-picture") << true << fixture("pil_72x14_topleft.bmp")
                                          << QStringLiteral("Bitmap must be 72x28x2 !!!");
        QTest::newRow("4bit-logo") << false << fixture("im_72x14_palette.bmp")
                                   << QStringLiteral("Bitmap must be 72x14x2 !!!");
        QTest::newRow("72x28-as-logo") << false << fixture("pil_72x28_bottomright.bmp")
                                       << QStringLiteral("Bitmap must be 72x14x2 !!!");
        QTest::newRow("compressed") << false << fixture("im_72x14_bitfields.bmp") << QString();
        QTest::newRow("missing") << false << fixture("none.bmp") << QString();
        QTest::newRow("cancelled") << false << QString() << QString();
        QTest::newRow("text-file") << false << fixture("README") << QString();
    }
    // A refused file leaves the earlier picture, its data and the message count alone.
    void refusals()
    {
        QFETCH(bool, picture);
        QFETCH(QString, file);
        QFETCH(QString, message);
        f().Check1->click();
        if (picture) {
            f().Option3->click();
            load(fixture("pil_72x28_bottomright.bmp"));
        } else {
            load(fixture("pil_72x14_topleft.bmp"));
        }
        const QString logo = s().LogoData, pic3 = s().PictureData3;
        const QImage before = preview();
        f().Label14->setText(QStringLiteral("7"));
        load(file);
        if (message.isEmpty()) {
            QVERIFY(m_boxes->shown.isEmpty());
        } else {
            QCOMPARE(m_boxes->shown.size(), 1);
            QCOMPARE(m_boxes->shown.first().text, message);
            QCOMPARE(m_boxes->shown.first().title, QStringLiteral("Error."));
            QCOMPARE(m_boxes->shown.first().icon, Seams::MsgIcon::Exclamation);
        }
        QCOMPARE(s().LogoData, logo);
        QCOMPARE(s().PictureData3, pic3);
        QVERIFY(!(picture ? pic3 : logo).isEmpty());
        QCOMPARE(preview(), before);
        QCOMPARE(f().Label14->text(), QStringLiteral("7"));
    }

    void clearingRules()
    {
        f().Check1->click();
        load(fixture("pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData;
        s().Pdu1 = s().Pdu2 = s().Pdu3 = s().UserData1 = s().UserData2 = s().UserData3
            = QStringLiteral("built");

        // Between the two 72 x 14 kinds the logo stays.
        f().Option1->click();
        QVERIFY(s().OperatorLogoMode && !s().PictureMode);
        QCOMPARE(s().LogoData, logo);
        QVERIFY(!preview().isNull());
        f().Option2->click();
        QCOMPARE(s().LogoData, logo);
        QCOMPARE(s().Pdu1, QStringLiteral("built"));

        // Crossing to the picture message drops the picture and the built messages.
        f().Option3->click();
        QVERIFY(s().LogoData.isEmpty());
        QVERIFY(preview().isNull());
        for (const QString *field : {&s().Pdu1, &s().Pdu2, &s().Pdu3, &s().UserData1,
                                     &s().UserData2, &s().UserData3})
            QVERIFY(field->isEmpty());

        load(fixture("pil_72x28_bottomright.bmp"));
        QVERIFY(!s().PictureData1.isEmpty());
        f().Option3->click();   // the same kind again keeps it
        QVERIFY(!s().PictureData1.isEmpty());
        f().Option1->click();   // and back to a logo drops it
        QVERIFY(s().PictureData1.isEmpty() && s().PictureData2.isEmpty()
                && s().PictureData3.isEmpty());
    }

    void codeBoxesFollowTheKind()
    {
        f().Check1->click();
        f().Option1->click();
        QVERIFY(f().Text7->isEnabled() && f().Text8->isEnabled());
        const QColor on = f().Text7->palette().color(QPalette::Base);
        f().Option3->click();
        QVERIFY(!f().Text7->isEnabled() && !f().Text8->isEnabled());
        QVERIFY(f().Text7->palette().color(QPalette::Base) != on);
        f().Option1->click();
        f().Option2->click();
        QVERIFY(!f().Text7->isEnabled() && !f().Text8->isEnabled());
    }

    void typingTheCodes()
    {
        f().Check1->click();
        f().Option1->click();
        const QStringList mcc{QStringLiteral("00F2"), QStringLiteral("0022"),
                              QStringLiteral("22F2")};
        f().Text7->setFocus();
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(f().Text7, Qt::Key_2);
            QCOMPARE(s().OperatorMcc, mcc.at(i));
        }
        QTest::keyClick(f().Text7, Qt::Key_2);   // the box takes three characters
        QCOMPARE(f().Text7->text(), QStringLiteral("222"));
        QCOMPARE(s().OperatorMcc, QStringLiteral("22F2"));
        QTest::keyClicks(f().Text8, QStringLiteral("01"));
        QCOMPARE(s().OperatorMnc, QStringLiteral("10"));
        f().Text8->clear();
        QCOMPARE(s().OperatorMnc, QStringLiteral("FF"));
    }

    void tickingTwiceKeepsLogo()
    {
        f().Check1->click();
        load(fixture("pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData;
        for (int i = 0; i < 4; ++i)
            f().Check1->click();
        QCOMPARE(s().LogoData, logo);
        QVERIFY(s().LogoMode);
        f().Check1->click();
        QVERIFY(preview().isNull());
        QCOMPARE(s().LogoData, logo);
    }

    void savesOperatorFile()
    {
        const QString path = Seams::ProgramFile(QStringLiteral("Operator.sms"));
        f().Text7->setText(QStringLiteral("222"));
        f().SaveOperatorFile();
        QVERIFY(!QFile::exists(path));   // both codes are needed
        f().Text8->setText(QStringLiteral("01"));
        f().SaveOperatorFile();
        QCOMPARE(readAll(path), QByteArray("222\r\n01\r\n"));
        // And it is read back on the next tick of the box.
        f().Text7->clear();
        f().Text8->clear();
        f().Check1->click();
        QCOMPARE(f().Text7->text(), QStringLiteral("222"));
        QCOMPARE(f().Text8->text(), QStringLiteral("01"));
        QCOMPARE(s().OperatorMcc, QStringLiteral("22F2"));
    }

    void shutdownWritesOperatorFile()
    {
        f().Text7->setText(QStringLiteral("262"));
        f().Text8->setText(QStringLiteral("02"));
        m_boxes->answers << Seams::MsgResult::No;
        f().Command8_Click();
        QCOMPARE(readAll(Seams::ProgramFile(QStringLiteral("Operator.sms"))),
                 QByteArray("262\r\n02\r\n"));
    }
};

QTEST_MAIN(TestForm1Logos)
#include "tst_form1_logos.moc"
