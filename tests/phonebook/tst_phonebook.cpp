// SPDX-License-Identifier: GPL-3.0-or-later
// The recipient list (Rubrica.txt, the number in a line, Load, Save and the choice) and the
// phonebook download: the reply parsers; the window with its real dispatcher and timer
// handlers against the simulated phone on a virtual clock (exact times, no waiting); and
// the same end to end over the serial port with the phone on a pseudo-terminal.
#include "app/textfile.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "phonebook/phonebookdownload.h"
#include "phonebook/phonebookparse.h"
#include "phonebook/rubrica.h"
#include "phonesimrunner.h"
#include "scenario.h"
#include "simulatedphone.h"

#include <QtWidgets>
#include <QJsonDocument>
#include <QTest>

#include <climits>
#include <deque>
#include <map>
#include <utility>

namespace {

QString S(const char *s) { return QString::fromUtf8(s); }

// Everything phonebooks.json holds, in download order: SIM 1-8, phone 1-5, address book 1-6.
const QStringList kAll = S("Anna (+3912345)|Bob (0612345)|Doe, John (+3933311)|"
    "Ann (work) (+39555)|Carlo (06999)|Eve (+3988)|Ufficio (+39021)|Dott. Neri (0557)|"
    "Zia (+3906)|Five (5)|Roberto -Home- (+3902)|Roberto -Office- (+3903)|"
    "Roberto -Mobile- (+3904)|Laura -Mobile- (+3946)|Laura -Fax- (+3958)|Studio -Office- (051)|"
    "Studio -Other- (052)|Nonna -Home- (0543)|Carla -Mobile- (+3933)|Carla -Home- (+3969)|"
    "Carla -Office- (+3964)|Carla -Fax- (+3965)").split(u'|');

/// "3-22 !Dott": entries 3 to 22 (1-based) of kAll without those starting "Dott".
QStringList Entries(const QString &ranges)
{
    QStringList out;
    for (const QString &part : ranges.split(u' ', Qt::SkipEmptyParts)) {
        if (part.startsWith(u'!'))
            out.removeIf([&](const QString &e) { return e.startsWith(part.mid(1)); });
        else
            out << kAll.mid(part.section(u'-', 0, 0).toInt() - 1,
                            part.section(u'-', 1).toInt() - part.section(u'-', 0, 0).toInt() + 1);
    }
    return out;
}

/// "SM1-8 ME AB1-6": the commands, each phonebook selected first.
QStringList Commands(const QString &ranges)
{
    QStringList out;
    for (const QString &group : ranges.split(u' ', Qt::SkipEmptyParts)) {
        const bool ab = group.startsWith(u"AB");
        if (!ab)
            out << S("AT+CPBS=") + group.left(2);
        const int last = group.section(u'-', 1).toInt();
        for (int i = group.mid(2).section(u'-', 0, 0).toInt(); group.size() > 2 && i <= last; ++i)
            out << (ab ? S("AT^SDBR=") : S("AT+CPBR=")) + QString::number(i);
    }
    return out;
}

/// phonebooks.json with `over` merged in, object by object.
QJsonObject Phone(QJsonObject base = {}, const QJsonObject &over = {})
{
    if (base.isEmpty()) {
        QFile f(qEnvironmentVariable("PHONEBOOK_SCENARIO"));
        base = f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                           : QJsonObject();
    }
    for (auto it = over.begin(); it != over.end(); ++it)
        base[it.key()] = it->isObject() && base[it.key()].isObject()
                             ? QJsonValue(Phone(base[it.key()].toObject(), it->toObject()))
                             : it.value();
    return base;
}

/// The simulated phone behind a port on a virtual clock: a write reaches it at once, its
/// answers arrive when due, in order, one receive event per piece.
class VirtualLine : public PhonePort
{
public:
    explicit VirtualLine(const phonesim::Scenario &s) : phone(s)
    {
        phone.setClock([this] { return now; });
    }
    bool PortOpen() const override { return open; }
    bool setPortOpen(bool o) override { return std::exchange(open, o) != o; }
    bool Output(const QString &text) override
    {
        if (!open)
            return false;
        // The last command must have been answered, or given up on after the time-out.
        if ((!m_queue.empty() || !m_answered) && now - m_sentAt < Phonebook::kReplyTimeoutMs)
            early << text;
        written << text;
        m_sentAt = now;
        const auto chunks = phone.receive(text.toLatin1());
        m_answered = chunks.size() > 1;   // more than the echo
        qint64 at = std::max(now, m_queue.empty() ? 0 : m_queue.back().first);
        for (const phonesim::OutputChunk &c : chunks)
            m_queue.emplace_back(at += c.delayMs, c.data);
        return true;
    }
    QString Input() override { return QString::fromLatin1(std::exchange(m_pending, {})); }
    qint64 nextDue() const { return m_queue.empty() ? LLONG_MAX : m_queue.front().first; }
    void deliverDue()
    {
        for (; !m_queue.empty() && m_queue.front().first <= now; m_queue.pop_front()) {
            m_pending += m_queue.front().second;
            emit OnComm();
        }
    }

    phonesim::SimulatedPhone phone;
    qint64 now = 0;
    bool open = true;
    QStringList written, early;   ///< every write; those before the last was answered

private:
    std::deque<std::pair<qint64, QByteArray>> m_queue;
    QByteArray m_pending;
    bool m_answered = true;
    qint64 m_sentAt = 0;
};

QStringList List(const Form1 &form)
{
    QStringList out;
    for (int i = 0; i < form.Combo2->count(); ++i)
        out << form.Combo2->itemText(i);
    return out;
}

} // namespace

class TestPhonebook : public QObject
{
    Q_OBJECT
    struct Rig
    {
        AppState state;
        FakePhonePort port;
        Form1 form{state, port};
        Rig() { form.Timer1->stop(); }
    };
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { Seams::setProgramFolder(m_dir.path()); }
    void cleanupTestCase() { Seams::setProgramFolder(QString()); }

    void extract()
    {
        const char *rows[][2] = {
            {"Anna (+3912345)", "+3912345"}, {"Bob -Office- (0612345)", "0612345"},
            {"Ann (work) (555)", "work) (555"}, {"x(12)", "12"}, {"x(12)3", "12)"},
            {"x(12", "<none>"}, {"Anna 12)", "<none>"}, {")x(", "<none>"}, {"A ()", ""},
            {"", "<none>"}};
        for (const auto &r : rows)
            QCOMPARE(Rubrica::ExtractRecipientNumber(S(r[0])).value_or(S("<none>")), S(r[1]));
    }

    // Rubrica.txt: each line that is not blank is one entry, exactly as saved. An overlong
    // line is skipped as it is read, and reading stops at the entry limit.
    void files()
    {
        QString big = S("z").repeated(3 << 20) + S("\r\nfirst (1)\r\n");
        QStringList bigList = {S("first (1)")};
        for (int i = 0; i < Rubrica::kMaxEntries + 5; ++i)
            big += S("n (%1)\r\n").arg(i), bigList << S("n (%1)").arg(i);
        const struct { QString text; QStringList entries; bool written; } rows[] = {
            {S("Anna (+3912345)\r\nBob -Office- (0612345)\r\nZo\u00eb -Mobile- (333)\r\n"),
             {S("Anna (+3912345)"), S("Bob -Office- (0612345)"), S("Zo\u00eb -Mobile- (333)")},
             true},
            {S("Doe, John (123)\r\n\"C, D\" (3)\r\n   E (4)\r\n"),
             {S("Doe, John (123)"), S("\"C, D\" (3)"), S("   E (4)")}, true},
            {S("\r\nA (1)\r\n \t \r\n\nB (2)\rC (3)"), {S("A (1)"), S("B (2)"), S("C (3)")},
             false},
            {S("x").repeated(256) + S("\r\n") + S("y").repeated(257) + S("\r\n"),
             {S("x").repeated(256)}, false},
            {big, bigList.mid(0, Rubrica::kMaxEntries), false}, {QString(), {}, true}};
        const QString path = m_dir.filePath(S("rows.txt"));
        for (const auto &r : rows) {
            QCOMPARE(Rubrica::Parse(r.text), r.entries);
            QVERIFY(!r.written || Rubrica::Format(r.entries) == r.text);
            QVERIFY(TextFile::WriteAtomic(path, r.text));
            QCOMPARE(Rubrica::Load(path).value_or(QStringList{S("<none>")}), r.entries);
        }
        QVERIFY(!Rubrica::Load(m_dir.filePath(S("missing.txt"))));
    }

    // Saved and loaded back as they were; loading at start-up picks no recipient, so a typed
    // number is exactly that number. A failed save keeps the list and says why.
    void saveAndLoad()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.form.Combo2->addItem(S("old (1)"));
        r.form.Mn_Rub_Load_Click();   // no file yet: an empty list, no box
        QCOMPARE(r.form.Combo2->count(), 0);
        const QStringList saved = {S("Anna (+3912345)"), S("Doe, John (123)"), S("\"Q\" (9)")};
        r.form.Combo2->addItems(saved);
        r.form.Mn_Rub_Save_Click();
        QCOMPARE(TextFile::Read(m_dir.filePath(S("Rubrica.txt"))).value_or(QString()),
                 S("Anna (+3912345)\r\nDoe, John (123)\r\n\"Q\" (9)\r\n"));
        Rig s;
        s.form.Form_Load();
        QCOMPARE(s.form.Combo2->count(), 3);
        QCOMPARE(s.form.Combo2->itemText(1) + s.form.Combo2->itemText(2), saved[1] + saved[2]);
        QVERIFY(s.form.Combo2->currentText().isEmpty() && s.form.Text4->text().isEmpty());
        QTest::keyClicks(s.form.Text4, S("+39333"));
        QCOMPARE(s.form.Text4->text(), S("+39333"));
        QVERIFY(s.form.Combo2->isEnabled() && boxes.shown.isEmpty());

        Seams::setProgramFolder(m_dir.filePath(S("missing/folder")));
        r.form.Mn_Rub_Save_Click();
        Seams::setProgramFolder(m_dir.path());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].title == S("Error.") && r.form.Combo2->count() == 3);
    }

    void choosingARecipient()
    {
        Rig r;
        r.form.Combo2->addItems({S("Anna (+3912345)"), S("Bob -Office- (0612345)")});
        r.form.Combo2->setCurrentIndex(1);
        r.form.Combo2->setEditText(QStringLiteral("x(12"));
        QCOMPARE(r.form.Text4->text(), QStringLiteral("0612345"));   // nothing until ")"
        QTest::keyClick(r.form.Combo2->lineEdit(), Qt::Key_ParenRight);
        QCOMPARE(r.form.Text4->text(), QStringLiteral("12"));
    }

    void parsers_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("entries");
        const auto row = [](const char *command, const char *lines, const char *entries) {
            QTest::newRow(lines) << S(command) + S("\r\r\n") + S(lines) + S("\r\n\r\nOK\r\n")
                                 << S(entries);
        };
        row("AT+CPBR=1", "+CPBR: 1,\"+3912345\",145,\"Anna\"", "Anna (+3912345)");
        row("AT+CPBR=120", "+CPBR: 120,\"+39\",145,\"Doe, John\"", "Doe, John (+39)");
        row("AT+CPBR=32767", "+CPBR:32767,\"5\",129,\"Ann (work)\"", "Ann (work) (5)");
        row("AT+CPBR=1", "+CPBR: 1, \"123\", 129, \"Zo\xc3\xab M\xc3\xbcller\"",
            "Zo\xc3\xab M\xc3\xbcller (123)");
        row("AT+CPBR=3", "+CPBR: 3,\"\",129,\"Voicemail\"", "Voicemail ()");   // no number
        row("AT+CPBR=1", "+CPBR: 12345678901,\"1\",129,\"X\"", "");   // no index comma near
        row("AT+CPBR=1", "+CPBR: 1,\"+39\",145,\"Anna", "");
        row("AT^SDBR=1", "^SDBR: 1,\"0612345\",129,\"Bob\"", "^Bob -Office- (0612345)");
        row("AT^SDBR=120", "^SDBR: 0,\"1\",129,\"Al\"\r\n^SDBR: 2,\"+2\",145,\"Al\",0,\"OK\"\r\n"
            "^SDBR: 3,\"3\",129,\"Al\"", "^Al -Home- (1)|Al -Mobile- (+2)|Al -Fax- (3)");
        row("AT^SDBR=1", "^SDBR: 4,\"1\",129,\"Caf\xc3\xa9, Bar\"\r\n^SDBR: x,\"2\",129,\"A\"",
            "^Caf\xc3\xa9, Bar -Other- (1)|A -Other- (2)");
        row("AT^SDBR=1", "^SDBR: 0,\"1\",129,\"A\"\r\n^SDBR: 1,\"2,129,B\r\n"
            "^SDBR: 2,\"3\",129,\"C\"", "^A -Home- (1)");
        row("AT^SDBR=1", "^SDBR: 0 \"1\" 129 \"A\"", "^");
        int n = 0;   // empty positions, a select, truncated replies, nothing
        for (const char *reply : {"AT+CPBR=2\r\r\nOK\r\n", "AT+CPBS=SM\r\r\nOK\r\n",
                                  "AT^SDBR=2\r\r\n+CME ERROR: 22\r\n",
                                  "AT^SDBR=1\r\r\n^SDBR: 1,\"0", "AT+CPBR=1\r\r\n+CPBR: 1,\"+3",
                                  ""})
            QTest::addRow("no-entry-%d", ++n) << S(reply) << QString();
        QTest::newRow("echo-off") << S("\r\n+CPBR: 4,\"+3955\",145,\"Eve\"\r\n\r\nOK\r\n")
                                  << S("Eve (+3955)");
    }
    void parsers()   // "^" marks an address-book reply
    {
        QFETCH(QString, reply); QFETCH(QString, entries);
        QCOMPARE(Phonebook::ParsePhonebookEntry(reply).value_or(QString()),
                 entries.startsWith(u'^') ? QString() : entries);
        QCOMPARE(Phonebook::ParseAddressBookEntries(reply).join(u'|'),
                 entries.startsWith(u'^') ? entries.mid(1) : QString());
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("phone");      // changes to phonebooks.json
        QTest::addColumn<QString>("actions");       // the user's, at ms after Upload
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<int>("endsAt");            // ms after Upload; 0: not checked
        const auto row = [](const char *name, const char *phone, const char *actions,
                            const char *commands, const char *entries, const QString &boxes,
                            int endsAt) {
            QTest::newRow(name) << QByteArray(phone) << S(actions) << S(commands) << S(entries)
                                << boxes << endsAt;
        };
        const char *all = "SM1-8 ME1-5 AB1-6";
        const QString error = S("Command didn't accept by mobile");
        const QString late = S(" could not be read: the phone did not answer in time. The other "
                               "entries are in the list; Upload again to try once more.");
        // Stages start on the status ticks at 1, 3 and 5 s: 200 ms a SIM or phone position,
        // 150 ms an address-book position, one more tick to see the last answer.
        row("every-entry", "", "", all, "1-22", {}, 6000);
        row("slow-chunked", R"({"timing": {"commandLatencyMs": {"AT+CPBR": 350, "AT^SDBR": 350},
            "chunks": 3, "chunkGapMs": 5}})", "", all, "1-22", {}, 0);
        row("not-found-gaps", R"({"simPhonebook": {"emptyRead": "notFound"}, "phonePhonebook":
            {"emptyRead": "notFound"}, "addressBook": {"emptyRead": "notFound"}})", "", all,
            "1-22", {}, 6000);
        // SIM 3 is given up on 5 s after it was asked for, and all else follows.
        row("never-answers", R"({"faults": {"errors": [{"command": "AT+CPBR=3", "reply": ""}]}})",
            "", all, "1-22 !Doe", S("1 position of the SIM phonebook") + late, 11000);
        row("answers-too-late", R"({"timing": {"commandLatencyMs": {"AT+CPBR=3": 5500}}})", "",
            all, "1-22 !Doe !Dott", S("1 position of the SIM phonebook and 1 position of the "
                                     "phone's phonebook") + late, 0);
        row("error-in-sim", R"({"faults": {"errors": [{"command": "AT+CPBR=4"}]}})", "",
            "SM1-4", "1-3", error, 1805);
        row("error-in-phone", R"({"faults": {"errors": [{"command": "AT+CPBR=2", "occurrence": 2,
            "reply": "+CME ERROR: 21"}]}})", "", "SM1-8 ME1-2", "1-7", error, 3405);
        row("error-in-address-book", R"({"faults": {"errors": [{"command": "AT^SDBR=3"}]}})", "",
            "SM1-8 ME1-5 AB1-3", "1-15", error, 5305);
        row("no-address-book", R"({"addressBook": null})", "", "SM1-8 ME1-5", "1-10", {}, 5000);
        row("empty-sim", R"({"simPhonebook": {"size": 0, "entries": []}})", "", "SM ME1-5 AB1-6",
            "7-22", {}, 5000);
        // An address-book range given as empty ("(1-0)") has nothing to read.
        row("empty-address-book-range", "", "empty-range@0", "SM1-8 ME1-5", "1-10", {}, 5000);
        const QString stopped = S("The phonebook download stopped: the serial port was closed "
            "while reading the SIM phonebook (position 2 of 8). The entries read so far are in "
            "the list.");
        row("port-closed", "", "close@1500", "SM1-2", "1-2", stopped, 1600);
        row("line-dropped", "", "drop@1500", "SM1-2", "1-2", stopped, 1500);   // told at once
        row("upload-twice", "", "upload@1700", "SM1-3 SM1-8 ME1-5 AB1-6", "1-22", {}, 7000);
        // Send, Store, the service-centre query and Browse SMS wait for the download.
        row("user-acts-meanwhile", "", "type@1500 send@1550", all, "1-22",
            QStringList(4, S("The phonebook is being downloaded: please wait for the download "
                             "to finish.")).join(u'\n'), 6000);
    }
    void download()
    {
        QFETCH(QByteArray, phone); QFETCH(QString, actions); QFETCH(QString, commands);
        QFETCH(QString, entries); QFETCH(QString, boxes); QFETCH(int, endsAt);
        QString why;
        const auto scenario = phonesim::ParseScenario(
            QJsonDocument(Phone({}, QJsonDocument::fromJson(phone).object())).toJson(), &why);
        QVERIFY2(scenario, qPrintable(why));
        MsgBoxRecorder shown;
        AppState state;   // as the phone search leaves it
        state.SimPhonebookSize = std::int16_t(scenario->sim.size);
        state.PhonePhonebookSize = std::int16_t(scenario->phone.size);
        state.AddressBookAvailable = scenario->addressBook.has_value();
        const auto &book = scenario->addressBook;
        state.AddressBookFirst = std::int16_t(book ? book->first : 0);
        state.AddressBookLast = std::int16_t(book ? book->last : 0);
        VirtualLine line(*scenario);
        Form1 form(state, line);
        form.Timer1->stop();
        std::multimap<qint64, QString> todo;
        for (const QString &a : actions.split(u' ', Qt::SkipEmptyParts))
            todo.emplace(a.section(u'@', 1).toLongLong(), a.section(u'@', 0, 0));
        form.Mn_Upload_Click();

        // The status timer every second, the download timer and the line, for 30 s.
        qint64 status = 1000, tick = -1, endedAt = 0;
        int interval = 0;
        bool busyBar = false;
        while (true) {
            const qint64 now = std::min({status, line.nextDue(), tick < 0 ? LLONG_MAX : tick,
                                         todo.empty() ? LLONG_MAX : todo.begin()->first});
            if (now > 30000)
                break;
            const bool running = state.PhonebookDownload;
            line.now = now;
            if (line.nextDue() <= now) {
                line.deliverDue();
            } else if (!todo.empty() && todo.begin()->first == now) {
                const QString what = todo.begin()->second;
                todo.erase(todo.begin());
                if (what == u"close")
                    line.open = false;
                else if (what == u"drop")
                    line.open = false, emit line.LineLost();
                else if (what == u"upload")
                    form.Mn_Upload_Click();
                else if (what == u"empty-range")
                    state.AddressBookLast = std::int16_t(state.AddressBookFirst - 1);
                else if (what == u"type")
                    form.Combo2->lineEdit()->setText(S("me (+39777)"));
                else
                    for (auto click : {&Form1::Command6_Click, &Form1::Command7_Click,
                                       &Form1::Command3_Click, &Form1::Command4_Click})
                        (form.*click)();
            } else if (tick == now) {
                tick += interval;
                form.Timer2_Timer();
                busyBar |= form.ProgressBar1->maximum() <= form.ProgressBar1->minimum();
            } else {
                status += 1000;
                form.Timer1_Timer();
            }
            // A download timer (re)started with a new interval ticks one interval later.
            if (!form.Timer2->isActive())
                tick = -1;
            else if (tick < 0 || form.Timer2->interval() != interval)
                tick = now + form.Timer2->interval();
            interval = form.Timer2->isActive() ? form.Timer2->interval() : 0;
            if (running && !state.PhonebookDownload)
                endedAt = now;
        }

        QStringList lines;   // each command ended by CR alone
        for (const QString &w : line.written)
            lines << (w.endsWith(u'\r') && !w.chopped(1).contains(u'\r') && !w.contains(u'\n')
                          ? w.chopped(1) : S("bad line end: ") + w);
        QCOMPARE(lines, Commands(commands));
        QCOMPARE(line.early, QStringList());
        QCOMPARE(List(form), Entries(entries));
        QCOMPARE(shown.texts().join(u'\n'), boxes);
        QVERIFY(endsAt == 0 || endedAt == endsAt);
        QVERIFY(!state.PhonebookDownload && !state.WaitSimPhonebook && !state.WaitPhonePhonebook
                && !state.WaitAddressBook && !form.Timer2->isActive() && !busyBar);
        // Only the user's typing sets the recipient; filling the list never does.
        const QString typed = actions.contains(S("type")) ? S("+39777") : QString();
        QVERIFY(form.Text4->text() == typed
                && form.Combo2->currentText().isEmpty() == typed.isEmpty());
    }

    // Over the serial port, a slow phone answering in pieces: the sizes from the phone
    // search, the commands the phone received, the list, and the list saved and loaded back
    // as it was ("Doe, John" included).
    void downloadOverSerial()
    {
        if (!QFile::exists(qEnvironmentVariable("SMS_PHONESIM")))
            QSKIP("the simulated phone (tools/phonesim) is not built");
        // Only the reads are slow: the phone search asks for the ranges as well.
        const QJsonObject slow = QJsonDocument::fromJson(R"({"timing": {"commandLatencyMs":
            {"AT+CPBR": 350, "AT^SDBR": 350, "AT+CPBR=?": 5, "AT^SDBR=?": 5}, "chunks": 3,
            "chunkGapMs": 5}})").object();
        QFile f(m_dir.filePath(S("phone.json")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QJsonDocument(Phone({}, slow)).toJson()));
        f.close();
        MsgBoxRecorder shown;
        PhonesimRunner p;
        QVERIFY2(p.start(qEnvironmentVariable("SMS_PHONESIM"), f.fileName()), qPrintable(p.error));
        QCOMPARE(S("%1 %2 %3-%4").arg(p.state.SimPhonebookSize).arg(p.state.PhonePhonebookSize)
                     .arg(p.state.AddressBookFirst).arg(p.state.AddressBookLast), S("8 5 1-6"));
        const qsizetype from = p.commands().size();
        p.form->Mn_Upload->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!p.state.PhonebookDownload, 30000);
        QTest::qWait(100);   // the transcript's last lines
        QCOMPARE(p.commands(from), Commands(S("SM1-8 ME1-5 AB1-6")));
        QCOMPARE(List(*p.form), kAll);
        QVERIFY(shown.shown.isEmpty() && p.form->Text4->text().isEmpty());
        p.form->Mn_Rub_Save->trigger();
        QCOMPARE(TextFile::Read(p.file(S("Rubrica.txt"))).value_or(QString()),
                 TextFile::JoinLines(kAll));
        p.form->Mn_Rub_Load->trigger();
        QCOMPARE(List(*p.form), kAll);
    }
};

QTEST_MAIN(TestPhonebook)
#include "tst_phonebook.moc"
