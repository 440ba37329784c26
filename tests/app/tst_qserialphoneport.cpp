// SPDX-License-Identifier: GPL-3.0-or-later
// The real serial port on a pseudo-terminal: naming, 8-bit data, a peer that vanishes.
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
/// A pseudo-terminal whose slave is linked as `link`; the test plays the phone on the master.
struct Pty
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    QString link;
    explicit Pty(const QString &at) : link(at)
    {
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
            fcntl(master, F_SETFL, O_NONBLOCK);
            QFile::remove(link);
            QFile::link(QString::fromLocal8Bit(ptsname(master)), link);
        }
    }
    ~Pty() { ::close(master), QFile::remove(link); }
    QByteArray readAll()
    {
        char buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        return QByteArray(buf, n > 0 ? n : 0);
    }
};
} // namespace

class TestQSerialPhonePort : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString com(int n) const { return m_dir.filePath(QStringLiteral("COM%1").arg(n)); }

private slots:
    void initTestCase() { Seams::setProgramFolder(m_dir.path()); }
    void cleanupTestCase() { Seams::setProgramFolder(QString()); }

    // The program folder's entry whenever it exists, even as a link to a missing device;
    // the system's devices only without one; else the missing entry, which fails to open.
    void namingAndMissingPort_data()
    {
        QTest::addColumn<QString>("entry");   // what COM1 links to; empty: no COM1
        QTest::newRow("link-to-device") << QStringLiteral("/dev/null");
        // An unplugged adapter must not send the commands to whatever /dev/ttyS0 is.
        QTest::newRow("dangling-link") << m_dir.filePath(QStringLiteral("gone"));
        QTest::newRow("no-entry") << QString();
    }
    void namingAndMissingPort()
    {
        QFETCH(QString, entry);
        QFile::remove(com(1));
        QVERIFY(entry.isEmpty() || QFile::link(entry, com(1)));
        QString system;
        for (const char *dev : {"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"}) {
            if (system.isEmpty() && QFile::exists(QLatin1String(dev)))
                system = QLatin1String(dev);
        }
        const QString want = entry.isEmpty() && !system.isEmpty() ? system : com(1);
        QCOMPARE(QSerialPhonePort::DeviceFor(1), want);
        QSerialPhonePort port;
        QVERIFY(port.setCommPort(1));
        QCOMPARE(port.DeviceName(),
                 entry.isEmpty() ? want : com(1) + QStringLiteral(" -> ") + entry);
        if (entry != QStringLiteral("/dev/null") && want == com(1)) {
            QVERIFY(!port.setPortOpen(true) && !port.PortOpen() && !port.lastError().isEmpty());
            QCOMPARE(port.LastOpenFailure().device, entry.isEmpty() ? com(1) : entry);
            QCOMPARE(port.LastOpenFailure().cause, PortDevice::Cause::Missing);
        }
        // Closed: nothing goes out, nothing comes in, no crash.
        QVERIFY(!port.Output(QStringLiteral("AT\r")) && port.Input().isEmpty());
        QFile::remove(com(1));
    }

    void oneOctetPerCharacter()
    {
        for (int handshaking = 0; handshaking <= 3; ++handshaking) {
            Pty pty(com(1));
            QSerialPhonePort port;
            QVERIFY(port.setSettings(QStringLiteral("115200,n,8,1"))
                    && port.setHandshaking(handshaking));
            QVERIFY2(port.setPortOpen(true) && !port.setCommPort(2), qPrintable(port.lastError()));
            // Ctrl-Z and a character above 127 go out as single octets.
            QVERIFY(port.Output(QStringLiteral("AT\r\x1a\u00e9")));
            QByteArray got;
            QTRY_COMPARE((got += pty.readAll()), QByteArray("AT\r\x1a\xe9"));
            QSignalSpy comm(&port, &PhonePort::OnComm);
            QVERIFY(::write(pty.master, "OK\xa3\r\n", 5) == 5);
            QString in;
            QTRY_COMPARE((in += port.Input()), QStringLiteral("OK\u00a3\r\n"));
            QVERIFY(comm.count() >= 1);
            QSignalSpy lost(&port, &PhonePort::LineLost);
            port.setPortOpen(false);   // closing it ourselves is no loss
            QCOMPARE(lost.count(), 0);
        }
    }

    // The cable is pulled while the port is open: the port ends up closed, once.
    void vanishedPeerClosesThePort()
    {
        auto pty = std::make_unique<Pty>(com(1));
        QSerialPhonePort port;
        QVERIFY(port.setPortOpen(true));
        QSignalSpy comm(&port, &PhonePort::OnComm);
        QSignalSpy lost(&port, &PhonePort::LineLost);
        pty.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!port.PortOpen(), 5000);
        const int events = comm.count();
        QVERIFY(events >= 1);
        QTest::qWait(300);
        QCOMPARE(comm.count(), events);   // no storm of events afterwards
        QCOMPARE(lost.count(), 1);        // and the loss said once
        QVERIFY(!port.Output(QStringLiteral("AT\r")));
    }
};

QTEST_GUILESS_MAIN(TestQSerialPhonePort)
#include "tst_qserialphoneport.moc"
