// Real EDIDs (KELM_CORPUS_DIR, else the committed sample): every file decodes and summarises, and
// the facts that both we and the reference decoder (edid-decode, run as a subprocess) report
// agree, except where a rule of ours differs on purpose. Those rules, and how the comparison
// allows for them:
//  1. Only images that pass our validation are decoded; edid-decode decodes anything. Images with
//     a wrong header or checksum, or more than one extension, are left out.
//  2. We don't look at block 1's tag: any extension is walked as CTA data blocks. The extension
//     facts are compared only where block 1 is a CTA-861 extension.
//  3. The monitor name descriptor's tag is found anywhere in the base block (the last one wins).
//     Names are not compared where the tag also occurs outside the four descriptor slots.
//  4. The record keeps the first 24 video codes, by position; codes 0, 128, 254 and 255 leave
//     their position empty. With several video data blocks a later one overwrites positions, so
//     the list is compared only for images with one video data block, over its first 24 codes.
//  5. Where byte 130 lies outside 4..127 the data block walk ends at the image's end instead;
//     the extension facts are not compared there.
//  6. A data block that starts before the detailed timings (byte 130) but runs past them is read
//     only up to them (timing bytes are never payload), and the walk ends there; edid-decode
//     decodes such a block whole or not at all. The extension facts are not compared for such
//     images.
//  7. Audio format flags exist for L-PCM (split at 2 channels), AC-3, E-AC-3, MAT, DTS, DTS-HD,
//     AAC LC and One Bit Audio; other codes are compared as "no flag". The channel maximum counts
//     every descriptor, extension-coded ones included, so it is compared only where every
//     descriptor has a base format code.
//  8. Names are Latin-1, a byte per character; edid-decode prints only their printable ASCII
//     characters, so names with other bytes are not compared.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "edid/EdidBinFile.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidSummary.h"
#include "tests/edid/EdidSampleImages.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> corpusFiles()
{
    std::printf("[          ] over %s\n", edidtest::edidImageSet().description().c_str());
    return edidtest::edidImageSet().files;
}

std::string edidDecodeProgram()
{
    for (const char *p : {"/usr/bin/edid-decode", "/usr/local/bin/edid-decode"})
        if (::access(p, X_OK) == 0)
            return p;
    return {};
}

// What edid-decode says about one file.
struct Reference
{
    std::string manufacturer;
    long model = -1;
    long week = -1, year = -1;
    std::optional<std::string> name;
    bool cta = false;
    int videoBlocks = 0;
    std::vector<int> vics;                  // of all video data blocks, in order
    std::vector<std::pair<int, int>> audio; // (format code, max channels or -1)
    bool hdmi = false, hf = false, scdc = false;
    long hfRate = -1;
    std::string cec;
};

const std::map<std::string, int> kAudioCodes = {
    {"Linear PCM", 1},
    {"AC-3", 2},
    {"MPEG 1 (Layers 1 & 2)", 3},
    {"MPEG 1 Layer 3 (MP3)", 4},
    {"MPEG2 (multichannel)", 5},
    {"AAC LC", 6},
    {"DTS", 7},
    {"ATRAC", 8},
    {"One Bit Audio", 9},
    {"Enhanced AC-3 (DD+)", 10},
    {"DTS-HD", 11},
    {"MAT (MLP)", 12},
    {"DST", 13},
    {"WMA Pro", 14},
};

Reference runEdidDecode(const std::string &program, const fs::path &file)
{
    Reference ref;
    const std::string cmd = program + " -s --skip-sha '" + file.string() + "' 2>/dev/null";
    std::FILE *p = ::popen(cmd.c_str(), "r");
    if (!p)
        return ref;
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        text.append(buf, n);
    ::pclose(p);

    static const std::regex blockRe(R"(^Block (\d+), (.*):$)");
    static const std::regex madeWeekRe(R"(^    Made in: week (\d+) of (\d+)$)");
    static const std::regex madeRe(R"(^    Made in: (\d+)$)");
    static const std::regex modelYearRe(R"(^    Model year: (\d+)$)");
    static const std::regex vicRe(R"(^    (?:VIC +(\d+):|Unknown \(VIC (\d+)\)))");
    static const std::regex channelsRe(R"(^      Max channels: (\d+)$)");
    static const std::regex cecRe(
        R"(^    Source physical address: ([0-9a-f])\.([0-9a-f])\.([0-9a-f])\.([0-9a-f])$)");
    static const std::regex rateRe(R"(^    Maximum TMDS Character Rate: (\d+) MHz$)");
    int block = -1;
    std::string section;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        std::smatch m;
        if (std::regex_match(line, m, blockRe)) {
            block = std::stoi(m[1]);
            section.clear();
            if (block == 1)
                ref.cta = m[2] == "CTA-861 Extension Block";
            continue;
        }
        if (block == 0) {
            if (line.rfind("    Manufacturer: ", 0) == 0)
                ref.manufacturer = line.substr(18);
            else if (line.rfind("    Model: ", 0) == 0)
                ref.model = std::stol(line.substr(11));
            else if (std::regex_match(line, m, madeWeekRe))
                ref.week = std::stol(m[1]), ref.year = std::stol(m[2]);
            else if (std::regex_match(line, m, madeRe))
                ref.week = 0, ref.year = std::stol(m[1]);
            else if (std::regex_match(line, m, modelYearRe))
                ref.week = 255, ref.year = std::stol(m[1]);
            else if (line.rfind("    Display Product Name: '", 0) == 0 && line.back() == '\'')
                ref.name = line.substr(27, line.size() - 28);
            continue;
        }
        if (block != 1)
            continue;
        if (line.size() > 3 && line.rfind("  ", 0) == 0 && line[2] != ' ' && line.back() == ':') {
            section = line.substr(2, line.size() - 3);
            if (section == "Video Data Block")
                ++ref.videoBlocks;
            if (section.find("Vendor-Specific Data Block (HDMI), OUI 00-0C-03") == 0)
                ref.hdmi = true;
            if (section.find("Vendor-Specific Data Block (HDMI Forum), OUI C4-5D-D8") == 0)
                ref.hf = true;
            continue;
        }
        if (section == "Video Data Block" && std::regex_search(line, m, vicRe)) {
            ref.vics.push_back(std::stoi(m[1].matched ? m[1].str() : m[2].str()));
        } else if (section == "Audio Data Block") {
            if (line.size() > 5 && line.rfind("    ", 0) == 0 && line[4] != ' ' && line.back() == ':') {
                const std::string fmt = line.substr(4, line.size() - 5);
                const auto it = kAudioCodes.find(fmt);
                ref.audio.emplace_back(it == kAudioCodes.end() ? 15 : it->second, -1);
            } else if (std::regex_match(line, m, channelsRe) && !ref.audio.empty()) {
                ref.audio.back().second = std::stoi(m[1]);
            }
        } else if (section.find("(HDMI), OUI") != std::string::npos && std::regex_match(line, m, cecRe)) {
            ref.cec = m[1].str() + m[2].str() + m[3].str() + m[4].str();
            for (char &c : ref.cec)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else if (section.find("(HDMI Forum), OUI") != std::string::npos) {
            if (std::regex_match(line, m, rateRe))
                ref.hfRate = std::stol(m[1]);
            else if (line == "    SCDC Present")
                ref.scdc = true;
        }
    }
    return ref;
}

bool nameTagOutsideSlots(const EdidImage &img)
{
    for (std::size_t i = 3; i <= 127; ++i)
        if (img[i - 3] == 0 && img[i - 2] == 0 && img[i - 1] == 0 && img[i] == 0xFC && img[i + 1] == 0 &&
            i != 57 && i != 75 && i != 93 && i != 111)
            return true;
    return false;
}

// A block that starts inside the data block collection but ends behind it.
bool blockRunsPastCollection(const EdidImage &img)
{
    const std::size_t end = std::min<std::size_t>(128 + img[130], 256);
    for (std::size_t off = 132; off < end; off += (img[off] & 0x1Fu) + 1u)
        if (off + (img[off] & 0x1Fu) >= end)
            return true;
    return false;
}

bool hasHdmiForumBlock(const EdidImage &img)
{
    std::size_t pos = 132;
    while (findDataBlock(img, CtaTag::Vendor, pos)) {
        if (img[pos + 1] == 0xD8 && img[pos + 2] == 0x5D && img[pos + 3] == 0xC4)
            return true;
        pos += (img[pos] & 0x1F) + 1u;
    }
    return false;
}

std::uint16_t flagsOf(const std::vector<std::pair<int, int>> &audio)
{
    std::uint16_t f = 0;
    for (const auto &[code, ch] : audio) {
        switch (code) {
        case 1:
            f |= ch > 2 ? AudioFormatFlags::LpcmMulti : AudioFormatFlags::Lpcm2;
            break;
        case 2:
            f |= AudioFormatFlags::Ac3;
            break;
        case 10:
            f |= AudioFormatFlags::EnhancedAc3;
            break;
        case 12:
            f |= AudioFormatFlags::Mat;
            break;
        case 7:
            f |= AudioFormatFlags::Dts;
            break;
        case 11:
            f |= AudioFormatFlags::DtsHd;
            break;
        case 6:
            f |= AudioFormatFlags::AacLc;
            break;
        case 9:
            f |= AudioFormatFlags::OneBitAudio;
            break;
        default:
            break;
        }
    }
    return f;
}

} // namespace

TEST(EdidCorpus, EveryFileDecodesAndSummarises)
{
    const auto files = corpusFiles();
    if (files.empty())
        GTEST_SKIP() << "no EDID images in the corpus folder nor in the committed sample";
    std::set<std::string> names = {"UNDEFINE."};
    for (const VicName &e : VicNameTable)
        if (e.vic)
            names.insert(e.name);
    int valid = 0;
    for (const auto &file : files) {
        SCOPED_TRACE(file.filename().string());
        EdidImage img;
        ASSERT_TRUE(readEdidBinFile(file.string(), img));
        EdidFeatureRecord r;
        const EdidSummary s = summariseEdid(r, img);
        const bool ok = (r.status & EdidStatus::ErrorMask) == 0;
        EXPECT_EQ(ok, edidValidationError(img) == 0);
        EXPECT_EQ(s.valid(), ok);
        EXPECT_EQ(r.image, img);
        if (img[126] > 1) {
            EXPECT_EQ(r.status, EdidStatus::OverBanks);
        }
        if (!ok)
            continue;
        ++valid;
        const std::string &best = s.answer(SummaryAnswer::MaxResolution);
        EXPECT_TRUE(names.count(best)) << best;
        EXPECT_LE(fieldText(r.monitorName).size(), 13u);
        EXPECT_LE(r.threeDLength, 14);
        EXPECT_TRUE(r.maxColorDepth == 8 || r.maxColorDepth == 10 || r.maxColorDepth == 12 ||
                    r.maxColorDepth == 16);
        // A second decode into the used record gives the same record.
        EdidFeatureRecord again = r;
        ASSERT_TRUE(decodeEdid(again, img));
        EXPECT_EQ(summaryOfRecord(again).rows().size(), 15u);
        EXPECT_EQ(again.svds, r.svds);
        EXPECT_EQ(again.sads, r.sads);
        EXPECT_EQ(again.interfaceFlags, r.interfaceFlags);
    }
    EXPECT_GT(valid, 0);
}

TEST(EdidCorpus, AgreesWithEdidDecode)
{
    const auto files = corpusFiles();
    if (files.empty())
        GTEST_SKIP() << "no EDID images in the corpus folder nor in the committed sample";
    const std::string program = edidDecodeProgram();
    if (program.empty())
        GTEST_SKIP() << "edid-decode not installed";

    int compared = 0, comparedCta = 0, vicLists = 0, names = 0, straddling = 0;
    for (const auto &file : files) {
        SCOPED_TRACE(file.filename().string());
        EdidImage img;
        ASSERT_TRUE(readEdidBinFile(file.string(), img));
        EdidFeatureRecord r;
        if (!decodeEdid(r, img))
            continue; // rule 1
        const Reference ref = runEdidDecode(program, file);
        ASSERT_FALSE(ref.manufacturer.empty()) << "edid-decode gave no answer";
        ++compared;

        EXPECT_EQ(fieldText(r.manufacturer), ref.manufacturer);
        EXPECT_EQ(r.productCode, ref.model);
        EXPECT_EQ(r.week, ref.week);
        EXPECT_EQ(r.yearByte + 1990, ref.year);
        const std::string name = fieldText(r.monitorName);
        const bool asciiName = std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
        if (!nameTagOutsideSlots(img) && asciiName) { // rules 3 and 8
            if (ref.name) {
                EXPECT_EQ(fieldText(r.monitorName), *ref.name);
                ++names;
            } else {
                EXPECT_EQ(fieldText(r.monitorName), "UNDEFINE.");
            }
        }

        if (img[126] != 1 || !ref.cta || img[130] < 4 || img[130] > 127) // rules 2 and 5
            continue;
        if (blockRunsPastCollection(img)) { // rule 6
            ++straddling;
            continue;
        }
        ++comparedCta;
        if (ref.videoBlocks == 1) { // rule 4
            std::vector<int> ours, theirs;
            std::size_t pos = 132;
            ASSERT_TRUE(findDataBlock(img, CtaTag::Video, pos));
            const std::size_t kept = std::min<std::size_t>(img[pos] & 0x1F, 24);
            for (std::size_t p = 0; p < kept; ++p)
                if (r.svds[p])
                    ours.push_back(r.svds[p]);
            for (std::size_t p = 0; p < std::min(kept, ref.vics.size()); ++p)
                if (ref.vics[p] != 0)
                    theirs.push_back(ref.vics[p]);
            EXPECT_EQ(ours, theirs);
            ++vicLists;
        }
        EXPECT_EQ(r.audioFormats, flagsOf(ref.audio)); // rule 7
        if (std::none_of(ref.audio.begin(), ref.audio.end(), [](auto a) { return a.first == 15; })) {
            int maxCh = 0;
            for (const auto &a : ref.audio)
                maxCh = std::max(maxCh, a.second);
            EXPECT_EQ(r.maxChannels, maxCh);
        }
        EXPECT_EQ((r.interfaceFlags & InterfaceFlags::HdmiBlock) != 0, ref.hdmi);
        if (ref.hdmi && !ref.cec.empty()) {
            char cec[5];
            std::snprintf(cec, sizeof cec, "%02X%02X", r.cecAddress[0], r.cecAddress[1]);
            EXPECT_EQ(cec, ref.cec);
        }
        EXPECT_EQ(hasHdmiForumBlock(img), ref.hf);
        if (ref.hf) {
            EXPECT_EQ(r.tmds600 == 1, ref.hfRate >= 600);
            EXPECT_EQ(r.scdcPresent == 1, ref.scdc);
        }
    }
    std::printf("compared %d images (%d with a CTA extension, %d VIC lists, %d names; %d left out by rule 6) "
                "with edid-decode\n",
                compared, comparedCta, vicLists, names, straddling);
    EXPECT_GT(comparedCta, 0);
}
