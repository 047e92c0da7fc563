#pragma once

// kelmctl's one grammar. Every command registers itself from its own source file with a small
// function that adds its options and positionals and returns what runs it; the parser, the usage
// errors (exit 2) and the help text come from CLI11. Plain C++: the Qt-free kelmctl links it with
// the EDID commands, kelmctl-serial with every command but the network ones, kelmctl-device with
// every command.
//
//   namespace {
//   CommandAction defineNew(CLI::App &command, const GlobalOptions &)
//   {
//       auto output = std::make_shared<std::string>();
//       command.add_option("-o,--output", *output, "the file to write")->required();
//       return [output] { return writeTemplate(*output); };
//   }
//   const CommandRegistration reg(CommandGroup::Edid, "edid new", "write the built-in template", &defineNew);
//   }

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

// Options taken before or after any command.
struct GlobalOptions
{
    std::vector<std::string> ports; // -p/--port PATH, repeatable; empty: the system's serial ports
};

// What a parsed command runs; returns the exit status: 0 success, 1 the operation or the device
// failed, 2 usage error.
using CommandAction = std::function<int()>;

// Adds one command's options to `command` and returns its action, which runs once the whole line
// has parsed (so it sees the global options, wherever they stood).
using CommandDefinition = CommandAction (*)(CLI::App &command, const GlobalOptions &global);

// The sections of the help text.
enum class CommandGroup { Edid, Device, Network };

struct CommandRegistration
{
    // `path` is the command's words: "read", "edid new", "net set".
    CommandRegistration(CommandGroup group, const char *path, const char *summary, CommandDefinition define);
};

// What the shell completion offers for an option's value or a positional argument; the rest is
// read from the grammar (values whose type name lists choices, such as "static|dhcp", offer those).
enum class Completion { Files, Directories, Ports, AnySlot, UploadSlot, Mode, FileOrSlot };
CLI::Option *completeWith(CLI::Option *option, Completion what);

// Parses argv with every registered command and runs the chosen one. The one hidden argument
// --bash-completion prints the grammar as a bash function for the completion script instead.
int runCommandLine(int argc, char **argv);
// runCommandLine for a program that has some of the commands only (kelmctl-serial lacks the network
// ones): a line that names none of its commands, asks for help or for the completion grammar, or
// parses as another command after all, goes to `elsewhere` untouched (it starts the program that
// has them all), so what is printed is the same either way.
int runOwnCommand(int argc, char **argv, int (*elsewhere)(char **argv));
// Parses argv as runCommandLine does without running the command or printing anything: 0 when a
// command would run, else the exit status of the line (help, version, usage error).
int checkCommandLine(int argc, char **argv);

// Usage error inside an action (a slot name that is not one, a missing --yes): one sentence on
// stderr after "kelmctl: ", exit status 2.
int usageError(const std::string &sentence);

// A whole line to stdout, and the exit status after all output: rc, or 1 when stdout could not
// take it (full disk, closed pipe), so a lost answer is never reported as success.
void printLine(const std::string &text);
int finishOutput(int rc);

// Where the usage of a command is explained: "kelmctl edid new --help".
std::string helpHint(const CLI::App &command);
