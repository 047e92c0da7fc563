#pragma once

// Starting another program and collecting what it writes. Plain C++ and POSIX, no Qt, so the
// Qt-free kelmctl uses it too. No shell is involved: arguments reach the program as given.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ProgramRun
{
    bool ended = false;   // it started and exited by itself, its output read to the end
    int exitCode = -1;    // when it ended
    std::string out, err; // standard output and error (each kept to 16 MiB)
    std::string error;    // why it did not start, or was stopped
};

// Runs argv (argv[0] a path) with `input` on its standard input. A program that stays silent for
// `silenceMs` is killed. A program that exits before reading all of its input costs nothing:
// the input goes through a socket written without raising SIGPIPE, so the caller's signal
// handling stays as it is.
ProgramRun runProgram(const std::vector<std::string> &argv, std::string_view input = {}, int silenceMs = 30000);

// The path of an executable regular file called `name` in a folder of PATH, nothing when none.
std::optional<std::string> findProgram(std::string_view name);
