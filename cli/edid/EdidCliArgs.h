#pragma once

#include <string>
#include <vector>

#include "cli/core/CommandLine.h"
#include "edid/EdidImage.h"

// The arguments most "kelmctl edid" commands share: files and --json.
struct EdidFileArgs
{
    std::vector<std::string> files;
    bool json = false;
};
// Adds FILE... (required) and, when allowJson, -j/--json.
void addEdidFileOptions(CommandSpec &command, EdidFileArgs &args, bool allowJson);

// Reads a .bin file for a command; prints the error sentence and returns false when it can't.
bool readEdidForCli(const std::string &path, EdidImage &image);
