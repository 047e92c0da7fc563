#include "link/Protocol.h"

#include <cstdio>

const std::array<const char *, commandCount> commandNames = {
    "ENTRANCE", "SYS_DSCPT", "SYS_STR", "SYS_DEF", "SYS_STM", "SYS_CTM", "ND_SEL", "ND_DSCPT", "ND_ED0A",
    "ND_ED0B",  "ND_ED1A",   "ND_ED1B", "RXEDMD",  "FW_ADDR", "FW_DATA", "FW_END", "FW_CHK",   "RESERVED",
};

std::optional<Command> commandFromName(std::string_view name)
{
    for (int i = 0; i < commandCount; ++i)
        if (name == commandNames[i])
            return static_cast<Command>(i);
    return std::nullopt;
}

bool isEdidQuarter(Command c)
{
    return edidQuarterOffset(c) >= 0;
}

int edidQuarterOffset(Command c)
{
    switch (c) {
    case Command::ND_ED0A:
        return 0;
    case Command::ND_ED0B:
        return 64;
    case Command::ND_ED1A:
        return 128;
    case Command::ND_ED1B:
        return 192;
    default:
        return -1;
    }
}

namespace {
constexpr std::array<uint16_t, 256> makeCrcTable()
{
    std::array<uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t v = static_cast<uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 1) ? static_cast<uint16_t>((v >> 1) ^ 0x8408) : static_cast<uint16_t>(v >> 1);
        t[i] = v;
    }
    return t;
}
} // namespace

const std::array<uint16_t, 256> crc16Table = makeCrcTable();

uint16_t crc16(uint16_t initial, const uint8_t *bytes, std::size_t count)
{
    uint16_t crc = initial;
    for (std::size_t i = 0; i < count; ++i)
        crc = static_cast<uint16_t>(crc16Table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

uint8_t hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<uint8_t>(c - 'A' + 10);
    return static_cast<uint8_t>(c);
}

std::string crcText(uint16_t crc)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(crc));
    return text;
}

std::vector<std::string> requestPieces(Direction dir, Command cmd, std::span<const uint8_t> payload)
{
    std::vector<std::string> pieces;
    if (static_cast<int>(cmd) >= commandCount)
        return pieces;
    std::string head = "$";
    if (cmd != Command::ENTRANCE)
        head += dir == Direction::SET ? "SET " : "GET ";
    head += commandName(cmd);
    head += ' ';
    pieces.push_back(std::move(head));

    uint16_t crc = 0xFFFF;
    if (dir == Direction::SET) {
        for (uint8_t b : payload) {
            const auto hex = hexByte(b);
            crc = crc16(crc, reinterpret_cast<const uint8_t *>(hex.data()), hex.size());
            pieces.emplace_back(hex.data(), hex.size());
        }
    }
    pieces.push_back(crcText(crc) + "\r\n");
    return pieces;
}

std::string requestLine(Direction dir, Command cmd, std::span<const uint8_t> payload)
{
    std::string line;
    for (const std::string &piece : requestPieces(dir, cmd, payload))
        line += piece;
    return line;
}

bool replyCrcOk(std::string_view reply)
{
    if (reply.size() < 5)
        return false;
    const std::size_t bodyLength = reply.size() - 5;
    return reply.substr(bodyLength, 4) == crcText(crc16(0xFFFF, reply.substr(0, bodyLength)));
}

std::string_view replyBody(std::string_view reply)
{
    return reply.size() < 5 ? std::string_view() : reply.substr(0, reply.size() - 5);
}

bool isEdidQuarterBody(std::string_view body)
{
    // The 128 digits may be followed by the field separator, as the description and mode replies'
    // fields are; nothing else may follow them.
    if (body.size() == 129 && body.back() == fieldSeparator)
        body.remove_suffix(1);
    if (body.size() != 128)
        return false;
    for (char c : body)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::optional<std::vector<std::string_view>> splitReplyFields(std::string_view reply, std::size_t count)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (fields.size() < count) {
        // The first field may be empty; every later one owns at least its first character.
        const std::size_t searchFrom = fields.empty() ? start : start + 1;
        if (searchFrom > reply.size())
            return std::nullopt;
        const std::size_t end = reply.find(fieldSeparator, searchFrom);
        if (end == std::string_view::npos)
            return std::nullopt;
        fields.push_back(reply.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

std::string replyLine(std::string_view body)
{
    std::string line(body);
    line += crcText(crc16(0xFFFF, body));
    line += '\n';
    return line;
}
