// SPDX-License-Identifier: GPL-3.0-or-later
// The sent log, the confirmation text, the bitmap check and the compose counters.
#include "app/appstate.h"
#include "app/textfile.h"
#include "compose/sendworkflow.h"
#include "encoding/codice7.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

class TstSentLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Codice7::InitGsmTable();
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    }
    void logCreatedWithHeader();
    void existingLogOnlyAppended();
    void confirmation_data();
    void confirmation();
    void bitmapCheck_data();
    void bitmapCheck();
    void counters_data();
    void counters();
    void nonGsmNote();
};

void TstSentLog::logCreatedWithHeader()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LogSMS.txt"));
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    Compose::AppendSentLog(path, QStringLiteral("ciao\r\nè"), QStringLiteral("+39347"), when,
                           QStringLiteral("1"));
    Compose::AppendSentLog(path, QStringLiteral("b"), QStringLiteral("12"), when,
                           QStringLiteral("3"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray expected =
        "CorvinaSMS By Quillane\r\n"
        "Log of sent SMS\r\n"
        "--------------------------------------------\r\n"
        "\r\n"
        "\r\n"
        "Sms:        ciao\r\n\xE8\r\n"
        "At number:  +39347\r\n"
        "Date and time: " + QLocale().toString(when.date(), QLocale::ShortFormat).toLatin1()
        + " 05:06:07\r\n"
        "N.sms:  1\r\n"
        "\r\n"
        "Sms:        b\r\n"
        "At number:  12\r\n"
        "Date and time: " + QLocale().toString(when.date(), QLocale::ShortFormat).toLatin1()
        + " 05:06:07\r\n"
        "N.sms:  3\r\n"
        "\r\n";
    QCOMPARE(f.readAll(), expected);
}

void TstSentLog::existingLogOnlyAppended()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LogSMS.txt"));
    QVERIFY(TextFile::WriteAtomic(path, QStringLiteral("kept\r\n")));
    Compose::AppendSentLog(path, QStringLiteral("x"), QStringLiteral("1"), QDateTime::currentDateTime(),
                           QStringLiteral("1"));
    const QString text = TextFile::Read(path).value_or(QString());
    QVERIFY(text.startsWith(QStringLiteral("kept\r\nSms:        x\r\n")));
    QVERIFY(!text.contains(QStringLiteral("Quillane")));
}

void TstSentLog::confirmation_data()
{
    QTest::addColumn<bool>("logo");
    QTest::addColumn<bool>("operatorLogo");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("flash");
    QTest::addColumn<bool>("status");
    QTest::addColumn<QString>("expected");
    const QString head = QStringLiteral("Are you sure to send this SMS:\r\r     \"");
    QTest::newRow("plain") << false << false << false << false << false
                           << head + QStringLiteral("hi\r\nyou\"\r\rTo: +3912?\r");
    QTest::newRow("flash-status") << false << false << false << true << true
                                  << head + QStringLiteral("hi\r\nyou\"\r\rTo: +3912?\r\r- Flash SMS\r- Status report");
    QTest::newRow("status-only") << false << false << false << false << true
                                 << head + QStringLiteral("hi\r\nyou\"\r\rTo: +3912?\r\r- Status report");
    QTest::newRow("operator-logo") << true << true << false << false << false
                                   << head + QStringLiteral("Operator Logo\"\r\rTo: +3912?\r");
    QTest::newRow("picture-reads-group") << true << false << true << false << false
                                         << head + QStringLiteral("Group Logo\"\r\rTo: +3912?\r");
}

void TstSentLog::confirmation()
{
    QFETCH(bool, logo);
    QFETCH(bool, operatorLogo);
    QFETCH(bool, picture);
    QFETCH(bool, flash);
    QFETCH(bool, status);
    QFETCH(QString, expected);
    AppState s;
    s.LogoMode = logo;
    s.OperatorLogoMode = operatorLogo;
    s.PictureMode = picture;
    s.FlashSms = flash;
    s.StatusReport = status;
    QCOMPARE(Compose::ConfirmationText(s, QStringLiteral("hi\r\nyou"), QStringLiteral("+3912")),
             expected);
}

void TstSentLog::bitmapCheck_data()
{
    QTest::addColumn<bool>("logo");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("logoData");
    QTest::addColumn<bool>("pictureData");
    QTest::addColumn<bool>("passes");
    QTest::newRow("text") << false << false << false << false << true;
    QTest::newRow("logo-without-bitmap") << true << false << false << true << false;
    QTest::newRow("logo-with-bitmap") << true << false << true << false << true;
    QTest::newRow("picture-without-bitmap") << true << true << true << false << false;
    QTest::newRow("picture-with-bitmap") << true << true << false << true << true;
}

void TstSentLog::bitmapCheck()
{
    QFETCH(bool, logo);
    QFETCH(bool, picture);
    QFETCH(bool, logoData);
    QFETCH(bool, pictureData);
    QFETCH(bool, passes);
    AppState s;
    s.LogoMode = logo;
    s.PictureMode = picture;
    if (logoData)
        s.LogoData = QStringLiteral("00");
    if (pictureData)
        s.PictureData1 = QStringLiteral("00");
    QCOMPARE(Compose::BitmapCheck(s), passes);
}

void TstSentLog::counters_data()
{
    QTest::addColumn<int>("chars");
    QTest::addColumn<int>("messages");
    const int rows[][2] = {{0, 0},   {1, 1},   {160, 1}, {161, 2}, {304, 2}, {305, 3},
                           {456, 3}, {457, 4}, {608, 4}, {609, 5}, {760, 5}};
    for (const auto &r : rows)
        QTest::addRow("%d", r[0]) << r[0] << r[1];
}

void TstSentLog::counters()
{
    QFETCH(int, chars);
    QFETCH(int, messages);
    const auto c = Compose::ComposeCounters(chars);
    QCOMPARE(c.used, chars);
    QCOMPARE(c.left, 760 - chars);
    QCOMPARE(c.messages, messages);
}

void TstSentLog::nonGsmNote()
{
    QCOMPARE(Compose::NonGsmNote(QStringLiteral("Ciao è @ ¡\r\n")), QString());
    QVERIFY(Compose::NonGsmNote(QStringLiteral("\u20AC")).startsWith(QStringLiteral("1 character ")));
    QVERIFY(Compose::NonGsmNote(QStringLiteral("\u00C7{}")).startsWith(QStringLiteral("3 characters ")));
}

QTEST_GUILESS_MAIN(TstSentLog)
#include "tst_sentlog.moc"
