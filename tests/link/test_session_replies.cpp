// Reply decoding, the status poll and the port going away, against a connected simulated device.
#include "tests/link/SessionFixture.h"

#include "link/SlotLists.h"
#include "link/SlotTransfer.h"

namespace {

TEST_F(SessionTest, AnswerLeftAtThePortDoesNotSpoilTheNextOne)
{
    SimulatedDevice &d = addDevice();
    ASSERT_EQ(session.transport().open(d.portPath()), SerialTransport::OpenResult::Ok);
    session.channel().setReplyPumpRunning(true);
    // The SET's answer arrives while no tick runs, as when the 20 ms pause ends between ticks.
    session.channel().sendCommand(Direction::SET, Command::ND_SEL, {0x00, 0x00});
    pauseWithEvents(30);
    session.transport().startReceiveTick();
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    EXPECT_FALSE(log.text().contains("CRC Error!"));
    EXPECT_EQ(session.registry().serialRecord().productName, "HDM-4K44");
}

TEST_F(SessionTest, SplitAndLateAnswersAreDecodedWhenTheyComplete)
{
    SimulatedDevice &d = connectDevice();
    d.config().productName = "SPLIT";
    d.faults().splitReplyMs = 30; // the halves land on different ticks
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    ASSERT_TRUE(waitFor([&] { return session.registry().status(0).productName == "SPLIT"; }));
    d.faults().splitReplyMs = 0;

    // Nobody waits for a late answer: the sender returns without it and the poll stays off...
    d.config().productName = "LATE";
    d.faults().lateReplyMs = 150;
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    EXPECT_EQ(session.registry().status(0).productName, "SPLIT");
    EXPECT_FALSE(session.channel().pollRunning());
    // ...and with no newer request it is still the answer to the last one.
    ASSERT_TRUE(waitFor([&] { return session.registry().status(0).productName == "LATE"; }));
    EXPECT_TRUE(session.channel().pollRunning());
    EXPECT_FALSE(log.text().contains("CRC Error!"));
}

TEST_F(SessionTest, ModeReportOnlyAfterAGet)
{
    SimulatedDevice &d = connectDevice();
    QSignalSpy reports(&session, &DeviceSession::edidModeReported);
    session.channel().sendCommand(Direction::SET, Command::RXEDMD, {3});
    pauseWithEvents(40);
    EXPECT_EQ(d.edidMode(), 3);
    EXPECT_EQ(reports.count(), 0);
    EXPECT_FALSE(log.text().contains("CRC Error!"));
    session.channel().sendCommand(Direction::GET, Command::RXEDMD, 2);
    ASSERT_EQ(reports.count(), 1);
    EXPECT_EQ(reports[0][0].value<quint8>(), 3);
}

TEST_F(SessionTest, StrayReplyIsCheckedButDecodesNothing)
{
    SimulatedDevice &d = connectDevice();
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    ASSERT_EQ(session.channel().lastCommand(), Command::ENTRANCE);
    QSignalSpy stored(&session, &DeviceSession::systemDescriptionStored);
    const std::string other = "FFFF\f0000\fOTHER\fX\fs\f9\fT\f1\f1\f1\f1\f";
    d.sendRaw(QByteArray::fromStdString(replyLine(other)));
    pauseWithEvents(80);
    EXPECT_EQ(stored.count(), 0);
    EXPECT_EQ(session.registry().status(0).productName, "HDM-4K44");
    // Its CRC is still checked.
    d.sendRaw("garbage\n");
    pauseWithEvents(80);
    EXPECT_EQ(log.text().count("CRC Error!"), 1);
}

TEST_F(SessionTest, CrcFaultsLeaveTheStateAndRestartThePoll)
{
    struct Case
    {
        const char *name;
        void (*arm)(SimulatedFaults &);
    } cases[] = {
        {"lowercase", [](SimulatedFaults &f) { f.lowercaseCrc = 1; }},
        {"wrong digit", [](SimulatedFaults &f) { f.badCrc = 1; }},
    };
    SimulatedDevice &d = connectDevice();
    for (const Case &c : cases) {
        d.config().productName = "RENAMED";
        // A body whose CRC has letters, so lowercase really differs.
        c.arm(d.faults());
        const int before = static_cast<int>(log.text().count("CRC Error!"));
        session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
        pauseWithEvents(30);
        EXPECT_EQ(log.text().count("CRC Error!"), before + 1) << c.name;
        EXPECT_EQ(session.registry().status(0).productName, "HDM-4K44") << c.name;
        EXPECT_TRUE(session.channel().pollRunning()) << c.name;
        EXPECT_EQ(session.channel().lastLength(), 0);
        EXPECT_EQ(session.channel().lastCommand(), Command::SYS_DSCPT); // stays after a CRC error
        d.config().productName = "HDM-4K44";
    }
}

TEST_F(SessionTest, MalformedDescriptionsAreRejectedWhole)
{
    struct Case
    {
        const char *body;
        const char *logged;
    } cases[] = {
        {"V\fP\fNEW\fS\f5\f1\fT\f4\f1\fx\f8\f", "is not a number"},
        {"V\fP\fNEW\fS\f5\f1\fT\f4\f1\f", "too few fields"},
        {"", "too few fields"},
    };
    SimulatedDevice &d = connectDevice();
    for (const Case &c : cases) {
        d.config().systemReplyBody = QByteArray(c.body);
        session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
        EXPECT_TRUE(log.text().contains(c.logged)) << c.body;
        const SYS_STATUS &s = session.registry().status(0);
        EXPECT_EQ(s.productName, "HDM-4K44") << c.body;
        EXPECT_EQ(s.vid, "1A2B") << c.body;
        EXPECT_EQ(s.userCount, 8) << c.body;
        EXPECT_EQ(session.slotListAll().items.size(), 4 + 1 + 8 + 8 + 3);
    }
    // Counts keep their low 8 bits.
    d.config().systemReplyBody = QByteArray("V\fP\fNEW\fS\f5\f1\fT\f258\f1\f0\f0\f");
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    EXPECT_EQ(session.registry().status(0).inputCount, 2);
    EXPECT_EQ(session.registry().status(0).productName, "NEW");
}

TEST_F(SessionTest, NodeDescriptionGoesToTheSelectedSlot)
{
    SimulatedDeviceConfig config;
    config.outputNode.value0 = 42;
    config.outputNode.copyAvailable = false;
    connectDevice(config);
    const SYS_STATUS &s = session.registry().status(0);
    session.channel().selectSlot(makeSlotCode(SlotKind::Output, 1));
    session.channel().sendCommand(Direction::GET, Command::ND_DSCPT, 5);
    EXPECT_EQ(s.outputNodes[0].nodeValue0, 42);
    EXPECT_EQ(s.outputNodes[0].copyAvailable, 0);
    session.channel().selectSlot(makeSlotCode(SlotKind::Input, 3));
    session.channel().sendCommand(Direction::GET, Command::ND_DSCPT, 5);
    EXPECT_EQ(s.inputNodes[2].nodeValue0, 1);

    // No place for a user or internal slot's descriptor, nor for slot 11 of a kind.
    const auto before = s.inputNodes;
    const auto outputsBefore = s.outputNodes;
    for (SlotCode code : {makeSlotCode(SlotKind::User, 1), makeSlotCode(SlotKind::Internal, 2),
                          SlotCode(0x000A), SlotCode(0x100A)}) {
        session.channel().selectSlot(code);
        session.channel().sendCommand(Direction::GET, Command::ND_DSCPT, 5);
    }
    EXPECT_EQ(s.inputNodes, before);
    EXPECT_EQ(s.outputNodes, outputsBefore);
    EXPECT_EQ(log.text().count("Node description not stored"), 4);
}

TEST_F(SessionTest, EdidQuartersFillTheTransferImageOnGetOnly)
{
    SimulatedDevice &d = connectDevice();
    const EdidImage user2 = d.slotImage(2, 2);
    session.channel().selectSlot(makeSlotCode(SlotKind::User, 2));
    for (Command c : {Command::ND_ED0A, Command::ND_ED0B, Command::ND_ED1A, Command::ND_ED1B})
        session.channel().sendCommand(Direction::GET, c, 5);
    EXPECT_EQ(session.transferImage(), user2);

    // A SET writes the slot; its answer leaves the image alone.
    EdidImage written = d.slotImage(0, 1);
    written[20] = 0x5A;
    setEdidChecksums(written);
    session.channel().selectSlot(makeSlotCode(SlotKind::Input, 2));
    const Command quarters[] = {Command::ND_ED0A, Command::ND_ED0B, Command::ND_ED1A, Command::ND_ED1B};
    for (int q = 0; q < 4; ++q)
        session.channel().sendCommand(Direction::SET, quarters[q],
                                      std::span<const uint8_t>(written.data() + 64 * q, 64));
    pauseWithEvents(40);
    EXPECT_EQ(d.slotImage(0, 2), written);
    EXPECT_EQ(session.transferImage(), user2);
    EXPECT_FALSE(log.text().contains("CRC Error!"));
}

// A device may end a quarter's digits with the field separator or not, and may send bytes without a
// line end right after an answer: the search, the description and a slot read work in every case.
TEST_F(SessionTest, QuarterFormsAndBytesAfterAnAnswer)
{
    struct Case
    {
        const char *name;
        bool separator;
        bool strayTail;
    } cases[] = {
        {"quarters with the separator", true, false},
        {"bare quarters", false, false},
        {"separator, bytes after every answer", true, true},
        {"bare, bytes after every answer", false, true},
    };
    for (const Case &c : cases) {
        if (session.connected())
            session.disconnect();
        devices.clear();
        SimulatedDeviceConfig config;
        config.quarterSeparator = c.separator;
        config.productName = "FORMS";
        SimulatedDevice &d = addDevice(config);
        if (c.strayTail)
            d.faults().strayTails = -1;
        EdidImage image = d.slotImage(2, 3);
        image[20] = 0x3C;
        setEdidChecksums(image);
        d.setSlotImage(2, 3, image);
        session.search();
        ASSERT_TRUE(session.connected()) << c.name;
        EXPECT_EQ(session.registry().serialRecord().productName, "FORMS") << c.name;
        const CommandResult description =
            session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
        EXPECT_EQ(description.outcome, CommandResult::Outcome::Answered) << c.name;
        QString why;
        EXPECT_TRUE(readSlotEdid(session, makeSlotCode(SlotKind::User, 3), &why)) << c.name << ": "
                                                                                   << why.toStdString();
        EXPECT_EQ(session.transferImage(), image) << c.name;
        EXPECT_FALSE(log.text().contains("CRC Error!")) << c.name;
    }
}

TEST_F(SessionTest, ShortEdidAnswerIsNoQuarter)
{
    // A quarter is exactly 128 hexadecimal digits; a shorter line (an answer to something else)
    // must not become image bytes.
    SimulatedDevice &d = connectDevice();
    session.transferImage().bytes.fill(0x77);
    d.faults().dropReplies = 1;
    const CommandResult r = session.channel().sendCommand(Direction::GET, Command::ND_ED0B, 5);
    EXPECT_EQ(r.outcome, CommandResult::Outcome::NoReply);
    d.sendRaw(QByteArray::fromStdString(replyLine("0A0B")));
    pauseWithEvents(80);
    const EdidImage &image = session.transferImage();
    for (std::size_t i = 0; i < image.size(); ++i)
        EXPECT_EQ(image[i], 0x77) << i;
    EXPECT_TRUE(log.text().contains("Reply skipped: no answer to GET ND_ED0B."));
    EXPECT_FALSE(log.text().contains("CRC Error!"));
}

TEST_F(SessionTest, StatusPollAsksForTheModeEveryTwoSeconds)
{
    SimulatedDeviceConfig config;
    config.edidMode = 5;
    SimulatedDevice &d = connectDevice(config);
    QSignalSpy reports(&session, &DeviceSession::edidModeReported);
    ASSERT_TRUE(session.channel().pollRunning());
    ASSERT_TRUE(waitFor([&] { return reports.count() >= 1; }, 3000));
    EXPECT_EQ(reports[0][0].value<quint8>(), 5);
    EXPECT_EQ(requestLines(d).value(0), QByteArray("$GET RXEDMD FFFF"));
}

TEST_F(SessionTest, NoPollWithoutModePolled)
{
    SimulatedDeviceConfig config;
    config.inputNode.modePolled = false;
    SimulatedDevice &d = connectDevice(config);
    pauseWithEvents(2300);
    EXPECT_TRUE(d.requests().isEmpty());
}

TEST_F(SessionTest, PortVanishingMidPollReturnsToIdle)
{
    SimulatedDevice &d = connectDevice();
    QSignalSpy idle(&session.serialSearch(), &SerialSearch::connectionChanged);
    d.faults().vanishAfterRequests = 1; // the poll's request is the last thing it hears
    ASSERT_TRUE(waitFor([&] { return !session.connected(); }, 4000));
    EXPECT_FALSE(session.transport().isOpen());
    EXPECT_FALSE(session.transport().receiveTickRunning());
    EXPECT_FALSE(session.channel().pollRunning());
    EXPECT_EQ(session.registry().count(), 0);
    EXPECT_EQ(session.registry().rows().value(0), QStringList(6, QString()));
    EXPECT_TRUE(log.text().contains("lost"));
    ASSERT_GE(idle.count(), 1);
    EXPECT_FALSE(idle.last()[0].toBool());
    // Nothing keeps running or logging afterwards.
    const QString logNow = log.text();
    pauseWithEvents(300);
    EXPECT_EQ(log.text(), logNow);
    // Disconnect afterwards is harmless, and a new search finds nothing at the gone port.
    session.disconnect();
    session.search();
    EXPECT_FALSE(session.connected());
}

TEST_F(SessionTest, PortVanishingDuringTheHandshakeMovesOn)
{
    SimulatedDevice &gone = addDevice();
    SimulatedDevice &next = addDevice();
    gone.faults().vanishAfterRequests = 1;
    session.search();
    ASSERT_TRUE(session.connected());
    EXPECT_EQ(session.transport().openPortName(), next.portPath());
    EXPECT_EQ(session.registry().count(), 1);
}

TEST_F(SessionTest, PortVanishingWhileDescribingEndsIdle)
{
    SimulatedDevice &d = addDevice();
    d.faults().vanishAfterRequests = 2; // after the description request
    session.search();
    EXPECT_FALSE(session.connected());
    EXPECT_FALSE(session.serialSearch().searching());
    EXPECT_EQ(session.registry().count(), 0);
    pauseWithEvents(50);
    EXPECT_FALSE(session.transport().isOpen());
}

} // namespace
