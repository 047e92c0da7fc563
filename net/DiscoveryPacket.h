#pragma once

// The UDP discovery and settings protocol: packet building and reply decoding, free of sockets
// and of Qt so that the parser can be fuzzed and tested on its own.
//
// Packet: command (1), L (1), field area (L bytes of tag, n, value), CRC-16 low, high. The CRC
// covers the field area only.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace net {

constexpr uint16_t kDiscoveryRequestPort = 31001; // devices listen here
constexpr uint16_t kDiscoveryReplyPort = 31002;   // the workbench listens here
constexpr const char *kDiscoveryGroup = "225.12.13.14";
constexpr const char *kBroadcastAddress = "255.255.255.255";

constexpr int kDiscoveryTableSize = 255;
// The longest packet a one-byte length allows; anything longer is not ours.
constexpr std::size_t kMaxPacketSize = 259;

enum Command : uint8_t {
    CmdDiscover = 0x01,
    CmdDiscoverReply = 0x02,
    CmdSetNet = 0x03,
};

enum Tag : uint8_t {
    TagProductId = 1,
    TagMac = 2,
    TagIpAddr = 3,
    TagSubnet = 4,
    TagGateway = 5,
    TagDns = 6,
    TagIpMode = 7,
    TagWebPort = 8,
    TagTelnetPort = 9,
    TagSerialNum = 10,
    TagText11 = 11,
    TagText12 = 12,
    TagProductName = 13,
    TagDescription = 14,
};

using MacAddress = std::array<uint8_t, 6>;

// One network device as its last accepted reply described it, plus the settings sent to it
// since. Texts hold the datagram's bytes one character per byte (Latin-1).
struct Discovery
{
    std::string productId;
    std::string productName;
    std::string macText;
    MacAddress macBytes{};
    std::string ipAddress;
    std::string subnetMask;
    std::string gateway;
    std::string dns;
    int32_t ipMode = 0; // 0 static, 1 DHCP; also the item index of ComboBox_IP_Mode
    int32_t webPort = 0;
    int32_t telnetPort = 0;
    std::string serialNum;
    std::string text11;
    std::string text12;
    std::string description;

    bool operator==(const Discovery &) const = default;
};

// The whole request, sent by broadcast and by multicast.
std::vector<uint8_t> discoveryRequest();

// Wraps a field area into a packet: command, length, fields, CRC low and high.
// The field area must not exceed 255 bytes.
std::vector<uint8_t> makePacket(uint8_t command, std::span<const uint8_t> fields);

// "0A:1B:2C:3D:4E:5F".
std::string macToText(const MacAddress &mac);
// Accepts "0a:1b:2c:3d:4e:5f" or with '-' separators; false when it is not six hex pairs.
bool macFromText(const std::string &text, MacAddress &mac);

// Validates and decodes one datagram. Returns true and fills out (which the caller has reset)
// when accepted. knownMacs are the devices already listed in this search: a reply carrying
// one of them is a second answer of the same device and is rejected.
bool parseDiscoveryReply(std::span<const uint8_t> payload, std::span<const MacAddress> knownMacs,
                         Discovery &out);

// The other side of the protocol, for the simulated device and tests: a reply carrying every field
// of record (product ID from its hex text, least significant byte first).
std::vector<uint8_t> makeDiscoveryReply(const Discovery &record);
// Applies a SET_NET packet addressed to record's MAC onto record. False, with record untouched,
// when the packet is malformed or meant for another device.
bool applySettingsPacket(std::span<const uint8_t> payload, Discovery &record);

// Non-empty pieces of a dotted text: "192..168.1.5" has four.
std::vector<std::string> splitDotted(const std::string &text);

// Text-to-integer as the settings page converts it: optional blanks, an optional sign and decimal
// digits, within 32 bits. False for anything else, the empty text included.
bool textToInt(const std::string &text, int32_t &value);

// The device's web interface as the browser is given it: "Http://" + address + "/", with ":" + port
// before the "/" unless the port is 80. Empty when the device has no web port (0).
std::string webGuiAddress(const Discovery &record);

// What the "IP Configure" page hands over: the mode index and six texts.
struct NetworkSettings
{
    int modeIndex = 0; // 0 static, 1 DHCP
    std::string ipAddress;
    std::string subnetMask;
    std::string gateway;
    std::string dns;
    std::string webPort;
    std::string telnetPort;
};

// The settings as the page shows them for record: nothing in them differs from the stored values.
NetworkSettings currentSettings(const Discovery &record);

// A changed address the packet leaves out, and why; the rest is sent all the same.
struct UnsentSetting
{
    enum class Reason { NotAnAddress, TakenFromDhcp };
    uint8_t tag = 0;   // TagIpAddr, TagSubnet, TagGateway or TagDns
    std::string value; // the text given
    Reason reason = Reason::NotAnAddress;
};
// "an address is four numbers separated by dots" / "the device takes its addresses from DHCP".
const char *unsentReasonText(UnsentSetting::Reason reason);

struct SettingsPacket
{
    bool ok = false;
    std::vector<uint8_t> packet;        // the whole SET_NET packet when ok
    std::string error;                  // the message to show when not ok
    std::vector<UnsentSetting> unsent;  // when ok: changed addresses not in the packet
};

// Builds the SET_NET packet for record from the page values: MAC first, then only what differs
// from the stored values, which then follow what is sent. Every text is converted and checked
// before anything changes: on a failure record is untouched and nothing is to be sent. An address
// that is not four pieces, or a static address in DHCP mode, is left out and named in `unsent`.
SettingsPacket buildNetworkSettings(Discovery &record, const NetworkSettings &settings);

} // namespace net
