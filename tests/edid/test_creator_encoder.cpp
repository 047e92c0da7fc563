// The encoder and the builder: what a build writes into the image.
#include <gtest/gtest.h>

#include "edid/CreatorBuilder.h"
#include "edid/EdidEncoder.h"
#include "tests/edid/CreatorTestSupport.h"

using namespace creatortest;
using edidtest::imageWithBlocks;

namespace {

EdidFeatureRecord decoded(const EdidImage &img)
{
    EdidFeatureRecord rec;
    decodeEdid(rec, img);
    return rec;
}

const Bytes *findBlock(const std::vector<Bytes> &blocks, std::uint8_t b1, std::uint8_t b2 = 0,
                       std::uint8_t b3 = 0)
{
    for (const Bytes &b : blocks)
        if (b.size() > 3 && b[1] == b1 && b[2] == b2 && b[3] == b3)
            return &b;
    return nullptr;
}

bool checksumsOk(const EdidImage &img)
{
    return edidBlockSumOk(img, 0) && edidBlockSumOk(img, 1);
}

} // namespace

TEST(CreatorBuild, NewTemplateLosesTheEmptyHdmiByte8)
{
    // Unchanged controls write the template's HDMI block as it is, empty byte 8 included; only the
    // date, which "NEW" shows as today's, is written anew.
    LoadedCreator c(NewEdidTemplate, true);
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    const EdidImage &img = c.record.image;
    EXPECT_EQ(bytesAt(img, 128, 128), bytesAt(NewEdidTemplate, 128, 128));
    EXPECT_EQ(img[130], 19);
    EXPECT_EQ(img[17], 2026 - 1990); // the current year from "NEW"
    EXPECT_EQ(img[16], 50);
    EXPECT_EQ(bytesAt(img, 0, 16), bytesAt(NewEdidTemplate, 0, 16));
    EXPECT_EQ(bytesAt(img, 18, 108), bytesAt(NewEdidTemplate, 18, 108));
    EXPECT_TRUE(checksumsOk(img));
}

TEST(CreatorEncoder, YearAndWeekBytes)
{
    struct Case
    {
        std::uint8_t yearByte, week, byte17, byte16;
    };
    for (const Case &c : {Case{223, 15, 25, 15}, Case{197, 53, 255, 53}, Case{198, 1, 0, 1}}) {
        EdidFeatureRecord rec = decoded(NewEdidTemplate);
        rec.yearByte = c.yearByte;
        rec.week = c.week;
        encodeEdid(rec);
        EXPECT_EQ(rec.image[17], c.byte17) << int(c.yearByte);
        EXPECT_EQ(rec.image[16], c.byte16);
        EXPECT_TRUE(checksumsOk(rec.image));
    }
}

TEST(CreatorEncoder, DviClearsTheExtension)
{
    EdidFeatureRecord rec = decoded(NewEdidTemplate);
    rec.interfaceFlags = InterfaceFlags::NoExtension;
    encodeEdid(rec);
    EXPECT_EQ(rec.image[126], 0);
    EXPECT_EQ(bytesAt(rec.image, 128, 128), Bytes(128, 0));
    EXPECT_TRUE(edidBlockSumOk(rec.image, 0));
    EXPECT_EQ(edidValidationError(rec.image), 0);
}

TEST(CreatorEncoder, Vic97AddsTheHdmiForumBlock)
{
    EdidFeatureRecord rec = decoded(NewEdidTemplate);
    rec.svds[1] = 97;
    encodeEdid(rec);
    const auto blocks = dataBlocks(rec.image);
    const Bytes *forum = findBlock(blocks, 0xD8, 0x5D, 0xC4);
    ASSERT_NE(forum, nullptr);
    EXPECT_EQ(*forum, (Bytes{0x67, 0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x80, 0x00}));
    const Bytes *hdmi = findBlock(blocks, 0x03, 0x0C, 0x00);
    ASSERT_NE(hdmi, nullptr);
    EXPECT_EQ((*hdmi)[7], 0x3C);
    // No HDR depth asked for: no HDR block is made up.
    for (const Bytes &b : blocks)
        EXPECT_FALSE(b[0] >> 5 == 7 && b[1] == 6);
}

TEST(CreatorBuild, FourK24WithHdmiVic3AddsForumAndHdrBlocks)
{
    LoadedCreator c(NewEdidTemplate, true);
    c.state.CheckBox_VideoIdCode_93 = true;
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(c.record.hdmiVics[0], 3);
    const auto blocks = dataBlocks(c.record.image);
    ASSERT_GE(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], (Bytes{0x42, 0x10, 93}));
    const Bytes *hdmi = findBlock(blocks, 0x03, 0x0C, 0x00);
    ASSERT_NE(hdmi, nullptr);
    // CEC, byte 6, TMDS 0x3C, HDMI_Video_present, 3D byte, HDMI_VIC_LEN 1, HDMI_VIC 3.
    EXPECT_EQ(*hdmi, (Bytes{0x6B, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x80, 0x3C, 0x20, 0x00, 0x20, 0x03}));
    const Bytes *forum = findBlock(blocks, 0xD8, 0x5D, 0xC4);
    ASSERT_NE(forum, nullptr);
    EXPECT_EQ(*forum, (Bytes{0x67, 0xD8, 0x5D, 0xC4, 0x01, 0x3C, 0x80, 0x00}));
    EXPECT_NE(std::find(blocks.begin(), blocks.end(), Bytes{0xE3, 0x06, 0x03, 0x01}), blocks.end());
    EXPECT_EQ(edidValidationError(c.record.image), 0);
}

TEST(CreatorEncoder, MonitorNameOverwritesOnlyWhatItNeeds)
{
    EdidFeatureRecord rec = decoded(NewEdidTemplate);
    setFieldText(rec.monitorName, "ABC");
    encodeEdid(rec);
    // The old bytes after the new 0x0A stay as they were.
    EXPECT_EQ(bytesAt(rec.image, 95, 13),
              (Bytes{'A', 'B', 'C', 0x0A, 'd', 'N', 'e', 'w', 'E', 'd', 'i', 'd', 0x0A}));
    EXPECT_EQ(fieldText(decoded(rec.image).monitorName), "ABC");

    setFieldText(rec.monitorName, "ThirteenChars");
    encodeEdid(rec);
    EXPECT_EQ(bytesAt(rec.image, 95, 13), Bytes(std::begin("ThirteenChars"), std::end("ThirteenChars") - 1));
    EXPECT_EQ(rec.image[108], 0x00); // no 0x0A after a full name
}

TEST(CreatorEncoder, StandardTimingsMoveInOnePass)
{
    const std::uint16_t X = 0x8180, Y = 0xA940, E = 0x0101;
    struct Case
    {
        std::array<std::uint16_t, 8> in, out;
    };
    const Case cases[] = {
        {{E, E, X, E, E, E, E, E}, {E, X, E, E, E, E, E, E}},
        {{E, X, E, Y, E, E, E, E}, {X, E, Y, E, E, E, E, E}},
        {{X, Y, E, E, E, E, E, E}, {X, Y, E, E, E, E, E, E}},
        {{E, E, E, E, E, E, E, X}, {E, E, E, E, E, E, X, E}},
    };
    for (const Case &c : cases) {
        EdidFeatureRecord rec = decoded(NewEdidTemplate);
        rec.standardTimings = c.in;
        encodeEdid(rec);
        EXPECT_EQ(rec.standardTimings, c.out);
        for (std::size_t k = 0; k < 8; ++k) {
            EXPECT_EQ(rec.image[38 + 2 * k], c.out[k] >> 8);
            EXPECT_EQ(rec.image[39 + 2 * k], c.out[k] & 0xFF);
        }
    }
}

TEST(CreatorEncoder, ManufacturerLettersArePackedInFiveBits)
{
    struct Case
    {
        const char *letters;
        std::uint8_t b8, b9;
    };
    for (const Case &c : {Case{"NEW", 0x38, 0xB7}, Case{"ABC", 0x04, 0x43}, Case{"AB", 0x04, 0x40},
                          Case{"", 0x00, 0x00}, Case{"abc", 0x04, 0x43}}) {
        EdidFeatureRecord rec = decoded(NewEdidTemplate);
        setFieldText(rec.manufacturer, c.letters);
        encodeEdid(rec);
        EXPECT_EQ(rec.image[8], c.b8) << c.letters;
        EXPECT_EQ(rec.image[9], c.b9) << c.letters;
    }
}

TEST(CreatorEncoder, HdmiBlockByte8And3D)
{
    struct Case
    {
        const char *what;
        Bytes oldRest; // old HDMI block from byte 4 on
        bool threeD;
        std::array<std::uint8_t, 4> hdmiVics;
        Bytes expectRest;
    };
    const Case cases[] = {
        {"CNC bits keep byte 8 without HDMI_Video_present",
         {0x10, 0x00, 0x80, 0x21, 0x21, 0x80},
         false,
         {},
         {0x10, 0x00, 0x80, 0x21, 0x01}},
        {"latency fields stay, the 3D byte loses 3D_present",
         {0x10, 0x00, 0x00, 0x2D, 0xA0, 0x11, 0x22, 0xE0},
         false,
         {},
         {0x10, 0x00, 0x00, 0x21, 0xA0, 0x11, 0x22, 0x00}},
        {"3D without VICs on a short block",
         {0x10, 0x00},
         true,
         {},
         {0x10, 0x00, 0x80, 0x21, 0x20, 0x80, 0x00}},
        {"3D after the latency fields",
         {0x10, 0x00, 0x00, 0x2D, 0x80, 0x11, 0x22},
         true,
         {},
         {0x10, 0x00, 0x00, 0x21, 0xA0, 0x11, 0x22, 0x80, 0x00}},
        {"HDMI VICs with 3D",
         {0x10, 0x00, 0x80, 0x21},
         true,
         {1, 2, 0, 0},
         {0x10, 0x00, 0x80, 0x3C, 0x20, 0x80, 0x40, 0x01, 0x02}},
        {"HDMI VICs without 3D clear an old 3D byte",
         {0x10, 0x00, 0x80, 0x21, 0x20, 0xC0, 0x20, 0x04},
         false,
         {3, 0, 0, 0},
         {0x10, 0x00, 0x80, 0x3C, 0x20, 0x00, 0x20, 0x03}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EdidFeatureRecord rec = decoded(imageWithBlocks({videoBlock({16}), hdmiBlock(c.oldRest)}));
        rec.interfaceFlags = c.threeD ? InterfaceFlags::ThreeDPresent : 0;
        rec.hdmiVsdbByte6 = 0; // as the builder leaves it: only the colour depth bits
        rec.threeDLength = 0;
        rec.hdmiVics = c.hdmiVics;
        encodeEdid(rec);
        const auto blocks = dataBlocks(rec.image);
        const Bytes *hdmi = findBlock(blocks, 0x03, 0x0C, 0x00);
        ASSERT_NE(hdmi, nullptr);
        EXPECT_EQ(Bytes(hdmi->begin() + 4, hdmi->end()), c.expectRest);
        EXPECT_EQ((*hdmi)[0], 0x60 + hdmi->size() - 1);
        EXPECT_EQ(bool(decoded(rec.image).interfaceFlags & InterfaceFlags::ThreeDPresent), c.threeD);
    }
}

TEST(CreatorEncoder, BlocksComeInTheirOrder)
{
    // Old colorimetry metadata (plus MD0) and the old Forum block survive; the video capability
    // block is kept.
    EdidFeatureRecord rec = decoded(imageWithBlocks(
        {extendedBlock(5, {0x81, 0x02}), videoBlock({16, 4}), hfBlock({0x01, 0x78, 0x80, 0xF5}),
         extendedBlock(0, {0x40}), hdmiBlock({0x10, 0x00}), audioBlock({0x09, 0x07, 0x03})}));
    rec.hdrColorDepths = 0x02;
    rec.speakerAllocation = 0x010000;
    rec.hdrStatic = {0x05, 0x01, 0x50, 0, 0, 0};
    rec.y420Vics[0] = 97;
    encodeEdid(rec);
    const auto blocks = dataBlocks(rec.image);
    ASSERT_EQ(blocks.size(), 9u);
    EXPECT_EQ(blocks[0], (Bytes{0x42, 16, 4}));
    EXPECT_EQ(blocks[1], (Bytes{0x23, 0x09, 0x07, 0x03}));
    EXPECT_EQ(blocks[2], (Bytes{0x83, 0x01, 0x00, 0x00}));
    EXPECT_EQ(blocks[3][1], 0x03);
    // Forum byte 7: the 4:2:0 deep colour bits follow the HDR boxes; the bits above them stay.
    EXPECT_EQ(blocks[4], (Bytes{0x67, 0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x80, 0xF2}));
    EXPECT_EQ(blocks[5], (Bytes{0xE3, 0x05, 0x81, 0x03})); // metadata bits as they were, and MD0
    EXPECT_EQ(blocks[6], (Bytes{0xE2, 0x00, 0x40}));
    EXPECT_EQ(blocks[7], (Bytes{0xE4, 0x06, 0x05, 0x01, 0x50}));
    EXPECT_EQ(blocks[8], (Bytes{0xE2, 0x0E, 97}));
}

TEST(CreatorEncoder, ColorimetryBlockFollowsItsBoxes)
{
    EdidFeatureRecord rec = decoded(NewEdidTemplate);
    rec.colorimetry[0] = 0x20;
    encodeEdid(rec);
    auto blocks = dataBlocks(rec.image);
    // A new block declares gamut metadata profile MD0.
    EXPECT_NE(std::find(blocks.begin(), blocks.end(), Bytes{0xE3, 0x05, 0x20, 0x01}), blocks.end());
    rec.colorimetry[0] = 0;
    encodeEdid(rec);
    blocks = dataBlocks(rec.image);
    for (const Bytes &b : blocks)
        EXPECT_FALSE(b[0] == 0xE3 && b[1] == 0x05);
}

TEST(CreatorEncoder, ExtensionDetailedTimingsSurviveWhereTheyFit)
{
    // The HDMI block has both latency fields, so with 3D the block reaches its 31-byte limit.
    EdidImage img =
        imageWithBlocks({videoBlock({16}), hdmiBlock({0x10, 0x00, 0x80, 0x21, 0xC0, 1, 2, 3, 4})});
    const Bytes dtd = bytesAt(NewEdidTemplate, 54, 18);
    std::copy(dtd.begin(), dtd.end(), img.begin() + 128 + img[130]);
    setEdidChecksums(img);
    EdidFeatureRecord rec = decoded(img);
    encodeEdid(rec);
    EXPECT_EQ(bytesAt(rec.image, 128 + rec.image[130], 18), dtd);
    EXPECT_EQ(decoded(rec.image).extensionDtds[0], rec.extensionDtds[0]);

    // A full extension: every write stays before byte 255 and the sum is right.
    for (auto &sad : rec.sads)
        sad = {0x0F, 0x7F, 0x07};
    for (std::size_t i = 0; i < rec.svds.size(); ++i)
        rec.svds[i] = std::uint8_t(1 + i);
    rec.hdmiVics = {1, 2, 3, 4};
    rec.interfaceFlags = InterfaceFlags::ThreeDPresent;
    rec.threeDLength = 14;
    rec.threeDFlags = 0x80;
    rec.threeDData.fill(0x11);
    rec.speakerAllocation = 0x7F;
    rec.hdrStatic = {7, 1, 1, 1, 1, 0};
    rec.colorimetry[0] = 0xFF;
    encodeEdid(rec);
    EXPECT_TRUE(checksumsOk(rec.image));
    EXPECT_LE(rec.image[130], 127);
    std::size_t end = 132;
    for (const Bytes &b : dataBlocks(rec.image))
        end += b.size();
    EXPECT_EQ(end, 128u + rec.image[130]);
    const auto blocks = dataBlocks(rec.image);
    const Bytes *hdmi = findBlock(blocks, 0x03, 0x0C, 0x00);
    ASSERT_NE(hdmi, nullptr);
    EXPECT_EQ(hdmi->size(), 32u);      // a block holds at most 31 payload bytes
    EXPECT_EQ((*hdmi)[14], 0x80 + 13); // 4 HDMI VICs, the 3D bytes cut to what fits
}

TEST(CreatorBuild, BasicFreesOnlyItsOwnDescriptor)
{
    // 0x09 two-channel L-PCM, 0x08 one-channel L-PCM, 0x89 two-channel with the reserved bit.
    LoadedCreator c(
        imageWithBlocks({videoBlock({16}), audioBlock({0x09, 0x07, 0x01, 0x08, 0x07, 0x01, 0x89, 0x07, 0x01}),
                         hdmiBlock({0x10, 0x00})}));
    EXPECT_TRUE(c.state.CheckBox_AudioFormat_1);
    c.state.CheckBox_AudioFormat_1 = false;
    c.state.Edit_AudioLPCM_MaxCh = "1"; // keeps the one-channel descriptor's channel bits
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(c.record.sads[0][0], 0);
    EXPECT_EQ(c.record.sads[1][0], 0x08);
    EXPECT_EQ(c.record.sads[2][0], 0x89);
    EXPECT_EQ(dataBlocks(c.record.image)[1], (Bytes{0x26, 0x08, 0x07, 0x01, 0x89, 0x07, 0x01}));
}

TEST(CreatorBuild, AudioDescriptorsFollowTheControls)
{
    LoadedCreator c(NewEdidTemplate, true);
    c.state.Edit_AudioLPCM_MaxCh = "6";
    c.state.CheckBox_AudioFormat_3 = true; // AC-3 with its defaults
    c.state.CheckBox_AudioFormat_6 = true; // DTS with its own values
    c.state.Edit_AudioDTS_MaxCh = "8";
    c.state.CheckBox_AudioDTS_Freq_3 = true;
    c.state.Edit_AudioDTS_BitRate = " 1536";
    c.state.CheckBox_AudioFormat_7 = true; // DTS-HD: third byte always 1
    c.state.Edit_AudioDTSHD_MaxCh = "2";
    c.state.CheckBox_AudioDTSHD_Freq_1 = true;
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    const std::array<std::array<std::uint8_t, 3>, 5> expect = {{
        {0x09, 0x07, 0x03}, // the template's two-channel L-PCM
        {0x0D, 0x07, 0x03}, // six channels: 6 + 7, rates and sizes of the L-PCM boxes
        {0x15, 0x07, 80},   // AC-3 defaults
        {0x3F, 0x10, 192},  // DTS 8 channels, 96 kHz, 1536 / 8
        {0x59, 0x40, 0x01}, // DTS-HD 2 channels, 192 kHz
    }};
    for (std::size_t i = 0; i < expect.size(); ++i)
        EXPECT_EQ(c.record.sads[i], expect[i]) << i;
    EXPECT_EQ(c.record.sads[5][0], 0);

    // Back to two channels frees the multichannel descriptor; unchecking DTS frees its own.
    // Every build starts from the load, so the descriptors left fill the entries in order.
    c.state.Edit_AudioLPCM_MaxCh = "2";
    c.state.CheckBox_AudioFormat_6 = false;
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(c.record.sads[1][0], 0x15);
    EXPECT_EQ(c.record.sads[2][0], 0x59);
    EXPECT_EQ(c.record.sads[3][0], 0);
    EXPECT_EQ(c.record.audioFormats & (AudioFormatFlags::LpcmMulti | AudioFormatFlags::Dts), 0);
}

TEST(CreatorBuild, OpenAndSaveKeepsEveryLpcmDescriptor)
{
    // Multichannel listed before two-channel: the channel edit shows 8, so nothing is freed, and
    // each descriptor keeps its own rates and sizes, also when another L-PCM control changes.
    LoadedCreator c(
        imageWithBlocks({audioBlock({0x0F, 0x7F, 0x07, 0x09, 0x07, 0x01}), hdmiBlock({0x10, 0x00})}));
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(dataBlocks(c.record.image)[0], (Bytes{0x26, 0x0F, 0x7F, 0x07, 0x09, 0x07, 0x01}));
    c.state.CheckBox_AudioLPCM_SamBit_1 = true; // 24 bit: the sizes change, the rates stay
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(dataBlocks(c.record.image)[0], (Bytes{0x26, 0x0F, 0x7F, 0x05, 0x09, 0x07, 0x05}));
}

TEST(CreatorBuild, VideoBoxesAddOnceAndRemoveEveryEntry)
{
    LoadedCreator c(imageWithBlocks({videoBlock({16, 4, 16, 200}), hdmiBlock({0x10, 0x00})}));
    c.state.CheckBox_VideoIdCode_16 = false;
    c.state.CheckBox_VideoIdCode_4 = true;  // already listed: not again
    c.state.CheckBox_VideoIdCode_97 = true; // takes the first free entry
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(dataBlocks(c.record.image)[0], (Bytes{0x43, 97, 4, 200})); // 200 is a real format, kept
}

TEST(CreatorBuild, NativeVideoCodesStayNative)
{
    LoadedCreator c(imageWithBlocks({videoBlock({0x90, 4, 0x85}), hdmiBlock({0x10, 0x00})}));
    c.state.CheckBox_VideoIdCode_5 = false;
    c.state.CheckBox_VideoIdCode_19 = true;
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(dataBlocks(c.record.image)[0], (Bytes{0x43, 0x90, 4, 19}));
}

TEST(CreatorBuild, CecAddressDigitsAreHexadecimal)
{
    struct Case
    {
        const char *text;
        std::uint8_t a, b;
    };
    for (const Case &c : {Case{"1000", 0x10, 0x00}, Case{"1A00", 0x1A, 0x00}, Case{"12", 0x12, 0x00},
                          Case{"", 0, 0}, Case{"G-3F", 0x00, 0x3F}}) {
        LoadedCreator lc(NewEdidTemplate);
        lc.state.Edit_Creator_CEC_Address = c.text;
        ASSERT_TRUE(buildCreatorEdid(lc.state, lc.record));
        EXPECT_EQ(lc.record.cecAddress[0], c.a) << c.text;
        EXPECT_EQ(lc.record.cecAddress[1], c.b) << c.text;
    }
}

TEST(CreatorBuild, NumberTextsAndConversionErrors)
{
    LoadedCreator c(NewEdidTemplate);
    c.state.Edit_Creator_Product_Code = "  640";
    c.state.Edit_Creator_Serial_Number = "4294959999";
    c.state.Edit_HDR_DCLD_1 = "    0";
    c.state.Edit_Creator_Manufac_Year = "2245";
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(c.record.productCode, 640);
    EXPECT_EQ(c.record.serialNumber, 4294959999u);
    EXPECT_EQ(c.record.yearByte, 197); // 2245 modulo 256; the encoder makes it 2245 - 1990
    EXPECT_EQ(c.record.image[17], 255);

    const EdidFeatureRecord before = c.record;
    c.state.Edit_Creator_Manufac_Week = "1x";
    std::string error;
    EXPECT_FALSE(buildCreatorEdid(c.state, c.record, &error));
    EXPECT_EQ(error, "'1x' is not a valid integer value");
    EXPECT_EQ(c.record.image, before.image); // nothing built
}
