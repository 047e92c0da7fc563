// kelmctl edid new | validate | info | decode, run as a separate process on real files.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "edid/EdidImage.h"
#include "edid/Json.h"
#include "edid/NewEdidTemplate.h"
#include "KelmctlRun.h"
#include "tests/edid/EdidSampleImages.h"

namespace fs = std::filesystem;

namespace {

class KelmctlEdid : public KelmctlFixture
{
  protected:
    static std::vector<JsonValue> jsonLines(const std::string &text)
    {
        std::vector<JsonValue> out;
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t end = text.find('\n', pos);
            JsonValue v;
            EXPECT_TRUE(parseJson(text.substr(pos, end - pos), v)) << text.substr(pos, end - pos);
            out.push_back(v);
            pos = end == std::string::npos ? text.size() : end + 1;
        }
        return out;
    }
};

EdidImage badChecksum()
{
    EdidImage img = NewEdidTemplate;
    img[127] ^= 1;
    img[255] ^= 1;
    return img;
}

} // namespace

TEST_F(KelmctlEdid, NewWritesTheTemplate)
{
    const std::string out = (dir / "new.bin").string();
    const KelmctlResult r = run({"edid", "new", "-o", out});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string bytes = slurp(out);
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), NewEdidTemplate.begin(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
}

TEST_F(KelmctlEdid, UsageErrorsExitWith2AndOneSentence)
{
    const std::vector<std::vector<std::string>> cases = {
        {"edid"},
        {"edid", "frobnicate"},
        {"edid", "new"},
        {"edid", "new", "-o"},
        {"edid", "validate"},
        {"edid", "info", "--json"},
        {"edid", "info", "--bogus", "x.bin"},
        {"edid", "decode"},
    };
    for (const auto &args : cases) {
        const KelmctlResult r = run(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_TRUE(r.out.empty());
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

TEST_F(KelmctlEdid, ValidatePrintsTheMessagesAndFailsOnAnyInvalidFile)
{
    const std::string good = write("good.bin", NewEdidTemplate);
    const std::string bad = write("bad.bin", badChecksum());
    KelmctlResult r = run({"edid", "validate", good});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, good + ": valid\n");
    r = run({"edid", "validate", good, bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, good + ": valid\n" + bad + ": Illegal Edid CheckSum0.\n");
    r = run({"edid", "validate", "--json", bad});
    EXPECT_EQ(r.out,
              "{\"file\":\"" + bad + "\",\"valid\":false,\"messages\":[\"Illegal Edid CheckSum0.\"]}\n");
    r = run({"edid", "validate", good, (dir / "missing.bin").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.bin"), std::string::npos);
    EXPECT_EQ(r.out, good + ": valid\n") << "the other files are still checked";
}

TEST_F(KelmctlEdid, InfoJsonOneObjectPerFile)
{
    const std::string good = write("good.bin", NewEdidTemplate);
    const std::string bad = write("bad.bin", badChecksum());
    const KelmctlResult r = run({"edid", "info", good, bad, "--json"});
    EXPECT_EQ(r.status, 1) << "an invalid image fails the command";
    const auto lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 2u);
    const std::vector<std::string> keys = {
        "file",         "EDID Header",    "EDID Checksum",   "Content Format", "Manufacturer Name",
        "Monitor Name", "Max Resolution", "Max Color Depth", "Support 3D",     "Support YUV420",
        "Support SCDC", "Support 600MHz", "Support HDR",     "Audio Formats",  "Audio Max Channel",
        "CEC Address"};
    for (const auto &line : lines) {
        std::vector<std::string> got;
        for (const auto &m : line.items())
            got.push_back(m.key());
        EXPECT_EQ(got, keys);
    }
    EXPECT_EQ(lines[0].at("file").get<std::string>(), good);
    EXPECT_EQ(lines[0].at("Monitor Name").get<std::string>(), "BrandNewEdid");
    EXPECT_EQ(lines[0].at("CEC Address").get<std::string>(), "1000");
    EXPECT_EQ(lines[1].at("EDID Header").get<std::string>(), "Illegal");
    EXPECT_EQ(lines[1].at("CEC Address").get<std::string>(), "-");
}

TEST_F(KelmctlEdid, InfoTextShowsTheWindowRows)
{
    const KelmctlResult r = run({"edid", "info", write("good.bin", NewEdidTemplate)});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("    EDID Header : Good\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("    Audio Formats : 2PCM,\n"), std::string::npos);
    EXPECT_NE(r.out.find("    CEC Address : 1000\n"), std::string::npos);
}

TEST_F(KelmctlEdid, DecodeJsonCarriesTheRecord)
{
    // A 128-byte file: the base block alone, the rest read as 0xFF.
    EdidImage base = NewEdidTemplate;
    base[126] = 0;
    setEdidChecksums(base);
    const std::string shortFile = write("short.bin", base, 128);
    const KelmctlResult r = run({"edid", "decode", "--json", shortFile});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    const JsonValue &o = lines[0];
    EXPECT_EQ(o.begin().key(), "file");
    EXPECT_EQ(std::next(o.begin()).key(), "status");
    EXPECT_EQ(o.at("interfaceFlags").get<std::int64_t>(), 1);
    EXPECT_EQ(o.at("manufacturer").get<std::string>(), "NEW");
    EXPECT_EQ(o.at("maxResolutionName").get<std::string>(), "UNDEFINE.");
    const std::string hex = o.at("image").get<std::string>();
    ASSERT_EQ(hex.size(), 512u);
    EXPECT_EQ(hex.substr(0, 16), "00FFFFFFFFFFFF00");
    EXPECT_EQ(hex.substr(256), std::string(256, 'F'));
    EXPECT_EQ(o.at("svds").size(), 24u);
    EXPECT_EQ(o.at("sads").size(), 10u);
    EXPECT_EQ(o.at("standardTimings")[0].get<std::int64_t>(), 0x0101);
}

TEST_F(KelmctlEdid, CorpusFilesInOneCall)
{
    std::vector<std::string> files;
    for (const fs::path &f : edidtest::edidImageSet().files)
        if (files.size() < 40)
            files.push_back(f.string());
    ASSERT_FALSE(files.empty()) << edidtest::edidImageSet().description();
    std::vector<std::string> args = {"edid", "info", "--json"};
    args.insert(args.end(), files.begin(), files.end());
    const KelmctlResult r = run(args);
    EXPECT_NE(r.status, 2);
    const auto lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(lines[i].at("file").get<std::string>(), files[i]);
}

TEST_F(KelmctlEdid, LostOutputIsAFailure)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    const std::string good = write("good.bin", NewEdidTemplate);
    const std::string cmd =
        quote(KELMCTL_PATH) + " edid info --json " + quote(good) + " >/dev/full 2>/dev/null";
    const int raw = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
}

// One grammar for every command: long and short forms, global options on either side of the
// command, generated help, and the exit status of each kind of mistake.
TEST_F(KelmctlEdid, GrammarFormsHelpAndUsageErrors)
{
    const std::string templ(reinterpret_cast<const char *>(NewEdidTemplate.data()), NewEdidTemplate.size());
    const std::string good = write("good.bin", NewEdidTemplate);
    struct Case
    {
        std::vector<std::string> args;
        int status;
        const char *out; // a text stdout must contain ("" for anything)
        const char *err; // a text stderr must contain ("" for anything)
    };
    const std::string out = (dir / "o.bin").string();
    const Case cases[] = {
        {{"edid", "new", "--output", out}, 0, "", ""},
        {{"edid", "new", "-o", "-"}, 0, "", ""},
        {{"--port", "/nonexistent", "edid", "new", "-o", out}, 0, "", ""},
        {{"edid", "new", "-o", out, "-p", "/nonexistent"}, 0, "", ""},
        {{"edid", "validate", "-j", good}, 0, "\"valid\":true", ""},
        {{"edid", "info", good, "--json"}, 0, "\"Monitor Name\":\"BrandNewEdid\"", ""},
        {{"edid", "state", good, "-n", "-d", "2024-01-31", "-j"}, 0, "2024", ""},
        {{"--version"}, 0, "kelmctl ", ""},
        {{"--help"}, 0, "edid roundtrip FILE -o FILE", ""},
        {{"--help"}, 0, "net set MAC [--mode static|dhcp]", ""},
        {{"--help"}, 0, "read SLOT -o FILE", ""},
        {{"edid", "build", "--help"}, 0, "-o,--output", ""},
        {{"read", "--help"}, 0, "-o,--output", ""},
        // Usage errors, of both programs: exit 2 before anything is opened.
        {{}, 2, "", "the commands are"},
        {{"edid", "new", "-o", out, "--bogus"}, 2, "", "--bogus"},
        {{"edid", "state", good, "--date", "2023-02-29"}, 2, "", "not a date"},
        {{"frobnicate"}, 2, "", "frobnicate"},
        {{"-x"}, 2, "", "unknown option '-x'"},
        {{"read", "user1", "--bogus"}, 2, "", "unknown option '--bogus'"},
        {{"edid", "new", "--outptu", out}, 2, "", "unknown option '--outptu'"},
        {{"edid", "frob"}, 2, "", "unknown command 'frob'; the commands of edid are build"},
        {{"read", "user1"}, 2, "", "--output is required"},
        {{"read", "user1", "--output"}, 2, "", "--output"},
        {{"--port", "/nonexistent", "read", "slot9", "-o", out}, 2, "", "not a slot"},
        {{"write", "output1", good, "-p", "/nonexistent"}, 2, "", "Only input and user slots"},
        {{"reset", "--port", "/nonexistent"}, 2, "", "add --yes"},
        {{"net", "ping"}, 2, "", "discover and set"},
        {{"net", "discover", "--wait", "9999"}, 2, "", "--wait"},
        {{"net", "set", "nonsense"}, 2, "", "MAC address"},
        // A device command with a port that does not exist: a device failure, after parsing.
        {{"info", "-p", "/nonexistent"}, 1, "", "the port /nonexistent does not exist"},
        {{"read", "user1", "--output", out, "--port", "/nonexistent"}, 1, "", "/nonexistent does not exist"},
        {{"write", "user1", good, "--no-verify", "-p", "/nonexistent"}, 1, "", "No device answered"},
        {{"copy", "-n", "user1", "user2", "-p", "/nonexistent"}, 1, "", "No device answered"},
        {{"write", "user1", good, "--verify"}, 2, "", "--verify"},
    };
    for (const Case &c : cases) {
        std::string line;
        for (const std::string &a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        fs::remove(out);
        const KelmctlResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.status == 2) {
            EXPECT_TRUE(r.out.empty());
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one sentence: " << r.err;
            EXPECT_FALSE(fs::exists(out));
        }
        if (c.args.size() > 2 && c.args[1] == "new" && c.status == 0) {
            if (c.args[3] == "-")
                EXPECT_EQ(r.out, templ);
            else
                EXPECT_EQ(slurp(out), templ);
        }
    }
}

// File names are the bytes given, also when they are not UTF-8.
TEST_F(KelmctlEdid, FileNamesAreTheBytesGiven)
{
    const std::string name = (dir / "out\xfe\xff.bin").string();
    ASSERT_EQ(run({"edid", "new", "-o", name}).status, 0);
    EXPECT_EQ(fs::file_size(name), 256u);
    const KelmctlResult r = run({"edid", "validate", name});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, name + ": valid\n");
}
