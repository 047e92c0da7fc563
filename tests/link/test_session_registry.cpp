// The device registry that the serial search and the discovery service share: only a choice moves
// the selection, 20 records at most, and one index space for both kinds of device.

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "shell/DebugLog.h"
#include "link/DeviceRegistry.h"

namespace {

SYS_STATUS device(uint8_t kind, const char *name)
{
    SYS_STATUS s;
    s.interfaceKind = kind;
    s.productName = QString::fromLatin1(name);
    return s;
}

} // namespace

TEST(DeviceRegistry, OnlyAChoiceMovesTheSelection)
{
    DebugLog log;
    DeviceRegistry registry(log);
    QSignalSpy changed(&registry, &DeviceRegistry::selectionChanged);
    EXPECT_EQ(registry.list(device(interfaceNetwork, "A")), 0);
    EXPECT_EQ(registry.list(device(interfaceSerial, "B")), 1);
    EXPECT_EQ(registry.list(device(interfaceNetwork, "C")), 2);
    // Newly listed devices do not take the selection (the lists are told so they can refresh).
    EXPECT_EQ(registry.selected(), 0);
    EXPECT_EQ(changed.count(), 3);
    registry.select(2);
    EXPECT_EQ(registry.selected(), 2);
    EXPECT_TRUE(registry.networkSelected());
    registry.select(1);
    EXPECT_FALSE(registry.networkSelected());
    // A new search starts over with nothing listed and the first index chosen.
    registry.startSearch();
    EXPECT_EQ(registry.count(), 0);
    EXPECT_EQ(registry.selected(), 0);
    EXPECT_FALSE(registry.networkSelected()) << "an unlisted index is no device";
}

TEST(DeviceRegistry, TwentyRecordsAtMost)
{
    DebugLog log;
    DeviceRegistry registry(log);
    for (int i = 0; i < DeviceRegistry::capacity; ++i)
        ASSERT_EQ(registry.list(device(interfaceNetwork, "N")), i);
    EXPECT_TRUE(registry.full());
    EXPECT_EQ(registry.list(device(interfaceSerial, "S")), -1);
    EXPECT_EQ(registry.count(), DeviceRegistry::capacity);
    EXPECT_TRUE(log.text().contains(QStringLiteral("Device list full: device not listed.")));
    // Out-of-table indexes neither write nor read past the 20 records.
    registry.setProductString(DeviceRegistry::capacity, QStringLiteral("x"));
    registry.setFirmwareLoaded(-1, true);
    EXPECT_EQ(registry.status(DeviceRegistry::capacity + 5).productName, QStringLiteral("N"));
    EXPECT_EQ(registry.status(-3).firmwareLoaded, 0);
    // Disconnect empties the list's rows and frees the indexes; the records keep their data.
    registry.showRow(0, {QStringLiteral("1"), QStringLiteral("ETHERNET")});
    registry.clearList();
    EXPECT_EQ(registry.count(), 0);
    EXPECT_EQ(registry.rows().size(), 1);
    EXPECT_TRUE(registry.rows()[0][0].isEmpty());
    EXPECT_EQ(registry.list(device(interfaceSerial, "S")), 0);
}

TEST(DeviceRegistry, SerialAndNetworkDevicesShareOneIndexSpace)
{
    DebugLog log;
    DeviceRegistry registry(log);
    registry.startSearch();
    // The serial search probes a port; a network device answers during the handshake pause.
    registry.beginProbe();
    registry.serialRecord().productName = QStringLiteral("Serial");
    EXPECT_EQ(registry.list(device(interfaceNetwork, "Net")), 0);
    registry.showRow(0, {QStringLiteral("1"), QStringLiteral("ETHERNET"), QStringLiteral("Net")});
    // Replies decoded meanwhile land in the probed record, not in the network device's.
    registry.serialRecord().inputCount = 4;
    EXPECT_EQ(registry.status(0).productName, QStringLiteral("Net"));
    EXPECT_EQ(registry.status(0).inputCount, 0);
    SYS_STATUS probed = registry.endProbe();
    probed.interfaceKind = interfaceSerial;
    const int serial = registry.list(probed);
    EXPECT_EQ(serial, 1);
    registry.setSerialIndex(serial);
    registry.showRow(serial, {QStringLiteral("2"), QStringLiteral("/dev/pts/9"), QStringLiteral("Serial")});
    ASSERT_EQ(registry.rows().size(), 2);
    EXPECT_EQ(registry.rows()[0][2], QStringLiteral("Net"));
    EXPECT_EQ(registry.rows()[1][2], QStringLiteral("Serial"));
    EXPECT_TRUE(registry.isNetwork(0));
    EXPECT_TRUE(registry.isSerial(1));
    // Whichever row is chosen, serial replies go to the serial device's record.
    registry.select(0);
    EXPECT_EQ(registry.serialRecord().productName, QStringLiteral("Serial"));
    EXPECT_EQ(registry.serialRecord().inputCount, 4);
    // A later network answer takes the next index, after both.
    EXPECT_EQ(registry.list(device(interfaceNetwork, "Net2")), 2);
}
