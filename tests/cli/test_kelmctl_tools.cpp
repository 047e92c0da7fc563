// kelmctl hands each line to the program that runs it (itself, kelmctl-serial or kelmctl-device).
// Whichever it is, the line must print and exit exactly as the program with every command does.
// None of these lines reaches a device or the network.
#include <gtest/gtest.h>

#include <string>

#include "KelmctlRun.h"

namespace {

using KelmctlTools = KelmctlFixture;

TEST_F(KelmctlTools, EveryLinePrintsWhatTheWholeToolPrints)
{
    struct Case
    {
        const char *args;
        int status;
    };
    const Case cases[] = {
        {"", 2},                                     // no command
        {"--help", 0},                               // the overview lists every section
        {"-p /dev/null -h", 0},                      // help after the port option
        {"--version", 0},                            // answered by kelmctl itself
        {"read --help", 0},                          // a device command's own help
        {"read", 2},                                 // a device command with its operands missing
        {"read input1 -o x.bin --colour", 2},        // an unknown option after a device command
        {"frob", 2},                                 // no such command: the list names net too
        {"net", 2},                                  // a network command without its own command
        {"net discover --wait soon", 2},             // refused before anything is sent
        {"net set 00:11 --ip 10.0.0.1", 2},          // a MAC that is none: refused before discovery
        {"-p ./no-such-port info", 1},               // a serial command on a port that is not there
        {"-p ./no-such-port edid diff x.bin input1", 2}, // a file operand that does not exist
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args);
        const KelmctlResult front = runLine(c.args);
        const KelmctlResult whole = runLine(c.args, KELMCTL_DEVICE_PATH);
        EXPECT_EQ(front.status, c.status) << front.err;
        EXPECT_EQ(front.status, whole.status);
        EXPECT_EQ(front.out, whole.out);
        EXPECT_EQ(front.err, whole.err);
    }
}

} // namespace
