// SPDX-License-Identifier: GPL-3.0-or-later
// The logo frame of the main window: the "Nokia Logo" box, the three kinds, loading a BMP,
// the preview, the operator codes, Operator.sms, and the PDUs built from a loaded file as
// python-gammu's Smart Messaging decoder reads them.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/seams.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "smartoracle.h"

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

using SmartOracle::Kind;
Q_DECLARE_METATYPE(SmartOracle::Picture)
Q_DECLARE_METATYPE(Kind)

namespace {

QString fixture(const char *name) { return QStringLiteral(SMS_BMP_DATA "/") + QLatin1String(name); }

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
    QString operatorFile() { return Seams::ProgramFile(QStringLiteral("Operator.sms")); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Seams::setProgramFolder(m_dir->path());
        m_boxes = std::make_unique<MsgBoxRecorder>();
        m_dialogs.clear();
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

    // Ticking reads Operator.sms (the first field as a number) and switches the text box off.
    void tickingTheBox()
    {
        f().Text7->setText(QStringLiteral("262"));
        f().Check1->click();   // no Operator.sms yet: the boxes keep what they hold
        QCOMPARE(f().Text7->text(), QStringLiteral("262"));
        QVERIFY(f().Text8->text().isEmpty());
        f().Check1->click();
        QFile file(operatorFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("001\r\n01\r\n");
        file.close();
        f().setText5Text(QStringLiteral("some text"));
        f().Check1->click();
        QVERIFY(s().LogoMode);
        QCOMPARE(f().Text7->text(), QStringLiteral("1"));
        QCOMPARE(f().Text8->text(), QStringLiteral("01"));
        QCOMPARE(s().OperatorMcc, QStringLiteral("00F1"));
        QCOMPARE(s().OperatorMnc, QStringLiteral("10"));
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
        QCOMPARE(s().LogoData, logo);   // unticking keeps the loaded logo
        f().Check1->click();
        QCOMPARE(s().LogoData, logo);
        QVERIFY(m_boxes->shown.isEmpty());
    }

    void loads_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("data");   // LogoData, or PictureData1..3
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QPoint>("black");        // a black pixel of the preview; (1, 0) is white
        const QStringList topLeft{QStringLiteral("80") + zeros(250)};
        QTest::newRow("pillow") << false << fixture("pil_72x14_topleft.bmp") << topLeft
                                << QStringLiteral("1") << QPoint(0, 0);
        QTest::newRow("top-down-v5") << false << fixture("td_v5_72x14_topleft.bmp") << topLeft
                                     << QStringLiteral("1") << QPoint(0, 0);
        QTest::newRow("picture") << true << fixture("im_bmp3_72x28_bottomright.bmp")
                                 << QStringList{zeros(234), zeros(256), QStringLiteral("00000000000001")}
                                 << QStringLiteral("3") << QPoint(71, 27);
    }
    void loads()
    {
        QFETCH(bool, picture);
        QFETCH(QString, file);
        QFETCH(QStringList, data);
        QFETCH(QString, messages);
        QFETCH(QPoint, black);
        f().Check1->click();
        if (picture)
            f().Option3->click();
        QCOMPARE(s().PictureMode, picture);
        load(file);
        QCOMPARE(m_dialogs.size(), 1);
        QCOMPARE(m_dialogs.first().title, QStringLiteral(" Legge un file BMP"));
        QCOMPARE(m_dialogs.first().fileName, QStringLiteral("*.Bmp"));
        const QStringList got = picture ? QStringList{s().PictureData1, s().PictureData2,
                                                      s().PictureData3}
                                        : QStringList{s().LogoData};
        QCOMPARE(got, data);
        QCOMPARE(f().Label14->text(), messages);
        const QImage img = preview();
        QCOMPARE(img.size(), QSize(72, picture ? 28 : 14));
        QCOMPARE(img.pixel(black), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(1, 0), qRgb(255, 255, 255));
        QCOMPARE(img.pixel(70, picture ? 27 : 13), qRgb(255, 255, 255));
        QVERIFY(m_boxes->shown.isEmpty());
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
        if (picture)
            f().Option3->click();
        load(fixture(picture ? "pil_72x28_bottomright.bmp" : "pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData, pic3 = s().PictureData3;
        QVERIFY(!(picture ? pic3 : logo).isEmpty());
        const QImage before = preview();
        f().Label14->setText(QStringLiteral("7"));
        load(file);
        QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(m_boxes->shown.first().title, QStringLiteral("Error."));
            QCOMPARE(m_boxes->shown.first().icon, Seams::MsgIcon::Exclamation);
        }
        QCOMPARE(s().LogoData, logo);
        QCOMPARE(s().PictureData3, pic3);
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
        f().Option2->click();
        QCOMPARE(s().LogoData, logo);
        QVERIFY(!preview().isNull());
        QCOMPARE(s().Pdu1, QStringLiteral("built"));

        // Crossing to the picture message drops the picture and the built messages.
        f().Option3->click();
        QVERIFY(s().PictureMode && !s().OperatorLogoMode);
        QVERIFY(s().LogoData.isEmpty());
        QVERIFY(preview().isNull());
        for (const QString *field : {&s().Pdu1, &s().Pdu2, &s().Pdu3, &s().UserData1,
                                     &s().UserData2, &s().UserData3})
            QVERIFY(field->isEmpty());

        load(fixture("pil_72x28_bottomright.bmp"));
        f().Option3->click();   // the same kind again keeps it
        QVERIFY(!s().PictureData1.isEmpty());
        f().Option1->click();   // and back to a logo drops it
        QVERIFY(s().PictureData1.isEmpty() && s().PictureData2.isEmpty()
                && s().PictureData3.isEmpty());
    }

    // Only the operator logo takes the codes; typing them encodes them at once.
    void codeBoxes()
    {
        f().Check1->click();
        f().Option1->click();
        QVERIFY(f().Text7->isEnabled() && f().Text8->isEnabled());
        const QColor on = f().Text7->palette().color(QPalette::Base);
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

        for (QRadioButton *other : {f().Option3, f().Option2}) {
            other->click();
            QVERIFY(!f().Text7->isEnabled() && !f().Text8->isEnabled());
            QVERIFY(f().Text7->palette().color(QPalette::Base) != on);
        }
    }

    // Both codes are needed; the file is written at shutdown and read on the next tick.
    void savesOperatorFile()
    {
        f().Text7->setText(QStringLiteral("222"));
        f().SaveOperatorFile();
        QVERIFY(!QFile::exists(operatorFile()));
        f().Text8->setText(QStringLiteral("01"));
        m_boxes->answers << Seams::MsgResult::No;
        f().Command8_Click();
        QCOMPARE(readAll(operatorFile()), QByteArray("222\r\n01\r\n"));
        f().Text7->clear();
        f().Text8->clear();
        f().Check1->click();
        QCOMPARE(f().Text7->text(), QStringLiteral("222"));
        QCOMPARE(f().Text8->text(), QStringLiteral("01"));
        QCOMPARE(s().OperatorMcc, QStringLiteral("22F2"));
    }

    // The picture, kind and network code gammu finds must be the ones the user gave.
    void gammuDecodesWhatWasLoaded_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("file");   // empty: the picture below, written as a BMP
        QTest::addColumn<SmartOracle::Picture>("black");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("network");
        const SmartOracle::Picture logo = [](int x, int y) {
            return (x + 3 * y) % 7 == 0 || (y == 0 && x < 5) || x == 71;
        };
        const SmartOracle::Picture picture = [](int x, int y) {
            return (x * y) % 11 == 1 || y == 27 || (x == 0 && y < 9);
        };
        const SmartOracle::Picture topLeft = [](int x, int y) { return x == 0 && y == 0; };
        QTest::newRow("operator") << Kind::Operator << QString() << logo << QStringLiteral("222")
                                  << QStringLiteral("01") << QStringLiteral("222 01");
        QTest::newRow("operator-v5-top-down") << Kind::Operator << fixture("td_v5_72x14_topleft.bmp")
                                              << topLeft << QStringLiteral("262")
                                              << QStringLiteral("02") << QStringLiteral("262 02");
        QTest::newRow("group") << Kind::Group << QString() << logo << QString() << QString() << QString();
        QTest::newRow("group-pillow") << Kind::Group << fixture("pil_72x14_topleft.bmp") << topLeft
                                      << QString() << QString() << QString();
        QTest::newRow("picture") << Kind::Picture << QString() << picture << QString() << QString()
                                 << QString();
        QTest::newRow("picture-imagemagick")
            << Kind::Picture << fixture("im_bmp3_72x28_bottomright.bmp")
            << SmartOracle::Picture([](int x, int y) { return x == 71 && y == 27; }) << QString()
            << QString() << QString();
    }
    void gammuDecodesWhatWasLoaded()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, file);
        QFETCH(SmartOracle::Picture, black);
        QFETCH(QString, country);
        QFETCH(QString, op);
        QFETCH(QString, network);
        if (!SmartOracle::available())
            QSKIP("python3-gammu is not installed (apt-get install python3-gammu)");
        if (file.isEmpty()) {
            file = m_dir->filePath(QStringLiteral("drawn.bmp"));
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(SmartOracle::bmp(kind == Kind::Picture ? 28 : 14, black));
        }
        f().Check1->click();
        (kind == Kind::Operator ? f().Option1 : kind == Kind::Group ? f().Option2 : f().Option3)
            ->click();
        QTest::keyClicks(f().Text7, country);
        QTest::keyClicks(f().Text8, op);
        load(file);
        f().Text2->setText(QStringLiteral("393359609600"));
        f().Text4->setText(QStringLiteral("3471234567"));
        f().Command5->click();
        QVERIFY2(m_boxes->shown.isEmpty(), qPrintable(m_boxes->texts().join(QLatin1Char('|'))));
        const QStringList pdus = kind == Kind::Picture ? QStringList{s().Pdu1, s().Pdu2, s().Pdu3}
                                                       : QStringList{s().Pdu1};
        QVERIFY(!pdus.contains(QString()));
        QString errors;
        const QJsonArray out = SmartOracle::decode({pdus}, &errors);
        QVERIFY2(out.size() == 1, qPrintable(errors));
        SmartOracle::verify(out.at(0), kind, black, network, QStringLiteral("3471234567"));
    }
};

QTEST_MAIN(TestForm1Logos)
#include "tst_form1_logos.moc"
