// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up with the real serial port against a pseudo-terminal phone linked as COM1: the
// window, and the built program on its own, walk the search once and fill the information.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/qserialphoneport.h"
#include "app/seams.h"
#include "msgboxrecorder.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestE2eStartup : public QObject
{
    Q_OBJECT
private slots:
    void startUpWalksTheSearch_data()
    {
        QTest::addColumn<bool>("program");   // the built executable, or the window in process
        QTest::newRow("window") << false;
        QTest::newRow("program") << true;
    }
    void startUpWalksTheSearch()
    {
        QFETCH(bool, program);
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
        const QString chain = u"AT\nAT+CGMI\nAT+CGMM\nAT+CGMR\nAT+GSN\nAT+CIMI\nAT+CPMS=MT\n"
                              "AT^SDBR=?\nAT+CPBS=SM\nAT+CPBR=?\nAT+CPBS=ME\nAT+CPBR=?\n"_s;
        if (program) {
            // The program keeps its files, and looks for COM1, beside itself.
            const QString copy = dir.filePath(u"corvina-sms"_s);
            QVERIFY(QFile::copy(qEnvironmentVariable("SMS_PROGRAM"), copy));
            QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeOwner);
            QProcess app;
            app.setProcessChannelMode(QProcess::ForwardedChannels);
            app.start(copy, {});   // offscreen, like this test
            QVERIFY(app.waitForStarted(5000));
            QTRY_VERIFY_WITH_TIMEOUT(commands().size() >= chain.size(), 15000);
            QTest::qWait(500);
            QCOMPARE(commands(), chain);   // nothing more once the search is over
            QCOMPARE(app.state(), QProcess::Running);
            app.kill(), app.waitForFinished(3000);
            QVERIFY(!QFile::exists(dir.filePath(u"Setting.sms"_s)));
        } else {
            Seams::setProgramFolder(dir.path());
            MsgBoxRecorder boxes;
            AppState state;
            QSerialPhonePort comm;
            Form1 form(state, comm);
            form.Form_Load();
            form.show();
            QTRY_VERIFY_WITH_TIMEOUT(!form.PendingAutoConnect(), 15000);
            QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'|')));
            QVERIFY(comm.PortOpen());
            QCOMPARE(form.StatusBar1Panel[3]->text(), u"Status: Connected"_s);
            QStringList info;
            for (QLabel *l : {form.Label16, form.Label17, form.Label18, form.Label21,
                              form.Label23, form.Label26, form.Label22, form.Label29})
                info << l->text();
            QCOMPARE(info.join(u'|'), u"ACME X1 |21|351234567890123|222011234567890|Yes|"
                                      "Yes, From position 1 To 100|From position 1 To 250|"
                                      "From position 1 To 500"_s);
            QCOMPARE(commands(), chain);
            Seams::setProgramFolder(QString());
        }
        phone.kill(), phone.waitForFinished(3000);
    }
};

QTEST_MAIN(TestE2eStartup)
#include "tst_e2e_startup.moc"
