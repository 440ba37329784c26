// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/replydispatcher.h"

#include "app/appstate.h"
#include "app/phoneport.h"
#include "app/seams.h"
#include "app/settingsfile.h"
#include "app/vbstrings.h"
#include "compose/sendstep.h"

#include <algorithm>
#include <cmath>

void ResetWaitFlags(AppState &s)
{
    s.WaitServiceCentre = false;
    s.PhonebookDownload = false;
    s.WaitSimPhonebook = false;
    s.WaitPhonePhonebook = false;
    s.StoreActive = false;
    s.SendActive = false;
    s.WaitStorePrompt1 = s.WaitStorePrompt2 = s.WaitStorePrompt3 = s.WaitStorePrompt4 =
        s.WaitStorePrompt5 = false;
    s.WaitStoreOk1 = s.WaitStoreOk2 = s.WaitStoreOk3 = s.WaitStoreOk4 = false;
    s.WaitSendPrompt1 = s.WaitSendPrompt2 = s.WaitSendPrompt3 = s.WaitSendPrompt4 =
        s.WaitSendPrompt5 = false;
    s.WaitSendOk1 = s.WaitSendOk2 = s.WaitSendOk3 = s.WaitSendOk4 = false;
    s.WaitSentOk = false;
    s.WaitAtReply = s.WaitManufacturer = s.WaitModel = s.WaitFirmware = s.WaitImei =
        s.WaitImsi = s.WaitMessageStorage = s.WaitAddressBookRange =
            s.WaitSimPhonebookRange = s.WaitPhonePhonebookRange = false;
    s.PhonebookReplyReady = false;
    Seams::SetPointer(Seams::Pointer::Default);
}

namespace Reply {

bool EndsWithOk(const QString &b)
{
    return b.size() >= 4 && vb::Mid(b, b.size() - 3, 2) == QLatin1String("OK");
}

bool EndsWithError(const QString &b)
{
    // The line must be complete: a "+CMS ERROR: " still arriving would match otherwise.
    if (!b.endsWith(QLatin1String("\r\n")))
        return false;
    if (b.size() >= 7 && vb::Mid(b, b.size() - 6, 5) == QLatin1String("ERROR"))
        return true;
    // Phones report SMS and equipment failures as "+CMS ERROR: n" / "+CME ERROR: n"
    // (always so for SMS commands); they end a command just as plain ERROR does.
    const QString body = b.left(b.size() - 2);
    const QString lastLine = body.mid(body.lastIndexOf(QLatin1Char('\n')) + 1);
    return lastLine.startsWith(QLatin1String("+CMS ERROR:"))
           || lastLine.startsWith(QLatin1String("+CME ERROR:"));
}

bool EndsWithNotFound(const QString &b)
{
    if (!b.endsWith(QLatin1String("\r\n")))
        return false;
    const QString body = b.left(b.size() - 2);
    const QString lastLine = body.mid(body.lastIndexOf(QLatin1Char('\n')) + 1);
    return lastLine == QLatin1String("+CME ERROR: 22")
           || lastLine == QLatin1String("+CME ERROR: not found");
}

bool EndsWithPrompt(const QString &b)
{
    return b.endsWith(QLatin1String("> "));
}

QString TextUpToCr(const QString &buffer, qsizetype start)
{
    const qsizetype cr = vb::InStr(start, buffer, QStringLiteral("\r"));
    return cr == 0 ? vb::Mid(buffer, start) : vb::Mid(buffer, start, cr - start);
}

ReplyRange ParseRange(const QString &buffer)
{
    ReplyRange r;
    qsizetype p = 21;   // echo of a 9-character test command, CR CR LF, "+XXXX: ("
    const qsizetype n = buffer.size();
    bool dash = false;
    for (; p <= n; ++p) {
        const QChar c = buffer.at(p - 1);
        if (c == u'-') {
            dash = true;
            ++p;
            break;
        }
        r.firstText += c;
    }
    bool close = false;
    if (dash) {
        for (; p <= n; ++p) {
            const QChar c = buffer.at(p - 1);
            if (c == u')') {
                close = true;
                break;
            }
            r.lastText += c;
        }
    }
    r.complete = dash && close;
    r.first = vb::ValInt16(r.firstText);
    r.last = vb::ValInt16(r.lastText);
    return r;
}

} // namespace Reply

void CapturePhonebookReply(AppState &s, QString &buffer)
{
    // The phone stage is captured from its start too, so that the reply to AT+CPBS=ME does
    // not stay in front of the first entry and hide it.
    if (!s.WaitAddressBook && !s.WaitSimPhonebook && !s.WaitPhonePhonebook)
        return;
    if (buffer.size() < 12)
        return;
    if (Reply::EndsWithOk(buffer) || Reply::EndsWithNotFound(buffer)) {
        s.PhonebookReplyReady = true;
        s.PhonebookReply = buffer;
        buffer.clear();
    } else {
        s.PhonebookReplyReady = false;
    }
}

ReplyDispatcher::ReplyDispatcher(AppState &state, PhonePort &port, DispatcherView &view)
    : m_state(state)
    , m_port(port)
    , m_view(view)
{
}

void ReplyDispatcher::OnComm()
{
    m_buffer += m_port.Input();
    if (m_running) {
        m_again = true;
        return;
    }
    m_running = true;
    do {
        m_again = false;
        runBlocks();
    } while (m_again);
    m_running = false;
}

void ReplyDispatcher::runBlocks()
{
    sendChainBlock();
    errorAndSentBlock();
    messageReadBlock();
    infoChainBlock();
    phonebookCaptureBlock();
}

void ReplyDispatcher::writeCommand(const QString &command)
{
    m_port.Output(command + QLatin1Char('\r'));
}

void ReplyDispatcher::sendChainBlock()
{
    if (m_buffer.size() <= 6 || m_state.PhonebookDownload)
        return;
    if (!Reply::EndsWithOk(m_buffer) && !Reply::EndsWithPrompt(m_buffer))
        return;
    const QString copy = m_buffer;
    const Module1::SendStepResult r = Module1::SendStep(m_state, copy, m_port);
    if (r.serviceCentre)
        m_view.setServiceCentreText(*r.serviceCentre);
}

void ReplyDispatcher::errorAndSentBlock()
{
    if (m_buffer.size() <= 6 || m_state.WaitReadReply)
        return;
    const bool downloading =
        m_state.WaitSimPhonebook || m_state.WaitPhonePhonebook || m_state.WaitAddressBook;
    // An empty phonebook position is no failure: the capture takes it as an answer.
    if (Reply::EndsWithError(m_buffer) && !m_state.WaitMessageStorage
        && !m_state.WaitAddressBookRange
        && !(downloading && Reply::EndsWithNotFound(m_buffer))) {
        // Flags first: the box waits for the user while more input may arrive. An error
        // ends the address-book stage too, which the reset leaves alone.
        ResetWaitFlags(m_state);
        m_state.WaitAddressBook = false;
        Seams::MsgBox(QStringLiteral("Command didn't accept by mobile"), Seams::MsgButtons::OK,
                      Seams::MsgIcon::Critical, QStringLiteral("Error."));
        Seams::SetPointer(Seams::Pointer::Default);
    }
    if (Reply::EndsWithOk(m_buffer) && m_state.WaitSentOk) {
        m_state.WaitSentOk = false;
        // The count is 16 bits wide; it stops at the top instead of overflowing.
        const double sum = std::round(vb::Val(m_view.sentCountText()))
                           + std::round(vb::Val(m_view.messagesNeededText()));
        m_state.SentCount = static_cast<std::int16_t>(std::clamp(sum, -32768.0, 32767.0));
        // Shown at once: the next send adds to this box, and the status timer may not
        // have refreshed it yet.
        m_view.setSentCountText(QString::number(m_state.SentCount));
        QString error;
        const bool written = SettingsFile::WriteSentCount(m_state.SentCount, &error);
        Seams::SetPointer(Seams::Pointer::Default);
        Seams::MsgBox(QStringLiteral("Messagge sent"), Seams::MsgButtons::OK,
                      Seams::MsgIcon::Information, QStringLiteral("Information."));
        if (!written)
            Seams::MsgBox(QStringLiteral("Unable to write the sent counter file Sent.txt:\n")
                              + error,
                          Seams::MsgButtons::OK, Seams::MsgIcon::Critical,
                          QStringLiteral("Error."));
    }
}

void ReplyDispatcher::messageReadBlock()
{
    if (m_buffer.size() <= 5 || !(m_state.WaitReadReply || m_state.WaitDeleteReply))
        return;
    // An error ends a read or a delete as well: an empty or unreadable position, a message
    // the phone keeps. The browser learns either way, so its chain never stalls.
    if (Reply::EndsWithOk(m_buffer) || Reply::EndsWithError(m_buffer))
        m_view.messageReadReply(m_buffer);
}

namespace {

using Info = DispatcherView::Info;

enum class Test { Ok, Error };

/// One row of the information chain: the flag it waits on, the length the buffer must
/// exceed, the tail it needs, what it does, and the flag it raises next. A row that
/// returns false keeps its flag and the buffer (the phonebook sub-steps).
struct ChainRow
{
    bool AppState::*flag;
    int guard;
    Test test;
    bool (*act)(AppState &, const QString &buffer, DispatcherView &, ReplyDispatcher &);
    bool AppState::*next;
};

QString RangeLabel(const ReplyRange &r)
{
    return QStringLiteral("From position ") + r.firstText + QStringLiteral(" To ") + r.lastText;
}

// Steps 9 and 10: the OK to AT+CPBS asks for the range; the OK to AT+CPBR=? gives it.
bool PhonebookRange(std::int16_t &size, Info label, const QString &b, DispatcherView &v,
                    ReplyDispatcher &d)
{
    if (size == 0) {
        d.clearBuffer();
        d.writeCommand(QStringLiteral("AT+CPBR=?"));
        size = 1;
        return false;
    }
    if (size != 1)
        return false;
    const ReplyRange r = Reply::ParseRange(b);
    v.setInfoText(label, RangeLabel(r));
    size = r.last;
    return true;
}

const ChainRow kChain[] = {
    {&AppState::WaitAtReply, 5, Test::Ok,
     [](AppState &, const QString &, DispatcherView &, ReplyDispatcher &) { return true; },
     &AppState::WaitManufacturer},
    {&AppState::WaitManufacturer, 11, Test::Ok,
     [](AppState &, const QString &b, DispatcherView &v, ReplyDispatcher &) {
         v.setInfoText(Info::Model, Reply::TextUpToCr(b, 11) + QLatin1Char(' '));
         return true;
     },
     &AppState::WaitModel},
    {&AppState::WaitModel, 11, Test::Ok,
     [](AppState &, const QString &b, DispatcherView &v, ReplyDispatcher &) {
         v.setInfoText(Info::Model,
                       v.infoText(Info::Model) + Reply::TextUpToCr(b, 11) + QLatin1Char(' '));
         return true;
     },
     &AppState::WaitFirmware},
    {&AppState::WaitFirmware, 11, Test::Ok,
     [](AppState &, const QString &b, DispatcherView &v, ReplyDispatcher &) {
         v.setInfoText(Info::Firmware, vb::Mid(b, 11, 2));
         return true;
     },
     &AppState::WaitImei},
    {&AppState::WaitImei, 11, Test::Ok,
     [](AppState &, const QString &b, DispatcherView &v, ReplyDispatcher &) {
         v.setInfoText(Info::Imei, Reply::TextUpToCr(b, 10));   // "AT+GSN" is one shorter
         return true;
     },
     &AppState::WaitImsi},
    {&AppState::WaitImsi, 11, Test::Ok,
     [](AppState &, const QString &b, DispatcherView &v, ReplyDispatcher &) {
         v.setInfoText(Info::Imsi, Reply::TextUpToCr(b, 11));
         return true;
     },
     &AppState::WaitMessageStorage},
    // Steps 7 and 8 probe: ERROR is an answer there, not a failure.
    {&AppState::WaitMessageStorage, 11, Test::Ok,
     [](AppState &s, const QString &, DispatcherView &v, ReplyDispatcher &) {
         s.MessageStorageAvailable = true;
         v.setInfoText(Info::MessageStorage, QStringLiteral("Yes"));
         return true;
     },
     &AppState::WaitAddressBookRange},
    {&AppState::WaitMessageStorage, 11, Test::Error,
     [](AppState &s, const QString &, DispatcherView &v, ReplyDispatcher &) {
         s.MessageStorageAvailable = false;
         v.setInfoText(Info::MessageStorage, QStringLiteral("No"));
         return true;
     },
     &AppState::WaitAddressBookRange},
    {&AppState::WaitAddressBookRange, 11, Test::Ok,
     [](AppState &s, const QString &b, DispatcherView &v, ReplyDispatcher &) {
         const ReplyRange r = Reply::ParseRange(b);
         s.AddressBookAvailable = true;
         s.AddressBookFirst = r.first;
         s.AddressBookLast = r.last;
         v.setInfoText(Info::AddressBook, QStringLiteral("Yes, From position ") + r.firstText
                                              + QStringLiteral(" To ") + r.lastText);
         return true;
     },
     &AppState::WaitSimPhonebookRange},
    {&AppState::WaitAddressBookRange, 11, Test::Error,
     [](AppState &s, const QString &, DispatcherView &v, ReplyDispatcher &) {
         s.AddressBookAvailable = false;
         v.setInfoText(Info::AddressBook, QStringLiteral("No"));
         return true;
     },
     &AppState::WaitSimPhonebookRange},
    {&AppState::WaitSimPhonebookRange, 11, Test::Ok,
     [](AppState &s, const QString &b, DispatcherView &v, ReplyDispatcher &d) {
         return PhonebookRange(s.SimPhonebookSize, Info::SimPhonebook, b, v, d);
     },
     &AppState::WaitPhonePhonebookRange},
    {&AppState::WaitPhonePhonebookRange, 11, Test::Ok,
     [](AppState &s, const QString &b, DispatcherView &v, ReplyDispatcher &d) {
         return PhonebookRange(s.PhonePhonebookSize, Info::PhonePhonebook, b, v, d);
     },
     nullptr},
};

} // namespace

void ReplyDispatcher::infoChainBlock()
{
    for (const ChainRow &row : kChain) {
        if (!(m_state.*row.flag) || m_buffer.size() <= row.guard)
            continue;
        const bool tail = row.test == Test::Ok ? Reply::EndsWithOk(m_buffer)
                                               : Reply::EndsWithError(m_buffer);
        if (!tail)
            continue;
        if (!row.act(m_state, m_buffer, m_view, *this))
            continue;
        m_state.*row.flag = false;
        if (row.next)
            m_state.*row.next = true;
        m_buffer.clear();
    }
}

void ReplyDispatcher::phonebookCaptureBlock()
{
    CapturePhonebookReply(m_state, m_buffer);
}
