// kelmctl edid decode FILE... [--json]: the decoded feature record of each file, keys being the
// record's field names. An invalid image still prints its (reset) record and makes the exit
// status 1.
#include <cstdio>

#include "cli/edid/EdidCliArgs.h"
#include "cli/edid/EdidCommands.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidJson.h"

namespace {
int runDecode(const std::vector<std::string> &args)
{
    EdidCliArgs a;
    if (!parseEdidCliArgs("decode", args, true, false, a))
        return 2;
    if (a.files.empty()) {
        std::fputs("kelmctl: edid decode needs at least one file.\n", stderr);
        return 2;
    }
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
const EdidCommandRegistration reg("decode", &runDecode);
} // namespace
