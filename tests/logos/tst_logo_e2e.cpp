// SPDX-License-Identifier: GPL-3.0-or-later
// An operator logo, a group logo and a picture message sent from the main window over the
// real serial port to the simulated phone (tools/phonesim on a pseudo-terminal linked as
// COM1), and the PDUs the phone received decoded by python-gammu.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/seams.h"
#include "msgboxrecorder.h"
#include "phonesimrunner.h"
#include "smartoracle.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

bool logoPattern(int x, int y) { return (x + 2 * y) % 9 == 0 || (y == 13 && x > 60); }
bool picturePattern(int x, int y) { return (x + y) % 13 == 0 || (y == 27 && x >= 16); }

} // namespace

class TestLogoE2e : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFile::exists(QStringLiteral(SMS_PHONESIM)))
            QSKIP("the simulated phone is not built");
    }

    void sendsLogosAndPictureThroughThePhone()
    {
        MsgBoxRecorder boxes;
        PhonesimRunner phone;
        QVERIFY2(phone.start(QStringLiteral(SMS_PHONESIM), QStringLiteral(SMS_PHONESIM_SCENARIO)),
                 qPrintable(phone.error));
        AppState &state = phone.state;
        Form1 &f = *phone.form;
        QTRY_VERIFY_WITH_TIMEOUT(f.Command6->isEnabled(), 3000);
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(QLatin1Char('|'))));
        // The PDUs the phone took with AT+CMGS, in order.
        const auto sentPdus = [&phone] {
            QList<QJsonObject> out;
            for (const QJsonObject &o : phone.events(QStringLiteral("pdu")))
                if (o[QLatin1String("command")].toString() == QLatin1String("AT+CMGS"))
                    out << o;
            return out;
        };
        state.ConfirmSend = false;

        const QString logoFile = phone.file(QStringLiteral("logo.bmp"));
        const QString pictureFile = phone.file(QStringLiteral("picture.bmp"));
        for (const auto &[path, bytes] : {std::pair{logoFile, SmartOracle::bmp(14, logoPattern)},
                                          std::pair{pictureFile, SmartOracle::bmp(28, picturePattern)}}) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
        }
        QString nextFile;
        Seams::setOpenFileDialogHandler([&nextFile](const Seams::FileDialogCall &) { return nextFile; });

        f.Text2->setText(QStringLiteral("393359609600"));
        f.Text4->setText(QStringLiteral("3471234567"));
        f.Check1->click();
        QVERIFY(state.LogoMode);

        const auto send = [&](int expectedPdus) {
            const int before = int(sentPdus().size());
            const int sentBoxes = int(boxes.texts().count(QStringLiteral("Messagge sent")));
            f.Command6->click();
            QTRY_COMPARE_WITH_TIMEOUT(int(boxes.texts().count(QStringLiteral("Messagge sent"))),
                                      sentBoxes + 1, 15000);
            QTRY_COMPARE_WITH_TIMEOUT(int(sentPdus().size()), before + expectedPdus, 3000);
            // The count box is refreshed by the status timer; the next count builds on it.
            QTRY_COMPARE_WITH_TIMEOUT(f.Text6->text().trimmed(), QString::number(state.SentCount),
                                      3000);
        };

        // Operator logo, codes typed into the boxes.
        f.Option1->click();
        QTest::keyClicks(f.Text7, QStringLiteral("222"));
        QTest::keyClicks(f.Text8, QStringLiteral("01"));
        nextFile = logoFile;
        f.Command9->click();
        QCOMPARE(f.Label14->text(), QStringLiteral("1"));
        send(1);
        // Group logo: the same picture stays loaded.
        f.Option2->click();
        send(1);
        // Picture message.
        f.Option3->click();
        nextFile = pictureFile;
        f.Command9->click();
        QCOMPARE(f.Label14->text(), QStringLiteral("3"));
        send(3);
        Seams::setOpenFileDialogHandler({});

        QCOMPARE(state.SentCount, std::int16_t(5));
        const QStringList others = boxes.texts().filter(QRegularExpression(QStringLiteral("^(?!Messagge sent$)")));
        QVERIFY2(others.isEmpty(), qPrintable(others.join(QLatin1Char('|'))));

        const QList<QJsonObject> sent = sentPdus();
        QCOMPARE(sent.size(), 5);
        QStringList pdus;
        for (const QJsonObject &o : sent) {
            QVERIFY2(o[QLatin1String("valid")].toBool(),
                     qPrintable(o[QLatin1String("problem")].toString()));
            pdus << o[QLatin1String("pdu")].toString();
        }
        if (!SmartOracle::available())
            QSKIP("python3-gammu is not installed (apt-get install python3-gammu)");
        QString errors;
        const QJsonArray out = SmartOracle::decode({pdus.mid(0, 1), pdus.mid(1, 1), pdus.mid(2, 3)},
                                                   &errors);
        QVERIFY2(out.size() == 3, qPrintable(errors));

        struct Expect
        {
            QString type;
            QStringList ports;
            int height;
            bool (*black)(int, int);
            QString network;
        };
        const Expect expected[] = {
            {QStringLiteral("OperatorLogo"), {QStringLiteral("06050415821582")}, 14, logoPattern,
             QStringLiteral("222 01")},
            {QStringLiteral("CallerGroupLogo"), {QStringLiteral("06050415831583")}, 14, logoPattern,
             QString()},
            {QStringLiteral("PictureImage"),
             {QStringLiteral("0B0504158A158A0003040301"), QStringLiteral("0B0504158A158A0003040302"),
              QStringLiteral("0B0504158A158A0003040303")},
             28, picturePattern, QString()},
        };
        for (int i = 0; i < 3; ++i) {
            const QJsonObject d = out.at(i).toObject();
            QVERIFY2(!d.contains(QLatin1String("error")),
                     qPrintable(d[QLatin1String("error")].toString()));
            const QJsonArray parts = d[QLatin1String("parts")].toArray();
            QCOMPARE(parts.size(), expected[i].ports.size());
            for (int p = 0; p < parts.size(); ++p) {
                const QJsonObject part = parts.at(p).toObject();
                QCOMPARE(part[QLatin1String("coding")].toString(), QStringLiteral("8bit"));
                QCOMPARE(part[QLatin1String("udh")].toString(), expected[i].ports.at(p));
                QCOMPARE(part[QLatin1String("number")].toString(), QStringLiteral("3471234567"));
            }
            const QJsonArray entries = d[QLatin1String("entries")].toArray();
            QCOMPARE(entries.size(), 1);
            const QJsonObject e = entries.at(0).toObject();
            QCOMPARE(e[QLatin1String("type")].toString(), expected[i].type);
            QCOMPARE(SmartOracle::toStrings(e[QLatin1String("rows")]),
                     SmartOracle::rows(72, expected[i].height, expected[i].black));
            if (!expected[i].network.isEmpty())
                QCOMPARE(e[QLatin1String("network")].toString(), expected[i].network);
        }
    }
};

QTEST_MAIN(TestLogoE2e)
#include "tst_logo_e2e.moc"
