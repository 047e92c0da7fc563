// Whole kelmctl commands, one process each, against the simulated device over a pseudo-terminal:
// from starting kelmctl to its exit, against the sum of the pauses the protocol mandates for the
// requests that run sent (taken from the device's request log). The time above the pauses is the
// program's own: starting (the device commands run in kelmctl-device, which loads Qt), and each
// request's write, reply handling and timer slack. Goal: at most 2 % above the pauses.
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
bool runKelmctl(const SimulatedDevice &device, const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    process.start(QStringLiteral(KELMCTL_PATH), QStringList{QStringLiteral("-p"), device.portPath()} + args);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
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
    if (!runKelmctl(device, {QStringLiteral("read"), QStringLiteral("internal1"), QStringLiteral("-o"), image})) {
        state.SkipWithError("kelmctl read failed");
        return;
    }
    double total = 0, mandated = 0, starting = 0;
    for (auto _ : state) {
        device.clearRequests();
        const qint64 startedAt = device.clockMs();
        QElapsedTimer clock;
        clock.start();
        const bool ok = runKelmctl(device, args);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!ok) {
            state.SkipWithError("kelmctl failed");
            return;
        }
        // Until the first byte reaches the device: the program's start-up and the port's opening.
        for (const auto &[at, bytes] : device.received()) {
            if (at >= startedAt) {
                starting += static_cast<double>(at - startedAt);
                break;
            }
        }
        total += ms;
        mandated = mandatedPausesMs(device);
        state.SetIterationTime(ms / 1e3);
    }
    reportAgainstMandated(state, total, mandated);
    const double runs = static_cast<double>(state.iterations());
    state.counters["ratio"] = total / runs / mandated;
    state.counters["start_ms"] = starting / runs;
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
BENCHMARK_CAPTURE(BM_Kelmctl, backup, QStringList{"backup", "@DIR/backup"})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

KELM_BENCHMARK_MAIN(QCoreApplication)
