#pragma once

// What the benchmarks share: a main() that runs them under a Qt application (ports, timers and
// pauses need its event loop), and a run's figures against the pauses the protocol mandates.

#include <benchmark/benchmark.h>

#include "devsim/lib/SimulatedDevice.h"
#include "link/CommandChannel.h"
#include "link/DeviceSession.h"

// main() for a benchmark that needs a Qt application of type App (QCoreApplication, QApplication).
#define KELM_BENCHMARK_MAIN(App)                                                                       \
    int main(int argc, char **argv)                                                                    \
    {                                                                                                  \
        App app(argc, argv);                                                                           \
        benchmark::Initialize(&argc, argv);                                                            \
        benchmark::RunSpecifiedBenchmarks();                                                           \
        benchmark::Shutdown();                                                                         \
        return 0;                                                                                      \
    }

// The mean of the timed runs, the mandated pauses and how far the mean lies above them, as counters.
inline void reportAgainstMandated(benchmark::State &state, double totalMs, double mandatedMs)
{
    const double mean = totalMs / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = mean;
    state.counters["mandated_ms"] = mandatedMs;
    state.counters["over_mandated_pct"] = (mean - mandatedMs) / mandatedMs * 100.0;
}

// Starts the simulated device and searches the session onto it (its port alone). False, with the
// benchmark skipped, when the device cannot start; whether the search connected is the caller's
// question (a normal device, a loader).
inline bool searchSimulated(benchmark::State &state, SimulatedDevice &device, DeviceSession &session)
{
    if (!device.start()) {
        state.SkipWithError("no pseudo-terminal");
        return false;
    }
    session.transport().setPortOverride({device.portPath()});
    session.search();
    return true;
}

// The pause one request mandates before the next may follow: 50 ms after a GET, 20 ms after a SET,
// 100 ms more after selecting a user slot; the handshake waits before its line and the search once
// more after it.
inline double pauseAfterMs(const SimulatedRequest &r)
{
    double ms = r.direction == Direction::GET ? 50 : 20;
    if (r.command == Command::ENTRANCE)
        ms += 2 * CommandChannel::handshakePauseMs;
    if (r.direction == Direction::SET && r.command == Command::ND_SEL && !r.payload.isEmpty() &&
        (std::uint8_t(r.payload[0]) >> 4) == 2)
        ms += 100;
    return ms;
}

// The pauses the protocol mandates for the requests in the device's log.
inline double mandatedPausesMs(const SimulatedDevice &device)
{
    double ms = 0;
    for (const SimulatedRequest &r : device.requests()) {
        if (!r.parsed)
            continue;
        ms += pauseAfterMs(r);
    }
    return ms;
}
