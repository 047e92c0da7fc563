// kelmctl edid state | build | roundtrip, run as the operator runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "edid/CreatorStateJson.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidDecoder.h"
#include "edid/NewEdidTemplate.h"
#include "KelmctlRun.h"
#include "tests/edid/CreatorTestSupport.h"
#include "tests/edid/EdidSampleImages.h"

namespace fs = std::filesystem;

namespace {

class CreatorCli : public KelmctlFixture
{
  protected:
    void SetUp() override
    {
        KelmctlFixture::SetUp();
        ASSERT_TRUE(writeEdidBinFile((dir / "new.bin").string(), NewEdidTemplate));
        EdidImage bad = NewEdidTemplate;
        bad[200] ^= 0x10;
        ASSERT_TRUE(writeEdidBinFile((dir / "bad.bin").string(), bad));
    }

    KelmctlResult kelmctl(const std::string &args) { return runLine(args); }
    EdidImage readImage(const std::string &name)
    {
        EdidImage img;
        EXPECT_TRUE(readEdidBinFile((dir / name).string(), img));
        return img;
    }
};

} // namespace

TEST_F(CreatorCli, StateShowsTheControls)
{
    KelmctlResult r = kelmctl("edid state new.bin --new --date 2026-12-07 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    JsonValue json;
    ASSERT_TRUE(parseJson(r.out, json)) << r.out;
    EXPECT_EQ(json.at("Edit_Creator_Manufac_Year").get<std::string>(), "2026");
    EXPECT_EQ(json.at("Edit_Creator_Manufac_Week").get<std::string>(), "50");
    EXPECT_TRUE(json.at("CheckBox_VideoIdCode_16").get<bool>());
    EXPECT_EQ(json.size(), creatorFields().size());

    r = kelmctl("edid state new.bin");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Edit_Creator_Manufac_Year: \"2015\"\n"), std::string::npos);
    EXPECT_NE(r.out.find("Edit_HDR_DCLD_1: \"    0\"\n"), std::string::npos);

    // An invalid image shows the placeholders and why.
    r = kelmctl("edid state bad.bin --json");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Illegal Edid CheckSum1.\n");
    ASSERT_TRUE(parseJson(r.out, json));
    EXPECT_EQ(json.at("Edit_Creator_Manufac_Name").get<std::string>(), "Error.");
}

TEST_F(CreatorCli, BuildSetsTheNamedControls)
{
    writeText("state.json", R"({"CheckBox_VideoIdCode_97": true, "CheckBox_HDR_2": true,
                               "Edit_Creator_Monitor_Name": "Bench", "Edit_Creator_Manufac_Year": "2020"})");
    KelmctlResult r = kelmctl("edid build new.bin state.json --new --date 2026-12-07 -o out.bin");
    ASSERT_EQ(r.status, 0) << r.err;
    EdidFeatureRecord rec;
    ASSERT_TRUE(decodeEdid(rec, readImage("out.bin")));
    EXPECT_EQ(fieldText(rec.monitorName), "Bench");
    EXPECT_EQ(rec.yearByte, 30);
    EXPECT_EQ(rec.week, 50);
    EXPECT_EQ(rec.svds[1], 97);
    EXPECT_EQ(rec.hfDeepColor420, 0x02);
}

TEST_F(CreatorCli, BuildRefusesWhatThePageRefuses)
{
    struct Case
    {
        const char *what;
        const char *json;
        const char *base;
        int status;
        const char *err;
    };
    const Case cases[] = {
        {"a field check", R"({"Edit_Creator_Manufac_Year": "1989"})", "new.bin", 1,
         "kelmctl: Edit_Creator_Manufac_Year: 1990~2245 Limited!\n"},
        {"a second-character channel count", R"({"Edit_AudioAC3_MaxCh": "08"})", "new.bin", 1,
         "kelmctl: Edit_AudioAC3_MaxCh: 8 MaxCH Limited!\n"},
        {"a conversion", R"({"Edit_Creator_Product_Code": "12a"})", "new.bin", 1,
         "kelmctl: Edit_Creator_Product_Code: '12a' is not a valid integer value\n"},
        {"HDR without 4K", R"({"CheckBox_HDR_1": true})", "new.bin", 1, "kelmctl: HDR Must Base On 4K!\n"},
        {"an unknown control", R"({"CheckBox_Nothing": true})", "new.bin", 1,
         "kelmctl: state.json: 'CheckBox_Nothing' is not a control of the EDID Creator.\n"},
        {"an invalid base", R"({})", "bad.bin", 1,
         "kelmctl: bad.bin is not a valid EDID, so nothing was built:\nIllegal Edid CheckSum1.\n"},
        {"no JSON", R"({"a": )", "new.bin", 1, nullptr},
        {"a control named twice", R"({"CheckBox_HDR_1": true, "CheckBox_HDR_1": false})", "new.bin", 1,
         "kelmctl: state.json is not valid JSON: invalid JSON: the key \"CheckBox_HDR_1\" appears twice in "
         "one object\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeText("state.json", c.json);
        KelmctlResult r = kelmctl(std::string("edid build ") + c.base + " state.json -o out.bin");
        EXPECT_EQ(r.status, c.status);
        if (c.err)
            EXPECT_EQ(r.err, c.err);
        else
            EXPECT_FALSE(r.err.empty());
        EXPECT_FALSE(fs::exists(dir / "out.bin"));
    }
}

TEST_F(CreatorCli, HdrRuleJudgesOnlyStatesThatSetItsBoxes)
{
    // A base whose Forum block offers 4:2:0 deep colour without any 4K format: the rule reacts to
    // clicks, so a state that leaves those boxes alone builds.
    const EdidImage base =
        edidtest::imageWithBlocks({creatortest::videoBlock({16}), creatortest::hdmiBlock({0x10, 0x00}),
                                   creatortest::hfBlock({0x01, 0x78, 0x80, 0x02})});
    ASSERT_TRUE(writeEdidBinFile((dir / "hdr.bin").string(), base));
    writeText("state.json", R"({"Edit_Creator_Monitor_Name": "X"})");
    KelmctlResult r = kelmctl("edid build hdr.bin state.json -o out.bin");
    EXPECT_EQ(r.status, 0) << r.err;
    writeText("state.json", R"({"CheckBox_HDR_3": true})");
    r = kelmctl("edid build hdr.bin state.json -o out2.bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kelmctl: HDR Must Base On 4K!\n");
    EXPECT_FALSE(fs::exists(dir / "out2.bin"));
}

TEST_F(CreatorCli, BuildNamesWhatItLeftOutOnStderr)
{
    // More than 24 video codes: a changed video list cannot hold the tail, and says so.
    fs::copy_file(fs::path(KELM_SOURCE_DIR) / "tests/data/edid/437B8E14C863.bin", dir / "long.bin");
    std::ofstream(dir / "state.json") << R"({"CheckBox_VideoIdCode_32": false})";
    KelmctlResult r = kelmctl("edid build long.bin state.json -o out.bin");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "kelmctl: warning: left out: 2 video codes past the 24 the creator holds.\n");
    EXPECT_EQ(edidValidationError(readImage("out.bin")), 0);
}

TEST_F(CreatorCli, RoundtripWritesOnlyValidImages)
{
    KelmctlResult r = kelmctl("edid roundtrip new.bin -o rt.bin");
    ASSERT_EQ(r.status, 0) << r.err;
    const EdidImage rt = readImage("rt.bin");
    EXPECT_EQ(edidValidationError(rt), 0);
    EXPECT_EQ(rt, NewEdidTemplate); // nothing changed: the template as it was loaded
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(fs::file_size(dir / "rt.bin"), 256u);

    r = kelmctl("edid roundtrip bad.bin -o rt2.bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Illegal Edid CheckSum1."), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "rt2.bin"));

    // Every invalid image of the corpus (or the sample) writes no file.
    int refused = 0;
    for (const fs::path &file : edidtest::edidImageSet().files) {
        EdidImage img;
        ASSERT_TRUE(readEdidBinFile(file.string(), img));
        if (edidValidationError(img) == 0)
            continue;
        r = kelmctl("edid roundtrip '" + file.string() + "' -o rt3.bin");
        EXPECT_EQ(r.status, 1) << file;
        EXPECT_FALSE(fs::exists(dir / "rt3.bin")) << file;
        ++refused;
    }
    EXPECT_GT(refused, 0);
}

TEST_F(CreatorCli, UsageErrors)
{
    for (const char *args :
         {"edid state", "edid state a.bin b.bin", "edid state new.bin --date 2026-02-30",
          "edid state new.bin --bogus", "edid build new.bin -o x.bin", "edid build new.bin s.json",
          "edid roundtrip new.bin", "edid roundtrip new.bin --new -o x.bin"}) {
        KelmctlResult r = kelmctl(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
        EXPECT_FALSE(fs::exists(dir / "x.bin"));
    }
}

TEST_F(CreatorCli, BuildJudgesOnlyTheFieldsItsStateSets)
{
    // Real images whose week (255, the model-year marker) or serial number (above the page's limit)
    // fail their check: loading them is no edit, so only a state that sets the field is refused.
    const fs::path samples = edidtest::edidSampleFolder();
    const std::string week255 = (samples / "069DEF0F18AB.bin").string();
    const std::string bigSerial = (samples / "F2F0DFD1872F.bin").string();
    struct Case
    {
        std::string base;
        const char *json;
        int status;
        const char *err;
    };
    const Case cases[] = {
        {week255, "{}", 0, ""},
        {week255, R"({"Edit_Creator_Monitor_Name": "X"})", 0, ""},
        {week255, R"({"Edit_Creator_Manufac_Week": "255"})", 1, "kelmctl: Edit_Creator_Manufac_Week: 53 Limited!\n"},
        {bigSerial, "{}", 0, ""},
        {bigSerial, R"({"Edit_Creator_Serial_Number": "4294967295"})", 1,
         "kelmctl: Edit_Creator_Serial_Number: 4 Billion Limited!\n"},
        {bigSerial, R"({"Edit_Creator_Serial_Number": "4294950000"})", 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.base + " " + c.json);
        fs::remove(dir / "out.bin");
        writeText("state.json", c.json);
        const KelmctlResult r = kelmctl("edid build '" + c.base + "' state.json -o out.bin");
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(fs::exists(dir / "out.bin"), c.status == 0);
    }
    // With nothing set, build writes what the round trip writes.
    writeText("state.json", "{}");
    ASSERT_EQ(kelmctl("edid build '" + week255 + "' state.json -o out.bin").status, 0);
    ASSERT_EQ(kelmctl("edid roundtrip '" + week255 + "' -o rt.bin").status, 0);
    EXPECT_EQ(readImage("out.bin"), readImage("rt.bin"));
    EXPECT_EQ(readImage("out.bin")[16], 255);
}

TEST_F(CreatorCli, TextsAreLatin1InDecodeInfoAndState)
{
    struct Case
    {
        const char *file;
        std::string name; // UTF-8 of the name's Latin-1 bytes
    };
    const Case cases[] = {
        {"0C7D7DAA9DB4-name-latin1.bin", "\u00B4\u00B4\u00CF\u00EB\u00BC\u00AF\u00CD\u00C5"},
        {"00BA6CAC0B5F-name-latin1.bin", "C\u00C3\u00A9"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = "'" + (edidtest::edidSampleFolder() / c.file).string() + "'";
        JsonValue json;
        KelmctlResult r = kelmctl("edid decode --json " + file);
        ASSERT_TRUE(parseJson(r.out, json)) << r.out;
        EXPECT_EQ(json.at("monitorName").get<std::string>(), c.name);
        r = kelmctl("edid info --json " + file);
        ASSERT_TRUE(parseJson(r.out, json)) << r.out;
        EXPECT_EQ(json.at("Monitor Name").get<std::string>(), c.name);
        r = kelmctl("edid info " + file);
        EXPECT_NE(r.out.find("    Monitor Name : " + c.name + "\n"), std::string::npos) << r.out;
        r = kelmctl("edid state --json " + file);
        ASSERT_TRUE(parseJson(r.out, json)) << r.out;
        EXPECT_EQ(json.at("Edit_Creator_Monitor_Name").get<std::string>(), c.name);
    }
}

TEST_F(CreatorCli, StateFilesAboveOneMebibyteAreRefusedUnread)
{
    // Valid JSON of 1 MiB and one byte: blanks before a one-control state.
    const std::string state = R"({"Edit_Creator_Monitor_Name": "Big"})";
    writeText("big.json", std::string(1024 * 1024 + 1 - state.size(), ' ') + state);
    KelmctlResult r = kelmctl("edid build new.bin big.json -o out.bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kelmctl: big.json is larger than 1 MiB; a creator state file is a few kilobytes.\n");
    EXPECT_FALSE(fs::exists(dir / "out.bin"));
    // Exactly 1 MiB is still read.
    writeText("big.json", std::string(1024 * 1024 - state.size(), ' ') + state);
    r = kelmctl("edid build new.bin big.json -o out.bin");
    EXPECT_EQ(r.status, 0) << r.err;
    EdidFeatureRecord rec;
    ASSERT_TRUE(decodeEdid(rec, readImage("out.bin")));
    EXPECT_EQ(fieldText(rec.monitorName), "Big");
}
