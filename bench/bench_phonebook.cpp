// SPDX-License-Identifier: GPL-3.0-or-later
// Phonebook download time: the program on the real serial port against the simulated phone
// (demo books: SIM 250, phone 100 and address book 100 positions) at several read delays,
// printed beside the bound its timers and the phone set (see Bound) and beside gammu's
// getallmemory SM on the same phone.
//
//   bench_phonebook [latency_ms ...]     (default 0 50 350)
#include "app/appstate.h"
#include "app/form1.h"
#include "phonesimrunner.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

/// The demo phone with `latency` ms on every phonebook read: the phone search, which selects
/// the books and asks for their ranges too, keeps its quick answers.
QString Scenario(const QString &demo, int latency, const QString &folder)
{
    QFile in(demo);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QJsonObject s = QJsonDocument::fromJson(in.readAll()).object();
    QJsonObject perCommand;
    for (const char *c : {"AT+CPBR", "AT^SDBR"})
        perCommand[QLatin1String(c)] = latency;
    perCommand[QStringLiteral("AT+CPBR=?")] = 0;
    perCommand[QStringLiteral("AT^SDBR=?")] = 0;
    s[QStringLiteral("timing")] = QJsonObject{{QStringLiteral("latencyMs"), 0},
                                              {QStringLiteral("commandLatencyMs"), perCommand},
                                              {QStringLiteral("jitterMs"), 0},
                                              {QStringLiteral("chunks"), 1}};
    const QString path = folder + QStringLiteral("/demo-%1.json").arg(latency);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(s).toJson()) <= 0)
        return {};
    return path;
}

/// Milliseconds from Upload, pressed just after a status tick, to the download's end. A stage
/// starts on a status tick; the SIM and phone stages spend one 200 ms tick on the select and
/// then a tick or the read delay, whichever is longer, per position; the address book 150 ms
/// or the read delay per position. The last answer is seen on the tick (or the poll) that
/// ends the stage.
double Bound(int sim, int phone, int first, int last, int latency)
{
    const auto grid = [](double t) { return std::ceil(t / 1000.0) * 1000.0; };
    const double perRead = std::max(200, latency), perEntry = std::max(150, latency);
    double t = 1000;                                   // the SIM stage's start
    t = grid(t + 200 + sim * perRead);                 // the phone stage's start
    t = grid(t + 200 + phone * perRead);               // the address book's start
    return grid(t + (last - first + 1) * perEntry);    // the end, on a status tick
}

int Entries(const QString &demo)
{
    QFile f(demo);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QJsonObject s = QJsonDocument::fromJson(f.readAll()).object();
    int n = int(s[QStringLiteral("simPhonebook")][QStringLiteral("entries")].toArray().size()
                + s[QStringLiteral("phonePhonebook")][QStringLiteral("entries")].toArray().size());
    for (const QJsonValue &c : s[QStringLiteral("addressBook")][QStringLiteral("contacts")]
                                   .toArray())
        n += int(c[QStringLiteral("numbers")].toArray().size());
    return n;
}

/// gammu getallmemory SM against its own simulated phone on the same scenario, in seconds.
double GammuSeconds(const QString &phonesim, const QString &scenario, const QString &folder)
{
    const QString gammu = QStandardPaths::findExecutable(QStringLiteral("gammu"));
    if (gammu.isEmpty())
        return -1;
    const QString link = folder + QStringLiteral("/gammu-COM1");
    const QString rc = folder + QStringLiteral("/gammurc");
    QFile f(rc);
    if (!f.open(QIODevice::WriteOnly))
        return -1;
    f.write("[gammu]\ndevice = " + QFile::encodeName(link) + "\nconnection = at\n");
    f.close();
    QProcess sim;
    sim.start(phonesim, {QStringLiteral("--scenario"), scenario, QStringLiteral("--link"), link});
    QElapsedTimer wait;
    wait.start();
    while (!QFile::exists(link) && wait.elapsed() < 5000)
        QTest::qWait(10);
    QProcess client;
    QElapsedTimer t;
    t.start();
    client.start(gammu, {QStringLiteral("-c"), rc, QStringLiteral("getallmemory"),
                         QStringLiteral("SM")});
    const bool done = client.waitForFinished(600000) && client.exitCode() == 0;
    const double seconds = t.elapsed() / 1000.0;
    sim.terminate();
    sim.waitForFinished(3000);
    return done ? seconds : -1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> latencies;
    for (int i = 1; i < argc; ++i)
        latencies << QString::fromLocal8Bit(argv[i]).toInt();
    if (latencies.isEmpty())
        latencies = {0, 50, 350};
    const QString build = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    const QString phonesim = build + QStringLiteral("/tools/phonesim/phonesim");
    const QString demo = QStringLiteral(SMS_SOURCE_DIR "/tools/phonesim/scenarios/demo.json");
    QTemporaryDir folder;

    std::printf("%-10s %9s %9s %11s %9s %8s %14s\n", "latency_ms", "entries", "expected",
                "measured_s", "bound_s", "over_%", "gammu_SM_s");
    for (int latency : latencies) {
        const QString scenario = Scenario(demo, latency, folder.path());
        PhonesimRunner p;
        if (scenario.isEmpty() || !p.start(phonesim, scenario)) {
            std::printf("%-10d cannot start: %s\n", latency, qPrintable(p.error));
            continue;
        }
        const AppState &s = p.state;
        const double bound = Bound(s.SimPhonebookSize, s.PhonePhonebookSize, s.AddressBookFirst,
                                   s.AddressBookLast, latency);
        QElapsedTimer t;
        // Upload just after a status tick, so the bound knows when the first stage starts.
        QObject::connect(p.form->Timer1, &QTimer::timeout, p.form.get(), [&] {
            if (!t.isValid()) {
                p.form->Mn_Upload_Click();
                t.start();
            }
        });
        QElapsedTimer limit;
        limit.start();
        while ((!t.isValid() || s.PhonebookDownload) && limit.elapsed() < 10 * 60 * 1000)
            QTest::qWait(5);
        const double measured = t.elapsed() / 1000.0;
        const double gammu = GammuSeconds(phonesim, scenario, folder.path());
        std::printf("%-10d %9d %9d %11.2f %9.2f %8.1f %14s\n", latency, p.form->Combo2->count(),
                    Entries(demo), measured, bound / 1000.0, (measured * 1000 / bound - 1) * 100,
                    gammu < 0 ? "n/a" : qPrintable(QString::number(gammu, 'f', 2)));
        std::fflush(stdout);
    }
    return 0;
}
