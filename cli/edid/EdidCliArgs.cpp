#include "cli/edid/EdidCliArgs.h"

#include "edid/EdidBinFile.h"

bool parseEdidCliArgs(const char *command, const std::vector<std::string> &args, bool allowJson,
                      bool allowOutput, EdidCliArgs &out)
{
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && allowJson && a == "--json") {
            out.json = true;
        } else if (!optionsDone && allowOutput && (a == "-o" || a == "--output")) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "kelmctl: edid %s: %s needs a file name.\n", command, a.c_str());
                return false;
            }
            out.output = args[++i];
            out.hasOutput = true;
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "kelmctl: edid %s: unknown option '%s'; see kelmctl --help.\n", command,
                         a.c_str());
            return false;
        } else {
            out.files.push_back(a);
        }
    }
    return true;
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
