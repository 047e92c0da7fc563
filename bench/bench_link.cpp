// The device link's costs against the simulated device over a pseudo-terminal:
//  - Search to a listed device, against the sum of the pauses the protocol mandates
//    (handshake 160 + 50, then 160, SYS_DSCPT 50, ND_SEL 20, ND_DSCPT 50 = 490 ms);
//  - CPU used while connected and idle with the 2 s status poll and the 25 ms receive tick running
//    (KELM_BENCH_IDLE_SECONDS, default 20; the in-process simulator's share is included);
//  - the pure protocol steps: CRC of an EDID quarter line, decoding one reply.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"
#include "BenchSupport.h"

namespace {

constexpr double mandatedSearchMs = 160 + 50 + 160 + 50 + 20 + 50;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_SearchToListed(benchmark::State &state)
{
    SimulatedDevice device;
    if (!device.start()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    DebugLog log;
    DeviceSession session(log);
    session.transport().setPortOverride({device.portPath()});
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        session.search();
        const double ms = clock.nsecsElapsed() / 1e6;
        if (session.registry().count() != 1) {
            state.SkipWithError("device not listed");
            break;
        }
        total += ms;
        state.SetIterationTime(ms / 1e3);
        session.disconnect();
    }
    reportAgainstMandated(state, total, mandatedSearchMs);
}
BENCHMARK(BM_SearchToListed)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_ConnectedIdleCpu(benchmark::State &state)
{
    const int seconds = qEnvironmentVariableIsSet("KELM_BENCH_IDLE_SECONDS")
                            ? qEnvironmentVariableIntValue("KELM_BENCH_IDLE_SECONDS")
                            : 20;
    SimulatedDevice device;
    DebugLog log;
    DeviceSession session(log);
    if (!searchSimulated(state, device, session))
        return;
    for (auto _ : state) {
        device.clearRequests();
        const double cpu0 = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        pauseWithEvents(seconds * 1000);
        const double wall = clock.nsecsElapsed() / 1e9;
        const double cpu = cpuSeconds() - cpu0;
        state.SetIterationTime(wall);
        state.counters["cpu_pct_of_core"] = cpu / wall * 100.0;
        state.counters["polls"] = static_cast<double>(device.requests().size());
    }
    session.disconnect();
}
BENCHMARK(BM_ConnectedIdleCpu)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_RequestLineEdidQuarter(benchmark::State &state)
{
    std::vector<uint8_t> quarter(64);
    for (std::size_t i = 0; i < quarter.size(); ++i)
        quarter[i] = static_cast<uint8_t>(i * 37);
    for (auto _ : state)
        benchmark::DoNotOptimize(requestLine(Direction::SET, Command::ND_ED0A, quarter));
}
BENCHMARK(BM_RequestLineEdidQuarter);

void BM_ProcessSystemDescription(benchmark::State &state)
{
    DebugLog log;
    DeviceSession session(log);
    session.channel().setReplyPumpRunning(true);
    const std::string reply = replyLine("1A2B\f3C4D\fHDM-4K44\fDemo Matrix\f000001\f1.00\fT\f4\f1\f8\f8\f");
    for (auto _ : state) {
        session.channel().expectReplyTo(Direction::GET, Command::SYS_DSCPT);
        session.transport().clear();
        session.transport().receiveBytes(reply.data(), static_cast<qint64>(reply.size()));
        log.clear();
    }
    session.channel().stopPoll();
}
BENCHMARK(BM_ProcessSystemDescription);

} // namespace

KELM_BENCHMARK_MAIN(QCoreApplication)
