// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up against a phone on a pseudo-terminal linked as COM1 in the program's folder:
// the main window with the real serial port finds the phone by itself and fills the
// information frame; a vanished phone shows the disconnected state. The built program
// itself is started the same way and walks the whole search.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/qserialphoneport.h"
#include "app/seams.h"
#include "msgboxrecorder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
QString Env(const char *name) { return qEnvironmentVariable(name); }

/// The scripted phone process, linked as COM1 in `folder`.
struct Phone
{
    QProcess process;
    QString transcript;
    bool start(const QString &folder)
    {
        transcript = folder + QStringLiteral("/transcript.txt");
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(Env("SMS_PYTHON3").isEmpty() ? QStringLiteral("/usr/bin/python3")
                                                   : Env("SMS_PYTHON3"),
                      {Env("SMS_PTYPHONE"), QStringLiteral("--link"), folder + QStringLiteral("/COM1"),
                       QStringLiteral("--transcript"), transcript});
        if (!process.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(folder + QStringLiteral("/COM1")) && t.elapsed() < 5000)
            QTest::qWait(20);
        return QFile::exists(folder + QStringLiteral("/COM1"));
    }
    QStringList commands() const
    {
        QFile f(transcript);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    ~Phone()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
};

const QStringList kChain = QStringLiteral("AT|AT+CGMI|AT+CGMM|AT+CGMR|AT+GSN|AT+CIMI|"
                                          "AT+CPMS=MT|AT^SDBR=?|AT+CPBS=SM|AT+CPBR=?|"
                                          "AT+CPBS=ME|AT+CPBR=?")
                               .split(QLatin1Char('|'));
} // namespace

class TestE2eStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QFile::exists(Env("SMS_PTYPHONE")))
            QSKIP("the pseudo-terminal phone script is not available");
    }

    void windowFindsThePhoneThenLosesIt()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Seams::setProgramFolder(dir.path());
        Phone phone;
        QVERIFY(phone.start(dir.path()));

        MsgBoxRecorder boxes;
        AppState state;
        QSerialPhonePort comm;
        Form1 form(state, comm);
        QElapsedTimer clock;
        clock.start();
        form.Form_Load();
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(!form.PendingAutoConnect(), 15000);
        const qint64 connectedAfter = clock.elapsed();
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(QLatin1Char('|'))));
        QVERIFY(comm.PortOpen());
        QCOMPARE(form.StatusBar1Panel[3]->text(), QStringLiteral("Status: Connected"));
        QCOMPARE(form.Label16->text(), QStringLiteral("ACME X1 "));
        QCOMPARE(form.Label17->text(), QStringLiteral("21"));
        QCOMPARE(form.Label18->text(), QStringLiteral("351234567890123"));
        QCOMPARE(form.Label21->text(), QStringLiteral("222011234567890"));
        QCOMPARE(form.Label23->text(), QStringLiteral("Yes"));
        QCOMPARE(form.Label26->text(), QStringLiteral("Yes, From position 1 To 100"));
        QCOMPARE(form.Label22->text(), QStringLiteral("From position 1 To 250"));
        QCOMPARE(form.Label29->text(), QStringLiteral("From position 1 To 500"));
        QCOMPARE(state.SimPhonebookSize, std::int16_t(250));
        QCOMPARE(state.PhonePhonebookSize, std::int16_t(500));
        QCOMPARE(phone.commands(), kChain);
        qInfo("start-up to connected: %lld ms (first status tick after 1000 ms)", connectedAfter);

        // The phone goes away: the port closes and the next tick shows it.
        phone.process.kill();
        phone.process.waitForFinished(3000);
        QTRY_VERIFY_WITH_TIMEOUT(!comm.PortOpen(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(form.StatusBar1Panel[3]->text(),
                                  QStringLiteral("Status: Disconnected"), 3000);
        QCOMPARE(form.Label16->text(), QStringLiteral("???"));
        QVERIFY(!comm.Output(QStringLiteral("AT\r")));
        form.Timer1->stop();
        Seams::setProgramFolder(QString());
    }

    void programWalksTheSearch()
    {
        const QString program = Env("SMS_PROGRAM");
        if (!QFile::exists(program))
            QSKIP("the program is not built");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The program keeps its files, and looks for COM1, beside itself.
        const QString copy = dir.filePath(QStringLiteral("corvina-sms"));
        QVERIFY(QFile::copy(program, copy));
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeOwner);
        Phone phone;
        QVERIFY(phone.start(dir.path()));

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        QElapsedTimer clock;
        clock.start();
        app.start(copy, {});
        QVERIFY(app.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(phone.commands().size() >= kChain.size(), 15000);
        qInfo("program start to the last search command: %lld ms", clock.elapsed());
        QTest::qWait(500);
        QCOMPARE(phone.commands(), kChain);   // nothing more once the search is over
        QCOMPARE(app.state(), QProcess::Running);
        app.kill();
        app.waitForFinished(3000);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("Setting.sms"))));
    }
};

QTEST_MAIN(TestE2eStartup)
#include "tst_e2e_startup.moc"
