// SPDX-License-Identifier: GPL-3.0-or-later
// Address fields of the SMS-SUBMIT PDU.
#include "encoding/module1.h"

#include <QTest>

class TstModule1 : public QObject
{
    Q_OBJECT
private slots:
    void encodeAddress_data();
    void encodeAddress();
    void encodeServiceCentre_data();
    void encodeServiceCentre();
};

void TstModule1::encodeAddress_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("field");
    QTest::newRow("national-10") << QStringLiteral("0123456789") << QStringLiteral("0A811032547698");
    QTest::newRow("international-12") << QStringLiteral("+123456789012")
                                      << QStringLiteral("0C91214365870921");
    QTest::newRow("odd-digit-address-F-pad") << QStringLiteral("12345")
                                             << QStringLiteral("05812143F5");
    QTest::newRow("international-odd") << QStringLiteral("+393471234567")
                                       << QStringLiteral("0C91934317325476");
    QTest::newRow("international-11-odd") << QStringLiteral("+39347123456")
                                          << QStringLiteral("0B919343173254F6");
    QTest::newRow("empty") << QString() << QStringLiteral("0081");
    QTest::newRow("plus-only") << QStringLiteral("+") << QStringLiteral("0091");
    QTest::newRow("inner-plus-kept") << QStringLiteral("12+4") << QStringLiteral("0481214+");
    QTest::newRow("blank-kept") << QStringLiteral("1 3") << QStringLiteral("0381 1F3");
}

void TstModule1::encodeAddress()
{
    QFETCH(QString, number);
    QFETCH(QString, field);
    QCOMPARE(Module1::EncodeAddress(number), field);
}

void TstModule1::encodeServiceCentre_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("field");
    QTest::newRow("12-digits") << QStringLiteral("123456789012") << QStringLiteral("0791214365870921");
    QTest::newRow("11-digits-F-pad") << QStringLiteral("12345678901")
                                     << QStringLiteral("07912143658709F1");
    QTest::newRow("1-digit") << QStringLiteral("5") << QStringLiteral("0291F5");
    QTest::newRow("empty") << QString() << QStringLiteral("0191");
}

void TstModule1::encodeServiceCentre()
{
    QFETCH(QString, number);
    QFETCH(QString, field);
    QCOMPARE(Module1::EncodeServiceCentre(number), field);
}

QTEST_MAIN(TstModule1)
#include "tst_module1.moc"
