#include "cli/edid/EdidCliArgs.h"

#include <cstdio>

#include "edid/EdidBinFile.h"

void addEdidFileOptions(CommandSpec &command, EdidFileArgs &args, bool allowJson)
{
    command.option("FILE", args.files, "EDID .bin files").required().complete(Completion::Files);
    if (allowJson)
        command.flag("-j,--json", args.json, "one JSON object per file and line");
}

bool readEdidForCli(const std::string &path, EdidImage &image)
{
    std::string error;
    if (!readEdidBinFile(path, image, &error)) {
        std::fprintf(stderr, "kelmctl: %s.\n", error.c_str());
        return false;
    }
    return true;
}
