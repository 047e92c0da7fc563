// The shell's costs: appending to the debug log view however long the log has grown (it must
// stay proportional to the new text), and how far pauseWithEvents overshoots its time.
#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "app/lib/DebugLogView.h"

namespace {

const QString kLine = QStringLiteral("$GET ND_ED0A FFFF 5A3C\r\n");

// One append of a typical protocol line to a log already holding state.range(0) lines.
void BM_DebugLogViewAppend(benchmark::State &state)
{
    DebugLog log;
    DebugLogView view(log);
    QString prefill;
    for (int i = 0; i < state.range(0); ++i)
        prefill += kLine;
    log.replace(prefill);
    for (auto _ : state)
        log.append(kLine);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DebugLogViewAppend)->Arg(0)->Arg(10000)->Arg(100000);

// The time pauseWithEvents(ms) really takes; "overshoot_ms" is the mean excess over ms.
void BM_PauseWithEvents(benchmark::State &state)
{
    const int ms = static_cast<int>(state.range(0));
    double excess = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        pauseWithEvents(ms);
        const double took = clock.nsecsElapsed() / 1e6;
        excess += took - ms;
        state.SetIterationTime(took / 1e3);
    }
    state.counters["overshoot_ms"] = benchmark::Counter(excess / state.iterations());
}
BENCHMARK(BM_PauseWithEvents)
    ->Arg(20)
    ->Arg(50)
    ->Arg(160)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
