// The status poll held by an operation of several requests: nothing restarts it while any hold
// exists, the last release does, and a release by an exception counts too.

#include <stdexcept>

#include "SessionFixture.h"

TEST_F(SessionTest, PollStaysOffWhileHeldAndResumesAfterTheLastRelease)
{
    connectDevice();
    ASSERT_TRUE(session.pollRunning());
    {
        const DeviceSession::PollHold outer(session);
        EXPECT_FALSE(session.pollRunning());
        {
            const DeviceSession::PollHold inner(session);
            // A SET and a processed reply would each start the poll again.
            EXPECT_TRUE(session.sendCommand(Direction::SET, Command::SYS_STM, 0).ok());
            EXPECT_TRUE(session.sendCommand(Direction::GET, Command::SYS_DSCPT, 5).ok());
            EXPECT_FALSE(session.pollRunning());
        }
        EXPECT_TRUE(session.pollHeld());
        EXPECT_FALSE(session.pollRunning()) << "an inner release must not end the outer hold";
        EXPECT_TRUE(session.sendCommand(Direction::SET, Command::SYS_CTM, 0).ok());
        EXPECT_FALSE(session.pollRunning());
    }
    EXPECT_FALSE(session.pollHeld());
    EXPECT_TRUE(session.pollRunning());
}

TEST_F(SessionTest, AThrowReleasesTheHold)
{
    connectDevice();
    try {
        const DeviceSession::PollHold hold(session);
        session.sendCommand(Direction::SET, Command::SYS_STM, 0);
        throw std::runtime_error("operation failed");
    } catch (const std::runtime_error &) {
    }
    EXPECT_FALSE(session.pollHeld());
    EXPECT_TRUE(session.pollRunning());
    // Nothing is left counted: the next request stops and restarts the poll as usual.
    session.sendCommand(Direction::GET, Command::RXEDMD, 2);
    session.sendCommand(Direction::SET, Command::SYS_STM, 0);
    EXPECT_TRUE(session.pollRunning());
}

TEST_F(SessionTest, NoPollAfterAHoldEndsWithoutAPort)
{
    connectDevice();
    {
        const DeviceSession::PollHold hold(session);
        // Disconnect pressed while the operation pauses.
        session.disconnect();
    }
    EXPECT_FALSE(session.pollRunning());
    EXPECT_FALSE(session.receiveTickRunning());
}
