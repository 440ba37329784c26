// SPDX-License-Identifier: GPL-3.0-or-later
// The built program started beside a pseudo-terminal phone linked as COM1: it finds the
// phone on its own, walks the search once and keeps running. The window's side of the same
// search over the real serial port: tst_e2e_faults.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestE2eStartup : public QObject
{
    Q_OBJECT
private slots:
    void programWalksTheSearch()
    {
        QTemporaryDir dir;
        const QString transcript = dir.filePath(u"transcript.txt"_s);
        const auto commands = [&] {
            QFile f(transcript);
            return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
        };
        QProcess phone;
        phone.setProcessChannelMode(QProcess::ForwardedChannels);
        phone.start(qEnvironmentVariable("SMS_PYTHON3"),
                    {qEnvironmentVariable("SMS_PTYPHONE"), dir.filePath(u"COM1"_s), transcript});
        QVERIFY(phone.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(u"COM1"_s)), 5000);
        // The program keeps its files, and looks for COM1, beside itself.
        const QString copy = dir.filePath(u"corvina-sms"_s);
        QVERIFY(QFile::copy(qEnvironmentVariable("SMS_PROGRAM"), copy));
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeOwner);
        QProcess app;
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(copy, {});   // offscreen, like this test
        QVERIFY(app.waitForStarted(5000));
        const QString chain = u"AT\nAT+CGMI\nAT+CGMM\nAT+CGMR\nAT+GSN\nAT+CIMI\nAT+CPMS=MT\n"
                              "AT^SDBR=?\nAT+CPBS=SM\nAT+CPBR=?\nAT+CPBS=ME\nAT+CPBR=?\n"_s;
        QTRY_VERIFY_WITH_TIMEOUT(commands().size() >= chain.size(), 15000);
        QTest::qWait(500);
        QCOMPARE(commands(), chain);   // nothing more once the search is over
        QCOMPARE(app.state(), QProcess::Running);
        app.kill(), app.waitForFinished(3000);
        phone.kill(), phone.waitForFinished(3000);
        QVERIFY(!QFile::exists(dir.filePath(u"Setting.sms"_s)));
    }
};

QTEST_MAIN(TestE2eStartup)
#include "tst_e2e_startup.moc"
