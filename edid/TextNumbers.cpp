#include "edid/TextNumbers.h"

#include <limits>

std::array<char, 2> hexByte(std::uint8_t byte)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

void appendHexByte(std::string &text, std::uint8_t byte)
{
    const auto h = hexByte(byte);
    text.append(h.data(), h.size());
}

std::string hexBytes(std::span<const std::uint8_t> bytes, char separator)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i && separator)
            text += separator;
        appendHexByte(text, bytes[i]);
    }
    return text;
}

std::optional<std::int64_t> parseDecimal(std::string_view text, DecimalOverflow overflow)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    const std::uint64_t limit = negative ? std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1
                                         : std::uint64_t(std::numeric_limits<std::int64_t>::max());
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const std::uint64_t digit = std::uint64_t(c - '0');
        if (overflow == DecimalOverflow::Refuse && value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit; // wraps modulo 2^64 when allowed to
    }
    return static_cast<std::int64_t>(negative ? ~value + 1 : value);
}
