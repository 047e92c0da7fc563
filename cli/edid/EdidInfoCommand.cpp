// kelmctl edid info FILE... [--json]: the EDID Analyzer's answers for each file. An invalid image
// is answered like the window does ("Illegal" and dashes) and makes the exit status 1.
#include <cstdio>
#include <memory>

#include "cli/edid/EdidCliArgs.h"
#include "cli/core/CommandLine.h"
#include "edid/EdidJson.h"
#include "edid/EdidSummary.h"
#include "edid/Latin1Text.h"

namespace {
// The label text on one line: the audio list's wrap belongs to the window, not to the answer.
std::string oneLine(const std::string &text)
{
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

int runInfo(const EdidFileArgs &a)
{
    int rc = 0;
    EdidFeatureRecord record;
    for (const std::string &file : a.files) {
        EdidImage image;
        if (!readEdidForCli(file, image)) {
            rc = 1;
            continue;
        }
        const EdidSummary summary = summariseEdid(record, image);
        if (!summary.valid())
            rc = 1;
        if (a.json) {
            printLine(toJson(edidInfoToJson(file, summary)));
            continue;
        }
        if (a.files.size() > 1)
            printLine(file + ":");
        // Texts print as UTF-8, as in the JSON output.
        for (const EdidSummary::Row &row : summary.rows())
            printLine(std::string(row.caption) + " " + utf8FromLatin1(oneLine(*row.text)));
    }
    return finishOutput(rc);
}
CommandAction define(CLI::App &command, const GlobalOptions &)
{
    auto args = std::make_shared<EdidFileArgs>();
    addEdidFileOptions(command, *args, true);
    return [args] { return runInfo(*args); };
}
const CommandRegistration reg(CommandGroup::Edid, "edid info", "the EDID Analyzer's answers for each file", &define);
} // namespace
