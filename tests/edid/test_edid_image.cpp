// Validation, the .bin format and the "NEW" template.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <unistd.h>

#include "EdidTestImages.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidFeatureRecord.h"

namespace fs = std::filesystem;
using namespace edidtest;

namespace {

EdidImage validWithExtensionCount(std::uint8_t count)
{
    EdidImage img = NewEdidTemplate;
    img[126] = count;
    setEdidChecksums(img);
    return img;
}

struct ValidationCase
{
    const char *name;
    EdidImage image;
    EdidStatusWord expected;
};

class TempDir
{
  public:
    TempDir()
    {
        char tmpl[] = "/tmp/kelm-edid-XXXXXX";
        m_path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(m_path); }
    fs::path operator/(const char *name) const { return m_path / name; }
    const fs::path &path() const { return m_path; }

  private:
    fs::path m_path;
};

void writeRaw(const fs::path &p, const Bytes &bytes)
{
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readRaw(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(EdidValidation, FirstFailingCheckSetsItsBitOnly)
{
    std::vector<ValidationCase> cases;
    cases.push_back({"template", NewEdidTemplate, 0});
    {
        // A wrong header wins over wrong checksums.
        EdidImage img = NewEdidTemplate;
        img[7] = 0x01;
        img[200] ^= 0x55;
        cases.push_back({"header byte 7", img, EdidStatus::BadHeader});
    }
    {
        EdidImage img = NewEdidTemplate;
        img[0] = 0x01;
        setEdidChecksums(img);
        cases.push_back({"header byte 0", img, EdidStatus::BadHeader});
    }
    {
        EdidImage img = NewEdidTemplate;
        img[20] ^= 1;
        cases.push_back({"checksum 0", img, EdidStatus::BadChecksum0});
    }
    {
        // Block 1 is not summed when there are too many extensions.
        EdidImage img = validWithExtensionCount(2);
        img[200] ^= 0x55;
        cases.push_back({"over banks", img, EdidStatus::OverBanks});
    }
    {
        // Without an extension the second half is never judged.
        EdidImage img = validWithExtensionCount(0);
        for (std::size_t i = 128; i < 256; ++i)
            img[i] = static_cast<std::uint8_t>(i * 7);
        cases.push_back({"no extension, corrupt second half", img, 0});
    }
    {
        EdidImage img = NewEdidTemplate;
        img[255] = static_cast<std::uint8_t>(img[255] + 1); // block 1 sums to 1
        cases.push_back({"checksum 1", img, EdidStatus::BadChecksum1});
    }
    {
        // Neither tag nor revision of block 1 matter.
        EdidImage img = NewEdidTemplate;
        img[128] = 0x70;
        img[129] = 0x99;
        setEdidChecksums(img);
        cases.push_back({"non-CTA extension", img, 0});
    }
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(edidValidationError(c.image), c.expected);
        EdidFeatureRecord record;
        record.image = c.image;
        record.status = EdidStatus::FromNew;
        EXPECT_EQ(validateEdidImage(record), c.expected == 0);
        EXPECT_EQ(record.status, EdidStatus::FromNew | c.expected);
        EXPECT_EQ(record.image, c.image) << "validation must not change the image";
    }
}

TEST(EdidValidation, BitsAccumulateUntilTheNextDecode)
{
    EdidFeatureRecord record;
    record.image = NewEdidTemplate;
    record.image[7] = 1;
    EXPECT_FALSE(validateEdidImage(record));
    record.image = validWithExtensionCount(3);
    EXPECT_FALSE(validateEdidImage(record));
    EXPECT_EQ(record.status, EdidStatus::BadHeader | EdidStatus::OverBanks);
    // A good image validates but clears nothing.
    record.image = NewEdidTemplate;
    EXPECT_TRUE(validateEdidImage(record));
    EXPECT_EQ(record.status, EdidStatus::BadHeader | EdidStatus::OverBanks);
    // The decoder clears the error bits and keeps the page bits.
    record.status |= EdidStatus::FromNew | EdidStatus::HoldsImage | EdidStatus::FieldOutOfLimits;
    EXPECT_TRUE(decodeEdid(record, NewEdidTemplate));
    EXPECT_EQ(record.status, EdidStatus::FromNew | EdidStatus::HoldsImage);
}

TEST(EdidValidation, MessagesInFixedOrder)
{
    EXPECT_TRUE(edidValidationMessages(0).empty());
    EXPECT_TRUE(edidValidationMessages(EdidStatus::FromNew | EdidStatus::FieldOutOfLimits).empty());
    const std::vector<std::string> all = {"Illegal Edid Header.", "Illegal Edid CheckSum0.",
                                          "Illegal Edid CheckSum1.", "Edid Over Banks."};
    EXPECT_EQ(edidValidationMessages(EdidStatus::ErrorMask | EdidStatus::HoldsImage), all);
    EXPECT_EQ(edidValidationMessages(EdidStatus::OverBanks | EdidStatus::BadChecksum1),
              (std::vector<std::string>{"Illegal Edid CheckSum1.", "Edid Over Banks."}));
}

TEST(EdidBinFile, ReadsExactly256BytesPaddingWith0xFF)
{
    TempDir dir;
    struct Case
    {
        const char *name;
        std::size_t size;
    };
    for (const Case &c : {Case{"empty", 0}, Case{"one byte", 1}, Case{"base block", 128}, Case{"exact", 256},
                          Case{"longer", 384}}) {
        SCOPED_TRACE(c.name);
        Bytes bytes(c.size);
        for (std::size_t i = 0; i < c.size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i % 251);
        const fs::path p = dir / "in.bin";
        writeRaw(p, bytes);
        EdidImage img;
        ASSERT_TRUE(readEdidBinFile(p.string(), img));
        for (std::size_t i = 0; i < 256; ++i)
            ASSERT_EQ(img[i], i < c.size ? bytes[i] : 0xFF) << "byte " << i;
    }
}

TEST(EdidBinFile, BaseBlockFileValidatesAndIsWrittenBackWhole)
{
    TempDir dir;
    EdidImage base = validWithExtensionCount(0);
    writeRaw(dir / "short.bin", Bytes(base.begin(), base.begin() + 128));
    EdidImage img;
    ASSERT_TRUE(readEdidBinFile((dir / "short.bin").string(), img));
    EXPECT_EQ(edidValidationError(img), 0);
    ASSERT_TRUE(writeEdidBinFile((dir / "out.bin").string(), img));
    const Bytes back = readRaw(dir / "out.bin");
    ASSERT_EQ(back.size(), 256u);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 128, base.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + 128, back.end(), [](std::uint8_t b) { return b == 0xFF; }));
}

TEST(EdidBinFile, FailedWritesLeaveTheOldFileAndNoLitter)
{
    TempDir dir;
    const fs::path target = dir / "keep.bin";
    writeRaw(target, Bytes(10, 0xAB));

    std::string error;
    EXPECT_FALSE(writeEdidBinFile((dir / "missing-folder/x.bin").string(), NewEdidTemplate, &error));
    EXPECT_NE(error.find("missing-folder"), std::string::npos);

    // The target is a folder: the replacement fails at the last step and must clean up.
    fs::create_directory(dir / "folder.bin");
    fs::path inner = dir / "folder.bin" / "inside";
    writeRaw(inner, Bytes(3, 1));
    EXPECT_FALSE(writeEdidBinFile((dir / "folder.bin").string(), NewEdidTemplate));
    EXPECT_TRUE(fs::is_directory(dir / "folder.bin"));

    EXPECT_EQ(readRaw(target), Bytes(10, 0xAB));
    ASSERT_TRUE(writeEdidBinFile(target.string(), NewEdidTemplate));
    EXPECT_EQ(readRaw(target), Bytes(NewEdidTemplate.begin(), NewEdidTemplate.end()));

    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder.bin", "keep.bin"}));
}

TEST(EdidBinFile, WritingThroughALinkReplacesItsTarget)
{
    TempDir dir;
    writeRaw(dir / "real.bin", Bytes(4, 0));
    fs::create_symlink(dir / "real.bin", dir / "link.bin");
    ASSERT_TRUE(writeEdidBinFile((dir / "link.bin").string(), NewEdidTemplate));
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
    EXPECT_EQ(readRaw(dir / "real.bin").size(), 256u);
}

TEST(EdidBinFile, UnreadableFileIsReportedAndImageUntouched)
{
    EdidImage img = NewEdidTemplate;
    std::string error;
    EXPECT_FALSE(readEdidBinFile("/nonexistent/edid.bin", img, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(img, NewEdidTemplate);
    TempDir dir;
    EXPECT_FALSE(readEdidBinFile(dir.path().string(), img, &error)) << "a folder is not a file";
    EXPECT_EQ(img, NewEdidTemplate);
}

TEST(NewEdidTemplate, BytesAsPublished)
{
    // Typed in again from the published table, row by row.
    const char *rows[] = {
        "00FFFFFFFFFFFF0038B7000000000000",  "0F190103801009780 2AEA5A6544C9926",
        "14505421000001010101010101010101",  "010101010101023A801871382D40582C",
        "4500A05A0000001E011D007251D01E20",  "6E285500A05A0000001E000000FC0042",
        "72616E644E657745646964 0A000000FD", "00313D0F4411000A20202020200001D3",
        "02031371411023090703680 30C001000", "80210000000000000000000000000000",
    };
    std::string hex;
    for (const char *r : rows)
        for (const char *p = r; *p; ++p)
            if (*p != ' ')
                hex += *p;
    hex.append(2 * (240 - 160), '0'); // 160-239 all zero
    hex += "000000000000000000000000000000C8";
    ASSERT_EQ(hex.size(), 512u);
    for (std::size_t i = 0; i < 256; ++i)
        EXPECT_EQ(NewEdidTemplate[i], std::stoi(hex.substr(2 * i, 2), nullptr, 16)) << "byte " << i;
    EXPECT_EQ(edidValidationError(NewEdidTemplate), 0);
    EXPECT_TRUE(edidBlockSumOk(NewEdidTemplate, 0));
    EXPECT_TRUE(edidBlockSumOk(NewEdidTemplate, 1));
}
