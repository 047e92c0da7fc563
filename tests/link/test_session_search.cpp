#include "tests/link/SessionFixture.h"

namespace {

TEST_F(SessionTest, NormalDeviceIsListedWithItsDescription)
{
    SimulatedDevice &d = addDevice();
    QSignalSpy connectedSpy(&session, &DeviceSession::connectionChanged);
    session.BitBtn_SearchClick();
    ASSERT_TRUE(session.connected());
    EXPECT_EQ(session.deviceCount, 1);
    EXPECT_EQ(session.selectedDevice, 0);
    const SYS_STATUS &s = session.statusTable[0];
    EXPECT_EQ(s.vid, "1A2B");
    EXPECT_EQ(s.productName, "HDM-4K44");
    EXPECT_EQ(s.inputCount, 4);
    EXPECT_EQ(s.interfaceKind, 1);
    EXPECT_EQ(s.inputNodes[0].currentEdidMode, 255);
    EXPECT_EQ(s.inputNodes[0].modePolled, 1);
    ASSERT_EQ(session.gridRows.size(), 1);
    EXPECT_EQ(session.gridRows[0], QStringList({"1", d.portPath(), "HDM-4K44", " Demo Matrix ", "NC", "NC"}));
    EXPECT_TRUE(log.text().contains("Check " + d.portPath() + "\r\n"));
    EXPECT_TRUE(log.text().contains("Got One Device!\r\n"));
    EXPECT_FALSE(log.text().contains("CRC Error!"));
    const QList<QByteArray> expected = {"$ENTRANCE FFFF", "$GET SYS_DSCPT FFFF", "$SET ND_SEL 00004E5C",
                                        "$GET ND_DSCPT FFFF"};
    EXPECT_EQ(requestLines(d), expected);
    EXPECT_EQ(d.requests()[0].raw, QByteArray(" \r$ENTRANCE FFFF\r\n"));
}

} // namespace
