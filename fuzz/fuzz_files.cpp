// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own files read, saved and read again: Setting.sms, Sent.txt, Rubrica.txt
// and Operator.sms keep their meaning through a save, and the text codec keeps every octet.
//
// Input: one octet choosing the file (0 Setting.sms, 1 Sent.txt, 2 Rubrica.txt,
// 3 Operator.sms, modulo 4), then the file's octets.
#include "app/phoneport.h"
#include "app/seams.h"
#include "app/settingsfile.h"
#include "app/textfile.h"
#include "app/vbstrings.h"
#include "fuzzcheck.h"
#include "logos/bitmap.h"
#include "phonebook/rubrica.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

class ClosedPort : public PhonePort
{
public:
    bool PortOpen() const override { return false; }
    bool setPortOpen(bool) override { return false; }
    bool Output(const QString &) override { return false; }
    QString Input() override { return {}; }
};

/// What the program holds after applying a Setting.sms, as start-up applies it: the same
/// values that Save settings writes back.
using Applied = SettingsToSave;

Applied Apply(const SettingsFileValues &v)
{
    ClosedPort port;
    Applied a;
    if (v.commPort)
        port.setCommPort(*v.commPort);
    if (v.settings)
        port.setSettings(*v.settings);
    if (v.handshaking)
        port.setHandshaking(*v.handshaking);
    a.commPort = port.CommPort();
    a.settings = port.Settings();
    a.handshaking = port.Handshaking();
    a.serviceCentre = v.serviceCentre.value_or(QString());
    a.confirmSend = v.confirmSend.value_or(a.confirmSend);
    a.statusReport = v.statusReport.value_or(a.statusReport);
    a.simPhonebookSize = v.simPhonebookSize.value_or(a.simPhonebookSize);
    a.phonePhonebookSize = v.phonePhonebookSize.value_or(a.phonePhonebookSize);
    a.smsCapacity = v.smsCapacity.value_or(a.smsCapacity);
    a.autoSave = v.autoSave;
    return a;
}

QString Save(const Applied &a)
{
    return SettingsFile::Format(a);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
}

/// Saved text as it comes back from the disk.
QString ThroughDisk(const QString &text)
{
    return TextFile::Decode(TextFile::Encode(text));
}

/// A text the field reader gives back unchanged: no comma, no blank at either end, no
/// opening quote.
bool ReadsBackAsItself(const QString &field)
{
    return !field.contains(QLatin1Char(',')) && field == field.trimmed()
           && !field.startsWith(QLatin1Char('"'));
}

void SameSettings(const Applied &a, const Applied &b, bool sameServiceCentre)
{
    FUZZ_CHECK(a.commPort == b.commPort && a.handshaking == b.handshaking);
    const auto sa = ParseSerialSettings(a.settings);
    const auto sb = ParseSerialSettings(b.settings);
    FUZZ_CHECK(sa && sb);
    FUZZ_CHECK(sa->baud == sb->baud && sa->parity == sb->parity && sa->dataBits == sb->dataBits
               && sa->stopBits == sb->stopBits);
    FUZZ_CHECK(!sameServiceCentre || a.serviceCentre == b.serviceCentre);
    FUZZ_CHECK(a.confirmSend == b.confirmSend && a.statusReport == b.statusReport);
    FUZZ_CHECK(a.simPhonebookSize == b.simPhonebookSize
               && a.phonePhonebookSize == b.phonePhonebookSize && a.smsCapacity == b.smsCapacity);
    FUZZ_CHECK(a.autoSave == b.autoSave);
}

void SettingsRoundTrip(const QString &text)
{
    const Applied first = Apply(SettingsFile::Parse(text));
    const QString saved = Save(first);
    FUZZ_CHECK(saved.count(QStringLiteral("\r\n")) == 11);
    // Nothing in the saved file that the read file did not hold, beyond fixed words.
    FUZZ_CHECK(saved.size() <= text.size() + 128);
    const Applied second = Apply(SettingsFile::Parse(ThroughDisk(saved)));
    SameSettings(first, second, ReadsBackAsItself(first.serviceCentre));
}

void SentCountRoundTrip(const QString &text, const QByteArray &bytes)
{
    const std::optional<std::int16_t> parsed = SettingsFile::ParseSentCount(text);
    const QString path = Seams::ProgramFile(QStringLiteral("Sent.txt"));
    WriteFile(path, bytes);
    const std::int16_t count = SettingsFile::ReadSentCount();
    FUZZ_CHECK(count == parsed.value_or(0));
    FUZZ_CHECK(SettingsFile::WriteSentCount(count));
    FUZZ_CHECK(SettingsFile::ReadSentCount() == count);
    FUZZ_CHECK(SettingsFile::ParseSentCount(SettingsFile::FormatSentCount(count)) == count);
}

void RubricaRoundTrip(const QString &text)
{
    const QStringList entries = Rubrica::Parse(text);
    bool plain = true;
    for (const QString &e : entries) {
        FUZZ_CHECK(!e.isEmpty());
        FUZZ_CHECK(!e.contains(QLatin1Char('\r')) && !e.contains(QLatin1Char('\n')));
        plain = plain && ReadsBackAsItself(e);
        if (const auto number = Rubrica::ExtractRecipientNumber(e)) {
            // The number is what follows the first "(", short of the line's last character.
            const qsizetype open = e.indexOf(QLatin1Char('('));
            FUZZ_CHECK(open >= 0 && e.indexOf(QLatin1Char(')'), open + 1) > open);
            FUZZ_CHECK(*number == e.mid(open + 1).chopped(1));
        } else {
            const qsizetype open = e.indexOf(QLatin1Char('('));
            FUZZ_CHECK(open < 0 || e.indexOf(QLatin1Char(')'), open + 1) < 0);
        }
    }
    const QString saved = Rubrica::Format(entries);
    FUZZ_CHECK(saved.count(QStringLiteral("\r\n")) == entries.size());
    const QStringList again = Rubrica::Parse(ThroughDisk(saved));
    FUZZ_CHECK(!plain || again == entries);
}

void OperatorRoundTrip(const QByteArray &bytes)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    const QString path = Seams::ProgramFile(QStringLiteral("Operator.sms"));
    WriteFile(path, bytes);
    const auto read = Bitmap::ReadOperatorFile(path);
    FUZZ_CHECK(read.has_value());
    const QStringList fields = vb::ReadFields(TextFile::Decode(bytes));
    // Digits read as a value are still digits: never "inf" or a number with an exponent.
    if (!fields.isEmpty() && digits.match(fields.first()).hasMatch())
        FUZZ_CHECK(read->countryCode.isEmpty() || digits.match(read->countryCode).hasMatch());
    // The window saves the two codes only when both boxes hold something.
    if (read->countryCode.isEmpty() || read->operatorCode.isEmpty())
        return;
    FUZZ_CHECK(Bitmap::WriteOperatorFile(path, *read));
    const auto again = Bitmap::ReadOperatorFile(path);
    FUZZ_CHECK(again.has_value());
    if (ReadsBackAsItself(read->countryCode) && ReadsBackAsItself(read->operatorCode)) {
        FUZZ_CHECK(again->countryCode == read->countryCode);
        FUZZ_CHECK(again->operatorCode == read->operatorCode);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir folder;
    Seams::setProgramFolder(folder.path());
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString text = TextFile::Decode(bytes);
    // Every octet has a character and comes back as itself.
    FUZZ_CHECK(text.size() == bytes.size() && TextFile::Encode(text) == bytes);
    switch (data[0] % 4) {
    case 0:
        SettingsRoundTrip(text);
        break;
    case 1:
        SentCountRoundTrip(text, bytes);
        break;
    case 2:
        RubricaRoundTrip(text);
        break;
    default:
        OperatorRoundTrip(bytes);
        break;
    }
    return 0;
}
