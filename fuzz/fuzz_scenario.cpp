// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated phone's scenario loader on arbitrary text: a scenario it accepts has sane
// sizes and times, and a phone built from it answers a client in bounded time and output.
//
// Input: the scenario file (JSON).
#include "phonecheck.h"

namespace {

/// What a client does in a short session: identify, look at every memory and phonebook,
/// read, write and send a message.
const QByteArray kSession =
    "AT\rAT+CGMI\rATI\rAT+CPMS=?\rAT+CPMS=\"MT\",\"MT\",\"MT\"\rAT+CPMS?\rAT+CMGL=4\r"
    "AT+CMGR=1\rAT+CPBS=\"SM\"\rAT+CPBR=?\rAT+CPBR=1,5\rAT+CPBS=\"ME\"\rAT+CPBR=1\r"
    "AT^SDBR=?\rAT^SDBR=1\rAT+CSCA?\rAT+CMGW=19\r0011000B911326880736F40000A90548656C6C6F\x1A"
    "AT+CMGS=19\r0011000B911326880736F40000A90548656C6C6F\x1A" "AT+CMGD=1,4\r";

void CheckSane(const phonesim::Scenario &s)
{
    FUZZ_CHECK(s.latencyMs >= 0 && s.jitterMs >= 0 && s.chunkGapMs >= 0 && s.silentMs >= 0);
    FUZZ_CHECK(s.chunks >= 1 && s.dropAfterCommands >= 0);
    for (const phonesim::MessageStore *m : {&s.phoneMessages, &s.simMessages}) {
        FUZZ_CHECK(m->capacity >= 0);
        for (auto it = m->messages.begin(); it != m->messages.end(); ++it)
            FUZZ_CHECK(it.key() >= 1 && it.key() <= m->capacity);
    }
    for (const phonesim::Phonebook *b : {&s.sim, &s.phone}) {
        FUZZ_CHECK(b->size >= 0);
        for (auto it = b->entries.begin(); it != b->entries.end(); ++it)
            FUZZ_CHECK(it.key() >= 1 && it.key() <= b->size);
    }
    if (s.addressBook) {
        for (auto it = s.addressBook->contacts.begin(); it != s.addressBook->contacts.end(); ++it)
            FUZZ_CHECK(it.key() >= s.addressBook->first && it.key() <= s.addressBook->last);
    }
    for (const phonesim::Injection &i : s.injections)
        FUZZ_CHECK(!i.command.isEmpty() && i.occurrence >= 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<phonesim::Scenario> s = phonesim::ParseScenario(json, &error);
    if (!s) {
        FUZZ_CHECK(!error.isEmpty());   // a refusal always says why
        return 0;
    }
    CheckSane(*s);
    // Everything a reply can hold comes from the scenario file or is a few fixed words.
    const qint64 limit = 2 * json.size() + 4096;
    fuzz::CheckedPhone phone(*s);
    const QByteArray out = phone.feed(kSession);
    FUZZ_CHECK(out.size() <= kSession.size() + fuzz::CommandStarts(kSession) * limit);
    return 0;
}
