// The committed sample of real EDIDs against its expected outputs, and what nothing but the user's
// edits may change: an extension without HDMI block, blocks running into the detailed timings, and
// texts that are Latin-1 bytes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "edid/CreatorBuilder.h"
#include "edid/CreatorStateJson.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidEncoder.h"
#include "edid/EdidJson.h"
#include "edid/EdidSummary.h"
#include "edid/Latin1Text.h"
#include "tests/edid/CreatorTestSupport.h"
#include "tests/edid/EdidSampleImages.h"

using namespace creatortest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> lines(const fs::path &file)
{
    std::ifstream in(file);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

EdidImage sample(const std::string &name)
{
    EdidImage img;
    EXPECT_TRUE(readEdidBinFile((edidtest::edidSampleFolder() / name).string(), img)) << name;
    return img;
}

// OPEN, set the controls, Save.
EdidImage built(const EdidImage &image, const std::function<void(CreatorState &)> &edit = {})
{
    LoadedCreator c(image);
    if (edit)
        edit(c.state);
    EXPECT_TRUE(buildCreatorEdid(c.state, c.record));
    return c.record.image;
}

Bytes blockOne(const EdidImage &img)
{
    return bytesAt(img, 128, 128);
}

} // namespace

TEST(EdidSamples, GiveTheirExpectedAnswersAndRoundTrips)
{
    const fs::path folder = edidtest::edidSampleFolder();
    const auto files = edidtest::binFilesIn(folder);
    const auto expected = lines(folder / "expected" / "info.jsonl");
    ASSERT_GE(files.size(), 20u);
    ASSERT_EQ(expected.size(), files.size());
    int roundTrips = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = files[i].filename().string();
        SCOPED_TRACE(name);
        EdidImage img;
        ASSERT_TRUE(readEdidBinFile(files[i].string(), img));
        EdidFeatureRecord rec;
        EXPECT_EQ(toJson(edidInfoToJson(name, summariseEdid(rec, img))), expected[i]);

        const fs::path roundTrip = folder / "expected" / "roundtrip" / name;
        if (rec.status & EdidStatus::ErrorMask) {
            EXPECT_FALSE(fs::exists(roundTrip)) << "an invalid image builds nothing";
            continue;
        }
        EdidImage want;
        ASSERT_TRUE(readEdidBinFile(roundTrip.string(), want));
        EXPECT_EQ(built(img), want);
        ++roundTrips;
    }
    EXPECT_GE(roundTrips, 20);
}

// Opening and saving an image whose extension has no HDMI block never loses that extension: over
// the corpus when it is there, else over the sample.
TEST(EdidSamples, ExtensionWithoutHdmiBlockSurvivesOpenAndSave)
{
    int kept = 0;
    for (const fs::path &file : edidtest::edidImageSet().files) {
        EdidImage img;
        ASSERT_TRUE(readEdidBinFile(file.string(), img));
        EdidFeatureRecord rec;
        if (!decodeEdid(rec, img) || !(rec.interfaceFlags & InterfaceFlags::NoHdmiBlock))
            continue;
        SCOPED_TRACE(file.filename().string());
        const EdidImage out = built(img);
        EXPECT_EQ(blockOne(out), blockOne(img));
        EXPECT_EQ(out[126], 1);
        EXPECT_EQ(edidValidationError(out), 0);
        EXPECT_EQ(summariseEdid(rec, out).answer(SummaryAnswer::Format), "DVI");
        ++kept;
    }
    std::printf("[          ] %d extensions without HDMI block kept, over %s\n", kept,
                edidtest::edidImageSet().description().c_str());
    EXPECT_GE(kept, 6);
}

TEST(EdidSamples, FormatSwitchDecidesAboutTheExtension)
{
    const EdidImage noHdmi = edidtest::imageWithBlocks(
        {videoBlock({16, 4}), audioBlock({0x09, 0x07, 0x07, 0x15, 0x07, 0x50}), extendedBlock(5, {0x81, 0x01})});
    auto setHdmi = [](bool hdmi) {
        return [hdmi](CreatorState &s) { s.setFlag(hdmi ? "RadioButton_Edid_Fmt_Hdmi" : "RadioButton_Edid_Fmt_Dvi", true); };
    };
    struct Case
    {
        const char *what;
        EdidImage image;
        std::function<EdidImage(const EdidImage &)> save;
        enum { Kept, Hdmi, Removed } block1;
    };
    const Case cases[] = {
        {"left at DVI", noHdmi, [&](const EdidImage &i) { return built(i); }, Case::Kept},
        {"left at DVI, a descriptor edited", noHdmi,
         [&](const EdidImage &i) {
             return built(i, [](CreatorState &s) { s.Edit_Creator_Monitor_Name = "Renamed"; });
         },
         Case::Kept},
        {"the extension's controls edited while DVI", noHdmi,
         [&](const EdidImage &i) { return built(i, [](CreatorState &s) { s.setFlag("CheckBox_VideoIdCode_97", true); }); },
         Case::Kept},
        {"switched to HDMI", noHdmi, [&](const EdidImage &i) { return built(i, setHdmi(true)); }, Case::Hdmi},
        {"switched to HDMI and back before building", noHdmi,
         [&](const EdidImage &i) {
             return built(i, [](CreatorState &s) {
                 s.setFlag("RadioButton_Edid_Fmt_Hdmi", true);
                 s.setFlag("RadioButton_Edid_Fmt_Dvi", true);
             });
         },
         Case::Kept},
        {"built as HDMI, then as DVI", noHdmi,
         [&](const EdidImage &i) {
             LoadedCreator c(i);
             c.state.setFlag("RadioButton_Edid_Fmt_Hdmi", true);
             EXPECT_TRUE(buildCreatorEdid(c.state, c.record));
             c.state.setFlag("RadioButton_Edid_Fmt_Dvi", true);
             EXPECT_TRUE(buildCreatorEdid(c.state, c.record));
             return c.record.image;
         },
         Case::Kept}, // every build starts from the load: back at DVI is back at what was loaded
        {"an HDMI image switched to DVI", NewEdidTemplate,
         [&](const EdidImage &i) { return built(i, setHdmi(false)); }, Case::Removed},
        {"no extension", edidtest::imageWithoutExtension(), [&](const EdidImage &i) { return built(i); },
         Case::Removed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const EdidImage out = c.save(c.image);
        EXPECT_EQ(edidValidationError(out), 0);
        EdidFeatureRecord rec;
        ASSERT_TRUE(decodeEdid(rec, out));
        switch (c.block1) {
        case Case::Kept:
            EXPECT_EQ(out[126], 1);
            EXPECT_EQ(blockOne(out), blockOne(c.image));
            break;
        case Case::Hdmi:
            EXPECT_EQ(out[126], 1);
            EXPECT_TRUE(rec.interfaceFlags & InterfaceFlags::HdmiBlock);
            EXPECT_EQ(rec.svds[0], 16);
            EXPECT_EQ(rec.svds[1], 4);
            break;
        case Case::Removed:
            EXPECT_EQ(out[126], 0);
            EXPECT_EQ(blockOne(out), Bytes(128, 0));
            break;
        }
    }
}

TEST(EdidSamples, BlockRunningIntoTheTimingsIsReadUpToThem)
{
    // The derived TV image: byte 130 one too low cuts the HDMI block's TMDS byte only.
    EdidFeatureRecord rec;
    const EdidSummary s = summariseEdid(rec, sample("760BCB41FF9B-byte130-23.bin"));
    EXPECT_EQ(s.answer(SummaryAnswer::Format), "HDMI");
    EXPECT_EQ(s.answer(SummaryAnswer::CecAddress), "1000");
    EXPECT_EQ(s.answer(SummaryAnswer::MaxColorDepth), "12bit");
    // Its unchanged round trip keeps HDMI, now with a whole block.
    const EdidImage out = built(sample("760BCB41FF9B-byte130-23.bin"));
    EXPECT_EQ(summariseEdid(rec, out).answer(SummaryAnswer::Format), "HDMI");
    EXPECT_EQ(rec.cecAddress, (std::array<std::uint8_t, 2>{0x10, 0x00}));
}

TEST(EdidSamples, TextsAreLatin1InEveryJsonOutput)
{
    struct Case
    {
        const char *file;
        std::string name; // the UTF-8 of the Latin-1 bytes
    };
    const Case cases[] = {
        {"0C7D7DAA9DB4-name-latin1.bin", "\u00B4\u00B4\u00CF\u00EB\u00BC\u00AF\u00CD\u00C5"},
        {"00BA6CAC0B5F-name-latin1.bin", "C\u00C3\u00A9"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        EdidFeatureRecord rec;
        const EdidSummary s = summariseEdid(rec, sample(c.file));
        std::string text;
        ASSERT_TRUE(latin1FromUtf8(c.name, text));
        EXPECT_EQ(s.answer(SummaryAnswer::MonitorName), text); // one byte per character
        JsonValue parsed;
        ASSERT_TRUE(parseJson(toJson(edidRecordToJson(rec)), parsed));
        EXPECT_EQ(parsed.at("monitorName").get<std::string>(), c.name);
        ASSERT_TRUE(parseJson(toJson(edidSummaryToJson(s)), parsed));
        EXPECT_EQ(parsed.at("Monitor Name").get<std::string>(), c.name);
        LoadedCreator loaded(sample(c.file));
        ASSERT_TRUE(parseJson(toJson(creatorStateToJson(loaded.state)), parsed));
        EXPECT_EQ(parsed.at("Edit_Creator_Monitor_Name").get<std::string>(), c.name);
    }
}

TEST(Latin1Text, EveryByteRoundTripsAndOtherTextIsRefused)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(char(b));
    std::string back;
    ASSERT_TRUE(latin1FromUtf8(utf8FromLatin1(all), back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(utf8FromLatin1("\xE9"), "\xC3\xA9");
    for (const char *text : {"\xE2\x82\xAC" /* euro sign */, "\xC3", "\xC3\x41", "\xFF"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(latin1FromUtf8(text, back));
    }
}
