// Whole kelmctl commands, one process each, against the simulated device over a pseudo-terminal:
// from starting kelmctl to its exit, against the sum of the pauses the protocol mandates for the
// requests that run sent (taken from the device's request log). The time above the pauses is the
// program's own, reported in three parts: start_ms (until the first byte reaches the device: the
// start of kelmctl-serial and the port's opening), per_request_ms (how far each request's next one
// comes later than its pause allows: the pause ending late, reply handling, the next line's
// making) and tail_ms (from the end of the last pause to the exit, output and files included).
// Goal: at most 2 % above the pauses.
//
// KELMCTL_BENCH_PROGRAM names another kelmctl to measure (an older build beside this one, run in
// turns with it). The commands keep their slot history in a folder of their own, fresh per case.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include "devsim/lib/SimulatedDevice.h"
#include "BenchSupport.h"

namespace {

// Runs kelmctl with the device's port and `args` while this process keeps serving the device.
QString program()
{
    const QString other = qEnvironmentVariable("KELMCTL_BENCH_PROGRAM");
    return other.isEmpty() ? QStringLiteral(KELMCTL_PATH) : other;
}

bool runKelmctl(const SimulatedDevice &device, const QStringList &args, const QString &dataHome)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    process.start(program(), QStringList{QStringLiteral("-p"), device.portPath()} + args);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

struct Breakdown
{
    double startMs = 0;
    double perRequestMs = 0; // the mean over the requests that have a next one
    double tailMs = 0;
};

// Where one run's time above the pauses went, from when each request's first byte reached the
// device (the handshake's first bytes are its wake-up).
Breakdown breakdown(const SimulatedDevice &device, qint64 startedNs, qint64 endedNs)
{
    Breakdown b;
    QList<const SimulatedRequest *> sent;
    for (const SimulatedRequest &r : device.requests())
        if (r.parsed)
            sent << &r;
    if (sent.isEmpty())
        return b;
    b.startMs = double(sent.first()->firstByteNs - startedNs) / 1e6;
    for (qsizetype i = 0; i + 1 < sent.size(); ++i)
        b.perRequestMs += double(sent[i + 1]->firstByteNs - sent[i]->firstByteNs) / 1e6 - pauseAfterMs(*sent[i]);
    if (sent.size() > 1)
        b.perRequestMs /= double(sent.size() - 1);
    b.tailMs = double(endedNs - sent.last()->firstByteNs) / 1e6 - pauseAfterMs(*sent.last());
    return b;
}

void BM_Kelmctl(benchmark::State &state, QStringList args)
{
    SimulatedDevice device;
    if (!device.start()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("image.bin"));
    for (QString &a : args)
        a.replace(QStringLiteral("@DIR"), dir.path()).replace(QStringLiteral("@IMAGE"), image);
    // The file that write uploads.
    const QString dataHome = dir.filePath(QStringLiteral("data"));
    if (!runKelmctl(device, {QStringLiteral("read"), QStringLiteral("internal1"), QStringLiteral("-o"), image},
                    dataHome)) {
        state.SkipWithError("kelmctl read failed");
        return;
    }
    double total = 0, mandated = 0, starting = 0, perRequest = 0, tail = 0;
    for (auto _ : state) {
        device.clearRequests();
        const qint64 startedNs = device.clockMs() * 1'000'000;
        QElapsedTimer clock;
        clock.start();
        const bool ok = runKelmctl(device, args, dataHome);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const qint64 endedNs = device.clockMs() * 1'000'000;
        if (!ok) {
            state.SkipWithError("kelmctl failed");
            return;
        }
        const Breakdown b = breakdown(device, startedNs, endedNs);
        starting += b.startMs;
        perRequest += b.perRequestMs;
        tail += b.tailMs;
        total += ms;
        mandated = mandatedPausesMs(device);
        state.SetIterationTime(ms / 1e3);
    }
    reportAgainstMandated(state, total, mandated);
    const double runs = static_cast<double>(state.iterations());
    state.counters["ratio"] = total / runs / mandated;
    state.counters["start_ms"] = starting / runs;
    state.counters["per_request_ms"] = perRequest / runs;
    state.counters["tail_ms"] = tail / runs;
}

BENCHMARK_CAPTURE(BM_Kelmctl, info, QStringList{"info"})->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Kelmctl, read, QStringList{"read", "input1", "-o", "@DIR/read.bin"})
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Kelmctl, write, QStringList{"write", "user1", "@IMAGE"})
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Kelmctl, copy, QStringList{"copy", "internal1", "user2"})
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
// The same without the slot history (-H): what is left is the link's and the program's own time.
BENCHMARK_CAPTURE(BM_Kelmctl, write_no_history, QStringList{"write", "-H", "user1", "@IMAGE"})
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Kelmctl, copy_no_history, QStringList{"copy", "-H", "internal1", "user2"})
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Kelmctl, backup, QStringList{"backup", "@DIR/backup"})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

KELM_BENCHMARK_MAIN(QCoreApplication)
