#pragma once

// kelmctl's one grammar. Every command registers itself from its own source file with a small
// function that adds its options and positionals and returns what runs it; the parser, the usage
// errors (exit 2) and the help text come from CLI11. Plain C++: the Qt-free kelmctl links it with
// the EDID commands, kelmctl-serial with every command but the network ones, kelmctl-device with
// every command.
//
//   namespace {
//   CommandAction defineNew(CommandSpec &command, const GlobalOptions &)
//   {
//       auto output = std::make_shared<std::string>();
//       command.option("-o,--output", *output, "the file to write").required().complete(Completion::Files);
//       return [output] { return writeTemplate(*output); };
//   }
//   const CommandRegistration reg(CommandGroup::Edid, "edid new", "write the built-in template", &defineNew);
//   }
//
// The command files see CLI11 only through CommandSpec and OptionSpec: its headers cost seconds of
// compiling in every file that includes them, so only cli/core does.

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

// What the shell completion offers for an option's value or a positional argument; the rest is
// read from the grammar (values whose type name lists choices, such as "static|dhcp", offer those).
enum class Completion { Files, Directories, Ports, AnySlot, UploadSlot, Mode, FileOrSlot };

// One option or positional argument of a command; the calls chain:
//   command.option("-o,--output", file, "the file to write").required().typeName("FILE");
class OptionSpec
{
  public:
    OptionSpec() = default;
    explicit OptionSpec(CLI::Option *option) : option_(option) {}

    OptionSpec &required();
    // How many values it takes: expected(0, 1) for a positional that may be left out.
    OptionSpec &expected(int min, int max);
    // The value's name in the help ("FILE", "static|dhcp": choices the completion offers).
    OptionSpec &typeName(const std::string &name);
    // Checks each value as typed: returns the sentence of the usage error, or "" when it is fine.
    OptionSpec &check(std::function<std::string(std::string &)> validate);
    OptionSpec &complete(Completion what);

    // Whether the line gave it; asked once the line has parsed.
    bool given() const;

  private:
    CLI::Option *option_ = nullptr;
};

// A command as its definition sees it: adds options (names such as "-o,--output"; a name without
// a dash, such as "FILE", is a positional argument) and flags.
class CommandSpec
{
  public:
    explicit CommandSpec(CLI::App &command) : command_(command) {}

    OptionSpec option(const std::string &names, std::string &value, const std::string &help);
    // Repeatable, or a positional that takes the rest of the words.
    OptionSpec option(const std::string &names, std::vector<std::string> &values, const std::string &help);
    OptionSpec option(const std::string &names, double &value, const std::string &help);
    OptionSpec flag(const std::string &names, bool &value, const std::string &help);

  private:
    CLI::App &command_;
};

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
using CommandDefinition = CommandAction (*)(CommandSpec &command, const GlobalOptions &global);

// The sections of the help text.
enum class CommandGroup { Edid, Device, Network };

struct CommandRegistration
{
    // `path` is the command's words: "read", "edid new", "net set".
    CommandRegistration(CommandGroup group, const char *path, const char *summary, CommandDefinition define);
};

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
