// The status poll held by an operation of several requests: nothing restarts it while any hold
// exists, the last release does, and a release by an exception counts too.

#include <stdexcept>

#include "SessionFixture.h"

TEST_F(SessionTest, PollStaysOffWhileHeldAndResumesAfterTheLastRelease)
{
    connectDevice();
    ASSERT_TRUE(session.channel().pollRunning());
    {
        const CommandChannel::PollHold outer(session.channel());
        EXPECT_FALSE(session.channel().pollRunning());
        {
            const CommandChannel::PollHold inner(session.channel());
            // A SET and a processed reply would each start the poll again.
            EXPECT_TRUE(session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0).ok());
            EXPECT_TRUE(session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5).ok());
            EXPECT_FALSE(session.channel().pollRunning());
        }
        EXPECT_TRUE(session.channel().pollHeld());
        EXPECT_FALSE(session.channel().pollRunning()) << "an inner release must not end the outer hold";
        EXPECT_TRUE(session.channel().sendCommand(Direction::SET, Command::SYS_CTM, 0).ok());
        EXPECT_FALSE(session.channel().pollRunning());
    }
    EXPECT_FALSE(session.channel().pollHeld());
    EXPECT_TRUE(session.channel().pollRunning());
}

TEST_F(SessionTest, AThrowReleasesTheHold)
{
    connectDevice();
    try {
        const CommandChannel::PollHold hold(session.channel());
        session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0);
        throw std::runtime_error("operation failed");
    } catch (const std::runtime_error &) {
    }
    EXPECT_FALSE(session.channel().pollHeld());
    EXPECT_TRUE(session.channel().pollRunning());
    // Nothing is left counted: the next request stops and restarts the poll as usual.
    session.channel().sendCommand(Direction::GET, Command::RXEDMD, 2);
    session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0);
    EXPECT_TRUE(session.channel().pollRunning());
}

TEST_F(SessionTest, NoPollAfterAHoldEndsWithoutAPort)
{
    connectDevice();
    {
        const CommandChannel::PollHold hold(session.channel());
        // Disconnect pressed while the operation pauses.
        session.disconnect();
    }
    EXPECT_FALSE(session.channel().pollRunning());
    EXPECT_FALSE(session.transport().receiveTickRunning());
}
