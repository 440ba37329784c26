// SPDX-License-Identifier: GPL-3.0-or-later
// Send to "Messagge sent": the main window and the real reply dispatcher against the
// simulated phone, over a modelled serial line (10 bits per octet at the chosen speed,
// each direction busy while an octet string is on it). Printed beside the limit set by
// the line and the phone alone:
//     octets on the wire / (baud / 10) + phone latency x replies
// The chain is paced by the replies only, so the measured time should stay within 10%.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/phoneport.h"
#include "app/seams.h"
#include "encoding/codice7.h"
#include "modelledline.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

QString textFor(int parts)
{
    const int chars = parts == 1 ? 160 : parts * 152;
    QString t;
    for (int i = 0; i < chars; ++i)
        t += QChar(u'a' + i % 26);
    return t;
}

void BM_SendToSent(benchmark::State &st)
{
    const int parts = int(st.range(0));
    const int baud = int(st.range(1));
    const int latency = int(st.range(2));
    Codice7::InitGsmTable();
    // The sent log and the counter file go to a folder of their own (BENCH_FOLDER picks
    // where, e.g. a RAM disk, to see how much the file writes cost).
    QTemporaryDir dir(qEnvironmentVariableIsSet("BENCH_FOLDER")
                          ? qEnvironmentVariable("BENCH_FOLDER") + QStringLiteral("/benchXXXXXX")
                          : QString());
    Seams::setProgramFolder(dir.path());

    phonesim::Scenario scenario;
    scenario.latencyMs = latency;
    scenario.chunks = 1;
    phonesim::SimulatedPhone phone(scenario);
    int replies = 0;
    phone.setEventSink([&replies](const QJsonObject &o) {
        if (o.value(QLatin1String("type")).toString() == QLatin1String("reply"))
            ++replies;
    });
    ModelledLinePort port(phone, baud);
    AppState state;
    state.ConfirmSend = false;
    Form1 form(state, port);
    form.Timer1->stop();
    form.Text2->setText(QStringLiteral("393359609600"));
    form.Text4->setText(QStringLiteral("+393471234567"));
    form.setText5Text(textFor(parts));

    bool sent = false;
    qint64 sentAt = 0;
    Seams::setMsgBoxHandler([&](const Seams::MsgBoxCall &call) {
        if (call.text == QLatin1String("Messagge sent")) {
            sent = true;
            sentAt = port.now();
        }
        return call.defaultButton;
    });

    double sumMeasured = 0, sumLimit = 0;
    for (auto _ : st) {
        sent = false;
        replies = 0;
        port.resetCount();
        const qint64 start = port.now();
        form.Command6_Click();
        while (!sent && port.now() - start < 60LL * 1000000000) {
            QCoreApplication::processEvents();
            port.pump();
        }
        if (!sent) {
            st.SkipWithError("no \"Messagge sent\"");
            break;
        }
        const double measured = double(sentAt - start) / 1e9;
        const double limit = double(port.octets()) / (baud / 10.0) + latency / 1000.0 * replies;
        st.SetIterationTime(measured);
        sumMeasured += measured;
        sumLimit += limit;
    }
    Seams::setMsgBoxHandler({});
    Seams::setProgramFolder(QString());
    const double n = double(st.iterations());
    if (n > 0) {
        st.counters["measured_ms"] = sumMeasured / n * 1000;
        st.counters["limit_ms"] = sumLimit / n * 1000;
        st.counters["over_limit_%"] = (sumMeasured / sumLimit - 1) * 100;
        st.counters["octets"] = double(port.octets());
        st.counters["replies"] = replies;
    }
}

} // namespace

BENCHMARK(BM_SendToSent)
    ->ArgNames({"parts", "baud", "latency_ms"})
    ->ArgsProduct({{1, 5}, {115200, 9600}, {0, 50}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
