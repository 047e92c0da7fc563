// kelmctl edid diff A B [--json]: files here; an operand that is a slot is read by kelmctl-device
// (see EdidDiffReport.h).
#include <memory>

#include "cli/core/CommandLine.h"
#include "cli/edid/EdidDiffReport.h"

namespace {
struct DiffArgs
{
    std::string a, b;
    bool json = false;
};
CommandAction define(CommandSpec &command, const GlobalOptions &global)
{
    auto args = std::make_shared<DiffArgs>();
    command.option("A", args->a, "an EDID .bin file or a slot (input1, user3 ...)")
        .required()
        .complete(Completion::FileOrSlot);
    command.option("B", args->b, "an EDID .bin file or a slot").required().complete(Completion::FileOrSlot);
    command.flag("-j,--json", args->json, "one JSON object");
    return [args, &global] { return runEdidDiff(args->a, args->b, args->json, global); };
}
const CommandRegistration reg(CommandGroup::Edid, "edid diff",
                              "what differs between two images or slots (1: they differ)",
                              &define);
} // namespace
