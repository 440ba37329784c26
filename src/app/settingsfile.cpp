// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settingsfile.h"

#include "app/seams.h"
#include "app/textfile.h"
#include "app/vbstrings.h"

#include <QStringList>

#include <cmath>

namespace SettingsFile {
namespace {

QString FirstField(const QString &line)
{
    const QStringList fields = vb::ReadFields(line);
    return fields.isEmpty() ? QString() : fields.first();
}

bool IsNumber(const QString &field)
{
    bool ok = false;
    field.trimmed().toDouble(&ok);
    return ok;
}

std::optional<int> IntField(const QString &field)
{
    if (!IsNumber(field))
        return std::nullopt;
    const double v = std::round(vb::Val(field));
    if (v < -2147483647.0 || v > 2147483647.0)
        return std::nullopt;
    return static_cast<int>(v);
}

std::optional<std::int16_t> PositiveInt16(const QString &field)
{
    if (!IsNumber(field))
        return std::nullopt;
    const std::int16_t v = vb::ValInt16(field);
    if (v <= 0)
        return std::nullopt;
    return v;
}

} // namespace

SettingsFileValues Parse(const QString &text)
{
    return ParseLines(TextFile::SplitLines(text, kSettingLines, kMaxLineLength));
}

std::optional<SettingsFileValues> Read(const QString &path)
{
    const auto lines = TextFile::ReadLines(path, kSettingLines, kMaxLineLength);
    if (!lines)
        return std::nullopt;
    return ParseLines(*lines);
}

SettingsFileValues ParseLines(const QStringList &lines)
{
    SettingsFileValues v;
    // A line too long to be a setting holds no value: it is skipped like any line that
    // cannot be read, but it still counts, so the lines after it keep their places.
    const auto tooLong = [&](int n) {
        return n <= lines.size() && TextFile::LineTooLong(lines.at(n - 1), kMaxLineLength);
    };
    auto line = [&](int n) -> std::optional<QString> {
        if (n > lines.size() || tooLong(n))
            return std::nullopt;
        return lines.at(n - 1);
    };

    if (auto l = line(1))
        v.commPort = IntField(FirstField(*l));
    if (auto l = line(2)) {
        const QStringList f = vb::ReadFields(*l);
        if (f.size() >= 4)
            v.settings = f.mid(0, 4).join(QLatin1Char(','));
    }
    if (auto l = line(3))
        v.handshaking = IntField(FirstField(*l));
    if (auto l = line(4))
        v.serviceCentre = FirstField(*l);   // a comma in the number cuts it there
    if (auto l = line(5))
        v.confirmSend = FirstField(*l) == QLatin1String("True");
    if (auto l = line(6))
        v.statusReport = FirstField(*l) == QLatin1String("True");
    // Line 7 names a language; it is not used.
    if (auto l = line(8))
        v.simPhonebookSize = PositiveInt16(FirstField(*l));
    if (auto l = line(9))
        v.phonePhonebookSize = PositiveInt16(FirstField(*l));
    if (auto l = line(10))
        v.smsCapacity = PositiveInt16(FirstField(*l));
    // Older files have only seven or ten lines; they turn automatic saving on.
    if (auto l = line(11))
        v.autoSave = FirstField(*l) == QLatin1String("True");
    else
        v.autoSave = true;   // an unreadable line 11 leaves the mark as it was: ticked
    return v;
}

QString Format(const SettingsToSave &s)
{
    return TextFile::JoinLines({
        vb::NumberField(s.commPort),
        s.settings,
        vb::NumberField(s.handshaking),
        s.serviceCentre,
        BoolText(s.confirmSend),
        BoolText(s.statusReport),
        QString(),   // language: always written empty
        vb::NumberField(s.simPhonebookSize),
        vb::NumberField(s.phonePhonebookSize),
        vb::NumberField(s.smsCapacity),
        BoolText(s.autoSave),
    });
}

std::optional<std::int16_t> ParseSentCount(const QString &text)
{
    // The count is the first field of the first line; a line too long to be a count is none.
    const QStringList lines = TextFile::SplitLines(text, 1, kMaxLineLength);
    if (lines.isEmpty() || TextFile::LineTooLong(lines.first(), kMaxLineLength))
        return std::nullopt;
    const QStringList fields = vb::ReadFields(lines.first());
    if (fields.isEmpty() || !IsNumber(fields.first()))
        return std::nullopt;
    return vb::ValInt16(fields.first());
}

QString FormatSentCount(std::int16_t count)
{
    return TextFile::JoinLines({vb::NumberField(count)});
}

bool WriteSentCount(std::int16_t count, QString *error)
{
    return TextFile::WriteAtomic(Seams::ProgramFile(QStringLiteral("Sent.txt")),
                                 FormatSentCount(count), error);
}

std::int16_t ReadSentCount()
{
    const auto lines = TextFile::ReadLines(Seams::ProgramFile(QStringLiteral("Sent.txt")), 1,
                                           kMaxLineLength);
    if (!lines || lines->isEmpty())
        return 0;
    return ParseSentCount(lines->first()).value_or(0);
}

} // namespace SettingsFile
