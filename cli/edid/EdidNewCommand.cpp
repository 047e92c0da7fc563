// kelmctl edid new -o FILE: writes the built-in "NEW" template.
#include <cstdio>

#include "cli/edid/EdidCliArgs.h"
#include "cli/edid/EdidCommands.h"
#include "edid/EdidBinFile.h"
#include "edid/NewEdidTemplate.h"

namespace {
int runNew(const std::vector<std::string> &args)
{
    EdidCliArgs a;
    if (!parseEdidCliArgs("new", args, false, true, a))
        return 2;
    if (!a.hasOutput || !a.files.empty()) {
        std::fputs("kelmctl: edid new takes exactly one option: -o FILE.\n", stderr);
        return 2;
    }
    std::string error;
    if (!writeEdidBinFile(a.output, NewEdidTemplate, &error)) {
        std::fprintf(stderr, "kelmctl: %s.\n", error.c_str());
        return 1;
    }
    return 0;
}
const EdidCommandRegistration reg("new", &runNew);
} // namespace
