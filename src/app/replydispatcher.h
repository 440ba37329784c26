// SPDX-License-Identifier: GPL-3.0-or-later
// The receive buffer and the routing of the phone's replies to the operation awaiting them.
#pragma once

#include <QString>

#include <cstdint>

struct AppState;
class PhonePort;

/// Lowers the awaited-reply flags of every command chain (search, send, store, service
/// centre, phonebook download) and puts the mouse pointer back to the default. Leaves
/// WaitAddressBook, WaitReadReply, counters, sizes and settings alone.
void ResetWaitFlags(AppState &state);

/// What the dispatcher needs of the main window. Kept narrow so tests can record it.
class DispatcherView
{
public:
    /// The eight phone information values of the main window.
    enum class Info { Model, Firmware, Imei, Imsi, MessageStorage, AddressBook, SimPhonebook,
                      PhonePhonebook };

    virtual ~DispatcherView() = default;
    virtual QString infoText(Info which) const = 0;
    virtual void setInfoText(Info which, const QString &text) = 0;
    /// The sent-count box (Text6) and the "messages needed" counter (Label14).
    virtual QString sentCountText() const = 0;
    virtual QString messagesNeededText() const = 0;
    virtual void setSentCountText(const QString &text) = 0;
    /// A service-centre number read from the phone goes into the service-centre box.
    virtual void setServiceCentreText(const QString &number) = 0;
    /// A complete AT+CMGR or AT+CMGD reply (OK or an error) for the message browser.
    virtual void messageReadReply(const QString &buffer) = 0;
};

/// The range of a test-command reply ("AT+CPBR=?" echo, CR CR LF, "+CPBR: (1-250),...").
struct ReplyRange
{
    QString firstText;   ///< characters from position 21 up to "-" (or the end)
    QString lastText;    ///< characters after "-" up to ")" (or the end)
    std::int16_t first = 0;   ///< Val of firstText, clamped to 16 bits
    std::int16_t last = 0;    ///< Val of lastText, clamped to 16 bits
    bool complete = false;    ///< both "-" and ")" were found
};

namespace Reply {
/// "OK" followed by two characters (CR LF) at the end.
bool EndsWithOk(const QString &buffer);
/// "ERROR" followed by two characters at the end.
bool EndsWithError(const QString &buffer);
/// A complete last line "+CME ERROR: 22" (or its verbose form "+CME ERROR: not found"):
/// phones answer so for an empty phonebook position.
bool EndsWithNotFound(const QString &buffer);
/// The send/store prompt "> " at the very end.
bool EndsWithPrompt(const QString &buffer);
/// Characters from 1-based `start` up to (not including) the first CR, or to the end.
QString TextUpToCr(const QString &buffer, qsizetype start);
/// Parses the range that starts at position 21; scans stop at the end of the buffer.
ReplyRange ParseRange(const QString &buffer);
} // namespace Reply

/// Takes a complete phonebook reply out of the receive buffer while a download stage runs:
/// with at least 12 characters ending in "OK" CR LF, or in the not-found error of an empty
/// position, the buffer moves into PhonebookReply and PhonebookReplyReady is raised;
/// otherwise PhonebookReplyReady is lowered.
void CapturePhonebookReply(AppState &state, QString &buffer);

/// Owns the receive buffer. On every port event it appends the new input and runs the
/// blocks in their fixed order: send chain, generic error and sent confirmation, message
/// read, phone information chain, phonebook capture.
class ReplyDispatcher
{
public:
    ReplyDispatcher(AppState &state, PhonePort &port, DispatcherView &view);

    /// The port's receive event.
    void OnComm();

    const QString &buffer() const { return m_buffer; }
    void setBuffer(const QString &text) { m_buffer = text; }
    void clearBuffer() { m_buffer.clear(); }

    // The blocks, in the order OnComm runs them; each re-reads the buffer.
    void sendChainBlock();
    void errorAndSentBlock();
    void messageReadBlock();
    void infoChainBlock();
    void phonebookCaptureBlock();

    /// Writes a command line (text and CR) to the port.
    void writeCommand(const QString &command);

private:
    void runBlocks();

    AppState &m_state;
    PhonePort &m_port;
    DispatcherView &m_view;
    QString m_buffer;
    // A message box runs a nested event loop: an event arriving meanwhile only appends,
    // and the blocks run again once the running pass is over.
    bool m_running = false;
    bool m_again = false;
};
