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
        // One line per answer, captioned as in the window; texts print as UTF-8, as in the JSON.
        for (const EdidSummary::Row &row : summary.rows())
            printLine("    " + std::string(row.key) + " : " + utf8FromLatin1(*row.text));
    }
    return finishOutput(rc);
}
CommandAction define(CommandSpec &command, const GlobalOptions &)
{
    auto args = std::make_shared<EdidFileArgs>();
    addEdidFileOptions(command, *args, true);
    return [args] { return runInfo(*args); };
}
const CommandRegistration reg(CommandGroup::Edid, "edid info", "the EDID Analyzer's answers for each file", &define);
} // namespace
