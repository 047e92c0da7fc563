#pragma once

#include <string>
#include <vector>

// Runs "kelmctl edid ARGS..." and returns the exit status (0 ok, 1 failed, 2 usage).
int runEdidCommand(const std::vector<std::string> &args);

// Each subcommand registers itself from its own source file:
//   static const EdidCommandRegistration reg("info", &runInfo);
// The handler gets the arguments after the subcommand's name.
using EdidCommandFn = int (*)(const std::vector<std::string> &args);
struct EdidCommandRegistration
{
    EdidCommandRegistration(const char *name, EdidCommandFn fn);
};
