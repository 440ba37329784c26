// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated phone's command handling on arbitrary bytes from a client: bounded output,
// well-framed replies, and the same answer whether the bytes come whole or in pieces.
//
// Input: one octet for the largest piece (0: one octet at a time), one seed octet, then the
// bytes the client writes. The phone is the demo scenario.
#include "phonecheck.h"

#include <QFile>

namespace {

const phonesim::Scenario &Demo()
{
    static const phonesim::Scenario scenario = [] {
        QString error;
        auto s = phonesim::LoadScenario(QStringLiteral(SMS_DEMO_SCENARIO), &error);
        FUZZ_CHECK(s.has_value());
        return *s;
    }();
    return scenario;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const qint64 kReplyLimit = 2 * QFile(QStringLiteral(SMS_DEMO_SCENARIO)).size() + 4096;
    fuzz::Input in(data, size);
    const int maxPiece = 1 + in.byte();
    fuzz::Dice dice(in.byte());
    const QByteArray bytes = in.rest();

    fuzz::CheckedPhone whole(Demo());
    const QByteArray all = whole.feed(bytes);
    FUZZ_CHECK(all.size() <= bytes.size() + fuzz::CommandStarts(bytes) * kReplyLimit);
    FUZZ_CHECK(whole.phone->commandCount() <= bytes.count('\r'));

    fuzz::CheckedPhone pieces(Demo());
    QByteArray joined;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype n = 1 + dice.below(std::uint32_t(maxPiece));
        joined += pieces.feed(bytes.mid(at, n));
        at += n;
    }
    FUZZ_CHECK(joined == all);
    FUZZ_CHECK(pieces.phone->commandCount() == whole.phone->commandCount());
    return 0;
}
