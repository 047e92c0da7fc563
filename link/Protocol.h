#pragma once

// The serial line protocol, free of Qt and of any port: the command table, the request line, the
// CRC-16 and the hexadecimal codings, and the outer format and fields of a reply line.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "edid/TextNumbers.h"

enum class Direction : uint8_t { GET = 0, SET = 1 };

// Index into the command table; the value is what travels in lastCommand.
enum class Command : uint8_t {
    ENTRANCE = 0,
    SYS_DSCPT = 1,
    SYS_STR = 2,
    SYS_DEF = 3,
    SYS_STM = 4,
    SYS_CTM = 5,
    ND_SEL = 6,
    ND_DSCPT = 7,
    ND_ED0A = 8,
    ND_ED0B = 9,
    ND_ED1A = 10,
    ND_ED1B = 11,
    RXEDMD = 12,
    FW_ADDR = 13,
    FW_DATA = 14,
    FW_END = 15,
    FW_CHK = 16,
    RESERVED = 17,
};

constexpr int commandCount = 18;
extern const std::array<const char *, commandCount> commandNames;

// The name as sent; "" for a value outside the table.
inline const char *commandName(Command c)
{
    const auto i = static_cast<std::size_t>(c);
    return i < commandNames.size() ? commandNames[i] : "";
}
// The table index of a name as sent, or nothing.
std::optional<Command> commandFromName(std::string_view name);

// The four EDID quarter commands in image order, and the image offset of each.
bool isEdidQuarter(Command c);
int edidQuarterOffset(Command c); // 0, 64, 128 or 192; -1 for other commands

// CRC-16/MCRF4XX when started at 0xFFFF: reflected 0x8408, table-driven, no final inversion.
uint16_t crc16(uint16_t initial, const uint8_t *bytes, std::size_t count);
inline uint16_t crc16(uint16_t initial, std::string_view text)
{
    return crc16(initial, reinterpret_cast<const uint8_t *>(text.data()), text.size());
}
extern const std::array<uint16_t, 256> crc16Table;

// 0-9 and A-F decode; any other character comes back as its own code (lowercase is not a digit).
uint8_t hexDigitValue(char c);
// "%04X" of a CRC.
std::string crcText(uint16_t crc);

// A request line as the pieces sendCommand writes one by one: start, verb, name and separator; one
// piece of two characters per payload byte (SET only); the CRC with CR LF. ENTRANCE has no verb and
// a GET carries no payload whatever its length.
std::vector<std::string> requestPieces(Direction dir, Command cmd, std::span<const uint8_t> payload);
std::string requestLine(Direction dir, Command cmd, std::span<const uint8_t> payload);

// The CRC check of a completed reply (everything up to the first zero byte, LF included): the
// four characters before the last one must equal "%04X" of the CRC over everything before them.
// Exact comparison, so lowercase digits fail; a reply shorter than five characters fails.
bool replyCrcOk(std::string_view reply);
// The reply without its CRC and last character (only meaningful when replyCrcOk).
std::string_view replyBody(std::string_view reply);

// The body of an EDID quarter's answer: 128 uppercase hexadecimal digits, then nothing or one form
// feed (0x0C).
bool isEdidQuarterBody(std::string_view body);

// Splits a reply into its first `count` fields. Field 1 runs up to the first form feed; each later
// field starts after the form feed that ended the one before, and its own form feed is searched from
// its second character on, so it is never empty. Nothing when fewer than `count` fields are ended.
std::optional<std::vector<std::string_view>> splitReplyFields(std::string_view reply, std::size_t count);

// A flag field is true exactly when its text is "T".
inline bool flagField(std::string_view text)
{
    return text == "T";
}

// A reply line as the device sends it: the body, its CRC, LF.
std::string replyLine(std::string_view body);

constexpr char fieldSeparator = '\x0C';
