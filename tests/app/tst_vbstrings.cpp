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

    void valTakesTheLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("digits-then-letters") << QStringLiteral("12abc") << 12.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("leading-blanks") << QStringLiteral("   250") << 250.0;
        QTest::newRow("negative") << QStringLiteral("-7x") << -7.0;
        QTest::newRow("no-number") << QStringLiteral("abc") << 0.0;
        QTest::newRow("fraction") << QStringLiteral("2.5") << 2.5;
    }
    void valTakesTheLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(vb::Val(text), value);
    }

    void valInt16NeverOverflows()
    {
        QCOMPARE(vb::ValInt16(QStringLiteral("99999")), std::int16_t(32767));
        QCOMPARE(vb::ValInt16(QStringLiteral("-99999")), std::int16_t(-32768));
        QCOMPARE(vb::ValInt16(QStringLiteral("2.5")), std::int16_t(3));
    }

    void numbersAreWrittenWithBlanks()
    {
        QCOMPARE(vb::NumberField(200), QStringLiteral(" 200 "));
        QCOMPARE(vb::NumberField(0), QStringLiteral(" 0 "));
        QCOMPARE(vb::NumberField(-3), QStringLiteral("-3 "));
    }

    void fieldsSplitAtCommasAndLineEnds()
    {
        const QString text = QStringLiteral(" 1 \r\n9600,n,8,1\r\n\r\n\"Doe, John\" ,x\r\n 200 \r\n");
        QCOMPARE(vb::ReadFields(text),
                 QStringList({QStringLiteral("1"), QStringLiteral("9600"), QStringLiteral("n"),
                              QStringLiteral("8"), QStringLiteral("1"), QString(),
                              QStringLiteral("Doe, John"), QStringLiteral("x"),
                              QStringLiteral("200")}));
        QCOMPARE(vb::ReadFields(QString()), QStringList());
    }

    void windows1252RoundTrip()
    {
        const QString text = QStringLiteral("€ £ è ³ “x”");
        const QByteArray bytes = TextFile::Encode(text);
        QCOMPARE(bytes, QByteArray("\x80 \xA3 \xE8 \xB3 \x93x\x94"));
        QCOMPARE(TextFile::Decode(bytes), text);
        QCOMPARE(TextFile::Encode(QStringLiteral("Ω")), QByteArray("?"));
    }
};

QTEST_GUILESS_MAIN(TestVbStrings)
#include "tst_vbstrings.moc"
