// kelmctl edid new -o FILE: writes the built-in "NEW" template.
#include <cstdio>
#include <memory>

#include "cli/core/CommandLine.h"
#include "edid/EdidBinFile.h"
#include "edid/NewEdidTemplate.h"

namespace {
CommandAction defineNew(CommandSpec &command, const GlobalOptions &)
{
    auto output = std::make_shared<std::string>();
    command.option("-o,--output", *output, "the file to write (- for standard output)")
        .required()
        .typeName("FILE")
        .complete(Completion::Files);
    return [output] {
        std::string error;
        if (!writeEdidBinFile(*output, NewEdidTemplate, &error)) {
            std::fprintf(stderr, "kelmctl: %s.\n", error.c_str());
            return 1;
        }
        return 0;
    };
}
const CommandRegistration reg(CommandGroup::Edid, "edid new", "write the built-in \"NEW\" template", &defineNew);
} // namespace
