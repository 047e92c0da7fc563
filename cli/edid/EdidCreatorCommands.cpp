// kelmctl edid state | build | roundtrip: the EDID Creator without its page. They run the same
// loader, field checks, HDR rule and builder as the page.
//   state FILE [--new] [--date YYYY-MM-DD] [--json]   the controls after loading FILE
//   build BASE STATE.json [--new] [--date YYYY-MM-DD] -o FILE
//                                                     load BASE, set the controls STATE.json names,
//                                                     check those fields as the page does, build
//   roundtrip FILE -o OUT                             load, then build with the controls unchanged
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>

#include "cli/edid/EdidCliArgs.h"
#include "edid/CreatorBuilder.h"
#include "edid/CreatorFieldChecks.h"
#include "edid/CreatorLoader.h"
#include "edid/CreatorRules.h"
#include "edid/CreatorStateJson.h"
#include "edid/EdidBinFile.h"

namespace {

struct CreatorArgs
{
    std::vector<std::string> files;
    std::string output;
    bool json = false;
    bool fromNew = false;
    bool hasDate = false;
    std::string dateText; // --date, checked while parsing
    CreatorDate date;
};

bool parseDate(const std::string &text, CreatorDate &date)
{
    int y = 0;
    unsigned m = 0, d = 0;
    char tail = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2u-%2u%c", &y, &m, &d, &tail) != 3)
        return false;
    static const unsigned daysIn[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (m < 1 || m > 12 || d < 1 || d > daysIn[m - 1] || (m == 2 && d == 29 && !leap))
        return false;
    date = {y, m, d};
    return true;
}

// --new and --date, the options of state and build.
void addCreatorOptions(CommandSpec &command, CreatorArgs &a)
{
    command.flag("-n,--new", a.fromNew, "load the file as \"NEW\" does (the base counts as the template)");
    command.option("-d,--date", a.dateText, "the date NEW takes as today's")
        .check([](std::string &text) {
            CreatorDate date;
            return parseDate(text, date) ? std::string()
                                         : "'" + text + "' is not a date of the form YYYY-MM-DD";
        })
        .typeName("YYYY-MM-DD");
}

// The date of --date, once the line has parsed.
void takeDate(CreatorArgs &a)
{
    a.hasDate = !a.dateText.empty() && parseDate(a.dateText, a.date);
}

void addOutputOption(CommandSpec &command, CreatorArgs &a)
{
    command.option("-o,--output", a.output, "the file to write (- for standard output)")
        .required()
        .typeName("FILE")
        .complete(Completion::Files);
}

// The creator after "NEW" (--new: the base counts as the template, the date is today's or
// --date) or after "OPEN".
struct Creator
{
    CreatorState state;
    EdidFeatureRecord record;
};

// Reads the file and loads it into the creator as OPEN (or NEW, with --new) does.
bool loadCreator(Creator &c, const std::string &file, const CreatorArgs &a)
{
    EdidImage image;
    if (!readEdidForCli(file, image))
        return false;
    c.record.status = EdidStatus::HoldsImage | (a.fromNew ? EdidStatus::FromNew : 0);
    loadCreatorFromEdid(c.state, c.record, image, a.hasDate ? a.date : currentCreatorDate());
    return true;
}

// The page refuses to build from an image that failed validation; so do we.
bool reportInvalidImage(const Creator &c, const std::string &file)
{
    if (!(c.record.status & EdidStatus::ErrorMask))
        return false;
    std::fprintf(stderr, "kelmctl: %s is not a valid EDID, so nothing was built:\n", file.c_str());
    for (const std::string &m : edidValidationMessages(c.record.status))
        std::fprintf(stderr, "%s\n", m.c_str());
    return true;
}

int buildAndWrite(Creator &c, const std::string &output)
{
    std::string error;
    std::vector<std::string> leftOut;
    if (!buildCreatorEdid(c.state, c.record, &error, &leftOut)) {
        std::fprintf(stderr, "kelmctl: %s.\n", error.c_str());
        return 1;
    }
    // Written all the same, as the page does; what did not fit is named.
    for (const std::string &name : leftOut)
        std::fprintf(stderr, "kelmctl: warning: left out: %s.\n", name.c_str());
    if (!writeEdidBinFile(output, c.record.image, &error)) {
        std::fprintf(stderr, "kelmctl: %s.\n", error.c_str());
        return 1;
    }
    return 0;
}

// A creator state names at most a few hundred controls: a few kilobytes. Anything near a
// mebibyte is no state file, and is refused before it is read whole.
constexpr std::uintmax_t kMaxStateFileBytes = 1024 * 1024;

bool readJsonFile(const std::string &path, JsonValue &out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kelmctl: cannot open %s.\n", path.c_str());
        return false;
    }
    std::string text(kMaxStateFileBytes + 1, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(in.gcount()));
    if (text.size() > kMaxStateFileBytes) {
        std::fprintf(stderr, "kelmctl: %s is larger than 1 MiB; a creator state file is a few kilobytes.\n",
                     path.c_str());
        return false;
    }
    std::string error;
    if (!parseJson(text, out, &error)) {
        std::fprintf(stderr, "kelmctl: %s is not valid JSON: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

int runState(const CreatorArgs &a)
{
    Creator c;
    if (!loadCreator(c, a.files[0], a))
        return 1;
    const JsonValue state = creatorStateToJson(c.state);
    if (a.json) {
        printLine(toJson(state, 2));
    } else {
        for (const auto &[name, value] : state.items())
            printLine(name + ": " + toJson(value));
    }
    // The controls show placeholders for an invalid image; say why.
    if (c.record.status & EdidStatus::ErrorMask) {
        for (const std::string &m : edidValidationMessages(c.record.status))
            std::fprintf(stderr, "%s\n", m.c_str());
        return 1;
    }
    return 0;
}

int runBuild(const CreatorArgs &a)
{
    Creator c;
    if (!loadCreator(c, a.files[0], a))
        return 1;
    JsonValue json;
    if (!readJsonFile(a.files[1], json))
        return 1;
    if (reportInvalidImage(c, a.files[0]))
        return 1;
    std::string error;
    if (!applyCreatorStateJson(json, c.state, &error)) {
        std::fprintf(stderr, "kelmctl: %s: %s\n", a.files[1].c_str(), error.c_str());
        return 1;
    }
    // The page's field checks and HDR rule: a failing one is reported with its own message. As on
    // the page, checks run on the fields that change; what the base image holds is not judged.
    std::vector<std::string> changed;
    for (const auto &member : json.items())
        changed.push_back(member.key());
    if (auto failure = firstFailingFieldCheck(c.state, changed)) {
        std::fprintf(stderr, "kelmctl: %s: %s\n", failure->check->field.name,
                     failure->result.message.c_str());
        return 1;
    }
    // The HDR rule reacts to clicks on the HDR and 4K boxes, so it judges a state that sets one.
    auto namesRuleBox = [&json] {
        for (const auto &member : json.items())
            for (const auto *names : {&fourKBoxNames(), &hdrBoxNames()})
                for (const char *name : *names)
                    if (member.key() == name)
                        return true;
        return false;
    };
    if (namesRuleBox() && anyHdrChecked(c.state) && !any4KChecked(c.state)) {
        std::fprintf(stderr, "kelmctl: %s\n", kHdrNeeds4kMessage);
        return 1;
    }
    return buildAndWrite(c, a.output);
}

int runRoundtrip(const CreatorArgs &a)
{
    Creator c;
    if (!loadCreator(c, a.files[0], a) || reportInvalidImage(c, a.files[0]))
        return 1;
    return buildAndWrite(c, a.output);
}

CommandAction defineState(CommandSpec &command, const GlobalOptions &)
{
    auto a = std::make_shared<CreatorArgs>();
    a->files.resize(1);
    command.option("FILE", a->files[0], "the EDID .bin file").required().complete(Completion::Files);
    addCreatorOptions(command, *a);
    command.flag("-j,--json", a->json, "the controls as one JSON object");
    return [a] {
        takeDate(*a);
        return runState(*a);
    };
}

CommandAction defineBuild(CommandSpec &command, const GlobalOptions &)
{
    auto a = std::make_shared<CreatorArgs>();
    a->files.resize(2);
    command.option("BASE", a->files[0], "the EDID .bin file to start from")
        .required()
        .complete(Completion::Files);
    command.option("STATE.json", a->files[1], "a JSON object of control names and values")
        .required()
        .complete(Completion::Files);
    addCreatorOptions(command, *a);
    addOutputOption(command, *a);
    return [a] {
        takeDate(*a);
        return runBuild(*a);
    };
}

CommandAction defineRoundtrip(CommandSpec &command, const GlobalOptions &)
{
    auto a = std::make_shared<CreatorArgs>();
    a->files.resize(1);
    command.option("FILE", a->files[0], "the EDID .bin file").required().complete(Completion::Files);
    addOutputOption(command, *a);
    return [a] { return runRoundtrip(*a); };
}

const CommandRegistration regState(CommandGroup::Edid, "edid state", "the creator controls after loading FILE",
                                   &defineState);
const CommandRegistration regBuild(CommandGroup::Edid, "edid build",
                                   "load BASE, set the controls of STATE.json, build", &defineBuild);
const CommandRegistration regRoundtrip(CommandGroup::Edid, "edid roundtrip",
                                       "load then build with the controls unchanged", &defineRoundtrip);

} // namespace
