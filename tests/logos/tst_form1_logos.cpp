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

namespace {

QString fixture(const char *name) { return QStringLiteral(SMS_BMP_DATA "/") + QLatin1String(name); }

QString zeros(int n) { return QString(n, QLatin1Char('0')); }

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
    QImage preview() { return f().Image1->pixmap().toImage(); }
    QString operatorFile() { return Seams::ProgramFile(QStringLiteral("Operator.sms")); }

    void load(const QString &path)
    {
        m_nextFile = path;
        f().Command9->click();
    }

    // The logo mode on, `kind` chosen and `file` loaded.
    void loadAs(Kind kind, const QString &file)
    {
        f().Check1->click();
        (kind == Kind::Operator ? f().Option1 : kind == Kind::Group ? f().Option2 : f().Option3)->click();
        load(file);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
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

    // Ticking reads Operator.sms (the first field as a number) and switches the text box off;
    // the file is written at shutdown when both codes are there.
    void tickingTheBoxAndOperatorFile()
    {
        f().Text7->setText(QStringLiteral("262"));
        f().Check1->click();   // no Operator.sms yet: the boxes keep what they hold
        QCOMPARE(f().Text7->text(), QStringLiteral("262"));
        QVERIFY(f().Text8->text().isEmpty());
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
        f().Check1->click();
        QCOMPARE(s().LogoData, logo);   // the loaded logo survives unticking

        f().Text7->setText(QStringLiteral("262"));
        f().Text8->setText(QStringLiteral("02"));
        m_boxes->answers << Seams::MsgResult::No;
        f().Command8_Click();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("262\r\n02\r\n"));
        QCOMPARE(m_boxes->shown.size(), 1);   // only the closing question
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
        loadAs(Kind::Group, fixture("pil_72x14_topleft.bmp"));
        const QString logo = s().LogoData;
        s().Pdu1 = s().Pdu2 = s().Pdu3 = s().UserData1 = s().UserData2 = s().UserData3
            = QStringLiteral("built");
        f().Option1->click();   // between the two 72 x 14 kinds the logo stays
        QVERIFY(s().OperatorLogoMode && !s().PictureMode);
        f().Option2->click();
        QCOMPARE(s().LogoData, logo);
        QVERIFY(!preview().isNull());
        QCOMPARE(s().Pdu1, QStringLiteral("built"));

        f().Option3->click();   // crossing to the picture drops the picture and built messages
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
        QVERIFY(s().PictureData1.isEmpty() && s().PictureData2.isEmpty() && s().PictureData3.isEmpty());
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

    // A file loaded as each kind: the preview, the message count, and the picture, kind and
    // network code gammu finds in the PDUs built from it.
    void loadAndDecode_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("file");   // empty: `black` written as a BMP
        QTest::addColumn<SmartOracle::Picture>("black");
        QTest::addColumn<QStringList>("codes");   // country, operator, network gammu reports
        const SmartOracle::Picture logo = [](int x, int y) {
            return (x + 3 * y) % 7 == 0 || (y == 0 && x < 5) || x == 71;
        };
        const SmartOracle::Picture topLeft = [](int x, int y) { return x == 0 && y == 0; };
        const QStringList none{QString(), QString(), QString()};
        QTest::newRow("operator") << Kind::Operator << QString() << logo
                                  << QStringList{QStringLiteral("222"), QStringLiteral("01"), QStringLiteral("222 01")};
        QTest::newRow("operator-v5-top-down") << Kind::Operator << fixture("td_v5_72x14_topleft.bmp") << topLeft
                                              << QStringList{QStringLiteral("262"), QStringLiteral("02"), QStringLiteral("262 02")};
        QTest::newRow("group") << Kind::Group << QString() << logo << none;
        QTest::newRow("group-pillow") << Kind::Group << fixture("pil_72x14_topleft.bmp") << topLeft << none;
        QTest::newRow("picture") << Kind::Picture << QString()
                                 << SmartOracle::Picture([](int x, int y) {
                                        return (x * y) % 11 == 1 || y == 27 || (x == 0 && y < 9);
                                    }) << none;
        QTest::newRow("picture-imagemagick") << Kind::Picture << fixture("im_bmp3_72x28_bottomright.bmp")
                                             << SmartOracle::Picture([](int x, int y) { return x == 71 && y == 27; })
                                             << none;
    }
    void loadAndDecode()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, file);
        QFETCH(SmartOracle::Picture, black);
        QFETCH(QStringList, codes);
        if (file.isEmpty()) {
            QFile out(file = m_dir->filePath(QStringLiteral("drawn.bmp")));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(SmartOracle::bmp(kind == Kind::Picture ? 28 : 14, black));
        }
        loadAs(kind, file);
        QCOMPARE(m_dialogs.size(), 1);
        QCOMPARE(m_dialogs.first().title, QStringLiteral(" Legge un file BMP"));
        QCOMPARE(m_dialogs.first().fileName, QStringLiteral("*.Bmp"));
        QCOMPARE(f().Label14->text(), kind == Kind::Picture ? QStringLiteral("3") : QStringLiteral("1"));
        const QImage img = preview();   // what will be sent, black where gammu must find black
        QCOMPARE(img.size(), QSize(72, kind == Kind::Picture ? 28 : 14));
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < 72; ++x)
                QCOMPARE(img.pixel(x, y), black(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        QTest::keyClicks(f().Text7, codes[0]);
        QTest::keyClicks(f().Text8, codes[1]);
        f().Text2->setText(QStringLiteral("393359609600"));
        f().Text4->setText(QStringLiteral("3471234567"));
        f().Command5->click();
        QVERIFY2(m_boxes->shown.isEmpty(), qPrintable(m_boxes->texts().join(QLatin1Char('|'))));
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
