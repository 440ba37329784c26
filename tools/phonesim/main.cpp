// SPDX-License-Identifier: GPL-3.0-or-later
// phonesim: serves a simulated phone on a pseudo-terminal linked where a program looks for
// its serial port.
//
//   phonesim --scenario FILE --link PATH [--transcript FILE]
//
// The link (e.g. DIR/COM1) points at the pseudo-terminal's device and is removed on exit
// (SIGTERM, SIGINT, SIGHUP, or the line dropped by the scenario).

#include "simulatedphone.h"
#include "transcript.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using namespace phonesim;

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

/// Owns the pseudo-terminal and puts the phone's output on it at the times asked for.
class PtyBridge : public QObject
{
public:
    PtyBridge(SimulatedPhone &phone, Transcript &transcript)
        : m_phone(phone), m_transcript(transcript)
    {
        m_sendTimer.setSingleShot(true);
        QObject::connect(&m_sendTimer, &QTimer::timeout, this, [this] { sendDue(); });
    }

    ~PtyBridge() override { close(); }

    bool open(const QString &link, QString *error)
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            *error = QStringLiteral("cannot create a pseudo-terminal: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        m_device = QString::fromLocal8Bit(::ptsname(m_master));
        // Keeping a descriptor of the slave side open ourselves means a client that closes
        // and reopens the port (as a phone search does every few hundred milliseconds)
        // never leaves the master without a peer, so it never sees EIO or a hang-up.
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        if (m_slave < 0) {
            *error = QStringLiteral("cannot open %1: %2")
                         .arg(m_device, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        // Raw from the start: no echo or newline translation by the line discipline before
        // a client has set its own modes.
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

        const QByteArray linkPath = QFile::encodeName(link);
        const QFileInfo existing(link);
        if (existing.isSymLink()) {
            ::unlink(linkPath.constData()); // a link left behind by a simulator that was killed
        } else if (existing.exists()) {
            *error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it")
                         .arg(link);
            return false;
        }
        if (::symlink(QFile::encodeName(m_device).constData(), linkPath.constData()) != 0) {
            *error = QStringLiteral("cannot create the link %1: %2")
                         .arg(link, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        m_link = link;

        // Who has the port open: a real port forgets what arrives while nobody has it
        // open, and forgets its exclusive mode on the last close. Holding the slave
        // ourselves hides both from the kernel, so they are done here on each close.
        m_watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_watch >= 0
            && ::inotify_add_watch(m_watch, ::ptsname(m_master),
                                   IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0) {
            m_watcher = new QSocketNotifier(m_watch, QSocketNotifier::Read, this);
            QObject::connect(m_watcher, &QSocketNotifier::activated, this, [this] { readOpens(); });
        } else {
            m_clients = -1; // unknown: pass everything on
        }

        m_reader = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
        QObject::connect(m_reader, &QSocketNotifier::activated, this, [this] { readInput(); });
        return true;
    }

    QString device() const { return m_device; }

    void close()
    {
        if (m_watcher) {
            m_watcher->setEnabled(false);
            delete m_watcher;
            m_watcher = nullptr;
        }
        if (m_watch >= 0)
            ::close(m_watch);
        m_watch = -1;
        if (m_reader) {
            m_reader->setEnabled(false);
            delete m_reader;
            m_reader = nullptr;
        }
        if (!m_link.isEmpty()) {
            // Remove the link only if it is still ours.
            if (QFileInfo(m_link).symLinkTarget() == m_device)
                ::unlink(QFile::encodeName(m_link).constData());
            m_link.clear();
        }
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
        m_slave = m_master = -1;
    }

private:
    struct Pending
    {
        QByteArray data;
        qint64 due; // ms on m_clock
    };

    void readOpens()
    {
        if (m_watch < 0)
            return;
        alignas(inotify_event) char buf[4096];
        ssize_t n;
        while ((n = ::read(m_watch, buf, sizeof buf)) > 0) {
            for (char *p = buf; p < buf + n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(p);
                if (e->mask & IN_OPEN) {
                    ++m_clients;
                    portEvent("open");
                } else if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                    m_clients = qMax(0, m_clients - 1);
                    portEvent("close");
                    if (m_clients == 0 && m_slave >= 0) {
                        ::ioctl(m_slave, TIOCNXCL);
                        ::tcflush(m_slave, TCIFLUSH);
                    }
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
    }

    void portEvent(const char *what)
    {
        QJsonObject o;
        o[u"type"] = QStringLiteral("port");
        o[u"event"] = QString::fromLatin1(what);
        o[u"clients"] = m_clients;
        m_transcript.write(o);
    }

    void readInput()
    {
        readOpens(); // an open that came before these bytes counts for their reply
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            // No peer for a moment (should not happen while we hold the slave); back off.
            m_reader->setEnabled(false);
            QTimer::singleShot(50, this, [this] {
                if (m_reader)
                    m_reader->setEnabled(true);
            });
            return;
        }
        const QList<OutputChunk> chunks = m_phone.receive(QByteArray(buf, int(n)));
        // Output keeps its order: a chunk is never due before the one queued ahead of it.
        qint64 at = qMax(m_clock.elapsed(), m_queue.isEmpty() ? 0 : m_queue.last().due);
        for (const OutputChunk &c : chunks) {
            at += c.delayMs;
            m_queue.append({c.data, at});
        }
        sendDue();
    }

    void sendDue()
    {
        readOpens();
        while (!m_queue.isEmpty() && m_queue.first().due <= m_clock.elapsed()) {
            QByteArray &data = m_queue.first().data;
            if (m_clients == 0) {
                // Nobody has the port open: the bytes are lost, as on a real line.
                QJsonObject o;
                o[u"type"] = QStringLiteral("lost");
                o[u"data"] = QString::fromLatin1(data);
                m_transcript.write(o);
                m_queue.removeFirst();
                continue;
            }
            const ssize_t n = ::write(m_master, data.constData(), size_t(data.size()));
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    break; // the client is not reading; try again shortly
                m_queue.clear();
                break;
            }
            data.remove(0, n);
            if (data.isEmpty())
                m_queue.removeFirst();
        }
        if (!m_queue.isEmpty()) {
            const qint64 wait = m_queue.first().due - m_clock.elapsed();
            m_sendTimer.start(int(qBound<qint64>(qint64(1), wait, qint64(1000))));
            return;
        }
        if (m_phone.lineDropped() && m_master >= 0) {
            // Hanging up flushes what the client has not read yet; let it read the last
            // reply first. Written bytes reach the slave side a moment later, so wait a
            // little even when nothing is pending yet (bounded, in case nobody reads).
            int unread = 0;
            ::ioctl(m_slave, FIONREAD, &unread);
            ++m_drainTicks;
            if ((unread > 0 || m_drainTicks < 10) && m_drainTicks < 100) {
                m_sendTimer.start(10);
                return;
            }
            QJsonObject o;
            o[u"type"] = QStringLiteral("hangup");
            o[u"link"] = m_link;
            m_transcript.write(o);
            close();
            QCoreApplication::quit();
        }
    }

    SimulatedPhone &m_phone;
    Transcript &m_transcript;
    QElapsedTimer m_clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    int m_master = -1;
    int m_slave = -1;
    QString m_device;
    QString m_link;
    QSocketNotifier *m_reader = nullptr;
    int m_watch = -1;
    QSocketNotifier *m_watcher = nullptr;
    int m_clients = 0; ///< client descriptors open on the slave; -1 when not known
    QTimer m_sendTimer;
    QList<Pending> m_queue;
    int m_drainTicks = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("phonesim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated GSM phone (PDU mode, echo on) on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption scenarioOpt(QStringLiteral("scenario"),
                                         QStringLiteral("Scenario file (JSON)."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption linkOpt(
        QStringLiteral("link"),
        QStringLiteral("Symbolic link to create for the pseudo-terminal, e.g. DIR/COM1."),
        QStringLiteral("PATH"));
    const QCommandLineOption transcriptOpt(
        QStringLiteral("transcript"), QStringLiteral("Transcript to write (JSON lines)."),
        QStringLiteral("FILE"));
    parser.addOptions({scenarioOpt, linkOpt, transcriptOpt});
    parser.process(app);
    if (!parser.isSet(scenarioOpt) || !parser.isSet(linkOpt)) {
        std::fprintf(stderr, "phonesim: --scenario and --link are required\n");
        return 2;
    }

    QString error;
    const std::optional<Scenario> scenario = LoadScenario(parser.value(scenarioOpt), &error);
    if (!scenario) {
        std::fprintf(stderr, "phonesim: %s\n", qPrintable(error));
        return 2;
    }
    Transcript transcript;
    if (parser.isSet(transcriptOpt) && !transcript.open(parser.value(transcriptOpt), &error)) {
        std::fprintf(stderr, "phonesim: %s\n", qPrintable(error));
        return 2;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        std::perror("phonesim: socketpair");
        return 2;
    }
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    ::sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
        QCoreApplication::quit();
    });

    SimulatedPhone phone(*scenario);
    phone.setEventSink([&transcript](const QJsonObject &o) { transcript.write(o); });
    PtyBridge bridge(phone, transcript);
    if (!bridge.open(parser.value(linkOpt), &error)) {
        std::fprintf(stderr, "phonesim: %s\n", qPrintable(error));
        return 1;
    }
    {
        QJsonObject o;
        o[u"type"] = QStringLiteral("start");
        o[u"device"] = bridge.device();
        o[u"link"] = parser.value(linkOpt);
        o[u"scenario"] = parser.value(scenarioOpt);
        transcript.write(o);
    }
    std::printf("phonesim: %s linked as %s\n", qPrintable(bridge.device()),
                qPrintable(parser.value(linkOpt)));
    std::fflush(stdout);

    const int rc = app.exec();
    bridge.close();
    QJsonObject o;
    o[u"type"] = QStringLiteral("stop");
    transcript.write(o);
    return rc;
}
