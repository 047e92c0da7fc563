#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One EDID as the device stores it: the base block (bytes 0-127) and one extension block
// (bytes 128-255). Always whole; missing bytes of a short file are 0xFF (see EdidBinFile.h).
inline constexpr std::size_t kEdidImageSize = 256;
inline constexpr std::size_t kEdidBlockSize = 128;

struct EdidImage
{
    std::array<std::uint8_t, kEdidImageSize> bytes{};

    std::uint8_t &operator[](std::size_t i) { return bytes[i]; }
    constexpr std::uint8_t operator[](std::size_t i) const { return bytes[i]; }
    std::uint8_t *data() { return bytes.data(); }
    const std::uint8_t *data() const { return bytes.data(); }
    static constexpr std::size_t size() { return kEdidImageSize; }
    auto begin() { return bytes.begin(); }
    auto end() { return bytes.end(); }
    auto begin() const { return bytes.begin(); }
    auto end() const { return bytes.end(); }

    bool operator==(const EdidImage &) const = default;
};

// The 16-bit status word of a feature record. Validation only adds error bits; the decoder
// clears them at the start of every decode and keeps only FromNew and HoldsImage.
using EdidStatusWord = std::uint16_t;
struct EdidStatus
{
    static constexpr EdidStatusWord FieldOutOfLimits = 0x0001; // a creator field failed its check
    static constexpr EdidStatusWord BadHeader = 0x0008;        // "Illegal Edid Header."
    static constexpr EdidStatusWord BadChecksum0 = 0x0010;     // "Illegal Edid CheckSum0."
    static constexpr EdidStatusWord BadChecksum1 = 0x0020;     // "Illegal Edid CheckSum1."
    static constexpr EdidStatusWord OverBanks = 0x0040;        // "Edid Over Banks."
    static constexpr EdidStatusWord FromNew = 0x0080;          // the creator's image came from "NEW"
    static constexpr EdidStatusWord HoldsImage = 0x0100;       // the creator holds an image
    static constexpr EdidStatusWord ErrorMask = 0x0078;        // any validation error
    static constexpr EdidStatusWord KeptByDecode = FromNew | HoldsImage;
};

// The byte that makes block `block` (0 or 1) sum to 0 modulo 256 when stored as its last byte.
std::uint8_t edidBlockChecksum(const EdidImage &image, int block);
// True when the 128 bytes of the block add up to 0 modulo 256.
bool edidBlockSumOk(const EdidImage &image, int block);
// Sets bytes 127 and 255 so that both blocks sum to 0.
void setEdidChecksums(EdidImage &image);

// The validation rule on a bare image: 0 when the image is acceptable, else the one error bit of
// the first failing check (header, checksum 0, extension count, checksum 1).
EdidStatusWord edidValidationError(const EdidImage &image);

// The messages for the error bits set in `status`, in the order header, checksum 0, checksum 1,
// over banks.
std::vector<std::string> edidValidationMessages(EdidStatusWord status);
