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

#include <QtWidgets>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
QString S(const char *s) { return QString::fromUtf8(s); }
QString Env(const char *name) { return qEnvironmentVariable(name); }
bool isRoot() { return ::geteuid() == 0; }

/// The real program, copied into a folder of its own beside the simulated phone's link COM1.
struct ProgramRun
{
    QTemporaryDir dir;
    QProcess phone, app;
    QString file(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QList<QJsonObject> phoneEvents() const
    {
        QList<QJsonObject> out;
        QFile f(file("phone.jsonl"));
        for (const QByteArray &line :
             f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QByteArrayList())
            out << QJsonDocument::fromJson(line).object();
        return out;
    }
    qsizetype phoneSaw(const char *type, const char *key, const char *value) const
    {
        const auto events = phoneEvents();
        return std::count_if(events.begin(), events.end(), [&](const QJsonObject &e) {
            return e[S("type")] == S(type) && e[QLatin1String(key)] == S(value);
        });
    }
    /// Starts both and waits until the program's phone search is over.
    bool start(const QStringList &arguments)
    {
        phone.start(Env("SMS_PHONESIM"),
                    {S("--scenario"), Env("SMS_SCENARIO"), S("--link"), file("COM1"),
                     S("--transcript"), file("phone.jsonl")});
        const QString copy = file("corvina-sms");
        if (!phone.waitForStarted(5000)
            || !QTest::qWaitFor([&] { return QFile::exists(file("COM1")); }, 5000)
            || !QFile::copy(Env("SMS_PROGRAM"), copy))
            return false;
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(copy, arguments);   // offscreen, as this test
        return app.waitForStarted(5000)
            && QTest::qWaitFor([&] { return phoneSaw("command", "line", "AT+CPBS=ME"); }, 20000);
    }
    /// QSerialPort's lock file for the phone's pseudo-terminal, where it exists.
    QString lockFile() const
    {
        const QString device = QFileInfo(file("COM1")).symLinkTarget().mid(5).replace(u'/', u'_');
        for (const char *folder : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"}) {
            if (QFile::exists(QLatin1String(folder) + S("/LCK..") + device))
                return QLatin1String(folder) + S("/LCK..") + device;
        }
        return {};
    }
    ~ProgramRun()
    {
        for (QProcess *p : {&app, &phone})
            p->terminate(), p->waitForFinished(3000);
    }
};
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

    void parsesTheCommandLine_data()
    {
        QTest::addColumn<QString>("args");   // separated by "|"
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("trace");   // or the error's text
        using A = CommandLine::Action;
        QTest::newRow("none") << QString() << int(A::Run) << QString();
        QTest::newRow("trace-apart") << S("--trace|t.txt") << int(A::Run) << S("t.txt");
        QTest::newRow("trace-joined") << S("--trace=/tmp/a b") << int(A::Run) << S("/tmp/a b");
        QTest::newRow("qt-options-pass")
            << S("-style|fusion|-reverse|-session=abc|--trace|x") << int(A::Run) << S("x");
        QTest::newRow("help-wins") << S("--bogus|--help") << int(A::Help) << QString();
        QTest::newRow("trace-without-file")
            << S("--trace") << int(A::Error) << S("--trace needs a file name");
        QTest::newRow("qt-option-no-value")
            << S("-platform") << int(A::Error) << S("-platform needs a value");
        QTest::newRow("unknown-option")
            << S("--port=3") << int(A::Error) << S("unknown option '--port=3'");
        QTest::newRow("positional")
            << S("msg.txt") << int(A::Error) << S("unexpected argument 'msg.txt'");
    }
    void parsesTheCommandLine()
    {
        QFETCH(QString, args); QFETCH(int, action); QFETCH(QString, trace);
        const auto o = CommandLine::Parse(args.isEmpty() ? QStringList() : args.split(u'|'));
        QCOMPARE(int(o.action), action);
        QCOMPARE(o.action == CommandLine::Action::Error ? o.error : o.traceFile, trace);
    }

    // The real executable without a display: a window would make it fail, a port would show.
    void programAnswersAndEnds_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << S("--help") << 0 << S("Usage: corvina-sms [--trace FILE]\n")
                              << QString();
        QTest::newRow("version") << S("--version") << 0
                                 << S("corvina-sms " SMS_PROJECT_VERSION "\n") << QString();
        QTest::newRow("unknown")
            << S("--bogus") << 2 << QString()
            << S("corvina-sms: unknown option '--bogus'\n\nUsage: corvina-sms");
        QTest::newRow("argument") << S("COM1") << 2 << QString()
                                  << S("corvina-sms: unexpected argument 'COM1'\n");
        QTest::newRow("trace-unwritable")
            << S("--trace|/nonexistent/t.txt") << 1 << QString()
            << S("corvina-sms: cannot write the trace file /nonexistent/t.txt: ");
    }
    void programAnswersAndEnds()
    {
        QFETCH(QString, args); QFETCH(int, status); QFETCH(QString, out); QFETCH(QString, err);
        QTemporaryDir dir;   // the program with a port link beside it that leads nowhere
        const QString copy = dir.filePath(S("corvina-sms"));
        QVERIFY(QFile::copy(Env("SMS_PROGRAM"), copy)
                && QFile::link(dir.filePath(S("gone")), dir.filePath(S("COM1"))));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(S("QT_QPA_PLATFORM"), S("xcb"));
        env.remove(S("DISPLAY")), env.remove(S("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(copy, args.split(u'|'));
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        const QString stdOut = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
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
        if (kind == S("installed"))
            QVERIFY(QFile(prefix.filePath(S("share/applications/corvina-sms.desktop")))
                        .open(QIODevice::WriteOnly));
        if (kind == S("read-only"))
            QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(data.startsWith(m_home.path()) && data.endsWith(S("/corvina-sms")));
        QDir(data).removeRecursively();
        const QString expected = kind == S("portable") ? bin : data;

        Seams::setExecutableFolder(bin);
        QCOMPARE(Seams::ProgramFolder(), expected);
        QVERIFY(QFileInfo(expected).isDir());
        QStringList opened;
        Seams::setOpenExternalHandler(
            [&opened](const QString &path) { return opened << path, true; });
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
        QTest::addColumn<QString>(
            "entry");   // what COM1 is: dangling, directory, locked, busy; none: no COM1
        QTest::addColumn<QString>("device");   // relative to the program folder
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("remedy");
        QTest::newRow("dangling-link")
            << S("dangling") << S("ttyUSB9") << S("No such file or directory") << S("plugged in");
        QTest::newRow("no-entry") << S("none") << S("COM201") << S("No such file or directory")
                                  << S("plugged in");
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
        QCOMPARE(lines.mid(0, 3),
                 (QStringList {S("Unable to open the communication port"), QString(),
                               tried + S(": ") + reason}));
        QCOMPARE(lines.size() > 3 && lines[3] == S("(the port is the link ") + com1 + u')',
                 entry != S("none"));
        QVERIFY2(remedy.isEmpty() ? !lines.last().contains(S("dialout"))
                                  : lines.last().contains(remedy),
                 qPrintable(lines.last()));
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
        QVERIFY(codes.open(QIODevice::ReadOnly));
        QCOMPARE(codes.readAll(), QByteArray("222\r\n01\r\n"));
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
        ProgramRun run;
        const QString tracePath = run.file("trace.txt");
        QVERIFY2(run.start(traced ? QStringList {S("--trace"), tracePath} : QStringList()),
                 "the program did not reach the end of its phone search");
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
            QTRY_COMPARE(run.phoneSaw("reply", "command", "AT+CPBR=?"), 2);
            for (const QJsonObject &e : run.phoneEvents()) {
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
            QVERIFY(
                lines.first().contains(S(" -- opened ") + run.file("COM1") + S(" -> /dev/pts/")));
        }
        const QString lock = run.lockFile();
        QVERIFY2(!lock.isEmpty(), "no lock file for the open port");
        QCOMPARE(::kill(pid_t(run.app.processId()), signalNumber), 0);
        QVERIFY(run.app.waitForFinished(5000));
        QCOMPARE(run.app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.app.exitCode(), 0);
        QVERIFY2(!QFile::exists(lock), qPrintable(lock));
        QTRY_VERIFY(run.phoneSaw("port", "event", "close"));
        QVERIFY(!QFile::exists(run.file("Setting.sms")));   // nobody was asked, nothing saved
        if (traced) {
            QCOMPARE(readTrace(), QString());
            QVERIFY2(lines.last().endsWith(S(" -- closed")), qPrintable(lines.last()));
        }
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
