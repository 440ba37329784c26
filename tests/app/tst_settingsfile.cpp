// SPDX-License-Identifier: GPL-3.0-or-later
// Setting.sms and Sent.txt: exact bytes written, and what odd files read back as; the
// BASIC-style string helpers and the Windows-1252 text files they rest on.
#include "app/settingsfile.h"
#include "app/textfile.h"
#include "app/vbstrings.h"

#include <QTest>

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<bool>("flag");   // ConfirmSend and AutoSave; StatusReport the opposite
        QTest::addColumn<QString>("text");
        QTest::newRow("false") << false << QStringLiteral(
            " 3 \r\n19200,e,7,2\r\n 2 \r\n393359609600\r\nFalse\r\nTrue\r\n\r\n 250 \r\n 500 \r\n 30 \r\nFalse\r\n");
        QTest::newRow("true") << true << QStringLiteral(
            " 3 \r\n19200,e,7,2\r\n 2 \r\n393359609600\r\nTrue\r\nFalse\r\n\r\n 250 \r\n 500 \r\n 30 \r\nTrue\r\n");
    }
    void roundTrip()
    {
        QFETCH(bool, flag);
        QFETCH(QString, text);
        SettingsToSave s;
        s.commPort = 3;
        s.settings = QStringLiteral("19200,e,7,2");
        s.handshaking = 2;
        s.serviceCentre = QStringLiteral("393359609600");
        s.confirmSend = s.autoSave = flag;
        s.statusReport = !flag;
        s.simPhonebookSize = 250;
        s.phonePhonebookSize = 500;
        s.smsCapacity = 30;
        QCOMPARE(SettingsFile::Format(s), text);
        const SettingsFileValues v = SettingsFile::Parse(text);
        QCOMPARE(v.commPort.value_or(-1), 3);
        QCOMPARE(v.settings.value_or(QString()), s.settings);
        QCOMPARE(v.handshaking.value_or(-1), 2);
        QCOMPARE(v.serviceCentre.value_or(QString()), s.serviceCentre);
        QCOMPARE(v.confirmSend.value_or(!flag), flag);
        QCOMPARE(v.statusReport.value_or(flag), !flag);
        QCOMPARE(int(v.simPhonebookSize.value_or(0)), 250);
        QCOMPARE(int(v.phonePhonebookSize.value_or(0)), 500);
        QCOMPARE(int(v.smsCapacity.value_or(0)), 30);
        QCOMPARE(v.autoSave, flag);
    }

    void oddFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");   // centre|confirm|report|sim|phone|capacity|autosave; "-" not read
        const QString seven = QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n3933\r\nTrue\r\nFalse\r\n\r\n");
        QTest::newRow("seven-lines") << seven << "3933|1|0|-|-|-|1";
        QTest::newRow("ten-lines") << seven + QStringLiteral(" 120 \r\n 80 \r\n 25 \r\n") << "3933|1|0|120|80|25|1";
        QTest::newRow("eleven-lines") << seven + QStringLiteral(" 120 \r\n 80 \r\n 25 \r\nFalse\r\n") << "3933|1|0|120|80|25|0";
        QTest::newRow("zero-size-kept") << seven + QStringLiteral(" 0 \r\n 80 \r\n-3 \r\nTrue\r\n") << "3933|1|0|-|80|-|1";
        QTest::newRow("lower-case-true") << QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n\r\ntrue\r\n") << "|0|-|-|-|-|1";
        QTest::newRow("lf-only") << QStringLiteral(" 1 \n9600,n,8,1\n 0 \n\nTrue\nFalse\n\n 10 \n 20 \n 30 \nTrue\n") << "|1|0|10|20|30|1";
        QTest::newRow("text-for-a-size") << seven + QStringLiteral("many\r\n 80 \r\n 25 \r\nTrue\r\n") << "3933|1|0|-|80|25|1";
        // A comma cuts the number, and only that line: the next lines keep their places.
        QTest::newRow("comma-in-centre") << QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n39,335\r\nTrue\r\nTrue\r\n\r\n") << "39|1|1|-|-|-|1";
        QTest::newRow("empty-file") << QString() << "-|-|-|-|-|-|1";
    }
    void oddFiles()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const SettingsFileValues v = SettingsFile::Parse(text);
        auto num = [](const auto &o) { return o ? QString::number(int(*o)) : QStringLiteral("-"); };
        QStringList got{v.serviceCentre.value_or(QStringLiteral("-")), num(v.confirmSend), num(v.statusReport),
                        num(v.simPhonebookSize), num(v.phonePhonebookSize), num(v.smsCapacity),
                        QString::number(int(v.autoSave))};
        QCOMPARE(got.join(u'|'), expected);
    }

    void badValuesAreSkipped()
    {
        const SettingsFileValues v = SettingsFile::Parse(QStringLiteral("COM\r\n9600,n\r\nx\r\n123\r\nTrue\r\n"));
        QVERIFY(!v.commPort && !v.settings && !v.handshaking);
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
        QCOMPARE(SettingsFile::FormatSentCount(-2) + SettingsFile::FormatSentCount(12), QStringLiteral("-2 \r\n 12 \r\n"));
    }
    void helpers()
    {
        const QString s = QStringLiteral("AT+CGMM\r\r\nX1\r\n");
        QCOMPARE(vb::Mid(s, 11, 2) + u'|' + vb::Mid(s, 100) + u'|' + vb::Mid(s, 0, 3) + u'|' + vb::Mid(s, 14)
                     + u'|' + vb::Right(s, 2),
                 QStringLiteral("X1|||\n|\r\n"));
        QCOMPARE(vb::InStr(11, s, QStringLiteral("\r")), qsizetype(13));
        QCOMPARE(vb::InStr(15, s, QStringLiteral("\r")), qsizetype(0));
        const struct { const char *text; double val; int int16; } numbers[] = {{"12abc", 12, 12}, {"", 0, 0},
            {"   250", 250, 250}, {"-7x", -7, -7}, {"abc", 0, 0}, {"2.5", 2.5, 3}, {"99999", 99999, 32767},
            {"-99999", -99999, -32768}};
        for (const auto &n : numbers) {
            QCOMPARE(vb::Val(QLatin1String(n.text)), n.val);
            QCOMPARE(int(vb::ValInt16(QLatin1String(n.text))), n.int16);
        }
        QCOMPARE(vb::NumberField(200) + vb::NumberField(0) + vb::NumberField(-3), QStringLiteral(" 200  0 -3 "));
        QCOMPARE(vb::ReadFields(QStringLiteral(" 1 \r\n9600,n,8,1\r\n\r\n\"Doe, John\" ,x\r\n 200 \r\n")),
                 QStringLiteral("1|9600|n|8|1||Doe, John|x|200").split(u'|'));
        QCOMPARE(vb::ReadFields(QString()), QStringList());
        const QString text = QStringLiteral("€ £ è ³ “x”");
        QCOMPARE(TextFile::Encode(text), QByteArray("\x80 \xA3 \xE8 \xB3 \x93x\x94"));
        QCOMPARE(TextFile::Decode(TextFile::Encode(text)), text);
        QCOMPARE(TextFile::Encode(QStringLiteral("Ω")), QByteArray("?"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
