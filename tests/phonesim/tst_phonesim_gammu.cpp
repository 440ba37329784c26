// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator on a real pseudo-terminal with the demo phone, and Debian's gammu as an AT
// client nobody here wrote. One simulator serves every run: gammu is slow.
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Bytes = QByteArray;

class TestPhonesimGammu : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_sim;
    QString m_gammu;
    QString m_link = m_dir.filePath(u"COM1"_s), m_rc = m_dir.filePath(u"gammurc"_s);
    QString m_transcript = m_dir.filePath(u"transcript.jsonl"_s);

    QList<QJsonObject> events(const QString &type = {})
    {
        QList<QJsonObject> out;
        QFile f(m_transcript);
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (const Bytes &line : f.readAll().split('\n'))
            if (const QJsonObject e = QJsonDocument::fromJson(line).object();
                !e.isEmpty() && (type.isEmpty() || e[u"type"].toString() == type))
                out << e;
        return out;
    }

    // gammu's output; the exit code is appended as "exit N" so a failure shows the output.
    Bytes gammu(const QString &args, const QString &last = {})
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        QStringList all = QStringList{u"-c"_s, m_rc} + args.split(u' ');
        if (!last.isEmpty())
            all << last;
        p.start(m_gammu, all);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000))
            p.kill(), p.waitForFinished();
        const int code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return p.readAll() + "\nexit " + Bytes::number(code);
    }

private slots:
    void initTestCase()
    {
        m_gammu = QStandardPaths::findExecutable(u"gammu"_s);
        if (m_gammu.isEmpty())
            QSKIP("gammu is not installed (Debian package gammu; make test installs it)");
        QFile rc(m_rc);
        QVERIFY(m_dir.isValid() && rc.open(QIODevice::WriteOnly));
        rc.write("[gammu]\ndevice = " + QFile::encodeName(m_link) + "\nconnection = at\n");
        rc.close();
        m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_sim.start(qEnvironmentVariable("SMS_BUILD_DIR") + u"/tools/phonesim/phonesim"_s,
                    {u"--scenario"_s, qEnvironmentVariable("PHONESIM_SCENARIOS") + u"/demo.json"_s,
                     u"--link"_s, m_link, u"--transcript"_s, m_transcript});
        QVERIFY(m_sim.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_link).isSymLink(), 5000);
    }

    // Stopping leaves no link behind and ends the transcript.
    void cleanupTestCase()
    {
        if (m_sim.state() == QProcess::NotRunning)
            return;
        m_sim.terminate();
        QVERIFY(m_sim.waitForFinished(5000));
        QVERIFY(m_sim.exitStatus() == QProcess::NormalExit && m_sim.exitCode() == 0);
        QVERIFY(!QFileInfo(m_link).isSymLink());
        QCOMPARE(events().last()[u"type"].toString(), u"stop"_s);
    }

    void reads_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<Bytes>("counted");
        QTest::addColumn<int>("count");
        QTest::addColumn<Bytes>("shown");   // '|' between the texts
        QTest::newRow("identify") << u"identify"_s << Bytes("S55") << 2
            << Bytes("351234567890124|222015550123456|Firmware             : 21\n");
        QTest::newRow("sim-phonebook") << u"getallmemory SM"_s << Bytes("Memory SM, Location ")
            << 20 << Bytes(R"("Anna Rossi"|"+393391234567"|"Pizzeria Da Gino")");
        QTest::newRow("messages") << u"getallsms"_s << Bytes(", folder \"") << 19
            << Bytes("\"InfoBanca\"|part 2 of 2|Ricordati di comprare il pane|: UnRead\n"
                     "|SMS status report");
    }
    void reads()
    {
        QFETCH(QString, args);
        QFETCH(Bytes, counted);
        QFETCH(int, count);
        QFETCH(Bytes, shown);
        const Bytes out = gammu(args);
        QVERIFY2(out.endsWith("\nexit 0"), out.constData());
        QCOMPARE(out.count(counted), count);
        for (const Bytes &s : shown.split('|'))
            QVERIFY2(out.contains(s), s.constData());
    }

    // What the phone made of each part, from its transcript.
    void sendsALongTextInThreeParts()
    {
        QString text;
        for (int i = 0; text.size() < 400; ++i)
            text += u"Prova di invio lungo numero %1. "_s.arg(i);
        text.truncate(400);
        const Bytes out = gammu(u"sendsms TEXT +393391234567 -autolen 400 -text"_s, text);
        QVERIFY2(out.endsWith("\nexit 0"), out.constData());
        QCOMPARE(out.count("OK, message reference="), 3);
        const QList<QJsonObject> pdus = events(u"pdu"_s);
        QCOMPARE(pdus.size(), 3);
        QString joined;
        for (int i = 0; i < pdus.size(); ++i) {
            QVERIFY(pdus[i][u"command"].toString() == u"AT+CMGS" && pdus[i][u"valid"].toBool());
            const QJsonObject d = pdus[i][u"decoded"].toObject();
            QCOMPARE(d[u"recipient"].toString(), u"+393391234567"_s);
            const QJsonObject udh = d[u"udh"].toArray().at(0).toObject();
            QCOMPARE(u"%1/%2 %3"_s.arg(udh[u"part"].toInt()).arg(udh[u"parts"].toInt())
                         .arg(udh[u"reference"].toInt()),
                     u"%1/3 %2"_s.arg(i + 1)
                         .arg(pdus[0][u"decoded"][u"udh"][0][u"reference"].toInt()));
            joined += d[u"text"].toString();
        }
        QCOMPARE(joined, text);
    }
};

QTEST_GUILESS_MAIN(TestPhonesimGammu)
#include "tst_phonesim_gammu.moc"
