#include "cli/edid/EdidCommands.h"

#include <cstdio>
#include <map>

namespace {
std::map<std::string, EdidCommandFn> &registry()
{
    static std::map<std::string, EdidCommandFn> commands;
    return commands;
}
} // namespace

EdidCommandRegistration::EdidCommandRegistration(const char *name, EdidCommandFn fn)
{
    registry()[name] = fn;
}

int runEdidCommand(const std::vector<std::string> &args)
{
    if (args.empty()) {
        std::fputs("kelmctl: edid needs a subcommand (new, validate, info, decode, state, build, roundtrip).\n",
                   stderr);
        return 2;
    }
    auto it = registry().find(args[0]);
    if (it == registry().end()) {
        std::fprintf(stderr, "kelmctl: unknown edid subcommand '%s'; see kelmctl --help.\n", args[0].c_str());
        return 2;
    }
    return it->second(std::vector<std::string>(args.begin() + 1, args.end()));
}
