// SPDX-License-Identifier: GPL-3.0-or-later
// The program's small files when they are not small: appending one entry to sent logs of
// growing size (and, for comparison, what reading such a log whole costs), and reading
// Setting.sms, Sent.txt and Operator.sms of 50 MB at start-up. Each figure comes with the
// growth of the process's peak memory while it was taken.
#include "app/seams.h"
#include "app/settingsfile.h"
#include "app/textfile.h"
#include "compose/sendworkflow.h"
#include "logos/bitmap.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

/// The process's resident and peak resident memory in kB, from /proc/self/status.
long statusKb(const char *field)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

/// Sets the peak back to the present, so the next reading shows what came after.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

/// Fills `path` with `megabytes` MB: `head` first, then lines of `line` repeated.
bool fill(const QString &path, int megabytes, const QByteArray &head, const QByteArray &line)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(head) != head.size())
        return false;
    const QByteArray block = line.repeated(qMax<qsizetype>(1, (1 << 20) / line.size()));
    for (qint64 written = head.size(); written < qint64(megabytes) << 20; written += block.size())
        if (f.write(block) != block.size())
            return false;
    return true;
}

void reportPeak(benchmark::State &st, long rssBefore)
{
    st.counters["peak_growth_MB"] = double(statusKb("VmHWM") - rssBefore) / 1024.0;
}

// One entry appended to a log of range(0) MB: the log's existence is all that is asked.
void BM_AppendSentLog(benchmark::State &st)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LogSMS.txt"));
    const int mb = int(st.range(0));
    if (mb > 0 && !fill(path, mb, Compose::LogHeader().toLatin1(), QByteArray(60, 'x') + "\r\n")) {
        st.SkipWithError("cannot write the log");
        return;
    }
    const QDateTime when(QDate(2026, 5, 17), QTime(10, 20, 30));
    resetPeak();
    const long rss = statusKb("VmRSS");
    for (auto _ : st) {
        const bool ok = Compose::AppendSentLog(path, QStringLiteral("hello"),
                                               QStringLiteral("+393471234567"), when,
                                               QStringLiteral("1"));
        benchmark::DoNotOptimize(ok);
    }
    reportPeak(st, rss);
}
BENCHMARK(BM_AppendSentLog)->ArgName("log_MB")->Arg(0)->Arg(1)->Arg(10)->Arg(50)
    ->Unit(benchmark::kMillisecond);

// What a send paid before: the whole log read, only to see that it exists.
void BM_ReadWholeLog(benchmark::State &st)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LogSMS.txt"));
    if (!fill(path, int(st.range(0)), Compose::LogHeader().toLatin1(),
              QByteArray(60, 'x') + "\r\n")) {
        st.SkipWithError("cannot write the log");
        return;
    }
    resetPeak();
    const long rss = statusKb("VmRSS");
    for (auto _ : st) {
        auto text = TextFile::Read(path);
        benchmark::DoNotOptimize(text);
    }
    reportPeak(st, rss);
}
BENCHMARK(BM_ReadWholeLog)->ArgName("log_MB")->Arg(1)->Arg(10)->Arg(50)
    ->Unit(benchmark::kMillisecond);

// Start-up's readers on files of 50 MB: a valid head and then one enormous line (0), or
// one enormous first line (1).
enum File { Setting, Sent, Operator };

void BM_ReadOversized(benchmark::State &st)
{
    QTemporaryDir dir;
    const auto file = File(st.range(0));
    const bool longFirst = st.range(1) == 1;
    const char *names[] = {"Setting.sms", "Sent.txt", "Operator.sms"};
    const QByteArray heads[] = {" 1 \r\n9600,n,8,1\r\n 0 \r\n393359609600\r\n", " 42 \r\n",
                                "222\r\n01\r\n"};
    const QString path = dir.filePath(QLatin1String(names[file]));
    if (!fill(path, 50, longFirst ? QByteArray() : heads[file], QByteArray(1 << 16, '7'))) {
        st.SkipWithError("cannot write the file");
        return;
    }
    Seams::setProgramFolder(dir.path());
    resetPeak();
    const long rss = statusKb("VmRSS");
    for (auto _ : st) {
        switch (file) {
        case Setting: {
            auto v = SettingsFile::Read(path);
            benchmark::DoNotOptimize(v);
            break;
        }
        case Sent: {
            auto count = SettingsFile::ReadSentCount();
            benchmark::DoNotOptimize(count);
            break;
        }
        case Operator: {
            auto codes = Bitmap::ReadOperatorFile(path);
            benchmark::DoNotOptimize(codes);
            break;
        }
        }
    }
    Seams::setProgramFolder(QString());
    st.SetLabel(std::string(names[file]) + (longFirst ? ", 50 MB first line" : ", 50 MB after"));
    reportPeak(st, rss);
}
BENCHMARK(BM_ReadOversized)->ArgNames({"file", "long_first_line"})
    ->ArgsProduct({{Setting, Sent, Operator}, {0, 1}})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
