// kelmctl-device: every kelmctl command, the network ones included (started by kelmctl, or by
// kelmctl-serial, with their arguments). The arguments are parsed as the bytes given, not through Qt.
#include <QCoreApplication>

#include "cli/core/CommandLine.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runCommandLine(argc, argv);
}
