// SPDX-License-Identifier: GPL-3.0-or-later
// Setting.sms (port, options, sizes) and Sent.txt (count of sent messages) as text.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

/// The values Setting.sms holds. A value that could not be read is left empty; the caller
/// applies the others (a bad line is skipped, not fatal).
struct SettingsFileValues
{
    std::optional<int> commPort;            ///< line 1
    std::optional<QString> settings;        ///< line 2, four fields joined by commas
    std::optional<int> handshaking;         ///< line 3
    std::optional<QString> serviceCentre;   ///< line 4
    std::optional<bool> confirmSend;        ///< line 5, exactly "True" is true
    std::optional<bool> statusReport;       ///< line 6
    std::optional<std::int16_t> simPhonebookSize;     ///< line 8, only when > 0
    std::optional<std::int16_t> phonePhonebookSize;   ///< line 9, only when > 0
    std::optional<std::int16_t> smsCapacity;          ///< line 10, only when > 0
    bool autoSave = true;   ///< line 11; files of an older layout end earlier and turn it on
};

/// What Save settings writes.
struct SettingsToSave
{
    int commPort = 1;
    QString settings;
    int handshaking = 0;
    QString serviceCentre;
    bool confirmSend = true;
    bool statusReport = false;
    std::int16_t simPhonebookSize = 200;
    std::int16_t phonePhonebookSize = 50;
    std::int16_t smsCapacity = 20;
    bool autoSave = true;
};

namespace SettingsFile {

/// Lines of Setting.sms that are read; anything after them is never looked at.
constexpr int kSettingLines = 11;
/// The longest line of Setting.sms or Sent.txt that can hold a value (characters). A longer
/// one is not a setting: its value is skipped.
constexpr int kMaxLineLength = 255;

/// Reads the text of Setting.sms (any line ends). Each line is read as comma-delimited
/// fields; line 2 takes four of them, the others the first one.
SettingsFileValues Parse(const QString &text);
/// The same from lines as TextFile::ReadLines gives them (a line longer than
/// kMaxLineLength, cut, is skipped).
SettingsFileValues ParseLines(const QStringList &lines);
/// Reads Setting.sms at `path` line by line, no more than its 11 lines; nullopt when it
/// cannot be opened.
std::optional<SettingsFileValues> Read(const QString &path);
/// The 11 lines of Setting.sms, CR LF ended; numbers with a blank either side, line 7 empty.
QString Format(const SettingsToSave &values);

/// The count in the text of Sent.txt; nullopt when there is no field to read.
std::optional<std::int16_t> ParseSentCount(const QString &text);
/// The one line of Sent.txt.
QString FormatSentCount(std::int16_t count);

/// Rewrites Sent.txt in the program's folder atomically; false (with a reason) on failure.
bool WriteSentCount(std::int16_t count, QString *error = nullptr);
/// Reads Sent.txt in the program's folder; 0 when it is missing or unreadable.
std::int16_t ReadSentCount();

/// "True" / "False" as the program's files hold them.
inline QString BoolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

} // namespace SettingsFile
