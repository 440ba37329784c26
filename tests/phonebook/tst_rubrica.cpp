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
        auto row = [](const char *name, const char *line, const char *number) {
            QTest::newRow(name) << QString::fromUtf8(line) << QString::fromUtf8(number);
        };
        row("sim-entry", "Anna (+3912345)", "+3912345");
        row("address-book", "Bob -Office- (0612345)", "0612345");
        row("bracket-in-name", "Ann (work) (555)", "work) (555");
        row("typed", "x(12)", "12");
        row("typed-past-close", "x(12)3", "12)");
        row("not-closed", "x(12", "<none>");
        row("no-open", "Anna 12)", "<none>");
        row("close-before-open", ")x(", "<none>");
        row("empty-number", "A ()", "");
        row("empty", "", "<none>");
    }
    void extract()
    {
        QFETCH(QString, line);
        QFETCH(QString, number);
        QCOMPARE(Rubrica::ExtractRecipientNumber(line).value_or(QStringLiteral("<none>")), number);
    }

    void files_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("written");   // Format(entries) gives back `text`
        QTest::newRow("round-trip") << QStringLiteral("Anna (+3912345)\r\nBob -Office- (0612345)\r\nZoë -Mobile- (333)\r\n")
            << QStringList{QStringLiteral("Anna (+3912345)"), QStringLiteral("Bob -Office- (0612345)"), QStringLiteral("Zoë -Mobile- (333)")} << true;
        QTest::newRow("comma-splits") << QStringLiteral("Doe, John (123)\r\n")
            << QStringList{QStringLiteral("Doe"), QStringLiteral("John (123)")} << false;
        QTest::newRow("blank-lines-skipped") << QStringLiteral("\r\nA (1)\r\n\r\nB (2)\r\n")
            << QStringList{QStringLiteral("A (1)"), QStringLiteral("B (2)")} << false;
        QTest::newRow("quoted") << QStringLiteral("\"C, D (3)\"\r\n") << QStringList{QStringLiteral("C, D (3)")} << false;
        QTest::newRow("leading-blanks") << QStringLiteral("   E (4)\r\n") << QStringList{QStringLiteral("E (4)")} << false;
        QTest::newRow("empty") << QString() << QStringList{} << true;
    }
    void files()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        QFETCH(bool, written);
        QCOMPARE(Rubrica::Parse(text), entries);
        if (written)
            QCOMPARE(Rubrica::Format(entries), text);
    }
};

QTEST_GUILESS_MAIN(TestRubrica)
#include "tst_rubrica.moc"
