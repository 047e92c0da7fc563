// Loading an image into the creator controls.
#include <gtest/gtest.h>

#include "edid/CreatorBuilder.h"
#include "edid/CreatorTables.h"
#include "tests/edid/CreatorTestSupport.h"

using namespace creatortest;
using edidtest::imageWithBlocks;
using edidtest::imageWithoutExtension;

namespace {

std::vector<std::string> checkedFlags(const CreatorState &s)
{
    std::vector<std::string> names;
    for (const CreatorField &f : creatorFields())
        if (f.flag && s.*(f.flag))
            names.emplace_back(f.name);
    return names;
}

} // namespace

TEST(CreatorLoader, NewTemplate)
{
    LoadedCreator c(NewEdidTemplate, true);
    const CreatorState &s = c.state;
    EXPECT_EQ(s.Edit_Creator_Manufac_Name, "NEW");
    EXPECT_EQ(s.Edit_Creator_Monitor_Name, "BrandNewEdid");
    EXPECT_EQ(s.Edit_Creator_Product_Code, "0");
    EXPECT_EQ(s.Edit_Creator_Serial_Number, "0");
    EXPECT_EQ(s.Edit_Creator_Manufac_Year, "2026");
    EXPECT_EQ(s.Edit_Creator_Manufac_Week, "50");
    EXPECT_EQ(s.Edit_AudioLPCM_MaxCh, "2");
    EXPECT_EQ(s.Edit_Creator_CEC_Address, "1000");
    EXPECT_EQ(s.Edit_HDR_DCLD_1, "    0");
    EXPECT_EQ(s.Edit_AudioAC3_BitRate, "     0");
    EXPECT_EQ(checkedFlags(s),
              (std::vector<std::string>{
                  "CheckBox_EstablishTiming_3", "CheckBox_EstablishTiming_8", "CheckBox_VideoIdCode_16",
                  "CheckBox_AudioLPCM_Freq_5", "CheckBox_AudioLPCM_Freq_6", "CheckBox_AudioLPCM_Freq_7",
                  "CheckBox_AudioLPCM_SamBit_2", "CheckBox_AudioLPCM_SamBit_3", "CheckBox_AudioFormat_1",
                  "CheckBox_ColorSpace_1", "CheckBox_ColorSpace_2", "RadioButton_Edid_Fmt_Hdmi"}));
    // The same template opened from a file shows its own date.
    LoadedCreator file(NewEdidTemplate, false);
    EXPECT_EQ(file.state.Edit_Creator_Manufac_Year, "2015");
    EXPECT_EQ(file.state.Edit_Creator_Manufac_Week, "15");
}

TEST(CreatorLoader, IsoWeekNumbers)
{
    struct Case
    {
        CreatorDate date;
        unsigned week;
    };
    for (const Case &c :
         {Case{{2015, 1, 1}, 1}, Case{{2016, 1, 1}, 53}, Case{{2020, 12, 31}, 53}, Case{{2021, 1, 3}, 53},
          Case{{2021, 1, 4}, 1}, Case{{2018, 12, 31}, 1}, Case{{2026, 12, 7}, 50}, Case{{2024, 2, 29}, 9}})
        EXPECT_EQ(isoWeekNumber(c.date), c.week) << c.date.year << "-" << c.date.month << "-" << c.date.day;
}

TEST(CreatorLoader, HdmiVicsCheckTheFourKBoxes)
{
    struct Case
    {
        std::uint8_t hdmiVic;
        const char *box;
    };
    for (const Case &c : {Case{1, "CheckBox_VideoIdCode_95"}, Case{2, "CheckBox_VideoIdCode_94"},
                          Case{3, "CheckBox_VideoIdCode_93"}, Case{4, "CheckBox_VideoIdCode_93"}}) {
        LoadedCreator lc(imageWithBlocks(
            {videoBlock({16}), hdmiBlock({0x10, 0x00, 0x80, 0x3C, 0x20, 0x00, 0x20, c.hdmiVic})}));
        EXPECT_TRUE(*lc.state.flag(c.box)) << int(c.hdmiVic);
        const auto checked = checkedFlags(lc.state);
        EXPECT_EQ(
            std::count_if(checked.begin(), checked.end(),
                          [](const std::string &n) { return n.rfind("CheckBox_VideoIdCode_", 0) == 0; }),
            2); // the box and VIC 16
    }
}

TEST(CreatorLoader, AudioDescriptors)
{
    struct Case
    {
        const char *what;
        Bytes sads;
        std::vector<std::pair<const char *, const char *>> texts;
        std::vector<const char *> checked;
    };
    const Case cases[] = {
        {"six-channel L-PCM alone",
         {0x0D, 0x7F, 0x07},
         {{"Edit_AudioLPCM_MaxCh", "6"}},
         {"CheckBox_AudioLPCM_Freq_1", "CheckBox_AudioLPCM_Freq_2", "CheckBox_AudioLPCM_Freq_3",
          "CheckBox_AudioLPCM_Freq_4", "CheckBox_AudioLPCM_Freq_5", "CheckBox_AudioLPCM_Freq_6",
          "CheckBox_AudioLPCM_Freq_7", "CheckBox_AudioLPCM_SamBit_1", "CheckBox_AudioLPCM_SamBit_2",
          "CheckBox_AudioLPCM_SamBit_3"}},
        {"AC-3 with 640 kHz",
         {0x15, 0x07, 80},
         {{"Edit_AudioAC3_MaxCh", "6"}, {"Edit_AudioAC3_BitRate", "  640"}},
         {"CheckBox_AudioFormat_3", "CheckBox_AudioAC3_Freq_5", "CheckBox_AudioAC3_Freq_6",
          "CheckBox_AudioAC3_Freq_7"}},
        {"DTS with 1536 kHz",
         {0x3D, 0x06, 192},
         {{"Edit_AudioDTS_MaxCh", "6"}, {"Edit_AudioDTS_BitRate", " 1536"}},
         {"CheckBox_AudioFormat_6", "CheckBox_AudioDTS_Freq_5", "CheckBox_AudioDTS_Freq_6"}},
        {"AAC, MAT, One Bit Audio",
         {0x31, 0x01, 20, 0x67, 0x40, 0, 0x49, 0x02, 0},
         {{"Edit_AudioAAC_MaxCh", "2"},
          {"Edit_AudioAAC_BitRate", "  160"},
          {"Edit_AudioMAT_MaxCh", "8"},
          {"Edit_AudioOBA_MaxCh", "2"}},
         {"CheckBox_AudioFormat_5", "CheckBox_AudioMAT_Freq_1", "CheckBox_AudioFormat_8",
          "CheckBox_AudioAAC_Freq_7", "CheckBox_AudioFormat_9", "CheckBox_AudioOBA_Freq_6"}},
        {"two L-PCM: the later one sets the edit",
         {0x09, 0x07, 0x01, 0x0F, 0x10, 0x04},
         {{"Edit_AudioLPCM_MaxCh", "8"}},
         {"CheckBox_AudioLPCM_Freq_3", "CheckBox_AudioLPCM_SamBit_1", "CheckBox_AudioFormat_1"}},
        {"two L-PCM, multichannel first: the largest count sets the edit",
         {0x0F, 0x7F, 0x07, 0x09, 0x07, 0x01},
         {{"Edit_AudioLPCM_MaxCh", "8"}},
         {"CheckBox_AudioLPCM_Freq_5", "CheckBox_AudioLPCM_Freq_6", "CheckBox_AudioLPCM_Freq_7",
          "CheckBox_AudioLPCM_SamBit_3", "CheckBox_AudioFormat_1"}},
        {"an unknown format changes nothing", {0x1D, 0x07, 0x01}, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LoadedCreator lc(imageWithBlocks({audioBlock(c.sads), hdmiBlock({0x10, 0x00})}));
        for (const auto &[name, text] : c.texts)
            EXPECT_EQ(*lc.state.text(name), text) << name;
        std::vector<std::string> expect(c.checked.begin(), c.checked.end());
        expect.push_back("RadioButton_Edid_Fmt_Hdmi");
        std::vector<std::string> got;
        for (const std::string &n : checkedFlags(lc.state))
            if (n.find("Audio") != std::string::npos || n.find("RadioButton") != std::string::npos)
                got.push_back(n);
        std::sort(expect.begin(), expect.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expect);
    }
}

TEST(CreatorLoader, NoExtensionSelectsDviAndResetsAudio)
{
    CreatorState s;
    s.CheckBox_AudioFormat_3 = true;
    s.Edit_AudioAC3_MaxCh = "6";
    s.CheckBox_AudDetial_AC3 = true;
    EdidFeatureRecord rec;
    loadCreatorFromEdid(s, rec, imageWithoutExtension(), kToday);
    EXPECT_TRUE(s.RadioButton_Edid_Fmt_Dvi);
    EXPECT_FALSE(s.RadioButton_Edid_Fmt_Hdmi);
    const CreatorState fresh;
    for (const AudioFormatRow &row : audioFormatRows()) {
        EXPECT_FALSE(s.*(row.box.member));
        EXPECT_EQ(s.*(row.maxChannels.member), "0");
        if (row.detail.member) {
            EXPECT_FALSE(s.*(row.detail.member));
        }
    }
    EXPECT_EQ(s.Edit_AudioAC3_BitRate, fresh.Edit_AudioAC3_BitRate);
}

TEST(CreatorLoader, InvalidImageShowsPlaceholders)
{
    LoadedCreator good(NewEdidTemplate, true);
    CreatorState s = good.state;
    s.setFlag("RadioButton_Edid_Fmt_Dvi", true);
    s.CheckBox_AudDetial_DTS = true;
    EdidImage bad = NewEdidTemplate;
    bad[20] ^= 1;
    EdidFeatureRecord rec = good.record;
    loadCreatorFromEdid(s, rec, bad, kToday);
    EXPECT_EQ(rec.status & EdidStatus::ErrorMask, EdidStatus::BadChecksum0);
    EXPECT_EQ(rec.image, bad);
    EXPECT_EQ(s.Edit_Creator_Manufac_Name, "Error.");
    EXPECT_EQ(s.Edit_Creator_Monitor_Name, "Error.");
    for (const char *n : {"Edit_Creator_Product_Code", "Edit_Creator_Serial_Number",
                          "Edit_Creator_Manufac_Year", "Edit_Creator_Manufac_Week"})
        EXPECT_EQ(*s.text(n), "0");
    EXPECT_EQ(s.Edit_Creator_CEC_Address, "0000");
    EXPECT_EQ(s.Edit_HDR_DCLD_2, "    0");
    EXPECT_EQ(s.Edit_AudioDTS_BitRate, "     0");
    // Only the format radio buttons (left as they were) and the detail box stay set.
    EXPECT_EQ(checkedFlags(s),
              (std::vector<std::string>{"CheckBox_AudDetial_DTS", "RadioButton_Edid_Fmt_Dvi"}));
}

TEST(CreatorLoader, LargeSerialNumbersBuildBackTheSameBits)
{
    EdidImage img = NewEdidTemplate;
    img[12] = 0xFF, img[13] = 0xFF, img[14] = 0xFF, img[15] = 0xFF;
    setEdidChecksums(img);
    LoadedCreator c(img);
    EXPECT_EQ(c.state.Edit_Creator_Serial_Number, "4294967295");
    ASSERT_TRUE(buildCreatorEdid(c.state, c.record));
    EXPECT_EQ(bytesAt(c.record.image, 12, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(CreatorLoader, EmptyMonitorNameShowsADash)
{
    EdidImage img = NewEdidTemplate;
    img[95] = 0x0A;
    setEdidChecksums(img);
    LoadedCreator c(img);
    EXPECT_EQ(c.state.Edit_Creator_Monitor_Name, "-");
}
