// Whole-device backup and restore against the simulated device (8 inputs, 8 outputs, 8 users,
// 8 internals) over a pseudo-terminal, against the sum of the pauses the protocol mandates for the
// requests each run sent (50 ms after a GET, 20 ms after a SET, 100 ms more after selecting a user
// slot), taken from the device's own request log.
//  - backup: every slot read (ND_SEL and four quarters), the mode asked, the bracket commands;
//  - restore: all 16 writable slots differ: compare-read, write, read-back each, then the mode.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceBackup.h"
#include "link/DeviceSession.h"
#include "shell/DebugLog.h"

namespace {

double mandatedMs(const SimulatedDevice &device)
{
    double ms = 0;
    for (const SimulatedRequest &r : device.requests()) {
        if (!r.parsed)
            continue;
        ms += r.direction == Direction::GET ? 50 : 20;
        if (r.direction == Direction::SET && r.command == Command::ND_SEL && !r.payload.isEmpty() &&
            (std::uint8_t(r.payload[0]) >> 4) == 2)
            ms += 100;
    }
    return ms;
}

SimulatedDeviceConfig eightOfEach()
{
    SimulatedDeviceConfig c;
    c.inputs = c.outputs = c.users = c.internals = 8;
    return c;
}

void report(benchmark::State &state, double total, double mandated)
{
    const double mean = total / double(state.iterations());
    state.counters["mean_ms"] = mean;
    state.counters["mandated_ms"] = mandated;
    state.counters["over_mandated_pct"] = (mean - mandated) / mandated * 100.0;
}

void BM_BackupEightOfEach(benchmark::State &state)
{
    SimulatedDevice device(eightOfEach());
    if (!device.start())
        return state.SkipWithError("no pseudo-terminal");
    DebugLog log;
    DeviceSession session(log);
    session.setPortOverride({device.portPath()});
    session.search();
    double total = 0, mandated = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        device.clearRequests();
        QElapsedTimer clock;
        clock.start();
        const BackupResult r = backupDevice(session, dir.path());
        const double ms = clock.nsecsElapsed() / 1e6;
        if (!r.ok() || r.manifest.entries.size() != 32)
            return state.SkipWithError("backup incomplete");
        total += ms;
        mandated = mandatedMs(device);
        state.SetIterationTime(ms / 1e3);
    }
    report(state, total, mandated);
}
BENCHMARK(BM_BackupEightOfEach)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_RestoreSixteenChangedSlots(benchmark::State &state)
{
    SimulatedDevice device(eightOfEach());
    if (!device.start())
        return state.SkipWithError("no pseudo-terminal");
    DebugLog log;
    DeviceSession session(log);
    session.setPortOverride({device.portPath()});
    session.search();
    QTemporaryDir dir;
    if (!backupDevice(session, dir.path()).ok())
        return state.SkipWithError("backup incomplete");
    double total = 0, mandated = 0;
    for (auto _ : state) {
        for (int kind : {0, 2})
            for (int n = 1; n <= 8; ++n) {
                EdidImage image = device.slotImage(kind, n);
                image[12] ^= 0x5A;
                setEdidChecksums(image);
                device.setSlotImage(kind, n, image);
            }
        device.config().edidMode = 0;
        device.clearRequests();
        QElapsedTimer clock;
        clock.start();
        RestorePlan plan = planRestore(session, dir.path(), RestoreFilter::All);
        const bool ok = runRestore(session, plan);
        const double ms = clock.nsecsElapsed() / 1e6;
        if (!ok)
            return state.SkipWithError("restore failed");
        total += ms;
        mandated = mandatedMs(device);
        state.SetIterationTime(ms / 1e3);
    }
    report(state, total, mandated);
}
BENCHMARK(BM_RestoreSixteenChangedSlots)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
