// SPDX-License-Identifier: GPL-3.0-or-later
// The phonebook download: the reply parsers, then the window with its real dispatcher and
// timer handlers against the simulated phone on a virtual clock (exact times, no waiting).
#include "app/appstate.h"
#include "app/form1.h"
#include "app/phoneport.h"
#include "msgboxrecorder.h"
#include "phonebookfixture.h"
#include "phonebook/phonebookdownload.h"
#include "phonebook/phonebookparse.h"
#include "scenario.h"
#include "simulatedphone.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <climits>
#include <deque>
#include <map>

namespace {

/// The simulated phone behind a serial port on a virtual clock. Every write goes to the
/// phone at once; its answers arrive when due, in order, one receive event per piece.
class VirtualLine : public PhonePort
{
public:
    explicit VirtualLine(const phonesim::Scenario &s)
        : phone(s)
    {
        phone.setClock([this] { return now; });
    }

    bool PortOpen() const override { return m_open; }
    bool setPortOpen(bool open) override
    {
        const bool changed = m_open != open;
        m_open = open;
        return changed;
    }
    bool Output(const QString &text) override
    {
        if (!m_open)
            return false;
        // The previous command must have been answered, or given up on after the time-out.
        if ((!m_queue.empty() || !m_answered) && now - m_lastWrite < Phonebook::kReplyTimeoutMs)
            early << text;
        written << text;
        m_lastWrite = now;
        const QList<phonesim::OutputChunk> chunks = phone.receive(text.toLatin1());
        m_answered = chunks.size() > 1;   // more than the echo
        qint64 at = std::max(now, m_queue.empty() ? 0 : m_queue.back().due);
        for (const phonesim::OutputChunk &c : chunks) {
            at += c.delayMs;
            m_queue.push_back({at, c.data});
        }
        return true;
    }
    QString Input() override
    {
        const QString in = QString::fromLatin1(m_pending);
        m_pending.clear();
        return in;
    }
    qint64 nextDue() const { return m_queue.empty() ? LLONG_MAX : m_queue.front().due; }
    void deliverDue()
    {
        while (!m_queue.empty() && m_queue.front().due <= now) {
            m_pending += m_queue.front().data;
            m_queue.pop_front();
            emit OnComm();
        }
    }

    phonesim::SimulatedPhone phone;
    qint64 now = 0;
    QStringList written;
    QStringList early;   ///< commands written before the previous one was answered

private:
    struct Chunk
    {
        qint64 due;
        QByteArray data;
    };
    std::deque<Chunk> m_queue;
    QByteArray m_pending;
    bool m_open = false;
    bool m_answered = true;
    qint64 m_lastWrite = 0;
};

phonesim::Scenario TestPhone(const QByteArray &overrides)
{
    QString error;
    const auto s = phonesim::ParseScenario(PhoneJson(overrides), &error);
    if (!s)
        qFatal("bad test phone: %s", qPrintable(error));
    return *s;
}

} // namespace

class TestPhonebookDownload : public QObject
{
    Q_OBJECT

    /// The main window on the virtual line with the sizes the phone search would have found.
    struct Rig
    {
        MsgBoxRecorder boxes;
        AppState state;
        VirtualLine line;
        Form1 form{state, line};
        bool busyBar = false;   ///< the progress bar was ever shown with an empty range
        explicit Rig(const phonesim::Scenario &s)
            : line(s)
        {
            form.Timer1->stop();
            line.setPortOpen(true);
            state.SimPhonebookSize = std::int16_t(s.sim.size);
            state.PhonePhonebookSize = std::int16_t(s.phone.size);
            state.AddressBookAvailable = s.addressBook.has_value();
            state.AddressBookFirst = std::int16_t(s.addressBook ? s.addressBook->first : 0);
            state.AddressBookLast = std::int16_t(s.addressBook ? s.addressBook->last : 0);
        }

        /// Runs the status timer (every second), the download timer and the line until
        /// `end`; `actions` ("close@1500 upload@1700") are the user's, at those times.
        /// Returns when the download last ended.
        qint64 run(qint64 end, const QString &actions)
        {
            std::multimap<qint64, QString> todo;
            for (const QString &a : actions.split(u' ', Qt::SkipEmptyParts))
                todo.emplace(a.section(u'@', 1).toLongLong(), a.section(u'@', 0, 0));
            qint64 status = 1000, timer2 = -1, endedAt = 0;
            int interval = 0;
            while (true) {
                const qint64 next =
                    std::min({status, line.nextDue(), timer2 < 0 ? LLONG_MAX : timer2,
                              todo.empty() ? LLONG_MAX : todo.begin()->first});
                if (next > end)
                    return endedAt;
                const bool running = state.PhonebookDownload;
                line.now = next;
                if (line.nextDue() <= next) {
                    line.deliverDue();
                } else if (!todo.empty() && todo.begin()->first == next) {
                    act(todo.begin()->second);
                    todo.erase(todo.begin());
                } else if (timer2 == next) {
                    timer2 += interval;
                    form.Timer2_Timer();
                    busyBar |= form.ProgressBar1->maximum() <= form.ProgressBar1->minimum();
                } else {
                    status += 1000;
                    form.Timer1_Timer();
                }
                // A (re)started download timer ticks one interval after the start.
                const bool active = form.Timer2->isActive();
                if (!active)
                    timer2 = -1;
                else if (timer2 < 0 || form.Timer2->interval() != interval)
                    timer2 = next + form.Timer2->interval();
                interval = active ? form.Timer2->interval() : 0;
                if (running && !state.PhonebookDownload)
                    endedAt = next;
            }
        }
        void act(const QString &what)
        {
            if (what == u"close")
                line.setPortOpen(false);
            else if (what == u"upload")
                form.Mn_Upload_Click();
            else if (what == u"type")
                form.Combo2->lineEdit()->setText(S("me (+39777)"));
            else if (what == u"send")
                form.Command6_Click(), form.Command7_Click(), form.Command3_Click();
        }
        QStringList list() const
        {
            QStringList out;
            for (int i = 0; i < form.Combo2->count(); ++i)
                out << form.Combo2->itemText(i);
            return out;
        }
    };

private slots:
    void phonebookEntry_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("entry");
        const auto row = [](const char *name, const char *line, const char *entry,
                            const char *command = "AT+CPBR=1") {
            QTest::newRow(name) << S(command) + S("\r\r\n") + S(line) + S("\r\n\r\nOK\r\n")
                                << S(entry);
        };
        row("international", "+CPBR: 1,\"+3912345\",145,\"Anna\"", "Anna (+3912345)");
        row("national", "+CPBR: 1,\"0612345\",129,\"Bob\"", "Bob (0612345)");
        row("two-digit", "+CPBR: 12,\"5\",129,\"X\"", "X (5)", "AT+CPBR=12");
        row("three-digit", "+CPBR: 120,\"+3912345\",145,\"Anna\"", "Anna (+3912345)",
            "AT+CPBR=120");
        row("five-digit", "+CPBR: 32767,\"1\",129,\"Z\"", "Z (1)", "AT+CPBR=32767");
        row("no-blank", "+CPBR:7,\"0612345\",129,\"Bob\"", "Bob (0612345)", "AT+CPBR=7");
        row("blanks-in-fields", "+CPBR: 1, \"123\", 129, \"A B\"", "A B (123)");
        row("name-with-comma", "+CPBR: 1,\"123\",129,\"Doe, John\"", "Doe, John (123)");
        row("name-with-brackets", "+CPBR: 1,\"555\",129,\"Ann (work)\"", "Ann (work) (555)");
        row("latin1-name", "+CPBR: 1,\"+39\",145,\"Zo\xc3\xab M\xc3\xbcller\"",
            "Zo\xc3\xab M\xc3\xbcller (+39)");
        row("empty-number", "+CPBR: 3,\"\",129,\"Voicemail\"", "Voicemail ()");
        row("index-too-long", "+CPBR: 12345678901,\"1\",129,\"X\"", "");
        row("no-quotes", "+CPBR: 1,123,129,X", "");
        row("name-quote-missing", "+CPBR: 1,\"+39\",145,\"Anna", "");
        QTest::newRow("empty-position") << S("AT+CPBR=2\r\r\nOK\r\n") << QString();
        QTest::newRow("not-found") << S("AT+CPBR=2\r\r\n+CME ERROR: 22\r\n") << QString();
        QTest::newRow("select-reply") << S("AT+CPBS=SM\r\r\nOK\r\n") << QString();
        QTest::newRow("truncated") << S("AT+CPBR=1\r\r\n+CPBR: 1,\"+391") << QString();
        QTest::newRow("echo-off") << S("\r\n+CPBR: 4,\"+3955\",145,\"Eve\"\r\n\r\nOK\r\n")
                                  << S("Eve (+3955)");
        QTest::newRow("empty") << QString() << QString();
    }
    void phonebookEntry()
    {
        QFETCH(QString, reply);
        QFETCH(QString, entry);
        QCOMPARE(Phonebook::ParsePhonebookEntry(reply).value_or(QString()), entry);
    }

    void addressBookEntries_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("entries");
        const auto row = [](const char *name, const char *lines, const char *entries,
                            const char *command = "AT^SDBR=1") {
            QTest::newRow(name) << S(command) + S("\r\r\n") + S(lines) + S("\r\n\r\nOK\r\n")
                                << S(entries);
        };
        row("one-number", "^SDBR: 1,\"0612345\",129,\"Bob\"", "Bob -Office- (0612345)");
        row("three-numbers",
            "^SDBR: 0,\"1\",129,\"Al\"\r\n^SDBR: 2,\"+2\",145,\"Al\"\r\n^SDBR: 3,\"3\",129,\"Al\"",
            "Al -Home- (1)|Al -Mobile- (+2)|Al -Fax- (3)");
        row("three-digit-index", "^SDBR: 2,\"+39\",145,\"Carla\"\r\n^SDBR: 1,\"06\",129,\"Carla\"",
            "Carla -Mobile- (+39)|Carla -Office- (06)", "AT^SDBR=120");
        row("other-categories",
            "^SDBR: 4,\"1\",129,\"A\"\r\n^SDBR: 12,\"2\",129,\"A\"\r\n^SDBR: x,\"3\",129,\"A\"",
            "A -Other- (1)|A -Other- (2)|A -Other- (3)");
        row("rest-of-line", "^SDBR: 0,\"1\",129,\"Al\",0,\"OTHER\",9\r\n^SDBR: 1,\"2\",129,\"Al\"",
            "Al -Home- (1)|Al -Office- (2)");
        row("name-with-comma-latin1", "^SDBR: 3,\"9\",129,\"Caf\xc3\xa9, Bar\"",
            "Caf\xc3\xa9, Bar -Fax- (9)");
        row("quote-missing-ends", "^SDBR: 0,\"1\",129,\"A\"\r\n^SDBR: 1,\"2,129,B\r\n"
                                  "^SDBR: 2,\"3\",129,\"C\"", "A -Home- (1)");
        row("comma-missing", "^SDBR: 0 \"1\" 129 \"A\"", "");
        QTest::newRow("no-entry") << S("AT^SDBR=3\r\r\nOK\r\n") << QString();
        QTest::newRow("not-found") << S("AT^SDBR=3\r\r\n+CME ERROR: not found\r\n") << QString();
        QTest::newRow("truncated") << S("AT^SDBR=1\r\r\n^SDBR: 1,\"06") << QString();
    }
    void addressBookEntries()
    {
        QFETCH(QString, reply);
        QFETCH(QString, entries);
        QCOMPARE(Phonebook::ParseAddressBookEntries(reply).join(u'|'), entries);
    }

    // Which replies in a captured text answer the command last written.
    void answersToTheLastCommand()
    {
        const QString r2 = S("AT+CPBR=2\r\r\n+CPBR: 2,\"2\",129,\"B\"\r\n\r\nOK\r\n");
        const QString r3 = S("AT+CPBR=3\r\r\n+CPBR: 3,\"3\",129,\"C\"\r\n\r\nOK\r\n");
        const QString gap = S("AT+CPBR=3\r\r\n+CME ERROR: 22\r\n");
        const struct { QString text; qsizetype replies; QString answers; } rows[] = {
            {r3, 1, r3}, {r2 + r3, 2, r3}, {r2, 1, {}}, {gap + S("AT+CPBR=4\r\r\n+CP"), 1, gap},
            {r3.mid(11), 1, r3.mid(11)},   // no echo: taken as the answer
            {S("AT+CPBR=2\r") + r3, 1, S("AT+CPBR=2\r") + r3},   // an unanswered echo before
            {S("\r\nRING\r\n") + r3, 1, S("\r\nRING\r\n") + r3}, {S("AT+CPBR=3\r\r\n"), 0, {}}};
        for (const auto &row : rows) {
            const QStringList replies = Phonebook::SplitReplies(row.text);
            QString answers;
            for (const QString &r : replies)
                answers += Phonebook::AnswersCommand(r, S("AT+CPBR=3")) ? r : QString();
            QCOMPARE(replies.size(), row.replies);
            QCOMPARE(answers, row.answers);
        }
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("phone");      // changes to phonebooks.json
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<int>("endsAt");            // ms after Upload; 0: not checked
        const QString all = S("S1-8 P1-5 A1-6");
        const QString allCommands = S("SM1-8 ME1-5 AB1-6");
        const QString error = S("Command didn't accept by mobile");
        // Stage starts on the status ticks at 1, 3 and 5 s; 200 ms a SIM or phone position,
        // 150 ms an address-book position, one more tick to see the last answer.
        QTest::newRow("every-entry") << QByteArray() << QString() << allCommands << all
                                     << QString() << 6000;
        QTest::newRow("slow-chunked")
            << QByteArray(R"({"timing": {"commandLatencyMs": {"AT+CPBR": 350, "AT^SDBR": 350},
                              "chunks": 3, "chunkGapMs": 5}})")
            << QString() << allCommands << all << QString() << 0;
        QTest::newRow("not-found-gaps")
            << QByteArray(R"({"simPhonebook": {"emptyRead": "notFound"}, "phonePhonebook":
                {"emptyRead": "notFound"}, "addressBook": {"emptyRead": "notFound"}})")
            << QString() << allCommands << all << QString() << 6000;
        const QString unread = S("1 position of the SIM phonebook could not be read: the phone "
                                 "did not answer in time. The other entries are in the list; "
                                 "Upload again to try once more.");
        // Position 3 is given up on 5 s after it was asked for, and all else follows.
        QTest::newRow("never-answers")
            << QByteArray(R"({"faults": {"errors": [{"command": "AT+CPBR=3", "reply": ""}]}})")
            << QString() << allCommands << S("S1-2 S4-8 P1-5 A1-6") << unread << 11000;
        // Both position 3s answer after 5.5 s: too late, and set aside when they come.
        QTest::newRow("answers-too-late")
            << QByteArray(R"({"timing": {"commandLatencyMs": {"AT+CPBR=3": 5500}}})")
            << QString() << allCommands << S("S1-2 S4-8 P1-2 P4-5 A1-6")
            << S("1 position of the SIM phonebook and 1 position of the phone's phonebook could "
                 "not be read: the phone did not answer in time. The other entries are in the "
                 "list; Upload again to try once more.")
            << 0;
        QTest::newRow("error-in-sim")
            << QByteArray(R"({"faults": {"errors": [{"command": "AT+CPBR=4"}]}})") << QString()
            << S("SM1-4") << S("S1-3") << error << 0;
        QTest::newRow("error-in-phone")
            << QByteArray(R"({"faults": {"errors": [{"command": "AT+CPBR=2", "occurrence": 2,
                                                     "reply": "+CME ERROR: 21"}]}})")
            << QString() << S("SM1-8 ME1-2") << S("S1-8 P1") << error << 0;
        QTest::newRow("error-in-address-book")
            << QByteArray(R"({"faults": {"errors": [{"command": "AT^SDBR=3"}]}})") << QString()
            << S("SM1-8 ME1-5 AB1-3") << S("S1-8 P1-5 A1-2") << error << 0;
        QTest::newRow("no-address-book") << QByteArray(R"({"addressBook": null})") << QString()
                                         << S("SM1-8 ME1-5") << S("S1-8 P1-5") << QString()
                                         << 5000;
        QTest::newRow("empty-sim") << QByteArray(R"({"simPhonebook": {"size": 0, "entries": []}})")
                                   << QString() << S("SM ME1-5 AB1-6") << S("P1-5 A1-6")
                                   << QString() << 5000;
        QTest::newRow("port-closed")
            << QByteArray() << S("close@1500") << S("SM1-2") << S("S1-2")
            << S("The phonebook download stopped: the serial port was closed while reading the "
                 "SIM phonebook (position 2 of 8). The entries read so far are in the list.")
            << 1600;
        QTest::newRow("upload-twice") << QByteArray() << S("upload@1700")
                                      << S("SM1-3 ") + allCommands << all << QString() << 7000;
        const QString wait = S("The phonebook is being downloaded: please wait for the download "
                               "to finish.");
        QTest::newRow("user-acts-meanwhile") << QByteArray() << S("type@1500 send@1550")
                                             << allCommands << all
                                             << QStringList(3, wait).join(u'\n') << 6000;
    }
    void download()
    {
        QFETCH(QByteArray, phone);
        QFETCH(QString, actions);
        QFETCH(QString, commands);
        QFETCH(QString, entries);
        QFETCH(QString, boxes);
        QFETCH(int, endsAt);
        Rig r(TestPhone(phone));
        r.form.Mn_Upload_Click();
        const qsizetype before = r.line.written.size();
        const qint64 endedAt = r.run(30000, actions);

        QStringList lines;
        for (const QString &w : r.line.written.mid(before)) {
            QVERIFY2(w.endsWith(u'\r') && w.count(u'\r') == 1 && !w.contains(u'\n'),
                     qPrintable(w));
            lines << w.chopped(1);
        }
        QCOMPARE(lines, Commands(commands));
        QCOMPARE(r.line.early, QStringList());
        QCOMPARE(r.list(), Entries(entries));
        QCOMPARE(r.boxes.texts().join(u'\n'), boxes);
        if (endsAt > 0)
            QCOMPARE(endedAt, qint64(endsAt));
        // Over: nothing left waiting, the timer stopped, the bar never shown busy.
        QVERIFY(!r.state.PhonebookDownload && !r.state.WaitSimPhonebook
                && !r.state.WaitPhonePhonebook && !r.state.WaitAddressBook);
        QVERIFY(!r.form.Timer2->isActive() && !r.busyBar);
        // Only the user's typing sets the recipient; filling the list never does.
        const QString typed = actions.contains(S("type")) ? S("+39777") : QString();
        QCOMPARE(r.form.Text4->text(), typed);
        QCOMPARE(r.form.Combo2->currentText().isEmpty(), typed.isEmpty());
    }
};

QTEST_MAIN(TestPhonebookDownload)
#include "tst_phonebookdownload.moc"
