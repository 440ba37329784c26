// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/textfile.h"
#include "app/vbstrings.h"

#include <QTest>

class TestVbStrings : public QObject
{
    Q_OBJECT
private slots:
    void positionsNeverLeaveTheText()
    {
        const QString s = QStringLiteral("AT+CGMM\r\r\nX1\r\n");
        QCOMPARE(vb::Mid(s, 11, 2), QStringLiteral("X1"));
        QCOMPARE(vb::Mid(s, 100), QString());
        QCOMPARE(vb::Mid(s, 0, 3), QString());
        QCOMPARE(vb::Mid(s, 14), QStringLiteral("\n"));
        QCOMPARE(vb::InStr(11, s, QStringLiteral("\r")), qsizetype(13));
        QCOMPARE(vb::InStr(15, s, QStringLiteral("\r")), qsizetype(0));
        QCOMPARE(vb::Right(s, 2), QStringLiteral("\r\n"));
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("int16");   // ValInt16: rounded and clamped
        QTest::newRow("digits-then-letters") << QStringLiteral("12abc") << 12.0 << 12;
        QTest::newRow("empty") << QString() << 0.0 << 0;
        QTest::newRow("leading-blanks") << QStringLiteral("   250") << 250.0 << 250;
        QTest::newRow("negative") << QStringLiteral("-7x") << -7.0 << -7;
        QTest::newRow("no-number") << QStringLiteral("abc") << 0.0 << 0;
        QTest::newRow("fraction") << QStringLiteral("2.5") << 2.5 << 3;
        QTest::newRow("too-big") << QStringLiteral("99999") << 99999.0 << 32767;
        QTest::newRow("too-small") << QStringLiteral("-99999") << -99999.0 << -32768;
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, int16);
        QCOMPARE(vb::Val(text), value);
        QCOMPARE(int(vb::ValInt16(text)), int16);
    }

    void fieldsAndFiles()
    {
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

QTEST_GUILESS_MAIN(TestVbStrings)
#include "tst_vbstrings.moc"
