// Starting another program: what it wrote and how it ended come back, a program that exits without
// reading its input or goes silent costs the caller nothing, and the caller's SIGPIPE handling is
// never touched.
#include <gtest/gtest.h>

#include <signal.h>

#include "shell/process/ProgramRun.h"

TEST(ProgramRun, OutputsExitAndFailuresToStart)
{
    const std::string big(4 << 20, 'x'); // more than any pipe or socket buffer holds
    struct Case
    {
        const char *what;
        std::vector<std::string> argv;
        std::string input;
        int silenceMs;
        bool ended;
        int exitCode;
        std::string out, err, errorPart;
    };
    const Case cases[] = {
        {"input echoed", {"/bin/cat"}, "abc\n", 30000, true, 0, "abc\n", "", ""},
        {"stderr and exit code", {"/bin/sh", "-c", "echo e >&2; exit 3"}, "", 30000, true, 3, "", "e\n", ""},
        {"arguments reach it as given", {"/bin/echo", "--", "-x.bin", "a b"}, "", 30000, true, 0, "-- -x.bin a b\n", "",
         ""},
        {"exits without reading its input", {"/bin/true"}, big, 30000, true, 0, "", "", ""},
        {"cannot start", {"/nonexistent/program"}, "", 30000, false, -1, "", "", "cannot start"},
        {"silent too long", {"/bin/sleep", "5"}, "", 200, false, -1, "", "", "silent"},
    };
    struct sigaction before = {}, after = {};
    ::sigaction(SIGPIPE, nullptr, &before);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const ProgramRun run = runProgram(c.argv, c.input, c.silenceMs);
        EXPECT_EQ(run.ended, c.ended);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_NE(run.error.find(c.errorPart), std::string::npos) << run.error;
        ::sigaction(SIGPIPE, nullptr, &after);
        EXPECT_EQ(after.sa_handler, before.sa_handler);
    }
}

TEST(ProgramRun, FindsExecutablesOnPath)
{
    EXPECT_TRUE(findProgram("sh").has_value());
    EXPECT_FALSE(findProgram("no-such-program-here").has_value());
}
