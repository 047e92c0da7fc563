// Discovery and settings packets: building, decoding and the drop rules.
#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>
#include <vector>

#include "net/DiscoveryPacket.h"

using namespace net;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes field(uint8_t tag, std::initializer_list<uint8_t> value)
{
    Bytes f{tag, static_cast<uint8_t>(value.size())};
    for (uint8_t b : value) // element-wise: g++ 12 misjudges a range insert here
        f.push_back(b);
    return f;
}

Bytes textField(uint8_t tag, const std::string &text)
{
    Bytes f{tag, static_cast<uint8_t>(text.size())};
    for (char c : text)
        f.push_back(static_cast<uint8_t>(c));
    return f;
}

Bytes reply(std::initializer_list<Bytes> fields)
{
    Bytes area;
    for (const Bytes &f : fields)
        area.insert(area.end(), f.begin(), f.end());
    return makePacket(CmdDiscoverReply, area);
}

const Bytes kMac = field(TagMac, {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F});

bool parse(const Bytes &datagram, Discovery &out, std::span<const MacAddress> known = {})
{
    out = Discovery{};
    return parseDiscoveryReply(datagram, known, out);
}

} // namespace

TEST(DiscoveryPacket, RequestIsFixed)
{
    EXPECT_EQ(discoveryRequest(), (Bytes{0x01, 0x00, 0xFF, 0xFF}));
}

TEST(DiscoveryPacket, DecodesEveryTag)
{
    const Bytes d = reply({
        field(TagProductId, {0x34, 0x12}),
        kMac,
        field(TagIpAddr, {192, 168, 1, 10}),
        field(TagSubnet, {255, 255, 255, 0}),
        field(TagGateway, {192, 168, 1, 1}),
        field(TagDns, {8, 8, 4, 4}),
        field(TagIpMode, {1}),
        field(TagWebPort, {0x90, 0x1F}),
        field(TagTelnetPort, {23, 0}),
        textField(TagSerialNum, "SN0042"),
        textField(TagText11, "eleven"),
        textField(TagText12, "twelve"),
        textField(TagProductName, "HDX-44"),
        textField(TagDescription, "Rack 3"),
    });
    Discovery r;
    ASSERT_TRUE(parse(d, r));
    EXPECT_EQ(r.productId, "1234");
    EXPECT_EQ(r.macText, "0A:1B:2C:3D:4E:5F");
    EXPECT_EQ(r.macBytes, (MacAddress{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}));
    EXPECT_EQ(r.ipAddress, "192.168.1.10");
    EXPECT_EQ(r.subnetMask, "255.255.255.0");
    EXPECT_EQ(r.gateway, "192.168.1.1");
    EXPECT_EQ(r.dns, "8.8.4.4");
    EXPECT_EQ(r.ipMode, 1);
    EXPECT_EQ(r.webPort, 8080);
    EXPECT_EQ(r.telnetPort, 23);
    EXPECT_EQ(r.serialNum, "SN0042");
    EXPECT_EQ(r.text11, "eleven");
    EXPECT_EQ(r.text12, "twelve");
    EXPECT_EQ(r.productName, "HDX-44");
    EXPECT_EQ(r.description, "Rack 3");
}

TEST(DiscoveryPacket, VariableLengthValues)
{
    struct Case
    {
        const char *name;
        Bytes field;
        std::string Discovery::*member;
        std::string expected;
    };
    const Case cases[] = {
        {"one-byte product id", field(TagProductId, {0x07}), &Discovery::productId, "07"},
        {"four-byte product id", field(TagProductId, {0xEF, 0xBE, 0xAD, 0xDE}), &Discovery::productId,
         "DEADBEEF"},
        {"empty product id", field(TagProductId, {}), &Discovery::productId, ""},
        {"six-byte address prints six numbers", field(TagIpAddr, {1, 2, 3, 4, 5, 6}), &Discovery::ipAddress,
         "1.2.3.4.5.6"},
        {"empty gateway", field(TagGateway, {}), &Discovery::gateway, ""},
        {"text keeps every byte", textField(TagDescription, std::string("a\0<b>", 5)),
         &Discovery::description, std::string("a\0<b>", 5)},
    };
    for (const Case &c : cases) {
        Discovery r;
        ASSERT_TRUE(parse(reply({c.field}), r)) << c.name;
        EXPECT_EQ(r.*c.member, c.expected) << c.name;
    }
}

TEST(DiscoveryPacket, TagOrderDoesNotMatter)
{
    Discovery a, b;
    ASSERT_TRUE(parse(reply({textField(TagProductName, "HDX"), kMac}), a));
    ASSERT_TRUE(parse(reply({kMac, textField(TagProductName, "HDX")}), b));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.productName, "HDX");
    EXPECT_EQ(a.macText, "0A:1B:2C:3D:4E:5F");
}

TEST(DiscoveryPacket, UnknownTagsAreSkipped)
{
    Discovery r;
    ASSERT_TRUE(parse(reply({textField(TagProductName, "HDX"), field(20, {9, 9, 9}), kMac, field(0, {1}),
                             field(15, {}), field(255, {1, 2})}),
                      r));
    EXPECT_EQ(r.productName, "HDX");
    EXPECT_EQ(r.macText, "0A:1B:2C:3D:4E:5F");
}

TEST(DiscoveryPacket, FieldsAbsentKeepResetValues)
{
    Discovery r;
    ASSERT_TRUE(parse(makePacket(CmdDiscoverReply, {}), r));
    EXPECT_EQ(r, Discovery{});
    // A tag given twice: the last value stands.
    ASSERT_TRUE(parse(reply({textField(TagSerialNum, "A"), textField(TagSerialNum, "B")}), r));
    EXPECT_EQ(r.serialNum, "B");
}

TEST(DiscoveryPacket, DropRules)
{
    Bytes good = reply({kMac, textField(TagProductName, "HDX")});
    Discovery r;
    ASSERT_TRUE(parse(good, r));

    struct Case
    {
        const char *name;
        Bytes datagram;
    };
    Bytes swapped = good;
    std::swap(swapped[swapped.size() - 1], swapped[swapped.size() - 2]);
    Bytes wrongCommand = good;
    wrongCommand[0] = CmdSetNet;
    Bytes shortened = good;
    shortened.pop_back();
    Bytes tooLong = reply({textField(TagDescription, std::string(253, 'x'))});
    tooLong.push_back(0); // 260 bytes: no one-byte length describes that
    Bytes badCrcContent = good;
    badCrcContent[5] ^= 1;
    // L covers a field whose n claims more than is left.
    Bytes pastEnd = makePacket(CmdDiscoverReply, Bytes{TagProductName, 9, 'a', 'b'});
    // The same by a single byte, and a field that ends exactly where the area does after one that
    // claims one byte too many.
    Bytes pastEndByOne = makePacket(CmdDiscoverReply, Bytes{TagProductName, 3, 'a', 'b'});
    Bytes lastPastByOne = makePacket(CmdDiscoverReply, Bytes{TagProductName, 1, 'a', TagDescription, 2, 'b'});

    const Case cases[] = {
        {"empty", {}},
        {"three bytes", {0x02, 0x00, 0xFF}},
        {"request is not a reply", discoveryRequest()},
        {"wrong command", wrongCommand},
        {"CRC bytes swapped", swapped},
        {"content changed", badCrcContent},
        {"shorter than L + 4", shortened},
        {"longer than 259 bytes", tooLong},
        {"field past the field area", pastEnd},
        {"field one byte past the field area", pastEndByOne},
        {"last field one byte past the field area", lastPastByOne},
        {"MAC of five bytes", reply({field(TagMac, {1, 2, 3, 4, 5})})},
        {"MAC of seven bytes", reply({field(TagMac, {1, 2, 3, 4, 5, 6, 7})})},
        {"IP mode without a byte", reply({field(TagIpMode, {})})},
        {"web port of one byte", reply({field(TagWebPort, {80})})},
        {"telnet port of one byte", reply({field(TagTelnetPort, {23})})},
    };
    for (const Case &c : cases)
        EXPECT_FALSE(parse(c.datagram, r)) << c.name;
}

TEST(DiscoveryPacket, LongestPacketAndTrailingBytes)
{
    Bytes longest = reply({textField(TagDescription, std::string(253, 'x'))});
    ASSERT_EQ(longest.size(), 259u);
    Discovery r;
    EXPECT_TRUE(parse(longest, r));
    EXPECT_EQ(r.description.size(), 253u);

    // Bytes after the CRC are not ours to judge.
    Bytes padded = reply({kMac});
    padded.push_back(0xAA);
    EXPECT_TRUE(parse(padded, r));

    // A lone byte at the end of the field area is no field; it is ignored.
    Bytes area = kMac;
    area.push_back(TagProductName);
    EXPECT_TRUE(parse(makePacket(CmdDiscoverReply, area), r));
}

TEST(DiscoveryPacket, DuplicateMac)
{
    const Bytes d = reply({textField(TagProductName, "HDX"), kMac});
    const std::vector<MacAddress> other{{1, 2, 3, 4, 5, 6}};
    const std::vector<MacAddress> same{{1, 2, 3, 4, 5, 6}, {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
    Discovery r;
    EXPECT_TRUE(parse(d, r, other));
    EXPECT_FALSE(parse(d, r, same));
    // Without a MAC a reply is never a duplicate, even of an all-zero address.
    const std::vector<MacAddress> zero{MacAddress{}};
    EXPECT_TRUE(parse(reply({textField(TagProductName, "HDX")}), r, zero));
}

TEST(DiscoveryPacket, MacText)
{
    MacAddress m{};
    EXPECT_TRUE(macFromText("0a:1B:2c:3D:4e:5F", m));
    EXPECT_EQ(macToText(m), "0A:1B:2C:3D:4E:5F");
    EXPECT_TRUE(macFromText("00-11-22-33-44-55", m));
    EXPECT_EQ(m, (MacAddress{0, 0x11, 0x22, 0x33, 0x44, 0x55}));
    for (const char *bad :
         {"", "00:11:22:33:44", "00:11:22:33:44:5G", "00:11:22:33:44:55:66", "0011:22:33:44:55"})
        EXPECT_FALSE(macFromText(bad, m)) << bad;
}

TEST(DiscoveryPacket, SplitAndConvert)
{
    EXPECT_EQ(splitDotted("192..168.1.5"), (std::vector<std::string>{"192", "168", "1", "5"}));
    EXPECT_EQ(splitDotted(".1.2."), (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE(splitDotted("").empty());

    struct Case
    {
        const char *text;
        bool ok;
        int32_t value;
    };
    const Case cases[] = {
        {"8080", true, 8080},
        {"-5", true, -5},
        {"+7", true, 7},
        {" 42", true, 42},
        {"", false, 0},
        {"-", false, 0},
        {"12a", false, 0},
        {"42 ", false, 0},
        {"0x10", false, 0},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const Case &c : cases) {
        int32_t v = 0;
        EXPECT_EQ(textToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

namespace {

Discovery staticDevice()
{
    Discovery r;
    r.macBytes = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    r.macText = macToText(r.macBytes);
    r.ipAddress = "192.168.1.10";
    r.subnetMask = "255.255.255.0";
    r.gateway = "192.168.1.1";
    r.dns = "192.168.1.1";
    r.ipMode = 0;
    r.webPort = 80;
    r.telnetPort = 23;
    return r;
}

NetworkSettings unchanged(const Discovery &r)
{
    return {r.ipMode,
            r.ipAddress,
            r.subnetMask,
            r.gateway,
            r.dns,
            std::to_string(r.webPort),
            std::to_string(r.telnetPort)};
}

// The field area of a settings packet, after checking its frame.
Bytes fieldsOf(const Bytes &packet)
{
    EXPECT_GE(packet.size(), 4u);
    EXPECT_EQ(packet[0], CmdSetNet);
    EXPECT_EQ(packet[1] + 4u, packet.size());
    return Bytes(packet.begin() + 2, packet.end() - 2);
}

const Bytes kMacField = field(TagMac, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55});

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST(NetworkSettings, NothingChangedSendsOnlyTheMac)
{
    Discovery r = staticDevice();
    const SettingsPacket p = buildNetworkSettings(r, unchanged(r));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.packet, (Bytes{0x03, 0x08, 0x02, 0x06, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0xEB, 0x6B}));
    EXPECT_EQ(r, staticDevice());
}

TEST(NetworkSettings, ChangedFieldsInOrder)
{
    struct Case
    {
        const char *name;
        void (*edit)(NetworkSettings &);
        Bytes extraFields;
        void (*check)(const Discovery &);
    };
    const Case cases[] = {
        {"web port 8080", [](NetworkSettings &s) { s.webPort = "8080"; }, field(TagWebPort, {0x90, 0x1F}),
         [](const Discovery &r) { EXPECT_EQ(r.webPort, 8080); }},
        {"telnet port 2323", [](NetworkSettings &s) { s.telnetPort = "2323"; },
         field(TagTelnetPort, {0x13, 0x09}), [](const Discovery &r) { EXPECT_EQ(r.telnetPort, 2323); }},
        {"new address", [](NetworkSettings &s) { s.ipAddress = "10.0.0.7"; }, field(TagIpAddr, {10, 0, 0, 7}),
         [](const Discovery &r) { EXPECT_EQ(r.ipAddress, "10.0.0.7"); }},
        {"three pieces send nothing",
         [](NetworkSettings &s) { s.ipAddress = "192.168.1"; },
         {},
         [](const Discovery &r) { EXPECT_EQ(r.ipAddress, "192.168.1.10"); }},
        {"empty pieces do not count", [](NetworkSettings &s) { s.ipAddress = "192..168.1.5"; },
         field(TagIpAddr, {192, 168, 1, 5}),
         [](const Discovery &r) { EXPECT_EQ(r.ipAddress, "192..168.1.5"); }},
        {"mask and gateway",
         [](NetworkSettings &s) {
             s.subnetMask = "255.255.0.0";
             s.gateway = "192.168.0.254";
         },
         concat({field(TagSubnet, {255, 255, 0, 0}), field(TagGateway, {192, 168, 0, 254})}),
         [](const Discovery &r) { EXPECT_EQ(r.gateway, "192.168.0.254"); }},
        {"everything, in tag order",
         [](NetworkSettings &s) {
             s.telnetPort = "24";
             s.webPort = "81";
             s.dns = "1.1.1.1";
             s.gateway = "10.0.0.1";
             s.subnetMask = "255.0.0.0";
             s.ipAddress = "10.0.0.2";
         },
         concat({field(TagIpAddr, {10, 0, 0, 2}), field(TagSubnet, {255, 0, 0, 0}),
                 field(TagGateway, {10, 0, 0, 1}), field(TagDns, {1, 1, 1, 1}), field(TagWebPort, {81, 0}),
                 field(TagTelnetPort, {24, 0})}),
         [](const Discovery &r) { EXPECT_EQ(r.dns, "1.1.1.1"); }},
        {"DHCP",
         [](NetworkSettings &s) {
             s.modeIndex = 1;
             s.ipAddress = "10.0.0.2"; // ignored in DHCP mode
             s.dns = "9.9.9.9";
         },
         concat({field(TagIpMode, {1}), field(TagDns, {9, 9, 9, 9})}),
         [](const Discovery &r) {
             EXPECT_EQ(r.ipMode, 1);
             EXPECT_EQ(r.ipAddress, "0.0.0.0");
             EXPECT_EQ(r.subnetMask, "0.0.0.0");
             EXPECT_EQ(r.gateway, "0.0.0.0");
             EXPECT_EQ(r.dns, "9.9.9.9");
         }},
    };
    for (const Case &c : cases) {
        Discovery r = staticDevice();
        NetworkSettings s = unchanged(r);
        c.edit(s);
        const SettingsPacket p = buildNetworkSettings(r, s);
        ASSERT_TRUE(p.ok) << c.name << ": " << p.error;
        EXPECT_EQ(fieldsOf(p.packet), concat({kMacField, c.extraFields})) << c.name;
        c.check(r);
        // The stored copy follows what was sent: the same page values again send only the MAC.
        const SettingsPacket again = buildNetworkSettings(r, s);
        if (s.modeIndex == 0) {
            EXPECT_EQ(fieldsOf(again.packet), kMacField) << c.name;
        }
    }
}

TEST(NetworkSettings, BackToStaticSendsTheAddresses)
{
    Discovery r = staticDevice();
    r.ipMode = 1;
    r.ipAddress = r.subnetMask = r.gateway = "0.0.0.0";
    NetworkSettings s = unchanged(staticDevice());
    const SettingsPacket p = buildNetworkSettings(r, s);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(fieldsOf(p.packet),
              concat({kMacField, field(TagIpMode, {0}), field(TagIpAddr, {192, 168, 1, 10}),
                      field(TagSubnet, {255, 255, 255, 0}), field(TagGateway, {192, 168, 1, 1})}));
    EXPECT_EQ(r.ipMode, 0);
}

TEST(NetworkSettings, BadTextSendsAndStoresNothing)
{
    struct Case
    {
        const char *name;
        void (*edit)(NetworkSettings &);
        std::string error;
    };
    const Case cases[] = {
        {"empty web port", [](NetworkSettings &s) { s.webPort = ""; }, "'' is not a valid integer value"},
        {"letters in the telnet port", [](NetworkSettings &s) { s.telnetPort = "23x"; },
         "'23x' is not a valid integer value"},
        {"letters in an address piece", [](NetworkSettings &s) { s.gateway = "10.0.a.1"; },
         "'a' is not a valid integer value"},
        {"address piece above 255", [](NetworkSettings &s) { s.dns = "10.0.0.300"; },
         "'10.0.0.300' is not a valid address (each piece 0 to 255)"},
        {"port above 16 bits", [](NetworkSettings &s) { s.webPort = "70000"; },
         "'70000' is not a valid port number (0 to 65535)"},
    };
    for (const Case &c : cases) {
        Discovery r = staticDevice();
        NetworkSettings s = unchanged(r);
        // Earlier fields change too: none of them may be taken over.
        s.modeIndex = 0;
        s.ipAddress = "10.1.1.1";
        c.edit(s);
        const SettingsPacket p = buildNetworkSettings(r, s);
        EXPECT_FALSE(p.ok) << c.name;
        EXPECT_TRUE(p.packet.empty()) << c.name;
        EXPECT_EQ(p.error, c.error) << c.name;
        EXPECT_EQ(r, staticDevice()) << c.name;
    }
    // An empty web port stops the send even when nothing else changed.
    Discovery r = staticDevice();
    NetworkSettings s = unchanged(r);
    s.webPort.clear();
    EXPECT_FALSE(buildNetworkSettings(r, s).ok);

    // In DHCP mode the address texts are not looked at at all.
    s = unchanged(r);
    s.modeIndex = 1;
    s.ipAddress = "not.an.ip.text";
    EXPECT_TRUE(buildNetworkSettings(r, s).ok);
}

TEST(NetworkSettings, LeftOutAddressesAreNamed)
{
    using Reason = UnsentSetting::Reason;
    struct Case
    {
        const char *name;
        void (*edit)(NetworkSettings &);
        std::vector<std::tuple<uint8_t, std::string, Reason>> unsent;
    };
    const Case cases[] = {
        {"three pieces", [](NetworkSettings &s) { s.ipAddress = "192.168.1"; },
         {{TagIpAddr, "192.168.1", Reason::NotAnAddress}}},
        {"five pieces of DNS", [](NetworkSettings &s) { s.dns = "1.1.1.1.1"; }, {{TagDns, "1.1.1.1.1", Reason::NotAnAddress}}},
        {"a full address is sent", [](NetworkSettings &s) { s.gateway = "10.0.0.1"; }, {}},
        {"DHCP, addresses as they were", [](NetworkSettings &s) { s.modeIndex = 1; }, {}},
        {"DHCP and a new gateway",
         [](NetworkSettings &s) {
             s.modeIndex = 1;
             s.gateway = "10.0.0.1";
             s.dns = "9.9.9";
         },
         {{TagGateway, "10.0.0.1", Reason::TakenFromDhcp}, {TagDns, "9.9.9", Reason::NotAnAddress}}},
    };
    for (const Case &c : cases) {
        Discovery r = staticDevice();
        NetworkSettings s = unchanged(r);
        c.edit(s);
        const SettingsPacket p = buildNetworkSettings(r, s);
        ASSERT_TRUE(p.ok) << c.name;
        std::vector<std::tuple<uint8_t, std::string, Reason>> got;
        for (const UnsentSetting &u : p.unsent)
            got.emplace_back(u.tag, u.value, u.reason);
        EXPECT_EQ(got, c.unsent) << c.name;
    }
}

// The simulated device speaks through these two; they must agree with the workbench's side.
TEST(DevicePackets, ReplyRoundTripAndSettingsApplied)
{
    Discovery device = staticDevice();
    device.productId = "1234";
    device.productName = "HDX-44";
    device.serialNum = "SN1";
    device.description = "Rack 3";
    const Bytes replyPacket = makeDiscoveryReply(device);
    ASSERT_GE(replyPacket.size(), 6u);
    EXPECT_EQ(Bytes(replyPacket.begin() + 2, replyPacket.begin() + 6), (Bytes{TagProductId, 2, 0x34, 0x12}));
    Discovery listed;
    ASSERT_TRUE(parse(replyPacket, listed));
    EXPECT_EQ(listed, device);

    NetworkSettings s = unchanged(listed);
    s.modeIndex = 1;
    s.webPort = "8080";
    const SettingsPacket p = buildNetworkSettings(listed, s);
    ASSERT_TRUE(p.ok);
    Discovery other = device;
    other.macBytes[5] ^= 1;
    EXPECT_FALSE(applySettingsPacket(p.packet, other));
    EXPECT_EQ(other.webPort, 80);
    ASSERT_TRUE(applySettingsPacket(p.packet, device));
    EXPECT_EQ(device.ipMode, 1);
    EXPECT_EQ(device.webPort, 8080);
    EXPECT_EQ(device.ipAddress, "192.168.1.10"); // DHCP sends no address; the device keeps its own
    EXPECT_FALSE(applySettingsPacket(discoveryRequest(), device));
}

TEST(DiscoveryPacket, WebGuiAddress)
{
    Discovery r;
    r.ipAddress = "192.168.1.10";
    const std::pair<int32_t, std::string> cases[] = {{80, "Http://192.168.1.10/"},
                                                     {8080, "Http://192.168.1.10:8080/"},
                                                     {0, ""},
                                                     {443, "Http://192.168.1.10:443/"}};
    for (const auto &[port, address] : cases) {
        r.webPort = port;
        EXPECT_EQ(webGuiAddress(r), address) << port;
    }
}
