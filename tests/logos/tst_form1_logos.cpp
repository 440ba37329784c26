// SPDX-License-Identifier: GPL-3.0-or-later
// The logo frame of the main window: the "Nokia Logo" box, the three kinds, loading a BMP,
// the preview, the operator codes, Operator.sms, and the PDUs built from a loaded file as
// python-gammu's Smart Messaging decoder reads them.
#include "app/appstate.h"
#include "app/form1.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "smartoracle.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

using SmartOracle::Kind;
Q_DECLARE_METATYPE(SmartOracle::Picture)
Q_DECLARE_METATYPE(Kind)

static QString fixture(const char *name) { return QStringLiteral(SMS_BMP_DATA "/") + QLatin1String(name); }

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
        QList<Seams::FileDialogCall> dialogs;
        QString nextFile;
    };
    std::unique_ptr<Window> m_w;

    Form1 &f() { return m_w->form; }
    AppState &s() { return m_w->state; }
    QImage preview() { return f().Image1->pixmap().toImage(); }
    QString operatorFile() { return Seams::ProgramFile(QStringLiteral("Operator.sms")); }

    void load(const QString &path)
    {
        m_w->nextFile = path;
        f().Command9->click();
    }

    void loadAs(Kind kind, const QString &file)   // with the logo box ticked
    {
        f().Check1->click();
        (kind == Kind::Operator ? f().Option1 : kind == Kind::Group ? f().Option2 : f().Option3)->click();
        load(file);
    }

private slots:
    void init()
    {
        m_w = std::make_unique<Window>();
        Seams::setProgramFolder(m_w->dir.path());
        Seams::setOpenFileDialogHandler([w = m_w.get()](const Seams::FileDialogCall &call) {
            w->dialogs << call;
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
        f().Text7->setText(QStringLiteral("262"));
        f().Check1->click();   // no Operator.sms yet: the boxes keep what they hold
        QCOMPARE(f().Text7->text() + f().Text8->text(), QStringLiteral("262"));
        f().SaveOperatorFile();
        QVERIFY(!QFile::exists(operatorFile()));
        f().Check1->click();
        QFile file(operatorFile());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("001\r\n01\r\n") == 9);
        file.close();
        f().setText5Text(QStringLiteral("some text"));
        f().Check1->click();
        QVERIFY(s().LogoMode);
        QCOMPARE(f().Text7->text(), QStringLiteral("1"));
        QCOMPARE(f().Text8->text(), QStringLiteral("01"));
        QCOMPARE(s().OperatorMcc + s().OperatorMnc, QStringLiteral("00F110"));
        QVERIFY(f().Frame1->isEnabled() && f().Command9->isEnabled() && !f().Text5->isEnabled());
        QVERIFY(f().Text5->toPlainText().isEmpty());

        load(fixture("pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData;
        f().setText5Text(QStringLiteral("x"));
        f().Check1->click();
        QVERIFY(!s().LogoMode);
        QVERIFY(!f().Frame1->isEnabled() && !f().Command9->isEnabled() && f().Text5->isEnabled());
        QVERIFY(f().Text5->toPlainText().isEmpty());
        QVERIFY(preview().isNull());
        f().Check1->click();
        QCOMPARE(s().LogoData, logo);   // the loaded logo survives unticking

        f().Text7->setText(QStringLiteral("262"));
        f().Text8->setText(QStringLiteral("02"));
        m_w->boxes.answers << Seams::MsgResult::No;
        f().Command8_Click();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("262\r\n02\r\n"));
        QCOMPARE(m_w->boxes.shown.size(), 1);   // only the closing question
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");   // empty: nothing shown
        const QString logo = QStringLiteral("Bitmap must be 72x14x2 !!!");
        QTest::newRow("72x14-as-picture") << true << fixture("pil_72x14_topleft.bmp")
                                          << QStringLiteral("Bitmap must be 72x28x2 !!!");
        QTest::newRow("4bit-logo") << false << fixture("im_72x14_palette.bmp") << logo;
        QTest::newRow("24bit-logo") << false << fixture("im_72x14_24bit.bmp") << logo;
        QTest::newRow("72x28-as-logo") << false << fixture("pil_72x28_bottomright.bmp") << logo;
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
        loadAs(picture ? Kind::Picture : Kind::Group,
               fixture(picture ? "pil_72x28_bottomright.bmp" : "pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData, pic3 = s().PictureData3;
        QVERIFY(!(picture ? pic3 : logo).isEmpty());
        const QImage before = preview();
        f().Label14->setText(QStringLiteral("7"));
        load(file);
        QCOMPARE(m_w->boxes.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(m_w->boxes.shown.first().title, QStringLiteral("Error."));
            QCOMPARE(m_w->boxes.shown.first().icon, Seams::MsgIcon::Exclamation);
        }
        QCOMPARE(s().LogoData + s().PictureData3, logo + pic3);
        QCOMPARE(preview(), before);
        QCOMPARE(f().Label14->text(), QStringLiteral("7"));
    }

    // Between the two 72 x 14 kinds the logo stays; crossing to or from the picture message
    // drops the picture and the messages built from it. Only the operator logo takes codes.
    void optionsAndCodeBoxes()
    {
        loadAs(Kind::Group, fixture("pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData;
        QString *built[] = {&s().Pdu1, &s().Pdu2, &s().Pdu3, &s().UserData1, &s().UserData2, &s().UserData3};
        for (QString *field : built)
            *field = QStringLiteral("built");
        f().Option1->click();
        QVERIFY(s().OperatorLogoMode && !s().PictureMode && f().Text7->isEnabled() && f().Text8->isEnabled());
        const QColor on = f().Text7->palette().color(QPalette::Base);
        f().Option2->click();
        QVERIFY(!f().Text7->isEnabled() && !f().Text8->isEnabled());
        QVERIFY(f().Text7->palette().color(QPalette::Base) != on);
        QCOMPARE(s().LogoData, logo);
        QVERIFY(!preview().isNull());
        QCOMPARE(s().Pdu1, QStringLiteral("built"));
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

        const QStringList mcc{QStringLiteral("00F2"), QStringLiteral("0022"), QStringLiteral("22F2")};
        for (int i = 0; i < 4; ++i) {   // the box takes three characters
            QTest::keyClick(f().Text7, Qt::Key_2);
            QCOMPARE(s().OperatorMcc, mcc.at(std::min(i, 2)));
        }
        QCOMPARE(f().Text7->text(), QStringLiteral("222"));
        QTest::keyClicks(f().Text8, QStringLiteral("01"));
        QCOMPARE(s().OperatorMnc, QStringLiteral("10"));
        f().Text8->clear();
        QCOMPARE(s().OperatorMnc, QStringLiteral("FF"));
    }

    // A file loaded as each kind: the preview, the message count, and the picture, kind and
    // network code gammu finds in the PDUs built from it.
    void loadAndDecode_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("file");   // empty: `black` written as a BMP
        QTest::addColumn<SmartOracle::Picture>("black");
        QTest::addColumn<QStringList>("codes");   // country, operator, network gammu reports
        using P = SmartOracle::Picture;
        const P logo = [](int x, int y) { return (x + 3 * y) % 7 == 0 || (y == 0 && x < 5) || x == 71; };
        const P picture = [](int x, int y) { return (x * y) % 11 == 1 || y == 27 || (x == 0 && y < 9); };
        const P topLeft = [](int x, int y) { return x == 0 && y == 0; };
        const P bottomRight = [](int x, int y) { return x == 71 && y == 27; };
        const QStringList none{QString(), QString(), QString()};
        QTest::newRow("operator") << Kind::Operator << QString() << logo
                                  << QString::fromLatin1("222|01|222 01").split(u'|');
        QTest::newRow("operator-v5-top-down") << Kind::Operator << fixture("td_v5_72x14_topleft.bmp")
                                              << topLeft << QString::fromLatin1("262|02|262 02").split(u'|');
        QTest::newRow("group") << Kind::Group << QString() << logo << none;
        QTest::newRow("group-pillow") << Kind::Group << fixture("pil_72x14_topleft.bmp") << topLeft << none;
        QTest::newRow("picture") << Kind::Picture << QString() << picture << none;
        QTest::newRow("picture-imagemagick") << Kind::Picture << fixture("im_bmp3_72x28_bottomright.bmp")
                                             << bottomRight << none;
    }
    void loadAndDecode()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, file);
        QFETCH(SmartOracle::Picture, black);
        QFETCH(QStringList, codes);
        const int height = kind == Kind::Picture ? 28 : 14;
        if (file.isEmpty()) {
            QFile out(file = m_w->dir.filePath(QStringLiteral("drawn.bmp")));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(SmartOracle::bmp(height, black)) > 0);
        }
        loadAs(kind, file);
        QCOMPARE(m_w->dialogs.size(), 1);
        QCOMPARE(m_w->dialogs.first().title, QStringLiteral(" Legge un file BMP"));
        QCOMPARE(m_w->dialogs.first().fileName, QStringLiteral("*.Bmp"));
        QCOMPARE(f().Label14->text(), kind == Kind::Picture ? QStringLiteral("3") : QStringLiteral("1"));
        const QImage img = preview();   // what will be sent: black where gammu must find black
        QCOMPARE(img.size(), QSize(72, height));
        for (int i = 0; i < 72 * height; ++i)
            QCOMPARE(img.pixel(i % 72, i / 72), black(i % 72, i / 72) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        QTest::keyClicks(f().Text7, codes[0]);
        QTest::keyClicks(f().Text8, codes[1]);
        f().Text2->setText(QStringLiteral("393359609600"));
        f().Text4->setText(QStringLiteral("3471234567"));
        f().Command5->click();
        QVERIFY2(m_w->boxes.shown.isEmpty(), qPrintable(m_w->boxes.texts().join(u'|')));
        const QStringList pdus = kind == Kind::Picture ? QStringList{s().Pdu1, s().Pdu2, s().Pdu3}
                                                       : QStringList{s().Pdu1};
        QVERIFY(!pdus.contains(QString()));
        if (!SmartOracle::available())
            QSKIP("python3-gammu is not installed (apt-get install python3-gammu)");
        QString errors;
        const QJsonArray out = SmartOracle::decode({pdus}, &errors);
        QVERIFY2(out.size() == 1, qPrintable(errors));
        SmartOracle::verify(out.at(0), kind, black, codes[2], QStringLiteral("3471234567"));
    }
};

QTEST_MAIN(TestForm1Logos)
#include "tst_form1_logos.moc"
