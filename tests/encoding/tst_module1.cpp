// SPDX-License-Identifier: GPL-3.0-or-later
// Address fields of the SMS-SUBMIT PDU: the recipient and the service centre.
#include "encoding/module1.h"

#include <QTest>

class TstModule1 : public QObject
{
    Q_OBJECT
private slots:
    void address_data()
    {
        QTest::addColumn<bool>("centre");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("field");
        const struct { bool centre; const char *number, *field; } rows[] = {
            {false, "0123456789", "0A811032547698"},   {false, "+123456789012", "0C91214365870921"},
            {false, "12345", "05812143F5"},            {false, "+393471234567", "0C91934317325476"},
            {false, "+39347123456", "0B919343173254F6"}, {false, "", "0081"},
            {false, "+", "0091"},                      {false, "12+4", "0481214+"},
            {false, "1 3", "0381 1F3"},                // kept as typed, not dropped
            {true, "123456789012", "0791214365870921"}, {true, "12345678901", "07912143658709F1"},
            {true, "5", "0291F5"},                     {true, "", "0191"},
        };
        for (const auto &r : rows)
            QTest::addRow("%s-%s", r.centre ? "centre" : "to", r.number)
                << r.centre << QString::fromLatin1(r.number) << QString::fromLatin1(r.field);
    }
    void address()
    {
        QFETCH(bool, centre);
        QFETCH(QString, number);
        QFETCH(QString, field);
        QCOMPARE(centre ? Module1::EncodeServiceCentre(number) : Module1::EncodeAddress(number), field);
    }
};

QTEST_GUILESS_MAIN(TstModule1)
#include "tst_module1.moc"
