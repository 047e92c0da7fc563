// kelmctl: the workbench's headless, scriptable front end. The EDID commands run here without
// loading Qt; every other command line (device and network commands, the full help) runs in
// kelmctl-device, which this program starts in its own place with the same arguments. Both parse
// with the same grammar (cli/core/CommandLine.h).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "cli/core/CommandLine.h"
#include "cli/edid/EdidDiffReport.h"

namespace {

// True when the line names an EDID command (or only asks for the version), which this program
// answers itself. Only the global option's value has to be skipped to find the command word.
bool handledHere(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-p" || a == "--port") {
            ++i;
            continue;
        }
        if (a == "--version")
            return true;
        if (a.empty() || a[0] != '-')
            return a == "edid";
        if (a == "--")
            return false;
    }
    return false;
}

int runDeviceTool(char **argv)
{
    // Beside kelmctl in the build tree; in the libexec folder once installed.
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::filesystem::path tool = ec ? std::filesystem::path("kelmctl-device")
                                    : self.parent_path() / "kelmctl-device";
    if (!ec && !std::filesystem::exists(tool, ec))
        tool = (self.parent_path() / KELM_DEVICE_TOOL_DIR / "kelmctl-device").lexically_normal();
    execv(tool.c_str(), argv);
    std::fprintf(stderr, "kelmctl: cannot start %s: %s\n", tool.c_str(), std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (!handledHere(argc, argv))
        return runDeviceTool(argv);
    // edid diff with an operand that names a device slot needs the device tool.
    const int rc = runCommandLine(argc, argv);
    return rc == kEdidNeedsDevice ? runDeviceTool(argv) : rc;
}
