#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/Protocol.h"

namespace {

std::string crc(const std::string &text)
{
    return crcText(crc16(0xFFFF, text));
}

TEST(Crc16, CheckValuesAndTable)
{
    struct Case
    {
        std::string text;
        uint16_t expected;
    } cases[] = {{"123456789", 0x6F91}, {"abc", 0x61DA}, {"0000", 0x4E5C}, {"2002", 0x5438}, {"", 0xFFFF}};
    for (const Case &c : cases)
        EXPECT_EQ(crc16(0xFFFF, c.text), c.expected) << c.text;
    EXPECT_EQ(crc16Table[0], 0x0000);
    EXPECT_EQ(crc16Table[1], 0x1189);
    EXPECT_EQ(crc16Table[2], 0x2312);
    EXPECT_EQ(crc16Table[128], 0x8408);
    EXPECT_EQ(crc16Table[255], 0x0F78);
    // A count of zero returns whatever it started from.
    EXPECT_EQ(crc16(0x1234, nullptr, 0), 0x1234);
    // Chaining equals one pass.
    EXPECT_EQ(crc16(crc16(0xFFFF, "1234"), "56789"), 0x6F91);
}

TEST(HexCodings, UppercaseBothWays)
{
    const auto a = hexByte(0x0A);
    EXPECT_EQ(std::string(a.data(), 2), "0A");
    const auto f = hexByte(0xF0);
    EXPECT_EQ(std::string(f.data(), 2), "F0");
    for (int v = 0; v < 256; ++v) {
        const auto h = hexByte(static_cast<uint8_t>(v));
        EXPECT_EQ((hexDigitValue(h[0]) << 4) | hexDigitValue(h[1]), v);
    }
    // Lowercase and other characters come back as their own codes.
    EXPECT_EQ(hexDigitValue('a'), 'a');
    EXPECT_EQ(hexDigitValue('G'), 'G');
    EXPECT_EQ(hexDigitValue('\0'), 0);
    EXPECT_EQ(crcText(0x0abc), "0ABC");
    // Runs of bytes, as packets, images and differences are shown.
    const uint8_t run[] = {0x00, 0xFF, 0x1a};
    EXPECT_EQ(hexBytes(run), "00 FF 1A");
    EXPECT_EQ(hexBytes(run, '\0'), "00FF1A");
    EXPECT_EQ(hexBytes(std::span(run).first(1)), "00");
    EXPECT_EQ(hexBytes({}), "");
}

TEST(RequestLine, ExactBytes)
{
    struct Case
    {
        Direction dir;
        Command cmd;
        std::vector<uint8_t> payload;
        std::string line;
    } cases[] = {
        {Direction::GET, Command::SYS_DSCPT, {}, "$GET SYS_DSCPT FFFF\r\n"},
        {Direction::SET, Command::SYS_STM, {}, "$SET SYS_STM FFFF\r\n"},
        {Direction::SET, Command::ND_SEL, {0x00, 0x00}, "$SET ND_SEL 00004E5C\r\n"},
        {Direction::SET, Command::ND_SEL, {0x20, 0x02}, "$SET ND_SEL 20025438\r\n"},
        {Direction::GET, Command::ENTRANCE, {}, "$ENTRANCE FFFF\r\n"},
        {Direction::SET, Command::ENTRANCE, {}, "$ENTRANCE FFFF\r\n"},
        // A GET never carries its payload, whatever the length.
        {Direction::GET, Command::RXEDMD, {0x01, 0x02}, "$GET RXEDMD FFFF\r\n"},
        {Direction::SET, Command::RXEDMD, {0x0A}, "$SET RXEDMD 0A" + crc("0A") + "\r\n"},
        {Direction::SET, Command::SYS_DEF, {0x55}, "$SET SYS_DEF 55" + crc("55") + "\r\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(requestLine(c.dir, c.cmd, c.payload), c.line) << c.line;
}

TEST(RequestLine, PiecesAreHeadPairsAndTrailer)
{
    const std::vector<uint8_t> payload{0xAB, 0x01, 0xFF};
    const auto pieces = requestPieces(Direction::SET, Command::FW_DATA, payload);
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0], "$SET FW_DATA ");
    EXPECT_EQ(pieces[1], "AB");
    EXPECT_EQ(pieces[2], "01");
    EXPECT_EQ(pieces[3], "FF");
    EXPECT_EQ(pieces[4], crc("AB01FF") + "\r\n");
}

TEST(CommandTable, NamesFindTheirCommandQuartersTheirPlace)
{
    for (int i = 0; i < commandCount; ++i)
        EXPECT_EQ(commandFromName(commandNames[i]), static_cast<Command>(i));
    EXPECT_FALSE(commandFromName("ND_SEL ").has_value());
    // Outside the table there is no name and no request line.
    EXPECT_STREQ(commandName(static_cast<Command>(200)), "");
    EXPECT_TRUE(requestPieces(Direction::GET, static_cast<Command>(18), {}).empty());
    // Where each quarter's bytes go in the image.
    EXPECT_EQ(edidQuarterOffset(Command::ND_ED0A), 0);
    EXPECT_EQ(edidQuarterOffset(Command::ND_ED0B), 64);
    EXPECT_EQ(edidQuarterOffset(Command::ND_ED1A), 128);
    EXPECT_EQ(edidQuarterOffset(Command::ND_ED1B), 192);
    EXPECT_EQ(edidQuarterOffset(Command::RXEDMD), -1);
}

TEST(ReplyCrc, ExactComparison)
{
    const std::string good = replyLine("3\f");
    EXPECT_TRUE(replyCrcOk(good));
    EXPECT_EQ(replyBody(good), "3\f");

    // Only meaningful when the CRC has a letter in it; pick a body that does.
    const std::string withLetters = replyLine("ABC\f");
    std::string lowered = withLetters;
    for (std::size_t i = lowered.size() - 5; i < lowered.size() - 1; ++i)
        if (lowered[i] >= 'A' && lowered[i] <= 'F')
            lowered[i] = static_cast<char>(lowered[i] - 'A' + 'a');
    ASSERT_NE(lowered, withLetters);
    EXPECT_FALSE(replyCrcOk(lowered));

    // Too short to hold a CRC: a failed check, never a read outside.
    for (const char *s : {"", "\n", "FFF\n", "FFFF"})
        EXPECT_FALSE(replyCrcOk(s)) << s;
    EXPECT_TRUE(replyCrcOk("FFFF\n")); // empty body
    EXPECT_TRUE(replyCrcOk("FFFF\r")); // the last character is not checked
    std::string corrupt = good;
    corrupt[0] = '4';
    EXPECT_FALSE(replyCrcOk(corrupt));
}

TEST(ReplyFields, SecondCharacterRule)
{
    struct Case
    {
        std::string reply;
        std::size_t count;
        bool ok;
        std::vector<std::string> fields;
    } cases[] = {
        {"a\fbc\fd\fXXXX\n", 3, true, {"a", "bc", "d"}},
        {"\fb\f", 2, true, {"", "b"}},
        // A field after the first owns its first character, even a form feed.
        {"a\f\fb\f", 2, true, {"a", "\fb"}},
        {"a\f\f\fc\f", 3, true, {"a", "\f", "c"}},
        {"a\f\f\f", 3, false, {}},
        {"a\f\f", 3, false, {}},
        {"a\fb", 2, false, {}},
        {"", 1, false, {}},
        {"x", 1, false, {}},
        {"12\fxx", 1, true, {"12"}},
    };
    for (const Case &c : cases) {
        const auto fields = splitReplyFields(c.reply, c.count);
        ASSERT_EQ(fields.has_value(), c.ok) << c.reply;
        if (!c.ok)
            continue;
        ASSERT_EQ(fields->size(), c.fields.size());
        for (std::size_t i = 0; i < c.fields.size(); ++i)
            EXPECT_EQ((*fields)[i], c.fields[i]) << c.reply << " field " << i;
    }
}

TEST(ReplyFields, DecimalAndFlags)
{
    EXPECT_EQ(parseDecimal("0"), 0);
    EXPECT_EQ(parseDecimal("300"), 300);
    EXPECT_EQ(parseDecimal("-1"), -1);
    EXPECT_EQ(parseDecimal("+7"), 7);
    EXPECT_EQ(parseDecimal("0000000000004"), 4);
    // Low 8 bits of 18446744073709551620 (2^64 + 4) are 4 even after wrapping, as a reply field
    // is read; a reader that refuses it gets nothing.
    EXPECT_EQ(*parseDecimal("18446744073709551620", DecimalOverflow::Wrap) & 0xFF, 4);
    EXPECT_FALSE(parseDecimal("18446744073709551620").has_value());
    EXPECT_EQ(parseDecimal("9223372036854775807"), INT64_MAX);
    EXPECT_FALSE(parseDecimal("9223372036854775808").has_value());
    EXPECT_EQ(parseDecimal("-9223372036854775808"), INT64_MIN);
    for (const char *bad : {"", "-", "+", "1a", " 1", "1 ", "0x10", "--1"})
        EXPECT_FALSE(parseDecimal(bad).has_value()) << bad;
    EXPECT_TRUE(flagField("T"));
    for (const char *f : {"F", "t", "TT", "", "x"})
        EXPECT_FALSE(flagField(f)) << f;
}

// An EDID quarter's answer as the protocol defines it: 128 hexadecimal characters first, then
// the field separator that ends reply fields, the CRC over every character before it, and LF.
TEST(EdidQuarterReply, ProtocolFormsAndNothingElse)
{
    const std::string digits = [] {
        std::string d;
        for (int i = 0; i < 64; ++i) {
            const auto h = hexByte(static_cast<uint8_t>(i * 37 + 5));
            d.append(h.data(), 2);
        }
        return d;
    }();
    struct Case
    {
        const char *name;
        std::string body;
        bool quarter;
    } cases[] = {
        {"digits and the separator", digits + "\f", true},
        {"digits alone", digits, true},
        {"two separators", digits + "\f\f", false},
        {"a space after the digits", digits + " ", false},
        {"CR after the digits", digits + "\r", false},
        {"127 digits and the separator", digits.substr(1) + "\f", false},
        {"129 digits", digits + "0", false},
        {"separator first", "\f" + digits, false},
        {"lowercase digit", "a" + digits.substr(1), false},
        {"empty", "", false},
        {"an answer to a SET", "OK\f", false},
    };
    for (const Case &c : cases) {
        const std::string line = replyLine(c.body);
        ASSERT_TRUE(replyCrcOk(line)) << c.name;
        EXPECT_EQ(isEdidQuarterBody(replyBody(line)), c.quarter) << c.name;
    }
    // The CRC covers the separator: the line as the device sends it, byte for byte.
    const std::string asSent = digits + "\f" + crcText(crc16(0xFFFF, digits + "\f")) + "\n";
    EXPECT_EQ(replyLine(digits + "\f"), asSent);
    EXPECT_TRUE(replyCrcOk(asSent) && isEdidQuarterBody(replyBody(asSent)));
}

} // namespace
