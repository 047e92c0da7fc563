#include "cli/core/BashCompletion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>

#include "cli/core/CommandLine.h"

namespace {

std::map<const CLI::Option *, Completion> &marks()
{
    static std::map<const CLI::Option *, Completion> kinds;
    return kinds;
}

// The kind of word the completion offers for the option's value or positional.
std::string kindOf(const CLI::Option &option)
{
    const auto it = marks().find(&option);
    if (it != marks().end()) {
        switch (it->second) {
        case Completion::Files:
            return "files";
        case Completion::Directories:
            return "dirs";
        case Completion::Ports:
            return "ports";
        case Completion::AnySlot:
            return "any-slot";
        case Completion::UploadSlot:
            return "upload-slot";
        case Completion::Mode:
            return "mode";
        case Completion::FileOrSlot:
            return "file-or-slot";
        }
    }
    // Choices, as the help shows them: "static|dhcp" is offered as static and dhcp.
    std::string type = option.get_type_name();
    if (type.find('|') != std::string::npos && type.find(' ') == std::string::npos) {
        for (char &c : type)
            if (c == '|')
                c = ',';
        return "words:" + type;
    }
    return "none";
}

std::string joined(const std::vector<std::string> &words)
{
    std::string out;
    for (const std::string &w : words)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

void describe(const CLI::App &command, const std::string &path, std::string &out)
{
    std::vector<std::string> commands;
    std::vector<std::string> options;
    std::vector<std::string> valued;
    std::vector<std::string> positionals;
    std::vector<std::string> globals;
    std::string more;
    for (const CLI::App *sub : command.get_subcommands([](const CLI::App *) { return true; }))
        commands.push_back(sub->get_name());
    std::sort(commands.begin(), commands.end());
    const bool root = command.get_parent() == nullptr;
    for (const CLI::Option *opt : command.get_options()) {
        // Every command takes --help; offering it after each one only hides the real options.
        if (opt == command.get_help_ptr() && !root)
            continue;
        if (!opt->nonpositional()) {
            positionals.push_back(kindOf(*opt));
            if (opt->get_items_expected_max() > 1)
                more = positionals.back();
            continue;
        }
        std::vector<std::string> names;
        for (const std::string &s : opt->get_snames())
            names.push_back("-" + s);
        for (const std::string &l : opt->get_lnames())
            names.push_back("--" + l);
        const bool takesValue = opt->get_items_expected_max() > 0 && !opt->get_type_name().empty();
        // The program's options with a short name (-h, -p) are also taken after a command.
        if (root && !opt->get_snames().empty())
            globals.push_back("-" + opt->get_snames().front());
        for (const std::string &n : names) {
            options.push_back(n);
            if (takesValue)
                valued.push_back(n + "=" + kindOf(*opt));
        }
    }
    out += "        \"" + path + "\")\n            commands=\"" + joined(commands) + "\" options=\"" +
           joined(options) + "\"\n            valued=\"" + joined(valued) + "\" positionals=\"" +
           joined(positionals) + "\" more=\"" + more + "\"" +
           (root ? " globals=\"" + joined(globals) + "\"" : std::string()) + " ;;\n";
    for (const CLI::App *sub : command.get_subcommands([](const CLI::App *) { return true; }))
        describe(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), out);
}

} // namespace

void forgetCompletionMarks()
{
    marks().clear();
}

CLI::Option *completeWith(CLI::Option *option, Completion what)
{
    marks()[option] = what;
    return option;
}

std::string bashCompletionGrammar(const CLI::App &app)
{
    std::string out = "\n# Generated from kelmctl's grammar (kelmctl --bash-completion).\n"
                      "_kelmctl_grammar()\n{\n    commands=\"\" options=\"\" valued=\"\" positionals=\"\" more=\"\" globals=\"\"\n"
                      "    case $1 in\n";
    describe(app, "", out);
    out += "    esac\n}\n";
    return out;
}
