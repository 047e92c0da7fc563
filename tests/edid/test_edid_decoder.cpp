// The decoder: the template, every pass's rules and bounds, and images that lie about lengths.
#include <gtest/gtest.h>
#include <string>

#include "EdidTestImages.h"
#include "EdidSampleImages.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidJson.h"

using namespace edidtest;

namespace {

EdidFeatureRecord decoded(const EdidImage &img)
{
    EdidFeatureRecord r;
    EXPECT_TRUE(decodeEdid(r, img));
    return r;
}

template <std::size_t N> std::vector<unsigned> vec(const std::array<std::uint8_t, N> &a)
{
    return std::vector<unsigned>(a.begin(), a.end());
}
std::vector<unsigned> padded(std::vector<unsigned> v, std::size_t n)
{
    v.resize(n, 0);
    return v;
}

} // namespace

TEST(EdidDecoder, NewTemplate)
{
    const EdidFeatureRecord r = decoded(NewEdidTemplate);
    EXPECT_EQ(fieldText(r.manufacturer), "NEW");
    EXPECT_EQ(fieldText(r.monitorName), "BrandNewEdid");
    EXPECT_EQ(r.productCode, 0);
    EXPECT_EQ(r.serialNumber, 0u);
    EXPECT_EQ(r.week, 15);
    EXPECT_EQ(r.yearByte, 25);
    EXPECT_EQ(r.establishedTimings, 0x210000u);
    for (auto t : r.standardTimings)
        EXPECT_EQ(t, 0x0101);
    EXPECT_EQ(r.interfaceFlags, InterfaceFlags::HdmiBlock);
    EXPECT_EQ(r.ctaByte3, 0x71);
    EXPECT_EQ(vec(r.svds), padded({16}, 24));
    EXPECT_EQ(r.sads[0], (std::array<std::uint8_t, 3>{0x09, 0x07, 0x03}));
    EXPECT_EQ(r.sads[1], (std::array<std::uint8_t, 3>{}));
    EXPECT_EQ(r.audioFormats, AudioFormatFlags::Lpcm2);
    EXPECT_EQ(r.maxChannels, 2);
    EXPECT_EQ(r.cecAddress, (std::array<std::uint8_t, 2>{0x10, 0x00}));
    EXPECT_EQ(r.hdmiVsdbByte6, 0x80);
    EXPECT_EQ(r.maxColorDepth, 8);
    EXPECT_EQ(fieldText(r.maxResolutionName), "1080p@60Hz");
    EXPECT_EQ(r.speakerAllocation, 0u);
    EXPECT_EQ(r.threeDLength, 0);
    EXPECT_EQ(r.hdrColorDepths, 0);
    // Byte 130 = 19: the three descriptor slots start at 147 (all zero in the template).
    EXPECT_EQ(r.extensionDtds[0], (std::array<std::uint8_t, 18>{}));
    EXPECT_EQ(r.image, NewEdidTemplate);
}

TEST(EdidDecoder, NoExtensionReadsNoDataBlock)
{
    // The second half still holds the template's blocks: they must be ignored, but the
    // descriptor copy runs on them.
    const EdidFeatureRecord r = decoded(imageWithoutExtension());
    EXPECT_EQ(r.interfaceFlags, InterfaceFlags::NoExtension);
    EXPECT_EQ(fieldText(r.maxResolutionName), "UNDEFINE.");
    EXPECT_EQ(vec(r.svds), padded({}, 24));
    EXPECT_EQ(r.audioFormats, 0);
    EXPECT_EQ(r.cecAddress, (std::array<std::uint8_t, 2>{}));
    EXPECT_EQ(r.ctaByte3, 0);
    std::size_t pos = 132;
    EXPECT_FALSE(findDataBlock(r.image, CtaTag::Video, pos));
    // d = 19: entry 0 = bytes 147..164.
    EXPECT_EQ(r.extensionDtds[0][0], NewEdidTemplate[147]);
}

TEST(EdidDecoder, ExtensionWithoutHdmiBlock)
{
    const EdidFeatureRecord r = decoded(imageWithBlocks({videoBlock({16})}, -1, 0x40));
    EXPECT_EQ(r.interfaceFlags, InterfaceFlags::NoHdmiBlock);
    EXPECT_EQ(r.ctaByte3, 0x40);
}

TEST(EdidDecoder, VideoBlockCodesAndBestFormat)
{
    struct Case
    {
        const char *name;
        Bytes vics;
        std::vector<unsigned> svds;
        const char *best;
        bool flag4k;
    };
    const Case cases[] = {
        {"16 then 97", {16, 97}, {16, 97}, "2160p@60Hz", true},
        {"97 then 16", {97, 16}, {97, 16}, "2160p@60Hz", true},
        {"4 and 19", {19, 4}, {19, 4}, "720p@60Hz", false},
        {"native flag removed", {0x90}, {16}, "1080p@60Hz", false},
        {"only unknown codes", {63, 64}, {63, 64}, "UNDEFINE.", false},
        {"reserved codes keep their position empty",
         {0, 128, 16, 254, 255, 31},
         {0, 0, 16, 0, 0, 31},
         "1080p@60Hz",
         false},
        {"table order, not code order", {5, 32}, {5, 32}, "1080p@24Hz", false},
        {"last 4K code", {107}, {107}, "UNDEFINE.", true},
        {"past the 4K codes", {108, 92}, {108, 92}, "UNDEFINE.", false},
        {"code above 192 is not native", {193, 225}, {193, 225}, "UNDEFINE.", false},
        {"1 is the last table entry", {1}, {1}, "480p@60Hz", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const EdidFeatureRecord r = decoded(imageWithBlocks({videoBlock(c.vics)}));
        EXPECT_EQ(vec(r.svds), padded(c.svds, 24));
        EXPECT_EQ(fieldText(r.maxResolutionName), c.best);
        EXPECT_EQ((r.interfaceFlags & InterfaceFlags::Vic4k) != 0, c.flag4k);
    }
}

TEST(EdidDecoder, LaterVideoBlockOverwritesPositionsAndName)
{
    const EdidFeatureRecord r = decoded(imageWithBlocks({videoBlock({97, 4, 5}), videoBlock({16, 0})}));
    EXPECT_EQ(vec(r.svds), padded({16, 4, 5}, 24));
    EXPECT_EQ(fieldText(r.maxResolutionName), "1080p@60Hz");
    // A later block without a known code leaves the name.
    const EdidFeatureRecord r2 = decoded(imageWithBlocks({videoBlock({4}), videoBlock({63})}));
    EXPECT_EQ(fieldText(r2.maxResolutionName), "720p@60Hz");
}

TEST(EdidDecoder, VideoBlockLongerThanTheRecord)
{
    Bytes vics(31);
    for (std::size_t i = 0; i < vics.size(); ++i)
        vics[i] = static_cast<std::uint8_t>(i + 60); // 60..90: none in the table
    vics[30] = 97;                                   // only past the 24 kept codes
    const EdidFeatureRecord r = decoded(imageWithBlocks({videoBlock(vics), extendedBlock(14, {})}));
    for (std::size_t i = 0; i < 24; ++i)
        EXPECT_EQ(r.svds[i], i + 60);
    EXPECT_EQ(fieldText(r.maxResolutionName), "2160p@60Hz");
    EXPECT_NE(r.interfaceFlags & InterfaceFlags::Vic4k, 0);
    EXPECT_EQ(vec(r.y420Vics), padded({}, 16)) << "excess codes must not spill into other fields";
    EXPECT_EQ(r.speakerAllocation, 0u);
}

TEST(EdidDecoder, HdmiBlockLengthsAndColourDepth)
{
    struct Case
    {
        const char *name;
        Bytes rest; // block bytes 4..
        unsigned cec0, cec1, byte6, depth;
    };
    const Case cases[] = {
        {"length 3: OUI only", {}, 0, 0, 0, 8},
        {"length 5: CEC only", {0x21, 0x43}, 0x21, 0x43, 0, 8},
        {"length 6, DC_48bit", {0x10, 0x00, 0x40}, 0x10, 0, 0x40, 16},
        {"length 6, DC_36bit", {0x10, 0x00, 0x20}, 0x10, 0, 0x20, 12},
        {"length 6, DC_30bit", {0x10, 0x00, 0x10}, 0x10, 0, 0x10, 10},
        {"all deep colour bits", {0x10, 0x00, 0x78}, 0x10, 0, 0x78, 16},
        {"no deep colour", {0x10, 0x00, 0x88}, 0x10, 0, 0x88, 8},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const EdidFeatureRecord r = decoded(imageWithBlocks({hdmiBlock(c.rest), videoBlock({16})}));
        EXPECT_EQ(r.interfaceFlags, InterfaceFlags::HdmiBlock);
        EXPECT_EQ(r.cecAddress[0], c.cec0);
        EXPECT_EQ(r.cecAddress[1], c.cec1);
        EXPECT_EQ(r.hdmiVsdbByte6, c.byte6);
        EXPECT_EQ(r.maxColorDepth, c.depth);
    }
}

TEST(EdidDecoder, Hdmi3dByteMovesWithLatencyFields)
{
    struct Case
    {
        const char *name;
        std::uint8_t byte8;
        std::size_t latencyBytes; // bytes 9.. before the 3D_present byte
    };
    const Case cases[] = {
        {"no latency", 0x20, 0},
        {"latency", 0xA0, 2},
        {"interlaced latency", 0x60, 4},
        {"both latency flags", 0xE0, 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bytes rest = {0x10, 0x00, 0x80, 0x3C, c.byte8};
        rest.insert(rest.end(), c.latencyBytes, 0x77);
        // 3D_present + Image_Size, HDMI_VIC_LEN 2 and 3D_LEN 3, VICs 3 and 1, three 3D bytes.
        rest.insert(rest.end(), {0x98, (2 << 5) | 3, 3, 1, 0xA1, 0xA2, 0xA3});
        const EdidFeatureRecord r = decoded(imageWithBlocks({hdmiBlock(rest)}));
        EXPECT_EQ(r.interfaceFlags,
                  InterfaceFlags::HdmiBlock | InterfaceFlags::ThreeDPresent | InterfaceFlags::HdmiVic4k);
        EXPECT_EQ(r.threeDFlags, 0x98);
        EXPECT_EQ(r.threeDLength, 3);
        EXPECT_EQ(vec(r.threeDData), padded({0xA1, 0xA2, 0xA3}, 14));
        EXPECT_EQ(vec(r.hdmiVics), padded({3, 1}, 4));
    }
}

TEST(EdidDecoder, HdmiVideoFieldsNeedTheirFlagsAndLengths)
{
    // HDMI_Video_present clear: nothing of the 3D part is read.
    EdidFeatureRecord r = decoded(imageWithBlocks({hdmiBlock({0x10, 0, 0, 0, 0x00, 0x80, 0x20, 5})}));
    EXPECT_EQ(r.interfaceFlags, InterfaceFlags::HdmiBlock);
    EXPECT_EQ(vec(r.hdmiVics), padded({}, 4));
    // First HDMI_VIC 5: listed but no 4K flag; no 3D_present: no 3D fields.
    r = decoded(imageWithBlocks({hdmiBlock({0x10, 0, 0, 0, 0x20, 0x00, 1 << 5, 5})}));
    EXPECT_EQ(r.interfaceFlags, InterfaceFlags::HdmiBlock);
    EXPECT_EQ(vec(r.hdmiVics), padded({5}, 4));
    EXPECT_EQ(r.threeDFlags, 0);
}

TEST(EdidDecoder, HdmiListsBeyondTheRecordAreCut)
{
    // HDMI_VIC_LEN 7 and 3D_LEN 31 in a block of 31 bytes: 4 VICs and 14 3D bytes are kept.
    Bytes rest = {0x10, 0x00, 0x80, 0x3C, 0x20, 0x80, (7 << 5) | 31, 1, 2, 3, 4, 5, 6, 7};
    for (std::uint8_t k = 0; rest.size() < 28; ++k)
        rest.push_back(static_cast<std::uint8_t>(0xB0 + k));
    const EdidFeatureRecord r = decoded(imageWithBlocks({hdmiBlock(rest), extendedBlock(0, {0x5A})}));
    EXPECT_EQ(vec(r.hdmiVics), (std::vector<unsigned>{1, 2, 3, 4}));
    EXPECT_EQ(r.threeDLength, 14);
    for (std::size_t k = 0; k < 14; ++k)
        EXPECT_EQ(r.threeDData[k], 0xB0 + k);
    EXPECT_EQ(r.videoCapability, 0x5A) << "the next block is still found";
    EXPECT_EQ(r.hdrStatic, (std::array<std::uint8_t, 6>{}));
}

TEST(EdidDecoder, HdmiForumBlock)
{
    struct Case
    {
        const char *name;
        Bytes rest; // block bytes 4..
        unsigned tmds600, scdc, dc420;
    };
    const Case cases[] = {
        {"rate 0x77", {0x01, 0x77, 0x80}, 0, 1, 0},
        {"rate 0x78", {0x01, 0x78, 0x00}, 1, 0, 0},
        {"rate 0xFF, deep colour 4:2:0", {0x01, 0xFF, 0x80, 0x0F}, 1, 1, 7},
        {"rate byte outside a block of length 4", {0x01}, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // The byte behind a short block is 0x78/0x80 to catch reads past its length.
        const EdidFeatureRecord r = decoded(imageWithBlocks({hfBlock(c.rest), Bytes{0x78, 0x80, 0x07}}, -1));
        EXPECT_EQ(r.tmds600, c.tmds600);
        EXPECT_EQ(r.scdcPresent, c.scdc);
        EXPECT_EQ(r.hfDeepColor420, c.dc420);
        EXPECT_EQ(r.interfaceFlags, InterfaceFlags::NoHdmiBlock);
    }
}

TEST(EdidDecoder, HdrColourDepthRule)
{
    const Bytes hdr = extendedBlock(6, {0x0D, 0x01, 0x78, 0x50, 0x10});
    struct Case
    {
        const char *name;
        std::vector<Bytes> before;
        unsigned expected;
    };
    const std::vector<Case> cases = {
        {"no HDMI Forum block", {hdmiBlock({0x10, 0x00, 0x20})}, 0x80},
        {"HF block without SCDC", {hfBlock({0x01, 0x78, 0x00})}, 0x80},
        {"deep colour 4:2:0 wins", {hdmiBlock({0x10, 0x00, 0x20}), hfBlock({0x01, 0x78, 0x80, 0x06})}, 0x06},
        {"SCDC and 12 bit", {hdmiBlock({0x10, 0x00, 0x20}), hfBlock({0x01, 0x78, 0x80, 0x00})}, 0x03},
        {"SCDC and 10 bit", {hdmiBlock({0x10, 0x00, 0x10}), hfBlock({0x01, 0x78, 0x80})}, 0x01},
        {"SCDC and 16 bit", {hdmiBlock({0x10, 0x00, 0x40}), hfBlock({0x01, 0x78, 0x80})}, 0x00},
        {"SCDC and 8 bit", {hfBlock({0x01, 0x78, 0x80})}, 0x00},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EdidImage img;
        if (c.before.size() == 1)
            img = imageWithBlocks({c.before[0], hdr});
        else
            img = imageWithBlocks({c.before[0], c.before[1], hdr});
        const EdidFeatureRecord r = decoded(img);
        EXPECT_EQ(r.hdrColorDepths, c.expected);
        EXPECT_EQ(vec(r.hdrStatic), padded({0x0D, 0x01, 0x78, 0x50, 0x10}, 6));
    }
}

TEST(EdidDecoder, ExtendedBlocks)
{
    EdidFeatureRecord r =
        decoded(imageWithBlocks({extendedBlock(0, {0x4B}), extendedBlock(5, {0xC1, 0x02})}));
    EXPECT_EQ(r.videoCapability, 0x4B);
    EXPECT_EQ(r.colorimetry, (std::array<std::uint8_t, 2>{0xC1, 0x02}));
    // Wrong lengths are ignored.
    r = decoded(imageWithBlocks({extendedBlock(0, {0x4B, 0x00}), extendedBlock(5, {0xC1})}));
    EXPECT_EQ(r.videoCapability, 0);
    EXPECT_EQ(r.colorimetry, (std::array<std::uint8_t, 2>{}));
    // HDR block longer than the record: six bytes kept, the next block still read.
    r = decoded(imageWithBlocks({extendedBlock(6, {1, 2, 3, 4, 5, 6, 7, 8, 9}), extendedBlock(0, {0x33})}));
    EXPECT_EQ(vec(r.hdrStatic), (std::vector<unsigned>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(r.videoCapability, 0x33);
}

TEST(EdidDecoder, YCbCr420Blocks)
{
    struct Case
    {
        const char *name;
        Bytes block;
        std::vector<unsigned> vics;
        unsigned present;
    };
    Bytes many;
    for (std::uint8_t v = 1; v <= 20; ++v)
        many.push_back(v);
    const Case cases[] = {
        {"video block of length 3", extendedBlock(14, {96, 97}), {96, 97}, 1},
        {"first VIC 0", extendedBlock(14, {0, 97}), {0, 97}, 0},
        {"no VIC", extendedBlock(14, {}), {}, 0},
        {"more than 16 VICs",
         extendedBlock(14, many),
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
         1},
        {"capability map", extendedBlock(15, {0x01}), {}, 1},
        {"empty capability map", extendedBlock(15, {}), {}, 1},
        // A block without payload has no extended tag; the next header (0x0F) must not be
        // taken for one (15, capability map).
        {"no extended tag", Bytes{0xE0}, {}, 0},
    };
    Bytes next(16, 0);
    next[0] = 0x0F; // a reserved-tag block of length 15
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const EdidFeatureRecord r = decoded(imageWithBlocks({c.block, next, videoBlock({16})}));
        EXPECT_EQ(vec(r.y420Vics), padded(c.vics, 16));
        EXPECT_EQ(r.y420Present, c.present);
    }
}

TEST(EdidDecoder, AudioBlocks)
{
    // L-PCM 2 ch, AC-3 6 ch
    const Bytes first = audioBlock({0x09, 0x07, 0x07, 0x15, 0x07, 0x50});
    // L-PCM 8 ch
    const Bytes second = audioBlock({0x0F, 0x7F, 0x07});
    const EdidFeatureRecord r = decoded(imageWithBlocks({first, second}));
    EXPECT_EQ(r.sads[0], (std::array<std::uint8_t, 3>{0x0F, 0x7F, 0x07}));
    EXPECT_EQ(r.sads[1], (std::array<std::uint8_t, 3>{0x15, 0x07, 0x50}))
        << "second block overwrites from the first entry only";
    EXPECT_EQ(r.audioFormats, AudioFormatFlags::Lpcm2 | AudioFormatFlags::Ac3 | AudioFormatFlags::LpcmMulti);
    EXPECT_EQ(r.maxChannels, 8);
}

TEST(EdidDecoder, AudioFormatCodes)
{
    struct Case
    {
        std::uint8_t byte0;
        std::uint16_t flag;
        unsigned channels;
    };
    const Case cases[] = {
        {0x09, AudioFormatFlags::Lpcm2, 2},
        {0x08, AudioFormatFlags::Lpcm2, 1},
        {0x0A, AudioFormatFlags::LpcmMulti, 3},
        {0x15, AudioFormatFlags::Ac3, 6},
        {0x57, AudioFormatFlags::EnhancedAc3, 8},
        {0x67, AudioFormatFlags::Mat, 8},
        {0x3D, AudioFormatFlags::Dts, 6},
        {0x5F, AudioFormatFlags::DtsHd, 8},
        {0x31, AudioFormatFlags::AacLc, 2},
        {0x4D, AudioFormatFlags::OneBitAudio, 6},
        {0x1D, 0, 6},
        {0x7F, 0, 8}, // MPEG-1, extension code: no flag
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.byte0);
        const EdidFeatureRecord r = decoded(imageWithBlocks({audioBlock({c.byte0, 0x07, 0x07})}));
        EXPECT_EQ(r.audioFormats, c.flag);
        EXPECT_EQ(r.maxChannels, c.channels);
    }
}

TEST(EdidDecoder, AudioBlockLongerThanTheRecord)
{
    // 31 bytes: ten whole descriptors and the first byte of an eleventh (DTS) that the record
    // can't hold; the walk then finds the speaker block.
    Bytes sads;
    for (int i = 0; i < 10; ++i)
        sads.insert(sads.end(), {0x09, 0x07, static_cast<std::uint8_t>(i)});
    sads.push_back(0x3D);
    const EdidFeatureRecord r =
        decoded(imageWithBlocks({audioBlock(sads), dataBlock(4, {0x4F, 0x00, 0x00})}));
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(r.sads[i][2], i);
    EXPECT_EQ(r.audioFormats, AudioFormatFlags::Lpcm2 | AudioFormatFlags::Dts);
    EXPECT_EQ(r.maxChannels, 6);
    EXPECT_EQ(r.speakerAllocation, 0x4F0000u);
}

TEST(EdidDecoder, FirstSpeakerBlockOnly)
{
    const EdidFeatureRecord r =
        decoded(imageWithBlocks({dataBlock(4, {0x01, 0x02, 0x03}), dataBlock(4, {0x7F, 0x7F, 0x7F})}));
    EXPECT_EQ(r.speakerAllocation, 0x010203u);
}

TEST(EdidDecoder, MonitorName)
{
    struct Case
    {
        const char *name;
        std::size_t at; // offset of the FC tag
        Bytes text;
        const char *expected;
    };
    const Case cases[] = {
        {"13 characters without 0x0A",
         111,
         {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M'},
         "ABCDEFGHIJKLM"},
        {"short name", 111, {'T', 'V', 0x0A, ' ', ' '}, "TV"},
        {"empty name", 111, {0x0A}, ""},
        {"trailing spaces after the 13 kept characters",
         111,
         {'X', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '},
         "X            "},
        {"tag outside the descriptor slots", 40, {'O', 'd', 'd', 0x0A}, "Odd"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EdidImage img = NewEdidTemplate;
        // Remove the template's own name descriptor.
        img[93] = 0xFE;
        for (std::size_t i = 0; i < 3; ++i)
            img[c.at - 3 + i] = 0;
        img[c.at] = 0xFC;
        img[c.at + 1] = 0;
        for (std::size_t i = 0; i < c.text.size(); ++i)
            img[c.at + 2 + i] = c.text[i];
        setEdidChecksums(img);
        EXPECT_EQ(fieldText(decoded(img).monitorName), c.expected);
    }
    // No name descriptor at all.
    EdidImage img = NewEdidTemplate;
    img[93] = 0xFE;
    setEdidChecksums(img);
    EXPECT_EQ(fieldText(decoded(img).monitorName), "UNDEFINE.");
}

TEST(EdidDecoder, LaterNameOverwritesEarlierOne)
{
    EdidImage img = NewEdidTemplate; // "BrandNewEdid" at 93
    const Bytes second = {0, 0, 0, 0xFC, 0, 'T', 'V', 0x0A};
    std::copy(second.begin(), second.end(), img.begin() + 108);
    setEdidChecksums(img);
    // The shorter later name ends at its 0x0A; nothing of the longer one shows through.
    EXPECT_EQ(fieldText(decoded(img).monitorName), "TV");
}

TEST(EdidDecoder, IdentificationFields)
{
    EdidImage img = NewEdidTemplate;
    // "ZZZ": letters 26,26,26 -> 0x6B 0x5A; product 0xBEEF; serial 0x12345678; week 52 of 2030.
    const Bytes id = {0x6B, 0x5A, 0xEF, 0xBE, 0x78, 0x56, 0x34, 0x12, 52, 40};
    std::copy(id.begin(), id.end(), img.begin() + 8);
    img[35] = 0xA5;
    img[36] = 0x5A;
    img[37] = 0x81;
    img[38] = 0xD1;
    img[39] = 0xC0;
    setEdidChecksums(img);
    const EdidFeatureRecord r = decoded(img);
    EXPECT_EQ(fieldText(r.manufacturer), "ZZZ");
    EXPECT_EQ(r.productCode, 0xBEEF);
    EXPECT_EQ(r.serialNumber, 0x12345678u);
    EXPECT_EQ(r.week, 52);
    EXPECT_EQ(r.yearByte, 40);
    EXPECT_EQ(r.establishedTimings, 0xA55A81u);
    EXPECT_EQ(r.standardTimings[0], 0xD1C0);
    EXPECT_EQ(r.standardTimings[1], 0x0101);
}

TEST(EdidDecoder, InvalidImageResetsButKeepsOnSuccessFields)
{
    EdidFeatureRecord r;
    ASSERT_TRUE(
        decodeEdid(r, imageWithBlocks({videoBlock({97}), extendedBlock(15, {}), hdmiBlock({0x20, 0x00})})));
    r.status |= EdidStatus::FromNew | EdidStatus::FieldOutOfLimits;
    EdidImage bad = NewEdidTemplate;
    bad[3] = 0;
    EXPECT_FALSE(decodeEdid(r, bad));
    EXPECT_EQ(r.status, EdidStatus::FromNew | EdidStatus::BadHeader);
    EXPECT_EQ(r.image, bad);
    EXPECT_EQ(fieldText(r.maxResolutionName), "UNDEFINE.");
    EXPECT_EQ(fieldText(r.monitorName), "UNDEFINE.");
    EXPECT_EQ(r.interfaceFlags, 0);
    EXPECT_EQ(r.y420Present, 0);
    EXPECT_EQ(r.cecAddress, (std::array<std::uint8_t, 2>{}));
    EXPECT_EQ(r.maxColorDepth, 8);
    EXPECT_EQ(vec(r.svds), padded({}, 24));
    // Nothing of the previous image stays behind, not even the fields only a valid image sets.
    EXPECT_EQ(fieldText(r.manufacturer), "");
    EXPECT_EQ(r.week, 0);
    EXPECT_EQ(r.establishedTimings, 0u);
}

TEST(EdidDecoder, NothingOfThePreviousImageSurvives)
{
    EdidFeatureRecord r;
    Bytes hdmi = {0x10, 0x00, 0xF8, 0x3C, 0x20, 0x80, (1 << 5) | 2, 1, 0xA1, 0xA2};
    ASSERT_TRUE(decodeEdid(
        r, imageWithBlocks({videoBlock({97}), audioBlock({0x57, 7, 7}), hdmiBlock(hdmi),
                            hfBlock({1, 0x78, 0x80, 7}), extendedBlock(6, {1, 1}), extendedBlock(14, {97}),
                            extendedBlock(0, {1}), extendedBlock(5, {1, 1}), dataBlock(4, {1, 0, 0})})));
    ASSERT_EQ(r.tmds600, 1);
    ASSERT_EQ(r.threeDLength, 2);
    EdidFeatureRecord fresh;
    ASSERT_TRUE(decodeEdid(fresh, imageWithoutExtension()));
    ASSERT_TRUE(decodeEdid(r, imageWithoutExtension()));
    EXPECT_EQ(toJson(edidRecordToJson(r), 1), toJson(edidRecordToJson(fresh), 1));
}

// Decoding B over a record that held A gives what decoding B into a fresh record gives; above all
// no detailed timing of A survives where B has none (a byte 130 of 74 leaves room for two).
TEST(EdidDecoder, DecodingOverAnotherImageEqualsAFreshDecode)
{
    EdidImage threeTimings = imageWithBlocks({videoBlock({16})});
    for (std::size_t i = 0; i < 3; ++i)
        std::fill_n(threeTimings.begin() + 128 + threeTimings[130] + std::ptrdiff_t(18 * i), 18,
                    std::uint8_t(0x11 * (i + 1)));
    setEdidChecksums(threeTimings);
    EdidImage late = threeTimings;
    late[130] = 74;
    setEdidChecksums(late);
    std::vector<EdidImage> images = {threeTimings, late, imageWithoutExtension(), NewEdidTemplate};
    for (const char *name : {"00BA6CAC0B5F.bin", "0295DEE6C8F9.bin", "5DA59B61EF61.bin", "3AB239ECF358.bin"}) {
        EdidImage img;
        if (readEdidBinFile((edidSampleFolder() / name).string(), img))
            images.push_back(img);
    }
    for (std::size_t a = 0; a < images.size(); ++a) {
        for (std::size_t b = 0; b < images.size(); ++b) {
            SCOPED_TRACE(std::to_string(a) + " then " + std::to_string(b));
            EdidFeatureRecord over, fresh;
            decodeEdid(over, images[a]);
            decodeEdid(over, images[b]);
            decodeEdid(fresh, images[b]);
            EXPECT_EQ(toJson(edidRecordToJson(over), 1), toJson(edidRecordToJson(fresh), 1));
        }
    }
}

TEST(EdidDecoder, BlockRunningIntoTheTimingsReadsNoTimingByte)
{
    // Video block 132..133, audio block 134..137. Byte 130 = 10 ends the collection at 138: the
    // audio block fits. With byte 130 = 9 it runs into the timing descriptors: its only
    // descriptor reaches them and is not read, and the walk ends there (timing bytes must not
    // turn into audio formats).
    const Bytes video = videoBlock({16});
    const Bytes audio = audioBlock({0x3D, 0x07, 0x07});
    EdidFeatureRecord r = decoded(imageWithBlocks({video, audio, videoBlock({97})}, 10));
    EXPECT_EQ(r.audioFormats, AudioFormatFlags::Dts);
    r = decoded(imageWithBlocks({video, audio, videoBlock({97})}, 9));
    EXPECT_EQ(r.audioFormats, 0);
    EXPECT_EQ(r.maxChannels, 0);
    EXPECT_EQ(vec(r.svds), padded({16}, 24));
    EXPECT_EQ(fieldText(r.maxResolutionName), "1080p@60Hz");
}

TEST(EdidDecoder, BlockStartingBeforeTheTimingsIsFoundAndCutThere)
{
    // One block right behind a video block (132..133), so it starts at 134; byte 130 = d puts the
    // timings at 128 + d. Bytes at or past them read as absent; the bytes at 128 + d hold 0xFF
    // (or 0x78) to catch a read.
    struct Case
    {
        const char *what;
        Bytes block;
        int d;
        std::uint16_t interfaceFlags; // without the video block's bits
        std::array<std::uint8_t, 2> cec;
        std::uint8_t maxColorDepth;
        std::uint16_t audioFormats;
        std::uint8_t tmds600;
    };
    const Bytes hdmi = hdmiBlock({0x20, 0x00, 0x38, 0x2D}); // bytes 4-7: CEC 2.0.0.0, 12 bit, TMDS
    const Bytes audio = audioBlock({0x09, 0x07, 0x07, 0x3D, 0x1E, 0xC0, 0x15, 0x07, 0x50});
    const Bytes forum = hfBlock({0x01, 0x78, 0x80, 0x00});
    const Case cases[] = {
        {"HDMI block whole", hdmi, 14, InterfaceFlags::HdmiBlock, {0x20, 0x00}, 12, 0, 0},
        {"HDMI block without its TMDS byte", hdmi, 13, InterfaceFlags::HdmiBlock, {0x20, 0x00}, 12, 0, 0},
        {"HDMI block without its colour depth byte", hdmi, 12, InterfaceFlags::HdmiBlock, {0x20, 0x00}, 8, 0, 0},
        {"HDMI block with half a CEC address", hdmi, 11, InterfaceFlags::HdmiBlock, {0, 0}, 8, 0, 0},
        {"HDMI block cut inside its OUI", hdmi, 9, InterfaceFlags::NoHdmiBlock, {0, 0}, 8, 0, 0},
        {"audio block cut after two descriptors", audio, 13, InterfaceFlags::NoHdmiBlock, {0, 0}, 8,
         AudioFormatFlags::Lpcm2 | AudioFormatFlags::Dts, 0},
        {"audio block cut inside its first descriptor", audio, 9, InterfaceFlags::NoHdmiBlock, {0, 0}, 8, 0, 0},
        {"Forum block whole", forum, 14, InterfaceFlags::NoHdmiBlock, {0, 0}, 8, 0, 1},
        {"Forum block without its rate byte", forum, 11, InterfaceFlags::NoHdmiBlock, {0, 0}, 8, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EdidImage img = imageWithBlocks({videoBlock({16}), c.block}, c.d);
        for (std::size_t k = 128 + std::size_t(c.d); k < 160; ++k)
            img[k] = std::uint8_t(k == 128 + std::size_t(c.d) + 1 ? 0x78 : 0xFF);
        setEdidChecksums(img);
        const EdidFeatureRecord r = decoded(img);
        EXPECT_EQ(r.interfaceFlags, c.interfaceFlags);
        EXPECT_EQ(r.cecAddress, c.cec);
        EXPECT_EQ(r.maxColorDepth, c.maxColorDepth);
        EXPECT_EQ(r.audioFormats, c.audioFormats);
        EXPECT_EQ(r.tmds600, c.tmds600);
        EXPECT_EQ(fieldText(r.maxResolutionName), "1080p@60Hz");
        // The walk ends with the cut block: a block behind it would be made of timing bytes.
        std::size_t pos = 134;
        ASSERT_TRUE(findDataBlock(img, std::uint8_t(c.block[0] >> 5), pos));
        EXPECT_EQ(pos, 134u);
        EXPECT_LE(dataBlockLength(img, pos), std::size_t(c.d) - 7);
    }
}

TEST(EdidDecoder, Byte130AndLengthsPointingAnywhereStayInsideTheImage)
{
    struct Case
    {
        const char *name;
        std::uint8_t d;
        std::size_t blockAt;
        std::uint8_t header;
    };
    const Case cases[] = {
        {"collection to the image's end, block at 255", 0xFF, 255, 0x5F},
        {"collection to the image's end, long block near it", 0xFF, 240, 0x3F},
        {"byte 130 below the first block", 3, 132, 0x41},
        {"byte 130 zero", 0, 132, 0x41},
        {"every byte a zero-length block", 0xFF, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EdidImage img = NewEdidTemplate;
        if (c.blockAt == 0) {
            std::fill(img.begin() + 131, img.end(), 0xE0); // extended tag, length 0
        } else {
            std::fill(img.begin() + 131, img.end(), 0x00);
            img[c.blockAt] = c.header;
        }
        img[130] = c.d;
        setEdidChecksums(img);
        EdidFeatureRecord r;
        ASSERT_TRUE(decodeEdid(r, img));
        EXPECT_EQ(r.audioFormats, 0);
        EXPECT_EQ(r.y420Present, 0);
        std::size_t pos = 132;
        for (std::uint8_t tag = 0; tag < 8; ++tag) {
            pos = 132;
            while (findDataBlock(img, tag, pos)) {
                ASSERT_LE(pos + (img[pos] & 0x1F), 255u);
                pos += (img[pos] & 0x1F) + 1u;
            }
        }
    }
}

TEST(EdidDecoder, ExtensionTimingCopyStopsAtByte126Rule)
{
    // An entry is copied when 126 - d - 18i is at least 18.
    struct Case
    {
        std::uint8_t d;
        int copied;
    };
    for (const Case c : {Case{4, 3}, Case{72, 3}, Case{73, 2}, Case{90, 2}, Case{91, 1}, Case{108, 1},
                         Case{109, 0}, Case{255, 0}}) {
        SCOPED_TRACE(int(c.d));
        EdidImage img = NewEdidTemplate;
        for (std::size_t i = 131; i < 255; ++i)
            img[i] = static_cast<std::uint8_t>(i);
        img[130] = c.d;
        setEdidChecksums(img);
        EdidFeatureRecord r;
        for (auto &dtd : r.extensionDtds)
            dtd.fill(0xEE);
        ASSERT_TRUE(decodeEdid(r, img));
        for (int i = 0; i < 3; ++i) {
            const std::size_t from = 128 + c.d + 18 * i;
            if (i < c.copied)
                EXPECT_TRUE(
                    std::equal(r.extensionDtds[i].begin(), r.extensionDtds[i].end(), img.begin() + from));
            else
                EXPECT_EQ(r.extensionDtds[i], (std::array<std::uint8_t, 18>{})) << "entry " << i << " is cleared";
        }
    }
}
