// SPDX-License-Identifier: GPL-3.0-or-later
// "Read SMS" to the sorted list: the message browser, the main window and the real reply
// dispatcher reading every stored position of the simulated phone in BENCH_BROWSE_SCENARIO
// (bench/browse.sh writes one with 50 messages), two ways:
//  - modelled: over a modelled serial line at 115200 baud, printed beside the limit set by
//    the line and the phone alone: octets on the wire / (baud / 10) + latency x replies;
//  - pty: the simulated phone as its own process on a pseudo-terminal, the real serial port
//    on the program's side, as gammu sees it (the line itself costs next to nothing there,
//    so the limit is latency x replies).
// The chain is paced by the replies only, so the measured time should stay within 10%.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/qserialphoneport.h"
#include "app/seams.h"
#include "browser/form5.h"
#include "encoding/codice7.h"
#include "modelledline.h"
#include "scenario.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <optional>

namespace {

std::optional<phonesim::Scenario> LoadBenchScenario(benchmark::State &st, QString *path)
{
    *path = qEnvironmentVariable("BENCH_BROWSE_SCENARIO");
    QString error;
    auto s = path->isEmpty() ? std::nullopt : phonesim::LoadScenario(*path, &error);
    if (!s)
        st.SkipWithError(path->isEmpty() ? "BENCH_BROWSE_SCENARIO is not set; run bench/browse.sh"
                                         : qPrintable(error));
    return s;
}

bool Done(const AppState &state, Form5 &browser, int positions)
{
    return !state.WaitReadReply && browser.ReadIndex() == positions
           && browser.Command4->isEnabled();
}

void Report(benchmark::State &st, double measured, double limit, int replies, int positions,
            int listed, int latency)
{
    const double n = double(st.iterations());
    if (n <= 0)
        return;
    st.counters["measured_ms"] = measured / n * 1000;
    st.counters["limit_ms"] = limit / n * 1000;
    st.counters["over_limit_%"] = (measured / limit - 1) * 100;
    st.counters["replies"] = replies;
    st.counters["positions"] = positions;
    st.counters["listed"] = listed;
    st.counters["latency_ms"] = latency;
}

void BM_BrowseModelled(benchmark::State &st)
{
    constexpr int kBaud = 115200;
    QString path;
    std::optional<phonesim::Scenario> scenario = LoadBenchScenario(st, &path);
    if (!scenario)
        return;
    scenario->jitterMs = 0;
    scenario->chunks = 1;
    const int latency = scenario->latencyMs;
    const int positions = scenario->phoneMessages.capacity;
    phonesim::SimulatedPhone phone(*scenario);
    int replies = 0;
    phone.setEventSink([&replies](const QJsonObject &o) {
        if (o.value(QLatin1String("type")).toString() == QLatin1String("reply"))
            ++replies;
    });
    ModelledLinePort port(phone, kBaud);
    AppState state;
    state.SmsCapacity = std::int16_t(positions);
    Form1 form(state, port);
    form.Timer1->stop();
    Form5 &browser = *form.BrowserWindow();
    browser.Form_Activate();

    double sumMeasured = 0, sumLimit = 0;
    for (auto _ : st) {
        replies = 0;
        port.resetCount();
        const qint64 start = port.now();
        browser.Command4_Click();   // "Update": the whole store again
        while (!Done(state, browser, positions) && port.now() - start < 120LL * 1000000000) {
            QCoreApplication::processEvents();
            port.pump();
        }
        if (!Done(state, browser, positions)) {
            st.SkipWithError("the read did not end");
            break;
        }
        const double measured = double(port.now() - start) / 1e9;
        const double limit = double(port.octets()) / (kBaud / 10.0) + latency / 1000.0 * replies;
        st.SetIterationTime(measured);
        sumMeasured += measured;
        sumLimit += limit;
    }
    Report(st, sumMeasured, sumLimit, replies, positions, browser.Grid1->rowCount(), latency);
}

void BM_BrowsePty(benchmark::State &st)
{
    QString path;
    const std::optional<phonesim::Scenario> scenario = LoadBenchScenario(st, &path);
    if (!scenario)
        return;
    const int latency = scenario->latencyMs;
    const int positions = scenario->phoneMessages.capacity;
    QTemporaryDir dir;
    Seams::setProgramFolder(dir.path());
    const QString transcript = dir.filePath(QStringLiteral("t.jsonl"));
    QProcess sim;
    sim.start(QStringLiteral(SMS_PHONESIM_PATH),
              {QStringLiteral("--scenario"), path, QStringLiteral("--link"),
               dir.filePath(QStringLiteral("COM1")), QStringLiteral("--transcript"), transcript});
    QDeadlineTimer linked(5000);
    while (!QFile::exists(dir.filePath(QStringLiteral("COM1"))) && !linked.hasExpired())
        QThread::msleep(10);
    QSerialPhonePort port;
    AppState state;
    state.SmsCapacity = std::int16_t(positions);
    Form1 form(state, port);
    form.Timer1->stop();
    if (!sim.waitForStarted(5000) || !port.setPortOpen(true)) {
        st.SkipWithError("the simulated phone did not start");
        return;
    }
    Form5 &browser = *form.BrowserWindow();
    browser.Form_Activate();

    const auto replies = [&] {
        QFile f(transcript);
        f.open(QIODevice::ReadOnly);
        return int(f.readAll().count("\"type\":\"reply\""));
    };
    double sumMeasured = 0, sumLimit = 0;
    int lastReplies = 0;
    for (auto _ : st) {
        const int before = replies();
        QElapsedTimer clock;
        clock.start();
        browser.Command4_Click();
        QDeadlineTimer deadline(120000);
        while (!Done(state, browser, positions) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double measured = double(clock.nsecsElapsed()) / 1e9;
        if (!Done(state, browser, positions)) {
            st.SkipWithError("the read did not end");
            break;
        }
        lastReplies = replies() - before;
        st.SetIterationTime(measured);
        sumMeasured += measured;
        sumLimit += latency / 1000.0 * lastReplies;
    }
    port.setPortOpen(false);
    sim.terminate();
    sim.waitForFinished(3000);
    Seams::setProgramFolder(QString());
    // At 0 ms the limit is nothing: the ratio then says nothing either.
    Report(st, sumMeasured, sumLimit > 0 ? sumLimit : sumMeasured, lastReplies, positions,
           browser.Grid1->rowCount(), latency);
}

} // namespace

BENCHMARK(BM_BrowseModelled)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BrowsePty)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Codice7::InitGsmTable();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
