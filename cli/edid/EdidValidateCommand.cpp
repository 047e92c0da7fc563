// kelmctl edid validate FILE... [--json]: the validation messages of each file; exit 1 when any
// file is invalid or unreadable.
#include <cstdio>
#include <memory>

#include "cli/edid/EdidCliArgs.h"
#include "cli/core/CommandLine.h"
#include "edid/EdidFeatureRecord.h"
#include "edid/Json.h"

namespace {
int runValidate(const EdidFileArgs &a)
{
    int rc = 0;
    for (const std::string &file : a.files) {
        EdidFeatureRecord record;
        if (!readEdidForCli(file, record.image)) {
            rc = 1;
            continue;
        }
        const bool ok = validateEdidImage(record);
        if (!ok)
            rc = 1;
        const std::vector<std::string> messages = edidValidationMessages(record.status);
        if (a.json) {
            JsonValue o = JsonValue::object();
            o["file"] = file;
            o["valid"] = ok;
            o["messages"] = messages;
            printLine(toJson(o));
        } else if (ok) {
            printLine(file + ": valid");
        } else {
            for (const std::string &m : messages)
                printLine(file + ": " + m);
        }
    }
    return finishOutput(rc);
}
CommandAction define(CommandSpec &command, const GlobalOptions &)
{
    auto args = std::make_shared<EdidFileArgs>();
    addEdidFileOptions(command, *args, true);
    return [args] { return runValidate(*args); };
}
const CommandRegistration reg(CommandGroup::Edid, "edid validate", "print the validation messages of each file", &define);
} // namespace
