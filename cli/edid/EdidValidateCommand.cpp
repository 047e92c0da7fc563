// kelmctl edid validate FILE... [--json]: the validation messages of each file; exit 1 when any
// file is invalid or unreadable.
#include <cstdio>

#include "cli/edid/EdidCliArgs.h"
#include "cli/edid/EdidCommands.h"
#include "edid/EdidFeatureRecord.h"
#include "edid/Json.h"

namespace {
int runValidate(const std::vector<std::string> &args)
{
    EdidCliArgs a;
    if (!parseEdidCliArgs("validate", args, true, false, a))
        return 2;
    if (a.files.empty()) {
        std::fputs("kelmctl: edid validate needs at least one file.\n", stderr);
        return 2;
    }
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
const EdidCommandRegistration reg("validate", &runValidate);
} // namespace
