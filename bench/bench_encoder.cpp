// SPDX-License-Identifier: GPL-3.0-or-later
// Encoder throughput: PDUs built per second for the longest text (760 characters, five
// concatenated parts), and the septet packer alone.
#include "app/appstate.h"
#include "compose/elabora.h"
#include "encoding/codice7.h"

#include <benchmark/benchmark.h>

namespace {

QString text760()
{
    const QString pool = QStringLiteral("Ciao, come stai? \u00E8\u00E9\u00F9 0123456789 \r\n");
    QString t;
    for (int i = 0; i < 760; ++i)
        t += pool.at(i % pool.size());
    return t;
}

void BM_Elabora760(benchmark::State &st)
{
    Codice7::InitGsmTable();
    AppState s;
    const Compose::ElaboraInput in{QStringLiteral("393359609600"), QStringLiteral("+393471234567"),
                                   text760()};
    for (auto _ : st) {
        auto r = Compose::Elabora(s, in);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(s.Pdu5);
    }
    st.SetItemsProcessed(st.iterations() * 5);   // items = PDUs
    st.SetLabel("items/s = PDUs per second, 5 PDUs per 760-character text");
}
BENCHMARK(BM_Elabora760);

void BM_PackSeptets160(benchmark::State &st)
{
    Codice7::InitGsmTable();
    const QString t = text760().left(160);
    for (auto _ : st) {
        QString packed = Codice7::PackSeptets(t);
        benchmark::DoNotOptimize(packed);
    }
    st.SetItemsProcessed(st.iterations());
    st.SetBytesProcessed(st.iterations() * 160);
}
BENCHMARK(BM_PackSeptets160);

} // namespace

BENCHMARK_MAIN();
