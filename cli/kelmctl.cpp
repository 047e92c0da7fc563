// kelmctl: the workbench's headless, scriptable front end. The EDID commands run here without
// loading Qt. The device commands run in kelmctl-serial, which loads Qt but not its network library;
// the network commands and the full help run in kelmctl-device, which has every command. This
// program starts the one the line needs in its own place, with the same arguments. All of them
// parse with the same grammar (cli/core/CommandLine.h).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "cli/core/CommandLine.h"
#include "cli/edid/EdidDiffReport.h"

namespace {

// The word that names the command ("" when none does) and whether an option other than the port
// stands before it (--help, --version, the completion grammar, a mistake). Only the global
// option's value has to be skipped to find the command word.
struct Line
{
    std::string command;
    std::string firstOption;
};

Line readLine(int argc, char **argv)
{
    Line line;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-p" || a == "--port") {
            ++i;
            continue;
        }
        if (a.empty() || a[0] != '-') {
            line.command = a;
            return line;
        }
        if (line.firstOption.empty())
            line.firstOption = a;
        if (a == "--")
            return line;
    }
    return line;
}

// True when the line names an EDID command (or only asks for the version), which this program
// answers itself.
bool handledHere(const Line &line)
{
    if (line.firstOption == "--version")
        return true;
    return line.firstOption.empty() && line.command == "edid";
}

// kelmctl-serial takes the device commands; what it does not know it hands to kelmctl-device, so
// sending the network commands, help and mistakes there at once only saves a start.
const char *toolFor(const Line &line)
{
    return line.firstOption.empty() && !line.command.empty() && line.command != "net" ? "kelmctl-serial"
                                                                                       : "kelmctl-device";
}

int runTool(const char *name, char **argv)
{
    // Beside kelmctl in the build tree; in the libexec folder once installed.
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::filesystem::path tool = ec ? std::filesystem::path(name) : self.parent_path() / name;
    if (!ec && !std::filesystem::exists(tool, ec))
        tool = (self.parent_path() / KELM_DEVICE_TOOL_DIR / name).lexically_normal();
    execv(tool.c_str(), argv);
    std::fprintf(stderr, "kelmctl: cannot start %s: %s\n", tool.c_str(), std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    const Line line = readLine(argc, argv);
    if (!handledHere(line))
        return runTool(toolFor(line), argv);
    // edid diff with an operand that names a device slot needs the device tool.
    const int rc = runCommandLine(argc, argv);
    return rc == kEdidNeedsDevice ? runTool("kelmctl-serial", argv) : rc;
}
