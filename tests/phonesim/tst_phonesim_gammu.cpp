// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator on a real pseudo-terminal: a client that reopens the port, the timing and
// fault options on the line, and Debian's gammu as an AT client nobody here wrote.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

QJsonObject DemoScenario()
{
    QFile f(qEnvironmentVariable("PHONESIM_SCENARIOS") + QStringLiteral("/demo.json"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("demo scenario missing");
    return QJsonDocument::fromJson(f.readAll()).object();
}

QList<QJsonObject> ReadTranscript(const QString &path)
{
    QList<QJsonObject> events;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return events;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (!line.isEmpty())
            events.append(QJsonDocument::fromJson(line).object());
    }
    return events;
}

/// A client end of the pseudo-terminal, opened through the link as a program would.
class Line
{
public:
    explicit Line(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio{};
            ::tcgetattr(m_fd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Line()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    void write(const QByteArray &data) { [[maybe_unused]] auto n = ::write(m_fd, data.constData(), data.size()); }

    /// Reads until the text ends with `tail`, the line hangs up or `ms` pass.
    QByteArray readUntil(const QByteArray &tail, int ms, bool *hungUp = nullptr)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (!got.endsWith(tail) && t.elapsed() < ms) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            char buf[512];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, int(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                if (hungUp)
                    *hungUp = true;
                break;
            }
        }
        return got;
    }

private:
    int m_fd = -1;
};

} // namespace

class TestPhonesimGammu : public QObject
{
    Q_OBJECT
private:
    QString m_phonesim;
    QString m_gammu;
    QTemporaryDir m_dir;
    QProcess m_sim;
    QString m_link;
    QString m_transcript;

    // Starts the simulator on a scenario (the demo with `changes` merged into its sections).
    bool startSim(const QJsonObject &changes = {})
    {
        QJsonObject scenario = DemoScenario();
        for (auto it = changes.begin(); it != changes.end(); ++it)
            scenario[it.key()] = it.value();
        const QString file = m_dir.filePath(QStringLiteral("scenario.json"));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        f.write(QJsonDocument(scenario).toJson());
        f.close();
        m_link = m_dir.filePath(QStringLiteral("COM1"));
        m_transcript = m_dir.filePath(QStringLiteral("transcript.jsonl"));
        m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_sim.start(m_phonesim, {QStringLiteral("--scenario"), file, QStringLiteral("--link"),
                                 m_link, QStringLiteral("--transcript"), m_transcript});
        if (!m_sim.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (!QFileInfo(m_link).isSymLink() && t.elapsed() < 5000)
            QThread::msleep(10);
        return QFileInfo(m_link).isSymLink();
    }

    bool stopSim()
    {
        if (m_sim.state() == QProcess::NotRunning)
            return true;
        m_sim.terminate();
        return m_sim.waitForFinished(5000) && m_sim.exitStatus() == QProcess::NormalExit
            && m_sim.exitCode() == 0;
    }

    QByteArray gammu(const QStringList &args, int *exitCode)
    {
        const QString rc = m_dir.filePath(QStringLiteral("gammurc"));
        QFile f(rc);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            f.write("[gammu]\ndevice = " + QFile::encodeName(m_link) + "\nconnection = at\n");
            f.close();
        }
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(m_gammu, QStringList{QStringLiteral("-c"), rc} + args);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
        }
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return p.readAll();
    }

    QList<QJsonObject> events(const QString &type)
    {
        QList<QJsonObject> out;
        for (const QJsonObject &e : ReadTranscript(m_transcript)) {
            if (e[u"type"].toString() == type)
                out.append(e);
        }
        return out;
    }

    void needGammu()
    {
        if (m_gammu.isEmpty())
            QSKIP("gammu is not installed (Debian package gammu; make test installs it)");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_phonesim = qEnvironmentVariable("SMS_BUILD_DIR") + QStringLiteral("/tools/phonesim/phonesim");
        QVERIFY2(QFileInfo(m_phonesim).isExecutable(), qPrintable(m_phonesim));
        m_gammu = QStandardPaths::findExecutable(QStringLiteral("gammu"));
    }

    void cleanup()
    {
        QVERIFY(stopSim());
        QVERIFY2(!QFileInfo(m_link).isSymLink(), "the link outlived the simulator");
    }

    // A phone search closes and reopens the port until the phone answers.
    void answersAfterTheClientReopensThePort()
    {
        QVERIFY(startSim());
        for (int i = 0; i < 20; ++i) {
            Line line(m_link);
            QVERIFY(line.isOpen());
        }
        {
            // Closed before the answer: the answer is lost, as on a real line, and does
            // not wait for the next client.
            Line early(m_link);
            early.write("AT\r");
        }
        QThread::msleep(200);
        Line line(m_link);
        line.write("AT+CGMM\r");
        QCOMPARE(line.readUntil("OK\r\n", 3000), QByteArray("AT+CGMM\r\r\nS55\r\n\r\nOK\r\n"));
        QCOMPARE(m_sim.state(), QProcess::Running);
        QVERIFY(!events(QStringLiteral("lost")).isEmpty());
        QCOMPARE(events(QStringLiteral("port")).size(), 2 * 22 - 1);
    }

    void stopsCleanlyAndRemovesItsLink()
    {
        QVERIFY(startSim());
        QVERIFY(stopSim());
        QVERIFY(!QFileInfo(m_link).isSymLink());
        QCOMPARE(ReadTranscript(m_transcript).last()[u"type"].toString(), QStringLiteral("stop"));
    }

    void silentPhoneThenChunkedReplies()
    {
        QJsonObject timing{{QStringLiteral("silentSeconds"), 2.0},
                           {QStringLiteral("latencyMs"), 50},
                           {QStringLiteral("chunks"), 3},
                           {QStringLiteral("chunkGapMs"), 20}};
        QVERIFY(startSim({{QStringLiteral("timing"), timing}}));
        Line line(m_link);
        line.write("AT\r");
        QCOMPARE(line.readUntil("OK\r\n", 300), QByteArray());
        QThread::msleep(2000);
        QElapsedTimer t;
        t.start();
        line.write("AT^SDBR=?\r");
        QCOMPARE(line.readUntil("OK\r\n", 3000),
                 QByteArray("AT^SDBR=?\r\r\n^SDBR: (1-100),20,14\r\n\r\nOK\r\n"));
        QVERIFY(t.elapsed() >= 50 + 2 * 20);
        const QList<QJsonObject> replies = events(QStringLiteral("reply"));
        QCOMPARE(replies.size(), 1);
        QCOMPARE(replies[0][u"chunks"].toInt(), 3);
        QCOMPARE(events(QStringLiteral("ignored")).size(), 1);
    }

    void lineDropsAfterNCommands()
    {
        QVERIFY(startSim({{QStringLiteral("faults"),
                           QJsonObject{{QStringLiteral("dropAfterCommands"), 2}}}}));
        Line line(m_link);
        line.write("AT\r");
        QCOMPARE(line.readUntil("OK\r\n", 2000), QByteArray("AT\r\r\nOK\r\n"));
        line.write("AT+CGMI\r");
        QCOMPARE(line.readUntil("OK\r\n", 2000), QByteArray("AT+CGMI\r\r\nSIEMENS\r\n\r\nOK\r\n"));
        bool hungUp = false;
        line.write("AT\r");
        QCOMPARE(line.readUntil("OK\r\n", 2000, &hungUp), QByteArray());
        QVERIFY(hungUp);
        QVERIFY(m_sim.waitForFinished(3000));
        QCOMPARE(m_sim.exitCode(), 0);
        QVERIFY(!QFileInfo(m_link).isSymLink());
    }

    void gammuIdentify()
    {
        needGammu();
        QVERIFY(startSim());
        int rc = 0;
        const QByteArray out = gammu({QStringLiteral("identify")}, &rc);
        QVERIFY2(rc == 0, out.constData());
        QVERIFY2(out.contains("S55"), out.constData());
        QVERIFY(out.contains("351234567890124"));
        QVERIFY(out.contains("222015550123456"));
        QVERIFY(QRegularExpression(QStringLiteral("Firmware\\s*:\\s*21"))
                    .match(QString::fromLatin1(out)).hasMatch());
    }

    void gammuReadsTheSimPhonebook()
    {
        needGammu();
        QVERIFY(startSim());
        int rc = 0;
        const QByteArray out = gammu({QStringLiteral("getallmemory"), QStringLiteral("SM")}, &rc);
        QVERIFY2(rc == 0, out.constData());
        QCOMPARE(out.count("Memory SM, Location "), 20);
        QVERIFY(out.contains("\"Anna Rossi\""));
        QVERIFY(out.contains("\"+393391234567\""));
        QVERIFY(out.contains("\"Pizzeria Da Gino\""));
    }

    void gammuSendsALongText()
    {
        needGammu();
        QVERIFY(startSim());
        QString text;
        for (int i = 0; text.size() < 400; ++i)
            text += QStringLiteral("Prova di invio lungo numero %1. ").arg(i);
        text.truncate(400);
        int rc = 0;
        const QByteArray out =
            gammu({QStringLiteral("sendsms"), QStringLiteral("TEXT"), QStringLiteral("+393391234567"),
                   QStringLiteral("-autolen"), QStringLiteral("400"), QStringLiteral("-text"), text},
                  &rc);
        QVERIFY2(rc == 0, out.constData());
        QCOMPARE(out.count("OK, message reference="), 3);

        const QList<QJsonObject> pdus = events(QStringLiteral("pdu"));
        QCOMPARE(pdus.size(), 3);
        QString joined;
        int reference = -1;
        for (int i = 0; i < pdus.size(); ++i) {
            QCOMPARE(pdus[i][u"command"].toString(), QStringLiteral("AT+CMGS"));
            QVERIFY(pdus[i][u"valid"].toBool());
            const QJsonObject d = pdus[i][u"decoded"].toObject();
            QCOMPARE(d[u"recipient"].toString(), QStringLiteral("+393391234567"));
            const QJsonObject udh = d[u"udh"].toArray().at(0).toObject();
            QCOMPARE(udh[u"parts"].toInt(), 3);
            QCOMPARE(udh[u"part"].toInt(), i + 1);
            if (i == 0)
                reference = udh[u"reference"].toInt();
            QCOMPARE(udh[u"reference"].toInt(), reference);
            joined += d[u"text"].toString();
        }
        QCOMPARE(joined, text);
    }

    void gammuReadsTheStoredMessages()
    {
        needGammu();
        QVERIFY(startSim());
        int rc = 0;
        const QByteArray out = gammu({QStringLiteral("getallsms")}, &rc);
        QVERIFY2(rc == 0, out.constData());
        QCOMPARE(out.count(", folder \""), 8);
        QVERIFY(out.contains("\"InfoBanca\""));
        QVERIFY(out.contains("part 2 of 2"));
        QVERIFY(out.contains("Ricordati di comprare il pane"));
        QVERIFY(out.contains("Status               : UnRead"));
    }

    void gammuStoresAMessage()
    {
        needGammu();
        QVERIFY(startSim());
        int rc = 0;
        QByteArray out = gammu({QStringLiteral("savesms"), QStringLiteral("TEXT"),
                                QStringLiteral("-unsent"), QStringLiteral("-sender"),
                                QStringLiteral("+393287654321"),
                                QStringLiteral("-text"), QStringLiteral("Bozza da finire")},
                               &rc);
        QVERIFY2(rc == 0, out.constData());
        const QList<QJsonObject> pdus = events(QStringLiteral("pdu"));
        QCOMPARE(pdus.size(), 1);
        QCOMPARE(pdus[0][u"command"].toString(), QStringLiteral("AT+CMGW"));
        QVERIFY(pdus[0][u"valid"].toBool());
        out = gammu({QStringLiteral("getallsms")}, &rc);
        QVERIFY2(rc == 0, out.constData());
        QVERIFY(out.contains("Bozza da finire"));
    }
};

QTEST_GUILESS_MAIN(TestPhonesimGammu)
#include "tst_phonesim_gammu.moc"
