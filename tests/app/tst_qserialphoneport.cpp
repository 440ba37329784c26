// SPDX-License-Identifier: GPL-3.0-or-later
// The real serial port on a pseudo-terminal: naming, one octet per character, a peer that
// vanishes, writing while closed.
#include "app/qserialphoneport.h"
#include "app/seams.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
/// A pseudo-terminal pair; the test plays the phone on the master side.
struct Pty
{
    int master = -1;
    QString slave;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slave = QString::fromLocal8Bit(ptsname(master));
        fcntl(master, F_SETFL, O_NONBLOCK);
    }
    ~Pty() { closeMaster(); }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    QByteArray readAll()
    {
        QByteArray out;
        char buf[256];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            out.append(buf, n);
        return out;
    }
};
} // namespace

class TestQSerialPhonePort : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Seams::setProgramFolder(m_dir.path());
    }
    void cleanupTestCase() { Seams::setProgramFolder(QString()); }

    void entryInTheProgramFolderComesFirst()
    {
        const QString link = m_dir.filePath(QStringLiteral("COM3"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), link));
        QCOMPARE(QSerialPhonePort::DeviceFor(3), link);
        QFile::remove(link);
        // Nothing anywhere: the name of the missing entry, so the opening fails.
        if (!QFile::exists(QStringLiteral("/dev/ttyUSB199"))
            && !QFile::exists(QStringLiteral("/dev/ttyACM199"))
            && !QFile::exists(QStringLiteral("/dev/ttyS199")))
            QCOMPARE(QSerialPhonePort::DeviceFor(200), m_dir.filePath(QStringLiteral("COM200")));
        if (QFile::exists(QStringLiteral("/dev/ttyS0")) && !QFile::exists(QStringLiteral("/dev/ttyUSB0"))
            && !QFile::exists(QStringLiteral("/dev/ttyACM0")))
            QCOMPARE(QSerialPhonePort::DeviceFor(1), QStringLiteral("/dev/ttyS0"));
    }

    void missingPortFailsToOpen()
    {
        QSerialPhonePort port;
        QVERIFY(port.setCommPort(201));
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(!port.PortOpen());
        QVERIFY(!port.lastError().isEmpty());
        QVERIFY(!port.Output(QStringLiteral("AT\r")));   // closed: nothing written, no crash
        QCOMPARE(port.Input(), QString());
    }

    void oneOctetPerCharacter_data()
    {
        QTest::addColumn<int>("handshaking");
        QTest::newRow("none") << 0;
        QTest::newRow("xon-xoff") << 1;
        QTest::newRow("rts") << 2;
        QTest::newRow("rts-and-xon-xoff") << 3;
    }
    void oneOctetPerCharacter()
    {
        QFETCH(int, handshaking);
        Pty pty;
        QVERIFY(pty.master >= 0);
        const QString link = m_dir.filePath(QStringLiteral("COM1"));
        QFile::remove(link);
        QVERIFY(QFile::link(pty.slave, link));
        QSerialPhonePort port;
        QVERIFY(port.setSettings(QStringLiteral("115200,n,8,1")));
        QVERIFY(port.setHandshaking(handshaking));
        QVERIFY2(port.setPortOpen(true), qPrintable(port.lastError()));
        QVERIFY(port.PortOpen());
        QVERIFY(!port.setCommPort(2));   // not while open

        // Ctrl-Z and a character above 127 go out as single octets.
        QVERIFY(port.Output(QStringLiteral("AT\r\x1a\u00e9")));
        QByteArray got;
        QTRY_VERIFY((got += pty.readAll()).size() >= 5);
        QCOMPARE(got, QByteArray("AT\r\x1a\xe9"));

        QSignalSpy comm(&port, &PhonePort::OnComm);
        QVERIFY(::write(pty.master, "OK\xa3\r\n", 5) == 5);
        QString in;
        QTRY_VERIFY((in += port.Input()).size() >= 5);
        QCOMPARE(in, QStringLiteral("OK\u00a3\r\n"));
        QVERIFY(comm.count() >= 1);
        port.setPortOpen(false);
        QFile::remove(link);
    }

    // The other end goes away while the port is open: the port ends up closed, once.
    void vanishedPeerClosesThePort()
    {
        auto pty = std::make_unique<Pty>();
        QVERIFY(pty->master >= 0);
        const QString link = m_dir.filePath(QStringLiteral("COM1"));
        QFile::remove(link);
        QVERIFY(QFile::link(pty->slave, link));
        QSerialPhonePort port;
        QVERIFY(port.setPortOpen(true));
        QSignalSpy comm(&port, &PhonePort::OnComm);
        pty.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!port.PortOpen(), 5000);
        const int events = comm.count();
        QVERIFY(events >= 1);
        QTest::qWait(300);
        QCOMPARE(comm.count(), events);   // no storm of events afterwards
        QVERIFY(!port.Output(QStringLiteral("AT\r")));
        QFile::remove(link);
    }
};

QTEST_GUILESS_MAIN(TestQSerialPhonePort)
#include "tst_qserialphoneport.moc"
