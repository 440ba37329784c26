// SPDX-License-Identifier: GPL-3.0-or-later
// Setting.sms and Sent.txt: what odd files read back as; the bounded line reader. (The bytes
// the window writes are checked in tst_form1.)
#include "app/seams.h"
#include "app/settingsfile.h"
#include "app/textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
/// Every value read, "-" where none:
/// port|settings|flow|centre|confirm|report|sim|phone|sms|autosave
QString Summary(const SettingsFileValues &v)
{
    auto n = [](const auto &o) { return o ? QString::number(int(*o)) : u"-"_s; };
    return QStringList{n(v.commPort), v.settings.value_or(u"-"_s), n(v.handshaking),
                       v.serviceCentre.value_or(u"-"_s), n(v.confirmSend), n(v.statusReport),
                       n(v.simPhonebookSize), n(v.phonePhonebookSize), n(v.smsCapacity),
                       QString::number(int(v.autoSave))}.join(u'|');
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    // In the file texts "/" stands for CR LF and "S" for seven good lines; in the expected
    // summaries "H" stands for their first three values.
    void oddFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");   // see Summary
        const QString L = QString(5000, u'7'), head = u" 1 /9600,n,8,1/ 0 /"_s;
        const struct { const char *name; QString text; const char *expected; } rows[] = {
            {"seven-lines", u"S"_s, "H3933|1|0|-|-|-|1"},
            {"ten-lines", u"S 120 / 80 / 25 /"_s, "H3933|1|0|120|80|25|1"},
            {"eleven-lines", u"S 120 / 80 / 25 /False/"_s, "H3933|1|0|120|80|25|0"},
            {"zero-size-kept", u"S 0 / 80 /-3 /True/"_s, "H3933|1|0|-|80|-|1"},
            {"lower-case-true", head + u"/true/"_s, "H|0|-|-|-|-|1"},
            {"lf-only", u" 1 \n9600,n,8,1\n 0 \n\nTrue\nFalse\n\n 10 \n 20 \n 30 \nTrue\n"_s,
             "H|1|0|10|20|30|1"},
            {"cr-only", u" 1 \r9600,n,8,1\r 0 \r55\rTrue\r"_s, "H55|1|-|-|-|-|1"},
            {"text-for-a-size", u"Smany/ 80 / 25 /True/"_s, "H3933|1|0|-|80|25|1"},
            // A comma cuts the number, and only that line: the next lines keep their places.
            {"comma-in-centre", head + u"39,335/True/True//"_s, "H39|1|1|-|-|-|1"},
            {"bad-values-skipped", u"COM/9600,n/x/123/True/"_s, "-|-|-|123|1|-|-|-|-|1"},
            {"empty-file", QString(), "-|-|-|-|-|-|-|-|-|1"},
            // A line far too long to be a setting holds no value, and the lines after it keep
            // their places; so does one just within the limit.
            {"overlong-port", L + u"/9600,n,8,1/ 2 /"_s, "-|9600,n,8,1|2|-|-|-|-|-|-|1"},
            {"overlong-centre", head + L + u"/True/"_s, "H-|1|-|-|-|-|1"},
            {"centre-at-limit", head + QString(255, u'3'), "H<255>|-|-|-|-|-|1"},
            {"centre-one-over", head + QString(256, u'3'), "H-|-|-|-|-|-|1"},
            {"overlong-autosave-stays-ticked", u"S 1 / 2 / 3 /False"_s + QString(300, u' '),
             "H3933|1|0|1|2|3|1"},
            {"overlong-size", u"S 1 /"_s + L + u"/ 3 /False/"_s, "H3933|1|0|1|-|3|0"},
            {"garbage-after-line-11", u"S 1 / 2 / 3 /False/"_s + L.repeated(20),
             "H3933|1|0|1|2|3|0"}};
        const QString seven = head + u"3933/True/False//"_s;
        for (const auto &r : rows)
            QTest::newRow(r.name) << QString(r.text).replace(u'S', seven).replace(u'/', u"\r\n"_s)
                                  << QString::fromLatin1(r.expected)
                                         .replace(u"H"_s, u"1|9600,n,8,1|0|"_s)
                                         .replace(u"<255>"_s, QString(255, u'3'));
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
            {" 42 \r\n", 42}, {"7", 7}, {"-5 \r\n", -5}, {" 99999 \r\n", 32767}, {"abc\r\n", -1},
            {"", -1}, {digits, -1}, {" 12 \r\n" + digits, 12}, {"\r\n 12 \r\n", -1}};
        QTemporaryDir dir;
        Seams::setProgramFolder(dir.path());
        for (const auto &r : rows) {
            const auto v = SettingsFile::ParseSentCount(QString::fromLatin1(r.text));
            QCOMPARE(v ? int(*v) : -1, r.count);
            QFile f(dir.filePath(u"Sent.txt"_s));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(r.text) == r.text.size());
            f.close();
            QCOMPARE(int(SettingsFile::ReadSentCount()), r.count == -1 ? 0 : r.count);
        }
        Seams::setProgramFolder(QString());
        QCOMPARE(SettingsFile::FormatSentCount(-2) + SettingsFile::FormatSentCount(12),
                 u"-2 \r\n 12 \r\n"_s);
        // The files are Windows-1252; what it cannot hold becomes "?".
        const QString text = u"€ £ è ³ “x”"_s;
        QCOMPARE(TextFile::Encode(text), QByteArray("\x80 \xA3 \xE8 \xB3 \x93x\x94"));
        QCOMPARE(TextFile::Decode(TextFile::Encode(text)), text);
        QCOMPARE(TextFile::Encode(u"Ω"_s), QByteArray("?"));
    }

    // The bounded line reader, from a file in pieces and from memory.
    void lineReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QStringList>("lines");
        const auto row = [](const char *name, const QByteArray &b, int lines, int length,
                            const char *l) {   // expected lines joined by '|'
            QTest::newRow(name) << b << lines << length
                                << (*l ? QString::fromUtf8(l).split(u'|') : QStringList());
        };
        row("crlf", "a\r\nb\r\nc\r\n", 11, 9, "a|b|c");
        row("cr", "a\rb\rc\r", 11, 9, "a|b|c");
        row("lf", "a\nb\nc", 11, 9, "a|b|c");
        row("empty-lines-count", "\r\n\r\nc\r\n", 11, 9, "||c");
        row("cr-then-crlf", "a\r\r\nb", 11, 9, "a||b");
        row("empty", "", 11, 9, "");
        row("first-two", "a\r\nb\r\nc\r\n", 2, 9, "a|b");
        row("none-wanted", "a\r\n", 0, 9, "");
        row("cut-one-past", "abcdef\r\nxy", 11, 3, "abcd|xy");
        row("at-limit", "abc\r\n", 11, 3, "abc");
        row("windows-1252", "\x80\xe8\r\n", 11, 9, "€è");
        // Line ends on both sides of the 64 KiB pieces the file is read in.
        const QByteArray edge(65535, 'x');
        row("crlf-across-pieces", edge + "\r\nb", 11, 70000, (edge + "|b").constData());
        row("long-line-across-pieces", QByteArray(200000, 'y') + "\nb\r", 11, 5, "yyyyyy|b");
        row("lf-starts-a-piece", QByteArray(65536, 'z') + "\nq", 2, 9, "zzzzzzzzzz|q");
        QTest::newRow("only-a-line-end") << QByteArray("\r\n") << 11 << 9 << QStringList{QString()};
    }
    void lineReader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, maxLines);
        QFETCH(int, maxLength);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        QFile f(dir.filePath(u"lines.txt"_s));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        const auto read = TextFile::ReadLines(f.fileName(), maxLines, maxLength);
        QVERIFY(read);
        QCOMPARE(*read, lines);
        QCOMPARE(TextFile::SplitLines(TextFile::Decode(bytes), maxLines, maxLength), lines);
        for (const QString &l : lines)
            QCOMPARE(TextFile::LineTooLong(l, maxLength), l.size() > maxLength);
        QVERIFY(!TextFile::ReadLines(dir.filePath(u"missing.txt"_s), 1, 1));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
