// SPDX-License-Identifier: GPL-3.0-or-later
// Faults at every step of the phone search, the send and store chains and the service-centre
// query: an ERROR or +CMS ERROR instead of the answer, the line dropped, the phone falling
// silent; and replies in one-byte pieces or with garbage between their lines. In process the
// simulated phone sits behind a line the test makes fail; over the real serial path it runs on
// a pseudo-terminal and hangs up by itself. After every fault the program answers the next
// action normally and its files are whole.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/form6.h"
#include "app/qserialphoneport.h"
#include "app/seams.h"
#include "app/vbstrings.h"
#include "compose/sendworkflow.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "scenario.h"
#include "simulatedphone.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum class Fault { None, Error, CmsError, Drop, Silence, OneByte, Garbage };
enum class Action { Search, Send, Store, ServiceCentre, Everything };

const QString kRefused = u"Command didn't accept by mobile"_s;
const QString kNoMobile = u"Didn't find any mobile"_s;
const QString kSent = u"Messagge sent"_s;
const QDateTime kNow(QDate(2026, 5, 17), QTime(10, 20, 30));

/// One step of a chain: the Nth line written that is `line` (or starts with it, when it ends
/// in "="); "PDU" is a PDU ended by Ctrl-Z.
struct Step
{
    QString line;
    int occurrence = 1;
    bool matches(const QString &key) const
    {
        return key == line || (line.endsWith(u'=') && key.startsWith(line));
    }
};

const QList<Step> kSearchSteps = {
    {u"AT"_s},         {u"AT+CGMI"_s},    {u"AT+CGMM"_s},    {u"AT+CGMR"_s},
    {u"AT+GSN"_s},     {u"AT+CIMI"_s},    {u"AT+CPMS=MT"_s}, {u"AT^SDBR=?"_s},
    {u"AT+CPBS=SM"_s}, {u"AT+CPBR=?"_s},  {u"AT+CPBS=ME"_s}, {u"AT+CPBR=?"_s, 2}};
const QList<Step> kSendSteps = {{u"AT+CMGS="_s}, {u"PDU"_s},       {u"AT+CMGS="_s, 2},
                                {u"PDU"_s, 2},   {u"AT+CMGS="_s, 3}, {u"PDU"_s, 3}};
const QList<Step> kStoreSteps = {{u"AT+CMGW="_s}, {u"PDU"_s}, {u"AT+CMGW="_s, 2}, {u"PDU"_s, 2}};
const QList<Step> kCentreSteps = {{u"AT+CSCA?"_s}};
const QList<Step> *const kSteps[] = {&kSearchSteps, &kSendSteps, &kStoreSteps, &kCentreSteps};

// A phone with every part the search asks about, answering at once.
const char kScenario[] = R"({"serviceCentre": {"number": "+393359609600"},
  "addressBook": {"first": 1, "last": 100}, "messages": {"phoneCapacity": 20, "simCapacity": 10}})";

// The program's files as a start-up finds them, besides Sent.txt. Port 200: a number no
// system device stands for, so only the link in the folder is used.
const QMap<QString, QByteArray> kFiles = {
    {u"Setting.sms"_s, " 200 \r\n9600,n,8,1\r\n 0 \r\n393359609600\r\nFalse\r\nFalse\r\n\r\n"
                       " 200 \r\n 50 \r\n 20 \r\nFalse\r\n"},
    {u"Rubrica.txt"_s, "Anna (+3912345)\r\nBob (0612345)\r\n"},
    {u"Operator.sms"_s, "222\r\n01\r\n"}};

QByteArray get(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

/// What the box says when the line dropped at `step` of a chain of `parts` parts.
QString lostText(Action action, int step, int parts)
{
    const QString lost = u"The line to the phone was lost: "_s;
    if (action == Action::ServiceCentre)
        return lost + u"the service centre was not read."_s;
    const QString done = action == Action::Send ? u"sent"_s : u"stored"_s;
    const int part = step / 2 + 1;
    if (part == parts)
        return lost + u"part %1 of %2 of the message was not %3."_s.arg(part).arg(parts).arg(done);
    return lost + u"parts %1 to %2 of %2 of the message were not %3."_s.arg(part).arg(parts)
                      .arg(done);
}

// Runs events until `done` or the time is up. Unlike QTest::qWaitFor it never sleeps
// between passes, so a reply in hundreds of one-byte events takes no longer than the events.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    QTimer wake;   // the loop below wakes at least this often to look at the clock
    wake.start(20);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

/// The simulated phone behind a line the test makes fail at one step: the reply replaced by
/// an error, the line dropped (the port closes, as a pulled cable does), or the phone silent
/// from there on. Replies can come a byte at a time, or with garbage between lines. Every
/// piece arrives in an event of its own, after the write that caused it and before any timer
/// runs again: a reply is never overtaken by the search's next tick.
class FaultyLine : public FakePhonePort
{
public:
    FaultyLine() { restart(); }
    void strike(Fault fault, const Step &at)
    {
        m_fault = fault;
        m_at = at;
        m_seen = 0;
    }
    /// The phone is back (switched on again): plugged in, answering, in command mode.
    void restart()
    {
        m_phone = std::make_unique<phonesim::SimulatedPhone>(
            *phonesim::ParseScenario(kScenario, nullptr));
        failOpen = m_silent = false;
    }
    /// Every line written while open, without its CR or Ctrl-Z.
    QStringList lines() const
    {
        QStringList out;
        for (const QString &w : writes)
            out << w.chopped(w.endsWith(u'\r') || w.endsWith(QChar(26)) ? 1 : 0);
        return out;
    }

    bool setPortOpen(bool open) override
    {
        m_session += !open;   // a closed port forgets what was on its way
        return FakePhonePort::setPortOpen(open);
    }
    bool Output(const QString &text) override
    {
        if (!FakePhonePort::Output(text) || m_silent)
            return PortOpen();
        const bool pdu = text.endsWith(QChar(26));
        const QString line = lines().constLast();
        const bool armed = m_fault >= Fault::Error && m_fault <= Fault::Silence;
        if (armed && m_at.matches(pdu ? u"PDU"_s : line) && ++m_seen == m_at.occurrence) {
            const Fault fault = std::exchange(m_fault, Fault::None);
            if (fault == Fault::Silence) {
                m_silent = true;
            } else if (fault == Fault::Drop) {
                later([this] {
                    if (PortOpen())
                        failOpen = true, ++m_session, dropLine();
                });
            } else {
                // The phone takes a PDU (and leaves PDU mode); a command never reaches it.
                if (pdu)
                    m_phone->receive(text.toLatin1());
                queue(line.toLatin1() + (pdu ? "" : "\r")
                      + (fault == Fault::Error ? "\r\nERROR\r\n" : "\r\n+CMS ERROR: 500\r\n"));
            }
            return true;
        }
        QByteArray reply;
        for (const phonesim::OutputChunk &c : m_phone->receive(text.toLatin1()))
            reply += c.data;
        queue(reply);
        return true;
    }

private:
    void queue(QByteArray reply)
    {
        if (m_fault == Fault::Garbage) {
            // Line noise after every line end that more of the reply follows.
            static const QByteArray junk("\x00\x7f\xfe#~", 5);
            for (qsizetype at = reply.indexOf("\r\n"); at >= 0 && at + 2 < reply.size();
                 at = reply.indexOf("\r\n", at + 2 + junk.size()))
                reply.insert(at + 2, junk);
        }
        const qsizetype step = m_fault == Fault::OneByte ? 1 : reply.size();
        for (qsizetype at = 0; at < reply.size(); at += step)
            later([this, piece = reply.mid(at, step), s = m_session] {
                if (s == m_session)
                    deliver(QString::fromLatin1(piece));
            });
    }
    // A posted event, not a timer: it runs before any timer that is due meanwhile.
    template<typename F>
    void later(F f) { QMetaObject::invokeMethod(this, f, Qt::QueuedConnection); }

    std::unique_ptr<phonesim::SimulatedPhone> m_phone;
    bool m_silent = false;
    Fault m_fault = Fault::None;
    Step m_at;
    int m_seen = 0;
    int m_session = 0;   ///< grows when the port closes: pieces on their way are lost
};

/// The simulated phone on a pseudo-terminal linked as COM200 in the given folder.
struct Phonesim
{
    QProcess process;
    QString transcript;
    bool start(const QDir &dir, const QByteArray &faults, const QString &tag)
    {
        QJsonObject o = QJsonDocument::fromJson(kScenario).object();
        const QJsonObject extra = QJsonDocument::fromJson(faults).object();
        for (auto it = extra.begin(); it != extra.end(); ++it)
            o[it.key()] = it.value();
        const QString scenario = dir.filePath(tag + u".json"_s);
        transcript = dir.filePath(tag + u".jsonl"_s);
        if (!put(scenario, QJsonDocument(o).toJson()))
            return false;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(qEnvironmentVariable("SMS_PHONESIM"),
                      {u"--scenario"_s, scenario, u"--link"_s, dir.filePath(u"COM200"_s),
                       u"--transcript"_s, transcript});
        return process.waitForStarted(5000)
               && waitFor([&] { return QFile::exists(dir.filePath(u"COM200"_s)); }, 5000);
    }
    /// The command lines the phone received, PDUs as "PDU" ("PDU!" when refused), and
    /// "<hangup>" and "<ignored>" events; "<early>" after a line or PDU that came before the
    /// phone had started its reply to the line before.
    QStringList received() const
    {
        QStringList out;
        double replyAt = -1;
        for (const QByteArray &l : get(transcript).split('\n')) {
            const QJsonObject e = QJsonDocument::fromJson(l).object();
            const QString type = e.value(u"type"_s).toString();
            if (type == u"command"_s)
                out << e.value(u"line"_s).toString();
            else if (type == u"pdu"_s)
                out << (e.value(u"valid"_s).toBool() ? u"PDU"_s : u"PDU!"_s);
            else if (type == u"hangup"_s || type == u"ignored"_s)
                out << u"<"_s + type + u">"_s;
            if (type == u"reply"_s)
                replyAt = e.value(u"ms"_s).toDouble() + e.value(u"delayMs"_s).toDouble();
            else if ((type == u"command"_s || type == u"pdu"_s) && e[u"ms"_s].toDouble() < replyAt)
                out << u"<early>"_s;
        }
        return out;
    }
    ~Phonesim()
    {
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
    }
};

/// The window on a port (a faulty line, or the real serial port), in a program folder of
/// its own holding the program's files.
struct Rig
{
    QTemporaryDir dir;
    MsgBoxRecorder boxes;
    AppState state;
    PhonePort &port;
    Form1 form{state, port};
    QString log;   ///< the entries the sent log must hold
    int sent = 7;

    Rig(PhonePort &p, int tickMs, int searchTimeoutMs) : port(p)
    {
        Seams::setProgramFolder(dir.path());
        form.Timer1->stop();   // searches are started by hand
        form.SearchWindow()->Timer1->setInterval(tickMs);
        form.SearchWindow()->Timer2->setInterval(searchTimeoutMs);
    }
    ~Rig()
    {
        port.setPortOpen(false);
        Seams::setProgramFolder(QString());
    }
    bool load()
    {
        for (auto it = kFiles.begin(); it != kFiles.end(); ++it)
            put(dir.filePath(it.key()), it.value());
        put(dir.filePath(u"Sent.txt"_s), vb::NumberField(sent).toLatin1() + "\r\n");
        form.Form_Load();
        form.Text4->setText(u"+39 347 123-4567"_s);   // as people type it
        return !state.ConfirmSend && state.SentCount == 7 && port.CommPort() == 200;
    }
    /// Connection > Open, or the status timer's first tick, which opens it by itself.
    void search(bool firstTick) { firstTick ? form.Timer1_Timer() : form.Mn_Apri_Click(); }
    /// Empty when a search found the phone and filled the information with no box.
    QString connect(bool firstTick = false, bool labels = true)
    {
        const QStringList before = boxes.texts();
        search(firstTick);
        if (port.PortOpen() && boxes.texts() == before && !form.SearchWindow()->isVisible()
            && (!labels || form.Label16->text() == u"ACME X1 "_s)
            && !state.WaitPhonePhonebookRange)
            return {};
        return u"no connection: open %1, boxes %2, model %3"_s.arg(port.PortOpen())
            .arg(boxes.texts().join(u'|'), form.Label16->text());
    }
    /// Starts an action on a text of `chars` characters: by default three parts for a send,
    /// two for a store.
    void start(Action action, int chars = 0)
    {
        chars = chars ? chars : action == Action::Store ? 200 : 400;
        form.setText5Text(QString(chars, u'a'));
        if (action == Action::Send) {
            if (port.PortOpen())   // a closed port refuses before anything is logged
                log += Compose::LogEntry(QString(chars, u'a'), form.Text4->text(), kNow,
                                         form.Label14->text());
            form.Command6_Click();
        } else if (action == Action::Store) {
            form.Command7_Click();
        } else if (action == Action::ServiceCentre) {
            form.Command3_Click();
        }
    }
    bool chainWaits() const
    {
        return state.SendActive || state.StoreActive || state.WaitSentOk
               || state.WaitServiceCentre;
    }
    bool chainEnded() const
    {
        return !chainWaits() && Seams::CurrentPointer() == Seams::Pointer::Default;
    }
    /// Empty when a three-part send, a two-part store and the service-centre query all went
    /// through, one after the other, and only the send was counted.
    QString fullRound(int ms)
    {
        boxes.shown.clear();
        for (Action a : {Action::Send, Action::Store, Action::ServiceCentre}) {
            if (a == Action::ServiceCentre)
                form.Text2->clear();
            start(a);
            if (!waitFor([&] { return !chainWaits(); }, ms))
                return u"stuck in action %1"_s.arg(int(a));
        }
        if (boxes.texts() == QStringList{kSent} && state.SentCount == (sent += 3)
            && form.Text2->text() == u"393359609600"_s)
            return {};
        return u"boxes %1, count %2, centre %3"_s.arg(boxes.texts().join(u'|'))
            .arg(state.SentCount).arg(form.Text2->text());
    }
    /// Empty when the files are as expected: those the program only reads unchanged, the
    /// count at `sent`, the log of whole entries for the sends started, nothing else left.
    QString checkFiles() const
    {
        QMap<QString, QByteArray> expected = kFiles, found;
        expected[u"Sent.txt"_s] = vb::NumberField(sent).toLatin1() + "\r\n";
        if (!log.isEmpty())
            expected[u"LogSMS.txt"_s] = (Compose::LogHeader() + log).toLatin1();
        for (const QString &n : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
            if (n != u"COM200"_s && !n.endsWith(u".json"_s) && !n.endsWith(u".jsonl"_s))
                found[n] = get(dir.filePath(n));
        QStringList bad;
        for (const QString &n : found.keys() + expected.keys())
            if (found.value(n, "<missing>") != expected.value(n, "<left behind>"))
                bad << n + u": "_s + QString::fromLatin1(found.value(n, "<missing>"));
        bad.removeDuplicates();
        return bad.join(u"; "_s);
    }
};

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Action)

class TstE2eFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Seams::setClock([] { return kNow; }); }

    // Every step of every chain against every fault, in process.
    void everyStep_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("step");   // index into the chain's steps
        QTest::addColumn<Fault>("fault");
        const char *chains[] = {"search", "send", "store", "centre"};
        const char *faults[] = {"", "error", "cms-error", "drop", "silence"};
        for (Action a : {Action::Search, Action::Send, Action::Store, Action::ServiceCentre})
            for (int i = 0; i < kSteps[int(a)]->size(); ++i)
                for (Fault f : {Fault::Error, Fault::CmsError, Fault::Drop, Fault::Silence})
                    QTest::addRow("%s-%d-%s-%s", chains[int(a)], i + 1,
                                  qPrintable(kSteps[int(a)]->at(i).line), faults[int(f)])
                        << a << i << f;
        // The whole round (search, three-part send, two-part store, service centre) through
        // a line that cuts every reply into single bytes, or puts garbage between its lines.
        QTest::newRow("everything-one-byte-pieces")
            << Action::Everything << 0 << Fault::OneByte;
        QTest::newRow("everything-garbage-between-lines")
            << Action::Everything << 0 << Fault::Garbage;
    }
    void everyStep()
    {
        QFETCH(Action, action);
        QFETCH(int, step);
        QFETCH(Fault, fault);
        FaultyLine line;
        Rig r(line, 5, fault == Fault::Silence ? 800 : 15000);
        QVERIFY(r.load());
        if (action == Action::Everything) {
            line.strike(fault, {});
            // Garbage lands in the information labels; the search goes through all the same.
            QCOMPARE(r.connect(true, fault != Fault::Garbage), QString());
            QCOMPARE(r.fullRound(10000), QString());
            QCOMPARE(line.writes.filter(u"AT+CMGW="_s).size(), 2);
            QCOMPARE(r.checkFiles(), QString());
            return;
        }
        const QList<Step> &steps = *kSteps[int(action)];
        const Step at = steps.at(step);
        QElapsedTimer clock;
        qsizetype firstLine = 0;
        if (action == Action::Search) {
            line.strike(fault, at);
            clock.start();
            r.search(true);   // returns when the search window has closed
        } else {
            QCOMPARE(r.connect(true), QString());
            line.strike(fault, at);
            firstLine = line.writes.size();
            clock.start();
            r.start(action);
        }
        const bool probe = at.line == u"AT+CPMS=MT"_s || at.line == u"AT^SDBR=?"_s;
        const bool error = fault == Fault::Error || fault == Fault::CmsError;
        QStringList expected;
        if (action == Action::Search)
            expected = !error ? QStringList{kNoMobile}
                     : probe  ? QStringList()
                              : QStringList{kRefused};
        else if (error)
            expected = {kRefused};
        else if (fault == Fault::Drop)
            expected = {lostText(action, step, action == Action::Send ? 3 : 2)};
        const auto shown = [&] {
            return r.boxes.texts() == expected && !r.form.SearchWindow()->isVisible();
        };
        QVERIFY2(waitFor(shown, 5000),
                 qPrintable(r.boxes.texts().join(u'|') + u" / "_s + line.lines().join(u'|')));
        waitFor([] { return false; }, 30);   // nothing more comes after the box
        QCOMPARE(r.boxes.texts(), expected);
        if (fault == Fault::Drop) {   // at once, not at the search's time-out, and as an error
            QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(r.boxes.shown.at(0).title == u"Error."_s
                    && r.boxes.shown.at(0).icon == Seams::MsgIcon::Critical);
        }

        // Nothing of a later step went out after the fault: a search that stopped at a step
        // only wrote the commands of the steps it had reached again.
        const QStringList after = line.lines().mid(firstLine);
        if (action != Action::Search) {
            QCOMPARE(after.size(), step + 1);
        } else if (!(error && probe)) {
            QStringList reached;
            for (int i = 0; i <= step; ++i)
                reached << steps.at(i).line;
            for (const QString &l : after)
                QVERIFY2(reached.contains(l), qPrintable(after.join(u'|').right(300)));
        }

        // What the fault leaves: a chain still waiting only on a silent phone, the
        // pointer back otherwise, the port closed by a drop or a search that failed.
        if (fault == Fault::Silence && action != Action::Search) {
            QVERIFY(r.chainWaits());   // as for any phone that does not answer
            if (action == Action::Send)
                QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Hourglass);
            // The window stays responsive while the phone is silent.
            r.form.setText5Text(u"abc"_s);
            QCOMPARE(r.form.Label5->text(), u"3"_s);
        } else {
            QVERIFY(r.chainEnded());
        }
        QCOMPARE(line.PortOpen(), fault != Fault::Drop && (action != Action::Search || error));
        QCOMPARE(r.state.SentCount, 7);

        // The next actions are answered normally: with the phone back, a search finds it,
        // and a send, a store and the service-centre query go through.
        if (fault == Fault::Drop || fault == Fault::Silence)
            line.restart();
        if (!line.PortOpen() || action == Action::Search) {
            QCOMPARE(r.connect(), QString());
        }
        QCOMPARE(r.fullRound(5000), QString());
        QCOMPARE(r.checkFiles(), QString());
    }

    // Over the real serial path. A phone that hangs up after its Nth command line: a search
    // ends at once with its message, a send or store says which part did not go out, a send
    // on the closed port and a search for the phone that is gone are refused, and a phone
    // plugged in again is found. A phone refusing one step after another (a search step with
    // +CME ERROR, each announce line of a send and of a store, with ERROR and +CMS ERROR, the
    // service-centre query), each try going further. A phone found only after a second (the
    // search writes "AT" again meanwhile), one answering late in two pieces, one answering a
    // byte at a time. After each, a send, a store and the service-centre query go through,
    // every line written only after the phone's reply to the one before.
    void overThePort_data()
    {
        QTest::addColumn<QByteArray>("faults");
        QTest::addColumn<Action>("action");   // what a dropped line interrupts
        const auto drop = [](const char *name, int after, Action action) {
            QTest::newRow(name) << u"{\"faults\": {\"dropAfterCommands\": %1}}"_s.arg(after)
                                       .toUtf8() << action;
        };
        drop("drop-after-AT", 1, Action::Search);   // every step is dropped in process above
        drop("drop-after-AT+CIMI", 6, Action::Search);
        for (int part = 1; part <= 3; ++part)
            drop(qPrintable(u"drop-send-pdu-%1-of-3"_s.arg(part)), 12 + part, Action::Send);
        for (int part = 1; part <= 2; ++part)
            drop(qPrintable(u"drop-store-pdu-%1-of-2"_s.arg(part)), 12 + part, Action::Store);
        QTest::newRow("refusals") << QByteArray(R"({"faults": {"errors": [
            {"command": "AT+CGMR", "occurrence": 1, "reply": "+CME ERROR: 100"},
            {"command": "AT+CMGS", "occurrence": 1},
            {"command": "AT+CMGS", "occurrence": 3, "reply": "+CMS ERROR: 500"},
            {"command": "AT+CMGS", "occurrence": 6, "reply": "+CMS ERROR: 304"},
            {"command": "AT+CMGW", "occurrence": 1, "reply": "+CMS ERROR: 322"},
            {"command": "AT+CMGW", "occurrence": 3},
            {"command": "AT+CSCA", "occurrence": 1, "reply": "+CMS ERROR: 500"}]}})")
                                  << Action::Everything;
        QTest::newRow("silent-for-a-second")
            << QByteArray(R"({"timing": {"silentSeconds": 1}})") << Action::Everything;
        QTest::newRow("late-in-two-pieces") << QByteArray(R"({"timing": {"latencyMs": 5,
            "jitterMs": 3, "chunks": 2, "chunkGapMs": 2, "seed": 11}})") << Action::Everything;
        QTest::newRow("one-byte-pieces")
            << QByteArray(R"({"timing": {"chunks": 100000, "chunkGapMs": 1}})")
            << Action::Everything;
    }
    void overThePort()
    {
        QFETCH(QByteArray, faults);
        QFETCH(Action, action);
        if (!QFile::exists(qEnvironmentVariable("SMS_PHONESIM")))
            QSKIP("the simulated phone (tools/phonesim) is not built");
        QSerialPhonePort comm;
        Rig r(comm, 50, 20000);
        QVERIFY(r.load());
        Phonesim phone, again;
        QVERIFY(phone.start(r.dir.path(), faults, u"faulty"_s));
        QElapsedTimer clock;
        clock.start();
        if (action == Action::Search) {
            r.search(true);
            QCOMPARE(r.boxes.texts(), QStringList{kNoMobile});
            // At once, not at the time-out 20 s after the start.
            QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        } else if (faults.contains("errors")) {
            r.search(true);
            QCOMPARE(r.boxes.texts(), QStringList{kRefused});
            QVERIFY(comm.PortOpen() && r.form.Label17->text() == u"???"_s);
            r.boxes.shown.clear();
        }
        if (action != Action::Search) {
            QCOMPARE(r.connect(!faults.contains("errors")), QString());
            // The silent phone let the search write "AT" (on a port opened anew) again.
            QCOMPARE(phone.received().contains(u"<ignored>"_s), faults.contains("silent"));
        }

        if (action == Action::Send || action == Action::Store) {
            r.start(action);
            QVERIFY2(waitFor([&] { return !r.boxes.shown.isEmpty(); }, 10000),
                     qPrintable(phone.received().join(u'|')));
            // The part whose PDU went to a phone that had already hung up.
            const QString announce = action == Action::Send ? u"AT+CMGS="_s : u"AT+CMGW="_s;
            const int part = int(phone.received().filter(announce).size());
            QVERIFY(part >= 1);
            QCOMPARE(r.boxes.texts(),
                     QStringList{lostText(action, 2 * part - 1, action == Action::Send ? 3 : 2)});
            QVERIFY(r.chainEnded());
        }
        if (faults.contains("drop")) {
            QVERIFY(phone.received().endsWith(u"<hangup>"_s));
            QVERIFY(!comm.PortOpen() && !r.chainWaits() && r.state.SentCount == 7);
            r.boxes.shown.clear();
            r.start(Action::Send, 5);
            r.search(false);
            QCOMPARE(r.boxes.texts().size(), 2);
            QVERIFY(r.boxes.texts().at(0).startsWith(u"The serial port is closed"_s));
            QVERIFY(r.boxes.texts().at(1).startsWith(u"Unable to open the communication port"_s));
            QVERIFY(again.start(r.dir.path(), "{}", u"again"_s));
            QCOMPARE(r.connect(), QString());
        }

        const struct { Action action; int announced; } tries[] = {
            {Action::Send, 1},  {Action::Send, 2},  {Action::Send, 3},
            {Action::Store, 1}, {Action::Store, 2}, {Action::ServiceCentre, 1}};
        const QString announce[] = {QString(), u"AT+CMGS="_s, u"AT+CMGW="_s, u"AT+CSCA?"_s};
        for (const auto &t : tries) {
            if (!faults.contains("errors"))
                break;   // each try below is refused once
            const qsizetype before = phone.received().size();
            r.boxes.shown.clear();
            r.start(t.action);
            QVERIFY(waitFor([&] { return !r.boxes.shown.isEmpty() && r.chainEnded(); }, 10000));
            QCOMPARE(r.boxes.texts(), QStringList{kRefused});
            const QStringList lines = phone.received().mid(before);
            QCOMPARE(lines.filter(announce[int(t.action)]).size(), t.announced);
            QCOMPARE(lines.count(u"PDU"_s), t.announced - 1);   // no part after the refused one
        }
        Phonesim &now = faults.contains("drop") ? again : phone;
        const qsizetype before = now.received().size();
        QCOMPARE(r.fullRound(20000), QString());
        const QStringList round = now.received().mid(before);
        QCOMPARE(round.count(u"PDU"_s), 5);
        QVERIFY2(!round.contains(u"<early>"_s), qPrintable(round.join(u'|')));
        QVERIFY(!phone.received().contains(u"PDU!"_s));
        QCOMPARE(r.checkFiles(), QString());
    }
};

QTEST_MAIN(TstE2eFaults)
#include "tst_e2e_faults.moc"
