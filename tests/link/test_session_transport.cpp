// The receive tick and the command sender against a simulated device.
#include "tests/link/SessionFixture.h"

namespace {

class TransportTest : public SessionTest
{
  protected:
    SimulatedDevice *dev = nullptr;

    // A port opened by hand with the tick stopped, so each test drives the tick itself.
    void openByHand(const SimulatedDeviceConfig &config = {})
    {
        dev = &addDevice(config);
        ASSERT_EQ(session.transport().open(dev->portPath()), SerialTransport::OpenResult::Ok);
        session.transport().stopReceiveTick();
        session.transport().clear();
    }
    // Lets the bytes written by the device reach the port's queue.
    static void settle() { pauseWithEvents(40); }
};

TEST_F(TransportTest, ReplySplitOverTicksStaysIntact)
{
    openByHand();
    const QByteArray line = QByteArray::fromStdString(replyLine("1A2B\f3C4D\f"));
    dev->sendRaw(line.left(5));
    settle();
    session.transport().onReceiveTick();
    EXPECT_EQ(session.transport().rxLength(), 5u);
    EXPECT_FALSE(session.transport().replyComplete());
    const QString logAfterFirst = log.text();

    // An empty tick changes nothing.
    session.transport().onReceiveTick();
    EXPECT_EQ(session.transport().rxLength(), 5u);
    EXPECT_EQ(log.text(), logAfterFirst);

    dev->sendRaw(line.mid(5));
    settle();
    session.transport().onReceiveTick();
    EXPECT_EQ(session.transport().rxLength(), static_cast<uint32_t>(line.size()));
    EXPECT_TRUE(session.transport().replyComplete());
    EXPECT_EQ(QByteArray(session.transport().rxBuffer()), line);
    // The echo is the received text, as it came.
    EXPECT_TRUE(log.text().endsWith(QString::fromLatin1(line)));

    // A tick with nothing new keeps the reply marked.
    session.transport().onReceiveTick();
    EXPECT_TRUE(session.transport().replyComplete());
    EXPECT_EQ(session.transport().rxLength(), static_cast<uint32_t>(line.size()));
}

// The enabled tick runs only while bytes come in: it is armed by their arrival, takes them at the
// next tick, and rests once a tick finds nothing; a stopped tick is not armed by arrivals.
TEST_F(TransportTest, TickRunsWhileBytesArriveAndRestsWhenIdle)
{
    openByHand();
    SerialTransport &t = session.transport();
    const QByteArray line = QByteArray::fromStdString(replyLine("1A2B\f"));
    struct Case
    {
        const char *name;
        bool enabled;
        QByteArray bytes;
        bool armedByArrival;
        bool complete;
    } cases[] = {
        {"nothing arrives", true, {}, false, false},
        {"part of a reply", true, line.left(4), true, false},
        {"a whole reply", true, line, true, true},
        {"tick stopped", false, line, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        t.clear();
        t.takeReplyComplete();
        if (c.enabled) {
            t.startReceiveTick();
            ASSERT_TRUE(waitFor([&] { return !t.receiveTickArmed(); })); // an empty tick: at rest
        } else {
            t.stopReceiveTick();
        }
        if (!c.bytes.isEmpty())
            dev->sendRaw(c.bytes);
        ASSERT_TRUE(waitFor([&] { return t.receiveTickArmed() || t.rxLength() > 0; }, 100) == c.armedByArrival);
        // Taken by the tick alone, which then rests again.
        ASSERT_TRUE(waitFor([&] { return !t.receiveTickArmed(); }));
        EXPECT_EQ(t.receiveTickRunning(), c.enabled);
        EXPECT_EQ(QByteArray(t.rxBuffer()), c.enabled ? c.bytes : QByteArray());
        EXPECT_EQ(t.replyComplete(), c.complete);
    }
    // Enabling the tick takes what waited meanwhile.
    t.startReceiveTick();
    ASSERT_TRUE(waitFor([&] { return t.replyComplete(); }));
    EXPECT_EQ(QByteArray(t.rxBuffer()), line);
}

// Connected with nothing to say, the link wakes nobody; the status poll's answer is still decoded.
TEST_F(SessionTest, IdleConnectionRestsBetweenPolls)
{
    connectDevice();
    SerialTransport &t = session.transport();
    ASSERT_TRUE(waitFor([&] { return !t.receiveTickArmed(); }));
    pauseWithEvents(100); // the first poll is two seconds away
    EXPECT_FALSE(t.receiveTickArmed());
    EXPECT_TRUE(t.receiveTickRunning());
    QSignalSpy reports(&session, &DeviceSession::edidModeReported);
    ASSERT_TRUE(waitFor([&] { return reports.count() > 0; }, 3000));
    ASSERT_TRUE(waitFor([&] { return !t.receiveTickArmed(); }));
    EXPECT_TRUE(session.channel().pollRunning());
}

TEST_F(TransportTest, MoreThan1024WaitingReadsSixteenAndPurges)
{
    openByHand();
    QByteArray garbage(1025, 'G');
    garbage[0] = 'S';
    dev->sendRaw(garbage);
    pauseWithEvents(100);
    const QString logBefore = log.text();
    session.transport().onReceiveTick();
    EXPECT_EQ(session.transport().rxLength(), 0u);
    EXPECT_FALSE(session.transport().replyComplete());
    EXPECT_EQ(QByteArray(session.transport().rxBuffer(), 17), QByteArray("SGGGGGGGGGGGGGGG") + '\0');
    EXPECT_EQ(log.text(), logBefore);
    // The rest is gone: the next tick finds only what comes after.
    dev->sendRaw("ok\n");
    settle();
    session.transport().clear();
    session.transport().onReceiveTick();
    EXPECT_EQ(QByteArray(session.transport().rxBuffer()), QByteArray("ok\n"));
}

TEST_F(TransportTest, LongReplyNeverRunsPastTheBuffer)
{
    openByHand();
    dev->sendRaw(QByteArray(1000, 'a'));
    settle();
    session.transport().onReceiveTick();
    ASSERT_EQ(session.transport().rxLength(), 1000u);
    dev->sendRaw(QByteArray(99, 'b') + '\n');
    settle();
    session.transport().onReceiveTick();
    EXPECT_EQ(session.transport().rxLength(), 1024u);
    EXPECT_EQ(session.transport().rxBuffer()[1023], 'b');
    EXPECT_EQ(session.transport().rxBuffer()[1024], '\0');
    EXPECT_FALSE(session.transport().replyComplete()); // the LF was among the dropped bytes
    EXPECT_TRUE(log.text().contains("76 bytes dropped"));
    // A full buffer takes nothing more.
    dev->sendRaw("c\n");
    settle();
    session.transport().onReceiveTick();
    EXPECT_EQ(session.transport().rxLength(), 1024u);
    EXPECT_TRUE(log.text().contains("2 bytes dropped"));
}

TEST_F(TransportTest, RequestBytesAndPauses)
{
    openByHand();
    session.transport().startReceiveTick();
    session.channel().setReplyPumpRunning(true);
    struct Case
    {
        Direction dir;
        Command cmd;
        std::vector<uint8_t> payload;
        uint32_t selectedSlot;
        uint8_t ispKind;
        QByteArray line;
        int atLeastMs;
    } cases[] = {
        {Direction::GET, Command::SYS_DSCPT, {}, 0, 0, "$GET SYS_DSCPT FFFF", 50},
        {Direction::GET, Command::RXEDMD, {1, 2}, 0, 0, "$GET RXEDMD FFFF", 50},
        {Direction::SET, Command::ND_SEL, {0x00, 0x00}, 0x0000, 0, "$SET ND_SEL 00004E5C", 20},
        {Direction::SET, Command::ND_SEL, {0x20, 0x02}, 0x2002, 0, "$SET ND_SEL 20025438", 120},
        {Direction::SET,
         Command::RXEDMD,
         {0x0A},
         0,
         0,
         "$SET RXEDMD 0A" + QByteArray::fromStdString(crcText(crc16(0xFFFF, "0A"))),
         20},
        {Direction::SET,
         Command::FW_DATA,
         {0xAB},
         0,
         0,
         "$SET FW_DATA AB" + QByteArray::fromStdString(crcText(crc16(0xFFFF, "AB"))),
         20},
        {Direction::SET,
         Command::FW_DATA,
         {0xAB},
         0,
         1,
         "$SET FW_DATA AB" + QByteArray::fromStdString(crcText(crc16(0xFFFF, "AB"))),
         110},
        {Direction::SET,
         Command::FW_DATA,
         {0xAB},
         0,
         2,
         "$SET FW_DATA AB" + QByteArray::fromStdString(crcText(crc16(0xFFFF, "AB"))),
         50},
        {Direction::SET,
         Command::SYS_DEF,
         {0x55},
         0,
         0,
         "$SET SYS_DEF 55" + QByteArray::fromStdString(crcText(crc16(0xFFFF, "55"))),
         520},
        {Direction::SET, Command::SYS_STM, {}, 0, 0, "$SET SYS_STM FFFF", 20},
    };
    for (const Case &c : cases) {
        dev->clearRequests();
        session.registry().setSelectedSlot(c.selectedSlot);
        session.channel().setIspKind(c.ispKind);
        QElapsedTimer t;
        t.start();
        session.channel().sendCommand(c.dir, c.cmd, c.payload);
        const qint64 took = t.elapsed();
        EXPECT_GE(took, c.atLeastMs) << c.line.constData();
        ASSERT_TRUE(waitFor([&] { return !dev->requests().isEmpty(); }));
        EXPECT_EQ(dev->requests()[0].raw, c.line + "\r\n");
        if (c.dir == Direction::SET) {
            EXPECT_TRUE(session.channel().pollRunning()) << c.line.constData();
        }
    }
    session.channel().setIspKind(0);
}

TEST_F(TransportTest, HandshakeLineFollowsItsPrefixAfterAPause)
{
    openByHand();
    session.transport().startReceiveTick();
    QElapsedTimer t;
    t.start();
    session.channel().sendCommand(Direction::GET, Command::ENTRANCE, 0);
    EXPECT_GE(t.elapsed(), 160 + 50);
    ASSERT_TRUE(waitFor([&] { return dev->requests().size() == 1; }));
    EXPECT_EQ(dev->requests()[0].raw, QByteArray(" \r$ENTRANCE FFFF\r\n"));
    const auto &chunks = dev->received();
    ASSERT_GE(chunks.size(), 2);
    EXPECT_EQ(chunks[0].second, QByteArray(" \r"));
    EXPECT_GE(chunks[1].first - chunks[0].first, 155); // 160 ms on the sender's clock
    EXPECT_TRUE(QByteArray(session.transport().rxBuffer()).contains("$ACCEPT"));
}

TEST_F(TransportTest, GetLeavesThePollOffUntilAReplyIsProcessed)
{
    openByHand();
    session.transport().startReceiveTick();
    session.channel().setReplyPumpRunning(true);
    dev->faults().dropReplies = 1;
    session.channel().restartPoll();
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    EXPECT_FALSE(session.channel().pollRunning());
    EXPECT_EQ(session.channel().lastCommand(), Command::SYS_DSCPT);
    EXPECT_EQ(session.channel().lastLength(), 5);
    // With an answer, the processed reply turns the poll back on and clears the last... fields.
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    ASSERT_TRUE(waitFor([&] { return session.channel().pollRunning(); }));
    EXPECT_EQ(session.channel().lastCommand(), Command::ENTRANCE);
    EXPECT_EQ(session.channel().lastLength(), 0);
    EXPECT_EQ(session.channel().lastDirection(), Direction::GET);
}

TEST_F(TransportTest, OpenFailureAndPortList)
{
    session.transport().setPortOverride({"/nonexistent/port-a", "/nonexistent/port-b"});
    EXPECT_EQ(session.transport().listSerialPorts(),
              QStringList({"/nonexistent/port-a", "/nonexistent/port-b"}));
    EXPECT_EQ(session.transport().open("/nonexistent/port-a"), SerialTransport::OpenResult::OpenFailed);
    EXPECT_FALSE(session.transport().handleValid());
    session.search();
    EXPECT_TRUE(
        log.text().contains("Open /nonexistent/port-a Failed.\r\nOpen /nonexistent/port-b Failed.\r\n"));
    EXPECT_FALSE(session.connected());
    EXPECT_EQ(session.serialSearch().portList(), QStringList({"/nonexistent/port-a", "/nonexistent/port-b"}));
    // Disconnect with no port ever opened does nothing.
    QSignalSpy spy(&session.serialSearch(), &SerialSearch::connectionChanged);
    session.disconnect();
    EXPECT_EQ(spy.count(), 0);
}

} // namespace
