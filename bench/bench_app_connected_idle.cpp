// CPU used by the whole workbench (main window, pages, controllers, UDP endpoints, the in-process
// simulated device of --demo) while connected and idle with the status poll running.
// KELM_BENCH_IDLE_SECONDS sets the length (default 60). The main window binds UDP: run it in a
// private network namespace (tests/netns-run.sh bench/bench_app_connected_idle).
#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include "shell/Pause.h"
#include "app/lib/MainWindow.h"
#include "BenchSupport.h"

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_WorkbenchConnectedIdle(benchmark::State &state)
{
    const int seconds = qEnvironmentVariableIsSet("KELM_BENCH_IDLE_SECONDS")
                            ? qEnvironmentVariableIntValue("KELM_BENCH_IDLE_SECONDS")
                            : 60;
    StartupOptions options;
    options.demo = true;
    options.ports = {QStringLiteral("/nonexistent/no-other-port")};
    MainWindow window(options);
    if (window.startupRefused()) {
        state.SkipWithError("start-up refused (another instance, or the discovery port is taken)");
        return;
    }
    window.show();
    window.session().search();
    if (!window.session().connected()) {
        state.SkipWithError("the simulated device was not found");
        return;
    }
    for (auto _ : state) {
        const double cpu0 = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        pauseWithEvents(seconds * 1000);
        const double wall = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(wall);
        state.counters["cpu_pct_of_core"] = (cpuSeconds() - cpu0) / wall * 100.0;
    }
    window.session().disconnect();
}
BENCHMARK(BM_WorkbenchConnectedIdle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

KELM_BENCHMARK_MAIN(QApplication)
