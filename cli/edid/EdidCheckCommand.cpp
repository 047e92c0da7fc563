// kelmctl edid check FILE... [--json]: the reference checker's findings for each file (block,
// severity, text). Exit 0 without failures, 1 with failures or a file the checker could not take,
// 2 usage, 3 when the checker is not installed.
#include <cstdio>
#include <memory>

#include "cli/edid/EdidCliArgs.h"
#include "cli/core/CommandLine.h"
#include "shell/process/EdidChecker.h"
#include "edid/Json.h"
#include "edid/Latin1Text.h"

namespace {

JsonValue findingsJson(const EdidConformity &c)
{
    JsonValue list = JsonValue::array();
    for (const EdidFinding &f : c.findings)
        list.push_back(JsonValue{{"block", f.block},
                                 {"blockName", utf8FromLatin1(f.blockName)},
                                 {"severity", edidFindingSeverityName(f.severity)},
                                 {"text", utf8FromLatin1(f.text)}});
    return list;
}

const char *verdictText(EdidConformity::Verdict v)
{
    return v == EdidConformity::Verdict::Pass ? "PASS" : v == EdidConformity::Verdict::Fail ? "FAIL" : "none";
}

int runCheck(const EdidFileArgs &a)
{
    const auto checker = findEdidChecker();
    if (!checker) {
        std::fputs("kelmctl: the conformance checker edid-decode is not installed (Debian package "
                   "edid-decode); nothing was checked.\n",
                   stderr);
        return 3;
    }
    int rc = 0;
    for (const std::string &file : a.files) {
        const EdidCheckRun run = runEdidChecker(*checker, file);
        const EdidConformity &c = run.conformity;
        if (!run.ok()) {
            std::fprintf(stderr, "kelmctl: %s: the checker gave no verdict: %s\n", file.c_str(), run.error.c_str());
            rc = 1;
        } else if (c.failures() > 0) {
            rc = 1;
        }
        if (a.json) {
            JsonValue o = JsonValue::object();
            o["file"] = file;
            o["conformity"] = verdictText(c.verdict);
            o["failures"] = c.failures();
            o["warnings"] = c.warnings();
            o["findings"] = findingsJson(c);
            if (!run.ok())
                o["error"] = utf8FromLatin1(run.error);
            printLine(toJson(o));
            continue;
        }
        if (!run.ok())
            continue;
        printLine(file + ": " + edidConformitySummary(c));
        for (const EdidFinding &f : c.findings) {
            std::string text = f.text;
            for (char &ch : text)
                if (ch == '\n')
                    ch = ' ';
            printLine(std::string("  ") + edidFindingSeverityName(f.severity) + "  " + edidFindingPlace(f) + ": " +
                      text);
        }
    }
    return finishOutput(rc);
}

CommandAction define(CommandSpec &command, const GlobalOptions &)
{
    auto args = std::make_shared<EdidFileArgs>();
    addEdidFileOptions(command, *args, true);
    return [args] { return runCheck(*args); };
}
const CommandRegistration reg(CommandGroup::Edid, "edid check",
                              "the conformance checker's findings (3: edid-decode missing)",
                              &define);

} // namespace
