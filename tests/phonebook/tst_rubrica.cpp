// SPDX-License-Identifier: GPL-3.0-or-later
// Rubrica.txt and the number taken from a recipient line.
#include "phonebook/rubrica.h"

#include <QTest>

class TestRubrica : public QObject
{
    Q_OBJECT
private slots:
    void extract_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("number");   // "<none>": nothing taken
        QTest::newRow("sim-entry") << QStringLiteral("Anna (+3912345)") << QStringLiteral("+3912345");
        QTest::newRow("address-book") << QStringLiteral("Bob -Office- (0612345)") << QStringLiteral("0612345");
        QTest::newRow("bracket-in-name") << QStringLiteral("Ann (work) (555)") << QStringLiteral("work) (555");
        QTest::newRow("typed") << QStringLiteral("x(12)") << QStringLiteral("12");
        QTest::newRow("typed-past-close") << QStringLiteral("x(12)3") << QStringLiteral("12)");
        QTest::newRow("not-closed") << QStringLiteral("x(12") << QStringLiteral("<none>");
        QTest::newRow("no-open") << QStringLiteral("Anna 12)") << QStringLiteral("<none>");
        QTest::newRow("close-before-open") << QStringLiteral(")x(") << QStringLiteral("<none>");
        QTest::newRow("empty-number") << QStringLiteral("A ()") << QString();
        QTest::newRow("empty") << QString() << QStringLiteral("<none>");
    }
    void extract()
    {
        QFETCH(QString, line);
        QFETCH(QString, number);
        const auto got = Rubrica::ExtractRecipientNumber(line);
        QCOMPARE(got.value_or(QStringLiteral("<none>")), number);
    }

    void roundTrip()
    {
        const QStringList list{QStringLiteral("Anna (+3912345)"),
                               QStringLiteral("Bob -Office- (0612345)"),
                               QStringLiteral("Zoë -Mobile- (333)")};
        const QString text = Rubrica::Format(list);
        QCOMPARE(text, QStringLiteral("Anna (+3912345)\r\nBob -Office- (0612345)\r\nZoë -Mobile- (333)\r\n"));
        QCOMPARE(Rubrica::Parse(text), list);
    }

    void oddFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("comma-splits") << QStringLiteral("Doe, John (123)\r\n")
                                      << QStringList{QStringLiteral("Doe"), QStringLiteral("John (123)")};
        QTest::newRow("blank-lines-skipped") << QStringLiteral("\r\nA (1)\r\n\r\nB (2)\r\n")
                                             << QStringList{QStringLiteral("A (1)"), QStringLiteral("B (2)")};
        QTest::newRow("quoted") << QStringLiteral("\"C, D (3)\"\r\n") << QStringList{QStringLiteral("C, D (3)")};
        QTest::newRow("leading-blanks") << QStringLiteral("   E (4)\r\n") << QStringList{QStringLiteral("E (4)")};
        QTest::newRow("empty") << QString() << QStringList{};
    }
    void oddFiles()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        QCOMPARE(Rubrica::Parse(text), entries);
    }

    void emptyListEmptyFile() { QCOMPARE(Rubrica::Format({}), QString()); }
};

QTEST_GUILESS_MAIN(TestRubrica)
#include "tst_rubrica.moc"
