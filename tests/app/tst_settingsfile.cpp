// SPDX-License-Identifier: GPL-3.0-or-later
// Setting.sms and Sent.txt: exact bytes written, and what odd files read back as.
#include "app/settingsfile.h"
#include "app/textfile.h"

#include <QTest>

namespace {
/// Every value read, "-" where none: port|settings|flow|centre|confirm|report|sim|phone|sms|autosave
QString Summary(const SettingsFileValues &v)
{
    auto n = [](const auto &o) { return o ? QString::number(int(*o)) : QStringLiteral("-"); };
    return QStringList{n(v.commPort), v.settings.value_or(QStringLiteral("-")), n(v.handshaking),
                       v.serviceCentre.value_or(QStringLiteral("-")), n(v.confirmSend), n(v.statusReport),
                       n(v.simPhonebookSize), n(v.phonePhonebookSize), n(v.smsCapacity),
                       QString::number(int(v.autoSave))}.join(u'|');
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip()
    {
        for (bool flag : {false, true}) {
            SettingsToSave s{3, QStringLiteral("19200,e,7,2"), 2, QStringLiteral("393359609600"), flag, !flag,
                             250, 500, 30, flag};
            const QString text = SettingsFile::Format(s);
            QCOMPARE(text, QStringLiteral(" 3 \r\n19200,e,7,2\r\n 2 \r\n393359609600\r\n%1\r\n%2\r\n\r\n"
                                          " 250 \r\n 500 \r\n 30 \r\n%1\r\n")
                               .arg(QLatin1String(flag ? "True" : "False"), QLatin1String(flag ? "False" : "True")));
            QCOMPARE(Summary(SettingsFile::Parse(text)),
                     QStringLiteral("3|19200,e,7,2|2|393359609600|%1|%2|250|500|30|%1").arg(int(flag)).arg(int(!flag)));
        }
    }

    void oddFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");   // see Summary
        const QString seven = QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n3933\r\nTrue\r\nFalse\r\n\r\n");
        const QString head = QStringLiteral("1|9600,n,8,1|0|");
        QTest::newRow("seven-lines") << seven << head + QLatin1String("3933|1|0|-|-|-|1");
        QTest::newRow("ten-lines") << seven + QStringLiteral(" 120 \r\n 80 \r\n 25 \r\n") << head + QLatin1String("3933|1|0|120|80|25|1");
        QTest::newRow("eleven-lines") << seven + QStringLiteral(" 120 \r\n 80 \r\n 25 \r\nFalse\r\n") << head + QLatin1String("3933|1|0|120|80|25|0");
        QTest::newRow("zero-size-kept") << seven + QStringLiteral(" 0 \r\n 80 \r\n-3 \r\nTrue\r\n") << head + QLatin1String("3933|1|0|-|80|-|1");
        QTest::newRow("lower-case-true") << QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n\r\ntrue\r\n") << head + QLatin1String("|0|-|-|-|-|1");
        QTest::newRow("lf-only") << QStringLiteral(" 1 \n9600,n,8,1\n 0 \n\nTrue\nFalse\n\n 10 \n 20 \n 30 \nTrue\n") << head + QLatin1String("|1|0|10|20|30|1");
        QTest::newRow("text-for-a-size") << seven + QStringLiteral("many\r\n 80 \r\n 25 \r\nTrue\r\n") << head + QLatin1String("3933|1|0|-|80|25|1");
        // A comma cuts the number, and only that line: the next lines keep their places.
        QTest::newRow("comma-in-centre") << QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n39,335\r\nTrue\r\nTrue\r\n\r\n") << head + QLatin1String("39|1|1|-|-|-|1");
        QTest::newRow("bad-values-skipped") << QStringLiteral("COM\r\n9600,n\r\nx\r\n123\r\nTrue\r\n") << QStringLiteral("-|-|-|123|1|-|-|-|-|1");
        QTest::newRow("empty-file") << QString() << QStringLiteral("-|-|-|-|-|-|-|-|-|1");
    }
    void oddFiles()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Summary(SettingsFile::Parse(text)), expected);
    }

    void sentCount()
    {
        const struct { const char *text; int count; } rows[] = {   // -1: nothing readable
            {" 42 \r\n", 42}, {"7", 7}, {"-5 \r\n", -5}, {" 99999 \r\n", 32767}, {"abc\r\n", -1}, {"", -1}};
        for (const auto &r : rows) {
            const auto v = SettingsFile::ParseSentCount(QLatin1String(r.text));
            QCOMPARE(v ? int(*v) : -1, r.count);
        }
        QCOMPARE(SettingsFile::FormatSentCount(-2) + SettingsFile::FormatSentCount(12), QStringLiteral("-2 \r\n 12 \r\n"));
        // The files are Windows-1252; what it cannot hold becomes "?".
        const QString text = QStringLiteral("€ £ è ³ “x”");
        QCOMPARE(TextFile::Encode(text), QByteArray("\x80 \xA3 \xE8 \xB3 \x93x\x94"));
        QCOMPARE(TextFile::Decode(TextFile::Encode(text)), text);
        QCOMPARE(TextFile::Encode(QStringLiteral("Ω")), QByteArray("?"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
