// SPDX-License-Identifier: GPL-3.0-or-later
// The phonebook replies and the download on an arbitrary phone. Entries are made of the
// reply's quoted fields and the fixed labels, one per response line at most; replies are
// cut at their final result; the download writes a command only once the last one is
// answered or given up on, reads each position of its stage once and in order, keeps its
// progress within the bar, and ends.
//
// Input: 12 header octets, then the characters the phone sends (also the parsers' reply).
//   0     bit 0 address book available, bit 1 the phone echoes commands, bit 2 once the
//         input is used up the phone answers "OK" to every command (else it stays silent),
//         bits 3-5 odds of a timer event against a piece of input, bits 6-7 odds of the
//         user's Upload again (or, one time in four, of the line dropping)
//   1-2   SIM phonebook size, 3-4 phone phonebook size (16-bit signed, little-endian)
//   5-6   first, 7-8 last address-book position
//   9     largest piece (0: all input in one piece)
//   10    seed of the piece sizes and choices
//   11    left over from an earlier download: bit 0 a reply ready, bits 1-6 the index;
//         bit 7 the phone answers in turn: each command it receives lets out its next reply
//         (the text cut after each final result), else the text comes regardless
#include "app/appstate.h"
#include "app/phoneport.h"
#include "app/replydispatcher.h"
#include "app/seams.h"
#include "fuzzcheck.h"
#include "phonebook/phonebookdownload.h"
#include "phonebook/phonebookparse.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kCpbr = QStringLiteral("+CPBR:");
const QString kSdbr = QStringLiteral("^SDBR:");

/// The lines of a text: CR and LF each end one; empty lines are left out.
QList<QStringView> Lines(QStringView text)
{
    QList<QStringView> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r' && text[i] != u'\n')
            continue;
        if (i > start)
            out << text.mid(start, i - start);
        start = i + 1;
    }
    return out;
}

bool IsFinal(QStringView line)
{
    return line == u"OK" || line == u"ERROR" || line.startsWith(u"+CME ERROR:")
           || line.startsWith(u"+CMS ERROR:");
}

bool IsEcho(QStringView line) { return line.startsWith(u"AT", Qt::CaseInsensitive); }

/// The quoted fields of a response line (after its prefix) where the layout puts them:
/// the number in the first quotes after the first comma, the name in the next quotes.
struct Quoted
{
    qsizetype comma = -1;
    QString number;
    QString name;
    bool complete = false;   ///< blanks only between comma and number, four quotes
};

Quoted QuotedFields(QStringView rest)
{
    Quoted q;
    q.comma = rest.indexOf(u',');
    if (q.comma < 0)
        return q;
    const qsizetype q1 = rest.indexOf(u'"', q.comma + 1);
    const qsizetype q2 = q1 < 0 ? -1 : rest.indexOf(u'"', q1 + 1);
    const qsizetype q3 = q2 < 0 ? -1 : rest.indexOf(u'"', q2 + 1);
    const qsizetype q4 = q3 < 0 ? -1 : rest.indexOf(u'"', q3 + 1);
    if (q4 < 0)
        return q;
    q.number = rest.mid(q1 + 1, q2 - q1 - 1).toString();
    q.name = rest.mid(q3 + 1, q4 - q3 - 1).toString();
    const QStringView gap = rest.mid(q.comma + 1, q1 - q.comma - 1);
    q.complete = std::all_of(gap.begin(), gap.end(), [](QChar c) { return c == u' '; });
    return q;
}

/// The category 0 to 3 written before the first comma (blanks around it), else -1.
int Category(QStringView text)
{
    static const QRegularExpression known(QStringLiteral("^0?[0-3]$"));
    const QStringView digits = text.trimmed();
    return known.match(digits.toString()).hasMatch() ? digits.right(1).toInt() : -1;
}

QString Label(int category)
{
    static const char *const kLabels[] = {"-Home- (", "-Office- (", "-Mobile- (", "-Fax- ("};
    return category < 0 ? QStringLiteral("-Other- (") : QLatin1String(kLabels[category]);
}

/// A +CPBR entry: the name and number quoted in its line, around " (" and ")".
void CheckPhonebookEntry(const QString &reply)
{
    const std::optional<QString> entry = Phonebook::ParsePhonebookEntry(reply);
    QStringView line;
    for (QStringView l : Lines(reply)) {
        if (l.startsWith(kCpbr)) {
            line = l;
            break;
        }
    }
    if (line.isNull()) {
        FUZZ_CHECK(!entry);
        return;
    }
    const Quoted q = QuotedFields(line.mid(kCpbr.size()));
    // An index of up to five digits and a blank is always close enough to its comma.
    if (q.complete && q.comma <= 6)
        FUZZ_CHECK(entry);
    if (!entry)
        return;
    FUZZ_CHECK(q.complete);
    FUZZ_CHECK(*entry == q.name + QStringLiteral(" (") + q.number + QLatin1Char(')'));
    // Written back into a reply of the usual layout, the fields give the same entry.
    const QString again = QStringLiteral("AT+CPBR=7\r\r\n+CPBR: 7,\"") + q.number
                          + QStringLiteral("\",129,\"") + q.name
                          + QStringLiteral("\"\r\n\r\nOK\r\n");
    FUZZ_CHECK(Phonebook::ParsePhonebookEntry(again) == entry);
}

/// ^SDBR entries: one per response line, in order, until a line lacks its fields.
void CheckAddressBookEntries(const QString &reply)
{
    const QStringList entries = Phonebook::ParseAddressBookEntries(reply);
    QList<QStringView> lines;
    for (QStringView l : Lines(reply)) {
        if (l.startsWith(kSdbr))
            lines << l;
    }
    FUZZ_CHECK(entries.size() <= lines.size());
    QString again = QStringLiteral("AT^SDBR=3\r\r\n");
    for (qsizetype k = 0; k < entries.size(); ++k) {
        const QStringView rest = lines[k].mid(kSdbr.size());
        const Quoted q = QuotedFields(rest);
        FUZZ_CHECK(q.complete);
        const int category = Category(rest.left(q.comma));
        FUZZ_CHECK(entries[k] == q.name + QLatin1Char(' ') + Label(category) + q.number
                                     + QLatin1Char(')'));
        again += QStringLiteral("^SDBR: %1,\"").arg(category < 0 ? 9 : category) + q.number
                 + QStringLiteral("\",129,\"") + q.name + QStringLiteral("\",0\r\n");
    }
    if (entries.size() < lines.size())
        FUZZ_CHECK(!QuotedFields(lines[entries.size()].mid(kSdbr.size())).complete);
    FUZZ_CHECK(Phonebook::ParseAddressBookEntries(again + QStringLiteral("\r\nOK\r\n"))
               == entries);
}

/// Replies run up to their final result line and its line end; nothing complete is left.
QStringList CheckSplit(const QString &text)
{
    const QStringList replies = Phonebook::SplitReplies(text);
    const QString joined = replies.join(QString());
    FUZZ_CHECK(text.startsWith(joined));
    for (const QString &reply : replies) {
        FUZZ_CHECK(reply.endsWith(u'\n') || reply.endsWith(u'\r'));
        const QList<QStringView> lines = Lines(reply);
        FUZZ_CHECK(!lines.isEmpty() && IsFinal(lines.last()));
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            FUZZ_CHECK(!IsFinal(lines[i]));
        // The echo of the command it answers, written last, makes it answer that command.
        for (const QString &command : {QStringLiteral("AT+CPBR=12"), QStringLiteral("AT^SDBR=3")}) {
            const QString echoed = reply + command + QStringLiteral("\r\r\nOK\r\n");
            FUZZ_CHECK(Phonebook::AnswersCommand(echoed, command));
            FUZZ_CHECK(!Phonebook::AnswersCommand(echoed, command + QLatin1Char('0')));
            if (std::none_of(lines.begin(), lines.end(), IsEcho))
                FUZZ_CHECK(Phonebook::AnswersCommand(reply, command));
        }
    }
    const QStringView rest = QStringView(text).mid(joined.size());
    const qsizetype lastEnd = std::max(rest.lastIndexOf(u'\r'), rest.lastIndexOf(u'\n'));
    for (QStringView line : Lines(rest.left(std::max<qsizetype>(lastEnd, 0))))
        FUZZ_CHECK(!IsFinal(line));
    return replies;
}

// ---- the download ---------------------------------------------------------------------------

struct Rig;
Rig *g_rig = nullptr;

class Port : public PhonePort
{
public:
    bool PortOpen() const override { return open; }
    bool setPortOpen(bool o) override { return std::exchange(open, o) != o; }
    bool Output(const QString &text) override;
    QString Input() override { return std::exchange(pending, {}); }

    bool open = true;
    QString pending;
};

class View : public DispatcherView
{
public:
    QString infoText(Info) const override { return {}; }
    void setInfoText(Info, const QString &) override {}
    QString sentCountText() const override { return QStringLiteral("0"); }
    QString messagesNeededText() const override { return QStringLiteral("1"); }
    void setSentCountText(const QString &) override {}
    void setServiceCentreText(const QString &) override {}
    void messageReadReply(const QString &) override {}
};

/// True when `text` may hold the answer to `command`: a line that is the command's echo,
/// or a reply (up to a final result) with no echo at all.
bool MayAnswer(QStringView text, QStringView command)
{
    bool echo = false;
    for (QStringView line : Lines(text)) {
        if (line == command)
            return true;
        echo = echo || IsEcho(line);
        if (IsFinal(line)) {
            if (!echo)
                return true;
            echo = false;
        }
    }
    return false;
}

/// The phone's replies: the text cut after each final result line and its line end.
QStringList Replies(const QString &text)
{
    QStringList out;
    qsizetype start = 0;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        const bool final = IsFinal(QStringView(text).mid(lineStart, i - lineStart));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        lineStart = i + 1;
        if (final) {
            out << text.mid(start, i + 1 - start);
            start = i + 1;
        }
    }
    if (start < text.size())
        out << text.mid(start);
    return out;
}

struct Rig
{
    AppState state;
    Port port;
    View view;
    ReplyDispatcher dispatcher{state, port, view};
    fuzz::Dice dice{0};
    QByteArray stream;
    qsizetype next = 0;
    int maxPiece = 0;
    bool echo = false;
    bool answerAll = false;   ///< the phone now answers every command with OK
    QString phoneQueue;       ///< echoes and answers not delivered yet
    bool inTurn = false;
    QStringList replies;      ///< in turn: the replies not let out yet

    qint64 now = 0;
    qint64 statusDue = 1000;
    bool timerActive = false;
    int interval = 0;
    qint64 due = 0;

    QString awaited;          ///< the last command written; empty: nothing awaited
    qint64 awaitedSince = 0;
    bool answered = true;
    QString captured;         ///< the last reply the capture took from the phone's input
    std::int16_t stage = 0;   ///< stage of the last command written
    int expected = 0;         ///< the position the next read must ask for
    int commands = 0;

    bool more() const
    {
        const bool waiting = state.PhonebookDownload || state.WaitAddressBook;
        return next < stream.size() || !phoneQueue.isEmpty() || (waiting && !replies.isEmpty());
    }

    void deliver()
    {
        QString piece;
        const auto size = [this](qsizetype left) {
            return maxPiece == 0 ? left : std::min<qsizetype>(left, 1 + dice.below(maxPiece));
        };
        if (!phoneQueue.isEmpty() && (next >= stream.size() || dice.below(2) == 0)) {
            piece = phoneQueue.left(size(phoneQueue.size()));
            phoneQueue.remove(0, piece.size());
        } else {
            const qsizetype n = size(stream.size() - next);
            piece = QString::fromLatin1(stream.mid(next, n));
            next += n;
        }
        const QString before = dispatcher.buffer();
        const bool readyBefore = state.PhonebookReplyReady;
        const QString replyBefore = state.PhonebookReply;
        port.pending += piece;
        dispatcher.OnComm();
        if (state.PhonebookReplyReady
            && (!readyBefore || state.PhonebookReply != replyBefore)) {
            // The capture takes the buffer whole, as it stands after this piece.
            FUZZ_CHECK(dispatcher.buffer().isEmpty() && state.PhonebookReply == before + piece);
            captured = state.PhonebookReply;
            if (!awaited.isEmpty() && MayAnswer(captured, awaited))
                answered = true;
        }
    }

    void setInterval(int ms)
    {
        if (ms <= 0) {
            timerActive = false;
            interval = 0;
        } else if (!timerActive || interval != ms) {
            timerActive = true;
            interval = ms;
            due = now + ms;
        }
    }

    /// The window carrying out a step; `tick` is true for a download-timer tick.
    void apply(const Phonebook::DownloadStep &step, bool tick, const QString &reply,
               bool addressBook)
    {
        if (!step.entries.isEmpty()) {
            // Entries come from a reply the phone sent, one per response line at most,
            // from the lines of the running stage's kind, one per +CPBR reply at most.
            FUZZ_CHECK(tick && !captured.isNull() && reply == captured);
            const QString &prefix = addressBook ? kSdbr : kCpbr;
            QStringList possible;
            qsizetype lines = 0;
            for (QStringView line : Lines(reply)) {
                if (!line.startsWith(prefix))
                    continue;
                ++lines;
                const QString alone = line.toString();
                possible << (addressBook ? Phonebook::ParseAddressBookEntries(alone)
                                         : QStringList(Phonebook::ParsePhonebookEntry(alone)
                                                           .value_or(QString())));
            }
            FUZZ_CHECK(step.entries.size() <= lines);
            if (!addressBook)
                FUZZ_CHECK(step.entries.size()
                           <= std::max<qsizetype>(1, Phonebook::SplitReplies(reply).size()));
            for (const QString &e : step.entries)
                FUZZ_CHECK(e.endsWith(u')') && possible.contains(e));
        }
        if (!step.command.isEmpty())
            dispatcher.writeCommand(step.command);
        if (step.interval)
            setInterval(*step.interval);
        if (step.progress)
            FUZZ_CHECK(step.progress->maximum > 0 && step.progress->value >= 0
                       && step.progress->value <= step.progress->maximum);
        if (!step.warning.isEmpty())
            FUZZ_CHECK(!state.PhonebookDownload);
    }

    void downloadTick()
    {
        const QString reply = state.PhonebookReply;
        const bool addressBook = state.WaitAddressBook;
        apply(Phonebook::DownloadTick(state, port.open, interval), true, reply, addressBook);
    }

    /// The next timer event: the status timer every second, the download timer as set.
    void advance()
    {
        if (timerActive && due <= statusDue) {
            now = due;
            due += interval;
            downloadTick();
        } else {
            now = statusDue;
            statusDue += 1000;
            const Phonebook::DownloadStep step = Phonebook::StageStep(state);
            FUZZ_CHECK(step.entries.isEmpty());
            apply(step, false, {}, false);
        }
    }

    void upload()
    {
        dispatcher.clearBuffer();
        Phonebook::StartUpload(state);
        awaited.clear();
        answered = true;
        stage = 0;
    }

    void lineLost()
    {
        port.open = false;
        if (state.WaitSimPhonebook || state.WaitPhonePhonebook || state.WaitAddressBook)
            downloadTick();
        ResetWaitFlags(state);
    }

    void checkState() const
    {
        const int running = state.WaitSimPhonebook + state.WaitPhonePhonebook
                            + state.WaitAddressBook;
        FUZZ_CHECK(running <= 1);
        // A running stage has its timer, or nothing would ever read on.
        if (running == 1 && port.open)
            FUZZ_CHECK(timerActive);
    }
};

bool Port::Output(const QString &text)
{
    if (!open)
        return false;
    Rig &r = *g_rig;
    ++r.commands;
    // One command line ended by CR alone.
    FUZZ_CHECK(text.endsWith(u'\r') && text.count(u'\r') == 1 && !text.contains(u'\n'));
    const QString command = text.chopped(1);
    // The last command was answered, or given up on after the reply time-out.
    FUZZ_CHECK(r.answered || r.now - r.awaitedSince >= Phonebook::kReplyTimeoutMs);
    const AppState &s = r.state;
    const bool newStage = s.PhonebookStage != r.stage;
    r.stage = s.PhonebookStage;
    if (command == u"AT+CPBS=SM" || command == u"AT+CPBS=ME") {
        FUZZ_CHECK(newStage);
        FUZZ_CHECK(command.endsWith(u"SM") ? s.WaitSimPhonebook : s.WaitPhonePhonebook);
        r.expected = 1;
    } else {
        static const QRegularExpression read(QStringLiteral("^AT(\\+CPBR|\\^SDBR)=(-?\\d+)$"));
        const QRegularExpressionMatch m = read.match(command);
        FUZZ_CHECK(m.hasMatch());
        const int index = m.captured(2).toInt();
        int first = 1;
        int last = 0;
        if (m.captured(1) == u"^SDBR") {
            FUZZ_CHECK(s.WaitAddressBook);
            first = s.AddressBookFirst;
            last = s.AddressBookLast;
            if (newStage)
                r.expected = first;
        } else {
            FUZZ_CHECK((s.WaitSimPhonebook || s.WaitPhonePhonebook) && !newStage);
            last = s.WaitSimPhonebook ? s.SimPhonebookSize : s.PhonePhonebookSize;
        }
        // Each position of the stage's range once, in order.
        FUZZ_CHECK(index == r.expected && index >= first && index <= last);
        r.expected = index + 1;
    }
    r.awaited = command;
    r.awaitedSince = r.now;
    r.answered = false;
    // Answering at the end, the phone echoes: "OK" alone is too short to be taken.
    if (r.echo || r.answerAll)
        r.phoneQueue += text;
    if (!r.replies.isEmpty())
        r.phoneQueue += r.replies.takeFirst();
    if (r.answerAll)
        r.phoneQueue += QStringLiteral("\r\nOK\r\n");
    return true;
}

void CheckDownload(fuzz::Input &in, const QByteArray &stream)
{
    Rig r;
    g_rig = &r;
    const std::uint8_t options = in.byte();
    r.state.AddressBookAvailable = options & 1;
    r.echo = options & 2;
    const bool answerAtEnd = options & 4;
    const int timerOdds = (options >> 3) & 7;
    const int actionOdds = options >> 6;
    r.state.SimPhonebookSize = std::int16_t(in.bits(2));
    r.state.PhonePhonebookSize = std::int16_t(in.bits(2));
    r.state.AddressBookFirst = std::int16_t(in.bits(2));
    r.state.AddressBookLast = std::int16_t(in.bits(2));
    r.maxPiece = in.byte();
    r.dice = fuzz::Dice(in.byte());
    const std::uint8_t leftOver = in.byte();
    r.state.PhonebookReplyReady = leftOver & 1;
    r.state.PhonebookReply =
        QStringLiteral("AT+CPBR=1\r\r\n+CPBR: 1,\"9\",129,\"Old\"\r\n\r\nOK\r\n");
    r.state.PhonebookIndex = std::int16_t((leftOver >> 1) & 63);
    if (leftOver & 128)
        r.replies = Replies(QString::fromLatin1(stream));
    else
        r.stream = stream;

    r.upload();
    for (int events = 0; r.more() && events < 50000; ++events) {
        if (actionOdds > 0 && r.dice.below(32) < unsigned(actionOdds)) {
            if (r.dice.below(4) == 0)
                r.lineLost();
            else
                r.upload();
        }
        const bool silent = r.phoneQueue.isEmpty() && r.next >= r.stream.size();
        if (silent || int(r.dice.below(8)) < timerOdds)
            r.advance();
        else
            r.deliver();
        r.checkState();
    }

    // The download ends by itself: every position answered, or given up on, in time. A long
    // one is only followed for a while.
    const auto span = [](std::int16_t first, std::int16_t last) {
        return std::max(0, int(last) - int(first) + 1);
    };
    const AppState &s = r.state;
    const int positions = span(1, s.SimPhonebookSize) + span(1, s.PhonePhonebookSize)
                          + (s.AddressBookAvailable ? span(s.AddressBookFirst, s.AddressBookLast)
                                                    : 0);
    const bool followed = positions <= (answerAtEnd ? 200 : 6);
    r.answerAll = answerAtEnd;
    if (answerAtEnd && !r.awaited.isEmpty())
        r.phoneQueue += r.awaited + QStringLiteral("\r\r\nOK\r\n");
    const qint64 deadline =
        r.now + 4000 + qint64(positions + 3) * (Phonebook::kReplyTimeoutMs + 300);
    for (int events = 0; (s.PhonebookDownload || s.WaitSimPhonebook || s.WaitPhonePhonebook
                          || s.WaitAddressBook || r.timerActive)
                         && r.now <= deadline && (followed || events < 2000);
         ++events) {
        if (!r.phoneQueue.isEmpty())
            r.deliver();
        else
            r.advance();
        r.checkState();
    }
    FUZZ_CHECK(!followed || r.now <= deadline);
    g_rig = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Seams::setMsgBoxHandler([](const Seams::MsgBoxCall &call) { return call.defaultButton; });
    fuzz::Input in(data, size);
    fuzz::Input header = in;
    for (int i = 0; i < 12; ++i)
        in.byte();
    const QByteArray stream = in.rest();
    const QString text = QString::fromLatin1(stream);
    CheckPhonebookEntry(text);
    CheckAddressBookEntries(text);
    CheckSplit(text);
    CheckDownload(header, stream);
    Seams::setMsgBoxHandler({});
    return 0;
}
