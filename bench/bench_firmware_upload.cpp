// A 64 KiB firmware upload per ISP loader against the simulated device, next to the least time the
// protocol allows: every command's pause, or its time on a 115200-baud wire (8N1, 10 bits a byte)
// when that is longer. Counters: minimum_s, and overhead_pct (goal: under 5).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

#include "shell/DebugLog.h"
#include "devsim/lib/SimulatedDevice.h"
#include "firmware/FirmwareImage.h"
#include "firmware/IspUpload.h"
#include "link/DeviceSession.h"
#include "BenchSupport.h"

namespace {

using firmware::IspVariant;
using firmware::UploadStep;

double wireMs(std::size_t bytes)
{
    return static_cast<double>(bytes) * 10.0 * 1000.0 / 115200.0;
}

double commandMs(Command cmd, std::span<const std::uint8_t> payload, int pauseMs, std::size_t replyBytes = 0)
{
    const std::size_t line = requestLine(Direction::SET, cmd, payload).size();
    return std::max<double>(pauseMs, wireMs(line) + wireMs(replyBytes));
}

// The protocol's own floor for this image: the sequence an ideal device (every check answered at
// once and right) gets.
double minimumMs(IspVariant variant, const std::vector<std::uint8_t> &image)
{
    const int dataExtra = variant == IspVariant::Isp029 ? 90 : 30;
    firmware::UploadSequencer seq(variant, image);
    std::uint16_t sum = 0;
    std::string rx;
    double total = 0;
    while (!seq.done()) {
        const UploadStep s = seq.next(rx);
        switch (s.kind) {
        case UploadStep::Kind::Address:
            total += commandMs(Command::FW_ADDR, s.payload, 20);
            rx.clear();
            break;
        case UploadStep::Kind::Data:
            total += commandMs(Command::FW_DATA, s.payload, 20 + dataExtra) + s.pauseAfterMs;
            sum = firmware::addToBlockSum(sum, s.payload);
            rx.clear();
            break;
        case UploadStep::Kind::Check:
            total += commandMs(Command::FW_CHK, {}, 20, 14);
            rx = "$CHK" + firmware::blockSumText(sum) + "XXXX\n";
            sum = 0;
            break;
        case UploadStep::Kind::End:
            total += s.pauseBeforeMs + commandMs(Command::FW_END, {}, 20);
            break;
        default:
            break;
        }
    }
    return total;
}

void BM_Upload64KiB(benchmark::State &state)
{
    const auto variant = static_cast<IspVariant>(state.range(0));
    std::vector<std::uint8_t> image(65536);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 13 + 5);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw64k.bin"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the image");
            return;
        }
        f.write(reinterpret_cast<const char *>(image.data()), static_cast<qint64>(image.size()));
    }

    SimulatedDeviceConfig config;
    config.handshake = variant == IspVariant::Isp029 ? HandshakeMode::Isp029 : HandshakeMode::Isp091;
    SimulatedDevice device(config);
    DebugLog log;
    DeviceSession session(log);
    if (!searchSimulated(state, device, session))
        return;
    if (!session.transport().ispMode()) {
        state.SkipWithError("the simulated loader was not found");
        return;
    }
    IspUpload upload(session);
    upload.openImageFile(path);

    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        if (!upload.uploadFirmware(variant))
            state.SkipWithError("upload failed");
        seconds += static_cast<double>(clock.nsecsElapsed()) / 1e9;
    }
    const double minimum = minimumMs(variant, image) / 1000.0;
    const double perUpload = seconds / static_cast<double>(state.iterations());
    state.counters["minimum_s"] = minimum;
    state.counters["overhead_pct"] = (perUpload / minimum - 1.0) * 100.0;
    state.counters["flash_ok"] =
        device.flash().left(65536) == QByteArray(reinterpret_cast<const char *>(image.data()), 65536);
    session.disconnect();
    state.SetLabel(variant == IspVariant::Isp029 ? "ISP029, 64-byte chunks" : "ISP091, 128-byte chunks");
}

} // namespace

BENCHMARK(BM_Upload64KiB)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

KELM_BENCHMARK_MAIN(QCoreApplication)
