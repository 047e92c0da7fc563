// kelmctl: the workbench's headless, scriptable front end. The EDID commands run here without
// loading Qt. The device commands run in kelmctl-serial, which loads Qt but not its network library;
// the network commands and the full help run in kelmctl-device, which has every command. This
// program starts the one the line needs in its own place, with the same arguments. All of them
// parse with the same grammar (cli/core/CommandLine.h).
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "cli/core/CommandLine.h"
#include "cli/core/RunBeside.h"
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

// ----- the handshake's wake-up, written before the device program starts -------------------
// Every device command begins with the handshake: " \r", a 160 ms pause, then the ENTRANCE line.
// Loading Qt takes several milliseconds, all before the first byte; written here, the wake-up
// goes out at once and the loading happens inside the pause, which the device program then only
// finishes (SerialTransport::adoptEarlyWakeUp). Only for a line that surely starts with that
// handshake on one named port: a command that connects first, one --port, no help asked for.

// The commands that search for the device before anything else. reset, firmware and undo ask the
// operator first, so their wake-up could come long before (or without) the handshake.
bool connectsFirst(const std::string &command)
{
    static constexpr std::array<const char *, 8> commands{"backup", "copy", "describe", "info",
                                                          "mode",   "read", "restore",  "write"};
    return std::any_of(commands.begin(), commands.end(), [&](const char *c) { return command == c; });
}

// The one port named on the line (empty when none or several are, or help is asked for).
std::string onlyPort(int argc, char **argv)
{
    std::vector<std::string> ports;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--")
            break;
        if (a == "-h" || a == "--help" || a == "--version")
            return {};
        if ((a == "-p" || a == "--port") && i + 1 < argc)
            ports.emplace_back(argv[++i]);
        else if (a.rfind("--port=", 0) == 0)
            ports.push_back(a.substr(7));
        else if (a.size() > 2 && a.rfind("-p", 0) == 0 && a[2] != '-')
            ports.push_back(a.substr(2));
    }
    return ports.size() == 1 ? ports.front() : std::string();
}

// True when a program holds a lock file of the port (the one the device programs and the workbench
// take when they open it), so its line is not to be disturbed. The lock is named after the path
// the program opened: this one, and where it leads (a link in /dev/serial/by-id, say).
bool portLocked(const std::string &path)
{
    std::vector<std::string> paths{path};
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(path, ec);
    if (!ec && target != path)
        paths.push_back(target);
    for (const std::string &p : paths) {
        std::string name = p.rfind("/dev/", 0) == 0 ? p.substr(5) : p;
        std::replace(name.begin(), name.end(), '/', '_');
        for (const char *dir : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp"}) {
            std::ifstream lock(std::string(dir) + "/LCK.." + name);
            long pid = 0;
            if (lock >> pid && pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
                return true;
        }
    }
    return false;
}

// Opens the port at 115200 8N1, raw, writes the wake-up and leaves the descriptor open for the
// device program, which learns of it from KELMCTL_WOKEN ("FD NANOSECONDS"). Anything amiss: no
// wake-up, and the device program sends its own.
void wakeDevice(const std::string &port)
{
    const std::string path = port.find('/') == std::string::npos ? "/dev/" + port : port;
    if (portLocked(path))
        return;
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    termios tio{};
    bool ok = isatty(fd) && tcgetattr(fd, &tio) == 0;
    if (ok) {
        cfmakeraw(&tio);
        tio.c_cflag = (tio.c_cflag & ~(CSIZE | CSTOPB | PARENB | CRTSCTS)) | CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ok = cfsetispeed(&tio, B115200) == 0 && cfsetospeed(&tio, B115200) == 0 &&
             tcsetattr(fd, TCSANOW, &tio) == 0 && write(fd, " \r", 2) == 2;
    }
    if (!ok) {
        close(fd);
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::string woken =
        std::to_string(fd) + ' ' + std::to_string(static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
    setenv("KELMCTL_WOKEN", woken.c_str(), 1);
}

} // namespace

int main(int argc, char **argv)
{
    const Line line = readLine(argc, argv);
    if (!handledHere(line)) {
        const char *tool = toolFor(line);
        if (std::strcmp(tool, "kelmctl-serial") == 0 && connectsFirst(line.command)) {
            const std::string port = onlyPort(argc, argv);
            if (!port.empty())
                wakeDevice(port);
        }
        return runBeside(tool, argv, KELM_DEVICE_TOOL_DIR);
    }
    // edid diff with an operand that names a device slot needs the device tool.
    const int rc = runCommandLine(argc, argv);
    return rc == kEdidNeedsDevice ? runBeside("kelmctl-serial", argv, KELM_DEVICE_TOOL_DIR) : rc;
}
