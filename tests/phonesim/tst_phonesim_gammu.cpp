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

using Bytes = QByteArray;
QStringList Args(const char *line) { return QString::fromLatin1(line).split(u' '); }

class TestPhonesimGammu : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QProcess m_sim;
    QString m_gammu;
    QString m_link = m_dir.filePath(QStringLiteral("COM1"));
    QString m_transcript = m_dir.filePath(QStringLiteral("transcript.jsonl"));
    QString m_rc = m_dir.filePath(QStringLiteral("gammurc"));

    QList<QJsonObject> events(const QString &type = {})
    {
        QList<QJsonObject> out;
        QFile f(m_transcript);
        if (f.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : f.readAll().split('\n')) {
                const QJsonObject e = QJsonDocument::fromJson(line).object();
                if (!e.isEmpty() && (type.isEmpty() || e[u"type"].toString() == type))
                    out.append(e);
            }
        }
        return out;
    }

    // gammu's output; the exit code is appended as "exit N" so a failure shows the output.
    QByteArray gammu(const QStringList &args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(m_gammu, QStringList{QStringLiteral("-c"), m_rc} + args);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000))
            p.kill();
        p.waitForFinished();
        const int code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return p.readAll() + "\nexit " + QByteArray::number(code);
    }

private slots:
    void initTestCase()
    {
        m_gammu = QStandardPaths::findExecutable(QStringLiteral("gammu"));
        if (m_gammu.isEmpty())
            QSKIP("gammu is not installed (Debian package gammu; make test installs it)");
        QVERIFY(m_dir.isValid());
        QFile rc(m_rc);
        QVERIFY(rc.open(QIODevice::WriteOnly));
        rc.write("[gammu]\ndevice = " + QFile::encodeName(m_link) + "\nconnection = at\n");
        rc.close();
        m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString build = qEnvironmentVariable("SMS_BUILD_DIR");
        QString demo = qEnvironmentVariable("PHONESIM_SCENARIOS") + QLatin1String("/demo.json");
        m_sim.start(build + QLatin1String("/tools/phonesim/phonesim"),
                    {QStringLiteral("--scenario"), demo, QStringLiteral("--link"), m_link,
                     QStringLiteral("--transcript"), m_transcript});
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
        QCOMPARE(events().last()[u"type"].toString(), QStringLiteral("stop"));
    }

    void reads_data()
    {
        QTest::addColumn<Bytes>("args");
        QTest::addColumn<Bytes>("counted");
        QTest::addColumn<int>("count");
        QTest::addColumn<Bytes>("shown");   // '|' between the texts
        QTest::newRow("identify") << Bytes("identify") << Bytes("S55") << 2
            << Bytes("351234567890124|222015550123456|Firmware             : 21\n");
        QTest::newRow("sim-phonebook") << Bytes("getallmemory SM") << Bytes("Memory SM, Location ")
            << 20 << Bytes(R"("Anna Rossi"|"+393391234567"|"Pizzeria Da Gino")");
        QTest::newRow("messages") << Bytes("getallsms") << Bytes(", folder \"") << 19
            << Bytes("\"InfoBanca\"|part 2 of 2|Ricordati di comprare il pane|: UnRead\n"
                     "|SMS status report");
    }
    void reads()
    {
        QFETCH(Bytes, args);
        QFETCH(Bytes, counted);
        QFETCH(int, count);
        QFETCH(Bytes, shown);
        const Bytes out = gammu(Args(args.constData()));
        QVERIFY2(out.endsWith("\nexit 0"), out.constData());
        QCOMPARE(out.count(counted), count);
        for (const Bytes &s : shown.split('|'))
            QVERIFY2(out.contains(s), s.constData());
    }

    void sendsALongTextInThreeParts()
    {
        QString text;
        for (int i = 0; text.size() < 400; ++i)
            text += QStringLiteral("Prova di invio lungo numero %1. ").arg(i);
        text.truncate(400);
        const Bytes out = gammu(Args("sendsms TEXT +393391234567 -autolen 400 -text") << text);
        QVERIFY2(out.endsWith("\nexit 0"), out.constData());
        QCOMPARE(out.count("OK, message reference="), 3);
        // What the phone made of each part, from its transcript.
        const QList<QJsonObject> pdus = events(QStringLiteral("pdu"));
        QCOMPARE(pdus.size(), 3);
        QString joined;
        for (int i = 0; i < pdus.size(); ++i) {
            QVERIFY(pdus[i][u"command"].toString() == u"AT+CMGS" && pdus[i][u"valid"].toBool());
            const QJsonObject d = pdus[i][u"decoded"].toObject();
            QCOMPARE(d[u"recipient"].toString(), QStringLiteral("+393391234567"));
            const QJsonObject udh = d[u"udh"].toArray().at(0).toObject();
            QCOMPARE(udh[u"parts"].toInt(), 3);
            QCOMPARE(udh[u"part"].toInt(), i + 1);
            QCOMPARE(udh[u"reference"].toInt(),
                     pdus[0][u"decoded"][u"udh"][0][u"reference"].toInt());
            joined += d[u"text"].toString();
        }
        QCOMPARE(joined, text);
    }
};

QTEST_GUILESS_MAIN(TestPhonesimGammu)
#include "tst_phonesim_gammu.moc"
