// SPDX-License-Identifier: GPL-3.0-or-later
// The phone-reply parsers on arbitrary buffers: the range of a test command and the
// service-centre number. What they return is a piece of the buffer, found where the
// reply's layout puts it, and a number written back into a reply reads the same.
//
// Input: the receive buffer's characters (one octet each).
#include "app/replydispatcher.h"
#include "app/vbstrings.h"
#include "compose/sendworkflow.h"
#include "fuzzcheck.h"

#include <QRegularExpression>

namespace {

void CheckRange(const QString &buffer)
{
    const ReplyRange r = Reply::ParseRange(buffer);
    const QString tail = buffer.mid(20);   // the range starts at position 21
    FUZZ_CHECK(!r.firstText.contains(QLatin1Char('-')) && !r.lastText.contains(QLatin1Char(')')));
    const qsizetype dash = tail.indexOf(QLatin1Char('-'));
    if (dash < 0) {
        FUZZ_CHECK(r.firstText == tail && r.lastText.isEmpty() && !r.complete);
    } else {
        FUZZ_CHECK(r.firstText == tail.left(dash));
        const qsizetype close = tail.indexOf(QLatin1Char(')'), dash + 1);
        FUZZ_CHECK(r.complete == (close >= 0));
        FUZZ_CHECK(r.lastText == (close >= 0 ? tail.mid(dash + 1, close - dash - 1)
                                             : tail.mid(dash + 1)));
    }
    static const QRegularExpression small(QStringLiteral("^[0-9]{1,4}$"));
    if (small.match(r.firstText).hasMatch())
        FUZZ_CHECK(r.first == r.firstText.toInt());
    if (small.match(r.lastText).hasMatch())
        FUZZ_CHECK(r.last == r.lastText.toInt());
}

void CheckServiceCentre(const QString &buffer)
{
    const std::optional<QString> number = Compose::ParseServiceCentreReply(buffer);
    const qsizetype open = buffer.indexOf(QLatin1Char('"'));
    const qsizetype close = open < 0 ? -1 : buffer.indexOf(QLatin1Char('"'), open + 1);
    if (!number) {
        // Refused only when there is no quoted text past the character after the quote.
        FUZZ_CHECK(close < 0 || close <= open + 2);
        return;
    }
    FUZZ_CHECK(!number->isEmpty() && !number->contains(QLatin1Char('"')));
    FUZZ_CHECK(close == open + 2 + number->size());
    FUZZ_CHECK(buffer.mid(open + 2, number->size()) == *number);
    // Written back into a standard reply, the number reads the same.
    const QString reply = QStringLiteral("AT+CSCA?\r\r\n+CSCA: \"+") + *number
                          + QStringLiteral("\",145\r\n\r\nOK\r\n");
    FUZZ_CHECK(Compose::ParseServiceCentreReply(reply) == number);
}

void CheckTextUpToCr(const QString &buffer)
{
    for (qsizetype start : {qsizetype(1), qsizetype(10), qsizetype(11), buffer.size()}) {
        const QString t = Reply::TextUpToCr(buffer, start);
        FUZZ_CHECK(!t.contains(QLatin1Char('\r')));
        FUZZ_CHECK(t == vb::Mid(buffer, start, t.size()));
        // It runs up to the CR or the end, not short of them.
        if (start >= 1 && start <= buffer.size()) {
            const qsizetype after = start - 1 + t.size();
            FUZZ_CHECK(after == buffer.size() || buffer.at(after) == QLatin1Char('\r'));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString buffer = QString::fromLatin1(reinterpret_cast<const char *>(data),
                                               qsizetype(size));
    CheckRange(buffer);
    CheckServiceCentre(buffer);
    CheckTextUpToCr(buffer);
    return 0;
}
