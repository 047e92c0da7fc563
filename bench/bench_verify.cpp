// What reading a written slot back costs, against the simulated device over a pseudo-terminal:
// the same upload of a user slot with and without the read-back (Upload, Creator Upload, kelmctl
// write), and a copy into a user slot with and without it. The read-back's mandated pauses are
// ND_SEL of a user slot (20 + 100 ms) and four GETs (4 x 50 ms) = 320 ms.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "BenchSupport.h"

namespace {

constexpr double mandatedWriteMs = 20 + 100 + 4 * 20;
constexpr double mandatedReadBackMs = 20 + 100 + 4 * 50;

EdidImage benchImage()
{
    EdidImage image;
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 13 + 7);
    return image;
}

template <typename Run> void timeOnDevice(benchmark::State &state, double mandatedMs, Run run)
{
    SimulatedDevice device;
    DebugLog log;
    DeviceSession session(log);
    if (!searchSimulated(state, device, session))
        return;
    if (!session.connected()) {
        state.SkipWithError("no device");
        return;
    }
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const bool ok = run(session);
        const double ms = clock.nsecsElapsed() / 1e6;
        if (!ok) {
            state.SkipWithError("transfer failed");
            break;
        }
        total += ms;
        state.SetIterationTime(ms / 1e3);
    }
    reportAgainstMandated(state, total, mandatedMs);
    session.disconnect();
}

void BM_UploadUserSlot(benchmark::State &state)
{
    const bool verify = state.range(0) != 0;
    const EdidImage image = benchImage();
    timeOnDevice(state, mandatedWriteMs + (verify ? mandatedReadBackMs : 0), [&](DeviceSession &session) {
        return uploadImageToSlot(session, makeSlotCode(SlotKind::User, 1), image, {}, nullptr, verify);
    });
}
BENCHMARK(BM_UploadUserSlot)->ArgName("verify")->Arg(0)->Arg(1)->UseManualTime()->Iterations(10)->Unit(
    benchmark::kMillisecond);

void BM_CopyToUserSlot(benchmark::State &state)
{
    const bool verify = state.range(0) != 0;
    // Reading the internal source: ND_SEL 20 ms and four GETs.
    const double readSourceMs = 20 + 4 * 50;
    timeOnDevice(state, readSourceMs + mandatedWriteMs + (verify ? mandatedReadBackMs : 0),
                 [&](DeviceSession &session) {
                     return copySlot(session, makeSlotCode(SlotKind::Internal, 1), makeSlotCode(SlotKind::User, 2),
                                     nullptr, verify) == CopyResult::Copied;
                 });
}
BENCHMARK(BM_CopyToUserSlot)->ArgName("verify")->Arg(0)->Arg(1)->UseManualTime()->Iterations(10)->Unit(
    benchmark::kMillisecond);

} // namespace

KELM_BENCHMARK_MAIN(QCoreApplication)
