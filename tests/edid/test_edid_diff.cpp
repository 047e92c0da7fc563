// Comparing two EDIDs: the Analyzer answers, the decoded features and the changed byte runs that a
// known change brings, on the template and on real images; and kelmctl edid diff's exit status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "edid/EdidBinFile.h"
#include "edid/EdidDiff.h"
#include "edid/Json.h"
#include "edid/NewEdidTemplate.h"
#include "KelmctlRun.h"

namespace fs = std::filesystem;

namespace {

const EdidDiff::Feature *feature(const EdidDiff &d, const std::string &name)
{
    for (const auto &f : d.features)
        if (f.feature == name)
            return &f;
    return nullptr;
}

std::vector<std::string> answerRows(const EdidDiff &d)
{
    std::vector<std::string> rows;
    for (const auto &a : d.answers)
        rows.push_back(a.row);
    return rows;
}

std::vector<std::string> featureNames(const EdidDiff &d)
{
    std::vector<std::string> names;
    for (const auto &f : d.features)
        names.push_back(f.feature);
    return names;
}

// "block:offset:length:where" for every run.
std::vector<std::string> runs(const EdidDiff &d)
{
    std::vector<std::string> out;
    for (const auto &r : d.bytes)
        out.push_back(std::to_string(r.block) + ":" + std::to_string(r.offset) + ":" + std::to_string(r.length) +
                      ":" + r.where);
    return out;
}

EdidImage edited(const std::function<void(EdidImage &)> &edit)
{
    EdidImage img = NewEdidTemplate;
    edit(img);
    setEdidChecksums(img);
    return img;
}

} // namespace

TEST(EdidDiff, KnownChangesOfTheTemplate)
{
    struct Case
    {
        const char *what;
        std::function<void(EdidImage &)> edit;
        std::vector<std::string> answers;
        std::vector<std::string> features;
        std::vector<std::string> runs;
    };
    const Case cases[] = {
        {"nothing", [](EdidImage &) {}, {}, {}, {}},
        {"serial number",
         [](EdidImage &i) { i[12] = 0x2A; },
         {},
         {"Serial number"},
         {"0:12:1:vendor & product", "0:127:1:checksum"}},
        {"monitor name (first letter)",
         [](EdidImage &i) { i[95] = 'X'; },
         {"Monitor Name"},
         {"Monitor name"},
         {"0:95:1:descriptor 3", "0:127:1:checksum"}},
        {"week and year",
         [](EdidImage &i) { i[16] = 3, i[17] = 34; },
         {},
         {"Manufacture date"},
         {"0:16:2:vendor & product", "0:127:1:checksum"}},
        {"VIC 16 becomes 97",
         [](EdidImage &i) { i[133] = 97; },
         {"Max Resolution"},
         {"Video codes"},
         {"1:5:1:data blocks", "1:127:1:checksum"}},
        {"CEC address 2.0.0.0",
         [](EdidImage &i) { i[142] = 0x20; },
         {"CEC Address"},
         {"CEC address"},
         {"1:14:1:data blocks", "1:127:1:checksum"}},
        {"AC-3 instead of L-PCM",
         [](EdidImage &i) { i[135] = 0x15, i[137] = 0x50; },
         {"Audio Formats", "Audio Max Channel"},
         {"Audio formats"},
         {"1:7:1:data blocks", "1:9:1:data blocks", "1:127:1:checksum"}},
        {"3D present",
         [](EdidImage &i) {
             // HDMI block grows by two bytes (HDMI_Video_present, 3D_present) into the zero padding.
             i[138] = 0x6A, i[146] = 0x20, i[147] = 0x80, i[130] = 0x15;
         },
         {"Support 3D"},
         {"3D"},
         // Runs are cut where A's layout puts a new part.
         {"1:2:1:extension header", "1:10:1:data blocks", "1:18:1:data blocks", "1:19:1:detailed timing 1",
          "1:127:1:checksum"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const EdidDiff d = diffEdids(NewEdidTemplate, edited(c.edit));
        EXPECT_EQ(d.identical(), c.runs.empty());
        EXPECT_EQ(answerRows(d), c.answers);
        EXPECT_EQ(featureNames(d), c.features);
        EXPECT_EQ(runs(d), c.runs);
    }
}

TEST(EdidDiff, ListsNameWhatWasAddedAndRemoved)
{
    const EdidDiff d = diffEdids(NewEdidTemplate, edited([](EdidImage &i) { i[133] = 97; }));
    const auto *video = feature(d, "Video codes");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->added, std::vector<std::string>{"VIC 97 (4K 60Hz)"});
    EXPECT_EQ(video->removed, std::vector<std::string>{"VIC 16 (1080p 60Hz)"});
    ASSERT_EQ(d.answers.size(), 1u);
    EXPECT_EQ(d.answers[0].a, "1080p@60Hz");
    EXPECT_EQ(d.answers[0].b, "2160p@60Hz");
    // The same difference seen from the other side swaps added and removed.
    const EdidDiff back = diffEdids(edited([](EdidImage &i) { i[133] = 97; }), NewEdidTemplate);
    EXPECT_EQ(feature(back, "Video codes")->added, video->removed);
}

TEST(EdidDiff, AnInvalidImageIsComparedByItsAnswersAndBytesOnly)
{
    EdidImage bad = NewEdidTemplate;
    bad[7] = 0x01; // header
    const EdidDiff d = diffEdids(NewEdidTemplate, bad);
    EXPECT_TRUE(d.aValid);
    EXPECT_FALSE(d.bValid);
    EXPECT_TRUE(d.features.empty());
    ASSERT_FALSE(d.answers.empty());
    EXPECT_EQ(d.answers[0].row, "EDID Header");
    EXPECT_EQ(d.answers[0].b, "Illegal");
    EXPECT_EQ(runs(d), std::vector<std::string>{"0:7:1:header"});
}

TEST(EdidDiff, ARunNeverCrossesABlockAndCoversEveryDifferingByte)
{
    EdidImage a{}, b{};
    for (std::size_t i = 100; i < 160; ++i)
        b[i] = 1;
    const EdidDiff d = diffEdids(a, b);
    int covered = 0;
    for (const auto &r : d.bytes) {
        EXPECT_LE(r.offset + r.length, 128);
        EXPECT_EQ(int(r.a.size()), r.length);
        covered += r.length;
    }
    EXPECT_EQ(covered, 60);
    EXPECT_EQ(d.bytes.front().absolute(), 100);
}

// Two real images of the committed sample, a television and an AV receiver, of which we know what
// tells them apart.
TEST(EdidDiff, RealImagesWithAKnownDifference)
{
    const fs::path sample = fs::path(KELM_SOURCE_DIR) / "tests" / "data" / "edid";
    EdidImage tv, avr;
    ASSERT_TRUE(readEdidBinFile((sample / "00BA6CAC0B5F.bin").string(), tv));
    ASSERT_TRUE(readEdidBinFile((sample / "0295DEE6C8F9.bin").string(), avr));
    const EdidDiff d = diffEdids(tv, avr);
    ASSERT_EQ(answerRows(d), (std::vector<std::string>{"Manufacturer Name", "Monitor Name", "Max Resolution",
                                                        "Support 3D", "Support YUV420", "Support SCDC",
                                                        "Support 600MHz", "Support HDR", "Audio Formats",
                                                        "CEC Address"}));
    EXPECT_EQ(d.answers[0].a, "GSM");
    EXPECT_EQ(d.answers[0].b, "DON");
    EXPECT_EQ(d.answers[3].b, "Yes"); // 3D
    EXPECT_EQ(feature(d, "CEC address")->b, "2.6.0.0");
    EXPECT_EQ(feature(d, "HDR")->b, "none");
    const auto *video = feature(d, "Video codes");
    ASSERT_NE(video, nullptr);
    EXPECT_NE(std::find(video->removed.begin(), video->removed.end(), "VIC 93 (4K 24Hz)"), video->removed.end());
    EXPECT_NE(std::find(video->added.begin(), video->added.end(), "VIC 6 (480i 60Hz)"), video->added.end());
    // The tiny change kelmctl must find on a real image: one serial byte.
    EdidImage c = tv;
    c[13] ^= 0x01;
    setEdidChecksums(c);
    const EdidDiff one = diffEdids(tv, c);
    EXPECT_TRUE(one.answers.empty());
    EXPECT_EQ(featureNames(one), std::vector<std::string>{"Serial number"});
    EXPECT_EQ(runs(one), (std::vector<std::string>{"0:13:1:vendor & product", "0:127:1:checksum"}));
}

// kelmctl edid diff as a program: exit status and a JSON answer that parses.
TEST(EdidDiff, KelmctlExitStatusAndJson)
{
    char tmpl[] = "/tmp/kelm-diff-XXXXXX";
    const fs::path dir = mkdtemp(tmpl);
    const std::string a = (dir / "a.bin").string(), b = (dir / "b.bin").string();
    ASSERT_TRUE(writeEdidBinFile(a, NewEdidTemplate));
    ASSERT_TRUE(writeEdidBinFile(b, edited([](EdidImage &i) { i[133] = 97; })));
    auto run = [&](const std::string &args, std::string *out = nullptr) {
        return runShellCommand(std::string(KELMCTL_PATH) + " " + args + " 2>/dev/null", out);
    };
    const struct
    {
        std::string args;
        int status;
    } cases[] = {
        {"edid diff " + a + " " + a, 0},
        {"edid diff " + a + " " + b, 1},
        {"edid diff " + a, 2},
        {"edid diff " + a + " " + b + " --bogus", 2},
        {"edid diff " + a + " " + (dir / "missing.bin").string(), 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(run(c.args), c.status) << c.args;
    std::string out;
    ASSERT_EQ(run("edid diff " + a + " " + b + " --json", &out), 1);
    JsonValue v;
    std::string error;
    ASSERT_TRUE(parseJson(out, v, &error)) << error << out;
    EXPECT_FALSE(v.at("identical").get<bool>());
    EXPECT_EQ(v.at("answers").at(0).at("row"), "Max Resolution");
    EXPECT_EQ(v.at("features").at(0).at("added").at(0), "VIC 97 (4K 60Hz)");
    EXPECT_EQ(v.at("bytes").at(0).at("where"), "data blocks");
    fs::remove_all(dir);
}
