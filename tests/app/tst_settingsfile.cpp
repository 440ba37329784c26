// SPDX-License-Identifier: GPL-3.0-or-later
// Setting.sms and Sent.txt: exact bytes written, and what odd files read back as.
#include "app/settingsfile.h"

#include <QTest>

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void writesElevenLinesExactly()
    {
        SettingsToSave s;
        s.commPort = 3;
        s.settings = QStringLiteral("19200,e,7,2");
        s.handshaking = 2;
        s.serviceCentre = QStringLiteral("393359609600");
        s.confirmSend = false;
        s.statusReport = true;
        s.simPhonebookSize = 250;
        s.phonePhonebookSize = -1;
        s.smsCapacity = 30;
        s.autoSave = false;
        QCOMPARE(SettingsFile::Format(s),
                 QStringLiteral(" 3 \r\n19200,e,7,2\r\n 2 \r\n393359609600\r\nFalse\r\nTrue\r\n\r\n"
                                " 250 \r\n-1 \r\n 30 \r\nFalse\r\n"));
    }

    void roundTrip()
    {
        SettingsToSave s;
        s.commPort = 12;
        s.settings = QStringLiteral("115200,n,8,1");
        s.handshaking = 3;
        s.serviceCentre = QStringLiteral("44123");
        s.confirmSend = true;
        s.statusReport = false;
        s.simPhonebookSize = 180;
        s.phonePhonebookSize = 500;
        s.smsCapacity = 99;
        s.autoSave = true;
        const SettingsFileValues v = SettingsFile::Parse(SettingsFile::Format(s));
        QCOMPARE(v.commPort.value_or(-1), 12);
        QCOMPARE(v.settings.value_or(QString()), s.settings);
        QCOMPARE(v.handshaking.value_or(-1), 3);
        QCOMPARE(v.serviceCentre.value_or(QString()), s.serviceCentre);
        QCOMPARE(v.confirmSend.value_or(false), true);
        QCOMPARE(v.statusReport.value_or(true), false);
        QCOMPARE(int(v.simPhonebookSize.value_or(0)), 180);
        QCOMPARE(int(v.phonePhonebookSize.value_or(0)), 500);
        QCOMPARE(int(v.smsCapacity.value_or(0)), 99);
        QCOMPARE(v.autoSave, true);
        s.autoSave = false;
        QCOMPARE(SettingsFile::Parse(SettingsFile::Format(s)).autoSave, false);
    }

    void oddFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("sim");      // -1: not read
        QTest::addColumn<int>("phone");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<bool>("autoSave");
        QTest::addColumn<bool>("confirm");
        const QString seven = QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n3933\r\nTrue\r\nFalse\r\n\r\n");
        QTest::newRow("seven-lines") << seven << -1 << -1 << -1 << true << true;
        QTest::newRow("ten-lines") << seven + QStringLiteral(" 120 \r\n 80 \r\n 25 \r\n") << 120 << 80 << 25 << true << true;
        QTest::newRow("eleven-lines") << seven + QStringLiteral(" 120 \r\n 80 \r\n 25 \r\nFalse\r\n") << 120 << 80 << 25 << false << true;
        QTest::newRow("zero-size-kept") << seven + QStringLiteral(" 0 \r\n 80 \r\n-3 \r\nTrue\r\n") << -1 << 80 << -1 << true << true;
        QTest::newRow("lower-case-true") << QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n\r\ntrue\r\n") << -1 << -1 << -1 << true << false;
        QTest::newRow("lf-only") << QStringLiteral(" 1 \n9600,n,8,1\n 0 \n\nTrue\nFalse\n\n 10 \n 20 \n 30 \nTrue\n") << 10 << 20 << 30 << true << true;
        QTest::newRow("text-where-a-size-goes") << seven + QStringLiteral("many\r\n 80 \r\n 25 \r\nTrue\r\n") << -1 << 80 << 25 << true << true;
        QTest::newRow("empty-file") << QString() << -1 << -1 << -1 << true << false;
    }
    void oddFiles()
    {
        QFETCH(QString, text);
        QFETCH(int, sim);
        QFETCH(int, phone);
        QFETCH(int, capacity);
        QFETCH(bool, autoSave);
        QFETCH(bool, confirm);
        const SettingsFileValues v = SettingsFile::Parse(text);
        QCOMPARE(v.simPhonebookSize ? int(*v.simPhonebookSize) : -1, sim);
        QCOMPARE(v.phonePhonebookSize ? int(*v.phonePhonebookSize) : -1, phone);
        QCOMPARE(v.smsCapacity ? int(*v.smsCapacity) : -1, capacity);
        QCOMPARE(v.autoSave, autoSave);
        QCOMPARE(v.confirmSend.value_or(false), confirm);
    }

    // A comma cuts the number, and only that line: the next lines keep their places.
    void serviceCentreWithComma()
    {
        const SettingsFileValues v = SettingsFile::Parse(
            QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n39,335\r\nTrue\r\nTrue\r\n\r\n"));
        QCOMPARE(v.serviceCentre.value_or(QString()), QStringLiteral("39"));
        QCOMPARE(v.confirmSend.value_or(false), true);
        QCOMPARE(v.statusReport.value_or(false), true);
    }

    void badValuesAreSkipped()
    {
        const SettingsFileValues v = SettingsFile::Parse(
            QStringLiteral("COM\r\n9600,n\r\nx\r\n123\r\nTrue\r\n"));
        QVERIFY(!v.commPort);
        QVERIFY(!v.settings);
        QVERIFY(!v.handshaking);
        QCOMPARE(v.serviceCentre.value_or(QString()), QStringLiteral("123"));
        QCOMPARE(v.confirmSend.value_or(false), true);
    }

    void sentCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");   // -1: nothing readable
        QTest::newRow("written-form") << QStringLiteral(" 42 \r\n") << 42;
        QTest::newRow("no-line-end") << QStringLiteral("7") << 7;
        QTest::newRow("negative") << QStringLiteral("-5 \r\n") << -5;
        QTest::newRow("overflow-clamped") << QStringLiteral(" 99999 \r\n") << 32767;
        QTest::newRow("garbage") << QStringLiteral("abc\r\n") << -1;
        QTest::newRow("empty") << QString() << -1;
    }
    void sentCount()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        const auto v = SettingsFile::ParseSentCount(text);
        QCOMPARE(v ? int(*v) : -1, count);
    }

    void sentCountWritten()
    {
        QCOMPARE(SettingsFile::FormatSentCount(12), QStringLiteral(" 12 \r\n"));
        QCOMPARE(SettingsFile::FormatSentCount(-2), QStringLiteral("-2 \r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
