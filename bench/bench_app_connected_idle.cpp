// CPU used by the whole workbench (main window, pages, controllers, UDP endpoints) while connected
// and idle with the status poll running, against an anchor run just before it in the same process:
// a main window with a table and a 25 ms timer, the receive tick the workbench has enabled while
// connected (it fires only while bytes come in). The device is kelm-devsim in its own process, as an
// operator's device is; a second run measures --demo, whose simulated devices (a pseudo-terminal and
// UDP sockets) live in the workbench. KELM_BENCH_IDLE_SECONDS sets the length of each (default 60).
// The main window binds UDP: run it in a private network namespace
// (tests/netns-run.sh bench/bench_app_connected_idle).
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <csignal>

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

int idleSeconds()
{
    return qEnvironmentVariableIsSet("KELM_BENCH_IDLE_SECONDS") ? qEnvironmentVariableIntValue("KELM_BENCH_IDLE_SECONDS")
                                                                 : 60;
}

// CPU per cent of one core while the event loop runs for seconds.
double idleCpuPct(int seconds, benchmark::State &state)
{
    const double cpu0 = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    pauseWithEvents(seconds * 1000);
    const double wall = clock.nsecsElapsed() / 1e9;
    state.SetIterationTime(wall);
    return (cpuSeconds() - cpu0) / wall * 100.0;
}

double anchorPct = 0.0;

void BM_AnchorTableWithTick(benchmark::State &state)
{
    QMainWindow window;
    auto *table = new QTableWidget(3, 6, &window);
    window.setCentralWidget(table);
    int ticks = 0;
    QTimer tick;
    tick.setInterval(25);
    QObject::connect(&tick, &QTimer::timeout, &window, [&ticks] { ++ticks; });
    window.show();
    tick.start();
    for (auto _ : state) {
        anchorPct = idleCpuPct(idleSeconds(), state);
        state.counters["cpu_pct_of_core"] = anchorPct;
    }
    benchmark::DoNotOptimize(ticks);
}
BENCHMARK(BM_AnchorTableWithTick)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void runConnectedIdle(benchmark::State &state, const StartupOptions &options)
{
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
        const double pct = idleCpuPct(idleSeconds(), state);
        state.counters["cpu_pct_of_core"] = pct;
        if (anchorPct > 0)
            state.counters["ratio_to_anchor"] = pct / anchorPct;
    }
    window.session().disconnect();
}

void BM_WorkbenchConnectedIdle(benchmark::State &state)
{
    // Detached, with its output in a file: pipes to it would be descriptors the workbench's event
    // loop watches, which the workbench itself does not have.
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("devsim.out"));
    QProcess launcher;
    launcher.setProgram(QStringLiteral(KELM_DEVSIM_PATH));
    launcher.setStandardOutputFile(out);
    launcher.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!dir.isValid() || !launcher.startDetached(&pid)) {
        state.SkipWithError("kelm-devsim did not start");
        return;
    }
    QString port;
    for (int i = 0; i < 500 && port.isEmpty(); ++i) {
        QFile f(out);
        const QByteArray line = f.open(QIODevice::ReadOnly) ? f.readLine() : QByteArray();
        if (line.endsWith('\n'))
            port = QString::fromLocal8Bit(line).trimmed();
        else
            pauseWithEvents(10);
    }
    if (port.isEmpty()) {
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        state.SkipWithError("kelm-devsim printed no port");
        return;
    }
    StartupOptions options;
    options.ports = {port};
    runConnectedIdle(state, options);
    ::kill(static_cast<pid_t>(pid), SIGTERM);
}
BENCHMARK(BM_WorkbenchConnectedIdle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_WorkbenchDemoConnectedIdle(benchmark::State &state)
{
    StartupOptions options;
    options.demo = true;
    options.ports = {QStringLiteral("/nonexistent/no-other-port")};
    runConnectedIdle(state, options);
}
BENCHMARK(BM_WorkbenchDemoConnectedIdle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

KELM_BENCHMARK_MAIN(QApplication)
