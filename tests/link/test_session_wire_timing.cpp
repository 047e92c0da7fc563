// The gaps between requests as the device sees them: no pause may come out shorter than its table
// value, and the status poll runs every 2000 ms.
//
// Measured from the simulated device's receive times (nanoseconds, taken when its read of the
// line ran): gap = first byte of a request - the LF of the one before. Tolerance 0.5 ms. The device
// reads in this process, so a read that runs late makes one gap look short; the sequence therefore
// runs three times and the longest of the three gaps at each step is judged. A pause that really is
// shortened is short every time.
#include "tests/link/SessionFixture.h"

#include <algorithm>
#include <map>

#include "link/SlotLists.h"
#include "link/SlotTransfer.h"

namespace {

constexpr double kToleranceMs = 0.5;

double ms(qint64 ns)
{
    return static_cast<double>(ns) / 1e6;
}

// The least gap after a request, from the command table.
int tablePauseAfter(const SimulatedRequest &r)
{
    if (r.command == Command::ENTRANCE)
        return 50 + 160; // the sender's GET pause, then the search's own
    if (r.direction == Direction::GET)
        return 50;
    if (r.command == Command::ND_SEL && !r.payload.isEmpty() && (static_cast<uint8_t>(r.payload[0]) >> 4) == 2)
        return 20 + 100;
    if (r.command == Command::SYS_DEF)
        return 20 + 500;
    return 20;
}

// A search, then reads, writes, a mode and the system commands: every kind of pause.
QList<SimulatedRequest> runSequence()
{
    DebugLog log;
    DeviceSession session(log);
    SimulatedDevice device;
    EXPECT_TRUE(device.start());
    session.transport().setPortOverride({device.portPath()});
    session.search();
    EXPECT_TRUE(session.connected());
    session.registry().update(0, [&](SYS_STATUS &s) { s.inputNodes[0].modePolled = 0; }); // no poll between the steps
    EXPECT_TRUE(readSlotEdid(session, makeSlotCode(SlotKind::User, 3)));
    EXPECT_TRUE(readSlotEdid(session, makeSlotCode(SlotKind::Internal, 1)));
    EXPECT_TRUE(writeSlotEdid(session, makeSlotCode(SlotKind::Input, 2), device.slotImage(3, 1)));
    EXPECT_TRUE(selectEdidMode(session, 2));
    EXPECT_TRUE(session.channel().sendCommand(Direction::SET, Command::SYS_DEF, {0x55}).ok());
    EXPECT_TRUE(session.channel().sendCommand(Direction::SET, Command::SYS_STR, {0x41}).ok());
    EXPECT_TRUE(session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5).ok());
    session.disconnect();
    return device.requests();
}

TEST(WireTiming, NoPauseShorterThanItsTableValue)
{
    std::vector<QList<SimulatedRequest>> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(runSequence());
    const QList<SimulatedRequest> &first = runs.front();
    ASSERT_GE(first.size(), 20);
    for (const auto &run : runs)
        ASSERT_EQ(run.size(), first.size());

    std::map<int, int> checkedByPause;
    for (qsizetype i = 0; i + 1 < first.size(); ++i) {
        double longest = 0;
        for (const auto &run : runs)
            longest = std::max(longest, ms(run[i + 1].firstByteNs - run[i].lfNs));
        const int least = tablePauseAfter(first[i]);
        EXPECT_GE(longest, least - kToleranceMs)
            << "after " << first[i].line.toStdString() << " (request " << i << ")";
        ++checkedByPause[least];
    }
    // The handshake line itself: " \r", 160 ms, then the line.
    double handshake = 0;
    for (const auto &run : runs)
        handshake = std::max(handshake, ms(run[0].lfNs - run[0].firstByteNs));
    EXPECT_GE(handshake, 160 - kToleranceMs);
    // Every kind of pause was seen.
    for (int pause : {20, 50, 120, 210, 520})
        EXPECT_GT(checkedByPause[pause], 0) << pause;
}

TEST_F(SessionTest, StatusPollEveryTwoThousandMilliseconds)
{
    SimulatedDevice &d = connectDevice();
    // A SET restarts the poll: the next poll follows its pause by 2000 ms.
    ASSERT_TRUE(selectEdidMode(session, 1));
    ASSERT_TRUE(waitFor(
        [&] {
            int polls = 0;
            for (const SimulatedRequest &r : d.requests())
                polls += r.command == Command::RXEDMD && r.direction == Direction::GET;
            return polls >= 3;
        },
        9000));
    const QList<SimulatedRequest> &reqs = d.requests();
    // The simulated device reads on this thread, so a late read of one line's end shortens the
    // gap that follows it; 10 ms of slack still tells a poll restarted after the pause from one
    // restarted at the SET itself (20 ms early) or a poll that fires too soon.
    constexpr double kReadSlackMs = 10;
    ASSERT_EQ(reqs[1].command, Command::RXEDMD);
    ASSERT_EQ(reqs[1].direction, Direction::SET);
    EXPECT_GE(ms(reqs[2].firstByteNs - reqs[1].lfNs), 2000 + 20 - kReadSlackMs);
    for (qsizetype i = 2; i + 1 < reqs.size(); ++i) {
        const double gap = ms(reqs[i + 1].firstByteNs - reqs[i].lfNs);
        EXPECT_GE(gap, 2000 - kReadSlackMs) << i;
    }
}

} // namespace
