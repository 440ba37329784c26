// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a desktop user meets it: command line, where the files live, port failures
// that explain themselves, the line transcript, and a clean end on SIGTERM, SIGINT, SIGHUP.
#include "app/appstate.h"
#include "app/commandline.h"
#include "app/form1.h"
#include "app/porttrace.h"
#include "app/qserialphoneport.h"
#include "app/seams.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "phonesimrunner.h"

#include <QtWidgets>
#include <QSerialPort>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
QString S(const char *s) { return QString::fromUtf8(s); }
QString Env(const char *name) { return qEnvironmentVariable(name); }
bool isRoot() { return ::geteuid() == 0; }

/// QSerialPort's lock file for the device behind `link`, where it exists.
QString LockFile(const QString &link)
{
    const QString device = QFileInfo(link).symLinkTarget().mid(5).replace(u'/', u'_');
    for (const char *folder : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"})
        if (QFile::exists(QLatin1String(folder) + S("/LCK..") + device))
            return QLatin1String(folder) + S("/LCK..") + device;
    return {};
}
}   // namespace

class TestDesktop : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        // The user's data folder of this test, never the real one.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(S("data"))));
        QCoreApplication::setApplicationName(S("corvina-sms"));
    }
    void cleanup()
    {
        Seams::setProgramFolder(QString());
        Seams::setExecutableFolder(QString());
        Seams::setOpenExternalHandler({});
    }

    // The options as parsed; where `status` is given, the real executable too, without a
    // display: a window would make it fail, and a port it touched would show beside it.
    void commandLine_data()
    {
        QTest::addColumn<QString>("args");     // separated by "|"
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("parsed");   // the trace file, or the error's text
        QTest::addColumn<int>("status");       // -1: not run
        QTest::addColumn<QString>("output");   // how stdout (status 0) or stderr begins
        using A = CommandLine::Action;
        const auto row = [](const char *name, const char *args, A action, const char *parsed,
                            int status = -1, const QString &output = {}) {
            QTest::newRow(name) << S(args) << int(action) << S(parsed) << status << output;
        };
        row("none", "", A::Run, "");
        row("trace-apart", "--trace|t.txt", A::Run, "t.txt");
        row("trace-joined", "--trace=/tmp/a b", A::Run, "/tmp/a b");
        row("qt-options-pass", "-style|fusion|-reverse|-session=abc|--trace|x", A::Run, "x");
        row("help-wins", "--bogus|--help", A::Help, "", 0,
            S("Usage: corvina-sms [--trace FILE]\n"));
        row("version", "--version", A::Version, "", 0, S("corvina-sms " SMS_PROJECT_VERSION "\n"));
        row("trace-without-file", "--trace", A::Error, "--trace needs a file name");
        row("qt-option-no-value", "-platform", A::Error, "-platform needs a value");
        row("unknown-option", "--port=3", A::Error, "unknown option '--port=3'", 2,
            S("corvina-sms: unknown option '--port=3'\n\nUsage: corvina-sms"));
        row("positional", "COM1", A::Error, "unexpected argument 'COM1'", 2,
            S("corvina-sms: unexpected argument 'COM1'\n"));
        row("trace-unwritable", "--trace|/nonexistent/t.txt", A::Run, "/nonexistent/t.txt", 1,
            S("corvina-sms: cannot write the trace file /nonexistent/t.txt: "));
    }
    void commandLine()
    {
        QFETCH(QString, args); QFETCH(int, action); QFETCH(QString, parsed); QFETCH(int, status);
        QFETCH(QString, output);
        const QStringList list = args.isEmpty() ? QStringList() : args.split(u'|');
        const auto o = CommandLine::Parse(list);
        QCOMPARE(int(o.action), action);
        QCOMPARE(o.action == CommandLine::Action::Error ? o.error : o.traceFile, parsed);
        if (status < 0)
            return;
        QTemporaryDir dir;   // the program with a port link beside it that leads nowhere
        const QString copy = dir.filePath(S("corvina-sms"));
        QVERIFY(QFile::copy(Env("SMS_PROGRAM"), copy)
                && QFile::link(dir.filePath(S("gone")), dir.filePath(S("COM1"))));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(S("QT_QPA_PLATFORM"), S("xcb"));
        env.remove(S("DISPLAY")), env.remove(S("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(copy, list);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2((status ? err : out).startsWith(output) && (status ? out : err).isEmpty(),
                 qPrintable(out + err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System),
                 (QStringList {S("COM1"), S("corvina-sms")}));
    }

    void traceShowsBytesVisibly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("command") << QByteArray("AT+CMGS=23\r") << S("AT+CMGS=23<CR>");
        QTest::newRow("reply-and-prompt")
            << QByteArray("\r\nOK\r\n> ") << S("<CR><LF>OK<CR><LF>> ");
        QTest::newRow("ctrl-z-esc-nul") << QByteArray("00\x1a\x1b\0", 5) << S("00<SUB><ESC><NUL>");
        QTest::newRow("angle-bracket") << QByteArray("a<b") << S("a<3C>b");
        QTest::newRow("eight-bit-and-del") << QByteArray("\xa3\xe9\x7f~") << S("<A3><E9><7F>~");
    }
    void traceShowsBytesVisibly()
    {
        QFETCH(QByteArray, bytes); QFETCH(QString, shown);
        QCOMPARE(PortTrace::Visible(bytes), shown);
        const QDateTime when(QDate(2024, 5, 1), QTime(9, 3, 7, 45));
        QCOMPARE(PortTrace::Line(when, PortTrace::Direction::Received, shown),
                 S("2024-05-01 09:03:07.045 << ") + shown);
    }

    // A portable copy keeps its files beside itself; an installed or read-only copy in the
    // user's data folder, made on first use, with the same contents.
    void filesLiveWhereTheyCan_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"portable", "installed", "read-only"})
            QTest::newRow(kind) << S(kind);
    }
    void filesLiveWhereTheyCan()
    {
        QFETCH(QString, kind);
        if (kind == S("read-only") && isRoot())
            QSKIP("running as root, where every folder is writable; the installed row covers the "
                  "data folder");
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(S("bin"));
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(prefix.filePath(S("share/applications"))));
        QVERIFY(kind != S("installed")
                || QFile(prefix.filePath(S("share/applications/corvina-sms.desktop")))
                       .open(QIODevice::WriteOnly));
        QVERIFY(kind != S("read-only")
                || QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(data.startsWith(m_home.path()) && data.endsWith(S("/corvina-sms")));
        QDir(data).removeRecursively();
        const QString expected = kind == S("portable") ? bin : data;

        Seams::setExecutableFolder(bin);
        QCOMPARE(Seams::ProgramFolder(), expected);
        QVERIFY(QFileInfo(expected).isDir());
        QStringList opened;
        Seams::setOpenExternalHandler([&](const QString &path) { return opened << path, true; });
        MsgBoxRecorder boxes;
        AppState state;
        FakePhonePort port, again;
        for (FakePhonePort *p : {&port, &again}) {
            Form1 form(state, *p);
            form.Timer1->stop();
            form.Form_Load();
            if (p == &again)
                break;   // the next start reads them back from the same place
            QVERIFY(port.setCommPort(7));
            form.Text2->setText(S("3912"));
            form.Mn_Salva_Imp_Click();
            form.Mn_Log_Click();
        }
        QCOMPARE(again.CommPort(), 7);
        QCOMPARE(opened, QStringList {expected + S("/LogSMS.txt")});
        QFile written(expected + S("/Setting.sms"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(),
                 QByteArray(" 7 \r\n9600,n,8,1\r\n 0 \r\n3912\r\nTrue\r\nFalse\r\n\r\n"
                            " 200 \r\n 50 \r\n 20 \r\nTrue\r\n"));
        QCOMPARE(QFile::exists(bin + S("/Setting.sms")), kind == S("portable"));
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'|')));
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The search's message names the device, the system's reason and a remedy; the status
    // bar's port panel names the device in its tooltip.
    void portFailureExplainsItself_data()
    {
        QTest::addColumn<QString>("entry");    // COM1 is dangling, directory, locked, busy, none
        QTest::addColumn<QString>("device");   // relative to the program folder
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("remedy");
        const QString enoent = S("No such file or directory");
        QTest::newRow("dangling-link")
            << S("dangling") << S("ttyUSB9") << enoent << S("plugged in");
        QTest::newRow("no-entry") << S("none") << S("COM201") << enoent << S("plugged in");
        QTest::newRow("directory")
            << S("directory") << S("adir") << S("Is a directory") << QString();
        QTest::newRow("no-permission")
            << S("locked") << S("locked") << S("Permission denied") << S("dialout");
        QTest::newRow("in-use") << S("busy") << QString()
                                << S("Permission error while locking the device")
                                << S("Another program may be using the device");
    }
    void portFailureExplainsItself()
    {
        QFETCH(QString, entry); QFETCH(QString, device); QFETCH(QString, reason);
        QFETCH(QString, remedy);
        if (entry == S("locked") && isRoot())
            QSKIP("running as root, which no file permission stops");
        QTemporaryDir dir;
        Seams::setProgramFolder(dir.path());
        const QString com1 = dir.filePath(S("COM1"));
        QSerialPort holder;   // the other program holding the device
        int master = -1;
        if (entry == S("directory")) {
            QVERIFY(QDir(dir.path()).mkdir(device));
        } else if (entry == S("locked")) {
            QFile f(dir.filePath(device));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.setPermissions({}));
        } else if (entry == S("busy")) {
            master = posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
            device = QString::fromLocal8Bit(ptsname(master));
            holder.setPortName(device);
            QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        }
        const QString tried = device.startsWith(u'/') ? device : dir.filePath(device);
        QVERIFY(entry == S("none") || QFile::link(tried, com1));
        MsgBoxRecorder boxes;
        AppState state;
        QSerialPhonePort comm;
        QVERIFY(comm.setCommPort(entry == S("none") ? 201 : 1));
        Form1 form(state, comm);
        form.Timer1->stop();
        form.Mn_Apri_Click();
        if (master >= 0)
            holder.close(), ::close(master);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, S("Error."));
        const QStringList lines = boxes.shown[0].text.split(u'\n');
        QCOMPARE(lines.mid(0, 3), (QStringList {S("Unable to open the communication port"),
                                                QString(), tried + S(": ") + reason}));
        QCOMPARE(lines.size() > 3 && lines[3] == S("(the port is the link ") + com1 + u')',
                 entry != S("none"));
        QVERIFY2(remedy.isEmpty() ? !lines.last().contains(S("dialout"))
                                  : lines.last().contains(remedy), qPrintable(lines.last()));
        QVERIFY(!comm.PortOpen());
        form.Timer1_Timer();
        QCOMPARE(form.StatusBar1Panel[0]->toolTip(),
                 entry == S("none") ? tried : com1 + S(" -> ") + tried);
    }

    // The end a signal asks for: the operator codes kept as on Exit, the port closed, and
    // no question (the settings question's default would have saved Setting.sms).
    void endWithoutQuestionsKeepsTheFiles()
    {
        QTemporaryDir dir;
        Seams::setProgramFolder(dir.path());
        AppState state;
        FakePhonePort port;
        Form1 form(state, port);
        form.Form_Load();
        QVERIFY(port.setPortOpen(true) && form.Mn_AutoSave->isChecked());
        form.Text7->setText(S("222"));
        form.Text8->setText(S("01"));
        form.EndWithoutQuestions();
        QVERIFY(!port.PortOpen() && !form.Timer1->isActive());
        QFile codes(dir.filePath(S("Operator.sms")));
        QCOMPARE(codes.open(QIODevice::ReadOnly) ? codes.readAll() : "<none>", "222\r\n01\r\n");
        QVERIFY(!QFile::exists(dir.filePath(S("Setting.sms"))));
        Seams::setMsgBoxHandler({});
    }

    // Ended by a signal, the program closes the port (its lock file goes) without asking; with
    // --trace the transcript holds every byte both ways, in order, readable and time-stamped.
    void signalEndsCleanly_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("traced");
        QTest::newRow("SIGTERM-traced") << SIGTERM << true;
        QTest::newRow("SIGINT") << SIGINT << false;
        QTest::newRow("SIGHUP") << SIGHUP << false;
    }
    void signalEndsCleanly()
    {
        QFETCH(int, signalNumber); QFETCH(bool, traced);
        PhonesimRunner phone;   // the real program, copied beside the phone's link COM1
        QProcess app;
        const QString copy = phone.file(S("corvina-sms")), tracePath = phone.file(S("trace.txt"));
        QVERIFY2(phone.startPhone(Env("SMS_PHONESIM"), Env("SMS_SCENARIO")),
                 qPrintable(phone.error));
        QVERIFY(QFile::copy(Env("SMS_PROGRAM"), copy));
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(copy, traced ? QStringList {S("--trace"), tracePath} : QStringList());
        QVERIFY2(app.waitForStarted(5000) && QTest::qWaitFor([&] {
                     return phone.commands().contains(S("AT+CPBS=ME")); }, 20000),
                 "the program did not reach the end of its phone search");
        const auto saw = [&phone](const char *type, const char *key, const char *value) {
            const QList<QJsonObject> events = phone.events(S(type));
            return std::count_if(events.begin(), events.end(), [&](const QJsonObject &e) {
                return e[QLatin1String(key)] == S(value);
            });
        };
        QString sent, received;
        QStringList lines;
        const auto readTrace = [&] {
            QFile trace(tracePath);
            lines = trace.open(QIODevice::ReadOnly)
                ? QString::fromUtf8(trace.readAll()).split(u'\n', Qt::SkipEmptyParts)
                : QStringList();
            static const QRegularExpression format(
                S("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} (>>|<<|--) (.*)$"));
            sent.clear(), received.clear();
            for (const QString &line : lines) {
                const auto m = format.match(line);
                if (!m.hasMatch())
                    return line;   // out of format
                if (m.captured(1) == S(">>"))
                    sent += m.captured(2);
                else if (m.captured(1) == S("<<"))
                    received += m.captured(2);
            }
            return QString();
        };
        if (traced) {
            QByteArray toPhone, fromPhone;   // as the phone saw them
            QTRY_COMPARE(saw("reply", "command", "AT+CPBR=?"), 2);
            for (const QJsonObject &e : phone.events()) {
                const QByteArray line = e[S("line")].toString().toLatin1() + '\r';
                if (e[S("type")] == S("command"))
                    toPhone += line, fromPhone += line;   // echoed
                else if (e[S("type")] == S("reply"))
                    fromPhone += e[S("data")].toString().toLatin1();
            }
            // The phone logs a reply as it starts sending it.
            QTRY_VERIFY(readTrace().isEmpty()
                        && received.size() >= PortTrace::Visible(fromPhone).size());
            QCOMPARE(sent, PortTrace::Visible(toPhone));
            QCOMPARE(received, PortTrace::Visible(fromPhone));
            QVERIFY(lines.first().contains(S(" -- opened ") + phone.file(S("COM1"))
                                           + S(" -> /dev/pts/")));
        }
        const QString lock = LockFile(phone.file(S("COM1")));
        QVERIFY2(!lock.isEmpty(), "no lock file for the open port");
        QCOMPARE(::kill(pid_t(app.processId()), signalNumber), 0);
        QVERIFY(app.waitForFinished(5000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QVERIFY2(!QFile::exists(lock), qPrintable(lock));
        QTRY_VERIFY(saw("port", "event", "close"));
        QVERIFY(!QFile::exists(phone.file(S("Setting.sms"))));   // nobody was asked, nothing saved
        if (traced) {
            QCOMPARE(readTrace(), QString());
            QVERIFY2(lines.last().endsWith(S(" -- closed")), qPrintable(lines.last()));
        }
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
