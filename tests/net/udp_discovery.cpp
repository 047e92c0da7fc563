// The discovery service over real sockets, against simulated network devices. Runs only in a private
// network namespace: Lan.* with loopback carrying broadcast and multicast (with-lan.sh), NoLan.*
// with bare loopback, where joining the group fails as it does on a machine without a network.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <functional>
#include <memory>

#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "devsim/lib/UdpDevice.h"
#include "link/DeviceSession.h"
#include "net/DiscoveryService.h"

using namespace net;

namespace {

const QByteArray kRequest("\x01\x00\xFF\xFF", 4);

bool waitFor(const std::function<bool()> &done, int ms = 2000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        pauseWithEvents(10);
    }
    return true;
}

Discovery device(uint8_t last, const char *name)
{
    Discovery d;
    d.productId = "1234";
    d.productName = name;
    d.macBytes = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, last};
    d.macText = macToText(d.macBytes);
    d.ipAddress = "192.168.1." + std::to_string(last);
    d.subnetMask = "255.255.255.0";
    d.gateway = "192.168.1.1";
    d.dns = "192.168.1.1";
    d.webPort = 80;
    d.telnetPort = 23;
    d.serialNum = "SN" + std::to_string(last);
    d.description = "Rack";
    return d;
}

QByteArray bytes(const std::vector<uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), static_cast<qsizetype>(v.size()));
}

struct Bench
{
    DebugLog log;
    DeviceSession session{log};
    DiscoveryService service{session.registry(), log};

    Bench()
    {
        QObject::connect(&session.serialSearch(), &SerialSearch::networkDiscoveryRequested, &service,
                         &DiscoveryService::sendDiscoveryRequest);
    }
};

class Lan : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!bench.service.start())
            GTEST_SKIP() << "cannot bind the listener: " << qPrintable(bench.service.bindError());
        ASSERT_TRUE(bench.service.joinedGroup()) << "with-lan.sh should make the group joinable";
    }

    UdpDevice &addDevice(const Discovery &identity, UdpDevice::Fault fault = UdpDevice::Fault::None)
    {
        devices.push_back(std::make_unique<UdpDevice>(identity));
        UdpDevice &d = *devices.back();
        EXPECT_TRUE(d.start()) << qPrintable(d.errorString());
        d.setFault(fault);
        return d;
    }

    // Sends the request and waits until every device answered (or for the given time).
    void discover(int settleMs = 150)
    {
        bench.service.sendDiscoveryRequest();
        pauseWithEvents(settleMs);
    }

    Bench bench;
    std::vector<std::unique_ptr<UdpDevice>> devices;
};

} // namespace

TEST_F(Lan, RequestGoesToBroadcastAndGroup)
{
    UdpDevice &dev = addDevice(device(1, "A"), UdpDevice::Fault::Silent);
    bench.service.sendDiscoveryRequest();
    ASSERT_TRUE(waitFor([&] { return dev.received().size() >= 2; }));
    pauseWithEvents(50);
    ASSERT_EQ(dev.received().size(), 2);
    const UdpDevice::Received &first = dev.received()[0];
    const UdpDevice::Received &second = dev.received()[1];
    EXPECT_EQ(first.data, kRequest);
    EXPECT_EQ(second.data, kRequest);
    EXPECT_EQ(first.destination, QHostAddress(QStringLiteral("255.255.255.255")));
    EXPECT_EQ(second.destination, QHostAddress(QStringLiteral("225.12.13.14")));
    EXPECT_EQ(second.hopLimit, 1);
}

TEST_F(Lan, DeviceAnsweringBothRequestsIsListedOnce)
{
    addDevice(device(0x5F, "HDX-44"));
    discover();
    ASSERT_EQ(bench.session.registry().count(), 1);
    ASSERT_EQ(bench.session.registry().rows().size(), 1);
    EXPECT_EQ(bench.session.registry().rows()[0],
              (QStringList{"1", "ETHERNET", "HDX-44", "Rack", "192.168.1.95", "0A:1B:2C:3D:4E:5F"}));
    EXPECT_EQ(bench.service.discoveryTable[0].productId, "1234");
    EXPECT_EQ(bench.session.registry().status(0).interfaceKind, interfaceNetwork);
}

TEST_F(Lan, SeveralDevicesAndFaults)
{
    addDevice(device(1, "A"));
    addDevice(device(2, "B"), UdpDevice::Fault::Twice);
    addDevice(device(3, "C"), UdpDevice::Fault::SwappedCrc);
    addDevice(device(4, "D"), UdpDevice::Fault::Silent);
    discover(300);
    ASSERT_EQ(bench.session.registry().count(), 2);
    QStringList names{bench.session.registry().rows()[0][2], bench.session.registry().rows()[1][2]};
    names.sort();
    EXPECT_EQ(names, (QStringList{"A", "B"}));
}

TEST_F(Lan, SecondInstanceCannotBind)
{
    Bench other;
    EXPECT_FALSE(other.service.start());
    EXPECT_FALSE(other.service.bindError().isEmpty());
    EXPECT_TRUE(other.log.text().contains(QStringLiteral("31002")));
}

TEST_F(Lan, SearchSendsTheRequestAndListsAnswersAfterIt)
{
    UdpDevice &dev = addDevice(device(7, "Late"));
    bench.session.transport().setPortOverride({QStringLiteral("/nonexistent/kelm-port")});
    bench.session.search();
    ASSERT_TRUE(waitFor([&] { return bench.session.registry().count() == 1; }));
    EXPECT_EQ(dev.received().size(), 2);
    EXPECT_EQ(bench.session.registry().rows()[0][1], QStringLiteral("ETHERNET"));

    // A new search lists the same device again, at index 0.
    bench.session.search();
    pauseWithEvents(150);
    EXPECT_EQ(bench.session.registry().count(), 1);
}

TEST_F(Lan, SettingsReachTheDevice)
{
    UdpDevice &dev = addDevice(device(0x55, "HDX"));
    dev.record().macBytes = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    discover();
    ASSERT_EQ(bench.session.registry().count(), 1);

    const qsizetype before = dev.received().size();
    SettingsPacket p = bench.service.sendNetworkSettings(0, currentSettings(bench.service.discoveryTable[0]));
    ASSERT_TRUE(p.ok);
    ASSERT_TRUE(waitFor([&] { return dev.received().size() > before; }));
    EXPECT_EQ(dev.received().back().data, QByteArray::fromHex("030802060011223344 55EB6B"));
    EXPECT_EQ(dev.received().back().destination, QHostAddress(QStringLiteral("225.12.13.14")));
    EXPECT_EQ(dev.received().back().hopLimit, 1);

    NetworkSettings s = currentSettings(bench.service.discoveryTable[0]);
    s.modeIndex = 1;
    s.webPort = "8080";
    p = bench.service.sendNetworkSettings(0, s);
    ASSERT_TRUE(p.ok);
    ASSERT_TRUE(waitFor([&] { return dev.settingsApplied() == 2; }));
    EXPECT_EQ(dev.record().ipMode, 1);
    EXPECT_EQ(dev.record().webPort, 8080);
    EXPECT_EQ(bench.service.discoveryTable[0].ipAddress, "0.0.0.0");

    // A bad text sends nothing at all.
    const qsizetype sent = dev.received().size();
    s.telnetPort.clear();
    EXPECT_FALSE(bench.service.sendNetworkSettings(0, s).ok);
    pauseWithEvents(100);
    EXPECT_EQ(dev.received().size(), sent);
}

#ifdef KELMCTL_DEVICE
// The simulated device lives in this process: keep its events flowing while kelmctl runs.
bool finished(QProcess &p)
{
    return waitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
}

// kelmctl binds the listener port itself, so no service of this process may hold it.
TEST(Kelmctl, DiscoverAndSet)
{
    UdpDevice dev(device(0x5F, "HDX-44"));
    ASSERT_TRUE(dev.start());

    QProcess ctl;
    ctl.start(QStringLiteral(KELMCTL_DEVICE), {"net", "discover", "--wait", "0.3", "--json"});
    ASSERT_TRUE(finished(ctl));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().constData();
    const QByteArray out = ctl.readAllStandardOutput();
    EXPECT_TRUE(out.contains("\"mac\":\"0A:1B:2C:3D:4E:5F\"")) << out.constData();
    EXPECT_TRUE(out.contains("\"productId\":\"1234\"")) << out.constData();
    EXPECT_EQ(out.count('\n'), 1);

    ctl.start(QStringLiteral(KELMCTL_DEVICE),
              {"net", "set", "0a:1b:2c:3d:4e:5f", "--web-port", "8080", "--wait", "0.3"});
    ASSERT_TRUE(finished(ctl));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().constData();
    ASSERT_TRUE(waitFor([&] { return dev.settingsApplied() == 1; }));
    EXPECT_EQ(dev.record().webPort, 8080);

    struct Case
    {
        QStringList args;
        int exit;
        const char *error;
    };
    const Case cases[] = {
        {{"net", "set", "0A:1B:2C:3D:4E:00", "--wait", "0.2"}, 1, "no network device with MAC"},
        {{"net", "set", "0A:1B:2C:3D:4E:5F", "--dns", "1.2.3.999", "--wait", "0.2"},
         1,
         "not a valid address"},
        {{"net", "set", "0A:1B:2C:3D:4E:5F", "--telnet-port", "", "--wait", "0.2"},
         1,
         "'' is not a valid integer value"},
        {{"net", "set", "nonsense"}, 2, "MAC address"},
        {{"net", "set", "0A:1B:2C:3D:4E:5F", "--mode", "auto"}, 2, "static or dhcp"},
        {{"net", "discover", "--wait"}, 2, "--wait"},
        {{"net", "ping"}, 2, "discover and set"},
    };
    for (const Case &c : cases) {
        ctl.start(QStringLiteral(KELMCTL_DEVICE), c.args);
        ASSERT_TRUE(finished(ctl));
        const QByteArray err = ctl.readAllStandardError();
        EXPECT_EQ(ctl.exitCode(), c.exit) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(err.contains(c.error)) << err.constData();
    }
    EXPECT_EQ(dev.settingsApplied(), 1);

    // Values the settings rules drop are named and make the exit status 1; what was valid is sent.
    const Case dropped[] = {
        {{"net", "set", "0A:1B:2C:3D:4E:5F", "--ip", "192.168.1", "--telnet-port", "2323", "--wait", "0.2"},
         1,
         "Not sent: --ip 192.168.1 (an address is four numbers"},
        {{"net", "set", "0A:1B:2C:3D:4E:5F", "--mode", "dhcp", "--gateway", "10.0.0.1", "--wait", "0.2"},
         1,
         "Not sent: --gateway 10.0.0.1 (the device takes its addresses from DHCP"},
        {{"net", "set", "0A:1B:2C:3D:4E:5F", "--ip", "10.0.0.9", "--wait", "0.2"}, 1, "add --mode static"},
    };
    for (const Case &c : dropped) {
        ctl.start(QStringLiteral(KELMCTL_DEVICE), c.args);
        ASSERT_TRUE(finished(ctl));
        const QByteArray err = ctl.readAllStandardError();
        EXPECT_EQ(ctl.exitCode(), c.exit) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(err.contains(c.error)) << err.constData();
        EXPECT_TRUE(ctl.readAllStandardOutput().startsWith("Sent to 0A:1B:2C:3D:4E:5F"));
    }
    ASSERT_TRUE(waitFor([&] { return dev.settingsApplied() == 4; }));
    EXPECT_EQ(dev.record().telnetPort, 2323);
    EXPECT_EQ(dev.record().ipMode, 1);
}

// A device name with terminal controls: the plain listing shows them escaped, as --json does.
TEST(Kelmctl, DiscoverEscapesDeviceTexts)
{
    Discovery d = device(0x60, "HDX\x1b]0;owned\x07");
    d.description = "Rack\x1b[2J";
    UdpDevice dev(d);
    ASSERT_TRUE(dev.start());
    QProcess ctl;
    ctl.start(QStringLiteral(KELMCTL_DEVICE), {"net", "discover", "--wait", "0.3"});
    ASSERT_TRUE(finished(ctl));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().constData();
    const QByteArray out = ctl.readAllStandardOutput();
    EXPECT_TRUE(out.contains("Product name:  HDX\\u001b]0;owned\\u0007")) << out.constData();
    EXPECT_TRUE(out.contains("Description:   Rack\\u001b[2J")) << out.constData();
    EXPECT_FALSE(out.contains('\x1b') || out.contains('\x07'));
}
#endif

// Without a network the group cannot be joined: logged, and the rest keeps working.
TEST(NoLan, JoinFailureIsOnlyLogged)
{
    Bench b;
    ASSERT_TRUE(b.service.start());
    EXPECT_FALSE(b.service.joinedGroup());
    EXPECT_TRUE(b.log.text().contains(QStringLiteral("225.12.13.14")));
    b.service.sendDiscoveryRequest(); // unreachable destinations: nothing happens

    // A device answering to our own address is still listed.
    QUdpSocket sender;
    Discovery d = device(9, "Direct");
    sender.writeDatagram(bytes(makeDiscoveryReply(d)), QHostAddress::LocalHost, kDiscoveryReplyPort);
    ASSERT_TRUE(waitFor([&] { return b.session.registry().count() == 1; }));
    EXPECT_EQ(b.service.discoveryTable[0], d);
}

// Other ports and destinations can be injected: here everything stays on 127.0.0.1.
TEST(NoLan, InjectedAddresses)
{
    DiscoveryAddresses addresses;
    addresses.listenAddress = QHostAddress::LocalHost;
    addresses.listenPort = 41002;
    addresses.broadcast = QHostAddress::LocalHost;
    addresses.devicePort = 41001;
    UdpDevice::Options options;
    options.bindAddress = QHostAddress::LocalHost;
    options.port = 41001;
    options.replyPort = 41002;
    options.joinGroup = false;
    UdpDevice dev(device(0x21, "Local"), options);
    ASSERT_TRUE(dev.start());

    DebugLog log;
    DeviceSession session(log);
    DiscoveryService service(session.registry(), log, addresses);
    ASSERT_TRUE(service.start());
    service.sendDiscoveryRequest();
    ASSERT_TRUE(waitFor([&] { return session.registry().count() == 1; }));
    EXPECT_EQ(session.registry().rows()[0][2], QStringLiteral("Local"));
    EXPECT_EQ(dev.received().size(), 1); // the group is unreachable here; the "broadcast" arrived
}

// The receive path's bookkeeping, fed directly.
TEST(ReceivePath, ListIndexesAndLimits)
{
    Bench b;
    // An earlier search left a network device at index 0 and 5 rows; a serial device now holds index 0.
    b.service.discoveryTable[0] = device(1, "Old");
    b.session.registry().setRowCount(6);
    SYS_STATUS serial;
    serial.interfaceKind = interfaceSerial;
    serial.productString = QStringLiteral("serial");
    b.session.registry().list(serial);
    b.session.registry().update(1, [&](SYS_STATUS &s) { s.productString = QStringLiteral("stale"); });

    QList<int> listed;
    QObject::connect(&b.service, &DiscoveryService::deviceListed, [&](int i) { listed << i; });

    // Same MAC as the stale entry under the serial device: listed all the same.
    b.service.onDiscoveryDatagram(bytes(makeDiscoveryReply(device(1, "New"))));
    ASSERT_EQ(b.session.registry().count(), 2);
    EXPECT_EQ(listed, QList<int>{1});
    EXPECT_EQ(b.session.registry().rows().size(), 2); // row count becomes index + 2
    EXPECT_EQ(b.session.registry().rows()[1][0], QStringLiteral("2"));
    EXPECT_EQ(b.session.registry().status(1).interfaceKind, interfaceNetwork);
    EXPECT_TRUE(b.session.registry().status(1).productString.isEmpty());
    EXPECT_EQ(b.session.registry().status(0).productString, QStringLiteral("serial"));

    // Its second answer is a duplicate; rubbish and empty datagrams are ignored.
    b.service.onDiscoveryDatagram(bytes(makeDiscoveryReply(device(1, "New"))));
    b.service.onDiscoveryDatagram(QByteArray());
    b.service.onDiscoveryDatagram(QByteArray(2000, '\x02'));
    b.service.onDiscoveryDatagram(kRequest);
    EXPECT_EQ(b.session.registry().count(), 2);

    // Up to 20 devices are listed; the 21st is not.
    for (uint8_t i = 2; b.session.registry().count() < 20; ++i)
        b.service.onDiscoveryDatagram(bytes(makeDiscoveryReply(device(i, "More"))));
    b.service.onDiscoveryDatagram(bytes(makeDiscoveryReply(device(200, "TooMany"))));
    EXPECT_EQ(b.session.registry().count(), 20);
    EXPECT_EQ(b.session.registry().rows().size(), 20);
    EXPECT_EQ(listed.size(), 19);
    // A flood of unlisted devices is logged once per search, not once per reply.
    for (uint8_t i = 201; i < 250; ++i)
        b.service.onDiscoveryDatagram(bytes(makeDiscoveryReply(device(i, "Flood"))));
    EXPECT_EQ(b.log.text().count(QStringLiteral("Device list full: device not listed.")), 1);
    b.service.sendDiscoveryRequest();
    b.service.onDiscoveryDatagram(bytes(makeDiscoveryReply(device(250, "Flood"))));
    b.service.onDiscoveryDatagram(bytes(makeDiscoveryReply(device(251, "Flood"))));
    EXPECT_EQ(b.log.text().count(QStringLiteral("Device list full: device not listed.")), 2);

    // Texts are shown as they came, one character per byte.
    Bench c;
    Discovery odd = device(3, "<b>\xE9</b>");
    c.service.onDiscoveryDatagram(bytes(makeDiscoveryReply(odd)));
    EXPECT_EQ(c.session.registry().rows()[0][2], QString::fromLatin1("<b>\xE9</b>"));

    EXPECT_FALSE(c.service.sendNetworkSettings(-1, {}).ok);
    EXPECT_FALSE(c.service.sendNetworkSettings(kDiscoveryTableSize, {}).ok);
}
