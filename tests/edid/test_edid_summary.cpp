// The analysis summary: its answers as data, the audio list on one line, and invalid images. How the
// Analyzer window lays them out (captions, the single wrap, row height, Modify picture) is tested
// with the window's mapping (tests/workbench/tst_analyzer_view.cpp).
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
    EXPECT_TRUE(s.valid());
}

TEST(EdidSummary, RowsInListedOrder)
{
    const EdidSummary s = summaryOf(NewEdidTemplate);
    const auto rows = s.rows();
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_STREQ(rows[0].key, "EDID Header");
    EXPECT_EQ(rows[12].answer, SummaryAnswer::AudioFormats);
    EXPECT_STREQ(rows[12].key, "Audio Formats");
    EXPECT_STREQ(rows[13].key, "Audio Max Channel");
    EXPECT_EQ(rows[14].answer, SummaryAnswer::CecAddress);
    EXPECT_EQ(rows[14].text, &s.answer(SummaryAnswer::CecAddress));
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
        EXPECT_EQ(s.answer(SummaryAnswer::Format), c.format);
        EXPECT_EQ(s.answer(SummaryAnswer::MaxResolution), c.best);
        EXPECT_EQ(s.answer(SummaryAnswer::AudioChannels), c.channels);
        EXPECT_EQ(s.answer(SummaryAnswer::CecAddress), c.cec);
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
        EXPECT_EQ(summaryOfRecord(r).answer(SummaryAnswer::SupportHdr), c.text) << int(c.bits);
    }
    // Decoded: an HDR block without an HDMI Forum block.
    EXPECT_EQ(summaryOf(imageWithBlocks({extendedBlock(6, {0x05, 0x01})})).answer(SummaryAnswer::SupportHdr),
              "8bit,");
}

TEST(EdidSummary, YesNoLabelsAndColourDepth)
{
    const EdidImage img = imageWithBlocks({hdmiBlock({0x10, 0x00, 0x20, 0x3C, 0x20, 0x80, 0x00}),
                                           hfBlock({0x01, 0x78, 0x80, 0x01}), extendedBlock(15, {})});
    const EdidSummary s = summaryOf(img);
    EXPECT_EQ(s.answer(SummaryAnswer::MaxColorDepth), "12bit");
    EXPECT_EQ(s.answer(SummaryAnswer::Support3D), "Yes");
    EXPECT_EQ(s.answer(SummaryAnswer::SupportYuv420), "Yes");
    EXPECT_EQ(s.answer(SummaryAnswer::SupportScdc), "Yes");
    EXPECT_EQ(s.answer(SummaryAnswer::Support600MHz), "Yes");
}

TEST(EdidSummary, EmptyMonitorNameShowsDash)
{
    EdidImage img = NewEdidTemplate;
    img[95] = 0x0A;
    setEdidChecksums(img);
    EXPECT_EQ(summaryOf(img).answer(SummaryAnswer::MonitorName), "-");
}

TEST(EdidSummary, AudioListOnOneLine)
{
    struct Case
    {
        const char *name;
        Bytes sads;
        const char *text;
        std::size_t items;
    };
    const Case cases[] = {
        {"all nine formats",
         {0x09, 7,    7, 0x0D, 7,    7, 0x15, 7,    7, 0x57, 7,    7, 0x67, 7,
          7,    0x3D, 7, 7,    0x5F, 7, 7,    0x31, 7, 7,    0x4D, 7, 7},
         "2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,DTS,DTSHD,AAC,OBA,",
         9},
        {"25 characters then one more item",
         {0x09, 7, 7, 0x0D, 7, 7, 0x15, 7, 7, 0x57, 7, 7, 0x3D, 7, 7},
         "2PCM,MPCM,DolbyD,DolbyD+,DTS,",
         5},
        {"none", {0x1D, 7, 7}, "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const EdidSummary s = summaryOf(imageWithBlocks({audioBlock(c.sads)}));
        EXPECT_EQ(s.answer(SummaryAnswer::AudioFormats), c.text);
        ASSERT_EQ(s.audioFormatItems.size(), c.items);
        std::string joined;
        for (const std::string &item : s.audioFormatItems)
            joined += item;
        EXPECT_EQ(joined, c.text);
    }
}

TEST(EdidSummary, InvalidImage)
{
    EdidImage bad = NewEdidTemplate;
    bad[127] ^= 1;
    const EdidSummary s = summaryOf(bad);
    std::vector<std::string> expected(15, "-");
    expected[0] = "Illegal";
    EXPECT_EQ(texts(s), expected);
    EXPECT_FALSE(s.valid());
    EXPECT_TRUE(s.audioFormatItems.empty());
    // A record still holding an earlier error bit (validated, not decoded) is invalid too.
    EdidFeatureRecord r;
    ASSERT_TRUE(decodeEdid(r, NewEdidTemplate));
    r.status |= EdidStatus::OverBanks;
    EXPECT_EQ(summaryOfRecord(r).answer(SummaryAnswer::Header), "Illegal");
}
