// SPDX-License-Identifier: GPL-3.0-or-later
// The phonebook download's decisions: stages, download-timer ticks and the final report.
#include "phonebook/phonebookdownload.h"

#include "app/appstate.h"
#include "app/seams.h"
#include "phonebook/phonebookparse.h"

#include <algorithm>
#include <iterator>

namespace Phonebook {

namespace {

QStringList parseOne(const QString &reply)
{
    const auto entry = ParsePhonebookEntry(reply);
    return entry ? QStringList{*entry} : QStringList{};
}

/// One stage of the download: read positions first..last, one per download-timer tick.
struct Stage
{
    std::int16_t number;                  // PhonebookStage once it has started
    bool AppState::*running;
    bool AppState::*available;            // nullptr: every phone has it
    const char *select;                   // written at the start; nullptr: the first read
    const char *read;                     // the read command, before the position in decimal
    std::int16_t AppState::*first;        // nullptr: position 1, after the select
    std::int16_t AppState::*last;
    int intervalMs;
    QStringList (*parse)(const QString &reply);
    const char *name;
};

// In the order the stages run.
const Stage kStages[] = {
    {1, &AppState::WaitSimPhonebook, nullptr, "AT+CPBS=SM", "AT+CPBR=", nullptr,
     &AppState::SimPhonebookSize, 200, parseOne, "the SIM phonebook"},
    {2, &AppState::WaitPhonePhonebook, nullptr, "AT+CPBS=ME", "AT+CPBR=", nullptr,
     &AppState::PhonePhonebookSize, 200, parseOne, "the phone's phonebook"},
    {3, &AppState::WaitAddressBook, &AppState::AddressBookAvailable, nullptr, "AT^SDBR=",
     &AppState::AddressBookFirst, &AppState::AddressBookLast, 150, ParseAddressBookEntries,
     "the address book"},
};
constexpr int kStageCount = int(std::size(kStages));

/// The running stage (one at most), looked for in the tick's order of precedence.
int runningStage(const AppState &s)
{
    for (int i : {2, 0, 1}) {
        if (s.*kStages[i].running)
            return i;
    }
    return -1;
}

QString readCommand(const Stage &st, std::int16_t index)
{
    return QLatin1String(st.read) + QString::number(index);
}

/// The command the running stage wrote last.
QString lastCommand(const AppState &s, const Stage &st)
{
    if (st.select && s.PhonebookIndex == 0)
        return QLatin1String(st.select);
    return readCommand(st, s.PhonebookIndex);
}

void endDownload(AppState &s)
{
    s.PhonebookDownload = false;
    for (const Stage &st : kStages)
        s.*st.running = false;
    s.PhonebookAwaiting = false;
    Seams::SetPointer(Seams::Pointer::Default);
}

Progress progressOf(int last, int index)
{
    // An empty stage shows an empty bar, not the busy bar an empty range would give.
    if (last <= 0)
        return {1, 0};
    return {last, std::clamp(index, 0, last)};
}

} // namespace

void StartUpload(AppState &s)
{
    s.PhonebookDownload = true;
    for (const Stage &st : kStages)
        s.*st.running = false;
    s.PhonebookStage = 0;
    s.PhonebookAwaiting = false;
    s.PhonebookWaitedMs = 0;
    s.PhonebookUnread.fill(0);
}

DownloadStep StageStep(AppState &s)
{
    DownloadStep step;
    // An error or a closed port lowers PhonebookDownload: nothing starts after that.
    for (int i = 0; i < kStageCount; ++i) {
        const Stage &st = kStages[i];
        const bool previousDone = i == 0 || !(s.*kStages[i - 1].running);
        if (!s.PhonebookDownload || s.PhonebookStage != st.number - 1 || !previousDone
            || (st.available && !(s.*st.available)))
            continue;
        // A range the phone gives as empty (first after last) has no position to read.
        if (st.first && s.*st.first > s.*st.last) {
            s.PhonebookStage = st.number;
            continue;
        }
        s.*st.running = true;
        s.PhonebookReplyReady = false;
        s.PhonebookIndex = st.first ? s.*st.first : std::int16_t(0);
        step.command = st.select ? QString::fromLatin1(st.select)
                                 : readCommand(st, s.PhonebookIndex);
        step.interval = st.intervalMs;
        s.PhonebookStage = st.number;
        s.PhonebookAwaiting = true;
        s.PhonebookWaitedMs = 0;
    }
    const bool lastDone =
        (s.PhonebookStage == 3 && !s.WaitAddressBook)
        || (s.PhonebookStage == 2 && !s.WaitPhonePhonebook && !s.AddressBookAvailable);
    if (s.PhonebookDownload && lastDone) {
        s.PhonebookDownload = false;
        step.warning = UnreadReport(s);
    }
    return step;
}

DownloadStep DownloadTick(AppState &s, bool portOpen, int sinceLastTickMs)
{
    DownloadStep step;
    const int running = runningStage(s);
    if (running < 0) {
        step.interval = 0;   // an error or a closed port has ended the stage: nothing to read
        return step;
    }
    const Stage &st = kStages[running];
    const std::int16_t last = s.*st.last;
    step.progress = progressOf(last, s.PhonebookIndex);

    if (s.PhonebookReplyReady) {
        if (!s.PhonebookAwaiting) {
            step.entries = st.parse(s.PhonebookReply);
        } else {
            // Only the answer to the last command counts: a reply that comes after its
            // position was given up on is set aside, so the stage never falls out of step.
            const QString command = lastCommand(s, st);
            for (const QString &reply : SplitReplies(s.PhonebookReply)) {
                if (!AnswersCommand(reply, command))
                    continue;
                step.entries << st.parse(reply);
                s.PhonebookAwaiting = false;
            }
            if (s.PhonebookAwaiting)
                s.PhonebookReplyReady = false;
        }
    }

    if (!portOpen) {
        // What had arrived is kept; nothing more can be read.
        step.interval = 0;
        step.warning = QStringLiteral("The phonebook download stopped: the serial port was "
                                      "closed while reading %1 (position %2 of %3). The "
                                      "entries read so far are in the list.")
                           .arg(QLatin1String(st.name))
                           .arg(s.PhonebookIndex)
                           .arg(last);
        endDownload(s);
        return step;
    }

    if (s.PhonebookAwaiting) {
        s.PhonebookWaitedMs += std::max(0, sinceLastTickMs);
        if (s.PhonebookWaitedMs < kReplyTimeoutMs) {
            step.interval = kLatePollMs;
            return step;
        }
        const bool readPosition = !(st.select && s.PhonebookIndex == 0);
        if (readPosition && s.PhonebookUnread[running] < INT16_MAX)
            ++s.PhonebookUnread[running];
        s.PhonebookAwaiting = false;
    }

    if (s.PhonebookIndex < last) {
        ++s.PhonebookIndex;
        step.command = readCommand(st, s.PhonebookIndex);
        s.PhonebookReplyReady = false;
        s.PhonebookAwaiting = true;
        s.PhonebookWaitedMs = 0;
        step.interval = st.intervalMs;
    } else {
        s.*st.running = false;
        s.PhonebookAwaiting = false;
        Seams::SetPointer(Seams::Pointer::Default);
        step.interval = 0;
    }
    return step;
}

QString UnreadReport(const AppState &s)
{
    QStringList parts;
    for (int i = 0; i < kStageCount; ++i) {
        const int n = s.PhonebookUnread[i];
        if (n > 0)
            parts << QStringLiteral("%1 %2 of %3")
                         .arg(n)
                         .arg(n == 1 ? QStringLiteral("position") : QStringLiteral("positions"))
                         .arg(QLatin1String(kStages[i].name));
    }
    if (parts.isEmpty())
        return {};
    const QString last = parts.takeLast();
    const QString list = parts.isEmpty() ? last : parts.join(QStringLiteral(", "))
                                                      + QStringLiteral(" and ") + last;
    return list + QStringLiteral(" could not be read: the phone did not answer in time. The "
                                 "other entries are in the list; Upload again to try once more.");
}

} // namespace Phonebook
