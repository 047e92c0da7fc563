#include "cli/core/CommandLine.h"

#include "cli/core/BashCompletion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <utility>

namespace {

struct Registered
{
    CommandGroup group;
    std::string path;
    std::string summary;
    CommandDefinition define;
};

std::vector<Registered> &registry()
{
    static std::vector<Registered> commands;
    return commands;
}

const char *groupTitle(CommandGroup group)
{
    switch (group) {
    case CommandGroup::Edid:
        return "EDID files (no device needed)";
    case CommandGroup::Device:
        return "Device over a serial port";
    case CommandGroup::Network:
        return "Network devices";
    }
    return "";
}

// Commands with words of their own ("edid new", "net set") hang under a parent command.
const char *parentSummary(const std::string &word)
{
    if (word == "edid")
        return "EDID files: new, validate, info, decode, state, build, roundtrip, diff, check ...";
    if (word == "net")
        return "network devices: discover, set";
    return "";
}

std::vector<std::string> wordsOf(const std::string &path)
{
    std::vector<std::string> words;
    std::istringstream in(path);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::string joinedNames(const std::vector<const CLI::App *> &subcommands)
{
    std::string out;
    for (std::size_t i = 0; i < subcommands.size(); ++i) {
        if (i > 0)
            out += i + 1 == subcommands.size() ? " and " : ", ";
        out += subcommands[i]->get_name();
    }
    return out;
}

// The deepest command the line reached, for the help hint.
const CLI::App *deepestSelected(const CLI::App &app)
{
    const CLI::App *at = &app;
    for (;;) {
        const auto selected = at->get_subcommands();
        if (selected.empty())
            return at;
        at = selected.front();
    }
}

std::string oneLine(std::string text)
{
    for (char &c : text)
        if (c == '\n')
            c = ' ';
    while (!text.empty() && (text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

// The synopsis of a command from its grammar: "read SLOT -o FILE", "info [--json]".
std::string synopsisOf(const CLI::App &command)
{
    std::string words;
    for (const CLI::App *at = &command; at && at->get_parent(); at = at->get_parent())
        words = at->get_name() + (words.empty() ? "" : " " + words);
    std::string positionals;
    std::string options;
    for (const CLI::Option *opt : command.get_options()) {
        if (opt == command.get_help_ptr())
            continue;
        if (!opt->nonpositional()) {
            std::string name = opt->get_name();
            if (opt->get_items_expected_max() > 1)
                name += "...";
            positionals += " " + (opt->get_required() ? name : "[" + name + "]");
            continue;
        }
        const bool required = opt->get_required();
        std::string name = required && !opt->get_snames().empty() ? "-" + opt->get_snames()[0]
                                                                    : "--" + opt->get_lnames()[0];
        if (opt->get_items_expected_max() > 0 && !opt->get_type_name().empty())
            name += " " + opt->get_type_name();
        options += " " + (required ? name : "[" + name + "]");
    }
    return words + positionals + options;
}

// The overview that "kelmctl --help" prints: every command with its synopsis, by section.
std::string overview(const CLI::App &app, const std::vector<std::pair<CommandGroup, const CLI::App *>> &commands)
{
    std::string out = app.get_description() + "\n\nUsage: kelmctl [-p PATH]... COMMAND [ARGS]\n";
    for (CommandGroup group : {CommandGroup::Edid, CommandGroup::Device, CommandGroup::Network}) {
        out += std::string("\n") + groupTitle(group) + ":\n";
        for (const auto &[g, command] : commands) {
            if (g != group)
                continue;
            // Long synopses wrap at option boundaries; the summary follows on its own line.
            std::string line = "  ";
            std::istringstream in(synopsisOf(*command));
            std::string text;
            for (std::string piece; in >> piece;)
                text += (text.empty() ? "" : " ") + piece;
            std::size_t col = 2;
            std::string pending;
            for (std::size_t i = 0; i <= text.size(); ++i) {
                const bool boundary = i == text.size() || (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == '[');
                if (!boundary) {
                    pending += text[i];
                    continue;
                }
                if (col > 2 && col + pending.size() > 78) {
                    line += "\n" + std::string(6, ' ');
                    col = 6;
                    if (!pending.empty() && pending[0] == ' ')
                        pending.erase(0, 1);
                }
                line += pending;
                col += pending.size();
                pending.clear();
                if (i < text.size())
                    pending += ' ';
            }
            if (col > 44 || line.find('\n') != std::string::npos)
                line += "\n" + std::string(46, ' ');
            else
                line += std::string(46 - col, ' ');
            out += line + command->get_description() + "\n";
        }
    }
    out += "\nOptions, before or after the command:\n"
           "  -p, --port PATH                             serial port to search instead of the system's\n"
           "                                              ports; repeatable, searched in the order given\n"
           "  -h, --help                                  this help; after a command, that command's\n"
           "                                              options\n"
           "  --version                                   the version\n"
           "\nkelmctl COMMAND --help explains a command's options (long and short forms).\n";
    return out;
}

} // namespace

CommandRegistration::CommandRegistration(CommandGroup group, const char *path, const char *summary,
                                         CommandDefinition define)
{
    registry().push_back({group, path, summary, define});
}

int usageError(const std::string &sentence)
{
    std::fprintf(stderr, "kelmctl: %s\n", sentence.c_str());
    return 2;
}

void printLine(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

int finishOutput(int rc)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("kelmctl: cannot write the output.\n", stderr);
        return 1;
    }
    return rc;
}

OptionSpec &OptionSpec::required()
{
    option_->required();
    return *this;
}

OptionSpec &OptionSpec::expected(int min, int max)
{
    option_->expected(min, max);
    return *this;
}

OptionSpec &OptionSpec::typeName(const std::string &name)
{
    option_->type_name(name);
    return *this;
}

OptionSpec &OptionSpec::check(std::function<std::string(std::string &)> validate)
{
    option_->check(CLI::Validator(std::move(validate), ""));
    return *this;
}

OptionSpec &OptionSpec::complete(Completion what)
{
    completeWith(option_, what);
    return *this;
}

bool OptionSpec::given() const
{
    return option_ && option_->count() > 0;
}

OptionSpec CommandSpec::option(const std::string &names, std::string &value, const std::string &help)
{
    return OptionSpec(command_.add_option(names, value, help));
}

OptionSpec CommandSpec::option(const std::string &names, std::vector<std::string> &values,
                               const std::string &help)
{
    return OptionSpec(command_.add_option(names, values, help));
}

OptionSpec CommandSpec::option(const std::string &names, double &value, const std::string &help)
{
    return OptionSpec(command_.add_option(names, value, help));
}

OptionSpec CommandSpec::flag(const std::string &names, bool &value, const std::string &help)
{
    return OptionSpec(command_.add_flag(names, value, help));
}

namespace {

// Where the usage of a command is explained: "see kelmctl edid new --help".
std::string helpHint(const CLI::App &command)
{
    std::string words;
    for (const CLI::App *at = &command; at && at->get_parent(); at = at->get_parent())
        words = " " + at->get_name() + words;
    return "see kelmctl" + words + " --help";
}

// parseAndRun's answer when the line chose a command whose options were not built.
constexpr int kWholeGrammarNeeded = -1;

// Every command the parse chose, nested ones included.
void selectedCommands(const CLI::App &at, std::vector<const CLI::App *> &out)
{
    for (const CLI::App *sub : at.get_subcommands()) {
        out.push_back(sub);
        selectedCommands(*sub, out);
    }
}

// The registered command a line names, or nullptr when the line names none or asks for help or
// the completion grammar (those print every command's options). Only the global option's value
// is skipped: a command's own options and operands always follow its words.
const Registered *namedCommand(int argc, char **argv)
{
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help" || a == "--bash-completion" || a == "--")
            return nullptr;
        if (a == "-p" || a == "--port")
            ++i;
        else if (!a.empty() && a[0] != '-')
            words.push_back(a);
    }
    const Registered *best = nullptr;
    std::size_t bestLength = 0;
    for (const Registered &r : registry()) {
        const std::vector<std::string> path = wordsOf(r.path);
        if (path.size() > bestLength && path.size() <= words.size() &&
            std::equal(path.begin(), path.end(), words.begin())) {
            best = &r;
            bestLength = path.size();
        }
    }
    return best;
}

// With run false nothing is run or printed: what the line would print is only built. With `only`
// set, the other commands are added by name and summary alone: their options are built only for a
// line that could need them (help, completion, a line naming no command).
int parseAndRun(int argc, char **argv, bool run, const Registered *only)
{
    forgetCompletionMarks();
    std::ostream nowhere(nullptr);
    const auto print = [run](const std::string &text) {
        if (run)
            std::fputs(text.c_str(), stdout);
    };
    const auto refuse = [run](const std::string &sentence) { return run ? usageError(sentence) : 2; };
    CLI::App app("kelmctl: the EDID workbench from scripts.\n"
                 "Exit status: 0 success, 1 the operation or the device failed, 2 usage error,\n"
                 "3 a program the command needs is missing (edid check without edid-decode).",
                 "kelmctl");
    // Global options are taken after the command too.
    app.fallthrough();
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("kelmctl ") + KELM_VERSION);
    app.set_help_flag("-h,--help", "print this help");
    GlobalOptions global;
    completeWith(app.add_option("-p,--port", global.ports,
                                "serial port to search instead of the system's ports; repeatable, in order")
                     ->allow_extra_args(false)
                     ->type_name("PATH"),
                 Completion::Ports);

    CommandAction action;
    std::vector<const CLI::App *> unbuilt;
    std::map<std::string, CLI::App *> parents;
    std::vector<std::pair<CommandGroup, const CLI::App *>> commands;
    // Sections in a fixed order, commands alphabetical within them, whatever the link order.
    std::vector<Registered> sorted = registry();
    std::stable_sort(sorted.begin(), sorted.end(), [](const Registered &a, const Registered &b) {
        return a.group != b.group ? a.group < b.group : a.path < b.path;
    });
    for (const Registered &r : sorted) {
        const std::vector<std::string> words = wordsOf(r.path);
        CLI::App *at = &app;
        std::string sofar;
        for (std::size_t i = 0; i + 1 < words.size(); ++i) {
            sofar += words[i] + " ";
            CLI::App *&parent = parents[sofar];
            if (!parent) {
                parent = at->add_subcommand(words[i], parentSummary(words[i]));
                parent->require_subcommand(1);
                parent->group(groupTitle(r.group));
            }
            at = parent;
        }
        CLI::App *command = at->add_subcommand(words.back(), r.summary);
        command->group(at == &app ? groupTitle(r.group) : "Commands");
        commands.emplace_back(r.group, command);
        if (only && only->path != r.path) {
            unbuilt.push_back(command);
            continue;
        }
        CommandSpec grammar(*command);
        CommandAction run = r.define(grammar, global);
        command->final_callback([&action, run] { action = run; });
    }

    // The build writes the completion script with this; it is no command of the user's.
    if (argc == 2 && std::string(argv[1]) == "--bash-completion") {
        print(bashCompletionGrammar(app));
        return finishOutput(0);
    }

    const auto choseUnbuilt = [&app, &unbuilt] {
        std::vector<const CLI::App *> chosen;
        selectedCommands(app, chosen);
        return std::any_of(chosen.begin(), chosen.end(), [&unbuilt](const CLI::App *c) {
            return std::find(unbuilt.begin(), unbuilt.end(), c) != unbuilt.end();
        });
    };
    try {
        try {
            app.parse(argc, argv);
        } catch (const CLI::Error &) {
            if (choseUnbuilt())
                return kWholeGrammarNeeded;
            throw;
        }
        if (choseUnbuilt())
            return kWholeGrammarNeeded;
    } catch (const CLI::CallForHelp &e) {
        if (deepestSelected(app) == &app) {
            print(overview(app, commands));
            return finishOutput(0);
        }
        return app.exit(e, run ? std::cout : nowhere, run ? std::cerr : nowhere) == 0 ? 0 : 2;
    } catch (const CLI::CallForAllHelp &e) {
        return app.exit(e, run ? std::cout : nowhere, run ? std::cerr : nowhere) == 0 ? 0 : 2;
    } catch (const CLI::CallForVersion &) {
        print(std::string("kelmctl ") + KELM_VERSION + "\n");
        return finishOutput(0);
    } catch (const CLI::ParseError &e) {
        const CLI::App *at = deepestSelected(app);
        std::string sentence = oneLine(e.what());
        // CLI11 checks required arguments before it objects to unknown ones: an unknown option is
        // the mistake to name, not what is missing because of it, and a word where a command was
        // expected is an unknown command, not a missing one. (With fallthrough, what no command
        // takes ends up with the program.)
        const std::vector<std::string> unknown = app.remaining(true);
        const std::vector<std::string> rest = at->remaining().empty() ? unknown : at->remaining();
        const auto unknownOption = std::find_if(unknown.begin(), unknown.end(), [](const std::string &word) {
            return word.size() > 1 && word[0] == '-';
        });
        const bool required = dynamic_cast<const CLI::RequiredError *>(&e) != nullptr;
        const bool extra = dynamic_cast<const CLI::ExtrasError *>(&e) != nullptr;
        if ((required || extra) && unknownOption != unknown.end())
            sentence = "unknown option '" + *unknownOption + "'";
        else if (required && !rest.empty() && !rest.front().empty() && rest.front()[0] != '-')
            sentence = "unknown command '" + rest.front() + "'";
        // A command that needs one of its own: name them.
        const std::vector<const CLI::App *> own = at->get_subcommands([](const CLI::App *) { return true; });
        if (!own.empty() && (!required || unknownOption == unknown.end())) {
            sentence += std::string("; the commands") + (at == &app ? "" : " of " + at->get_name()) + " are " +
                        joinedNames(own);
        }
        return refuse(sentence + "; " + helpHint(*at) + ".");
    }
    if (!action)
        return refuse("a command is missing; see kelmctl --help.");
    return run ? action() : 0;
}

// The line's own command alone is built first; should the parser choose another one after all, the
// whole grammar is built and the line parsed again (nothing has run or been printed by then).
int parseLine(int argc, char **argv, bool run)
{
    const Registered *only = namedCommand(argc, argv);
    if (only) {
        const int rc = parseAndRun(argc, argv, run, only);
        if (rc != kWholeGrammarNeeded)
            return rc;
    }
    return parseAndRun(argc, argv, run, nullptr);
}

} // namespace

int runCommandLine(int argc, char **argv)
{
    return parseLine(argc, argv, true);
}

int checkCommandLine(int argc, char **argv)
{
    return parseLine(argc, argv, false);
}

int runOwnCommand(int argc, char **argv, int (*elsewhere)(char **argv))
{
    const Registered *only = namedCommand(argc, argv);
    if (!only)
        return elsewhere(argv);
    const int rc = parseAndRun(argc, argv, true, only);
    return rc == kWholeGrammarNeeded ? elsewhere(argv) : rc;
}
