#include "firmware/FirmwareImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace firmware;
using ::testing::Each;
using ::testing::ElementsAre;

namespace {

std::vector<std::uint8_t> imageWithRecord(std::size_t length, const char *record, std::size_t recordLength)
{
    std::vector<std::uint8_t> image(length, 0x11);
    for (std::size_t i = 0; i < recordLength && kVersionRecordOffset + i < length; ++i)
        image[kVersionRecordOffset + i] = static_cast<std::uint8_t>(record[i]);
    return image;
}

std::vector<std::uint8_t> counting(std::size_t length)
{
    std::vector<std::uint8_t> image(length);
    for (std::size_t i = 0; i < length; ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return image;
}

} // namespace

TEST(FirmwareVersionRecord, ParsesAndFormats)
{
    struct Case
    {
        const char *name;
        std::size_t length;
        std::string record; // bytes from offset 512
        bool present;
        const char *line;
    };
    const Case cases[] = {
        {"typical", 4096,
         std::string("FW VER:\0v1.02\0\0\0"
                     "1A2B3C4D",
                     24),
         true, "Target :   VID-1A2B     PID-3C4D     Version-v1.02"},
        {"version fills 8 bytes", 4096,
         std::string("FW VER:xABCDEFGH"
                     "1A2B3C4D",
                     24),
         true, "Target :   VID-1A2B     PID-3C4D     Version-ABCDEFGH"},
        {"NUL inside VID", 4096,
         std::string("FW VER: 1\0\0\0\0\0\0\0"
                     "1A\0\0"
                     "3C4D",
                     24),
         true, "Target :   VID-1A     PID-3C4D     Version-1"},
        {"marker only, fields cut off by the end of the file", 519, "FW VER:", true,
         "Target :   VID-     PID-     Version-"},
        {"record cut in the PID", 534,
         std::string("FW VER: 2.0\0\0\0\0\0"
                     "ABCD12",
                     22),
         true, "Target :   VID-ABCD     PID-12     Version-2.0"},
        {"lower-case marker", 4096,
         std::string("fw ver: 1.0\0\0\0\0\0"
                     "1A2B3C4D",
                     24),
         false, ""},
        {"marker one byte short of the file", 518, "FW VER", false, ""},
        {"empty image", 0, "", false, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto image = imageWithRecord(c.length, c.record.data(), c.record.size());
        const auto record = parseVersionRecord(image);
        ASSERT_EQ(record.has_value(), c.present);
        if (record) {
            EXPECT_EQ(targetLine(*record), c.line);
        }
    }
}

TEST(FirmwareImageFile, ReadsRawBytesAndReportsMissingFiles)
{
    const auto path = std::filesystem::temp_directory_path() / "kelm_fw_read_test.bin";
    const auto bytes = counting(3000);
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    EXPECT_EQ(readImageFile(path.string()), bytes);
    std::filesystem::remove(path);
    EXPECT_FALSE(readImageFile(path.string()).has_value());
}

TEST(FirmwareGeometry, AddressEncodingsAndChunks)
{
    EXPECT_EQ(chunkSize(IspVariant::Isp029), 64u);
    EXPECT_EQ(chunkSize(IspVariant::Isp091), 128u);
    EXPECT_THAT(addressPayload(IspVariant::Isp029, 0x0040), ElementsAre(0x00, 0x40));
    EXPECT_THAT(addressPayload(IspVariant::Isp029, 0xFFC0), ElementsAre(0xFF, 0xC0));
    EXPECT_THAT(addressPayload(IspVariant::Isp091, 0x00011780), ElementsAre(0x00, 0x01, 0x17, 0x80));
    EXPECT_THAT(addressPayload(IspVariant::Isp091, 0x12345678), ElementsAre(0x12, 0x34, 0x56, 0x78));

    const auto image = counting(100);
    const auto tail = chunkAt(image, 64, 64);
    ASSERT_EQ(tail.size(), 64u);
    EXPECT_TRUE(std::equal(image.begin() + 64, image.end(), tail.begin()));
    EXPECT_THAT(std::vector<std::uint8_t>(tail.begin() + 36, tail.end()), Each(0xFF));
    EXPECT_THAT(chunkAt(image, 4096, 128), Each(0xFF));
}

TEST(FirmwareGeometry, SumsTextsAndLimits)
{
    const std::uint8_t ff[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(addToBlockSum(0xFFFE, std::span(ff, 1)), 0x00FD); // wraps at 16 bits
    EXPECT_EQ(addToBlockSum(0, ff), 1020);
    EXPECT_EQ(blockSumText(0), "00000");
    EXPECT_EQ(blockSumText(1020), "01020");
    EXPECT_EQ(blockSumText(65535), "65535");
    EXPECT_EQ(blockMismatchLine(0x800, "01234"), "Warnning: Add:800, Check:01234");
    EXPECT_EQ(blockMismatchLine(0x1000, "12"), "Warnning: Add:1000, Check:  12");
    EXPECT_EQ(blockMismatchLine(0xab00, ""), "Warnning: Add:ab00, Check:    ");
    EXPECT_EQ(sizeRefusal(IspVariant::Isp029, 65536), "");
    EXPECT_NE(sizeRefusal(IspVariant::Isp029, 65537), "");
    EXPECT_EQ(sizeRefusal(IspVariant::Isp091, 1 << 20), "");
    EXPECT_EQ(progressPercent(64, 100), 64);
    EXPECT_EQ(progressPercent(128, 6000), 2);
    EXPECT_EQ(progressPercent(5888, 6000), 98);
}

// --- the sequence ---------------------------------------------------------------------------------

namespace {

struct Sent
{
    UploadStep::Kind kind;
    std::uint32_t address; // Address: decoded payload; Data: the address it was sent for
    std::vector<std::uint8_t> payload;
    int pauseAfterMs;
    int pauseBeforeMs;
    int percent;
    std::string warning;
};

// Runs the sequencer against a device that writes chunks at the last address and answers every
// FW_CHK with the sum of the block (or with wrongSums[i] for the i-th check, when given).
struct UploadRun
{
    std::vector<Sent> steps;
    std::vector<std::uint8_t> flash;
    int checks = 0;
};

UploadRun runUpload(IspVariant variant, const std::vector<std::uint8_t> &image,
                    std::vector<std::string> answers = {})
{
    UploadRun run;
    UploadSequencer seq(variant, image);
    std::uint32_t lastAddress = 0;
    std::uint16_t deviceSum = 0;
    std::string rx;
    std::size_t answer = 0;
    for (int guard = 0; !seq.done() && guard < 100000; ++guard) {
        UploadStep s = seq.next(rx);
        Sent sent{s.kind, 0, s.payload, s.pauseAfterMs, s.pauseBeforeMs, s.percent, s.warning};
        switch (s.kind) {
        case UploadStep::Kind::Address:
            lastAddress = 0;
            for (std::uint8_t b : s.payload)
                lastAddress = (lastAddress << 8) | b;
            sent.address = lastAddress;
            if (lastAddress % kBlockSize == 0)
                deviceSum = 0;
            rx.clear();
            break;
        case UploadStep::Kind::Data:
            sent.address = lastAddress;
            if (run.flash.size() < lastAddress + s.payload.size())
                run.flash.resize(lastAddress + s.payload.size());
            std::copy(s.payload.begin(), s.payload.end(), run.flash.begin() + lastAddress);
            deviceSum = addToBlockSum(deviceSum, s.payload);
            rx.clear();
            break;
        case UploadStep::Kind::Check:
            ++run.checks;
            rx = "$CHK" + (answer < answers.size() ? answers[answer] : blockSumText(deviceSum)) + "ABCD\n";
            ++answer;
            break;
        default:
            break;
        }
        run.steps.push_back(std::move(sent));
    }
    EXPECT_TRUE(seq.done());
    return run;
}

std::vector<std::uint32_t> addressesOf(const UploadRun &run, UploadStep::Kind kind)
{
    std::vector<std::uint32_t> out;
    for (const Sent &s : run.steps)
        if (s.kind == kind)
            out.push_back(s.address);
    return out;
}

std::vector<UploadStep::Kind> kindsOf(const UploadRun &run)
{
    std::vector<UploadStep::Kind> out;
    for (const Sent &s : run.steps)
        out.push_back(s.kind);
    return out;
}

using K = UploadStep::Kind;

} // namespace

TEST(UploadSequence, Variant1HundredBytes)
{
    const auto image = counting(100);
    const UploadRun run = runUpload(IspVariant::Isp029, image);
    EXPECT_THAT(kindsOf(run), ElementsAre(K::Address, K::Data, K::Address, K::Data, K::End));
    EXPECT_THAT(run.steps[0].payload, ElementsAre(0x00, 0x00));
    EXPECT_THAT(run.steps[2].payload, ElementsAre(0x00, 0x40));
    EXPECT_EQ(run.steps[1].payload, std::vector<std::uint8_t>(image.begin(), image.begin() + 64));
    ASSERT_EQ(run.steps[3].payload.size(), 64u);
    EXPECT_TRUE(std::equal(image.begin() + 64, image.end(), run.steps[3].payload.begin()));
    EXPECT_THAT(std::vector<std::uint8_t>(run.steps[3].payload.begin() + 36, run.steps[3].payload.end()),
                Each(0xFF));
    EXPECT_EQ(run.steps[1].percent, 64);
    EXPECT_EQ(run.steps[3].percent, -1);
    EXPECT_EQ(run.steps[4].percent, 100);
    for (const Sent &s : run.steps) // variant 1 has no block pauses
        EXPECT_EQ(s.pauseAfterMs + s.pauseBeforeMs, 0);
}

TEST(UploadSequence, Variant2SixThousandBytes)
{
    const auto image = counting(6000);
    const UploadRun run = runUpload(IspVariant::Isp091, image);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t a = 0; a < 6000; a += 128)
        expected.push_back(a);
    EXPECT_EQ(addressesOf(run, K::Data), expected);
    EXPECT_EQ(addressesOf(run, K::Address), expected);
    EXPECT_EQ(run.checks, 2);
    // A check follows exactly the chunks at 1920 and 3968; nothing but the end follows 5888.
    for (std::size_t i = 0; i + 1 < run.steps.size(); ++i) {
        if (run.steps[i + 1].kind == K::Check && run.steps[i].kind == K::Data) {
            EXPECT_TRUE(run.steps[i].address == 1920 || run.steps[i].address == 3968) << run.steps[i].address;
        }
    }
    const Sent &last = run.steps[run.steps.size() - 2];
    EXPECT_EQ(last.kind, K::Data);
    EXPECT_EQ(last.address, 5888u);
    EXPECT_THAT(std::vector<std::uint8_t>(last.payload.begin() + 112, last.payload.end()), Each(0xFF));
    EXPECT_EQ(run.steps.back().kind, K::End);
    EXPECT_EQ(run.steps.back().pauseBeforeMs, 50);
    for (const Sent &s : run.steps) {
        if (s.kind == K::Data) {
            EXPECT_EQ(s.pauseAfterMs, s.address % 2048 == 0 ? 100 : 0) << s.address;
        }
    }
    EXPECT_TRUE(std::equal(image.begin(), image.end(), run.flash.begin()));
}

TEST(UploadSequence, Variant2MismatchResendsTheBlock)
{
    const auto image = counting(4096);
    const UploadRun run = runUpload(IspVariant::Isp091, image, {"99999"});
    std::vector<std::uint32_t> expected;
    for (std::uint32_t a = 0; a < 2048; a += 128)
        expected.push_back(a);
    for (std::uint32_t a = 0; a < 4096; a += 128) // the first block again, then the second
        expected.push_back(a);
    EXPECT_EQ(addressesOf(run, K::Data), expected);
    std::vector<std::string> warnings;
    for (const Sent &s : run.steps)
        if (!s.warning.empty())
            warnings.push_back(s.warning);
    EXPECT_THAT(warnings, ElementsAre("Warnning: Add:800, Check:99999ABCD"));
    EXPECT_EQ(image, run.flash);
}

TEST(UploadSequence, WholeBlocksEndRightAfterTheLastCheck)
{
    for (std::size_t length : {2048u, 4096u, 2000u}) {
        SCOPED_TRACE(length);
        const UploadRun run = runUpload(IspVariant::Isp091, counting(length));
        ASSERT_GE(run.steps.size(), 3u);
        EXPECT_EQ(run.steps.back().kind, K::End);
        EXPECT_EQ(run.steps[run.steps.size() - 2].kind, K::Verdict);
        EXPECT_EQ(addressesOf(run, K::Data).back(), 1920u + 2048u * (length / 2048 == 2));
    }
}

TEST(UploadSequence, CheckWaitsForAWholeAnswer)
{
    const auto image = counting(2048);
    UploadSequencer seq(IspVariant::Isp091, image);
    while (!seq.checking())
        seq.next();
    EXPECT_EQ(seq.next("").kind, K::Check);
    EXPECT_EQ(seq.next("garbage").kind, K::Check);
    EXPECT_EQ(seq.next("$CHK12").kind, K::Wait);
    // A whole line too short to hold a sum is a mismatch: the block goes again.
    const UploadStep shortLine = seq.next("$CHK12\n");
    EXPECT_EQ(shortLine.kind, K::Verdict);
    EXPECT_EQ(shortLine.warning, "Warnning: Add:800, Check:  12");
    EXPECT_EQ(seq.address(), 0u);
    while (!seq.checking())
        seq.next();
    std::uint16_t sum = addToBlockSum(0, image);
    const UploadStep verdict = seq.next("xx$CHK" + blockSumText(sum) + "\n");
    EXPECT_EQ(verdict.kind, K::Verdict);
    EXPECT_EQ(verdict.warning, "");
    EXPECT_EQ(seq.next().kind, K::End);
    EXPECT_TRUE(seq.done());
}

TEST(UploadSequence, EmptyImageStillEnds)
{
    const UploadRun run = runUpload(IspVariant::Isp029, {});
    EXPECT_THAT(kindsOf(run), ElementsAre(K::Address, K::Data, K::End));
}
