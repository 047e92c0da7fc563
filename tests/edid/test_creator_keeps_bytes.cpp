// The creator edits the image it loaded: unchanged controls give back the loaded bytes, one change
// touches only the blocks of its control, a changed block keeps what no control represents, and
// what no longer fits is named.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "edid/CreatorBuilder.h"
#include "edid/CreatorMerge.h"
#include "edid/EdidBinFile.h"
#include "tests/edid/CreatorTestSupport.h"
#include "tests/edid/EdidSampleImages.h"

using namespace creatortest;
namespace fs = std::filesystem;

namespace {

EdidImage sample(const char *name)
{
    EdidImage img{};
    EXPECT_TRUE(readEdidBinFile((edidtest::edidSampleFolder() / name).string(), img)) << name;
    return img;
}

// A data block's kind: tag, the extended tag for tag 7, the OUI for tag 3.
constexpr int kForumKind = 0xD85DC4;
int kindOf(const Bytes &b)
{
    if ((b[0] >> 5) == 3 && b.size() > 3)
        return b[1] << 16 | b[2] << 8 | b[3];
    return (b[0] >> 5) == 7 && b.size() > 1 ? 700 + b[1] : b[0] >> 5;
}

std::vector<Bytes> withoutKind(std::vector<Bytes> blocks, int kind)
{
    blocks.erase(std::remove_if(blocks.begin(), blocks.end(), [&](const Bytes &b) { return kindOf(b) == kind; }),
                 blocks.end());
    return blocks;
}

// The 18-byte descriptors behind the data blocks, up to the first empty one.
std::vector<Bytes> timingsOf(const EdidImage &img)
{
    std::vector<Bytes> t;
    for (std::size_t off = 128 + img[130]; off + 18 <= 255; off += 18) {
        Bytes d = bytesAt(img, off, 18);
        if (d == Bytes(18, 0))
            break;
        t.push_back(d);
    }
    return t;
}

struct Built
{
    EdidImage image;
    std::vector<std::string> leftOut;
};

Built build(const EdidImage &img, const std::function<void(CreatorState &)> &change = {})
{
    LoadedCreator c(img);
    if (change)
        change(c.state);
    Built b;
    std::string error;
    EXPECT_TRUE(buildCreatorEdid(c.state, c.record, &error, &b.leftOut)) << error;
    b.image = c.record.image;
    return b;
}

} // namespace

TEST(CreatorKeepsBytes, UnchangedLoadBuildsTheLoadedImage)
{
    int valid = 0, identical = 0;
    for (const fs::path &file : edidtest::edidImageSet().files) {
        EdidImage img;
        ASSERT_TRUE(readEdidBinFile(file.string(), img));
        LoadedCreator c(img);
        if (c.record.status & EdidStatus::ErrorMask)
            continue;
        ++valid;
        SCOPED_TRACE(file.filename().string());
        const Built b = build(img);
        EXPECT_EQ(edidValidationError(b.image), 0);
        EXPECT_EQ(b.leftOut, std::vector<std::string>{});
        // Without an extension the second half of the file is unused.
        const std::size_t n = img[126] == 0 ? 128 : 256;
        if (bytesAt(b.image, 0, n) == bytesAt(img, 0, n))
            ++identical;
        else
            ADD_FAILURE() << "differs from the loaded image";
        // Building twice gives the same image.
        LoadedCreator twice(img);
        ASSERT_TRUE(buildCreatorEdid(twice.state, twice.record));
        ASSERT_TRUE(buildCreatorEdid(twice.state, twice.record));
        EXPECT_EQ(twice.record.image, b.image);
    }
    std::printf("[          ] %d of %d valid images built back unchanged, over %s\n", identical, valid,
                edidtest::edidImageSet().description().c_str());
    EXPECT_GE(valid, 20);
}

// (image, one change) -> only the bytes of that control's part may differ; every other block and
// the detailed timings stay byte for byte and in order, unless the build names what it left out.
TEST(CreatorKeepsBytes, OneChangeTouchesOnlyItsBlocks)
{
    struct Change
    {
        const char *what;
        std::function<void(CreatorState &)> apply;
        std::size_t baseFrom, baseTo; // base block bytes that may change (besides the checksum)
        int kind;                     // the data block kind that may change, 0 for none
    };
    auto toggle = [](const char *name) {
        return [name](CreatorState &s) { s.setFlag(name, !*s.flag(name)); };
    };
    const Change changes[] = {
        {"name", [](CreatorState &s) { s.Edit_Creator_Monitor_Name = "Renamed"; }, 54, 126, 0},
        {"one audio format", toggle("CheckBox_AudioFormat_3"), 0, 0, 1},
        {"one video code", toggle("CheckBox_VideoIdCode_32"), 0, 0, 2},
        {"HDR EOTF box", toggle("CheckBox_HDR_EOTF_1"), 0, 0, 706},
        {"HDR depth box", toggle("CheckBox_HDR_2"), 0, 0, kForumKind},
    };
    const char *images[] = {"437B8E14C863.bin", "EB4A9833D7C1.bin", "5DA59B61EF61.bin", "6EDC567282DA.bin",
                            "0295DEE6C8F9.bin", "0326F0139196.bin", "00BA6CAC0B5F.bin"};
    for (const char *name : images) {
        const EdidImage img = sample(name);
        for (const Change &c : changes) {
            SCOPED_TRACE(std::string(name) + ": " + c.what);
            const Built b = build(img, c.apply);
            EXPECT_EQ(edidValidationError(b.image), 0);
            for (std::size_t i = 0; i < 127; ++i) {
                const bool mayChange = i >= c.baseFrom && i < c.baseTo;
                EXPECT_TRUE(mayChange || b.image[i] == img[i]) << "base byte " << i;
            }
            EXPECT_EQ(b.image[131], img[131]);
            const auto before = withoutKind(dataBlocks(img), c.kind), after = withoutKind(dataBlocks(b.image), c.kind);
            if (b.leftOut.empty()) {
                EXPECT_EQ(after, before);
                EXPECT_EQ(timingsOf(b.image), timingsOf(img));
            } else {
                // Left out last-first: what stays is the loaded order's beginning.
                ASSERT_LE(after.size(), before.size());
                EXPECT_TRUE(std::equal(after.begin(), after.end(), before.begin()));
            }
            // The HDR depth bits live in the HDMI Forum block, which only 4K brings in.
            const bool hasBlockFor = c.kind != kForumKind || withoutKind(dataBlocks(img), c.kind) != dataBlocks(img);
            if (c.kind != 0 && hasBlockFor) {
                EXPECT_TRUE(dataBlocks(b.image) != dataBlocks(img) || !b.leftOut.empty()) << "the change shows";
            }
        }
    }
}

// A changed block keeps the loaded bits and fields no control represents.
TEST(CreatorKeepsBytes, ChangedBlockKeepsWhatNoControlShows)
{
    struct Case
    {
        const char *what;
        Bytes block;
        std::function<void(CreatorState &)> change;
        Bytes expected;
    };
    const Case cases[] = {
        {"HDMI: CEC changed; DVI_Dual, TMDS clock, latency and HDMI_VICs stay",
         hdmiBlock({0x10, 0x00, 0xB9, 0x78, 0xE0, 0x40, 0x50, 0x00, 0x00, 0x40, 0x02}),
         [](CreatorState &s) { s.Edit_Creator_CEC_Address = "2000"; },
         hdmiBlock({0x20, 0x00, 0xB9, 0x78, 0xE0, 0x40, 0x50, 0x00, 0x00, 0x40, 0x02})},
        {"HDMI: a 4K box added appends its HDMI_VIC behind the loaded ones",
         hdmiBlock({0x10, 0x00, 0x01, 0x3C, 0x20, 0x00, 0x40, 0x02, 0x01}),
         [](CreatorState &s) { s.CheckBox_VideoIdCode_93 = true; },
         hdmiBlock({0x10, 0x00, 0x01, 0x3C, 0x20, 0x00, 0x60, 0x02, 0x01, 0x03})},
        {"E-AC-3 rates changed: the object audio flags stay", audioBlock({0x09, 0x07, 0x07, 0x57, 0x06, 0x01}),
         [](CreatorState &s) { s.CheckBox_AudioEAC3_Freq_3 = true; },
         audioBlock({0x09, 0x07, 0x07, 0x57, 0x16, 0x01})},
        {"HDR: SDR box added, HLG stays", extendedBlock(6, {0x0C, 0x01}),
         [](CreatorState &s) { s.CheckBox_HDR_EOTF_3 = true; }, extendedBlock(6, {0x0D, 0x01})},
        {"speaker: FC added, the bits past the boxes stay", block(4, {}, {0x01, 0x10, 0x00}),
         [](CreatorState &s) { s.CheckBox_SpeakerPosition_6 = true; }, block(4, {}, {0x05, 0x10, 0x00})},
        {"colorimetry: a box added, the metadata byte stays", extendedBlock(5, {0x80, 0x00}),
         [](CreatorState &s) { s.CheckBox_Colorimetry_2 = true; }, extendedBlock(5, {0xC0, 0x00})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const bool hdmi = kindOf(c.block) == 0x030C00;
        // The video block lists the 4K formats the HDMI_VICs stand for, as a loaded image would.
        const Bytes video = videoBlock({16, 94, 95});
        const EdidImage img = hdmi ? edidtest::imageWithBlocks({video, c.block})
                                   : edidtest::imageWithBlocks({video, c.block, hdmiBlock({0x10, 0x00})});
        const Built b = build(img, c.change);
        const auto blocks = dataBlocks(b.image);
        ASSERT_GE(blocks.size(), 2u);
        EXPECT_EQ(blocks[1], c.expected);
        if (!c.change || std::string(c.what).find("4K") == std::string::npos) {
            EXPECT_EQ(blocks[0], video);
        }
    }
}

TEST(CreatorKeepsBytes, WhatNoLongerFitsIsNamed)
{
    // A nearly full extension without detailed timings: every audio format added pushes out the
    // last blocks, last first.
    const Built full = build(sample("EB4A9833D7C1.bin"), [](CreatorState &s) {
        s.Edit_AudioLPCM_MaxCh = "8";
        for (int n : {3, 4, 5, 6, 7, 8, 9})
            *s.flag("CheckBox_AudioFormat_" + std::to_string(n)) = true;
    });
    EXPECT_EQ(edidValidationError(full.image), 0);
    ASSERT_FALSE(full.leftOut.empty());
    EXPECT_EQ(full.leftOut[0], "vendor-specific data block 00-00-1A");
    EXPECT_EQ(dataBlocks(full.image).back(), dataBlocks(sample("EB4A9833D7C1.bin"))[dataBlocks(full.image).size() - 1]);
    // More than 24 video codes: changing the list says the tail is gone.
    const Built longList = build(sample("437B8E14C863.bin"), [](CreatorState &s) { s.CheckBox_VideoIdCode_32 = !s.CheckBox_VideoIdCode_32; });
    ASSERT_FALSE(longList.leftOut.empty());
    EXPECT_NE(longList.leftOut[0].find("video codes past the 24"), std::string::npos) << longList.leftOut[0];
    EXPECT_EQ(dataBlockName({0xE3, 0x0F, 0x00, 0x00}), "YCbCr 4:2:0 capability map data block");
    EXPECT_EQ(dataBlockName({0x67, 0x1A, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04}), "vendor-specific data block 00-00-1A");
}
