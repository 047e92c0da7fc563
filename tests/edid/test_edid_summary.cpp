// The analysis summary: label texts, the audio list's single wrap, and invalid images.
#include <gtest/gtest.h>

#include "EdidTestImages.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidSummary.h"

using namespace edidtest;

namespace {
std::vector<std::string> texts(const EdidSummary &s)
{
    std::vector<std::string> out;
    for (const auto &row : s.rows())
        out.push_back(*row.text);
    return out;
}
EdidSummary summaryOf(const EdidImage &img)
{
    EdidFeatureRecord r;
    return summariseEdid(r, img);
}
} // namespace

TEST(EdidSummary, NewTemplate)
{
    const EdidSummary s = summaryOf(NewEdidTemplate);
    EXPECT_EQ(texts(s),
              (std::vector<std::string>{"Good", "Good", "HDMI", "NEW", "BrandNewEdid", "1080p@60Hz", "8bit",
                                        "No", "No", "No", "No", "No", "2PCM,", "2CH", "1000"}));
    EXPECT_EQ(s.panel10Height, 23);
    EXPECT_EQ(s.modifyGlyph, EdidSummary::ModifyGlyph::Color);
    EXPECT_STREQ(s.modifyGlyphName(), "ModifyColor");
}

TEST(EdidSummary, RowsInWindowOrder)
{
    const EdidSummary s = summaryOf(NewEdidTemplate);
    const auto rows = s.rows();
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_STREQ(rows[0].caption, "    EDID Header :");
    EXPECT_STREQ(rows[0].key, "EDID Header");
    EXPECT_STREQ(rows[12].labelName, "Label_Audio_Formats");
    EXPECT_STREQ(rows[12].caption, "    Audio Formats :");
    EXPECT_STREQ(rows[13].key, "Audio Max Channel");
    EXPECT_STREQ(rows[14].labelName, "Label_CEC_Address");
}

TEST(EdidSummary, FormatAndFlags)
{
    struct Case
    {
        const char *name;
        EdidImage image;
        const char *format, *best, *channels, *cec;
    };
    const Case cases[] = {
        {"no extension", imageWithoutExtension(), "DVI", "UNDEFINE.", "0CH", "0000"},
        {"extension without HDMI block", imageWithBlocks({videoBlock({4}), audioBlock({0x0D, 7, 7})}), "DVI",
         "720p@60Hz", "6CH", "0000"},
        {"HDMI block", imageWithBlocks({hdmiBlock({0xAB, 0x0C})}), "HDMI", "UNDEFINE.", "0CH", "AB0C"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const EdidSummary s = summaryOf(c.image);
        EXPECT_EQ(s.Label_Edid_Format, c.format);
        EXPECT_EQ(s.Label_Max_Resolution, c.best);
        EXPECT_EQ(s.Label_Audio_Channel, c.channels);
        EXPECT_EQ(s.Label_CEC_Address, c.cec);
    }
}

TEST(EdidSummary, HdrTexts)
{
    struct Case
    {
        std::uint8_t bits;
        const char *text;
    };
    const Case cases[] = {{0x00, "No"},
                          {0x80, "8bit,"},
                          {0x01, "8bit,10bit,"},
                          {0x03, "8bit,10bit,12bit,"},
                          {0x04, "8bit,16bit,"},
                          {0x07, "8bit,10bit,12bit,16bit,"},
                          {0x86, "8bit,12bit,16bit,"}};
    for (const Case &c : cases) {
        EdidFeatureRecord r;
        ASSERT_TRUE(decodeEdid(r, NewEdidTemplate));
        r.hdrColorDepths = c.bits;
        EXPECT_EQ(summaryOfRecord(r).Label_Support_HDR, c.text) << int(c.bits);
    }
    // Decoded: an HDR block without an HDMI Forum block.
    EXPECT_EQ(summaryOf(imageWithBlocks({extendedBlock(6, {0x05, 0x01})})).Label_Support_HDR, "8bit,");
}

TEST(EdidSummary, YesNoLabelsAndColourDepth)
{
    const EdidImage img = imageWithBlocks({hdmiBlock({0x10, 0x00, 0x20, 0x3C, 0x20, 0x80, 0x00}),
                                           hfBlock({0x01, 0x78, 0x80, 0x01}), extendedBlock(15, {})});
    const EdidSummary s = summaryOf(img);
    EXPECT_EQ(s.Label_Max_ColorDepth, "12bit");
    EXPECT_EQ(s.Label_Support_3D, "Yes");
    EXPECT_EQ(s.Label_Support_YUV420, "Yes");
    EXPECT_EQ(s.Label_Support_SCDC, "Yes");
    EXPECT_EQ(s.Label_Support_600MHz, "Yes");
}

TEST(EdidSummary, EmptyMonitorNameShowsDash)
{
    EdidImage img = NewEdidTemplate;
    img[95] = 0x0A;
    setEdidChecksums(img);
    EXPECT_EQ(summaryOf(img).Label_Monitor_Name, "-");
}

TEST(EdidSummary, AudioListWrapsOnce)
{
    struct Case
    {
        const char *name;
        Bytes sads;
        const char *text;
        int height;
    };
    const Case cases[] = {
        {"all nine formats",
         {0x09, 7,    7, 0x0D, 7,    7, 0x15, 7,    7, 0x57, 7,    7, 0x67, 7,
          7,    0x3D, 7, 7,    0x5F, 7, 7,    0x31, 7, 7,    0x4D, 7, 7},
         "2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,\r\nDTS,DTSHD,AAC,OBA,",
         38},
        {"25 characters then one more item",
         {0x09, 7, 7, 0x0D, 7, 7, 0x15, 7, 7, 0x57, 7, 7, 0x3D, 7, 7},
         "2PCM,MPCM,DolbyD,DolbyD+,DTS,",
         23},
        {"none", {0x1D, 7, 7}, "", 23},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const EdidSummary s = summaryOf(imageWithBlocks({audioBlock(c.sads)}));
        EXPECT_EQ(s.Label_Audio_Formats, c.text);
        EXPECT_EQ(s.panel10Height, c.height);
    }
}

TEST(EdidSummary, AppendWrapsAfterMoreThan30Characters)
{
    EdidSummary s;
    appendAudioFormatText(s, std::string(30, 'x'));
    appendAudioFormatText(s, "A,");
    EXPECT_EQ(s.Label_Audio_Formats, std::string(30, 'x') + "A,") << "exactly 30 characters: no wrap yet";
    EXPECT_EQ(s.panel10Height, 23);
    appendAudioFormatText(s, "B,");
    EXPECT_EQ(s.Label_Audio_Formats, std::string(30, 'x') + "A,\r\nB,");
    EXPECT_EQ(s.panel10Height, 38);
    appendAudioFormatText(s, std::string(40, 'y'));
    appendAudioFormatText(s, "C,");
    EXPECT_EQ(s.Label_Audio_Formats.find("\r\n", s.Label_Audio_Formats.find("\r\n") + 1), std::string::npos)
        << "the list wraps at most once";
}

TEST(EdidSummary, InvalidImage)
{
    EdidImage bad = NewEdidTemplate;
    bad[127] ^= 1;
    const EdidSummary s = summaryOf(bad);
    std::vector<std::string> expected(15, "-");
    expected[0] = "Illegal";
    EXPECT_EQ(texts(s), expected);
    EXPECT_EQ(s.modifyGlyph, EdidSummary::ModifyGlyph::Gray);
    EXPECT_STREQ(s.modifyGlyphName(), "ModifyGray");
    // A record still holding an earlier error bit (validated, not decoded) is invalid too.
    EdidFeatureRecord r;
    ASSERT_TRUE(decodeEdid(r, NewEdidTemplate));
    r.status |= EdidStatus::OverBanks;
    EXPECT_EQ(summaryOfRecord(r).Label_Edid_Header, "Illegal");
}
