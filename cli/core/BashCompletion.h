#pragma once

// The grammar as the bash completion script reads it (resources/completion/kelmctl-functions.bash).

#include <string>

#include "cli/core/CommandLine.h"

// A bash function _kelmctl_grammar PATH that sets, for the command PATH ("" for the program,
// "edid new", "read"): commands (its subcommands), options (every name of its options), valued
// (NAME=KIND for the options that take a value), positionals (a KIND for each positional) and
// more (the KIND of further positionals when the last one repeats); for the program also globals
// (the short options a command takes too: -h, -p).
std::string bashCompletionGrammar(const CLI::App &app);

// Marks what the completion offers for the option's value (OptionSpec::complete).
CLI::Option *completeWith(CLI::Option *option, Completion what);
// The marks of completeWith belong to one build of the grammar; a new build starts without them.
void forgetCompletionMarks();
