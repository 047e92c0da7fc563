// kelmctl-serial: the device commands over a serial port (and the EDID commands that read a slot),
// started by kelmctl with its arguments. It leaves out the network commands, so it starts without
// the network library; any other line (a network command, help, the completion grammar) goes to
// kelmctl-device beside it, which has every command.
#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

#include "cli/core/CommandLine.h"

namespace {

int runWholeTool(char **argv)
{
    std::string tool = "kelmctl-device";
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        const std::string path(self, static_cast<std::size_t>(n));
        tool = path.substr(0, path.rfind('/') + 1) + tool;
    }
    std::fflush(nullptr);
    execv(tool.c_str(), argv);
    std::fprintf(stderr, "kelmctl: cannot start %s: %s\n", tool.c_str(), std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rc = runOwnCommand(argc, argv, &runWholeTool);
    // The command is over: its port is closed (and its lock file gone), its files are written and
    // synced. Unwinding Qt and the libraries would only delay the exit the caller waits for.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    _exit(rc);
}
