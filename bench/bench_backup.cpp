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
#include "BenchSupport.h"

namespace {

SimulatedDeviceConfig eightOfEach()
{
    SimulatedDeviceConfig c;
    c.inputs = c.outputs = c.users = c.internals = 8;
    return c;
}

// Times one run of work from a cleared request log; the run's mandated pauses come from that log.
// False when the work failed.
template <typename Work>
bool timeRun(benchmark::State &state, SimulatedDevice &device, double &totalMs, double &mandated, Work work)
{
    device.clearRequests();
    QElapsedTimer clock;
    clock.start();
    const bool ok = work();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (!ok)
        return false;
    totalMs += ms;
    mandated = mandatedPausesMs(device);
    state.SetIterationTime(ms / 1e3);
    return true;
}

// The simulated device with a session searched onto it.
struct SearchedDevice
{
    SimulatedDevice device{eightOfEach()};
    DebugLog log;
    DeviceSession session{log};

    bool start()
    {
        if (!device.start())
            return false;
        session.transport().setPortOverride({device.portPath()});
        session.search();
        return true;
    }
};

void BM_BackupEightOfEach(benchmark::State &state)
{
    SearchedDevice searched;
    if (!searched.start())
        return state.SkipWithError("no pseudo-terminal");
    SimulatedDevice &device = searched.device;
    DeviceSession &session = searched.session;
    double total = 0, mandated = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        if (!timeRun(state, device, total, mandated, [&] {
                const BackupResult r = backupDevice(session, dir.path());
                return r.ok() && r.manifest.entries.size() == 32;
            }))
            return state.SkipWithError("backup incomplete");
    }
    reportAgainstMandated(state, total, mandated);
}
BENCHMARK(BM_BackupEightOfEach)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_RestoreSixteenChangedSlots(benchmark::State &state)
{
    SearchedDevice searched;
    if (!searched.start())
        return state.SkipWithError("no pseudo-terminal");
    SimulatedDevice &device = searched.device;
    DeviceSession &session = searched.session;
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
        if (!timeRun(state, device, total, mandated, [&] {
                RestorePlan plan = planRestore(session, dir.path(), RestoreFilter::All);
                return runRestore(session, plan);
            }))
            return state.SkipWithError("restore failed");
    }
    reportAgainstMandated(state, total, mandated);
}
BENCHMARK(BM_RestoreSixteenChangedSlots)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

KELM_BENCHMARK_MAIN(QCoreApplication)
