#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "edid/EdidImage.h"

// Bits of EdidFeatureRecord::interfaceFlags.
struct InterfaceFlags
{
    static constexpr std::uint16_t NoExtension = 0x01;   // byte 126 = 0: DVI
    static constexpr std::uint16_t NoHdmiBlock = 0x02;   // extension without HDMI VSDB
    static constexpr std::uint16_t HdmiBlock = 0x04;     // HDMI VSDB found (clears NoHdmiBlock)
    static constexpr std::uint16_t ThreeDPresent = 0x08; // 3D_present in the HDMI VSDB
    static constexpr std::uint16_t HdmiVic4k = 0x10;     // first HDMI_VIC is 1..4
    static constexpr std::uint16_t Vic4k = 0x20;         // the video data block lists VIC 93..107
};

// Bits of EdidFeatureRecord::audioFormats, one per short audio descriptor format.
struct AudioFormatFlags
{
    static constexpr std::uint16_t Lpcm2 = 0x0001;       // code 1, at most 2 channels
    static constexpr std::uint16_t LpcmMulti = 0x0002;   // code 1, more than 2 channels
    static constexpr std::uint16_t Ac3 = 0x0004;         // code 2
    static constexpr std::uint16_t EnhancedAc3 = 0x0008; // code 10
    static constexpr std::uint16_t Mat = 0x0010;         // code 12 (Dolby TrueHD)
    static constexpr std::uint16_t Dts = 0x0020;         // code 7
    static constexpr std::uint16_t DtsHd = 0x0040;       // code 11
    static constexpr std::uint16_t AacLc = 0x0080;       // code 6
    static constexpr std::uint16_t OneBitAudio = 0x0100; // code 9
};

// The flag of one short audio descriptor (from its first byte), 0 for formats without a flag.
std::uint16_t audioFormatFlagOf(std::uint8_t sadByte0);
// Channel count of a short audio descriptor: bits 2-0 of its first byte plus 1.
inline unsigned audioChannelsOf(std::uint8_t sadByte0)
{
    return (sadByte0 & 7u) + 1u;
}

// Video formats ranked best first; the first entry listed by a video data block names the
// maximum resolution. 26 formats, then the terminator (0, "Reserved").
struct VicName
{
    std::uint8_t vic;
    const char *name;
};
inline constexpr std::size_t kVicNameCount = 26;
extern const std::array<VicName, kVicNameCount + 1> VicNameTable;

// Capacities of the record's lists; what a block holds beyond them is dropped.
inline constexpr std::size_t kMaxSvds = 24;
inline constexpr std::size_t kMaxSads = 10;
inline constexpr std::size_t kMaxY420Vics = 16;
inline constexpr std::size_t kMaxHdmiVics = 4;
inline constexpr std::size_t kMaxThreeDData = 14;
inline constexpr std::size_t kHdrStaticSize = 6;

struct CreatorOrigin;

// A decoded EDID together with its image and status word. The defaults equal the decoder's reset
// values; fields marked "on success" are set only from a valid image (a decode clears them first).
struct EdidFeatureRecord
{
    EdidStatusWord status = 0;
    std::uint16_t interfaceFlags = 0;
    EdidImage image{};
    std::array<char, 4> manufacturer{};            // on success; 3 letters and a 0
    std::array<char, 14> monitorName{"UNDEFINE."}; // up to 13 characters and a 0
    std::uint16_t productCode = 0;
    std::uint32_t serialNumber = 0;                              // on success
    std::uint8_t yearByte = 0;                                   // on success; year - 1990
    std::uint8_t week = 0;                                       // on success
    std::uint32_t establishedTimings = 0;                        // on success; bytes 35, 36, 37 in bits 23-0
    std::array<std::uint16_t, 8> standardTimings{};              // on success; 0x0101 = no timing
    std::array<std::array<std::uint8_t, 18>, 3> extensionDtds{}; // on success
    std::uint8_t ctaByte3 = 0;
    std::uint8_t hdmiVsdbByte6 = 0;
    std::uint8_t maxColorDepth = 8;
    std::array<std::uint8_t, kMaxSvds> svds{};
    std::array<std::array<std::uint8_t, 3>, kMaxSads> sads{};
    std::uint32_t speakerAllocation = 0;
    std::array<std::uint8_t, kMaxY420Vics> y420Vics{};
    std::array<std::uint8_t, kMaxHdmiVics> hdmiVics{};
    std::uint8_t threeDLength = 0;
    std::uint8_t threeDFlags = 0;
    std::array<std::uint8_t, kMaxThreeDData> threeDData{};
    std::uint8_t videoCapability = 0;
    std::array<std::uint8_t, 2> colorimetry{};
    std::array<std::uint8_t, kHdrStaticSize> hdrStatic{};
    std::array<char, 12> maxResolutionName{"UNDEFINE."}; // up to 11 characters and a 0
    std::uint8_t tmds600 = 0;
    std::uint8_t hdrColorDepths = 0; // 0x04 16 bit, 0x02 12 bit, 0x01 10 bit, 0x80 HDR without SCDC
    std::uint8_t scdcPresent = 0;
    std::uint8_t y420Present = 0;
    std::uint8_t hfDeepColor420 = 0;
    std::array<std::uint8_t, 2> cecAddress{};
    std::uint16_t audioFormats = 0;
    std::uint8_t maxChannels = 0;
    // The creator's record only: what the last load decoded and showed, so a build can tell the
    // controls the user changed from those still holding the loaded values. Every decode drops it.
    std::shared_ptr<const CreatorOrigin> creatorOrigin;
};

// The text of a 0-terminated character field (stops at the first 0 or the array's end).
template <std::size_t N> std::string fieldText(const std::array<char, N> &field)
{
    std::size_t n = 0;
    while (n < N && field[n] != 0)
        ++n;
    return std::string(field.data(), n);
}

// Stores text into a 0-terminated character field, cut to N-1 characters.
template <std::size_t N> void setFieldText(std::array<char, N> &field, const std::string &text)
{
    field.fill(0);
    for (std::size_t i = 0; i < text.size() && i + 1 < N; ++i)
        field[i] = text[i];
}

// Validates record.image; on failure adds the error bit of the first failing check to
// record.status (never clears bits) and returns false.
bool validateEdidImage(EdidFeatureRecord &record);
