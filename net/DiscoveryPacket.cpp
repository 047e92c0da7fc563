#include "net/DiscoveryPacket.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <tuple>

#include "edid/TextNumbers.h"
#include "link/Protocol.h"

namespace net {

namespace {

uint16_t fieldAreaCrc(std::span<const uint8_t> fields)
{
    return ::crc16(0xFFFF, fields.data(), fields.size());
}

std::string dottedDecimal(std::span<const uint8_t> v)
{
    std::string s;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i)
            s += '.';
        s += std::to_string(v[i]);
    }
    return s;
}

// The message every failed conversion shows.
std::string notAnInteger(const std::string &text)
{
    return "'" + text + "' is not a valid integer value";
}

void appendField(std::vector<uint8_t> &fields, uint8_t tag, std::span<const uint8_t> value)
{
    fields.push_back(tag);
    fields.push_back(static_cast<uint8_t>(value.size()));
    fields.insert(fields.end(), value.begin(), value.end());
}

// One address setting (IP, mask, gateway, DNS): appended only when the page text differs from the
// stored one and has exactly four pieces; the stored text then follows. Returns false with the
// message when a piece is not a number or not a byte.
bool addressField(std::vector<uint8_t> &fields, uint8_t tag, std::string &stored, const std::string &page,
                  SettingsPacket &result)
{
    if (page == stored)
        return true;
    const std::vector<std::string> pieces = splitDotted(page);
    if (pieces.size() != 4) {
        // Not an address: nothing sent, the stored value stays.
        result.unsent.push_back({tag, page, UnsentSetting::Reason::NotAnAddress});
        return true;
    }
    std::array<uint8_t, 4> bytes{};
    for (std::size_t i = 0; i < 4; ++i) {
        int32_t v = 0;
        if (!textToInt(pieces[i], v)) {
            result.error = notAnInteger(pieces[i]);
            return false;
        }
        // Sending only the low 8 bits would silently configure another address.
        if (v < 0 || v > 255) {
            result.error = "'" + page + "' is not a valid address (each piece 0 to 255)";
            return false;
        }
        bytes[i] = static_cast<uint8_t>(v);
    }
    appendField(fields, tag, bytes);
    stored = page;
    return true;
}

bool portField(std::vector<uint8_t> &fields, uint8_t tag, int32_t &stored, const std::string &page,
               std::string &error)
{
    int32_t v = 0;
    if (!textToInt(page, v)) {
        error = notAnInteger(page);
        return false;
    }
    // The wire holds 16 bits; anything wider would reach the device as another port.
    if (v < 0 || v > 65535) {
        error = "'" + page + "' is not a valid port number (0 to 65535)";
        return false;
    }
    if (v == stored)
        return true;
    const std::array<uint8_t, 2> bytes{static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v / 256)};
    appendField(fields, tag, bytes);
    stored = v;
    return true;
}

} // namespace

std::vector<uint8_t> discoveryRequest()
{
    return makePacket(CmdDiscover, {});
}

std::vector<uint8_t> makePacket(uint8_t command, std::span<const uint8_t> fields)
{
    std::vector<uint8_t> p;
    p.reserve(fields.size() + 4);
    p.push_back(command);
    p.push_back(static_cast<uint8_t>(fields.size()));
    p.insert(p.end(), fields.begin(), fields.end());
    const uint16_t crc = fieldAreaCrc(fields);
    p.push_back(static_cast<uint8_t>(crc & 0xFF));
    p.push_back(static_cast<uint8_t>(crc >> 8));
    return p;
}

std::string macToText(const MacAddress &mac)
{
    std::string s;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        if (i)
            s += ':';
        appendHexByte(s, mac[i]);
    }
    return s;
}

bool macFromText(const std::string &text, MacAddress &mac)
{
    if (text.size() != 17)
        return false;
    MacAddress m{};
    for (std::size_t i = 0; i < 6; ++i) {
        const char hi = text[i * 3], lo = text[i * 3 + 1];
        if (!std::isxdigit(static_cast<unsigned char>(hi)) || !std::isxdigit(static_cast<unsigned char>(lo)))
            return false;
        if (i < 5 && text[i * 3 + 2] != ':' && text[i * 3 + 2] != '-')
            return false;
        m[i] = static_cast<uint8_t>(std::stoi(std::string{hi, lo}, nullptr, 16));
    }
    mac = m;
    return true;
}

namespace {

// The frame around the field area: command byte, area length, the area, its CRC. The area, or
// nothing when the frame is not one of command's.
std::optional<std::span<const uint8_t>> fieldArea(std::span<const uint8_t> payload, uint8_t command)
{
    if (payload.size() < 4 || payload.size() > kMaxPacketSize)
        return std::nullopt;
    if (payload[0] != command)
        return std::nullopt;
    const std::size_t L = payload[1];
    if (payload.size() < L + 4)
        return std::nullopt;
    const std::span<const uint8_t> area = payload.subspan(2, L);
    const uint16_t crc = fieldAreaCrc(area);
    if (payload[L + 2] != (crc & 0xFF) || payload[L + 3] != (crc >> 8))
        return std::nullopt;
    return area;
}

enum class FieldVerdict
{
    Taken,
    Malformed,
    KnownDevice, // the same device answering the other request
};

// One field's value into out; fixed-width values shorter than their width are malformed, since
// reading them would read their neighbour.
FieldVerdict takeField(uint8_t tag, std::span<const uint8_t> v, std::span<const MacAddress> knownMacs,
                       Discovery &out)
{
    const std::size_t n = v.size();
    const auto text = [&v] { return std::string(v.begin(), v.end()); };
    switch (tag) {
    case TagProductId: {
        std::string id;
        for (std::size_t i = n; i-- > 0;)
            appendHexByte(id, v[i]);
        out.productId = id;
        break;
    }
    case TagMac:
        if (n != 6)
            return FieldVerdict::Malformed;
        std::copy(v.begin(), v.end(), out.macBytes.begin());
        out.macText = macToText(out.macBytes);
        for (const MacAddress &known : knownMacs)
            if (known == out.macBytes)
                return FieldVerdict::KnownDevice;
        break;
    case TagIpAddr:
        out.ipAddress = dottedDecimal(v);
        break;
    case TagSubnet:
        out.subnetMask = dottedDecimal(v);
        break;
    case TagGateway:
        out.gateway = dottedDecimal(v);
        break;
    case TagDns:
        out.dns = dottedDecimal(v);
        break;
    case TagIpMode:
        if (n < 1)
            return FieldVerdict::Malformed;
        out.ipMode = v[0];
        break;
    case TagWebPort:
        if (n < 2)
            return FieldVerdict::Malformed;
        out.webPort = v[0] | (v[1] << 8);
        break;
    case TagTelnetPort:
        if (n < 2)
            return FieldVerdict::Malformed;
        out.telnetPort = v[0] | (v[1] << 8);
        break;
    case TagSerialNum:
        out.serialNum = text();
        break;
    case TagText11:
        out.text11 = text();
        break;
    case TagText12:
        out.text12 = text();
        break;
    case TagProductName:
        out.productName = text();
        break;
    case TagDescription:
        out.description = text();
        break;
    default:
        break; // unknown tags are skipped by their length
    }
    return FieldVerdict::Taken;
}

// Frame checks and the field walk shared by replies and settings packets.
bool decodePacket(std::span<const uint8_t> payload, uint8_t command, std::span<const MacAddress> knownMacs,
                  Discovery &out)
{
    const std::optional<std::span<const uint8_t>> area = fieldArea(payload, command);
    if (!area)
        return false;
    const std::size_t L = area->size();
    // Every read below stays inside the field area: a field that claims more is malformed.
    std::size_t p = 0;
    while (p + 2 <= L) {
        const uint8_t tag = (*area)[p];
        const std::size_t n = (*area)[p + 1];
        p += 2;
        if (p + n > L)
            return false;
        if (takeField(tag, area->subspan(p, n), knownMacs, out) != FieldVerdict::Taken)
            return false;
        p += n;
    }
    return true;
}

} // namespace

bool parseDiscoveryReply(std::span<const uint8_t> payload, std::span<const MacAddress> knownMacs,
                         Discovery &out)
{
    return decodePacket(payload, CmdDiscoverReply, knownMacs, out);
}

std::vector<uint8_t> makeDiscoveryReply(const Discovery &r)
{
    std::vector<uint8_t> area;
    const auto add = [&area](uint8_t tag, std::span<const uint8_t> v) { appendField(area, tag, v); };
    const auto addText = [&add](uint8_t tag, const std::string &t) {
        add(tag, std::span(reinterpret_cast<const uint8_t *>(t.data()), t.size()));
    };
    const auto addDotted = [&add](uint8_t tag, const std::string &t) {
        std::vector<uint8_t> b;
        for (const std::string &piece : splitDotted(t)) {
            int32_t v = 0;
            b.push_back(textToInt(piece, v) ? static_cast<uint8_t>(v) : 0);
        }
        add(tag, b);
    };
    const auto addPort = [&add](uint8_t tag, int32_t port) {
        const std::array<uint8_t, 2> b{static_cast<uint8_t>(port & 0xFF),
                                       static_cast<uint8_t>((port >> 8) & 0xFF)};
        add(tag, b);
    };
    std::vector<uint8_t> id;
    for (std::size_t i = r.productId.size(); i >= 2; i -= 2)
        id.push_back(static_cast<uint8_t>(std::strtoul(r.productId.substr(i - 2, 2).c_str(), nullptr, 16)));
    add(TagProductId, id);
    add(TagMac, r.macBytes);
    addDotted(TagIpAddr, r.ipAddress);
    addDotted(TagSubnet, r.subnetMask);
    addDotted(TagGateway, r.gateway);
    addDotted(TagDns, r.dns);
    const uint8_t mode = static_cast<uint8_t>(r.ipMode);
    add(TagIpMode, std::span(&mode, 1));
    addPort(TagWebPort, r.webPort);
    addPort(TagTelnetPort, r.telnetPort);
    addText(TagSerialNum, r.serialNum);
    addText(TagText11, r.text11);
    addText(TagText12, r.text12);
    addText(TagProductName, r.productName);
    addText(TagDescription, r.description);
    if (area.size() > 255)
        area.resize(255); // a record this large cannot be described by one packet anyway
    return makePacket(CmdDiscoverReply, area);
}

bool applySettingsPacket(std::span<const uint8_t> payload, Discovery &record)
{
    Discovery next = record;
    next.macBytes = {};
    if (!decodePacket(payload, CmdSetNet, {}, next) || next.macBytes != record.macBytes)
        return false;
    record = next;
    return true;
}

std::vector<std::string> splitDotted(const std::string &text)
{
    std::vector<std::string> pieces;
    std::string cur;
    for (char c : text) {
        if (c == '.') {
            if (!cur.empty())
                pieces.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        pieces.push_back(cur);
    return pieces;
}

bool textToInt(const std::string &text, int32_t &value)
{
    std::string_view t = text;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    const auto v = parseDecimal(t);
    if (!v || *v > INT32_MAX || *v < INT32_MIN)
        return false;
    value = static_cast<int32_t>(*v);
    return true;
}

std::string webGuiAddress(const Discovery &r)
{
    if (r.webPort == 0)
        return {};
    if (r.webPort == 80)
        return "Http://" + r.ipAddress + "/";
    return "Http://" + r.ipAddress + ":" + std::to_string(r.webPort) + "/";
}

NetworkSettings currentSettings(const Discovery &r)
{
    return {r.ipMode,
            r.ipAddress,
            r.subnetMask,
            r.gateway,
            r.dns,
            std::to_string(r.webPort),
            std::to_string(r.telnetPort)};
}

const char *unsentReasonText(UnsentSetting::Reason reason)
{
    return reason == UnsentSetting::Reason::NotAnAddress ? "an address is four numbers separated by dots"
                                                         : "the device takes its addresses from DHCP";
}

SettingsPacket buildNetworkSettings(Discovery &record, const NetworkSettings &s)
{
    SettingsPacket result;
    Discovery next = record; // changes are taken over only when the whole packet is good
    std::vector<uint8_t> fields;
    appendField(fields, TagMac, next.macBytes);

    if (s.modeIndex != next.ipMode) {
        const uint8_t mode = static_cast<uint8_t>(s.modeIndex);
        appendField(fields, TagIpMode, std::span<const uint8_t>(&mode, 1));
        next.ipMode = s.modeIndex;
        if (s.modeIndex == 1) {
            // The device takes its addresses from the DHCP server now.
            next.ipAddress = next.subnetMask = next.gateway = "0.0.0.0";
        }
    }
    if (s.modeIndex == 0) {
        if (!addressField(fields, TagIpAddr, next.ipAddress, s.ipAddress, result) ||
            !addressField(fields, TagSubnet, next.subnetMask, s.subnetMask, result) ||
            !addressField(fields, TagGateway, next.gateway, s.gateway, result))
            return result;
    } else {
        for (const auto &[tag, stored, page] : {std::tuple(TagIpAddr, &record.ipAddress, &s.ipAddress),
                                                std::tuple(TagSubnet, &record.subnetMask, &s.subnetMask),
                                                std::tuple(TagGateway, &record.gateway, &s.gateway)})
            if (*page != *stored)
                result.unsent.push_back({uint8_t(tag), *page, UnsentSetting::Reason::TakenFromDhcp});
    }
    if (!addressField(fields, TagDns, next.dns, s.dns, result) ||
        !portField(fields, TagWebPort, next.webPort, s.webPort, result.error) ||
        !portField(fields, TagTelnetPort, next.telnetPort, s.telnetPort, result.error))
        return result;

    // At most 14 + 3 + 4 * 6 + 2 * 4 bytes: always fits the one-byte length.
    result.packet = makePacket(CmdSetNet, fields);
    result.ok = true;
    record = next;
    return result;
}

} // namespace net
