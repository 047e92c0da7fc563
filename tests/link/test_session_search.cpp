#include "tests/link/SessionFixture.h"

namespace {

TEST_F(SessionTest, NormalDeviceIsListedWithItsDescription)
{
    SimulatedDevice &d = addDevice();
    QSignalSpy connectedSpy(&session.serialSearch(), &SerialSearch::connectionChanged);
    session.search();
    ASSERT_TRUE(session.connected());
    EXPECT_EQ(session.registry().count(), 1);
    EXPECT_EQ(session.registry().selected(), 0);
    const SYS_STATUS &s = session.registry().status(0);
    EXPECT_EQ(s.vid, "1A2B");
    EXPECT_EQ(s.productName, "HDM-4K44");
    EXPECT_EQ(s.inputCount, 4);
    EXPECT_EQ(s.interfaceKind, 1);
    EXPECT_EQ(s.inputNodes[0].currentEdidMode, 255);
    EXPECT_EQ(s.inputNodes[0].modePolled, 1);
    ASSERT_EQ(session.registry().rows().size(), 1);
    EXPECT_EQ(session.registry().rows()[0], QStringList({"1", d.portPath(), "HDM-4K44", " Demo Matrix ", "NC", "NC"}));
    EXPECT_TRUE(log.text().contains("Check " + d.portPath() + "\r\n"));
    EXPECT_TRUE(log.text().contains("Got One Device!\r\n"));
    EXPECT_FALSE(log.text().contains("CRC Error!"));
    const QList<QByteArray> expected = {"$ENTRANCE FFFF", "$GET SYS_DSCPT FFFF", "$SET ND_SEL 00004E5C",
                                        "$GET ND_DSCPT FFFF"};
    EXPECT_EQ(requestLines(d), expected);
    EXPECT_EQ(d.requests()[0].raw, QByteArray(" \r$ENTRANCE FFFF\r\n"));
}

} // namespace

namespace {

SimulatedDeviceConfig isp(HandshakeMode mode)
{
    SimulatedDeviceConfig c;
    c.handshake = mode;
    return c;
}

TEST_F(SessionTest, FirmwareUpdateModeIsListedAndEndsTheSearch)
{
    struct Case
    {
        HandshakeMode mode;
        uint8_t kind;
    } cases[] = {{HandshakeMode::Isp029, 1}, {HandshakeMode::Isp091, 2}};
    for (const Case &c : cases) {
        DebugLog caseLog;
        DeviceSession s(caseLog);
        SimulatedDevice d(isp(c.mode));
        SimulatedDevice second; // never reached
        ASSERT_TRUE(d.start());
        ASSERT_TRUE(second.start());
        s.transport().setPortOverride({d.portPath(), second.portPath()});
        QSignalSpy connectedSpy(&s.serialSearch(), &SerialSearch::connectionChanged);
        s.search();
        EXPECT_TRUE(s.connected());
        EXPECT_TRUE(s.transport().ispMode());
        EXPECT_EQ(s.channel().ispKind(), c.kind);
        EXPECT_EQ(s.transport().linkFlags() & SerialTransport::ispModeBit, SerialTransport::ispModeBit);
        EXPECT_EQ(s.registry().count(), 1);
        EXPECT_EQ(s.registry().status(0).interfaceKind, 1);
        ASSERT_EQ(s.registry().rows().size(), 1);
        EXPECT_EQ(s.registry().rows()[0], QStringList({"1", d.portPath(), "KELM-ISP", "ISP Mode", "NC", "NC"}));
        EXPECT_TRUE(caseLog.text().contains("No Device Detected.\r\n"));
        // Only the handshake went out, and the poll waits for the first SET.
        EXPECT_EQ(requestLines(d), QList<QByteArray>({"$ENTRANCE FFFF"}));
        EXPECT_FALSE(s.channel().pollRunning());
        EXPECT_TRUE(second.received().isEmpty());
        ASSERT_EQ(connectedSpy.count(), 1);
        EXPECT_EQ(connectedSpy[0][1].toBool(), true);

        // A later search where the port answers neither tag takes no firmware-update branch.
        s.disconnect();
        EXPECT_FALSE(s.transport().ispMode());
        EXPECT_EQ(s.channel().ispKind(), c.kind); // disconnect keeps it
        d.config().handshake = HandshakeMode::Silent;
        second.config().handshake = HandshakeMode::Silent;
        s.search();
        EXPECT_FALSE(s.connected());
        EXPECT_FALSE(s.transport().ispMode());
        EXPECT_EQ(s.channel().ispKind(), 0);
    }
}

TEST_F(SessionTest, SilentPortsEndIdleWithEveryPortClosed)
{
    addDevice(isp(HandshakeMode::Silent));
    addDevice(isp(HandshakeMode::Silent));
    QSignalSpy busy(&session.serialSearch(), &SerialSearch::busyChanged);
    session.search();
    EXPECT_FALSE(session.connected());
    EXPECT_FALSE(session.transport().isOpen());
    EXPECT_FALSE(session.transport().receiveTickRunning());
    EXPECT_FALSE(session.channel().pollRunning());
    EXPECT_EQ(log.text().count("No Device Detected.\r\n"), 2);
    EXPECT_EQ(session.registry().count(), 0);
    ASSERT_EQ(busy.count(), 2);
    EXPECT_TRUE(busy[0][0].toBool());
    EXPECT_FALSE(busy[1][0].toBool());
    EXPECT_EQ(session.serialSearch().portList().size(), 2);
}

// The handshake answer is read at the end of its pause; one on its way then still gets the grace
// every request gets, and one later than that leaves the port unlisted.
TEST_F(SessionTest, LateHandshakeAnswerGetsTheGrace)
{
    const struct
    {
        HandshakeMode mode;
        int lateMs;
        bool listed;
    } cases[] = {{HandshakeMode::Normal, 165, true},
                 {HandshakeMode::Isp091, 165, true},
                 {HandshakeMode::Normal, 400, false}};
    for (const auto &c : cases) {
        DebugLog caseLog;
        DeviceSession s(caseLog);
        SimulatedDevice d(isp(c.mode));
        ASSERT_TRUE(d.start());
        d.faults().lateHandshakeMs = c.lateMs;
        s.transport().setPortOverride({d.portPath()});
        s.search();
        SCOPED_TRACE(c.lateMs);
        EXPECT_EQ(s.connected(), c.listed);
        EXPECT_EQ(s.registry().rows().size(), c.listed ? 1 : 0);
        EXPECT_EQ(caseLog.text().contains("Got One Device!"), c.listed && c.mode == HandshakeMode::Normal);
        pauseWithEvents(c.lateMs); // the late answer lands before the device goes
    }
}

TEST_F(SessionTest, OnlyTheFirstAnsweringPortIsConnected)
{
    SimulatedDevice &silent = addDevice(isp(HandshakeMode::Silent));
    SimulatedDevice &first = addDevice();
    SimulatedDevice &second = addDevice();
    session.search();
    ASSERT_TRUE(session.connected());
    EXPECT_EQ(session.transport().openPortName(), first.portPath());
    EXPECT_EQ(requestLines(silent), QList<QByteArray>({"$ENTRANCE FFFF"}));
    EXPECT_TRUE(second.received().isEmpty());
    EXPECT_EQ(session.registry().rows().size(), 1);
    EXPECT_EQ(session.registry().rows()[0][1], first.portPath());
}

TEST_F(SessionTest, SlotListsFromTheCounts)
{
    struct Case
    {
        int inputs, outputs, users, internals;
        QStringList all;
        int srcSelected;
        QStringList dest;
    } cases[] = {
        {2,
         1,
         3,
         4,
         {"Input 1", "Input 2", "----------------", "Output 1", "----------------", "User 1", "User 2",
          "User 3", "----------------", "Internal 1", "Internal 2", "Internal 3", "Internal 4"},
         3,
         {"Input 1", "Input 2", "----------------", "User 1", "User 2", "User 3"}},
        {0,
         1,
         0,
         2,
         {"----------------", "Output 1", "----------------", "----------------", "Internal 1", "Internal 2"},
         1,
         {"----------------"}},
    };
    for (const Case &c : cases) {
        DebugLog caseLog;
        DeviceSession s(caseLog);
        SimulatedDeviceConfig config;
        config.inputs = c.inputs;
        config.outputs = c.outputs;
        config.users = c.users;
        config.internals = c.internals;
        SimulatedDevice d(config);
        ASSERT_TRUE(d.start());
        s.transport().setPortOverride({d.portPath()});
        QSignalSpy lists(&s, &DeviceSession::slotListsChanged);
        s.search();
        ASSERT_TRUE(s.connected());
        EXPECT_GE(lists.count(), 1);
        EXPECT_EQ(s.slotListAll().items, c.all);
        EXPECT_EQ(s.slotListAll().selected, 0);
        EXPECT_EQ(s.slotListSrc().items, c.all);
        EXPECT_EQ(s.slotListSrc().selected, c.srcSelected);
        EXPECT_EQ(s.slotListDest().items, c.dest);
        EXPECT_EQ(s.slotListDest().selected, 0);
        EXPECT_EQ(s.slotListUpload().items, c.dest);
        EXPECT_EQ(s.slotListUpload().selected, 0);

        s.disconnect();
        EXPECT_TRUE(s.slotListAll().items.isEmpty());
        EXPECT_TRUE(s.slotListUpload().items.isEmpty());
    }
}

TEST_F(SessionTest, DescriptorFlagsAndModeButtons)
{
    SimulatedDeviceConfig config;
    config.nodeReplyBody = QByteArray("5\f300\f7\fT\fF\fT\fT\fx\f");
    QSignalSpy modes(&session.serialSearch(), &SerialSearch::modesAvailable);
    connectDevice(config);
    const NodeDescriptor &n = session.registry().status(0).inputNodes[0];
    EXPECT_EQ(n.nodeValue0, 5);
    EXPECT_EQ(n.nodeValue1, 300 & 0xFF);
    EXPECT_EQ(n.nodeValue2, 7);
    EXPECT_EQ(n.nodeFlag3, 1);
    EXPECT_EQ(n.modeSelectable, 0);
    EXPECT_EQ(n.copyAvailable, 1);
    EXPECT_EQ(n.modePolled, 1);
    EXPECT_EQ(n.nodeFlag8, 0);
    EXPECT_EQ(n.currentEdidMode, 255);
    // Not selectable: no mode button is enabled.
    EXPECT_EQ(modes.count(), 0);
}

TEST_F(SessionTest, SelectableInputEnablesItsModeButtons)
{
    QSignalSpy modes(&session.serialSearch(), &SerialSearch::modesAvailable);
    SimulatedDeviceConfig config;
    config.internals = 3;
    config.outputs = 1;
    config.users = 5;
    connectDevice(config);
    ASSERT_EQ(modes.count(), 1);
    EXPECT_EQ(modes[0], QVariantList({true, 3, 1, 5}));
    session.disconnect();
    ASSERT_EQ(modes.count(), 2);
    EXPECT_EQ(modes[1], QVariantList({false, 3, 1, 5}));
}

TEST_F(SessionTest, DisconnectEmptiesRowsButKeepsTheirCount)
{
    connectDevice();
    // A network device listed after the serial one.
    const int index = session.registry().list(SYS_STATUS{});
    session.registry().setRow(index + 1, {"2", "LAN", "NETDEV", " x ", "10.0.0.2", "00:11:22:33:44:55"});
    QSignalSpy idleSpy(&session.serialSearch(), &SerialSearch::returnedToIdle);
    session.disconnect();
    EXPECT_FALSE(session.connected());
    EXPECT_FALSE(session.transport().isOpen());
    EXPECT_FALSE(session.transport().receiveTickRunning());
    EXPECT_FALSE(session.channel().pollRunning());
    EXPECT_FALSE(session.channel().replyPumpRunning());
    EXPECT_EQ(session.transport().linkFlags(), 0);
    EXPECT_EQ(session.registry().count(), 0);
    ASSERT_EQ(session.registry().rows().size(), 2);
    for (const QStringList &row : session.registry().rows())
        EXPECT_EQ(row, QStringList(6, QString()));
    EXPECT_EQ(idleSpy.count(), 1);
    // The records keep their last contents.
    EXPECT_EQ(session.registry().status(0).productName, "HDM-4K44");
}

TEST_F(SessionTest, NetworkDeviceDuringTheSearchKeepsItsOwnIndex)
{
    SimulatedDevice &d = addDevice();
    // One network answer arrives during the handshake pause, one while the description is read.
    auto listNetworkDevice = [this](const QString &name) {
        SYS_STATUS network;
        network.productName = name;
        const int index = session.registry().list(network);
        ASSERT_GE(index, 0);
        session.registry().setRow(index + 1, {QString::number(index + 1), "LAN", name, "", "", ""});
    };
    QObject::connect(&session.serialSearch(), &SerialSearch::networkDiscoveryRequested, &session, [&] {
        QTimer::singleShot(100, &session, [&] { listNetworkDevice("NET-A"); });
        QTimer::singleShot(420, &session, [&] { listNetworkDevice("NET-B"); });
    });
    session.search();
    pauseWithEvents(100);
    ASSERT_TRUE(session.connected());
    EXPECT_EQ(session.registry().count(), 3);
    // NET-A took row 1, NET-B row 2 while the serial device's description was read, the serial
    // device got row 3 and its record there.
    EXPECT_EQ(session.registry().selected(), 2);
    EXPECT_EQ(session.registry().status(0).productName, "NET-A");
    EXPECT_EQ(session.registry().status(1).productName, "NET-B");
    EXPECT_EQ(session.registry().status(1).interfaceKind, 0);
    EXPECT_EQ(session.registry().status(2).productName, "HDM-4K44");
    EXPECT_EQ(session.registry().status(2).interfaceKind, 1);
    EXPECT_EQ(session.registry().status(2).inputCount, 4);
    EXPECT_EQ(session.registry().rows()[2][0], "3");
    EXPECT_EQ(session.registry().rows()[2][1], d.portPath());
    EXPECT_EQ(session.registry().rows()[0][2], "NET-A");
}

TEST_F(SessionTest, DisconnectWhileTheDescriptionIsReadListsNothing)
{
    addDevice();
    QObject::connect(&session.serialSearch(), &SerialSearch::connectionChanged, &session,
                     [this](bool connected, bool) {
                         if (connected)
                             QTimer::singleShot(20, &session, [this] { session.disconnect(); });
                     });
    session.search();
    EXPECT_FALSE(session.connected());
    EXPECT_FALSE(session.serialSearch().searching());
    EXPECT_FALSE(session.transport().isOpen());
    EXPECT_EQ(session.registry().count(), 0);
    EXPECT_TRUE(session.registry().rows().isEmpty() || session.registry().rows()[0] == QStringList(6, QString()));
    // A new search works as before.
    QObject::disconnect(&session.serialSearch(), &SerialSearch::connectionChanged, &session, nullptr);
    session.search();
    EXPECT_TRUE(session.connected());
    EXPECT_EQ(session.registry().count(), 1);
}

TEST_F(SessionTest, SerialDeviceBeyondTwentyIsLetGoAndTheListStays)
{
    addDevice();
    QObject::connect(&session.serialSearch(), &SerialSearch::networkDiscoveryRequested, &session, [this] {
        for (int i = 0; i < statusTableSize; ++i) {
            const int index = session.registry().list(SYS_STATUS{}); // interfaceKind 0: network
            session.registry().setRow(index + 1, {QString::number(index + 1), "LAN", "NET", "", "", ""});
        }
    });
    // Letting the device go is not a return to Idle: the listed devices' windows stay open.
    QSignalSpy idle(&session.serialSearch(), &SerialSearch::returnedToIdle);
    session.search();
    EXPECT_EQ(idle.count(), 0);
    EXPECT_FALSE(session.connected());
    EXPECT_FALSE(session.transport().isOpen());
    EXPECT_EQ(session.registry().count(), statusTableSize);
    EXPECT_EQ(session.registry().rows().size(), statusTableSize);
    EXPECT_EQ(session.registry().rows().last()[2], "NET");
    EXPECT_TRUE(session.slotListAll().items.isEmpty());
    EXPECT_TRUE(log.text().contains("not listed"));
}

TEST_F(SessionTest, UnansweredDescriptionKeepsTheRecordAndStillConnects)
{
    SimulatedDevice &d = addDevice();
    session.registry().update(0, [&](SYS_STATUS &s) { s.productName = "EARLIER"; });
    session.registry().update(0, [&](SYS_STATUS &s) { s.inputCount = 2; });
    d.faults().dropReplies = -1;
    d.faults().onlyFor = Command::SYS_DSCPT;
    session.search();
    ASSERT_TRUE(session.connected());
    EXPECT_EQ(session.registry().status(0).productName, "EARLIER");
    EXPECT_EQ(session.registry().status(0).inputCount, 2);
    EXPECT_EQ(session.registry().status(0).inputNodes[0].modePolled, 1); // ND_DSCPT did answer
    EXPECT_EQ(session.registry().rows().value(0).value(2), "EARLIER");
}

TEST_F(SessionTest, TwentyFirstDeviceIsNotListed)
{
    for (int i = 0; i < statusTableSize; ++i)
        EXPECT_EQ(session.registry().list(SYS_STATUS{}), i);
    EXPECT_EQ(session.registry().list(SYS_STATUS{}), -1);
    EXPECT_EQ(session.registry().count(), statusTableSize);
    EXPECT_TRUE(log.text().contains("not listed"));
}

} // namespace
