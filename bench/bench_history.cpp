// What keeping the slot history costs a write, against the simulated device over a pseudo-terminal:
// the same verified upload of a user slot without a history, with one (the slot is read first:
// its ND_SEL moves from the write to that read, so only four GETs are added, 4 x 50 ms), and with
// one whose operation has just read the slot (restore): no request added, only the history's
// files. Mandated without history: write ND_SEL (20 + 100 ms) + four SETs (4 x 20 ms) and the
// read-back ND_SEL (20 + 100 ms) + four GETs (4 x 50 ms) = 520 ms.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"
#include "link/SlotHistory.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "shell/DebugLog.h"
#include "BenchSupport.h"

namespace {

constexpr double mandatedVerifiedWriteMs = (20 + 100 + 4 * 20) + (20 + 100 + 4 * 50);
constexpr double mandatedPreReadMs = 4 * 50;

enum Mode { NoHistory = 0, ReadFirst = 1, AlreadyRead = 2 };

void BM_WriteWithHistory(benchmark::State &state)
{
    const Mode mode = static_cast<Mode>(state.range(0));
    SimulatedDevice device;
    DebugLog log;
    DeviceSession session(log);
    QTemporaryDir root;
    SlotHistory history(root.path());
    if (!searchSimulated(state, device, session))
        return;
    if (!session.connected()) {
        state.SkipWithError("no device");
        return;
    }
    if (mode != NoHistory)
        session.setSlotHistory(&history);
    const SlotCode code = makeSlotCode(SlotKind::User, 1);
    EdidImage images[2];
    for (std::size_t i = 0; i < kEdidImageSize; ++i) {
        images[0][i] = static_cast<uint8_t>(i * 13 + 7);
        images[1][i] = static_cast<uint8_t>(i * 29 + 3);
    }
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        // Each write changes the slot, as a real one does.
        const EdidImage &image = images[n % 2];
        SlotWriteNote note{QStringLiteral("bench"), {}, {}};
        if (mode == AlreadyRead)
            note.before = images[(n + 1) % 2];
        QElapsedTimer clock;
        clock.start();
        const bool ok = uploadImageToSlot(session, code, image, {}, nullptr, true, note);
        const double ms = clock.nsecsElapsed() / 1e6;
        if (!ok) {
            state.SkipWithError("write failed");
            break;
        }
        ++n;
        total += ms;
        state.SetIterationTime(ms / 1e3);
    }
    reportAgainstMandated(state, total, mandatedVerifiedWriteMs + (mode == ReadFirst ? mandatedPreReadMs : 0));
    session.disconnect();
}
BENCHMARK(BM_WriteWithHistory)
    ->ArgName("history")
    ->Arg(NoHistory)
    ->Arg(ReadFirst)
    ->Arg(AlreadyRead)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);

// The history's own files (two images, the index rewritten twice) without any device.
void BM_HistoryFilesPerWrite(benchmark::State &state)
{
    QTemporaryDir root;
    SlotHistory history(root.path());
    const HistoryDevice device{QStringLiteral("1A2B"), QStringLiteral("3C4D"), QStringLiteral("Bench"), {}};
    EdidImage a{}, b{};
    int n = 0;
    for (auto _ : state) {
        a[0] = static_cast<uint8_t>(n);
        b[0] = static_cast<uint8_t>(n + 1);
        ++n;
        if (!history.begin(device, makeSlotCode(SlotKind::User, 1), QStringLiteral("bench"), {}, a, b, nullptr) ||
            !history.finish(device, makeSlotCode(SlotKind::User, 1), true, true)) {
            state.SkipWithError("history not written");
            break;
        }
    }
}
BENCHMARK(BM_HistoryFilesPerWrite)->Iterations(200)->Unit(benchmark::kMillisecond);

} // namespace

KELM_BENCHMARK_MAIN(QCoreApplication)
