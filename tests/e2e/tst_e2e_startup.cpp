// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up with the real serial port against a pseudo-terminal phone linked as COM1: the
// window fills the information frame; the built program walks the same search once.
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

namespace {
QString Env(const char *name) { return qEnvironmentVariable(name); }

/// The scripted phone process, linked as COM1 in its own folder.
struct Phone
{
    QTemporaryDir dir;
    QProcess process;
    QString transcript = dir.filePath(QStringLiteral("transcript.txt"));
    bool start()
    {
        const QString folder = dir.path();
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(Env("SMS_PYTHON3"), {Env("SMS_PTYPHONE"), folder + QStringLiteral("/COM1"), transcript});
        return process.waitForStarted(5000)
            && QTest::qWaitFor([&] { return QFile::exists(folder + QStringLiteral("/COM1")); }, 5000);
    }
    QString commands() const
    {
        QFile f(transcript);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).trimmed().replace(u'\n', u'|') : QString();
    }
    ~Phone() { process.kill(), process.waitForFinished(3000); }
};

const QString kChain = QStringLiteral("AT|AT+CGMI|AT+CGMM|AT+CGMR|AT+GSN|AT+CIMI|AT+CPMS=MT|AT^SDBR=?|"
                                      "AT+CPBS=SM|AT+CPBR=?|AT+CPBS=ME|AT+CPBR=?");
} // namespace

class TestE2eStartup : public QObject
{
    Q_OBJECT
private slots:
    void windowFindsThePhone()
    {
        Phone phone;
        QVERIFY(phone.start());
        Seams::setProgramFolder(phone.dir.path());
        MsgBoxRecorder boxes;
        AppState state;
        QSerialPhonePort comm;
        Form1 form(state, comm);
        form.Form_Load();
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(!form.PendingAutoConnect(), 15000);
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'|')));
        QVERIFY(comm.PortOpen() && form.StatusBar1Panel[3]->text() == QStringLiteral("Status: Connected"));
        QStringList info;
        for (QLabel *l : {form.Label16, form.Label17, form.Label18, form.Label21, form.Label23,
                          form.Label26, form.Label22, form.Label29})
            info << l->text();
        QCOMPARE(info.join(u'|'), QStringLiteral("ACME X1 |21|351234567890123|222011234567890|Yes|"
                                                 "Yes, From position 1 To 100|From position 1 To 250|From position 1 To 500"));
        QCOMPARE(phone.commands(), kChain);
        Seams::setProgramFolder(QString());
    }

    void programWalksTheSearch()
    {
        Phone phone;
        QVERIFY(phone.start());
        // The program keeps its files, and looks for COM1, beside itself.
        const QString copy = phone.dir.filePath(QStringLiteral("corvina-sms"));
        QVERIFY(QFile::copy(Env("SMS_PROGRAM"), copy));
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeOwner);
        QProcess app;
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(copy, {});   // offscreen, like this test
        QVERIFY(app.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(phone.commands().size() >= kChain.size(), 15000);
        QTest::qWait(500);
        QCOMPARE(phone.commands(), kChain);   // nothing more once the search is over
        QCOMPARE(app.state(), QProcess::Running);
        app.kill(), app.waitForFinished(3000);
        QVERIFY(!QFile::exists(phone.dir.filePath(QStringLiteral("Setting.sms"))));
    }
};

QTEST_MAIN(TestE2eStartup)
#include "tst_e2e_startup.moc"
