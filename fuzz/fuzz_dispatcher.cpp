// SPDX-License-Identifier: GPL-3.0-or-later
// The reply dispatcher fed arbitrary replies, cut into arbitrary pieces, under arbitrary
// wait flags, with the user starting sends and stores between pieces and message boxes
// that let more input arrive while they are open.
//
// Input: 10 header octets (below), then the characters the phone sends.
//   0-4  wait flags, one bit each in the order of kFlags
//   5    bits 0-1 SIM phonebook size, 2-3 phone phonebook size, 4-6 message parts
//   6    bit 0 port closed, bits 1-3 odds of input arriving while a box is open,
//        bits 4-7 odds of a user action between pieces
//   7    largest piece (0: all input in one piece)
//   8    seed of the piece sizes and choices
//   9    bits 0-2 text of the sent-count box, bits 3-5 messages the text needed
#include "app/appstate.h"
#include "app/phoneport.h"
#include "app/replydispatcher.h"
#include "app/seams.h"
#include "app/settingsfile.h"
#include "compose/sendworkflow.h"
#include "fuzzcheck.h"

#include <QHash>
#include <QTemporaryDir>

#include <array>

namespace {

constexpr bool AppState::*kFlags[] = {
    &AppState::WaitAtReply, &AppState::WaitManufacturer, &AppState::WaitModel,
    &AppState::WaitFirmware, &AppState::WaitImei, &AppState::WaitImsi,
    &AppState::WaitMessageStorage, &AppState::WaitAddressBookRange,
    &AppState::WaitSimPhonebookRange, &AppState::WaitPhonePhonebookRange,
    &AppState::WaitServiceCentre, &AppState::StoreActive, &AppState::SendActive,
    &AppState::WaitStorePrompt1, &AppState::WaitStorePrompt2, &AppState::WaitStorePrompt3,
    &AppState::WaitStorePrompt4, &AppState::WaitStorePrompt5, &AppState::WaitStoreOk1,
    &AppState::WaitStoreOk2, &AppState::WaitStoreOk3, &AppState::WaitStoreOk4,
    &AppState::WaitSendPrompt1, &AppState::WaitSendPrompt2, &AppState::WaitSendPrompt3,
    &AppState::WaitSendPrompt4, &AppState::WaitSendPrompt5, &AppState::WaitSendOk1,
    &AppState::WaitSendOk2, &AppState::WaitSendOk3, &AppState::WaitSendOk4,
    &AppState::WaitSentOk, &AppState::WaitReadReply, &AppState::PhonebookDownload,
    &AppState::WaitSimPhonebook, &AppState::WaitPhonePhonebook, &AppState::WaitAddressBook,
    &AppState::PhonebookReplyReady,
};
constexpr int kFlagCount = int(sizeof kFlags / sizeof kFlags[0]);

bool IsReadOrAddressBook(bool AppState::*f)
{
    // The two flags the generic error path leaves alone.
    return f == &AppState::WaitReadReply || f == &AppState::WaitAddressBook;
}

/// Flags that mark an awaited reply or a running chain (everything but the ready mark).
int RaisedWaits(const AppState &s)
{
    int n = 0;
    for (bool AppState::*f : kFlags)
        n += f != &AppState::PhonebookReplyReady && s.*f;
    return n;
}

const std::array<QString AppState::*, 5> kPdus = {&AppState::Pdu1, &AppState::Pdu2,
                                                 &AppState::Pdu3, &AppState::Pdu4,
                                                 &AppState::Pdu5};

struct Rig;
Rig *g_rig = nullptr;

class Port : public PhonePort
{
public:
    bool PortOpen() const override { return open; }
    bool setPortOpen(bool o) override
    {
        const bool was = open;
        open = o;
        return o ? !was : was;
    }
    bool Output(const QString &text) override;
    QString Input() override
    {
        QString out;
        out.swap(pending);
        return out;
    }

    bool open = true;
    QString pending;
};

class View : public DispatcherView
{
public:
    QString infoText(Info which) const override { return info.value(int(which)); }
    void setInfoText(Info which, const QString &text) override;
    QString sentCountText() const override { return text6; }
    QString messagesNeededText() const override { return label14; }
    void setSentCountText(const QString &text) override { text6 = text; }
    void setServiceCentreText(const QString &number) override;
    void messageReadReply(const QString &buffer) override;

    QHash<int, QString> info;
    QString text6;
    QString label14;
};

struct Rig
{
    AppState state;
    Port port;
    View view;
    ReplyDispatcher dispatcher{state, port, view};
    fuzz::Dice dice{0};
    QString received;     ///< everything delivered so far
    QByteArray stream;    ///< input not delivered yet
    qsizetype next = 0;
    int maxPiece = 0;
    int reentryOdds = 0;
    int actionOdds = 0;
    int events = 0;       ///< OnComm calls in the current delivery, nested ones included
    int writes = 0;       ///< writes in the current delivery
    int depth = 0;        ///< > 0 while the dispatcher runs
    bool errorShown = false;

    bool more() const { return next < stream.size(); }
    QString takePiece()
    {
        const qsizetype left = stream.size() - next;
        const qsizetype n =
            maxPiece == 0 ? left : std::min<qsizetype>(left, 1 + dice.below(maxPiece));
        const QString piece = QString::fromLatin1(stream.mid(next, n));
        next += n;
        return piece;
    }
    void event(const QString &piece)
    {
        received += piece;
        port.pending += piece;
        ++events;
        ++depth;
        dispatcher.OnComm();
        --depth;
        // The buffer only ever holds the latest input: nothing is made up or kept twice.
        FUZZ_CHECK(received.endsWith(dispatcher.buffer()));
    }
};

bool Port::Output(const QString &text)
{
    if (!open)
        return false;
    Rig &r = *g_rig;
    ++r.writes;
    FUZZ_CHECK(!text.isEmpty());
    if (text.endsWith(QLatin1Char('\x1A'))) {
        // A message goes out only as a whole slot, and only when the phone has asked for it.
        const QString body = text.chopped(1);
        bool known = false;
        for (QString AppState::*pdu : kPdus)
            known = known || (!(r.state.*pdu).isEmpty() && r.state.*pdu == body);
        FUZZ_CHECK(known);
        FUZZ_CHECK(r.depth > 0 && Reply::EndsWithPrompt(r.dispatcher.buffer()));
        return true;
    }
    // A command is one line: printable text and a single CR at its end.
    FUZZ_CHECK(text.endsWith(QLatin1Char('\r')));
    FUZZ_CHECK(text.startsWith(QLatin1String("AT")));
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        FUZZ_CHECK(text.at(i).unicode() >= 0x20 && text.at(i).unicode() < 0x7F);
    if (r.depth > 0) {
        if (text.startsWith(QLatin1String("AT+CMG")))   // the next part after the OK
            FUZZ_CHECK(Reply::EndsWithOk(r.dispatcher.buffer()));
        else   // the range question after AT+CPBS, on an emptied buffer
            FUZZ_CHECK(text == QLatin1String("AT+CPBR=?\r") && r.dispatcher.buffer().isEmpty());
    }
    return true;
}

void View::setInfoText(Info which, const QString &text)
{
    // A label shows what the reply held, with a few fixed words: never more.
    const qsizetype before = info.value(int(which)).size();
    FUZZ_CHECK(text.size() <= before + g_rig->dispatcher.buffer().size() + 32);
    info[int(which)] = text;
}

void View::setServiceCentreText(const QString &number)
{
    const Rig &r = *g_rig;
    FUZZ_CHECK(!number.isEmpty() && !number.contains(QLatin1Char('"')));
    FUZZ_CHECK(r.dispatcher.buffer().contains(number + QLatin1Char('"')));
    FUZZ_CHECK(r.state.ServiceCentre == number && !r.state.WaitServiceCentre);
}

void View::messageReadReply(const QString &buffer)
{
    Rig &r = *g_rig;
    FUZZ_CHECK(r.state.WaitReadReply && Reply::EndsWithOk(buffer));
    FUZZ_CHECK(buffer == r.dispatcher.buffer());
    r.state.WaitReadReply = false;   // as the browser does once it has the message
}

Seams::MsgResult OnBox(const Seams::MsgBoxCall &call)
{
    Rig &r = *g_rig;
    if (call.text == QLatin1String("Command didn't accept by mobile")) {
        // Flags come down before the box waits for the user.
        for (bool AppState::*f : kFlags)
            FUZZ_CHECK(IsReadOrAddressBook(f) || !(r.state.*f));
        r.errorShown = true;
    } else if (call.text == QLatin1String("Messagge sent")) {
        FUZZ_CHECK(!r.state.WaitSentOk);
        FUZZ_CHECK(r.view.text6 == QString::number(r.state.SentCount));
        // The count on disk is the count shown.
        FUZZ_CHECK(SettingsFile::ReadSentCount() == r.state.SentCount);
    }
    // The box's event loop lets the phone's next characters in.
    if (r.more() && r.reentryOdds > 0 && int(r.dice.below(8)) < r.reentryOdds)
        r.event(r.takePiece());
    return call.defaultButton;
}

void UserAction(Rig &r)
{
    switch (r.dice.below(5)) {
    case 0:
        r.dispatcher.clearBuffer();
        Compose::StartSend(r.state, r.port);
        break;
    case 1:
        r.dispatcher.clearBuffer();
        Compose::StartStore(r.state, r.port);
        break;
    case 2:
        r.dispatcher.clearBuffer();
        Compose::StartServiceCentreQuery(r.state, r.port);
        break;
    case 3:
        ResetWaitFlags(r.state);
        break;
    default:
        r.event(QString());   // an event with nothing new re-examines the buffer
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir folder;   // Sent.txt is rewritten on every confirmed send
    Seams::setProgramFolder(folder.path());
    Seams::setMsgBoxHandler(OnBox);

    fuzz::Input in(data, size);
    Rig r;
    g_rig = &r;

    const std::uint64_t flags = in.bits(5);
    for (int i = 0; i < kFlagCount; ++i)
        r.state.*kFlags[i] = (flags >> i) & 1;
    const std::uint8_t sizes = in.byte();
    static constexpr std::int16_t kSim[] = {0, 1, 200, 32767};
    static constexpr std::int16_t kPhone[] = {0, 1, 50, -5};
    r.state.SimPhonebookSize = kSim[sizes & 3];
    r.state.PhonePhonebookSize = kPhone[(sizes >> 2) & 3];
    const int parts = 1 + ((sizes >> 4) & 7) % 5;
    QString AppState::*const userData[] = {&AppState::UserData1, &AppState::UserData2,
                                           &AppState::UserData3, &AppState::UserData4,
                                           &AppState::UserData5};
    int AppState::*const lengths[] = {&AppState::PduLength1, &AppState::PduLength2,
                                      &AppState::PduLength3, &AppState::PduLength4,
                                      &AppState::PduLength5};
    bool AppState::*const prompts[][5] = {
        {&AppState::WaitStorePrompt1, &AppState::WaitStorePrompt2, &AppState::WaitStorePrompt3,
         &AppState::WaitStorePrompt4, &AppState::WaitStorePrompt5},
        {&AppState::WaitSendPrompt1, &AppState::WaitSendPrompt2, &AppState::WaitSendPrompt3,
         &AppState::WaitSendPrompt4, &AppState::WaitSendPrompt5}};
    for (int k = 0; k < 5; ++k) {
        if (k < parts) {
            r.state.*userData[k] = QStringLiteral("C8329BFD06");
            r.state.*kPdus[k] = QStringLiteral("0011000B919333%1F00000AA0AC8329BFD06").arg(k);
            r.state.*lengths[k] = 17 + k;
        } else {
            // Nothing awaits the prompt of a part the message does not have.
            r.state.*prompts[0][k] = r.state.*prompts[1][k] = false;
        }
    }
    const std::uint8_t options = in.byte();
    r.port.open = !(options & 1);
    r.reentryOdds = (options >> 1) & 7;
    r.actionOdds = options >> 4;
    r.maxPiece = in.byte();
    r.dice = fuzz::Dice(in.byte());
    const std::uint8_t texts = in.byte();
    static const char *const kSentTexts[] = {"0", "12abc", "32767", "-32768", "", " 7 ",
                                             "99999999999999999999", "3.5"};
    r.view.text6 = QString::fromLatin1(kSentTexts[texts & 7]);
    r.view.label14 = QString::number((texts >> 3) & 7);
    r.stream = in.rest();

    while (r.more()) {
        if (r.actionOdds > 0 && int(r.dice.below(16)) < r.actionOdds)
            UserAction(r);
        const int before = RaisedWaits(r.state);
        r.events = 0;
        r.writes = 0;
        r.errorShown = false;
        r.event(r.takePiece());
        // One reply moves a chain on by one step at most: it never leaves more to wait for.
        FUZZ_CHECK(RaisedWaits(r.state) <= before);
        // At most one command from the chains and one from the search per pass.
        FUZZ_CHECK(r.writes <= 2 * r.events);
        if (r.errorShown)
            FUZZ_CHECK(Seams::CurrentPointer() == Seams::Pointer::Default);
    }
    g_rig = nullptr;
    Seams::setMsgBoxHandler({});
    return 0;
}
