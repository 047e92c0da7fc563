#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"

namespace {

TEST(SimulatedDevice, SlotsLoadFromAndDumpToAFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimulatedDeviceConfig config;
    config.inputs = 2;
    config.outputs = 1;
    config.users = 2;
    config.internals = 1;
    SimulatedDevice a(config);
    // Every slot starts distinct and valid.
    EXPECT_NE(a.slotImage(0, 1), a.slotImage(0, 2));
    EXPECT_NE(a.slotImage(2, 1), a.slotImage(3, 1));
    EXPECT_EQ(edidValidationError(a.slotImage(3, 1)), 0);
    EdidImage changed = a.slotImage(2, 2);
    changed[30] = 0x42;
    a.setSlotImage(2, 2, changed);
    ASSERT_EQ(a.dumpSlots(dir.path()), 6);
    EXPECT_TRUE(QFile::exists(dir.filePath("Input1 EDID.bin")));
    EXPECT_TRUE(QFile::exists(dir.filePath("Output1 EDID.bin")));
    EXPECT_TRUE(QFile::exists(dir.filePath("User2 EDID.bin")));
    EXPECT_TRUE(QFile::exists(dir.filePath("Internal1 EDID.bin")));
    EXPECT_EQ(QFileInfo(dir.filePath("User2 EDID.bin")).size(), 256);

    SimulatedDevice b(config);
    ASSERT_TRUE(QFile::remove(dir.filePath("Input2 EDID.bin")));
    EXPECT_EQ(b.loadSlots(dir.path()), 5);
    EXPECT_EQ(b.slotImage(2, 2), changed);
    EXPECT_EQ(b.slotImage(0, 2), a.slotImage(0, 2)); // the missing file kept the slot as it was
    EXPECT_EQ(b.loadSlots(dir.filePath("no-such-folder")), -1);
}

// A session connected to a device in firmware-update mode, sending the loader's commands.
class LoaderTest : public ::testing::Test
{
  protected:
    DebugLog log;
    DeviceSession session{log};

    std::unique_ptr<SimulatedDevice> connect(HandshakeMode mode)
    {
        SimulatedDeviceConfig config;
        config.handshake = mode;
        auto d = std::make_unique<SimulatedDevice>(config);
        EXPECT_TRUE(d->start());
        session.transport().setPortOverride({d->portPath()});
        session.search();
        EXPECT_TRUE(session.transport().ispMode());
        return d;
    }
    void TearDown() override { session.disconnect(); }
};

TEST_F(LoaderTest, Variant2BlockSumsAndFlash)
{
    auto d = connect(HandshakeMode::Isp091);
    std::vector<uint8_t> chunk(128);
    unsigned sum = 0;
    for (int i = 0; i < 128; ++i) {
        chunk[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 7 + 3);
        sum += chunk[static_cast<std::size_t>(i)];
    }
    session.channel().sendCommand(Direction::SET, Command::FW_ADDR, {0x00, 0x00, 0x08, 0x00});
    session.channel().sendCommand(Direction::SET, Command::FW_DATA, chunk);
    session.channel().sendCommand(Direction::SET, Command::FW_DATA,
                                  chunk); // the loader sums everything it got
    session.channel().sendCommand(Direction::SET, Command::FW_CHK, 0);
    pauseWithEvents(30);
    char expected[16];
    std::snprintf(expected, sizeof expected, "$CHK%05u", (2 * sum) & 0xFFFF);
    EXPECT_TRUE(QByteArray(session.transport().rxBuffer()).startsWith(expected))
        << session.transport().rxBuffer();
    ASSERT_GE(d->flash().size(), 0x800 + 128);
    EXPECT_EQ(QByteArray(d->flash().constData() + 0x800, 128),
              QByteArray(reinterpret_cast<const char *>(chunk.data()), 128));
    EXPECT_EQ(static_cast<uint8_t>(d->flash()[0]), 0xFF); // never written

    // A mismatch fault answers a different sum once; the sum starts again after every check.
    d->faults().blockSumMismatch = 1;
    session.channel().sendCommand(Direction::SET, Command::FW_DATA, chunk);
    session.channel().sendCommand(Direction::SET, Command::FW_CHK, 0);
    pauseWithEvents(30);
    std::snprintf(expected, sizeof expected, "$CHK%05u", (sum + 1) & 0xFFFF);
    EXPECT_TRUE(QByteArray(session.transport().rxBuffer()).startsWith(expected))
        << session.transport().rxBuffer();
    session.channel().sendCommand(Direction::SET, Command::FW_CHK, 0);
    pauseWithEvents(30);
    EXPECT_TRUE(QByteArray(session.transport().rxBuffer()).startsWith("$CHK00000"))
        << session.transport().rxBuffer();
    session.channel().sendCommand(Direction::SET, Command::FW_END, 0);
    EXPECT_EQ(d->firmwareEnds(), 1);
    EXPECT_EQ(d->blockChecks(), 3);
}

// With an expected image, the first write that departs from it pulls the port, so a wrong
// uploader fails at once; writes that match (0xFF past the image's end) change nothing.
TEST_F(LoaderTest, ExpectedFirmwareStopsAtTheFirstWrongWrite)
{
    QByteArray image(200, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 7 + 3);
    auto bytes = [](const QByteArray &b) { return std::vector<uint8_t>(b.begin(), b.end()); };
    const QByteArray tail = image.mid(128) + QByteArray(56, '\xFF');
    QByteArray badByte = image.left(128);
    badByte[5] = 0;
    QByteArray badTail = tail;
    badTail[100] = 0;

    struct Case
    {
        const char *what;
        std::vector<uint8_t> address;
        QByteArray payload;
        QString divergence;
    } cases[] = {
        {"first chunk", {0, 0, 0, 0}, image.left(128), {}},
        {"last chunk padded", {0, 0, 0, 0x80}, tail, {}},
        {"address bytes swapped", {0x80, 0, 0, 0}, tail, "FW_DATA at 0x80000000, past the image's 200 bytes"},
        {"a wrong byte", {0, 0, 0, 0}, badByte, "FW_DATA at 0x0: byte 0x5 is 0, the image has 38"},
        {"padding not 0xFF", {0, 0, 0, 0x80}, badTail, "FW_DATA at 0x80: byte 0xe4 is 0, the image has 255"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto d = connect(HandshakeMode::Isp091);
        d->expectFirmware(image);
        session.channel().sendCommand(Direction::SET, Command::FW_ADDR, c.address);
        session.channel().sendCommand(Direction::SET, Command::FW_DATA, bytes(c.payload));
        pauseWithEvents(30);
        EXPECT_EQ(d->firmwareDivergence(), c.divergence);
        EXPECT_EQ(d->running(), c.divergence.isEmpty());
        // A wrong write never reaches the flash.
        EXPECT_EQ(d->flash().isEmpty(), !c.divergence.isEmpty());
        session.disconnect();
    }
}

TEST_F(LoaderTest, NoStatusPollToALoader)
{
    // An earlier normal connection left the record polled.
    session.registry().update(0, [&](SYS_STATUS &s) { s.interfaceKind = 1; });
    session.registry().update(0, [&](SYS_STATUS &s) { s.inputNodes[0].modePolled = 1; });
    auto d = connect(HandshakeMode::Isp029);
    session.channel().sendCommand(Direction::SET, Command::FW_END, 0); // a SET starts the poll timer
    ASSERT_TRUE(session.channel().pollRunning());
    d->clearRequests();
    session.serialSearch().pollStatus();
    pauseWithEvents(30);
    EXPECT_TRUE(d->requests().isEmpty());
}

TEST_F(LoaderTest, Variant1TakesTwoByteAddressesAndNeverAnswers)
{
    auto d = connect(HandshakeMode::Isp029);
    const std::vector<uint8_t> chunk(64, 0xA5);
    session.channel().sendCommand(Direction::SET, Command::FW_ADDR, {0x00, 0x40});
    session.channel().sendCommand(Direction::SET, Command::FW_DATA, chunk);
    pauseWithEvents(30);
    EXPECT_EQ(session.transport().rxLength(), 0u);
    ASSERT_EQ(d->flash().size(), 0x40 + 64);
    EXPECT_EQ(d->flash().mid(0x40), QByteArray(64, '\xA5'));
    // Normal-mode commands mean nothing to the loader.
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    EXPECT_EQ(session.transport().rxLength(), 0u);
}

TEST(SimulatedDevice, RequestsAreLoggedAndOnlyGoodOnesAnswered)
{
    DebugLog log;
    DeviceSession session(log);
    SimulatedDevice d;
    ASSERT_TRUE(d.start());
    ASSERT_EQ(session.transport().open(d.portPath()), SerialTransport::OpenResult::Ok);
    session.transport().startReceiveTick();
    const QByteArray bad = "$SET ND_SEL 00000000\r\n"; // wrong CRC
    session.transport().write(bad.constData(), bad.size());
    pauseWithEvents(60);
    ASSERT_EQ(d.requests().size(), 1);
    EXPECT_TRUE(d.requests()[0].parsed);
    EXPECT_FALSE(d.requests()[0].crcOk);
    EXPECT_EQ(session.transport().rxLength(), 0u);
    session.channel().sendCommand(Direction::SET, Command::ND_SEL, {0x20, 0x01});
    pauseWithEvents(30);
    EXPECT_EQ(d.selectedSlot(), 0x2001u);
    ASSERT_EQ(d.requests().size(), 2);
    EXPECT_EQ(d.requests()[1].payload, QByteArray("\x20\x01", 2));
    EXPECT_EQ(d.requests()[1].command, Command::ND_SEL);
    EXPECT_EQ(d.requests()[1].direction, Direction::SET);
}

TEST(SimulatedDevice, WritingWithNobodyReadingGivesUp)
{
    SimulatedDevice d;
    ASSERT_TRUE(d.start());
    d.sendRaw(QByteArray(1 << 20, 'x')); // returns instead of waiting for a reader forever
    d.vanish();
    EXPECT_FALSE(d.running());
    d.sendRaw("after"); // nothing to write to
}

TEST(SimulatedDevice, SystemCommandsChangeTheDescription)
{
    DebugLog log;
    DeviceSession session(log);
    SimulatedDeviceConfig config;
    config.defaultProductString = "Factory";
    SimulatedDevice d(config);
    ASSERT_TRUE(d.start());
    session.transport().setPortOverride({d.portPath()});
    session.search();
    ASSERT_TRUE(session.connected());
    const QByteArray text = "Lab bench";
    session.channel().sendCommand(
        Direction::SET, Command::SYS_STR,
        std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(text.constData()), 9));
    EXPECT_EQ(d.productString(), text);
    session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
    EXPECT_EQ(session.registry().status(0).productString, "Lab bench");
    session.channel().sendCommand(Direction::SET, Command::SYS_DEF, {0x55});
    EXPECT_EQ(d.productString(), "Factory");
    session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0);
    EXPECT_TRUE(d.inTransfer());
    session.channel().sendCommand(Direction::SET, Command::SYS_CTM, 0);
    EXPECT_FALSE(d.inTransfer());
    EXPECT_FALSE(log.text().contains("CRC Error!"));
    session.disconnect();
}

} // namespace
