// Arbitrary bytes as a completed reply to each command: the CRC check, the field splitting and the
// decoding into the device state must hold for any input. The first byte picks the command, the
// direction and the selected slot; the rest is the reply (an LF is added so it counts as complete).
#include <QCoreApplication>

#include <cstdint>
#include <cstring>

#include "shell/DebugLog.h"
#include "link/DeviceSession.h"

namespace {
QCoreApplication &application()
{
    static int argc = 1;
    static char name[] = "fuzz_reply";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    application();
    static DebugLog log;
    static DeviceSession session(log);
    if (size == 0)
        return 0;
    log.clear();
    session.channel().expectReplyTo((data[0] & 0x80) ? Direction::SET : Direction::GET,
                                    static_cast<Command>(data[0] % commandCount));
    const uint32_t slotCodes[] = {0x0000, 0x0009, 0x000A, 0x1000, 0x1009, 0x2000, 0x3001, 0xFFFF};
    session.registry().setSelectedSlot(slotCodes[(data[0] >> 4) & 0x07]);
    session.channel().setReplyPumpRunning(true);
    session.transport().clear();
    QByteArray reply(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    reply.append('\n');
    session.transport().receiveBytes(reply.constData(), reply.size());
    // Whatever happened, the buffer stays terminated and within bounds.
    if (session.transport().rxLength() > SerialTransport::rxCapacity ||
        session.transport().rxBuffer()[SerialTransport::rxCapacity] != 0)
        __builtin_trap();
    session.channel().stopPoll();
    return 0;
}
