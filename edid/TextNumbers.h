#pragma once

// Numbers as text, the one place each form is read or written: uppercase hexadecimal pairs and
// signed decimal numbers.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Two uppercase hexadecimal characters, high digit first.
std::array<char, 2> hexByte(std::uint8_t byte);
void appendHexByte(std::string &text, std::uint8_t byte);
// "00 FF 10" (separator '\0': "00FF10").
std::string hexBytes(std::span<const std::uint8_t> bytes, char separator = ' ');

// What a decimal number past 64 bits gives: nothing, or its low 64 bits (for a reader that keeps
// only the low bits, which stay right).
enum class DecimalOverflow { Refuse, Wrap };
// An optional sign, then one or more digits, nothing else (no blanks); nothing otherwise.
std::optional<std::int64_t> parseDecimal(std::string_view text, DecimalOverflow overflow = DecimalOverflow::Refuse);
