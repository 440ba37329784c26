// SPDX-License-Identifier: GPL-3.0-or-later
// The reply dispatcher: framing, guards, ranges, errors, browser replies, sent count, capture.
#include "app/appstate.h"
#include "app/replydispatcher.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"

#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using Info = DispatcherView::Info;
using namespace Qt::StringLiterals;

namespace {
/// Echo, CR CR LF, information line, CR LF, blank line, result: the phone's framing.
QString Framed(const QString &command, const QString &info, const QString &result = u"OK"_s)
{
    return command + u"\r\r\n"_s + (info.isEmpty() ? QString() : info + u"\r\n\r\n"_s) + result
        + u"\r\n"_s;
}
QString S(const char *s) { return QString::fromUtf8(s); }

/// A dispatcher view that keeps the label texts in memory.
class RecordingView : public DispatcherView
{
public:
    QString infoText(Info which) const override { return info.value(which); }
    void setInfoText(Info which, const QString &text) override { info[which] = text; }
    QString sentCountText() const override { return text6; }
    QString messagesNeededText() const override { return label14; }
    void setSentCountText(const QString &text) override { text6 = text; }
    void setServiceCentreText(const QString &) override {}
    void messageReadReply(const QString &buffer) override { browserReplies << buffer; }

    QMap<Info, QString> info;   // the labels
    QStringList browserReplies;
    QString text6 = QStringLiteral("0");
    QString label14 = QStringLiteral("0");
};
} // namespace

class TestReplyDispatcher : public QObject
{
    Q_OBJECT

    struct Rig
    {
        AppState state;
        FakePhonePort port;
        RecordingView view;
        ReplyDispatcher d{state, port, view};
        Rig() { port.setPortOpen(true); }
        /// Delivers `text` in pieces of `piece` characters (0: whole), one event each.
        void deliver(const QString &text, int piece = 0)
        {
            for (qsizetype i = 0; i < text.size(); i += piece > 0 ? piece : text.size()) {
                port.deliver(text.mid(i, piece > 0 ? piece : -1));
                d.OnComm();
            }
        }
    };

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { Seams::setProgramFolder(m_dir.path()); }

    void tailTests()
    {
        const char *rows[][2] = {   // buffer, what it ends with
            {"AT\r\r\nOK\r\n", "ok"}, {"AT\r\r\nOK", ""}, {"AT+X\r\r\nERROR\r\n", "error"},
            {"AT+CMGS=18\r\r\n+CMS ERROR: 304\r\n", "error"},
            {"AT+CPBR=999\r\r\n+CME ERROR: 21\r\n", "error"}, {"AT+CMGS=18\r\r\n+CMS ERROR: ", ""},
            {"AT+CGMM\r\r\n+CMS ERROR: phone\r\n\r\nOK\r\n", "ok"},
            {"AT+CMGS=20\r\r\n> ", "prompt"}, {"OK", ""}, {"", ""}};
        for (const auto &r : rows) {
            const QString b = S(r[0]);
            QCOMPARE(S(Reply::EndsWithOk(b) ? "ok" : "") + S(Reply::EndsWithError(b) ? "error" : "")
                         + S(Reply::EndsWithPrompt(b) ? "prompt" : ""), S(r[1]));
        }
    }

    // Probing steps take any ERROR as "No"; elsewhere it stops every chain, even re-looked at.
    void errorReplies_data()
    {
        QTest::addColumn<QString>("result");
        for (const char *result : {"ERROR", "+CMS ERROR: 302", "+CME ERROR: 4"})
            QTest::newRow(result) << S(result);
    }
    void errorReplies()
    {
        QFETCH(QString, result);
        MsgBoxRecorder boxes;
        Rig p;
        p.state.WaitMessageStorage = true;
        p.deliver(Framed(S("AT+CPMS=MT"), {}, result));
        QVERIFY(!p.state.MessageStorageAvailable && p.state.WaitAddressBookRange);
        p.deliver(Framed(S("AT^SDBR=?"), {}, result), 4);
        QCOMPARE(p.view.info[Info::MessageStorage] + p.view.info[Info::AddressBook], S("NoNo"));
        QVERIFY(!p.state.AddressBookAvailable && p.state.WaitSimPhonebookRange);
        QVERIFY(boxes.shown.isEmpty());

        Rig r;
        r.state.WaitModel = r.state.SendActive = r.state.WaitSendOk1 = true;
        r.state.PhonebookDownload = r.state.WaitAddressBook = true;
        r.state.SentCount = 9;
        Seams::SetPointer(Seams::Pointer::Hourglass);
        r.deliver(S("\x1a\r\n") + result + S("\r\n"), 5);
        QCOMPARE(boxes.texts(), QStringList{S("Command didn't accept by mobile")});
        const Seams::MsgBoxCall &box = boxes.shown[0];
        QVERIFY(box.title == S("Error.") && box.icon == Seams::MsgIcon::Critical
                && box.buttons == Seams::MsgButtons::OK);
        QVERIFY(!r.state.WaitModel && !r.state.SendActive && !r.state.WaitSendOk1);
        QVERIFY(!r.state.PhonebookDownload && !r.state.WaitAddressBook);   // the address book too
        QCOMPARE(r.state.SentCount, 9);
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
        QVERIFY(r.port.writes.isEmpty());
        r.port.emptyEvent();
        r.d.OnComm();
        QCOMPARE(boxes.shown.size(), 2);
    }

    // A read or a delete of the message browser gets its reply, an error too; only the
    // delete's error is also the phone's refusal for the user to see.
    void browserReplies_data()
    {
        QTest::addColumn<QString>("awaited");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("handed");
        QTest::addColumn<bool>("box");
        const QString read = S("AT+CMGR=2\r\r\n"), del = S("AT+CMGD=2\r\r\n");
        const struct { const char *name, *awaited; QString reply; bool handed, box; } rows[] = {
            {"read-ok", "read", Framed(S("AT+CMGR=1"), S("+CMGR: 1,,5\r\n00")), true, false},
            {"read-gap", "read", read + S("+CMS ERROR: 321\r\n"), true, false},
            {"read-error", "read", read + S("ERROR\r\n"), true, false},
            {"read-unfinished", "read", read + S("+CMS ERROR: 3"), false, false},
            {"delete-ok", "delete", del + S("OK\r\n"), true, false},
            {"delete-refused", "delete", del + S("ERROR\r\n"), true, true},
            {"delete-cms", "delete", del + S("+CMS ERROR: 321\r\n"), true, true},
            {"nothing-awaited", "", del + S("OK\r\n"), false, false}};
        for (const auto &row : rows)
            QTest::newRow(row.name) << S(row.awaited) << row.reply << row.handed << row.box;
    }
    void browserReplies()
    {
        QFETCH(QString, awaited);
        QFETCH(QString, reply);
        QFETCH(bool, handed);
        QFETCH(bool, box);
        MsgBoxRecorder boxes;
        Rig r;
        r.state.WaitReadReply = awaited == S("read");
        r.state.WaitDeleteReply = awaited == S("delete");
        r.deliver(reply, 4);
        QCOMPARE(r.view.browserReplies.value(0), handed ? reply : QString());
        QCOMPARE(boxes.texts(),
                 box ? QStringList{S("Command didn't accept by mobile")} : QStringList());
    }

    // The send chain sees buffers longer than six characters only.
    void sendChainLengthGuard()
    {
        const struct { const char *buffer; bool reached; } rows[] = {
            {"xxOK\r\n", false}, {"xxxOK\r\n", true}, {"AT+CM> ", true}, {"xxxxxxx", false}};
        for (const auto &row : rows) {
            Rig r;
            r.state.WaitServiceCentre = true;   // the first thing the send step handles
            r.deliver(S(row.buffer));
            QVERIFY2(r.state.WaitServiceCentre != row.reached, row.buffer);
        }
    }

    // Text6 + Label14, clamped to 16 bits, shown at once and written to Sent.txt.
    void sentConfirmationCounts()
    {
        const struct { const char *text6, *label14; int count; } rows[] = {
            {"5", "2", 7}, {"", "1", 1}, {"32767", "3", 32767}, {"99999999", "1", 32767}};
        for (const auto &row : rows) {
            MsgBoxRecorder boxes;
            Rig r;
            r.view.text6 = S(row.text6);
            r.view.label14 = S(row.label14);
            r.state.WaitSentOk = true;
            Seams::SetPointer(Seams::Pointer::Hourglass);
            r.deliver(S("\x1a\r\n+CMGS: 12\r\n\r\nOK\r\n"), 3);
            QVERIFY(!r.state.WaitSentOk);
            QCOMPARE(int(r.state.SentCount), row.count);
            QCOMPARE(r.view.text6, QString::number(row.count));   // not at the next tick
            QCOMPARE(boxes.texts(), QStringList{S("Messagge sent")});
            QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
            QCOMPARE(TextFile::Read(Seams::ProgramFile(S("Sent.txt"))).value_or(S("<none>")),
                     S(" %1 \r\n").arg(row.count));
        }
    }

    void rangeParse()
    {
        const char *rows[][2] = {   // info; firstText|lastText|first|last|complete
            {"^SDBR: (1-100),20,14", "1|100|1|100|1"},
            {"+CPBR: (250),40", "250),40\r\n\r\nOK\r\n||250|0|0"},
            {"+CPBR: (1-250", "1|250\r\n\r\nOK\r\n|1|250|0"},
            {"+CPBR: (1-99999)", "1|99999|1|32767|1"}};
        for (const auto &row : rows) {
            const ReplyRange r = Reply::ParseRange(Framed(S("AT+CPBR=?"), S(row[0])));
            QCOMPARE(S("%1|%2|%3|%4|%5").arg(r.firstText, r.lastText).arg(r.first).arg(r.last)
                         .arg(int(r.complete)),
                     S(row[1]));
        }
        // A range reply without "-" sets no size larger than what the phone said. (The chain's
        // other replies are checked in one-byte pieces and whole in the end-to-end tests.)
        Rig g;
        g.state.WaitSimPhonebookRange = true;
        g.state.SimPhonebookSize = 1;
        g.deliver(Framed(S("AT+CPBR=?"), S("+CPBR: garbage")), 3);
        QVERIFY(!g.state.WaitSimPhonebookRange && g.state.SimPhonebookSize == 0);
        QVERIFY(g.view.info[Info::SimPhonebook].startsWith(S("From position ")));
    }

    // While downloading, a reply of 12+ characters ending in OK leaves the buffer.
    void phonebookCapture()
    {
        const QString entry = Framed(S("AT+CPBR=1"), S("+CPBR: 1,\"+3912345\",145,\"Anna\""));
        const struct { const char *stage; QString buffer; bool ready, taken; } rows[] = {
            {"sim", entry, true, true}, {"phone", S("AT+CPBS=ME\r\r\nOK\r\n"), true, true},
            {"ab", entry, true, true}, {"sim", entry.left(30), false, false},
            {"sim", S("+CPBS\r\nOK\r\n"), true, false}, {"", entry, true, false},
            {"phone", S("AT+CPBR=2\r\r\n+CME ERROR: 22\r\n"), true, true},   // empty position
            {"ab", S("AT^SDBR=2\r\r\n+CME ERROR: not found\r\n"), true, true},
            {"sim", S("AT+CPBR=2\r\r\n+CME ERROR: 21\r\n"), false, false}};
        for (const auto &row : rows) {
            AppState s;
            s.WaitSimPhonebook = QLatin1String(row.stage) == QLatin1String("sim");
            s.WaitPhonePhonebook = QLatin1String(row.stage) == QLatin1String("phone");
            s.WaitAddressBook = QLatin1String(row.stage) == QLatin1String("ab");
            s.PhonebookReplyReady = true;
            QString b = row.buffer;
            CapturePhonebookReply(s, b);
            QCOMPARE(s.PhonebookReplyReady, row.ready);
            QCOMPARE(s.PhonebookReply + u'|' + b,
                     row.taken ? row.buffer + u'|' : u'|' + row.buffer);
        }
    }

    // Input arriving while a message box waits is kept and looked at after the box.
    void inputDuringMessageBoxIsNotLost()
    {
        Rig r;
        int boxes = 0;
        Seams::setMsgBoxHandler([&](const Seams::MsgBoxCall &) {
            if (++boxes == 1)
                r.deliver(S("AT\r\r\nOK\r\n"));
            return Seams::MsgResult::OK;
        });
        r.deliver(Framed(S("AT+CGMM"), {}, S("ERROR")));
        Seams::setMsgBoxHandler({});
        QVERIFY(boxes == 1 && r.d.buffer().endsWith(S("AT\r\r\nOK\r\n")));
    }
};

QTEST_GUILESS_MAIN(TestReplyDispatcher)
#include "tst_replydispatcher.moc"
