// kelmctl-serial: the device commands over a serial port (and the EDID commands that read a slot),
// started by kelmctl with its arguments. It leaves out the network commands, so it starts without
// the network library; any other line (a network command, help, the completion grammar) goes to
// kelmctl-device beside it, which has every command.
#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "cli/core/CommandLine.h"
#include "cli/core/RunBeside.h"

namespace {

int runWholeTool(char **argv)
{
    return runBeside("kelmctl-device", argv);
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
