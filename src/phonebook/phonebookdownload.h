// SPDX-License-Identifier: GPL-3.0-or-later
// The phonebook download's decisions: which stage starts, what each download-timer tick
// parses and writes, and what the user is told at the end. The window only carries them out.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct AppState;

namespace Phonebook {

/// How long a position may stay unanswered before it counts as unread and reading goes on.
constexpr int kReplyTimeoutMs = 5000;
/// While a reply is late the download timer looks again this often, so that a slow phone
/// is read at its own pace instead of every other tick.
constexpr int kLatePollMs = 10;

/// The progress bar's range (minimum 0) and value.
struct Progress
{
    int maximum = 0;
    int value = 0;
};

/// What the window does after a step, in this order.
struct DownloadStep
{
    QStringList entries;            ///< appended to the recipient list, in order
    QString command;                ///< written to the phone with a CR; empty: nothing
    std::optional<int> interval;    ///< the download timer's new interval (ms); 0 stops it
    std::optional<Progress> progress;
    QString warning;                ///< shown in a "Warning." box when not empty
};

/// Phonebook > Upload, apart from the list and the receive buffer: asks for a download
/// from the SIM stage on, forgetting any stage running and any count of unread positions.
void StartUpload(AppState &state);

/// The status tick's part: starts the SIM stage after Upload, the phone stage after the
/// SIM stage, the address-book stage after the phone stage (when the phone has one), and
/// ends the download after the last. A download ended by an error or by a closed port
/// starts nothing more. At the end, `warning` says which positions went unanswered.
DownloadStep StageStep(AppState &state);

/// One download-timer tick. `portOpen` is the port's state; `sinceLastTickMs` is the
/// interval the timer ran at. Parses the answer to the running stage's last command when
/// it is complete and writes the next read command; a late answer is waited for (up to
/// kReplyTimeoutMs, then the position counts as unread); a reply to an earlier command is
/// set aside. The stage ends after its last position. A closed port ends the download; a
/// tick with no stage running only stops the timer.
DownloadStep DownloadTick(AppState &state, bool portOpen, int sinceLastTickMs);

/// The positions given up on, per stage, in one sentence; empty when there were none.
QString UnreadReport(const AppState &state);

} // namespace Phonebook
