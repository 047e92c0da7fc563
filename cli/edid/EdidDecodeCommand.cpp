// kelmctl edid decode FILE... [--json]: the decoded feature record of each file, keys being the
// record's field names. An invalid image still prints its (reset) record and makes the exit
// status 1.
#include <cstdio>
#include <memory>

#include "cli/edid/EdidCliArgs.h"
#include "cli/core/CommandLine.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidJson.h"

namespace {
int runDecode(const EdidFileArgs &a)
{
    int rc = 0;
    for (const std::string &file : a.files) {
        EdidImage image;
        if (!readEdidForCli(file, image)) {
            rc = 1;
            continue;
        }
        EdidFeatureRecord record;
        if (!decodeEdid(record, image))
            rc = 1;
        const JsonValue fields = edidRecordToJson(record);
        if (a.json) {
            JsonValue o = JsonValue::object();
            o["file"] = file;
            for (const auto &[key, value] : fields.items())
                o[key] = value;
            printLine(toJson(o));
            continue;
        }
        if (a.files.size() > 1)
            printLine(file + ":");
        for (const auto &[key, value] : fields.items())
            printLine("  " + key + ": " + toJson(value));
    }
    return finishOutput(rc);
}
CommandAction define(CommandSpec &command, const GlobalOptions &)
{
    auto args = std::make_shared<EdidFileArgs>();
    addEdidFileOptions(command, *args, true);
    return [args] { return runDecode(*args); };
}
const CommandRegistration reg(CommandGroup::Edid, "edid decode", "the decoded feature record of each file", &define);
} // namespace
