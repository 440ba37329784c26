// SPDX-License-Identifier: GPL-3.0-or-later
// Setting.sms and Sent.txt: exact bytes written, and what odd files read back as.
#include "app/seams.h"
#include "app/settingsfile.h"
#include "app/textfile.h"

#include <QFile>
#include <QTemporaryDir>
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
        // A line far too long to be a setting holds no value, and the lines after it keep
        // their places; so does one just within the limit.
        const QString longLine(5000, u'7');
        QTest::newRow("overlong-port") << longLine + QStringLiteral("\r\n9600,n,8,1\r\n 2 \r\n") << QStringLiteral("-|9600,n,8,1|2|-|-|-|-|-|-|1");
        QTest::newRow("overlong-centre") << QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n") + longLine + QStringLiteral("\r\nTrue\r\n") << head + QLatin1String("-|1|-|-|-|-|1");
        QTest::newRow("centre-at-limit") << QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n") + QString(255, u'3') << head + QString(255, u'3') + QLatin1String("|-|-|-|-|-|1");
        QTest::newRow("centre-one-over") << QStringLiteral(" 1 \r\n9600,n,8,1\r\n 0 \r\n") + QString(256, u'3') << head + QLatin1String("-|-|-|-|-|-|1");
        QTest::newRow("overlong-autosave-stays-ticked") << seven + QStringLiteral(" 1 \r\n 2 \r\n 3 \r\nFalse") + QString(300, u' ') << head + QLatin1String("3933|1|0|1|2|3|1");
        QTest::newRow("overlong-size") << seven + QStringLiteral(" 1 \r\n") + longLine + QStringLiteral("\r\n 3 \r\nFalse\r\n") << head + QLatin1String("3933|1|0|1|-|3|0");
        QTest::newRow("cr-only") << QStringLiteral(" 1 \r9600,n,8,1\r 0 \r55\rTrue\r") << head + QLatin1String("55|1|-|-|-|-|1");
        QTest::newRow("garbage-after-line-11") << seven + QStringLiteral(" 1 \r\n 2 \r\n 3 \r\nFalse\r\n") + longLine.repeated(20) << head + QLatin1String("3933|1|0|1|2|3|0");
    }
    void oddFiles()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Summary(SettingsFile::Parse(text)), expected);
    }

    void sentCount()
    {
        const QByteArray digits(10000, '9');
        const struct { QByteArray text; int count; } rows[] = {   // -1: nothing readable
            {" 42 \r\n", 42}, {"7", 7}, {"-5 \r\n", -5}, {" 99999 \r\n", 32767}, {"abc\r\n", -1}, {"", -1},
            {digits, -1}, {" 12 \r\n" + digits, 12}, {"\r\n 12 \r\n", -1}};
        QTemporaryDir dir;
        Seams::setProgramFolder(dir.path());
        for (const auto &r : rows) {
            const auto v = SettingsFile::ParseSentCount(QString::fromLatin1(r.text));
            QCOMPARE(v ? int(*v) : -1, r.count);
            QFile f(dir.filePath(QStringLiteral("Sent.txt")));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(r.text) == r.text.size());
            f.close();
            QCOMPARE(int(SettingsFile::ReadSentCount()), r.count == -1 ? 0 : r.count);
        }
        Seams::setProgramFolder(QString());
        QCOMPARE(SettingsFile::FormatSentCount(-2) + SettingsFile::FormatSentCount(12), QStringLiteral("-2 \r\n 12 \r\n"));
        // The files are Windows-1252; what it cannot hold becomes "?".
        const QString text = QStringLiteral("€ £ è ³ “x”");
        QCOMPARE(TextFile::Encode(text), QByteArray("\x80 \xA3 \xE8 \xB3 \x93x\x94"));
        QCOMPARE(TextFile::Decode(TextFile::Encode(text)), text);
        QCOMPARE(TextFile::Encode(QStringLiteral("Ω")), QByteArray("?"));
    }

    // The bounded line reader, from a file in pieces and from memory, against the plain
    // split it replaces ('|' stands for a line end in the expected lines).
    void lineReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QStringList>("lines");
        const auto row = [](const char *name, const QByteArray &b, int lines, int length, const QStringList &l) {
            QTest::newRow(name) << b << lines << length << l;
        };
        const QStringList abc{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        row("crlf", "a\r\nb\r\nc\r\n", 11, 9, abc);
        row("cr", "a\rb\rc\r", 11, 9, abc);
        row("lf", "a\nb\nc", 11, 9, abc);
        row("empty-lines-count", "\r\n\r\nc\r\n", 11, 9, {QString(), QString(), QStringLiteral("c")});
        row("cr-then-crlf", "a\r\r\nb", 11, 9, {QStringLiteral("a"), QString(), QStringLiteral("b")});
        row("empty", "", 11, 9, {});
        row("only-a-line-end", "\r\n", 11, 9, {QString()});
        row("first-two", "a\r\nb\r\nc\r\n", 2, 9, abc.mid(0, 2));
        row("none-wanted", "a\r\n", 0, 9, {});
        row("cut-one-past", "abcdef\r\nxy", 11, 3, {QStringLiteral("abcd"), QStringLiteral("xy")});
        row("at-limit", "abc\r\n", 11, 3, {QStringLiteral("abc")});
        row("windows-1252", "\x80\xe8\r\n", 11, 9, {QStringLiteral("\u20ac\u00e8")});
        // Line ends on both sides of the 64 KiB pieces the file is read in.
        QByteArray edge(65535, 'x');
        row("crlf-across-pieces", edge + "\r\nb", 11, 70000, {QString::fromLatin1(edge), QStringLiteral("b")});
        row("long-line-across-pieces", QByteArray(200000, 'y') + "\nb\r", 11, 5,
            {QStringLiteral("yyyyyy"), QStringLiteral("b")});
        row("lf-starts-a-piece", QByteArray(65536, 'z') + "\nq", 2, 9, {QStringLiteral("zzzzzzzzzz"), QStringLiteral("q")});
    }
    void lineReader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, maxLines);
        QFETCH(int, maxLength);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("lines.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        QCOMPARE(TextFile::ReadLines(f.fileName(), maxLines, maxLength).value_or(QStringList{QStringLiteral("<none>")}),
                 lines);
        QCOMPARE(TextFile::SplitLines(TextFile::Decode(bytes), maxLines, maxLength), lines);
        for (const QString &l : lines)
            QCOMPARE(TextFile::LineTooLong(l, maxLength), l.size() > maxLength);
        QVERIFY(!TextFile::ReadLines(dir.filePath(QStringLiteral("missing.txt")), 1, 1));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
