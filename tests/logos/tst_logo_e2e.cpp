// SPDX-License-Identifier: GPL-3.0-or-later
// An operator logo, a group logo and a picture message sent from the main window over the
// real serial port to the simulated phone, and the PDUs it received decoded by python-gammu.
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
#include <QTest>

using SmartOracle::Kind;

class TestLogoE2e : public QObject
{
    Q_OBJECT

private slots:
    void sendsLogosAndPictureThroughThePhone()
    {
        if (!QFile::exists(QStringLiteral(SMS_PHONESIM)))
            QSKIP("the simulated phone is not built");
        MsgBoxRecorder boxes;
        PhonesimRunner phone;
        QVERIFY2(phone.start(QStringLiteral(SMS_PHONESIM), QStringLiteral(SMS_PHONESIM_SCENARIO)),
                 qPrintable(phone.error));
        AppState &state = phone.state;
        Form1 &f = *phone.form;
        QTRY_VERIFY_WITH_TIMEOUT(f.Command6->isEnabled(), 3000);
        state.ConfirmSend = false;
        const auto sentPdus = [&phone] {   // what the phone took with AT+CMGS, in order
            QList<QJsonObject> out;
            for (const QJsonObject &o : phone.events(QStringLiteral("pdu")))
                if (o[QLatin1String("command")].toString() == QLatin1String("AT+CMGS"))
                    out << o;
            return out;
        };
        using P = SmartOracle::Picture;
        const P logo = [](int x, int y) { return (x + 2 * y) % 9 == 0 || (y == 13 && x > 60); };
        const P picture = [](int x, int y) { return (x + y) % 13 == 0 || (y == 27 && x >= 16); };
        QString nextFile;
        Seams::setOpenFileDialogHandler([&nextFile](const Seams::FileDialogCall &) { return nextFile; });
        const auto load = [&](const QString &name, const QByteArray &bytes) {
            QFile out(nextFile = phone.file(name));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
            out.close();
            f.Command9->click();
        };
        const auto send = [&](int expectedPdus) {
            const int before = int(sentPdus().size()), sent = int(boxes.shown.size());
            f.Command6->click();
            QTRY_COMPARE_WITH_TIMEOUT(boxes.texts().mid(sent),
                                      QStringList{QStringLiteral("Messagge sent")}, 15000);
            QTRY_COMPARE_WITH_TIMEOUT(int(sentPdus().size()), before + expectedPdus, 3000);
            // The count box is refreshed by the status timer; the next count builds on it.
            QTRY_COMPARE_WITH_TIMEOUT(f.Text6->text().trimmed(), QString::number(state.SentCount), 3000);
        };

        f.Text2->setText(QStringLiteral("393359609600"));
        f.Text4->setText(QStringLiteral("3471234567"));
        f.Check1->click();
        f.Option1->click();
        QTest::keyClicks(f.Text7, QStringLiteral("222"));
        QTest::keyClicks(f.Text8, QStringLiteral("01"));
        load(QStringLiteral("logo.bmp"), SmartOracle::bmp(14, logo));
        QCOMPARE(f.Label14->text(), QStringLiteral("1"));
        send(1);
        f.Option2->click();   // the group logo: the same picture stays loaded
        send(1);
        f.Option3->click();
        load(QStringLiteral("picture.bmp"), SmartOracle::bmp(28, picture));
        QCOMPARE(f.Label14->text(), QStringLiteral("3"));
        send(3);
        Seams::setOpenFileDialogHandler({});
        QCOMPARE(boxes.shown.size(), 3);   // "Messagge sent" and nothing else
        QCOMPARE(state.SentCount, std::int16_t(5));

        QStringList pdus;
        for (const QJsonObject &o : sentPdus()) {
            QVERIFY2(o[QLatin1String("valid")].toBool(),
                     qPrintable(o[QLatin1String("problem")].toString()));
            pdus << o[QLatin1String("pdu")].toString();
        }
        QCOMPARE(pdus.size(), 5);
        if (!SmartOracle::available())
            QSKIP("python3-gammu is not installed (apt-get install python3-gammu)");
        QString errors;
        const QJsonArray out = SmartOracle::decode({pdus.mid(0, 1), pdus.mid(1, 1), pdus.mid(2, 3)}, &errors);
        QVERIFY2(out.size() == 3, qPrintable(errors));
        const QString to = QStringLiteral("3471234567");
        SmartOracle::verify(out.at(0), Kind::Operator, logo, QStringLiteral("222 01"), to);
        SmartOracle::verify(out.at(1), Kind::Group, logo, {}, to);
        SmartOracle::verify(out.at(2), Kind::Picture, picture, {}, to);
    }
};

QTEST_MAIN(TestLogoE2e)
#include "tst_logo_e2e.moc"
