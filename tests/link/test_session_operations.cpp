// One device operation at a time on the channel: requests reached from events inside another
// request's pause or inside an operation's pauses are refused, the status poll alone may run
// between an operation's requests, and Disconnect ends an operation after its current request.

#include <QTemporaryDir>
#include <QTimer>

#include "SessionFixture.h"
#include "link/SlotTransfer.h"

namespace {

QList<Command> commandsOf(const SimulatedDevice &d)
{
    QList<Command> out;
    for (const SimulatedRequest &r : d.requests())
        out << r.command;
    return out;
}

} // namespace

// Who starts a second request, and where: each is refused and leaves the first one's answer alone.
TEST_F(SessionTest, NestedRequestsAreRefused)
{
    struct Case
    {
        const char *name;
        bool insideOperation; // the outer request belongs to an operation
        int delayMs;          // when the nested request is tried
        bool pauseAfter;      // the outer operation pauses after its request (the nested one lands there)
    };
    const Case cases[] = {
        {"inside a plain request's pause", false, 5, false},
        {"inside an operation's request", true, 5, false},
        {"between an operation's requests", true, 120, true},
    };
    SimulatedDevice &d = connectDevice();
    for (const Case &c : cases) {
        d.clearRequests();
        log.clear();
        CommandChannel::Operation op;
        if (c.insideOperation)
            op = session.channel().beginOperation(QStringLiteral("Outer"));
        CommandResult nested;
        nested.outcome = CommandResult::Outcome::Answered;
        QTimer::singleShot(
            c.delayMs, [&] { nested = session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0); });
        const CommandResult outer = session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
        if (c.pauseAfter)
            pauseWithEvents(200);
        op.end();
        EXPECT_TRUE(outer.ok()) << c.name;
        EXPECT_FALSE(nested.ok()) << c.name;
        EXPECT_TRUE(log.text().contains(QStringLiteral("SET SYS_STM refused"))) << c.name;
        EXPECT_EQ(commandsOf(d), QList<Command>{Command::SYS_DSCPT}) << c.name;
    }
}

TEST_F(SessionTest, OneOperationAtATime)
{
    connectDevice();
    QList<bool> changes;
    QObject::connect(&session.channel(), &CommandChannel::operationRunningChanged,
                     [&](bool on) { changes << on; });
    {
        const CommandChannel::Operation first = session.channel().beginOperation(QStringLiteral("Upload"));
        ASSERT_TRUE(first);
        EXPECT_TRUE(session.channel().operationRunning());
        const CommandChannel::Operation second = session.channel().beginOperation(QStringLiteral("Copy"));
        EXPECT_FALSE(second);
        EXPECT_TRUE(log.text().contains(QStringLiteral("Copy refused: Upload is running.")));
    }
    EXPECT_FALSE(session.channel().operationRunning());
    EXPECT_EQ(changes, (QList<bool>{true, false}));
    EXPECT_TRUE(session.channel().beginOperation(QStringLiteral("Copy")));
}

// An operation that sent SYS_STM and ends without SYS_CTM (left early) still closes its bracket.
TEST_F(SessionTest, AnOperationClosesItsBracket)
{
    SimulatedDevice &d = connectDevice();
    {
        const CommandChannel::Operation op = session.channel().beginOperation(QStringLiteral("Save"));
        session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0);
    }
    EXPECT_EQ(commandsOf(d), (QList<Command>{Command::SYS_STM, Command::SYS_CTM}));
}

// Disconnect during an operation: the current request finishes, later ones are refused, SYS_CTM
// closes the bracket, and the link goes down when the operation ends.
TEST_F(SessionTest, DisconnectEndsTheOperationFirst)
{
    SimulatedDevice &d = connectDevice();
    {
        const CommandChannel::Operation op = session.channel().beginOperation(QStringLiteral("Upload"));
        ASSERT_TRUE(session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0).ok());
        QTimer::singleShot(5, [&] { session.disconnect(); });
        EXPECT_TRUE(session.channel().selectSlot(0x2000).ok()) << "the request on the wire finishes";
        EXPECT_TRUE(session.connected());
        EXPECT_FALSE(
            session.channel().sendCommand(Direction::SET, Command::ND_ED0A, std::span<const uint8_t>()).ok());
        EXPECT_TRUE(session.channel().sendCommand(Direction::SET, Command::SYS_CTM, 0).ok());
    }
    EXPECT_FALSE(session.connected());
    EXPECT_EQ(commandsOf(d), (QList<Command>{Command::SYS_STM, Command::ND_SEL, Command::SYS_CTM}));
}

// Save: SYS_STM is a SET and starts the poll again, so polls run during its file dialog (as during
// Open's), never in the middle of its read.
TEST_F(SessionTest, SavePollsDuringItsFileDialog)
{
    SimulatedDevice &d = connectDevice();
    QTemporaryDir dir;
    const CommandChannel::Operation op = session.channel().beginOperation(QStringLiteral("Save"));
    SaveHooks hooks;
    hooks.chooseFile = [&](const QString &) {
        pauseWithEvents(2300); // the operator takes a while
        return dir.filePath(QStringLiteral("s.bin")).toStdString();
    };
    ASSERT_EQ(saveSlotToFile(session, 0x3000, hooks), SaveResult::Saved);
    const QList<Command> sent = commandsOf(d);
    ASSERT_GE(sent.size(), 8);
    EXPECT_EQ(sent.front(), Command::SYS_STM);
    EXPECT_EQ(sent[1], Command::RXEDMD) << "a poll during the dialog";
    const QList<Command> tail = sent.mid(sent.indexOf(Command::ND_SEL));
    EXPECT_EQ(tail, (QList<Command>{Command::ND_SEL, Command::ND_ED0A, Command::ND_ED0B, Command::ND_ED1A,
                                    Command::ND_ED1B, Command::SYS_CTM}));
}

// A late answer still waiting at the port when the next request goes out is dropped, but shows in
// the debug log as received bytes do.
TEST_F(SessionTest, PurgedBytesAreLogged)
{
    SimulatedDevice &d = connectDevice();
    d.faults().onlyFor = Command::SYS_DSCPT;
    d.faults().lateReplyMs = 160; // past the pause and its grace
    EXPECT_FALSE(session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5).ok());
    session.transport().stopReceiveTick(); // the late reply waits at the port, unread
    pauseWithEvents(150);
    log.clear();
    d.faults().lateReplyMs = 0;
    session.transport().startReceiveTick();
    session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0);
    EXPECT_TRUE(log.text().contains(QStringLiteral("HDM-4K44"))) << log.text().toStdString();
}
