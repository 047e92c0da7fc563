// kelmctl: the workbench's headless, scriptable front end. The EDID commands run here without
// loading Qt; every device and network command runs in kelmctl-device, which this program
// starts in its own place with the same arguments.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/edid/EdidCommands.h"

namespace {

const char kUsage[] =
    "Usage: kelmctl COMMAND [ARGS]\n"
    "\n"
    "EDID files (no device needed):\n"
    "  edid new -o FILE                          write the built-in \"NEW\" template\n"
    "  edid validate FILE...                     print the validation messages\n"
    "  edid info FILE... [--json]                the EDID Analyzer answers\n"
    "  edid decode FILE... --json                the decoded feature record\n"
    "  edid state FILE [--new] [--date YYYY-MM-DD] [--json]\n"
    "                                            the creator controls after loading FILE\n"
    "  edid build BASE STATE.json [--new] [--date YYYY-MM-DD] -o FILE\n"
    "                                            load BASE, set the controls of STATE.json, build\n"
    "  edid roundtrip FILE -o OUT                load then build with the controls unchanged\n"
    "\n"
    "Device over a serial port (--port PATH, repeatable, replaces the port list):\n"
    "  [--port PATH]... info [--json]            search, then describe the device\n"
    "  [--port PATH]... read SLOT -o FILE        SLOT is input1, output2, user3, internal4 ...\n"
    "  [--port PATH]... write SLOT FILE          validate FILE and upload it\n"
    "  [--port PATH]... copy SRC DST             copy one slot into another\n"
    "  [--port PATH]... mode [MODE]              set the input's EDID (internal1, external1, user3 ...)\n"
    "                                            or, without MODE, print the reported one\n"
    "  [--port PATH]... describe TEXT            set the description string\n"
    "  [--port PATH]... reset --yes              reset the device to its defaults\n"
    "  [--port PATH]... firmware FILE --yes      update the firmware (device in ISP mode)\n"
    "\n"
    "Network devices:\n"
    "  net discover [--wait SECONDS] [--json]    list the devices that answer discovery\n"
    "  net set MAC [--mode static|dhcp] [--ip A] [--mask A] [--gateway A] [--dns A]\n"
    "              [--web-port N] [--telnet-port N] [--wait SECONDS] [--json]\n"
    "                                            discover, then send the changed settings to MAC\n"
    "\n"
    "Exit status: 0 success, 1 the operation or the device failed, 2 usage error.\n";

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
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h" || first == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("kelmctl %s\n", KELM_VERSION);
        return 0;
    }
    if (first == "edid") {
        std::vector<std::string> args(argv + 2, argv + argc);
        return runEdidCommand(args);
    }
    return runDeviceTool(argv);
}
